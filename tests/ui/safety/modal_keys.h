// Answers the real modal dialogs from the keyboard, as an operator would: whenever another
// dialog comes on top, the next key of the list goes to the widget that has its focus.
#pragma once

#include <QList>
#include <QTimer>

#include <string>
#include <vector>

class ModalKeys {
public:
    explicit ModalKeys(QList<int> keys);
    ~ModalKeys();
    ModalKeys(const ModalKeys&) = delete;
    ModalKeys& operator=(const ModalKeys&) = delete;

    struct Seen {
        std::string title;
        std::string text;           // a message box's text
        std::string defaultButton;  // a message box's default button, without "&"
    };
    // Every dialog that got a key, in order.
    const std::vector<Seen>& seen() const { return seen_; }
    // Keys not pressed yet.
    int pending() const { return static_cast<int>(keys_.size()); }

private:
    void poll();
    QList<int> keys_;
    QTimer timer_;
    QWidget* last_ = nullptr;
    std::vector<Seen> seen_;
};
