#include "cli/file_pattern.h"

#include <utility>

namespace cli {

bool HasSensorPlaceholder(const std::string& pattern)
{
    return pattern.find("{n}") != std::string::npos || pattern.find("{serial}") != std::string::npos ||
           pattern.find("{sensor}") != std::string::npos;
}

std::string ExpandFilePattern(const std::string& pattern, size_t index, unsigned serial,
                              const SensorAddress& address)
{
    const std::pair<std::string, std::string> fills[] = {
        {"{n}", std::to_string(index + 1)},
        {"{serial}", std::to_string(serial)},
        {"{sensor}", SensorFileTag(address)},
    };
    std::string out;
    for (size_t i = 0; i < pattern.size();) {
        bool filled = false;
        for (const auto& [key, value] : fills) {
            if (pattern.compare(i, key.size(), key) == 0) {
                out += value;
                i += key.size();
                filled = true;
                break;
            }
        }
        if (!filled)
            out += pattern[i++];
    }
    return out;
}

}  // namespace cli
