// Modal pop-ups. Each one blocks its caller until it is answered, while events keep being
// processed (TCP data, other windows' painting).
//
// In a program without windows (InitRunTimeWithoutWindow, no InitRunTime) nobody can answer:
// each pop-up writes its title and text to stderr and takes the answer that changes nothing:
// MessagePopup 0, ConfirmPopup 0 (no), GenericMessagePopup its escapeButton with an empty
// input, FileSelectPopup VAL_NO_FILE_SELECTED. A hook (SetPopupHook) answers instead when set.
#pragma once

#include <cstddef>
#include <functional>
#include <string>

// One OK button. Returns 0.
int MessagePopup(const char* title, const char* message);
// Yes and No, Return choosing Yes. Returns 1 for yes, 0 for no.
int ConfirmPopup(const char* title, const char* message);
// Yes and No, Return choosing No: for the questions whose yes writes to the sensor or replaces
// a file, so that a stray Return changes nothing. Returns 1 for yes, 0 for no.
int ConfirmPopupDefaultNo(const char* title, const char* message);

// Up to three buttons (btn2 and btn3 may be null or empty for none) and, when responseBuffer is
// not null, a text field of at most maxResponseLength characters whose text is copied there
// (terminated; the buffer holds maxResponseLength + 1 bytes). enterButton and escapeButton
// (1 to 3) are the buttons that Enter and Escape choose; activeButton has the focus.
// Returns the number of the button pressed.
int GenericMessagePopup(const char* title, const char* message, const char* btn1, const char* btn2,
                        const char* btn3, char* responseBuffer, int maxResponseLength,
                        int activeButton, int enterButton, int escapeButton);

// For tests: every pop-up goes to the hook instead of the screen. The hook gets the kind, the
// title, the message and the buttons, may fill `response` (input field or file path) and
// returns what the pop-up would have returned. An empty hook restores the real pop-ups.
enum class PopupKind { Message, Confirm, Generic, FileSelect, DirSelect };
struct PopupCall {
    PopupKind kind;
    std::string title;
    std::string message;
    std::string buttons[3];
    int maxResponseLength = 0;
    // The button Return chooses, counted from 1 (a question's Yes is 1, its No 2).
    int defaultButton = 1;
};
using PopupHook = std::function<int(const PopupCall& call, std::string& response)>;
void SetPopupHook(PopupHook hook);

namespace platform_internal {
// Copies a chosen path into the caller's buffer of MAX_PATHNAME_LEN bytes; false when it is
// empty or does not fit, since a cut path would name another file or folder.
bool StorePath(const std::string& path, char* pathName);
// Hands a call to the hook when one is set; true when the hook answered (*result set).
bool AnswerFromHook(const PopupCall& call, std::string& response, int* result);

// How the pop-ups reach the screen, inside the platform layer only. The run-time with windows
// installs the Qt dialogs (InitRunTime, platform/popup_dialogs.cpp); until then, and in a
// program without windows, the pop-ups print to stderr and take their safe answer.
struct PopupScreen {
    int (*message)(const PopupCall& call);
    int (*confirm)(const PopupCall& call);
    // Returns the button pressed (1 to buttonCount); response gets the input field's text.
    int (*generic)(const PopupCall& call, int buttonCount, bool withInput, int active, int enter,
                   int escape, std::string& response);
    // Returns a VAL_ result of FileSelectPopup; path gets the chosen file's absolute path.
    int (*fileSelect)(const PopupCall& call, int buttonLabel, int restrictDirectory,
                      int restrictExtension, int allowCancel, int allowMakeDirectory,
                      std::string& path);
};
// The screen the pop-ups use; null prints to stderr.
void SetPopupScreen(const PopupScreen* screen);
void InstallDialogPopups();
int FileSelectOnScreen(const PopupCall& call, int buttonLabel, int restrictDirectory,
                       int restrictExtension, int allowCancel, int allowMakeDirectory,
                       std::string& path);
}  // namespace platform_internal
