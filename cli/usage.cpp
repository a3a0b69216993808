// The --help texts, one per subcommand.
#include "cli/options.h"

namespace cli {

namespace {

#define SENSORS_PART                                                                             \
    "\n"                                                                                          \
    "Sensors:\n"                                                                                  \
    "  tcp:HOST[:PORT]          TCP/IP (port 10001 when none is given)\n"                         \
    "  serial:NUMBER[@BAUD]     serial port by number, as the window counts them\n"               \
    "  serial:DEVICE[@BAUD]     serial device by path; BAUD 9600 ... 921600, default 115200\n"   \
    "  --file LIST              one sensor a line ('#' starts a comment line)\n"                  \
    "One process serves every sensor at once (restore writes to --jobs N at a time, default 16;\n" \
    "--jobs N bounds the other subcommands too when given); each sensor gets its own result\n"    \
    "line, in list order, and the exit code is the highest of theirs.\n"                          \
    "\n"                                                                                          \
    "Common options:\n"                                                                           \
    "  --json                   one JSON object per result line\n"                                \
    "  --data DIR               the data folder (snapshots, references, restore marks) instead\n" \
    "                           of the user's: pin --data DIR for a gateway run with --data DIR\n" \
    "  --help                   this text\n"                                                      \
    "\n"                                                                                          \
    "Exit codes: 0 success, 1 different (compare) or not as sent (restore), 2 link error,\n"     \
    "3 parameter file error, 4 CSV or MQTT output error, 5 sensor firmware not supported,\n"     \
    "6 the file was taken from another sensor (restore, pin; nothing done), 64 bad command line.\n"

#define MQTT_QOS_PART                                                                         \
    "  --mqtt-qos 0|1|2         QoS of the samples (default 0); at 1 and 2 a sample counts as\n" \
    "                           delivered only when the broker acknowledged it\n"             \
    "  --mqtt-retain            the broker keeps each sensor's latest sample\n"

#define MQTT_LOGIN_PART                                                                       \
    "  --mqtt-keepalive SECONDS default 30 (5 to 65535)\n"                                    \
    "  --mqtt-user NAME         log in with this user name\n"                                 \
    "  --mqtt-password-file FILE  the password is the file's first line\n"                    \
    "  --mqtt-password-env VARIABLE  the password is in this environment variable\n"          \
    "                           (never on the command line, where every user could read it)\n" \
    "  --mqtt-tls               TLS, the broker's certificate checked against the system's\n" \
    "                           certificate authorities\n"                                    \
    "  --mqtt-cafile FILE       TLS, the broker's certificate checked against this CA file\n" \
    "  --mqtt-cert FILE --mqtt-key FILE  TLS with this client certificate and key\n"          \
    "  --mqtt-insecure          TLS without checking the broker's certificate or host name\n"

constexpr char kOverview[] =
    "Usage: chromix5ctl SUBCOMMAND [OPTIONS] SENSOR...\n"
    "\n"
    "Subcommands:\n"
    "  identify                 firmware text, sensor edition and serial number\n"
    "  backup -o FILE [--plain] save parameters and teach rows to a parameter file\n"
    "  restore FILE [--eeprom] [--force]\n"                                                      \
    "                           send a parameter file to the sensor and verify it\n"
    "  compare FILE | --reference\n"
    "                           list the differences between a parameter file (or the sensor's\n"
    "                           pinned reference) and the sensor\n"
    "  pin FILE [--force]       pin a parameter file as the configuration the sensor is meant\n"
    "                           to hold (its reference)\n"
    "  monitor                  live samples as CSV and/or MQTT messages\n"
    "  serve --mqtt HOST        a gateway: keeps the sensors watched and published until stopped\n"
    "\n"
    "chromix5ctl SUBCOMMAND --help shows the options of a subcommand.\n" SENSORS_PART;

constexpr char kIdentify[] =
    "Usage: chromix5ctl identify [--json] SENSOR...\n"
    "\n"
    "Asks each sensor for its firmware text and serial number and names the sensor edition\n"
    "(0 when the firmware is not supported; identify still succeeds then).\n" SENSORS_PART;

constexpr char kBackup[] =
    "Usage: chromix5ctl backup -o FILE [--plain] [--json] SENSOR...\n"
    "\n"
    "Reads the parameter set and the teach rows from each sensor's working memory and writes a\n"
    "parameter file exactly as the window's SEND to file does, followed by the sensor's identity\n"
    "(firmware text and serial number), which restore checks. A FILE that exists and is not a\n"
    "regular file (a device, a FIFO, a folder) is refused and left as it is; a symbolic link is\n"
    "followed.\n"
    "\n"
    "  --plain                  without the identity: exactly the window's file\n"
    "  -o, --output FILE        the file to write; with several sensors it must hold {n} (the\n"
    "                           sensor's place in the list, from 1), {serial} (its serial\n"
    "                           number) or {sensor} (its name made file-safe)\n" SENSORS_PART;

constexpr char kRestore[] =
    "Usage: chromix5ctl restore FILE [--eeprom] [--json] SENSOR...\n"
    "\n"
    "Loads the parameter file as the window's GET from file does (a value the file lacks takes\n"
    "the same fallback, and the same report goes to standard error), sends it to the sensor's\n"
    "working memory, reads it back and compares. FILE may hold {n}, {serial} or {sensor}.\n"
    "A file that is not a parameter file, or holds values outside 0 to 65535, is refused. A file\n"
    "with the identity of another sensor edition is refused; of another serial number it needs\n"
    "--force (exit code 6 otherwise). Before it writes, restore keeps the sensor's configuration\n"
    "as a snapshot and names it; until the read-back has verified the restore, every command on\n"
    "that sensor says that the last restore did not finish.\n"
    "\n"
    "  --eeprom                 also store it in the sensor's EEPROM, and verify the EEPROM\n"
    "  --force                  send a file taken from another serial number all the same\n" SENSORS_PART;

constexpr char kCompare[] =
    "Usage: chromix5ctl compare FILE [--json] SENSOR...\n"
    "       chromix5ctl compare --reference [--json] SENSOR...\n"
    "\n"
    "Reads the sensor's working memory and prints one line per parameter or teach word that\n"
    "differs from the parameter file (the seventeen parameters and words 1 to 7 of teach rows\n"
    "0 to 31, the part a sensor holds). Exit code 0 when equal, 1 when different, 2 on a link\n"
    "error. FILE may hold {n}, {serial} or {sensor}.\n"
    "\n"
    "  --reference              compare with the reference pinned for the sensor's serial\n"
    "                           number (chromix5ctl pin): the differences are its drift; exit\n"
    "                           code 3 when none is pinned\n" SENSORS_PART;

constexpr char kPin[] =
    "Usage: chromix5ctl pin FILE [--force] [--json] SENSOR...\n"
    "\n"
    "Pins the parameter file as the sensor's reference: the configuration a sensor of that\n"
    "serial number is meant to hold, which compare --reference checks it against. Nothing is\n"
    "sent to the sensor; it is only identified. The reference is kept as SN<serial>.ini in the\n"
    "references folder of the user's data folder and replaces an earlier one. The file is\n"
    "checked as restore checks it: one taken from another edition is refused, from another\n"
    "serial number it needs --force (exit code 6 otherwise). FILE may hold {n}, {serial} or\n"
    "{sensor}.\n"
    "\n"
    "  --force                  pin a file taken from another serial number all the same\n" SENSORS_PART;

constexpr char kMonitor[] =
    "Usage: chromix5ctl monitor [--rate HZ] [--count N] [--csv FILE|-]\n"
    "                           [--mqtt HOST[:PORT] --topic PREFIX [--mqtt-...]] SENSOR...\n"
    "\n"
    "Requests live samples until --count is reached or the program is interrupted (Ctrl+C,\n"
    "SIGTERM), and writes them as CSV (the window's recording format: time, R, G, B, X, Y, INT,\n"
    "C-No, pass) and/or publishes each as a JSON message.\n"
    "\n"
    "  --rate HZ                samples per second (up to 1000); default as fast as the sensor\n"
    "                           answers\n"
    "  --count N                stop after N samples\n"
    "  --csv FILE|-             CSV to a new file or standard output (the default without\n"
    "                           --mqtt); an existing file is never replaced (a pipe or device\n"
    "                           that exists is written to); with several sensors FILE must hold\n"
    "                           {n}, {serial} or {sensor}\n"
    "  --mqtt HOST[:PORT]       MQTT broker (port 1883 when none is given, 8883 with TLS);\n"
    "                           reconnects when the broker goes away; at most 1000 samples wait\n"
    "                           for it, beyond that the oldest are dropped and counted\n"
    "  --topic PREFIX           samples go to PREFIX/SERIAL, the sensor's retained status to\n"
    "                           PREFIX/SERIAL/status, the program's (online, offline, also as its\n"
    "                           last will) to PREFIX/status/CLIENT-ID\n"
    MQTT_QOS_PART
    "  --mqtt-client-id ID      default chromix5ctl-PID; give one for a stable status topic\n"
    MQTT_LOGIN_PART
    "  --mqtt-sparkplug GROUP[/NODE]  samples in the Sparkplug B form instead of --topic: this\n"
    "                           program the edge node NODE (default the client id) of GROUP,\n"
    "                           each sensor the device SN<serial>\n"
    "Exit code 4 when the broker cannot be reached, refuses the login or fails TLS at the start,\n"
    "and when not every sample reached it (dropped, or not acknowledged at QoS 1 and 2).\n" SENSORS_PART;

constexpr char kServe[] =
    "Usage: chromix5ctl serve --mqtt HOST[:PORT] [--topic PREFIX] [--rate HZ] [--data DIR]\n"
    "                         [--mqtt-...] [--allow-write] SENSOR... | --file LIST\n"
    "\n"
    "A gateway that runs until it is stopped: it keeps every sensor connected, publishes its\n"
    "live samples, status and configuration to the MQTT broker, notices a configuration that\n"
    "changed or drifted from its reference and a sensor that was replaced, and reconnects\n"
    "after a link loss with a pause from 1 s doubling up to 60 s. One line per event goes to\n"
    "standard error (the journal, under systemd).\n"
    "\n"
    "  --mqtt HOST[:PORT]       MQTT broker (port 1883 when none is given, 8883 with TLS)\n"
    "  --topic PREFIX           topic prefix, default chromix5\n"
    "  --rate HZ                live samples per second and sensor (up to 1000), default 10\n"
    "  --data DIR               the gateway's data folder: it keeps snapshots in DIR/snapshots,\n"
    "                           reads references from DIR/references ('chromix5ctl pin --data\n"
    "                           DIR' pins them there) and writes requested backups to\n"
    "                           DIR/backups; default the user's data folder\n"
    "  --allow-write            let restore requests over MQTT write to sensors\n"
    MQTT_QOS_PART
    "  --mqtt-client-id ID      the gateway's id G, default chromix5-gateway-HOSTNAME\n"
    MQTT_LOGIN_PART
    "  --mqtt-sparkplug GROUP[/NODE]  samples in the Sparkplug B form, the gateway the edge\n"
    "                           node NODE (default G) of GROUP; its NBIRTH and NDEATH are\n"
    "                           then its status, everything else stays as below\n"
    "\n"
    "Per sensor, on a line of LIST after its name (the other subcommands ignore them):\n"
    "  name=NAME                a label for people, in its status and events\n"
    "  rate=HZ                  its own live rate\n"
    "  topic=TOPIC              its base topic T, instead of PREFIX/SERIAL\n"
    "A line that cannot be read is named with what is wrong with it.\n"
    "\n"
    "Topics (JSON payloads, times in UTC with milliseconds):\n"
    "  PREFIX/status/G          retained online; offline at a clean end and as the last will\n"
    "  PREFIX/health/G          every 10 s: sensors, online, samples_per_second, delivered,\n"
    "                           dropped, queued, claimed_elsewhere\n"
    "  PREFIX/owner/SERIAL/G    retained claim (gateway, address, time), cleared at a clean end\n"
    "  T                        live samples (seq, time, the values by name)\n"
    "  T/status                 retained state online, offline or drift, with gateway, serial,\n"
    "                           name and address\n"
    "  T/config                 retained identity and configuration, when it changes\n"
    "  T/event                  drift (with the differences), drift_cleared, replaced (old and\n"
    "                           new serial number), claimed (by another gateway as well),\n"
    "                           link_lost, link_back\n"
    "  T/request                requests in: {\"op\":\"identify\"|\"backup\"|\"compare\"|\"restore\",\n"
    "                           \"id\":\"...\"[,\"reply_to\":TOPIC][,\"file\":TEXT][,\"eeprom\":true]}\n"
    "  T/reply                  replies (unless reply_to names another topic): id, op, ok,\n"
    "                           error, the sensor's identity and the operation's result\n"
    "Requests run between two live samples: identify; backup to DATA/backups/SN<serial>-<UTC\n"
    "time>.ini; compare with the pinned reference (its differences); restore of the parameter\n"
    "file's text (\"eeprom\":true stores it in the EEPROM too), only with --allow-write and only\n"
    "a file whose identity section names this sensor's serial number and edition, after a\n"
    "snapshot of the sensor's configuration. A malformed request gets ok false and changes\n"
    "nothing.\n"
    "\n"
    "Each configuration read (at connect and every 10 s) that differs from the sensor's last\n"
    "snapshot is kept as a new snapshot, and compared with the reference pinned for its serial\n"
    "number.\n"
    "\n"
    "Several gateways may share one broker, each with its own fleet and id: every gateway\n"
    "subscribes to PREFIX/owner/+/+ and reports a sensor that another gateway claims as well.\n"
    "\n"
    "Signals: SIGTERM and SIGINT end it cleanly (statuses offline, claims cleared, what is\n"
    "queued sent); SIGHUP reads LIST again: unchanged lines go on untouched, removed ones go\n"
    "offline, new ones start; a list that cannot be read leaves the fleet as it was.\n"
    "Exit code 4 when the broker cannot be reached, refuses the login or fails TLS at the\n"
    "start, and when samples were lost (dropped, or not acknowledged at QoS 1 and 2).\n" SENSORS_PART;

}  // namespace

const char* Usage(Subcommand command)
{
    switch (command) {
    case Subcommand::Identify: return kIdentify;
    case Subcommand::Backup: return kBackup;
    case Subcommand::Restore: return kRestore;
    case Subcommand::Compare: return kCompare;
    case Subcommand::Monitor: return kMonitor;
    case Subcommand::Pin: return kPin;
    case Subcommand::Serve: return kServe;
    case Subcommand::None: break;
    }
    return kOverview;
}

}  // namespace cli
