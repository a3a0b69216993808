#include "tests/support/popup_script.h"

#include <gtest/gtest.h>

PopupScript::PopupScript()
{
    SetPopupHook([this](const PopupCall& call, std::string& response) {
        shown_.push_back(call);
        if (script_.empty()) {
            ADD_FAILURE() << "unexpected pop-up \"" << call.title << "\": " << call.message;
            return call.kind == PopupKind::Generic ? 1 : 0;
        }
        Step step = script_.front();
        script_.pop_front();
        if (step.checkKind) {
            EXPECT_EQ(static_cast<int>(step.kind), static_cast<int>(call.kind))
                << "pop-up \"" << call.title << "\": " << call.message;
        }
        response = step.response;
        return step.result;
    });
}

PopupScript::~PopupScript()
{
    SetPopupHook({});
    EXPECT_TRUE(script_.empty()) << script_.size() << " scripted pop-up(s) never came";
}

PopupScript& PopupScript::answer(int result, std::string response)
{
    script_.push_back(Step{false, PopupKind::Message, result, std::move(response)});
    return *this;
}

PopupScript& PopupScript::answer(PopupKind kind, int result, std::string response)
{
    script_.push_back(Step{true, kind, result, std::move(response)});
    return *this;
}
