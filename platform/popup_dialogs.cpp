// The pop-ups on screen: modal Qt dialogs. The run-time with windows (InitRunTime) installs
// them; without it the pop-ups of platform/popups.cpp answer on stderr.
#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>

#include "platform/popups.h"

namespace {

QWidget* dialogParent() { return QApplication::activeWindow(); }

// The generic pop-up: its own dialog, because Enter and Escape may be any two of the buttons.
class GenericDialog : public QDialog {
public:
    GenericDialog(const QString& title, const QString& message, const QStringList& buttons,
                  bool withInput, int maxLength, int active, int enter, int escape)
        : QDialog(dialogParent()), enter_(enter), escape_(escape)
    {
        setWindowTitle(title);
        setModal(true);
        auto* layout = new QVBoxLayout(this);
        auto* label = new QLabel(message, this);
        label->setTextFormat(Qt::PlainText);
        layout->addWidget(label);
        if (withInput) {
            input_ = new QLineEdit(this);
            input_->setMaxLength(maxLength > 0 ? maxLength : 1);
            layout->addWidget(input_);
        }
        auto* row = new QHBoxLayout;
        row->addStretch();
        for (int i = 0; i < buttons.size(); ++i) {
            auto* b = new QPushButton(buttons[i], this);
            b->setAutoDefault(false);
            connect(b, &QPushButton::clicked, this, [this, i] { done(i + 1); });
            row->addWidget(b);
            buttons_.push_back(b);
        }
        layout->addLayout(row);
        if (input_)
            input_->setFocus();
        else if (active >= 1 && active <= buttons_.size())
            buttons_[active - 1]->setFocus();
    }
    QString text() const { return input_ ? input_->text() : QString(); }

protected:
    void keyPressEvent(QKeyEvent* e) override
    {
        if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) {
            done(enter_);
            return;
        }
        if (e->key() == Qt::Key_Escape) {
            done(escape_);
            return;
        }
        QDialog::keyPressEvent(e);
    }
    void closeEvent(QCloseEvent* e) override
    {
        // Closing the window counts as the Escape button, never as "no button".
        e->ignore();
        done(escape_);
    }

private:
    int enter_;
    int escape_;
    QLineEdit* input_ = nullptr;
    QList<QPushButton*> buttons_;
};

}  // namespace

namespace {

int messageOnScreen(const PopupCall& call)
{
    QMessageBox box(QMessageBox::NoIcon, QString::fromStdString(call.title),
                    QString::fromStdString(call.message), QMessageBox::Ok, dialogParent());
    box.setTextFormat(Qt::PlainText);
    box.exec();
    return 0;
}

int confirmOnScreen(const PopupCall& call)
{
    QMessageBox box(QMessageBox::Question, QString::fromStdString(call.title),
                    QString::fromStdString(call.message), QMessageBox::Yes | QMessageBox::No,
                    dialogParent());
    box.setTextFormat(Qt::PlainText);
    // Return chooses the button the caller asked for: No where yes would write or replace.
    box.setDefaultButton(call.defaultButton == 2 ? QMessageBox::No : QMessageBox::Yes);
    return box.exec() == QMessageBox::Yes ? 1 : 0;
}

int genericOnScreen(const PopupCall& call, int buttonCount, bool withInput, int active, int enter,
                    int escape, std::string& response)
{
    QStringList names;
    for (int i = 0; i < buttonCount; ++i)
        names << QString::fromStdString(call.buttons[i]);
    GenericDialog dialog(QString::fromStdString(call.title), QString::fromStdString(call.message),
                         names, withInput, call.maxResponseLength, active, enter, escape);
    const int result = dialog.exec();
    response = dialog.text().toStdString();
    return result;
}

}  // namespace

void platform_internal::InstallDialogPopups()
{
    static const PopupScreen screen{messageOnScreen, confirmOnScreen, genericOnScreen,
                                    FileSelectOnScreen};
    SetPopupScreen(&screen);
}
