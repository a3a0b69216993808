#include "tests/cli/cli_fixture.h"

#include <QProcessEnvironment>
#include <QRegularExpression>

#include <fstream>
#include <sstream>

#include "params/parameter_set.h"
#include "link/sensor_context.h"
#include "params/program_state.h"
#include "platform/userint.h"
#include "tests/support/popup_script.h"
#include "ui/main_window.h"
#include "ui/panel_values.h"
#include "ui/panel_handles.h"
#include "ui/uir.h"

std::vector<std::string> CtlRun::OutLines() const
{
    std::vector<std::string> lines;
    std::istringstream in(out);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

void CliTest::SetUp()
{
    PanelsTest::SetUp();
    ASSERT_TRUE(dir_.isValid());
}

void CliTest::TearDown()
{
    for (auto& sim : sims_) {
        sim->process->terminate();
        if (!sim->process->waitForFinished(3000))
            sim->process->kill();
    }
    sims_.clear();
    PanelsTest::TearDown();
}

SimProgram& CliTest::StartSim(const QStringList& options)
{
    auto sim = std::make_unique<SimProgram>();
    sim->pty = PathOf("pty" + std::to_string(sims_.size()));
    sim->process = std::make_unique<QProcess>();
    QStringList args{"--tcp", "0", "--pty-link", QString::fromStdString(sim->pty)};
    args += options;
    sim->process->start(CHROMIX5_SIM_PATH, args);
    EXPECT_TRUE(sim->process->waitForStarted(5000));
    // It prints the TCP line, then the pty line.
    const QRegularExpression tcp("^tcp 127\\.0\\.0\\.1:(\\d+)$");
    bool ptyReady = false;
    for (int i = 0; i < 200 && !(sim->port > 0 && ptyReady); ++i) {
        while (sim->process->canReadLine()) {
            const QString line = QString::fromUtf8(sim->process->readLine()).trimmed();
            const auto match = tcp.match(line);
            if (match.hasMatch())
                sim->port = match.captured(1).toInt();
            if (line.startsWith("pty "))
                ptyReady = true;
        }
        if (!(sim->port > 0 && ptyReady))
            sim->process->waitForReadyRead(100);
    }
    EXPECT_GT(sim->port, 0) << "chromix5_sim did not start: "
                            << sim->process->readAllStandardError().toStdString();
    EXPECT_TRUE(ptyReady);
    sims_.push_back(std::move(sim));
    return *sims_.back();
}

std::vector<std::string> CliTest::StartSimFleet(int count, const QStringList& options)
{
    auto sim = std::make_unique<SimProgram>();
    sim->process = std::make_unique<QProcess>();
    sim->process->start(CHROMIX5_SIM_PATH, QStringList{"--tcp", "0", "--count", QString::number(count)} + options);
    EXPECT_TRUE(sim->process->waitForStarted(5000));
    // One line per sensor: "sensor I: serial number S, tcp 127.0.0.1:PORT".
    const QRegularExpression line("^sensor (\\d+): serial number \\d+, tcp 127\\.0\\.0\\.1:(\\d+)$");
    std::vector<std::string> sensors(static_cast<size_t>(count));
    int seen = 0;
    for (int i = 0; i < 300 && seen < count; ++i) {
        while (sim->process->canReadLine()) {
            const auto match = line.match(QString::fromUtf8(sim->process->readLine()).trimmed());
            const int index = match.hasMatch() ? match.captured(1).toInt() : -1;
            if (index >= 0 && index < count && sensors[static_cast<size_t>(index)].empty()) {
                sensors[static_cast<size_t>(index)] = "tcp:127.0.0.1:" + match.captured(2).toStdString();
                ++seen;
            }
        }
        if (seen < count)
            sim->process->waitForReadyRead(100);
    }
    EXPECT_EQ(count, seen) << "chromix5_sim did not start: " << sim->process->readAllStandardError().toStdString();
    sims_.push_back(std::move(sim));
    if (seen < count)
        sensors.clear();
    return sensors;
}

CtlRun CliTest::Ctl(const QStringList& args, int timeoutSeconds, const QStringList& environment) const
{
    QProcess process;
    process.setWorkingDirectory(dir_.path());
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    // Snapshots and restore marks of this test's runs stay in its own folder.
    env.insert("XDG_DATA_HOME", QString::fromStdString(PathOf("data")));
    for (const QString& setting : environment)
        env.insert(setting.section('=', 0, 0), setting.section('=', 1));
    process.setProcessEnvironment(env);
    process.start(CHROMIX5CTL_PATH, args);
    CtlRun run;
    if (!process.waitForStarted(5000))
        return run;
    if (!process.waitForFinished(timeoutSeconds * 1000)) {
        process.kill();
        process.waitForFinished(3000);
        run.err = "chromix5ctl did not end within the time-out\n";
    }
    run.out = process.readAllStandardOutput().toStdString();
    run.err += process.readAllStandardError().toStdString();
    if (process.exitStatus() == QProcess::NormalExit)
        run.exit = process.exitCode();
    return run;
}

std::string CliTest::PathOf(const std::string& name) const
{
    return dir_.filePath(QString::fromStdString(name)).toStdString();
}

std::string CliTest::Slurp(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return "<missing>";
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

void CliTest::WriteFile(const std::string& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary) << bytes;
}

void CliTest::WindowSave(const std::string& path)
{
    // The window shows the working copy (SEND reads AVERAGE back from its control), and the
    // operator presses SEND with the file selected.
    SetPanelValues();
    PopupScript popups;
    popups.answer(PopupKind::FileSelect, 2, path);
    const uint16_t target = TransferTarget;
    TransferTarget = kTargetFile;
    CBF_ButtonSend(MainPanel, MAINP_BUTTON_SEND, EVENT_COMMIT, nullptr, 0, 0);
    TransferTarget = target;
    EXPECT_EQ(1u, popups.shown().size()) << "the save said something";
}

void CliTest::DistinctWorkingCopy(int seed)
{
    Para = ParameterSet{};
    Para.Power = static_cast<uint16_t>(100 + seed % 900);
    Para.PowerMode = 0;
    Para.Average = static_cast<uint16_t>(1 + seed % 512);
    Para.EvaluationMode = static_cast<uint16_t>(seed % 4);
    Para.HoldFail = static_cast<uint16_t>(seed % 10000);
    Para.IntLim = static_cast<uint16_t>(seed % 4096);
    Para.MaxVecNo = static_cast<uint16_t>(1 + seed % 3);
    Para.DigitalOutmode = 1;
    Para.CalculationMode = static_cast<uint16_t>(seed % 8);
    Para.DynwinLo = 3000;
    Para.DynwinHi = 3500;
    Para.LedMode = static_cast<uint16_t>(seed % 4);
    Para.Gain = static_cast<uint16_t>(1 + seed % 8);
    Para.Integral = static_cast<uint16_t>(1 + seed % 255);
    TechVec = TeachTable{};
    for (int row = 0; row < kSensorTeachRows; ++row) {
        TeachVector& v = TechVec[row];
        v.Cell0 = static_cast<uint16_t>((seed * 7 + row * 31) % 4096);
        v.Cell1 = static_cast<uint16_t>((seed * 11 + row * 17) % 4096);
        v.Cell2 = static_cast<uint16_t>((seed * 13 + row) % 4096);
        v.Cell3 = static_cast<uint16_t>(100 + row);
        v.Cell4 = static_cast<uint16_t>(seed + row);
        v.Group = static_cast<uint16_t>(row % 256);
        v.Hold = static_cast<uint16_t>(10 + row);
        v.Reserved = 1;
    }
}
