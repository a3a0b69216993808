#include "platform/completion.h"

#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>

namespace {

// Remembers whether the last key pressed in the field produced a character.
class KeyWatcher : public QObject {
public:
    using QObject::QObject;
    bool suppressNext = false;

protected:
    bool eventFilter(QObject*, QEvent* e) override
    {
        if (e->type() == QEvent::KeyPress)
            suppressNext = static_cast<QKeyEvent*>(e)->text().isEmpty() ||
                           static_cast<QKeyEvent*>(e)->text().at(0).isPrint() == false;
        return false;
    }
};

}  // namespace

void EnableListCompletion(QComboBox* combo)
{
    QLineEdit* edit = combo->lineEdit();
    if (!edit)
        return;
    // Qt's own completer offers a similar service, but not the rule about non-character keys.
    edit->setCompleter(nullptr);
    auto* keys = new KeyWatcher(edit);
    edit->installEventFilter(keys);
    QObject::connect(edit, &QLineEdit::textEdited, edit, [combo, edit, keys](const QString& typed) {
        if (keys->suppressNext || typed.isEmpty() || edit->cursorPosition() != typed.size())
            return;
        for (int i = 0; i < combo->count(); ++i) {
            const QString entry = combo->itemText(i);
            if (entry.size() > typed.size() && entry.startsWith(typed, Qt::CaseInsensitive)) {
                edit->setText(typed + entry.mid(typed.size()));
                // The completed text is the operator's edit: leaving the field commits it, as
                // it would commit what was typed.
                edit->setModified(true);
                edit->setSelection(static_cast<int>(edit->text().size()), -static_cast<int>(entry.size() - typed.size()));
                return;
            }
        }
    });
}
