// Snapshots the window takes from what it holds, so that they add no exchange: around the SEND
// button's transfers to the sensor and around the teach assistant. Before, the configuration
// the sensor was last seen to hold; after a SEND, what was sent once the sensor accepted it
// unchanged (when it reset values, the read-back of ui/send_resets.h keeps what it holds
// instead); after the assistant, what it left in the sensor. Each is kept only when it differs
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

// The teach assistant reads and writes the sensor at every step of its adjustment: instead of
// a snapshot per step, it keeps one before it starts and one when it ends, and reads keep none
// meanwhile.
void AssistantStarts();
void AssistantEnds();
// False while the assistant runs: a read is then no news worth a snapshot of its own.
bool SensorReadsKept();
