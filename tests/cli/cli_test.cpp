// chromix5ctl end to end: each subcommand against simulated sensors over TCP and over a
// pseudo-terminal, the link's faults, files the reader must report on, and a fleet.
#include <gtest/gtest.h>

#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>

#include <algorithm>
#include <string>

#include "link/commands.h"
#include "params/parameter_set.h"
#include "link/sensor_context.h"
#include "params/program_state.h"
#include "tests/cli/cli_fixture.h"

namespace {

bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

QJsonObject Json(const std::string& line)
{
    return QJsonDocument::fromJson(QByteArray::fromStdString(line)).object();
}

}  // namespace

TEST_F(CliTest, IdentifyNamesFirmwareEditionAndSerialOnEachLine)
{
    const SimProgram& v4 = StartSim({"--edition", "1", "--serial", "4242"});
    const SimProgram& kre = StartSim({"--edition", "3", "--serial", "77"});
    const SimProgram& other = StartSim({"--firmware", "OTHER SENSOR V9.1", "--serial", "5"});

    const CtlRun run = Ctl({"identify", "--json", QString::fromStdString(v4.Tcp()),
                            QString::fromStdString(kre.Serial()), QString::fromStdString(other.Tcp())});
    EXPECT_EQ(0, run.exit) << run.err;
    const auto lines = run.OutLines();
    ASSERT_EQ(3u, lines.size()) << run.out;
    int seen = 0;
    for (const std::string& line : lines) {
        const QJsonObject o = Json(line);
        EXPECT_EQ("ok", o["status"].toString().toStdString()) << line;
        const std::string sensor = o["sensor"].toString().toStdString();
        if (sensor == v4.Tcp()) {
            EXPECT_EQ(4242, o["serial"].toInt());
            EXPECT_EQ(1, o["edition"].toInt());
            EXPECT_TRUE(o["firmware"].toString().startsWith("CHROMIX5 V4.")) << line;
            seen |= 1;
        } else if (sensor == kre.Serial()) {
            EXPECT_EQ(77, o["serial"].toInt());
            EXPECT_EQ(3, o["edition"].toInt());
            seen |= 2;
        } else if (sensor == other.Tcp()) {
            EXPECT_EQ(0, o["edition"].toInt());
            EXPECT_EQ("OTHER SENSOR V9.1", o["firmware"].toString().toStdString());
            seen |= 4;
        }
    }
    EXPECT_EQ(7, seen) << run.out;

    // What the window would not work with, the command line does not either.
    const CtlRun refused = Ctl({"backup", "-o", "x.ini", QString::fromStdString(other.Tcp())});
    EXPECT_EQ(5, refused.exit);
    EXPECT_TRUE(Contains(refused.out, "\tunsupported\tfirmware \"OTHER SENSOR V9.1\" is not supported"))
        << refused.out;
    EXPECT_EQ("<missing>", Slurp(PathOf("x.ini")));
}

TEST_F(CliTest, BackupIsByteForByteTheWindowsSaveOverBothLines)
{
    const SimProgram& sensor = StartSim({"--edition", "2", "--serial", "555"});
    // Give the sensor a configuration of its own, through the window's link.
    OpenTcpLink(sensor.port);
    DistinctWorkingCopy(555);
    TransferTarget = 0;
    SendPara();
    ASSERT_EQ(1, SensorConnected) << StatusBox();

    // The window after connecting: a fresh working copy read from the sensor, then F9.
    Para = ParameterSet{};
    TechVec = TeachTable{};
    GetPara();
    ASSERT_EQ(1, SensorConnected) << StatusBox();
    WindowSave(PathOf("window.ini"));
    const std::string window = Slurp(PathOf("window.ini"));
    ASSERT_TRUE(Contains(window, "POWER = 655\r\n")) << window;

    const CtlRun tcp = Ctl({"backup", "--plain", "-o", "tcp.ini", QString::fromStdString(sensor.Tcp())});
    EXPECT_EQ(0, tcp.exit) << tcp.err;
    EXPECT_EQ(sensor.Tcp() + "\tok\tsaved tcp.ini\n", tcp.out);
    EXPECT_EQ(window, Slurp(PathOf("tcp.ini")));

    // Without --plain the sensor's identity follows the window's bytes.
    const CtlRun pty = Ctl({"backup", "--output", PathOf("pty.ini").c_str(), QString::fromStdString(sensor.Serial())});
    EXPECT_EQ(0, pty.exit) << pty.err;
    const std::string withIdentity = Slurp(PathOf("pty.ini"));
    EXPECT_EQ(window, withIdentity.substr(0, window.size()));
    EXPECT_EQ("[SENSOR IDENTITY]\r\nFIRMWARE = \"CHROMIX5 KR V1.3.1 B05\"\r\nSERIAL NUMBER = 555\r\n\r\n",
              withIdentity.substr(window.size()));

    // A file that cannot be written is a file error, and says why.
    const CtlRun nowhere = Ctl({"backup", "-o", PathOf("no-such-folder/x.ini").c_str(),
                                QString::fromStdString(sensor.Tcp())});
    EXPECT_EQ(3, nowhere.exit);
    EXPECT_TRUE(Contains(nowhere.out, "\tfile-error\tThe parameter file could not be saved")) << nowhere.out;
}

TEST_F(CliTest, RestoreSendsAndVerifiesAndCompareListsEachDifference)
{
    const SimProgram& sensor = StartSim({"--serial", "900"});
    DistinctWorkingCopy(42);
    WindowSave(PathOf("set.ini"));

    const CtlRun restore = Ctl({"restore", "set.ini", "--eeprom", QString::fromStdString(sensor.Serial())});
    EXPECT_EQ(0, restore.exit) << restore.err;
    EXPECT_EQ(sensor.Serial() + "\tok\trestored set.ini to working memory and EEPROM\n", restore.out);
    // Its only word on standard error is where the sensor's earlier configuration was kept.
    EXPECT_EQ(0u, restore.err.find("the sensor's configuration before the restore is kept in ")) << restore.err;
    EXPECT_EQ(1, std::count(restore.err.begin(), restore.err.end(), '\n')) << restore.err;

    const CtlRun equal = Ctl({"compare", "set.ini", QString::fromStdString(sensor.Tcp())});
    EXPECT_EQ(0, equal.exit) << equal.out << equal.err;
    EXPECT_EQ(sensor.Tcp() + "\tok\tequal to set.ini\n", equal.out);

    // Two values changed in the file: one line each, exit code 1.
    std::string text = Slurp(PathOf("set.ini"));
    const std::string power = "POWER = " + std::to_string(Para.Power) + "\r\n";
    const std::string cell = "[TEACH VECTOR 3]\r\nCELL 0 = " + std::to_string(TechVec[3].Cell0) + "\r\n";
    ASSERT_NE(std::string::npos, text.find(power));
    ASSERT_NE(std::string::npos, text.find(cell));
    text.replace(text.find(power), power.size(), "POWER = 999\r\n");
    text.replace(text.find(cell), cell.size(), "[TEACH VECTOR 3]\r\nCELL 0 = 4000\r\n");
    WriteFile(PathOf("changed.ini"), text);
    const CtlRun different = Ctl({"compare", "changed.ini", QString::fromStdString(sensor.Serial())});
    EXPECT_EQ(1, different.exit);
    EXPECT_EQ(sensor.Serial() + "\tdiffers\tPOWER: file 999, sensor " + std::to_string(Para.Power) + "\n" +
                  sensor.Serial() + "\tdiffers\tTEACH VECTOR 3 CELL 0: file 4000, sensor " +
                  std::to_string(TechVec[3].Cell0) + "\n" + sensor.Serial() +
                  "\tdifferent\t2 values differ from changed.ini\n",
              different.out);

    // The EEPROM holds the restored set: loading it into working memory changes nothing.
    OpenTcpLink(sensor.port);
    TransferTarget = kTargetSensor;
    Para = ParameterSet{};
    GetPara();
    EXPECT_EQ(142, Para.Power);
    const CtlRun after = Ctl({"compare", "set.ini", QString::fromStdString(sensor.Tcp())});
    EXPECT_EQ(0, after.exit) << after.out;
}

TEST_F(CliTest, RestoreReportsWhatTheFileLacksAndRefusesWhatIsNoParameterFile)
{
    const SimProgram& sensor = StartSim({"--serial", "31"});
    // Header and parameters only: loaded with the teach rows' fallbacks, reported as the
    // window reports it.
    DistinctWorkingCopy(7);
    WindowSave(PathOf("full.ini"));
    const std::string full = Slurp(PathOf("full.ini"));
    WriteFile(PathOf("partial.ini"), full.substr(0, full.find("[TEACH VECTOR 0]")));
    const CtlRun partial = Ctl({"restore", "partial.ini", QString::fromStdString(sensor.Tcp())});
    EXPECT_EQ(0, partial.exit) << partial.err;
    EXPECT_TRUE(Contains(partial.err, "partial.ini:\nFollowing teach vectors could not be read \n"
                                      "and where set to default value:\n\nTEACH VECTOR 0\n"))
        << partial.err;
    EXPECT_TRUE(Contains(partial.err, "TEACH VECTOR 63\n"));
    EXPECT_FALSE(Contains(partial.err, "Following parameter could not be read"));

    // The wrong file type (case counts), and a file that is not there.
    WriteFile(PathOf("other.ini"), "[GENERAL INFO]\r\nFILE TYPE: = \"parameter file\"\r\n");
    const CtlRun other = Ctl({"restore", "other.ini", QString::fromStdString(sensor.Serial())});
    EXPECT_EQ(3, other.exit);
    EXPECT_TRUE(Contains(other.out, "\tfile-error\tother.ini: Selected file is not a parameter file!")) << other.out;
    const CtlRun missing = Ctl({"compare", "missing.ini", QString::fromStdString(sensor.Tcp())});
    EXPECT_EQ(3, missing.exit);
    EXPECT_TRUE(Contains(missing.out, "cannot read the parameter file missing.ini")) << missing.out;

    // Values the sensor finds implausible: it resets them, and the restore fails saying so.
    std::string implausible = full;
    implausible.replace(implausible.find("GAIN = "), 8, "GAIN = 9");
    WriteFile(PathOf("implausible.ini"), implausible);
    const CtlRun reset = Ctl({"restore", "implausible.ini", QString::fromStdString(sensor.Tcp())});
    EXPECT_EQ(1, reset.exit);
    EXPECT_TRUE(Contains(reset.out, "\tdifferent\tthe sensor reported: INFO! 1 PARAMETER IN RAM DID NOT "
                                    "PASS PLAUSIBILITY CHECK AND WERE SET TO DEFAULT VALUE!"))
        << reset.out;
    EXPECT_TRUE(Contains(reset.err, "not as sent: GAIN: file 9, sensor ")) << reset.err;
}

TEST_F(CliTest, LinkFaultsEndWithTheLinksMessageAndExitCode2)
{
    const SimProgram& badData = StartSim({"--fault", "2:data-crc"});
    const CtlRun backup = Ctl({"backup", "-o", "x.ini", QString::fromStdString(badData.Serial())});
    EXPECT_EQ(2, backup.exit);
    EXPECT_TRUE(Contains(backup.out, "\tlink-error\treading the parameters failed: ATTENTION! RECEIVED DATA "
                                     "FRAME IS INCORRECT!"))
        << backup.out;
    EXPECT_EQ("<missing>", Slurp(PathOf("x.ini")));

    // Live data that stops after three samples: those three are kept.
    const SimProgram& status = StartSim({"--fault", "8:status2,skip=3"});
    const CtlRun monitor = Ctl({"monitor", "--count", "10", "--csv", "live.csv", QString::fromStdString(status.Tcp())});
    EXPECT_EQ(2, monitor.exit);
    EXPECT_TRUE(Contains(monitor.out, "\tlink-error\tlive data failed after 3 samples: COMMUNICATION ERROR! "
                                      "YOU MAY HAVE TO REDUCE BAUDRATE!"))
        << monitor.out;
    const std::string csv = Slurp(PathOf("live.csv"));
    EXPECT_EQ(6, std::count(csv.begin(), csv.end(), '\n')) << csv;
    // A recording is never replaced: a second monitor into the same file stops before sampling.
    const CtlRun again = Ctl({"monitor", "--count", "1", "--csv", "live.csv", QString::fromStdString(status.Tcp())});
    EXPECT_EQ(4, again.exit);
    EXPECT_TRUE(Contains(again.out, "\toutput-error\tcannot write live.csv: it exists already")) << again.out;
    EXPECT_EQ(csv, Slurp(PathOf("live.csv")));

    // A sensor that closes the connection, and one that is not there.
    const SimProgram& closing = StartSim({"--fault", "7:close"});
    const CtlRun closed = Ctl({"identify", QString::fromStdString(closing.Tcp()), "tcp:127.0.0.1:1"});
    EXPECT_EQ(2, closed.exit);
    EXPECT_TRUE(Contains(closed.out, closing.Tcp() + "\tlink-error\tno identification: SERVER HAS CLOSED CONNECTION!"))
        << closed.out;
    EXPECT_TRUE(Contains(closed.out, "tcp:127.0.0.1:1\tlink-error\tcannot open tcp:127.0.0.1:1: "))
        << closed.out;
}

TEST_F(CliTest, MonitorWritesTheRecordingFormatWhateverTheLocale)
{
    const SimProgram& sensor = StartSim({"--serial", "4242", "--target", "red", "--noise", "0"});
    const CtlRun run = Ctl({"monitor", "--count", "5", QString::fromStdString(sensor.Serial())}, 60,
                           {"LC_ALL=de_DE.UTF-8", "LANG=de_DE.UTF-8"});
    EXPECT_EQ(0, run.exit) << run.err;
    const auto lines = run.OutLines();
    ASSERT_EQ(8u, lines.size()) << run.out;
    EXPECT_EQ("# firmware: CHROMIX5 V4.2.7 B12", lines[0]);
    EXPECT_EQ("# serial number: 4242", lines[1]);
    EXPECT_EQ("time,R,G,B,X,Y,INT,C-No,pass", lines[2]);
    const QRegularExpression row(
        "^\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\d\\.\\d{3}Z,((-?\\d+,){7})(\\d+)$");
    std::string values;
    for (int i = 0; i < 5; ++i) {
        const auto match = row.match(QString::fromStdString(lines[3 + i]));
        ASSERT_TRUE(match.hasMatch()) << lines[3 + i];
        EXPECT_EQ(i + 1, match.captured(3).toInt());
        // Without noise every sample of one colour is the same.
        if (i == 0)
            values = match.captured(1).toStdString();
        EXPECT_EQ(values, match.captured(1).toStdString());
    }
    // R of a red target stands out; nothing taught, so no colour number.
    const QStringList fields = QString::fromStdString(values).split(',');
    EXPECT_GT(fields[0].toInt(), fields[1].toInt());
    EXPECT_EQ(255, fields[6].toInt());
    EXPECT_TRUE(Contains(run.err, sensor.Serial() + "\tok\t5 samples")) << run.err;
}

TEST_F(CliTest, FleetOfTwentyRestoresAndBacksUpEachSensorToItsOwnFile)
{
    constexpr int kSensors = 20;
    std::string list = "# the line\n";
    for (int i = 0; i < kSensors; ++i) {
        const int serial = 1001 + i;
        const SimProgram& sim = StartSim({"--serial", QString::number(serial), "--noise", "0"});
        list += (i % 2 ? sim.Serial() : sim.Tcp()) + "\n";
        DistinctWorkingCopy(serial);
        WindowSave(PathOf("set-" + std::to_string(serial) + ".ini"));
    }
    WriteFile(PathOf("sensors.txt"), list);

    const CtlRun restore = Ctl({"restore", "set-{serial}.ini", "--file", "sensors.txt"}, 120);
    EXPECT_EQ(0, restore.exit) << restore.out << restore.err;
    EXPECT_EQ(static_cast<size_t>(kSensors), restore.OutLines().size()) << restore.out;

    const CtlRun backup = Ctl({"backup", "--plain", "--json", "-o", "backup-{n}-{serial}.ini", "--file", "sensors.txt"}, 120);
    EXPECT_EQ(0, backup.exit) << backup.out << backup.err;
    const auto lines = backup.OutLines();
    ASSERT_EQ(static_cast<size_t>(kSensors), lines.size()) << backup.out;
    for (const std::string& line : lines)
        EXPECT_EQ("ok", Json(line)["status"].toString().toStdString()) << line;
    for (int i = 0; i < kSensors; ++i) {
        const std::string serial = std::to_string(1001 + i);
        EXPECT_EQ(Slurp(PathOf("set-" + serial + ".ini")),
                  Slurp(PathOf("backup-" + std::to_string(i + 1) + "-" + serial + ".ini")))
            << "sensor " << i + 1;
    }

    // One sensor of the list down: the others still succeed, and the exit code says not all did.
    sims_[4]->process->kill();
    sims_[4]->process->waitForFinished(3000);
    const CtlRun partly = Ctl({"identify", "--jobs", "4", "--file", "sensors.txt"}, 120);
    EXPECT_EQ(2, partly.exit);
    int ok = 0;
    for (const std::string& line : partly.OutLines())
        ok += Contains(line, "\tok\t");
    EXPECT_EQ(kSensors - 1, ok) << partly.out;
}

TEST_F(CliTest, BadArgumentsAreNamedAndEachSubcommandHasHelp)
{
    struct Case {
        QStringList args;
        const char* message;
    };
    const Case cases[] = {
        {{}, "no subcommand given"},
        {{"frobnicate"}, "unknown subcommand 'frobnicate'"},
        {{"backup", "tcp:127.0.0.1"}, "no output file given (-o FILE)"},
        {{"backup", "-o", "x.ini", "tcp:127.0.0.1", "tcp:127.0.0.2"}, "several sensors need {n}"},
        {{"identify", "udp:1.2.3.4"}, "bad sensor 'udp:1.2.3.4'"},
        {{"identify", "tcp:host:70000"}, "port '70000' is not a number from 1 to 65535"},
        {{"identify", "serial:3@1234"}, "baud rate '1234' is not one of"},
        {{"identify", "serial:0"}, "port number 0 is not from 1 to 255"},
        {{"identify"}, "no sensor given"},
        {{"identify", "--file", "no-such-list"}, "cannot read the sensor list no-such-list"},
        {{"restore", "--eeprom"}, "no parameter file given"},
        {{"compare", "--eeprom", "f.ini", "tcp:h"}, "unknown option '--eeprom' for compare"},
        {{"monitor", "--rate", "0", "tcp:h"}, "--rate: '0' is not a rate above 0"},
        {{"monitor", "--rate", "2,5", "tcp:h"}, "--rate: '2,5'"},
        {{"monitor", "--count", "-1", "tcp:h"}, "--count: '-1' is not a positive number"},
        {{"monitor", "--mqtt", "broker", "tcp:h"}, "--mqtt and --topic go together"},
        {{"monitor", "--mqtt", "b", "--topic", "a/#", "tcp:h"}, "--topic: 'a/#'"},
        {{"monitor", "tcp:a", "tcp:b"}, "several sensors cannot share standard output"},
        {{"monitor", "--jobs", "0", "tcp:a"}, "--jobs: '0' is not a number from 1 to 1000000"},
        // The MQTT options: a password never on the command line (and never echoed), only
        // consistent TLS and login settings, none without a broker.
        {{"monitor", "--mqtt", "b", "--topic", "t", "--mqtt-password=hunter2", "tcp:h"},
         "a password on the command line is visible to every user"},
        {{"monitor", "--mqtt", "b", "--topic", "t", "--mqtt-qos", "3", "tcp:h"}, "--mqtt-qos: '3' is not 0, 1 or 2"},
        {{"monitor", "--mqtt", "b", "--topic", "t", "--mqtt-user", "u", "--mqtt-password-env", "NO_SUCH_VARIABLE_X",
          "tcp:h"}, "'NO_SUCH_VARIABLE_X' is not set or empty"},
        {{"monitor", "--mqtt", "b", "--topic", "t", "--mqtt-password-file", ".", "tcp:h"},
         "--mqtt-password-file: . is not a regular file"},
        {{"monitor", "--mqtt", "b", "--topic", "t", "--mqtt-cert", "c.pem", "tcp:h"}, "--mqtt-cert and --mqtt-key go together"},
        {{"monitor", "--mqtt", "b", "--topic", "t", "--mqtt-insecure", "tcp:h"}, "--mqtt-insecure turns off"},
        {{"monitor", "--mqtt-qos", "1", "tcp:h"}, "the --mqtt-... options need a broker"},
        {{"monitor", "--mqtt", "b", "--topic", "t", "--mqtt-client-id", "a/b", "tcp:h"}, "--mqtt-client-id: 'a/b'"},
        {{"backup", "-o", "x", "--mqtt-qos", "1", "tcp:h"}, "unknown option '--mqtt-qos' for backup"},
    };
    for (const Case& c : cases) {
        const CtlRun run = Ctl(c.args);
        EXPECT_EQ(64, run.exit) << c.message;
        EXPECT_EQ(0u, run.err.find("chromix5ctl: ")) << run.err;
        EXPECT_TRUE(Contains(run.err, c.message)) << run.err;
        EXPECT_FALSE(Contains(run.err, "hunter2")) << run.err;
        EXPECT_EQ("", run.out);
    }
    for (const char* sub : {"identify", "backup", "restore", "compare", "monitor"}) {
        const CtlRun help = Ctl({sub, "--help"});
        EXPECT_EQ(0, help.exit);
        EXPECT_EQ(0u, help.out.find(std::string("Usage: chromix5ctl ") + sub)) << help.out;
        EXPECT_TRUE(Contains(help.out, "Exit codes: 0 success"));
    }
}
