// What the benchmarks share: a private temporary folder, the run-time started offscreen, the
// main window's panels loaded and linked to the simulator for a picture, the program's folder (where chromix5_sim sits),
// and the statistics of repeated measurements.
#pragma once

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <termios.h>
#include <unistd.h>

#include "link/link_state.h"
#include "link/transports.h"
#include "link/sensor_context.h"
#include "params/program_state.h"
#include "platform/panels.h"
#include "platform/runtime.h"
#include "sim/simulator.h"
#include "ui/callback_table.h"
#include "ui/main_window.h"
#include "ui/panel_handles.h"
#include "ui/uir.h"
#include "ui/window_seams.h"

namespace bench {

// A folder of its own under $TMPDIR or /tmp, removed with everything in it at the end.
struct TempDir {
    std::string path;
    TempDir()
    {
        const char* base = std::getenv("TMPDIR");
        std::string pattern = std::string(base && *base ? base : "/tmp") + "/diror-bench-XXXXXX";
        std::vector<char> name(pattern.begin(), pattern.end());
        name.push_back('\0');
        if (::mkdtemp(name.data()))
            path = name.data();
    }
    ~TempDir()
    {
        if (!path.empty()) {
            const std::string command = "rm -rf '" + path + "'";
            if (std::system(command.c_str()) != 0)
                std::fprintf(stderr, "could not remove %s\n", path.c_str());
        }
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
};

// Starts the run-time on the offscreen platform (no display needed); the private folder serves
// as XDG_RUNTIME_DIR when none is set, which keeps Qt quiet. Returns false with a message.
inline bool StartRunTime(int argc, char** argv, const TempDir& dir)
{
    if (dir.path.empty()) {
        std::fprintf(stderr, "cannot create a temporary folder\n");
        return false;
    }
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    ::setenv("XDG_RUNTIME_DIR", dir.path.c_str(), 0);
    if (!InitRunTime(argc, argv)) {
        std::fprintf(stderr, "cannot start the run-time\n");
        return false;
    }
    return true;
}

// For the pictures of the documentation: starts the run-time offscreen and loads the main
// window's panels as the program's start-up does (seams, callbacks, panels, the handles of the
// connection and parameter pages), nothing shown yet. A non-empty dataHome becomes
// XDG_DATA_HOME, so that snapshots of the sensor's values stay out of the user's data folder.
inline bool LoadMainWindow(int argc, char** argv, const std::string& dataHome = "")
{
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    if (!dataHome.empty())
        ::setenv("XDG_DATA_HOME", dataHome.c_str(), 1);
    if (!InitRunTime(argc, argv))
        return false;
    InitWindowSeams();
    RegisterProgramCallbacks();
    if (LoadMainPanels() < 0)
        return false;
    GetPanelHandleFromTabPage(MainPanel, MAINP_TAB, 0, &ConnectPage);
    GetPanelHandleFromTabPage(MainPanel, MAINP_TAB, 1, &ParamPage);
    return true;
}

// Connects the program over loopback TCP to a simulator in this process, as the connection
// page would, and marks the sensor connected with its working memory as the transfer target.
// Returns false with a message.
inline bool ConnectToSimulator(sim::Simulator& sensor)
{
    const int port = sensor.ListenTcp();
    Protocol = kProtocolTcp;
    std::snprintf(IpAddress, sizeof IpAddress, "127.0.0.1");
    TcpPort = port;
    InitTCP_IP();
    if (port <= 0 || TcpConnected != 1) {
        std::fprintf(stderr, "cannot reach the simulator\n");
        return false;
    }
    SensorConnected = 1;
    TransferTarget = 1;  // the sensor's working memory
    return true;
}

inline std::string ProgramDir()
{
    char dir[4096];
    GetProjectDir(dir, sizeof dir);
    return dir;
}

// The first three fields of /proc/loadavg: other work on the machine skews every figure, so the
// benchmarks print it beside them.
inline std::string LoadAverage()
{
    char text[64] = "unknown";
    if (FILE* f = std::fopen("/proc/loadavg", "r")) {
        double a = 0, b = 0, c = 0;
        if (std::fscanf(f, "%lf %lf %lf", &a, &b, &c) == 3)
            std::snprintf(text, sizeof text, "%.2f %.2f %.2f", a, b, c);
        std::fclose(f);
    }
    return text;
}

// User and system time of this process, in seconds.
inline double CpuSeconds()
{
    rusage use{};
    ::getrusage(RUSAGE_SELF, &use);
    return static_cast<double>(use.ru_utime.tv_sec + use.ru_stime.tv_sec) +
           static_cast<double>(use.ru_utime.tv_usec + use.ru_stime.tv_usec) * 1e-6;
}

// The yardstick for the tool's loop: the live-data exchange as a few lines of plain C would do
// it, with blocking read and write on the raw descriptor and no framework. Reads give up after
// 3 s of silence (VTIME on the serial line, SO_RCVTIMEO on TCP), so a dead peer cannot hang a
// benchmark.
class PlainClient {
public:
    PlainClient() = default;
    PlainClient(const PlainClient&) = delete;
    PlainClient& operator=(const PlainClient&) = delete;
    ~PlainClient() { Close(); }

    bool OpenSerial(const std::string& path, long baud)
    {
        Close();
        fd_ = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (fd_ < 0)
            return false;
        termios t{};
        ::tcgetattr(fd_, &t);
        ::cfmakeraw(&t);
        const speed_t speed = baud == 921600 ? B921600 : baud == 230400 ? B230400 : baud == 460800 ? B460800 : B115200;
        ::cfsetspeed(&t, speed);
        t.c_cc[VMIN] = 0;
        t.c_cc[VTIME] = 30;
        ::tcsetattr(fd_, TCSANOW, &t);
        ::tcflush(fd_, TCIOFLUSH);
        return true;
    }

    bool OpenTcp(int port)
    {
        Close();
        fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (fd_ < 0)
            return false;
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(static_cast<uint16_t>(port));
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        const int one = 1;
        ::setsockopt(fd_, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
        timeval limit{3, 0};
        ::setsockopt(fd_, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
        if (::connect(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
            Close();
            return false;
        }
        return true;
    }

    void Close()
    {
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = -1;
    }

    // One exchange of the live-data request (order 8); false when the answer is incomplete.
    bool Exchange()
    {
        static const unsigned char request[8] = {0x55, 0x08, 0x00, 0x00, 0x00, 0x00, 0xAA, 0x76};
        if (::write(fd_, request, sizeof request) != static_cast<ssize_t>(sizeof request))
            return false;
        unsigned char answer[2048];
        if (!ReadFully(answer, 8) || answer[0] != 0x55)
            return false;
        const size_t length = answer[4] | static_cast<size_t>(answer[5]) << 8;
        return length <= sizeof answer - 8 && ReadFully(answer + 8, length);
    }

    // Exchanges for the given time; returns how many completed.
    double Loop(double seconds)
    {
        const double end = Timer() + seconds;
        double passes = 0;
        while (Timer() < end && Exchange())
            ++passes;
        return passes;
    }

private:
    bool ReadFully(unsigned char* buffer, size_t count)
    {
        size_t got = 0;
        while (got < count) {
            const ssize_t n = ::read(fd_, buffer + got, count - got);
            if (n <= 0)
                return false;
            got += static_cast<size_t>(n);
        }
        return true;
    }

    int fd_ = -1;
};

// One figure against its target, in the form every benchmark prints:
//   ratio NAME VALUE (target OP VALUE): met|MISSED
// op is ">=" or "<=". Returns whether the target was met.
inline bool PrintRatio(const std::string& name, double value, const char* op, double target)
{
    const bool met = op[0] == '>' ? value >= target : value <= target;
    std::printf("ratio %s %.3f (target %s %.3f): %s\n", name.c_str(), value, op, target, met ? "met" : "MISSED");
    return met;
}

inline double Median(std::vector<double> v)
{
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    const size_t m = v.size() / 2;
    return v.size() % 2 ? v[m] : (v[m - 1] + v[m]) / 2;
}
inline double Min(const std::vector<double>& v) { return v.empty() ? 0 : *std::min_element(v.begin(), v.end()); }
inline double Max(const std::vector<double>& v) { return v.empty() ? 0 : *std::max_element(v.begin(), v.end()); }

}  // namespace bench
