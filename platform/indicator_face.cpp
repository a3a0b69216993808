#include "platform/indicator_face.h"

#include <QCoreApplication>
#include <QEvent>
#include <QFontMetrics>
#include <QImage>
#include <QLineEdit>
#include <QLocale>
#include <QPaintEvent>
#include <QPainter>
#include <QPixmap>
#include <QSpinBox>
#include <QStyle>
#include <QStyleOptionSpinBox>
#include <QTimer>

#include <algorithm>
#include <optional>
#include <typeinfo>
#include <vector>

namespace {

// The spin box's own helpers, which it keeps for its subclasses.
struct SpinBoxAccess : QSpinBox {
    using QAbstractSpinBox::initStyleOption;
    using QAbstractSpinBox::lineEdit;
    using QSpinBox::textFromValue;
};

// How long a box's own value may stay behind its face: reads through the platform see the
// face's value at once, anything else (accessibility, a widget inspected directly) soon after.
// Taking a value costs the box a layout of its hidden edit's text: in the live loop, where
// every display changes at every frame, once a second is enough.
constexpr int kValueFollowsMs = 1000;

// Never destroyed: a box that outlives them at exit still leaves them.
class Face;
std::vector<Face*>& faces = *new std::vector<Face*>;  // every box with its own face; few
std::vector<Face*>& ahead = *new std::vector<Face*>;  // those whose box's value is behind its face

void bringValuesUp();

QTimer* followClock()
{
    static QTimer* timer = [] {
        auto* t = new QTimer(QCoreApplication::instance());
        t->setSingleShot(true);
        QObject::connect(t, &QTimer::timeout, [] { bringValuesUp(); });
        return t;
    }();
    return timer;
}

// Where a frameless line edit puts its text inside its rectangle (its fixed margins and the
// width it keeps for the cursor), so that the number stands where the edit drew it.
constexpr int kEditHorizontalMargin = 2;
constexpr int kEditCursorWidth = 1;

class Face final : public QObject {
public:
    explicit Face(QSpinBox* box) : QObject(box), box_(box) { faces.push_back(this); }
    ~Face() override
    {
        faces.erase(std::remove(faces.begin(), faces.end(), this), faces.end());
        ahead.erase(std::remove(ahead.begin(), ahead.end(), this), ahead.end());
    }

    void show(int value)
    {
        if (!ahead_)
            ahead.push_back(this);
        ahead_ = true;
        shown_ = value;
        // Only the number changes: the frame around it stays as it is on the screen.
        box_->update(textArea());
        if (!followClock()->isActive())
            followClock()->start(kValueFollowsMs);
    }
    bool valueAhead(int* value) const
    {
        if (ahead_)
            *value = shown_;
        return ahead_;
    }
    // The box takes the value its face shows.
    void follow()
    {
        ahead_ = false;
        const QSignalBlocker block(box_);
        // The face shows that value already: the whole box repainted for it would show the
        // same pixels again.
        const bool updatesOff = box_->testAttribute(Qt::WA_UpdatesDisabled);
        box_->setAttribute(Qt::WA_UpdatesDisabled, true);
        box_->setValue(shown_);
        box_->setAttribute(Qt::WA_UpdatesDisabled, updatesOff);
    }

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched != box_)
            return false;
        if (event->type() == QEvent::LocaleChange)
            digitsLocale_.reset();
        if (event->type() != QEvent::Paint)
            return false;
        paint(static_cast<QPaintEvent*>(event)->rect());
        return true;
    }

private:
    // The style's spin box without its text: drawn once for each look (size, state, palette,
    // style) and then copied.
    const QPixmap& frame(const QStyleOptionSpinBox& option)
    {
        const qreal ratio = box_->devicePixelRatioF();
        if (frame_.isNull() || frameSize_ != option.rect.size() || frameState_ != option.state ||
            framePalette_ != option.palette.cacheKey() || frameStyle_ != box_->style() || frameRatio_ != ratio) {
            frameSize_ = option.rect.size();
            frameState_ = option.state;
            framePalette_ = option.palette.cacheKey();
            frameStyle_ = box_->style();
            frameRatio_ = ratio;
            frame_ = QPixmap(option.rect.size() * ratio);
            frame_.setDevicePixelRatio(ratio);
            frame_.fill(Qt::transparent);
            QPainter p(&frame_);
            box_->style()->drawComplexControl(QStyle::CC_SpinBox, &option, &p, box_);
        }
        return frame_;
    }

    // The frame's part behind the number, in the screen's opaque format when it is opaque
    // there (a field's ground): a new value repaints just that part, and copying it is then
    // a plain copy rather than a blend of every pixel. Null where the part is not opaque.
    const QPixmap& ground(const QPixmap& frame, const QRect& area)
    {
        if (groundOf_ != frame.cacheKey() || groundArea_ != area) {
            groundOf_ = frame.cacheKey();
            groundArea_ = area;
            const qreal ratio = frame.devicePixelRatio();
            const QRect pixels(area.topLeft() * ratio, area.size() * ratio);
            QImage part = frame.toImage().copy(pixels).convertToFormat(QImage::Format_ARGB32);
            bool opaque = !part.isNull();
            for (int y = 0; opaque && y < part.height(); ++y) {
                const auto* line = reinterpret_cast<const QRgb*>(part.constScanLine(y));
                for (int x = 0; opaque && x < part.width(); ++x)
                    opaque = qAlpha(line[x]) == 255;
            }
            ground_ = opaque ? QPixmap::fromImage(part.convertToFormat(QImage::Format_RGB32)) : QPixmap();
            ground_.setDevicePixelRatio(ratio);
        }
        return ground_;
    }

    void paint(const QRect& dirty)
    {
        QStyleOptionSpinBox option;
        (box_->*(&SpinBoxAccess::initStyleOption))(&option);
        QPainter p(box_);
        const QRect area = textArea();
        const bool onlyNumber = area.contains(dirty);
        const QPixmap& whole = frame(option);
        const QPixmap* behind = onlyNumber ? &ground(whole, area) : nullptr;
        if (behind && !behind->isNull())
            p.drawPixmap(area.topLeft(), *behind);
        else
            p.drawPixmap(0, 0, whole);

        // The text as the hidden edit would lay it out: one line, vertically centred in the
        // edit's rectangle, aligned as the box says.
        if (metricsFont_ != box_->font() || !metrics_) {
            metricsFont_ = box_->font();
            metrics_.emplace(metricsFont_);
        }
        const QFontMetrics& metrics = *metrics_;
        const QString text = ahead_ ? textOf(shown_) : box_->text();
        const int height = metrics.height();
        const int top = area.y() + (area.height() - height + 1) / 2;
        const int left = area.x() + kEditHorizontalMargin;
        const Qt::Alignment align = QStyle::visualAlignment(box_->layoutDirection(), box_->alignment());
        int shift = 0;
        // Only a number that is not left-aligned needs its width (a second layout of its text).
        if (align & (Qt::AlignRight | Qt::AlignHCenter)) {
            const int room = area.width() - 2 * kEditHorizontalMargin;
            const int used = metrics.horizontalAdvance(text) + kEditCursorWidth;
            // A number wider than the box shows its start, as the edit does.
            if (used <= room)
                shift = (align & Qt::AlignRight) ? used - room + 1 : (used - room) / 2;
        }
        // A repaint of the number alone is clipped to its part already.
        if (!onlyNumber)
            p.setClipRect(area);
        p.setFont(box_->font());
        p.setPen(box_->palette().color(QPalette::Text));
        p.drawText(QPoint(left - shift, top + metrics.ascent()), text);
    }

    // Where the hidden edit is: the number's place.
    QRect textArea() const
    {
        const QLineEdit* edit = (box_->*(&SpinBoxAccess::lineEdit))();
        return edit ? edit->geometry() : box_->rect();
    }

    QString textOf(int value)
    {
        if (value == box_->minimum() && !box_->specialValueText().isEmpty())
            return box_->specialValueText();
        return box_->prefix() + numberText(value) + box_->suffix();
    }

    // The spin box's own text of a value: its locale's, without group separators unless it
    // shows them. Asking the locale costs more than drawing the number; where the locale
    // writes plain digits and a hyphen-minus, the text is the same as the plain number's.
    QString numberText(int value)
    {
        if (typeid(*box_) != typeid(QSpinBox) || box_->isGroupSeparatorShown())
            return (box_->*(&SpinBoxAccess::textFromValue))(value);
        if (!digitsLocale_) {
            const QLocale locale = box_->locale();
            digitsLocale_ =
                locale.zeroDigit() == QLatin1String("0") && locale.negativeSign() == QLatin1String("-");
        }
        return *digitsLocale_ ? QString::number(value) : (box_->*(&SpinBoxAccess::textFromValue))(value);
    }

    QSpinBox* box_;
    bool ahead_ = false;
    int shown_ = 0;
    QPixmap frame_;
    QSize frameSize_;
    QStyle::State frameState_;
    qint64 framePalette_ = 0;
    const QStyle* frameStyle_ = nullptr;
    qreal frameRatio_ = 0;
    QPixmap ground_;
    qint64 groundOf_ = 0;
    QRect groundArea_;
    QFont metricsFont_;
    std::optional<QFontMetrics> metrics_;
    std::optional<bool> digitsLocale_;  // the locale writes plain digits; unknown until needed
};

Face* faceOf(const QObject* box)
{
    const auto it = std::find_if(faces.begin(), faces.end(), [box](const Face* f) { return f->parent() == box; });
    return it == faces.end() ? nullptr : *it;
}

void bringValuesUp()
{
    std::vector<Face*> due;
    due.swap(ahead);
    for (Face* f : due)
        f->follow();
}

}  // namespace

bool ShowOnIndicatorFace(QSpinBox* box, int value)
{
    Face* f = faceOf(box);
    if (f)
        f->show(value);
    return f;
}

bool IndicatorFaceAhead(const QSpinBox* box, int* value)
{
    const Face* f = faceOf(box);
    return f && f->valueAhead(value);
}

void GiveIndicatorItsOwnFace(QSpinBox* box)
{
    if (!box || faceOf(box))
        return;
    box->installEventFilter(new Face(box));
    if (QLineEdit* edit = (box->*(&SpinBoxAccess::lineEdit))())
        edit->hide();
    box->update();
}
