// A sensor's result, and its one line of output: tab-separated text (sensor, status, detail) or
// a JSON object with the same and the subcommand's own fields.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace cli {

struct SensorResult {
    int code = 0;           // ExitCode
    std::string detail;     // one line for people
    // Further JSON members: name and an already encoded JSON value.
    std::vector<std::pair<std::string, std::string>> fields;
};

// "ok", "different", "link-error", "file-error", "output-error", "unsupported", "other-sensor",
// "failed".
const char* StatusName(int code);

std::string ResultLine(const std::string& sensor, const SensorResult& result, bool json);

}  // namespace cli
