// The command line's only door to the sensor link and the parameter-file code: the same
// operations the window runs (GetPara, SendPara, the parameter file's writer and reader, the
// identification request), driven without a window. The link keeps one conversation per
// process in its module-level state, so a process talks to one sensor at a time.
//
// Functions return 1 on success and -1 on failure with a one-line reason in *error (the link's
// own message where it gave one, its line breaks turned into blanks).
#pragma once

#include <string>

#include "cli/sensor_address.h"
#include "record/live_csv.h"

namespace cli {

// Starts the run-time without a display. Pop-ups of the code below are answered here instead of
// shown (file dialogs get the path the command line named, questions are answered no) and their
// texts collected for the caller. Returns false with a reason.
bool StartHeadless(int argc, char** argv, std::string* error);

// Opens the transport the name gives. A serial device given by path is reached through a port
// number that no device table uses (the link addresses serial ports by number).
int OpenSensor(const SensorAddress& address, std::string* error);
// Ends the conversation or closes the port; harmless when nothing is open.
void CloseSensor();

struct SensorIdentity {
    std::string firmware;  // the full firmware text
    unsigned serial = 0;
    int edition = 0;       // 0 = not supported
};
// The identification request, read as the window reads it (SerialNumber, FirmwareText and
// SensorEdition are set too).
int IdentifySensor(SensorIdentity* identity, std::string* error);

// GetPara: the parameter set and teach rows 0 to 31 into the working copy, after an EEPROM load
// when fromEeprom is set. *notice gets the sensor's report that values it loaded from EEPROM
// were implausible (empty when there was none).
int ReadSensorParameters(bool fromEeprom, std::string* notice, std::string* error);

// SendPara: the working copy to the sensor's working memory, and into its EEPROM when toEeprom.
// *notice gets the sensor's report that it replaced implausible values (the write went on).
int WriteSensorParameters(bool toEeprom, std::string* notice, std::string* error);

// One live-data request; the sample carries the time it arrived and pass 0.
int ReadLiveSample(record::LiveSample* sample, std::string* error);

// The working copy written as the window's save to a parameter file writes it, followed by the
// identity section when identity is given. -1 with the writer's reason when the file was not
// written (a target that is not a regular file is refused and left as it is).
int SaveParameterFile(const std::string& path, const SensorIdentity* identity, std::string* error);

// The working copy loaded from path exactly as the window loads a chosen parameter file.
// *report gets the reports of values that fell back or were cut (empty when none). A file that
// cannot be read, or is not a parameter file (its header questions are answered no), gives -1
// and leaves the working copy unchanged.
int LoadParameterFile(const std::string& path, std::string* report, std::string* error);

}  // namespace cli
