#include "platform/controls.h"

#include <QAbstractButton>
#include <QAbstractSlider>
#include <QApplication>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFrame>
#include <QLCDNumber>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QSpinBox>
#include <QTextEdit>

#include <algorithm>
#include <cstring>

#include "platform/frame.h"
#include "platform/indicators.h"
#include "platform/userint.h"
#include "platform/widgets.h"

namespace {

int comboIndexOfValue(QComboBox* c, int value)
{
    for (int i = 0; i < c->count(); ++i) {
        QVariant d = c->itemData(i);
        if (d.isValid() ? d.toInt() == value : i == value)
            return i;
    }
    return -1;
}

int comboValue(QComboBox* c)
{
    const int i = c->currentIndex();
    if (i < 0)
        return 0;
    QVariant d = c->itemData(i);
    return d.isValid() ? d.toInt() : i;
}

// The newest line is the one the operator needs (the answer to FIND COM PORTS, the cause of a
// failure), so every append shows the end, even when the box had been scrolled back.
void appendText(QPlainTextEdit* box, const QString& text)
{
    QTextCursor cursor(box->document());
    cursor.movePosition(QTextCursor::End);
    cursor.insertText(text);
    QScrollBar* bar = box->verticalScrollBar();
    bar->setValue(bar->maximum());
}

int setNumber(QWidget* w, double v)
{
    const QSignalBlocker block(w);
    if (auto* s = qobject_cast<QSpinBox*>(w)) {
        const int iv = static_cast<int>(v);
        if (DeferIndicatorValue(s, iv))
            return 0;
        // The display shows what it is given: widen the range instead of clamping.
        if (iv < s->minimum() || iv > s->maximum())
            s->setRange(std::min(iv, s->minimum()), std::max(iv, s->maximum()));
        s->setValue(iv);
    } else if (auto* d = qobject_cast<QDoubleSpinBox*>(w)) {
        if (v < d->minimum() || v > d->maximum())
            d->setRange(std::min(v, d->minimum()), std::max(v, d->maximum()));
        d->setValue(v);
    } else if (auto* c = qobject_cast<QComboBox*>(w)) {
        const int i = comboIndexOfValue(c, static_cast<int>(v));
        if (i < 0)
            return -1;
        c->setCurrentIndex(i);
    } else if (auto* b = qobject_cast<QAbstractButton*>(w)) {
        b->setChecked(v != 0);
    } else if (auto* sl = qobject_cast<QAbstractSlider*>(w)) {
        // A slider stops at its ends.
        sl->setValue(static_cast<int>(std::clamp(v, double(sl->minimum()), double(sl->maximum()))));
    } else if (auto* l = qobject_cast<QLCDNumber*>(w)) {
        l->display(v);
    } else if (auto* e = qobject_cast<QLineEdit*>(w)) {
        e->setText(QString::number(v));
    } else if (auto* t = qobject_cast<QLabel*>(w)) {
        t->setText(QString::number(v));
    } else {
        return -1;
    }
    return 0;
}

// A number the operator typed counts from the moment the program asks for it, as if Enter had
// been pressed: a shortcut key (F9 for SEND) runs its button without taking the focus from the
// field, and the control must not show one value while another is used.
void commitTypedText(QAbstractSpinBox* box)
{
    if (!box->isReadOnly())
        box->interpretText();
}

// A text message made at run time grows or shrinks with its text, as the run-time's do.
void sizeToText(QWidget* w)
{
    if (w->property(kSizeToTextProperty).toBool())
        w->adjustSize();
}

}  // namespace

int SetCtrlVal(int panel, int control, int value)
{
    QWidget* w = ControlWidget(panel, control);
    return w ? setNumber(w, value) : -1;
}

int SetCtrlVal(int panel, int control, double value)
{
    QWidget* w = ControlWidget(panel, control);
    return w ? setNumber(w, value) : -1;
}

int SetCtrlVal(int panel, int control, const char* text)
{
    QWidget* w = ControlWidget(panel, control);
    if (!w || !text)
        return -1;
    const QString s = QString::fromUtf8(text);
    const QSignalBlocker block(w);
    if (auto* box = qobject_cast<QPlainTextEdit*>(w))
        appendText(box, s);
    else if (auto* rich = qobject_cast<QTextEdit*>(w)) {
        rich->moveCursor(QTextCursor::End);
        rich->insertPlainText(s);
    } else if (auto* e = qobject_cast<QLineEdit*>(w)) {
        e->setText(s.left(e->maxLength()));
        // A display too narrow for its text shows the start, where the text says what it is.
        if (e->isReadOnly())
            e->setCursorPosition(0);
    } else if (auto* l = qobject_cast<QLabel*>(w)) {
        l->setText(s);
        sizeToText(l);
    } else if (auto* c = qobject_cast<QComboBox*>(w); c && c->isEditable())
        c->setEditText(s);
    else
        return -1;
    return 0;
}

int GetCtrlVal(int panel, int control, int* value)
{
    QWidget* w = ControlWidget(panel, control);
    if (!w || !value)
        return -1;
    if (auto* s = qobject_cast<QSpinBox*>(w)) {
        commitTypedText(s);
        if (!PendingIndicatorValue(s, value))
            *value = s->value();
    } else if (auto* d = qobject_cast<QDoubleSpinBox*>(w)) {
        commitTypedText(d);
        *value = static_cast<int>(d->value());
    } else if (auto* c = qobject_cast<QComboBox*>(w))
        *value = comboValue(c);
    else if (auto* b = qobject_cast<QAbstractButton*>(w))
        *value = b->isChecked() ? 1 : 0;
    else if (auto* sl = qobject_cast<QAbstractSlider*>(w))
        *value = sl->value();
    else
        return -1;
    return 0;
}

int GetCtrlVal(int panel, int control, uint16_t* value)
{
    int v = 0;
    if (!value || GetCtrlVal(panel, control, &v) < 0)
        return -1;
    *value = static_cast<uint16_t>(v);
    return 0;
}

int GetCtrlVal(int panel, int control, double* value)
{
    QWidget* w = ControlWidget(panel, control);
    if (!w || !value)
        return -1;
    if (auto* d = qobject_cast<QDoubleSpinBox*>(w)) {
        commitTypedText(d);
        *value = d->value();
        return 0;
    }
    int v = 0;
    if (GetCtrlVal(panel, control, &v) < 0)
        return -1;
    *value = v;
    return 0;
}

int GetCtrlVal(int panel, int control, char* text, size_t cap)
{
    QWidget* w = ControlWidget(panel, control);
    if (!w || !text || cap == 0)
        return -1;
    QString s;
    if (auto* e = qobject_cast<QLineEdit*>(w))
        s = e->text();
    else if (auto* c = qobject_cast<QComboBox*>(w))
        s = c->currentText();
    else if (auto* l = qobject_cast<QLabel*>(w))
        s = l->text();
    else if (auto* box = qobject_cast<QPlainTextEdit*>(w))
        s = box->toPlainText();
    else
        return -1;
    const QByteArray utf8 = s.toUtf8();
    size_t n = std::min(static_cast<size_t>(utf8.size()), cap - 1);
    // Never cut a multi-byte character in half.
    while (n > 0 && n < static_cast<size_t>(utf8.size()) && (uint8_t(utf8[qsizetype(n)]) & 0xC0) == 0x80)
        --n;
    std::memcpy(text, utf8.constData(), n);
    text[n] = '\0';
    return 0;
}

int SetCtrlAttribute(int panel, int control, int attribute, int value)
{
    if (attribute == ATTR_POINTS_PER_SCREEN)
        return SetStripChartAttribute(panel, control, attribute, value);
    QWidget* w = ControlWidget(panel, control);
    if (!w)
        return -1;
    switch (attribute) {
    case ATTR_DIMMED: w->setEnabled(value == 0); break;
    case ATTR_VISIBLE:
        w->setVisible(value != 0);
        // A control's caption is part of it, as the run-time's controls carry their labels:
        // hidden fields must not leave their captions over the ones shown in their place.
        if (QWidget* parent = w->parentWidget())
            for (QLabel* caption : parent->findChildren<QLabel*>(Qt::FindDirectChildrenOnly))
                if (caption->buddy() == w)
                    caption->setVisible(value != 0);
        break;
    case ATTR_LEFT: w->move(value, w->y()); break;
    case ATTR_TOP: w->move(w->x(), value); break;
    case ATTR_WIDTH: w->resize(value, w->height()); break;
    case ATTR_HEIGHT: w->resize(w->width(), value); break;
    case ATTR_PRECISION:
        if (auto* d = qobject_cast<QDoubleSpinBox*>(w)) {
            const QSignalBlocker block(d);
            d->setDecimals(value);
        } else {
            return -1;
        }
        break;
    case ATTR_MAX_ENTRY_LENGTH:
        if (auto* e = qobject_cast<QLineEdit*>(w))
            e->setMaxLength(value);
        else
            return -1;
        break;
    case ATTR_TEXT_COLOR: {
        QPalette p = w->palette();
        p.setColor(QPalette::WindowText, ColorFromRgb(value));
        p.setColor(QPalette::Text, ColorFromRgb(value));
        p.setColor(QPalette::ButtonText, ColorFromRgb(value));
        w->setPalette(p);
        break;
    }
    case ATTR_TEXT_BGCOLOR:
    case ATTR_FRAME_COLOR: {
        QPalette p = w->palette();
        const QColor c = value == VAL_TRANSPARENT ? QColor(Qt::transparent) : ColorFromRgb(value);
        p.setColor(attribute == ATTR_FRAME_COLOR ? QPalette::Button : QPalette::Window, c);
        if (attribute == ATTR_FRAME_COLOR)
            p.setColor(QPalette::Base, c);
        // A decoration (a bare frame) is all frame: its colour is the ground it fills.
        if (attribute == ATTR_FRAME_COLOR && w->metaObject() == &QFrame::staticMetaObject)
            p.setColor(QPalette::Window, c);
        w->setPalette(p);
        w->setAutoFillBackground(value != VAL_TRANSPARENT);
        break;
    }
    case ATTR_TEXT_POINT_SIZE: {
        QFont f = w->font();
        f.setPointSize(value);
        w->setFont(f);
        sizeToText(w);
        break;
    }
    default: return -1;
    }
    return 0;
}

int SetCtrlAttribute(int panel, int control, int attribute, const char* value)
{
    QWidget* w = ControlWidget(panel, control);
    if (!w || !value)
        return -1;
    switch (attribute) {
    case ATTR_TOOLTIP_TEXT: w->setToolTip(QString::fromUtf8(value)); break;
    case ATTR_LABEL_TEXT: {
        auto* button = qobject_cast<QAbstractButton*>(w);
        if (!button)
            return -1;
        button->setText(QString::fromUtf8(value));
        break;
    }
    case ATTR_TEXT_FONT: {
        // The run-time's dialog font is the toolkit's standard dialog font here.
        QFont f = std::strcmp(value, VAL_DIALOG_META_FONT) == 0 ? QApplication::font("QMessageBox")
                                                                : QFont(QString::fromUtf8(value));
        if (w->font().pointSize() > 0)  // -1 when the size was given in pixels
            f.setPointSize(w->font().pointSize());
        w->setFont(f);
        sizeToText(w);
        break;
    }
    default: return -1;
    }
    return 0;
}

int GetCtrlAttribute(int panel, int control, int attribute, int* value)
{
    if (attribute == ATTR_POINTS_PER_SCREEN)
        return GetStripChartAttribute(panel, control, attribute, value);
    QWidget* w = ControlWidget(panel, control);
    if (!w || !value)
        return -1;
    switch (attribute) {
    case ATTR_DIMMED: *value = w->isEnabled() ? 0 : 1; break;
    case ATTR_TEXT_COLOR: {
        const QColor c = w->palette().color(QPalette::Text);
        *value = (c.red() << 16) | (c.green() << 8) | c.blue();
        break;
    }
    // A control counts as visible when it is not hidden itself, also while its panel is.
    case ATTR_VISIBLE: *value = w->isHidden() ? 0 : 1; break;
    case ATTR_LEFT: *value = w->x(); break;
    case ATTR_TOP: *value = w->y(); break;
    case ATTR_WIDTH: *value = w->width(); break;
    case ATTR_HEIGHT: *value = w->height(); break;
    case ATTR_PRECISION:
        if (auto* d = qobject_cast<QDoubleSpinBox*>(w))
            *value = d->decimals();
        else
            return -1;
        break;
    default: return -1;
    }
    return 0;
}

int ResetTextBox(int panel, int control, const char* text)
{
    auto* box = qobject_cast<QPlainTextEdit*>(ControlWidget(panel, control));
    if (!box || !text)
        return -1;
    const QSignalBlocker block(box);
    box->setPlainText(QString::fromUtf8(text));
    return 0;
}

int ProcessDrawEvents()
{
    if (QCoreApplication::instance())
        DrawFrame();
    return 0;
}

int ProcessDrawSlice() { return DrawFrameSlice() ? 1 : 0; }

int SetWaitCursor(int on)
{
    if (!qobject_cast<QApplication*>(QCoreApplication::instance()))
        return -1;
    if (on)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    else if (QApplication::overrideCursor())
        QApplication::restoreOverrideCursor();
    return 0;
}
