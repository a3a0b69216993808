// What the benchmarks share: a private temporary folder, the run-time started offscreen, the
// program's folder (where chromix5_sim sits), and the statistics of repeated measurements.
#pragma once

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include <unistd.h>

#include "platform/runtime.h"

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
