// The command line's only door to the sensor link and the parameter-file code: the same
// operations the window runs (GetPara, SendPara, the parameter file's writer and reader, the
// identification request), driven without a window, on the session's own context. The link
// operations are tasks (cli/task.h): on TCP they never block, so one process serves a fleet.
//
// Functions return 1 on success and -1 on failure with a one-line reason in *error (the link's
// own message where it gave one, its line breaks turned into blanks).
#pragma once

#include <string>

#include "cli/sensor_address.h"
#include "cli/sensor_session.h"
#include "cli/task.h"
#include "params/configuration.h"
#include "record/live_csv.h"

namespace cli {

// Starts the run-time without a display. Pop-ups of the code below are answered here instead of
// shown (file dialogs get the path the command line named, questions are answered no) and their
// texts collected for the caller. Returns false with a reason.
bool StartHeadless(int argc, char** argv, std::string* error);

// Opens the transport the name gives on the session's context. A serial device given by path is
// reached through a port number that no device table uses (the link addresses serial ports by
// number); there are kDevicePorts of them, so that many such sensors can be open at once. A TCP
// sensor is connected without holding up the other sensors' tasks.
Task<int> OpenSensor(SensorSession& session, const SensorAddress& address, std::string* error);
inline constexpr int kDevicePorts = 48;
// Ends the conversation or closes the port; harmless when nothing is open.
void CloseSensor(SensorSession& session);

struct SensorIdentity {
    std::string firmware;  // the full firmware text
    unsigned serial = 0;
    int edition = 0;       // 0 = not supported
};
// The identification request, read as the window reads it.
Task<int> IdentifySensor(SensorSession& session, SensorIdentity* identity, std::string* error);

// GetPara: the parameter set and teach rows 0 to 31 into the working copy, after an EEPROM load
// when fromEeprom is set. *notice gets the sensor's report that values it loaded from EEPROM
// were implausible (empty when there was none).
Task<int> ReadSensorParameters(SensorSession& session, bool fromEeprom, std::string* notice, std::string* error);

// SendPara: the working copy to the sensor's working memory, and into its EEPROM when toEeprom.
// *notice gets the sensor's report that it replaced implausible values (the write went on).
Task<int> WriteSensorParameters(SensorSession& session, bool toEeprom, std::string* notice, std::string* error);

// One live-data request; the sample carries the time it arrived and pass 0.
Task<int> ReadLiveSample(SensorSession& session, record::LiveSample* sample, std::string* error);

// The session's working copy.
Configuration WorkingCopyOf(const SensorSession& session);

// The working copy written as the window's save to a parameter file writes it, followed by the
// identity section when identity is given. 1 once the file is durable and in place (other
// sensors go on while it is written); -1 with the writer's reason when the file was not
// written (a target that is not a regular file is refused and left as it is).
Task<int> SaveParameterFile(SensorSession& session, const std::string& path, const SensorIdentity* identity,
                            std::string* error);

// The working copy loaded from path exactly as the window loads a chosen parameter file.
// *report gets the reports of values that fell back or were cut (empty when none). A file that
// cannot be read, or is not a parameter file (its header questions are answered no), gives -1
// and leaves the working copy unchanged.
int LoadParameterFile(SensorSession& session, const std::string& path, std::string* report, std::string* error);

}  // namespace cli
