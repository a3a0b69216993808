// The notifications a sensor's context carries (see link/link_notify.h for what each means to
// the program around the link). Every one may be null, which makes it do nothing.
#pragma once

struct SensorContext;

struct LinkNotifications {
    // The interface status display shows text: "TRY TO CONNECT!", "TIMEOUT!",
    // "NO SENSOR CONNECTED!" or the sensor's firmware version.
    void (*statusDisplay)(const char* text) = nullptr;
    // Text is appended to the status box (each message brings its own line breaks).
    void (*statusBox)(const char* text) = nullptr;
    // The same text with the context it was reported on, for a program that serves many
    // sensors with one set of notifications and keeps each sensor's status box apart.
    void (*contextStatusBox)(SensorContext& c, const char* text) = nullptr;
    // A link error has just been reported through statusDisplay and statusBox; the window dims
    // ACCEPT and shows the connection page.
    void (*linkFailed)() = nullptr;
    // GetPara is about to append the EEPROM plausibility notice; the window shows the
    // connection page first.
    void (*showConnectionPage)() = nullptr;
    // GetPara has read the parameter set and teach table into the working copy.
    void (*parametersRead)() = nullptr;
    // SendPara has written the working copy to the sensor (and stored it in EEPROM when that
    // was the target). valuesReset is 1 when the sensor answered a block with its plausibility
    // notice: it then holds other values than those sent.
    void (*parametersWritten)(int valuesReset) = nullptr;
    // The live-data loop has a new sample in LiveData.
    void (*liveSample)() = nullptr;
    // A TCP connect is under way (1) or over (0); the window shows the wait cursor meanwhile.
    void (*busy)(int on) = nullptr;
};
