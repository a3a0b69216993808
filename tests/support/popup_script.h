// Answers the program's pop-ups in tests: each expected pop-up is scripted in order with its
// answer; every pop-up that comes is recorded. A pop-up beyond the script fails the test and is
// answered with the escape choice (0 / button 1).
#pragma once

#include <deque>
#include <string>
#include <vector>

#include "platform/popups.h"

class PopupScript {
public:
    PopupScript();
    ~PopupScript();
    PopupScript(const PopupScript&) = delete;
    PopupScript& operator=(const PopupScript&) = delete;

    // The next pop-up is answered with `result` (and `response` for an input field). When
    // title is given the pop-up must carry exactly that title.
    PopupScript& answer(int result, std::string response = {});
    PopupScript& answer(PopupKind kind, int result, std::string response = {});

    // Every pop-up shown so far, in order.
    const std::vector<PopupCall>& shown() const { return shown_; }
    // How many scripted answers are still waiting.
    size_t pending() const { return script_.size(); }

private:
    struct Step {
        bool checkKind;
        PopupKind kind;
        int result;
        std::string response;
    };
    std::deque<Step> script_;
    std::vector<PopupCall> shown_;
};
