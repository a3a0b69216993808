#include "params/assistant_prompts.h"

#include <climits>

#include "params/program_state.h"
#include "platform/popups.h"

namespace {

constexpr int kButtonOk = 1;
constexpr int kButtonCancel = 2;

const char* text(AssistantMessage msg) { return AssistantText(msg, LanguageIndex); }

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f'; }

}  // namespace

void ShowAssistantMessage(AssistantMessage msg, const char* title)
{
    MessagePopup(title, text(msg));
}

bool AskAssistantQuestion(AssistantMessage msg) { return ConfirmPopup("", text(msg)) == 1; }

bool AskAssistantOkCancel(AssistantMessage msg, const char* title, char* input)
{
    const int button = GenericMessagePopup(title, text(msg), "OK", "CANCEL", nullptr, input,
                                           input ? kColorCountInputLength : 0, kButtonOk,
                                           kButtonOk, kButtonCancel);
    return button == kButtonOk;
}

int ColorCountFromText(const char* text)
{
    if (text == nullptr)
        return 0;
    const char* p = text;
    while (isBlank(*p))
        ++p;
    bool negative = false;
    if (*p == '+' || *p == '-')
        negative = *p++ == '-';
    long long value = 0;
    for (; *p >= '0' && *p <= '9'; ++p) {
        // Anything this large is out of range already; stop growing before it could overflow.
        if (value < INT_MAX)
            value = value * 10 + (*p - '0');
    }
    if (value > INT_MAX)
        value = INT_MAX;
    return negative ? -static_cast<int>(value) : static_cast<int>(value);
}
