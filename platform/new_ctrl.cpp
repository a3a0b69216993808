#include "platform/new_ctrl.h"

#include <QLabel>

#include "platform/widgets.h"

int NewCtrl(int panel, int style, const char* label, int top, int left)
{
    QWidget* parent = PanelWidget(panel);
    if (!parent)
        return -1;
    if (style != CTRL_TEXT_MSG)
        return -2;
    auto* text = new QLabel(QString::fromUtf8(label ? label : ""), parent);
    // No ground of its own (a label fills none): whatever lies behind shows through.
    text->setProperty(kSizeToTextProperty, true);
    text->move(left, top);
    text->adjustSize();
    // Created after the panel's own controls, so it lies on top of them (the banner texts
    // lie on the banner decoration). show() only marks it; it appears with its panel.
    text->show();
    return RegisterNewControl(panel, text);
}
