// Snapshots around the SEND button's transfers to the sensor, taken from what the window holds
// so that they add no exchange: before, the configuration the sensor was last seen to hold;
// after, what was sent once the sensor accepted it unchanged (when it reset values, the
// read-back of ui/send_resets.h keeps what it holds instead). Each is kept only when it differs
// from that sensor's newest snapshot (params/snapshots.h), so a SEND of what the sensor holds
// already, or right after a read, adds nothing.
#pragma once

#include "params/configuration.h"

// The connected sensor was seen to hold configuration: it was read, or it accepted a write
// unchanged.
void SensorHolds(const Configuration& configuration);
// The SEND button sends the working copy to the sensor, now or at the live loop's next pass:
// keeps the "before SEND" snapshot and makes the next accepted write keep the "after" one.
void SendStarts();
// The link wrote the working copy to the sensor (its parametersWritten notification).
void SensorWritten(int valuesReset);
// The link failed, or the SEND that started wrote nothing: no "after" snapshot is due.
void SendEnds();
