// A fleet served by one chromix5ctl process: 200 sensors played by one simulator program, every
// configuration backed up, restored from other files and backed up again, with one sensor whose
// connection dies in the middle of its restore; and the sensor list such a fleet comes from.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <QProcess>

#include <memory>
#include <string>
#include <vector>

#include "params/parameter_set.h"
#include "tests/cli/cli_fixture.h"

namespace {

bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

}  // namespace

TEST_F(CliTest, OneProcessBacksUpRestoresAndVerifiesTwoHundredSensorsAndReportsTheOneThatDied)
{
    constexpr int kSensors = 200;
    constexpr int kDies = 13;  // closes its connection at its second write: the teach rows
    constexpr int kSerialBase = 20000;
    const std::vector<std::string> sensors = StartSimFleet(
        kSensors, {"--serial", QString::number(kSerialBase), "--noise", "0", "--fault",
                   "1:close,skip=1@" + QString::number(kDies)});
    ASSERT_EQ(static_cast<size_t>(kSensors), sensors.size());
    std::string list = "# one line, one simulator\n";
    for (const std::string& sensor : sensors)
        list += sensor + "\n";
    WriteFile(PathOf("line.txt"), list);

    const CtlRun before = Ctl({"backup", "-o", "before-{n}.ini", "--file", "line.txt"}, 120);
    EXPECT_EQ(0, before.exit) << before.err;
    ASSERT_EQ(static_cast<size_t>(kSensors), before.OutLines().size()) << before.out;

    // Each sensor gets a configuration of its own, saved by the window.
    for (int i = 0; i < kSensors; ++i) {
        DistinctWorkingCopy(i + 1);
        WindowSave(PathOf("set-" + std::to_string(kSerialBase + i) + ".ini"));
    }
    const CtlRun restore = Ctl({"restore", "set-{serial}.ini", "--jobs", "64", "--file", "line.txt"}, 180);
    EXPECT_EQ(2, restore.exit) << restore.err;
    const std::vector<std::string> restored = restore.OutLines();
    ASSERT_EQ(static_cast<size_t>(kSensors), restored.size()) << restore.out;
    for (int i = 0; i < kSensors; ++i) {
        const std::string& line = restored[static_cast<size_t>(i)];
        // Results come in list order, each on its own sensor.
        EXPECT_EQ(0u, line.find(sensors[static_cast<size_t>(i)] + "\t")) << line;
        const std::string expected =
            i == kDies ? "\tlink-error\tsending the parameters failed: SERVER HAS CLOSED CONNECTION!"
                       : "\tok\trestored set-" + std::to_string(kSerialBase + i) + ".ini";
        EXPECT_TRUE(Contains(line, expected)) << line;
    }
    // The failure is told once, on its own sensor.
    for (const std::string& sensor : sensors)
        EXPECT_EQ(sensor == sensors[kDies], Contains(restore.err, sensor + ": link-error: ")) << sensor;

    const CtlRun after = Ctl({"backup", "--plain", "-o", "after-{serial}.ini", "--file", "line.txt"}, 120);
    EXPECT_EQ(0, after.exit) << after.err;
    for (int i = 0; i < kSensors; ++i) {
        const std::string serial = std::to_string(kSerialBase + i);
        EXPECT_NE("<missing>", Slurp(PathOf("before-" + std::to_string(i + 1) + ".ini"))) << i;
        if (i != kDies) {
            EXPECT_EQ(Slurp(PathOf("set-" + serial + ".ini")), Slurp(PathOf("after-" + serial + ".ini"))) << i;
        }
    }
}

// Three sensors on serial lines, played by one simulator that logs every request it gets: one
// answers each live request half a second late, one never answers one. The first is sampled to
// its end while the late one's first answer is still awaited, and only the silent one fails,
// once, on its own line.
TEST_F(CliTest, ASlowOrSilentSerialSensorHoldsUpNoOtherSerialSensor)
{
    auto sim = std::make_unique<SimProgram>();
    sim->process = std::make_unique<QProcess>();
    sim->process->start(CHROMIX5_SIM_PATH, {"--pty-link", QString::fromStdString(PathOf("line")), "--count", "3",
                                            "--log", "--fault", "8:late,value=500@1", "--fault", "8:silent@2"});
    ASSERT_TRUE(sim->process->waitForStarted(5000));
    std::string started;
    for (int i = 0; i < 100 && !Contains(started, "sensor 2: "); ++i) {
        sim->process->waitForReadyRead(100);
        started += sim->process->readAllStandardOutput().toStdString();
    }
    ASSERT_TRUE(Contains(started, "sensor 2: ")) << started;
    QProcess& simProcess = *sim->process;
    sims_.push_back(std::move(sim));

    QStringList sensors;
    for (int i = 0; i < 3; ++i)
        sensors << QString::fromStdString("serial:" + PathOf("line" + std::to_string(i)));
    const CtlRun run = Ctl(QStringList{"monitor", "--count", "5", "--csv", "m{n}.csv"} + sensors);
    EXPECT_EQ(2, run.exit) << run.err;
    const std::vector<std::string> lines = run.OutLines();
    ASSERT_EQ(3u, lines.size()) << run.out;
    EXPECT_EQ(sensors[0].toStdString() + "\tok\t5 samples", lines[0]);
    EXPECT_EQ(sensors[1].toStdString() + "\tok\t5 samples", lines[1]);
    EXPECT_EQ(sensors[2].toStdString() +
                  "\tlink-error\tlive data failed after 0 samples: TIMEOUT! NO DATA RECEIVED! COMMUNICATION "
                  "ERROR! CHECK POWER SUPPLY AND COM SETTINGS. TRY TO CONNECT AGAIN!",
              lines[2]);
    EXPECT_FALSE(Contains(run.err, sensors[0].toStdString() + ": link-error")) << run.err;
    EXPECT_FALSE(Contains(run.err, sensors[1].toStdString() + ": link-error")) << run.err;

    // The requests in the order the simulator got them.
    simProcess.terminate();
    simProcess.waitForFinished(3000);
    const std::string log = started + simProcess.readAllStandardOutput().toStdString();
    constexpr char kLive[] = ": order 8 info 0 len 0";
    // Sensor 0 is sampled to its end before sensor 1's second request, which goes out only once
    // its first late answer is in.
    int steady = 0;
    int slow = 0;
    size_t at = 0;
    for (size_t end; (end = log.find('\n', at)) != std::string::npos; at = end + 1) {
        const std::string line = log.substr(at, end - at);
        if (line.rfind(std::string("sensor 1") + kLive, 0) == 0)
            ++slow;
        else if (line.rfind(std::string("sensor 0") + kLive, 0) == 0 && slow < 2)
            ++steady;
    }
    EXPECT_EQ(5, slow) << log;
    EXPECT_EQ(5, steady) << log;
}

TEST_F(CliTest, ASensorListNamesEveryBadLineAndOnlyARegularFileOfAtMost16MBIsRead)
{
    WriteFile(PathOf("junk.txt"), "tcp:127.0.0.1:10001\nlaser:1\n# fine\n\ntcp:host:0\r\nserial:0\n");
    const CtlRun junk = Ctl({"identify", "--file", "junk.txt"});
    EXPECT_EQ(64, junk.exit);
    EXPECT_TRUE(Contains(junk.err, "junk.txt:2: bad sensor 'laser:1'")) << junk.err;
    EXPECT_TRUE(Contains(junk.err, "junk.txt:5: ")) << junk.err;
    EXPECT_TRUE(Contains(junk.err, "junk.txt:6: bad sensor 'serial:0': port number 0")) << junk.err;
    EXPECT_EQ("", junk.out);

    // A FIFO nobody writes to would block a reader forever; a list that large is no list.
    ASSERT_EQ(0, ::mkfifo(PathOf("fifo").c_str(), 0600));
    const CtlRun fifo = Ctl({"identify", "--file", "fifo"}, 10);
    EXPECT_EQ(64, fifo.exit);
    EXPECT_TRUE(Contains(fifo.err, "the sensor list fifo is not a regular file")) << fifo.err;
    WriteFile(PathOf("huge.txt"), "#");
    ASSERT_EQ(0, ::truncate(PathOf("huge.txt").c_str(), 16 * 1024 * 1024 + 1));
    const CtlRun huge = Ctl({"identify", "--file", "huge.txt"});
    EXPECT_EQ(64, huge.exit);
    EXPECT_TRUE(Contains(huge.err, "the sensor list huge.txt is larger than 16 MB")) << huge.err;
}
