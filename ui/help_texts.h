// The right-click help of the operating controls: one fixed English text per control callback,
// shown in an "INFO!" pop-up. The callbacks with actions call ShowHelpText on EVENT_RIGHT_CLICK
// with their constant; the help-only callbacks are in ui/help_callbacks.h.
#pragma once

#include <cstddef>

extern const char kHelpTabMain1[];                   // main tab control
extern const char kHelpButtonSend[];                 // SEND button
extern const char kHelpButtonGet[];                  // GET button
extern const char kHelpButtonGo[];                   // GO button
extern const char kHelpButtonStop[];                 // STOP button
extern const char kHelpEditAverage[];                // AVERAGE control
extern const char kHelpButtonFREQ[];                 // cycle-time button
extern const char kHelpDispScanFreq[];               // scan-frequency display
extern const char kHelpEditSelectLanguage[];         // language selector
extern const char kHelpButtonStart[];                // START button
extern const char kHelpSelectMem[];                  // sensor toggle, file toggle
extern const char kHelpEditSelectComPort[];          // COM port selector
extern const char kHelpEditSelectBaudrate[];         // baud-rate selector
extern const char kHelpEditCommunicationProtocol[];  // protocol selector
extern const char kHelpStringIpAdress[];             // IP address field
extern const char kHelpStringPortNumber[];           // port number field
extern const char kHelpButtonTryToConnect[];         // TRY TO CONNECT button
extern const char kHelpButtonDisconnect[];           // DISCONNECT button
extern const char kHelpButtonAccept[];               // ACCEPT button
extern const char kHelpButtonFindComPorts[];         // FIND COM PORTS button
extern const char kHelpDispX[];                      // X display
extern const char kHelpDispY[];                      // Y display
extern const char kHelpDispINT[];                    // INT display
extern const char kHelpDispRGB[];                    // R, G, B displays / RGB strip chart
extern const char kHelpDispCOL[];                    // colour number display
extern const char kHelpGraph3D[];                    // graphs of the data panel
extern const char kHelpButtonRecord[];               // RECORD toggle
extern const char kHelpButtonRecordFolder[];         // recording folder button
extern const char kHelpRingRecordRate[];             // recording rate choice
extern const char kHelpButtonOpenRecording[];        // OPEN a recording
extern const char kHelpReplayPlay[];                 // replay bar: PLAY/pause
extern const char kHelpReplaySpeed[];                // replay bar: speed
extern const char kHelpReplayTime[];                 // replay bar: time cursor
extern const char kHelpReplayClose[];                // replay bar: LIVE

// Callback name and its help text, for every control that has one.
struct HelpTextEntry {
    const char* callback;
    const char* text;
};
extern const HelpTextEntry kHelpTexts[];
extern const size_t kHelpTextCount;

// Shows `text` in the modal message pop-up titled "INFO!" and returns 0 once it is closed.
// A null text shows an empty pop-up.
int ShowHelpText(const char* text);
