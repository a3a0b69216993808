#include "tests/ui/safety/modal_keys.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTest>

ModalKeys::ModalKeys(QList<int> keys) : keys_(std::move(keys))
{
    QObject::connect(&timer_, &QTimer::timeout, [this] { poll(); });
    timer_.start(20);
}

ModalKeys::~ModalKeys() { timer_.stop(); }

void ModalKeys::poll()
{
    QWidget* top = QApplication::activeModalWidget();
    if (!top || top == last_ || keys_.isEmpty())
        return;
    last_ = top;
    Seen s;
    s.title = top->windowTitle().toStdString();
    if (auto* box = qobject_cast<QMessageBox*>(top)) {
        s.text = box->text().toStdString();
        if (QPushButton* b = box->defaultButton())
            s.defaultButton = b->text().remove('&').toStdString();
    }
    seen_.push_back(s);
    // The key goes where the keyboard would send it: the dialog's focus widget.
    // Queued, so that the answer's own modal loop does not run inside this timer's call, which
    // would keep the timer from firing for the dialogs that follow.
    QPointer<QWidget> target = top->focusWidget() ? top->focusWidget() : top;
    const auto key = static_cast<Qt::Key>(keys_.takeFirst());
    QMetaObject::invokeMethod(
        target,
        [target, key] {
            if (target)
                QTest::keyClick(target, key);
        },
        Qt::QueuedConnection);
}
