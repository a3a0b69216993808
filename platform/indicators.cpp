#include "platform/indicators.h"

#include <QCoreApplication>
#include <QPointer>
#include <QSpinBox>

#include <algorithm>
#include <vector>

#include "platform/frame.h"
#include "platform/indicator_face.h"

namespace {

struct Pending {
    QPointer<QSpinBox> box;  // a display may be discarded with its panel meanwhile
    int value;
};
std::vector<Pending> pending;

void showPending()
{
    // Taken out first: a widget's update cannot call back in here, but stay safe anyway.
    std::vector<Pending> due;
    due.swap(pending);
    for (const Pending& p : due) {
        QSpinBox* s = p.box.data();
        if (!s)
            continue;
        const QSignalBlocker block(s);
        // The display shows what it is given: widen the range instead of clamping.
        if (p.value < s->minimum() || p.value > s->maximum())
            s->setRange(std::min(p.value, s->minimum()), std::max(p.value, s->maximum()));
        if (!ShowOnIndicatorFace(s, p.value))
            s->setValue(p.value);
    }
}

// The displays' values are shown in the next frame (platform/frame.h).
struct IndicatorFrame final : FrameClient {
    void DrawInFrame() override { showPending(); }
};
IndicatorFrame frame;

QSpinBox* indicator(const QWidget* w)
{
    auto* s = qobject_cast<QSpinBox*>(const_cast<QWidget*>(w));
    return s && s->isReadOnly() ? s : nullptr;
}

}  // namespace

bool DeferIndicatorValue(QWidget* w, int value)
{
    QSpinBox* s = indicator(w);
    if (!s || !QCoreApplication::instance())
        return false;
    auto it = std::find_if(pending.begin(), pending.end(), [s](const Pending& p) { return p.box == s; });
    if (it != pending.end()) {
        it->value = value;
        return true;
    }
    int shown = 0;
    if (IndicatorFaceAhead(s, &shown) ? shown == value : s->value() == value)
        return true;
    // A display shows digits, which need no shaping: laid out without it, a new value costs
    // its text a fraction of the time, at every frame of the live loop.
    if (!(s->font().styleStrategy() & QFont::PreferNoShaping)) {
        QFont digits = s->font();
        digits.setStyleStrategy(QFont::StyleStrategy(digits.styleStrategy() | QFont::PreferNoShaping));
        s->setFont(digits);
    }
    GiveIndicatorItsOwnFace(s);
    pending.push_back({s, value});
    NeedFrame(&frame);
    return true;
}

bool PendingIndicatorValue(const QWidget* w, int* value)
{
    for (const Pending& p : pending)
        if (p.box == w) {
            *value = p.value;
            return true;
        }
    const auto* s = qobject_cast<const QSpinBox*>(w);
    return s && IndicatorFaceAhead(s, value);
}
