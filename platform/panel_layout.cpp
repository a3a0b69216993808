#include "platform/panel_layout.h"

#include <QEvent>
#include <QRect>
#include <QVariant>
#include <QWidget>

namespace {

const char* const kDesignGeometry = "_designGeometry";
const char* const kDesignParentSize = "_designParentSize";
constexpr int kSingleLineHeight = 32;

// Remembers where a widget stands in the file and how big its parent was there.
void rememberDesign(QWidget* w)
{
    w->setProperty(kDesignGeometry, w->geometry());
    if (w->parentWidget())
        w->setProperty(kDesignParentSize, w->parentWidget()->size());
}

void applyRules(QWidget* parent)
{
    const QSize now = parent->size();
    const bool scale = parent->property("scaleContents").toBool();
    for (QObject* o : parent->children()) {
        auto* w = qobject_cast<QWidget*>(o);
        if (!w || w->isWindow() || !w->property(kDesignGeometry).isValid())
            continue;
        const QRect design = w->property(kDesignGeometry).toRect();
        const QSize designParent = w->property(kDesignParentSize).toSize();
        if (designParent.isEmpty())
            continue;
        if (scale) {
            const double sx = double(now.width()) / designParent.width();
            const double sy = double(now.height()) / designParent.height();
            // Single-line controls keep their height (text does not grow); areas grow both ways.
            const int height = design.height() <= kSingleLineHeight ? design.height() : int(design.height() * sy);
            w->setGeometry(QRect(int(design.x() * sx), int(design.y() * sy), int(design.width() * sx), height));
            continue;
        }
        const QString anchor = w->property("anchor").toString();
        const bool right = anchor == "right" || anchor == "both";
        const bool bottom = anchor == "bottom" || anchor == "both";
        if (!right && !bottom)
            continue;
        QRect r = w->geometry();
        if (right)
            r.setWidth(std::max(design.width(), now.width() - (designParent.width() - design.right() - 1) - r.x()));
        if (bottom)
            r.setHeight(std::max(design.height(), now.height() - (designParent.height() - design.bottom() - 1) - r.y()));
        w->setGeometry(r);
    }
}

class ResizeRules : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* e) override
    {
        if (e->type() == QEvent::Resize)
            applyRules(static_cast<QWidget*>(watched));
        return false;
    }
};

ResizeRules* rules()
{
    static ResizeRules* r = new ResizeRules;
    return r;
}

}  // namespace

void InstallResizeRules(QWidget* panel)
{
    QList<QWidget*> all = panel->findChildren<QWidget*>();
    all.prepend(panel);
    for (QWidget* w : all) {
        if (w != panel || w->parentWidget())
            rememberDesign(w);
        const bool parentOfRuled = w->property("scaleContents").toBool() ||
                                   std::any_of(w->children().begin(), w->children().end(), [](QObject* c) {
                                       return c->property("anchor").isValid();
                                   });
        if (parentOfRuled)
            w->installEventFilter(rules());
    }
    // A child panel fills its parent's free area.
    if (QWidget* parent = panel->parentWidget()) {
        if (!panel->property("anchor").isValid())
            panel->setProperty("anchor", "both");
        parent->installEventFilter(rules());
    }
}
