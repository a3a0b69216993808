// The command line as a user runs it: chromix5ctl started as a program against simulated
// sensors (chromix5_sim programs on 127.0.0.1 and pseudo-terminals), with real files in a
// temporary folder. The fixture also has the window's panels and link, so that a test can make
// the window's own parameter file for comparison.
#pragma once

#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>

#include <memory>
#include <string>
#include <vector>

#include "tests/support/panels_fixture.h"

// One simulated sensor program.
struct SimProgram {
    std::unique_ptr<QProcess> process;
    int port = 0;
    std::string pty;  // the link to its pseudo-terminal

    std::string Tcp() const { return "tcp:127.0.0.1:" + std::to_string(port); }
    std::string Serial() const { return "serial:" + pty + "@115200"; }
};

struct CtlRun {
    int exit = -1;
    std::string out;
    std::string err;
    std::vector<std::string> OutLines() const;
};

class CliTest : public PanelsTest {
protected:
    void SetUp() override;
    void TearDown() override;

    // Starts chromix5_sim with a TCP port and a pseudo-terminal and the given options; waits
    // until it says where it listens. The test fails when it does not.
    SimProgram& StartSim(const QStringList& options);
    // Starts one chromix5_sim playing `count` sensors on TCP with the given options; returns
    // their addresses (tcp:127.0.0.1:PORT) by index, empty when it did not start.
    std::vector<std::string> StartSimFleet(int count, const QStringList& options);
    // Runs chromix5ctl to its end (at most timeoutSeconds) in the temporary folder.
    CtlRun Ctl(const QStringList& args, int timeoutSeconds = 60,
               const QStringList& environment = {}) const;

    std::string PathOf(const std::string& name) const;
    static std::string Slurp(const std::string& path);
    static void WriteFile(const std::string& path, const std::string& bytes);

    // The window's SEND to a parameter file (F9 with the file selected) with the working copy
    // on show: the file dialog answered with path.
    void WindowSave(const std::string& path);
    // A working copy every simulated sensor accepts, distinct per seed, rows 32 to 63 zero (a
    // sensor holds rows 0 to 31 only, so a backup has them zero too).
    static void DistinctWorkingCopy(int seed);

    QTemporaryDir dir_;
    std::vector<std::unique_ptr<SimProgram>> sims_;
};
