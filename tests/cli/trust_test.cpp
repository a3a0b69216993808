// chromix5ctl where a configuration change could go wrong: files taken from another sensor,
// outputs that are not files, inputs that cannot be read or hold values no sensor word holds,
// addresses that are no addresses, a restore that never finished, and results a script can rely
// on (in list order, the same fields on every line).
#include <gtest/gtest.h>

#include <QJsonDocument>
#include <QJsonObject>

#include <filesystem>
#include <string>
#include <thread>

#include <sys/stat.h>
#include <sys/sysmacros.h>

#include "tests/cli/cli_fixture.h"

namespace {

namespace fs = std::filesystem;

bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

QJsonObject Json(const std::string& line)
{
    return QJsonDocument::fromJson(QByteArray::fromStdString(line)).object();
}

QString Q(const std::string& text) { return QString::fromStdString(text); }

// The file's text with the first value of `key` replaced.
std::string WithValue(std::string text, const std::string& key, const std::string& value)
{
    const size_t at = text.find(key + " = ");
    const size_t end = text.find("\r\n", at);
    return text.replace(at, end - at, key + " = " + value);
}

}  // namespace

// A file names the sensor it was taken from; restore holds it to that sensor.
TEST_F(CliTest, RestoreRefusesAFileOfAnotherSensorUnlessForcedAndNeverOfAnotherEdition)
{
    const SimProgram& first = StartSim({"--edition", "1", "--serial", "4711", "--noise", "0"});
    const SimProgram& second = StartSim({"--edition", "1", "--serial", "9999", "--noise", "0"});
    const SimProgram& kr = StartSim({"--edition", "2", "--serial", "4711", "--noise", "0"});
    ASSERT_EQ(0, Ctl({"backup", "-o", "first.ini", Q(first.Tcp())}).exit);
    ASSERT_EQ(0, Ctl({"backup", "-o", "second.ini", Q(second.Tcp())}).exit);
    ASSERT_EQ(0, Ctl({"backup", "--plain", "-o", "plain.ini", Q(first.Tcp())}).exit);
    // Something to restore that the second sensor does not hold yet.
    WriteFile(PathOf("first.ini"), WithValue(Slurp(PathOf("first.ini")), "POWER", "321"));

    const CtlRun refused = Ctl({"restore", "first.ini", Q(second.Tcp())});
    EXPECT_EQ(6, refused.exit);
    EXPECT_TRUE(Contains(refused.out, "\tother-sensor\tfirst.ini was taken from serial number 4711, this "
                                      "sensor is 9999; nothing sent (--force sends it all the same)"))
        << refused.out;
    EXPECT_EQ(0, Ctl({"compare", "second.ini", Q(second.Tcp())}).exit) << "the sensor was left as it was";

    const CtlRun forced = Ctl({"restore", "first.ini", "--force", Q(second.Tcp())});
    EXPECT_EQ(0, forced.exit) << forced.out << forced.err;
    EXPECT_TRUE(Contains(forced.err, "sent as --force asks")) << forced.err;

    // Another edition is another parameter layout: no --force makes it fit.
    const CtlRun edition = Ctl({"restore", "first.ini", "--force", Q(kr.Tcp())});
    EXPECT_EQ(6, edition.exit);
    EXPECT_TRUE(Contains(edition.out, "first.ini was taken from a sensor of another edition (\"CHROMIX5 V4.2.7 B12\")"))
        << edition.out;

    // A file without identity goes anywhere, as before.
    EXPECT_EQ(0, Ctl({"restore", "plain.ini", Q(kr.Serial())}).exit);
}

// Outputs that are not files are left alone; a link keeps leading to the new file. Inputs that
// cannot be read, or hold values a sensor word cannot, are file errors and nothing is sent.
TEST_F(CliTest, FilesThatCannotBeWrittenOrReadAreFileErrorsAndNothingIsHarmed)
{
    const SimProgram& sensor = StartSim({"--serial", "321", "--noise", "0"});
    const std::string fifo = PathOf("fifo.ini"), device = PathOf("null.ini");
    ASSERT_EQ(0, ::mkfifo(fifo.c_str(), 0600));
    ASSERT_EQ(0, ::mknod(device.c_str(), S_IFCHR | 0600, makedev(1, 3)));
    for (const std::string& target : {fifo, device}) {
        const CtlRun run = Ctl({"backup", "-o", Q(target), Q(sensor.Tcp())});
        EXPECT_EQ(3, run.exit) << run.out;
        EXPECT_TRUE(Contains(run.out, "\tfile-error\tThe parameter file could not be saved: " + target +
                                          ": The path names a folder, a device, a FIFO or a socket"))
            << run.out;
    }
    EXPECT_TRUE(fs::is_fifo(fifo));
    EXPECT_TRUE(fs::is_character_file(device));

    fs::create_directory(PathOf("kept"));
    fs::create_symlink("kept/backup.ini", PathOf("latest.ini"));
    ASSERT_EQ(0, Ctl({"backup", "-o", "latest.ini", Q(sensor.Tcp())}).exit);
    EXPECT_TRUE(fs::is_symlink(PathOf("latest.ini")));
    EXPECT_TRUE(Contains(Slurp(PathOf("kept/backup.ini")), "[SENSOR IDENTITY]"));

    const std::string before = Slurp(PathOf("kept/backup.ini"));
    for (const QString& file : {QString("kept"), QString("/proc/self/mem")}) {
        const CtlRun restore = Ctl({"restore", file, "--eeprom", Q(sensor.Tcp())});
        const CtlRun compare = Ctl({"compare", file, Q(sensor.Tcp())});
        for (const CtlRun& run : {restore, compare}) {
            EXPECT_EQ(3, run.exit) << file.toStdString() << ": " << run.out;
            EXPECT_TRUE(Contains(run.out, "\tfile-error\tcannot read the parameter file")) << run.out;
        }
    }

    // POWER = 70000 would go out as its low 16 bits, 4464.
    WriteFile(PathOf("wide.ini"), WithValue(WithValue(before, "POWER", "70000"), "[TEACH VECTOR 2]\r\nCELL 0", "-1"));
    const CtlRun range = Ctl({"restore", "wide.ini", "--eeprom", Q(sensor.Tcp())});
    EXPECT_EQ(3, range.exit);
    EXPECT_TRUE(Contains(range.out, "\tfile-error\t2 values outside 0 to 65535 in wide.ini, nothing sent: "
                                    "POWER = 70000, TEACH VECTOR 2 CELL 0 = -1"))
        << range.out;
    EXPECT_EQ(0, Ctl({"compare", "latest.ini", Q(sensor.Tcp())}).exit) << "nothing reached the sensor";
}

TEST_F(CliTest, AddressesAreCheckedAndOpenFailuresNamedAsTheWindowNamesThem)
{
    std::string label63(63, 'a');
    const std::string longest = label63 + "." + label63 + "." + label63 + "." + std::string(61, 'b');  // 253
    struct Case {
        std::string sensor;
        const char* message;
    };
    const Case usage[] = {
        {"tcp:999.1.1.1", "'999.1.1.1' is not an IPv4 address"},
        {"tcp:1.2.3", "'1.2.3' is not an IPv4 address"},
        {"tcp:" + longest + "cc", "host name of 255 characters; at most 253 are allowed"},
        {"tcp:" + std::string(201, 'x'), "a part of the host name is longer than 63 characters"},
        {"tcp:a..b", "empty part between dots"},
        {"tcp:a/b", "character '/' does not belong in a host name"},
        {"tcp:[::1", "missing ']'"},
        {"tcp:[zz]", "'zz' is not an IPv6 address"},
    };
    for (const Case& c : usage) {
        const CtlRun run = Ctl({"identify", Q(c.sensor)});
        EXPECT_EQ(64, run.exit) << c.sensor;
        EXPECT_TRUE(Contains(run.err, c.message)) << run.err;
    }

    // The longest name the resolver takes is asked about and not found; nothing crashes.
    const CtlRun named = Ctl({"identify", Q("tcp:" + longest + ":10001")});
    EXPECT_EQ(2, named.exit) << named.err;
    EXPECT_TRUE(Contains(named.out, "tcp:" + longest + ":10001\tlink-error\tcannot open ")) << named.out;

    const CtlRun refused = Ctl({"identify", "tcp:127.0.0.1:1"});
    EXPECT_EQ(2, refused.exit);
    EXPECT_EQ("tcp:127.0.0.1:1\tlink-error\tcannot open tcp:127.0.0.1:1: UnableToEstablishConnection "
              "Connection refused: nothing listens on port 1 of 127.0.0.1. Check the port number and that "
              "the sensor is switched on.\n",
              refused.out);
}

TEST_F(CliTest, FleetResultsComeInListOrderWithTheSameFieldsOnEveryLine)
{
    const SimProgram& slow = StartSim({"--serial", "11", "--fault", "7:late,value=1500"});
    const SimProgram& quick = StartSim({"--serial", "12"});
    const QStringList sensors{Q(slow.Tcp()), Q(quick.Serial()), "tcp:127.0.0.1:1"};

    const CtlRun identify = Ctl(QStringList{"identify", "--json"} + sensors);
    const auto lines = identify.OutLines();
    ASSERT_EQ(3u, lines.size()) << identify.out;
    for (int i = 0; i < 3; ++i) {
        const QJsonObject o = Json(lines[i]);
        EXPECT_EQ(sensors[i], o["sensor"].toString()) << "line " << i;
        EXPECT_EQ((QStringList{"detail", "edition", "exit", "firmware", "sensor", "serial", "status"}), o.keys())
            << lines[i];
    }
    EXPECT_TRUE(Json(lines[2])["serial"].isNull());

    ASSERT_EQ(0, Ctl({"backup", "--plain", "-o", "{n}.ini", Q(slow.Tcp()), Q(quick.Tcp())}).exit);
    WriteFile(PathOf("2.ini"), WithValue(Slurp(PathOf("2.ini")), "POWER", "321"));
    const CtlRun compare = Ctl(QStringList{"compare", "{n}.ini"} + sensors);
    EXPECT_EQ(2, compare.exit);
    const auto results = compare.OutLines();
    ASSERT_EQ(4u, results.size()) << compare.out;
    EXPECT_EQ(0u, results[0].find(slow.Tcp() + "\tok\t"));
    EXPECT_EQ(0u, results[1].find(quick.Serial() + "\tdiffers\tPOWER: file 321, sensor "));
    EXPECT_EQ(0u, results[2].find(quick.Serial() + "\tdifferent\t"));
    EXPECT_EQ(0u, results[3].find("tcp:127.0.0.1:1\tlink-error\t"));
    for (const std::string& line : results)
        EXPECT_EQ(2, std::count(line.begin(), line.end(), '\t')) << line;
}

// The restore is killed after the sensor took the parameters and before the teach rows: the
// next command on that sensor says so and names the snapshot to go back to.
TEST_F(CliTest, ARestoreKilledHalfWayIsReportedByTheNextCommandUntilOneFinishes)
{
    const SimProgram& sensor = StartSim({"--serial", "2024", "--noise", "0", "--fault", "1:silent,skip=1,count=1"});
    ASSERT_EQ(0, Ctl({"backup", "-o", "before.ini", Q(sensor.Tcp())}).exit);
    WriteFile(PathOf("new.ini"), WithValue(Slurp(PathOf("before.ini")), "POWER", "333"));

    QProcess restore;
    restore.setWorkingDirectory(Q(PathOf("")));
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("XDG_DATA_HOME", Q(PathOf("data")));
    restore.setProcessEnvironment(env);
    restore.start(CHROMIX5CTL_PATH, {"restore", "new.ini", Q(sensor.Tcp())});
    std::string err;
    for (int i = 0; i < 100 && !Contains(err, "before the restore is kept in"); ++i) {
        restore.waitForReadyRead(50);
        err += restore.readAllStandardError().toStdString();
    }
    ASSERT_TRUE(Contains(err, "before the restore is kept in")) << err;
    // The parameters are answered at once, the teach rows never: wait for the first write.
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    restore.kill();
    restore.waitForFinished(3000);
    const size_t at = err.find(" kept in ") + 9;
    const std::string snapshot = err.substr(at, err.find('\n', at) - at);
    ASSERT_TRUE(fs::exists(snapshot)) << snapshot;

    const CtlRun next = Ctl({"identify", Q(sensor.Serial())});
    EXPECT_EQ(0, next.exit);
    EXPECT_TRUE(Contains(next.err, "The last restore on serial number 2024 (new.ini, started ")) << next.err;
    EXPECT_TRUE(Contains(next.err, "did not finish: the sensor may hold part of the new parameters, or RAM "
                                   "that differs from its EEPROM. Its configuration before the restore is in " +
                                   snapshot + "."))
        << next.err;
    // The snapshot is the way back: restoring it finishes, and the warning is gone.
    const CtlRun back = Ctl({"restore", Q(snapshot), Q(sensor.Tcp())});
    EXPECT_EQ(0, back.exit) << back.out << back.err;
    EXPECT_EQ(0, Ctl({"compare", "before.ini", Q(sensor.Tcp())}).exit);
    EXPECT_EQ("", Ctl({"identify", Q(sensor.Tcp())}).err);
}

// A sensor's reference: pinned from a file of that sensor (another's needs --force), then every
// value the sensor changes behind the reference's back is its drift, until a new pin.
TEST_F(CliTest, APinnedReferenceShowsTheSensorsDriftAndIsPinnedOnlyForItsOwnSerial)
{
    const SimProgram& line = StartSim({"--serial", "4711", "--noise", "0"});
    const SimProgram& other = StartSim({"--serial", "9999", "--noise", "0"});
    const CtlRun none = Ctl({"compare", "--reference", Q(line.Tcp())});
    EXPECT_EQ(3, none.exit);
    EXPECT_TRUE(Contains(none.out, "no reference is pinned for serial number 4711")) << none.out;

    ASSERT_EQ(0, Ctl({"backup", "-o", "line.ini", Q(line.Tcp())}).exit);
    ASSERT_EQ(0, Ctl({"backup", "-o", "other.ini", Q(other.Tcp())}).exit);
    const CtlRun foreign = Ctl({"pin", "other.ini", Q(line.Tcp())});
    EXPECT_EQ(6, foreign.exit);
    EXPECT_TRUE(Contains(foreign.out, "nothing pinned (--force pins it all the same)")) << foreign.out;

    const CtlRun pinned = Ctl({"pin", "line.ini", Q(line.Tcp())});
    EXPECT_EQ(0, pinned.exit) << pinned.out << pinned.err;
    EXPECT_EQ(0, Ctl({"compare", "--reference", Q(line.Tcp())}).exit);

    // Someone changes the sensor behind the reference's back.
    WriteFile(PathOf("changed.ini"), WithValue(Slurp(PathOf("line.ini")), "POWER", "321"));
    ASSERT_EQ(0, Ctl({"restore", "changed.ini", Q(line.Tcp())}).exit);
    const CtlRun drift = Ctl({"compare", "--reference", Q(line.Tcp())});
    EXPECT_EQ(1, drift.exit);
    EXPECT_TRUE(Contains(drift.out, "\tdiffers\tPOWER: file ")) << drift.out;
    EXPECT_TRUE(Contains(drift.out, ", sensor 321\n")) << drift.out;
    EXPECT_TRUE(Contains(drift.out, "1 values differ from ")) << drift.out;

    // The change was meant: pinned anew, there is no drift.
    ASSERT_EQ(0, Ctl({"pin", "changed.ini", Q(line.Tcp())}).exit);
    EXPECT_EQ(0, Ctl({"compare", "--reference", Q(line.Tcp())}).exit);
}
