#include "platform/popups.h"

#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>

#include <cstring>

namespace {

PopupHook hook;

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

void SetPopupHook(PopupHook h) { hook = std::move(h); }

bool platform_internal::AnswerFromHook(const PopupCall& call, std::string& response, int* result)
{
    if (!hook)
        return false;
    *result = hook(call, response);
    return true;
}

int MessagePopup(const char* title, const char* message)
{
    PopupCall call{PopupKind::Message, title ? title : "", message ? message : "", {"OK", "", ""}, 0};
    std::string response;
    int result = 0;
    if (platform_internal::AnswerFromHook(call, response, &result))
        return 0;
    QMessageBox box(QMessageBox::NoIcon, QString::fromStdString(call.title),
                    QString::fromStdString(call.message), QMessageBox::Ok, dialogParent());
    box.setTextFormat(Qt::PlainText);
    box.exec();
    return 0;
}

int ConfirmPopup(const char* title, const char* message)
{
    PopupCall call{PopupKind::Confirm, title ? title : "", message ? message : "", {"Yes", "No", ""}, 0};
    std::string response;
    int result = 0;
    if (platform_internal::AnswerFromHook(call, response, &result))
        return result ? 1 : 0;
    QMessageBox box(QMessageBox::Question, QString::fromStdString(call.title),
                    QString::fromStdString(call.message), QMessageBox::Yes | QMessageBox::No,
                    dialogParent());
    box.setTextFormat(Qt::PlainText);
    box.setDefaultButton(QMessageBox::Yes);
    return box.exec() == QMessageBox::Yes ? 1 : 0;
}

int GenericMessagePopup(const char* title, const char* message, const char* btn1, const char* btn2,
                        const char* btn3, char* responseBuffer, int maxResponseLength,
                        int activeButton, int enterButton, int escapeButton)
{
    PopupCall call{PopupKind::Generic, title ? title : "", message ? message : "",
                   {btn1 ? btn1 : "", btn2 ? btn2 : "", btn3 ? btn3 : ""}, maxResponseLength};
    int buttonCount = 1;
    if (!call.buttons[1].empty())
        buttonCount = call.buttons[2].empty() ? 2 : 3;
    auto clampButton = [buttonCount](int b) { return b >= 1 && b <= buttonCount ? b : 1; };
    std::string response;
    int result = 0;
    if (!platform_internal::AnswerFromHook(call, response, &result)) {
        QStringList names;
        for (int i = 0; i < buttonCount; ++i)
            names << QString::fromStdString(call.buttons[i]);
        GenericDialog dialog(QString::fromStdString(call.title), QString::fromStdString(call.message),
                             names, responseBuffer != nullptr, maxResponseLength,
                             clampButton(activeButton), clampButton(enterButton),
                             clampButton(escapeButton));
        result = dialog.exec();
        response = dialog.text().toStdString();
    }
    result = clampButton(result);
    if (responseBuffer && maxResponseLength >= 0) {
        // The buffer holds maxResponseLength characters and the terminating zero.
        size_t n = std::min(response.size(), static_cast<size_t>(maxResponseLength));
        while (n > 0 && n < response.size() && (uint8_t(response[n]) & 0xC0) == 0x80)
            --n;
        std::memcpy(responseBuffer, response.data(), n);
        responseBuffer[n] = '\0';
    }
    return result;
}
