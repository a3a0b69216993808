#include "cli/result_line.h"

#include "cli/json.h"
#include "cli/options.h"

namespace cli {

const char* StatusName(int code)
{
    switch (code) {
    case kExitOk: return "ok";
    case kExitDifferent: return "different";
    case kExitLink: return "link-error";
    case kExitFile: return "file-error";
    case kExitOutput: return "output-error";
    case kExitUnsupported: return "unsupported";
    case kExitOtherSensor: return "other-sensor";
    default: return "failed";
    }
}

std::string ResultLine(const std::string& sensor, const SensorResult& result, bool json)
{
    if (!json) {
        // A detail is one line: the tab-separated columns must stay three.
        std::string detail = result.detail;
        for (char& c : detail)
            if (c == '\t' || c == '\n' || c == '\r')
                c = ' ';
        return sensor + "\t" + StatusName(result.code) + "\t" + detail + "\n";
    }
    std::string line = "{\"sensor\":" + JsonString(sensor) + ",\"status\":" +
                       JsonString(StatusName(result.code)) + ",\"exit\":" +
                       std::to_string(result.code) + ",\"detail\":" + JsonString(result.detail);
    for (const auto& [name, value] : result.fields) {
        line += ',';
        line += JsonString(name);
        line += ':';
        line += value;
    }
    return line + "}\n";
}

}  // namespace cli
