// What the link tells the program around it. The link knows no window: where an operation must
// refresh views, report to the operator or dim controls, it calls one of these notifications.
// The window fills them in at start-up (ui/link_views.cpp); a program without a window may fill
// in the ones it cares about (a command line prints the status box, for example) and leaves the
// others empty, which makes them do nothing.
//
// Every notification runs on the one thread, inside the link operation that raises it, and may
// process events (a callback can run inside it).
#pragma once

struct LinkNotifications {
    // The interface status display shows text: "TRY TO CONNECT!", "TIMEOUT!",
    // "NO SENSOR CONNECTED!" or the sensor's firmware version.
    void (*statusDisplay)(const char* text) = nullptr;
    // Text is appended to the status box (each message brings its own line breaks).
    void (*statusBox)(const char* text) = nullptr;
    // A link error has just been reported through statusDisplay and statusBox; the window dims
    // ACCEPT and shows the connection page.
    void (*linkFailed)() = nullptr;
    // GetPara is about to append the EEPROM plausibility notice; the window shows the
    // connection page first.
    void (*showConnectionPage)() = nullptr;
    // GetPara has read the parameter set and teach table into the working copy.
    void (*parametersRead)() = nullptr;
    // The live-data loop has a new sample in LiveData.
    void (*liveSample)() = nullptr;
    // A TCP connect is under way (1) or over (0); the window shows the wait cursor meanwhile.
    void (*busy)(int on) = nullptr;
};

// Replaces every notification at once; a default-constructed set empties them all.
void SetLinkNotifications(const LinkNotifications& notifications);

// Calls the notification when it is set. Used inside the link only.
void NotifyStatusDisplay(const char* text);
void NotifyStatusBox(const char* text);
void NotifyLinkFailed();
void NotifyShowConnectionPage();
void NotifyParametersRead();
void NotifyLiveSample();
void NotifyBusy(int on);
