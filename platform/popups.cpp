#include "platform/popups.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "platform/files.h"

namespace {

PopupHook hook;
const platform_internal::PopupScreen* screen = nullptr;

// Without a screen a pop-up is written to stderr and takes the answer that changes nothing.
void printPopup(const PopupCall& call)
{
    std::fprintf(stderr, "%s\n%s\n", call.title.c_str(), call.message.c_str());
}

const char* ButtonText(int buttonLabel)
{
    switch (buttonLabel) {
    case VAL_SAVE_BUTTON: return "Save";
    case VAL_SELECT_BUTTON: return "Select";
    case VAL_LOAD_BUTTON: return "Load";
    default: return "OK";
    }
}

}  // namespace

void SetPopupHook(PopupHook h) { hook = std::move(h); }

bool platform_internal::StorePath(const std::string& path, char* pathName)
{
    if (!pathName || path.empty() || path.size() >= static_cast<size_t>(MAX_PATHNAME_LEN))
        return false;
    std::memcpy(pathName, path.data(), path.size());
    pathName[path.size()] = '\0';
    return true;
}

void platform_internal::SetPopupScreen(const PopupScreen* s) { screen = s; }

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
    if (!screen) {
        printPopup(call);
        return 0;
    }
    return screen->message(call);
}

namespace {

constexpr int kYesButton = 1;
constexpr int kNoButton = 2;

int confirm(const char* title, const char* message, int defaultButton)
{
    PopupCall call{PopupKind::Confirm, title ? title : "", message ? message : "", {"Yes", "No", ""},
                   0, defaultButton};
    std::string response;
    int result = 0;
    if (platform_internal::AnswerFromHook(call, response, &result))
        return result ? 1 : 0;
    if (!screen) {
        printPopup(call);
        return 0;
    }
    return screen->confirm(call);
}

}  // namespace

int ConfirmPopup(const char* title, const char* message) { return confirm(title, message, kYesButton); }

int ConfirmPopupDefaultNo(const char* title, const char* message)
{
    return confirm(title, message, kNoButton);
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
    call.defaultButton = clampButton(enterButton);
    std::string response;
    int result = 0;
    if (!platform_internal::AnswerFromHook(call, response, &result)) {
        if (screen) {
            result = screen->generic(call, buttonCount, responseBuffer != nullptr,
                                     clampButton(activeButton), clampButton(enterButton),
                                     clampButton(escapeButton), response);
        } else {
            printPopup(call);
            result = escapeButton;
        }
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

int FileSelectPopup(const char* defaultDirectory, const char* defaultFileSpec,
                    const char* fileTypeList, const char* title, int buttonLabel,
                    int restrictDirectory, int restrictExtension, int allowCancel,
                    int allowMakeDirectory, char* pathName)
{
    PopupCall call{PopupKind::FileSelect,
                   title ? title : "",
                   defaultDirectory ? defaultDirectory : "",
                   {defaultFileSpec ? defaultFileSpec : "", fileTypeList ? fileTypeList : "",
                    ButtonText(buttonLabel)},
                   MAX_PATHNAME_LEN - 1};
    std::string response;
    int result = VAL_NO_FILE_SELECTED;
    if (!platform_internal::AnswerFromHook(call, response, &result)) {
        if (!screen) {
            printPopup(call);
            return VAL_NO_FILE_SELECTED;
        }
        result = screen->fileSelect(call, buttonLabel, restrictDirectory, restrictExtension,
                                    allowCancel, allowMakeDirectory, response);
    }
    if (result != VAL_EXISTING_FILE_SELECTED && result != VAL_NEW_FILE_SELECTED)
        return VAL_NO_FILE_SELECTED;
    return platform_internal::StorePath(response, pathName) ? result : VAL_NO_FILE_SELECTED;
}
