#include "ui/send_snapshots.h"

#include <string>

#include "link/sensor_context.h"
#include "link/sensor_snapshot.h"
#include "params/snapshots.h"
#include "platform/controls.h"
#include "ui/panel_handles.h"
#include "ui/uir.h"

namespace {

// What the sensor was last seen to hold, and which sensor that was: a reconnection to another
// sensor must not file the old one's values under the new one's serial number.
Configuration seen{};
SensorIdentity seenOn{};
bool seenKnown = false;
bool afterDue = false;
bool assistantRuns = false;

bool sameSensor(const SensorIdentity& a, const SensorIdentity& b)
{
    return a.serial == b.serial && a.firmware == b.firmware;
}

void keep(const Configuration& configuration, const char* reason)
{
    std::string message;
    if (KeepSnapshot(configuration, ConnectedSensorIdentity(), reason, &message) < 0)
        SetCtrlVal(ConnectPage, CONP_STATUSBOX, message.c_str());
}

// Keeps what the connected sensor was last seen to hold.
void keepSeen(const char* reason)
{
    if (SensorConnected == 1 && seenKnown && sameSensor(seenOn, ConnectedSensorIdentity()))
        keep(seen, reason);
}

}  // namespace

void SensorHolds(const Configuration& configuration)
{
    seen = configuration;
    seenOn = ConnectedSensorIdentity();
    seenKnown = true;
}

void SendStarts()
{
    afterDue = true;
    keepSeen("before SEND");
}

void SensorWritten(int valuesReset)
{
    if (valuesReset) {
        // What the sensor holds now only a read can tell.
        seenKnown = false;
    } else {
        SensorHolds(WorkingCopy());
        if (afterDue)
            keep(seen, "after SEND");
    }
    afterDue = false;
}

void SendEnds() { afterDue = false; }

void AssistantStarts()
{
    keepSeen("before teach assistant");
    assistantRuns = true;
}

void AssistantEnds()
{
    assistantRuns = false;
    keepSeen("after teach assistant");
}

bool SensorReadsKept() { return !assistantRuns; }
