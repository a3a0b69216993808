#include "platform/lists.h"

#include <QComboBox>
#include <QLineEdit>

#include <cstring>

#include "platform/widgets.h"

namespace {

QComboBox* comboOf(int panel, int control) { return qobject_cast<QComboBox*>(ControlWidget(panel, control)); }

// Item changes may move the current index, which on an editable drop-down would replace the
// operator's text: keep the text and its cursor as they were.
class KeepEditText {
public:
    explicit KeepEditText(QComboBox* c) : combo_(c), blocker_(c)
    {
        if (combo_->isEditable() && combo_->lineEdit()) {
            text_ = combo_->lineEdit()->text();
            cursor_ = combo_->lineEdit()->cursorPosition();
        }
    }
    ~KeepEditText()
    {
        if (combo_->isEditable() && combo_->lineEdit()) {
            combo_->setCurrentIndex(-1);
            combo_->lineEdit()->setText(text_);
            combo_->lineEdit()->setCursorPosition(cursor_);
        }
    }

private:
    QComboBox* combo_;
    QSignalBlocker blocker_;
    QString text_;
    int cursor_ = 0;
};

}  // namespace

int GetNumListItems(int panel, int control, int* count)
{
    QComboBox* c = comboOf(panel, control);
    if (!c || !count)
        return -1;
    *count = c->count();
    return 0;
}

int GetLabelFromIndex(int panel, int control, int index, char* label, size_t cap)
{
    QComboBox* c = comboOf(panel, control);
    if (!c || !label || cap == 0 || index < 0 || index >= c->count())
        return -1;
    const QByteArray utf8 = c->itemText(index).toUtf8();
    size_t n = std::min(static_cast<size_t>(utf8.size()), cap - 1);
    while (n > 0 && n < static_cast<size_t>(utf8.size()) && (uint8_t(utf8[qsizetype(n)]) & 0xC0) == 0x80)
        --n;
    std::memcpy(label, utf8.constData(), n);
    label[n] = '\0';
    return 0;
}

int InsertListItem(int panel, int control, int index, const char* label)
{
    QComboBox* c = comboOf(panel, control);
    if (!c || !label)
        return -1;
    KeepEditText keep(c);
    c->insertItem(index < 0 || index > c->count() ? c->count() : index, QString::fromUtf8(label));
    return 0;
}

int DeleteListItem(int panel, int control, int index, int count)
{
    QComboBox* c = comboOf(panel, control);
    if (!c || index < 0)
        return -1;
    KeepEditText keep(c);
    const int end = count < 0 ? c->count() : std::min(c->count(), index + count);
    for (int i = end - 1; i >= index; --i)
        c->removeItem(i);
    return 0;
}

int FindListItem(int panel, int control, const char* text)
{
    QComboBox* c = comboOf(panel, control);
    if (!c || !text)
        return -1;
    const QString t = QString::fromUtf8(text);
    for (int i = 0; i < c->count(); ++i)
        if (c->itemText(i) == t)
            return i;
    return -1;
}
