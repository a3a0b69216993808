// The command line of chromix5ctl, parsed apart from main so that it can be tested:
//
//   chromix5ctl SUBCOMMAND [OPTIONS] SENSOR...
//
// Subcommands identify, backup, restore, compare, monitor, pin, serve; options may stand before
// or after the sensors. See Usage() for each.
#pragma once

#include <string>
#include <vector>

#include "cli/mqtt_settings.h"
#include "cli/sensor_address.h"

namespace cli {

enum class Subcommand { None, Identify, Backup, Restore, Compare, Monitor, Pin, Serve };

struct Options {
    Subcommand command = Subcommand::None;
    bool help = false;
    bool json = false;                 // --json: one JSON object per result line
    std::vector<SensorAddress> sensors;   // given by name and from --file lists, in that order
    std::vector<std::string> listFiles;   // the --file lists, which serve reads again on SIGHUP
    int jobs = 16;                     // --jobs N: sensors restore writes at once, and when
    bool jobsGiven = false;            //   given, sensors any subcommand serves at once
    std::string file;                  // backup -o FILE; restore and compare FILE (a pattern)
    bool eeprom = false;               // restore --eeprom
    bool force = false;                // restore and pin --force: onto another serial number
    bool reference = false;            // compare --reference: with the sensor's pinned reference
    bool plain = false;                // backup --plain: without the identity section
    double rate = 0;                   // monitor --rate HZ; 0 = as fast as the sensor answers;
                                       //   serve --rate HZ, 10 when not given
    long long count = 0;               // monitor --count N; 0 = until interrupted
    std::string csv;                   // monitor --csv FILE|-; "" = none
    std::string mqttHost;              // monitor and serve --mqtt HOST[:PORT]
    int mqttPort = 1883;               // 8883 with TLS when HOST has no port
    bool mqttPortGiven = false;
    std::string topic;                 // monitor --topic PREFIX; serve's, "chromix5" when not given
    MqttSettings mqtt;                 // monitor and serve --mqtt-...: QoS, login, TLS
    std::string dataDir;               // --data DIR: the data folder (snapshots, references,
                                       //   restore marks, backups); "" = the user's
    bool allowWrite = false;           // serve --allow-write: requests may write to sensors
};

// Exit codes, the same for one sensor and for a fleet (where the highest of the sensors' codes
// is the program's).
enum ExitCode : int {
    kExitOk = 0,
    kExitDifferent = 1,    // compare found differences; restore read back something else or the
                           // sensor reported implausible values
    kExitLink = 2,         // the sensor could not be reached or an exchange failed
    kExitFile = 3,         // a parameter file could not be read, is not one, or was not written
    kExitOutput = 4,       // the CSV output or the MQTT broker failed: the broker could not be
                           // reached or refused the login or TLS, or not every sample reached it
                           // (dropped from the queue, or never acknowledged at QoS 1 or 2)
    kExitUnsupported = 5,  // the firmware is not one the tool supports
    kExitOtherSensor = 6,  // restore: the file names a sensor of another edition, or of another
                           // serial number without --force; nothing was sent
    kExitUsage = 64,       // bad command line
};

// Parses argv[1..]. Returns false with a one-line message in *error (the caller prints it with
// the program's name and exits with kExitUsage). --help needs nothing else to be valid.
bool ParseArguments(int argc, const char* const* argv, Options* options, std::string* error);

// The help text of a subcommand, or the overview for Subcommand::None.
const char* Usage(Subcommand command);
const char* SubcommandName(Subcommand command);

}  // namespace cli
