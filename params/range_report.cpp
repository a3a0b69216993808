#include "params/range_report.h"

#include <cstdio>

#include "params/parameter_file_layout.h"
#include "params/records.h"
#include "platform/popups.h"

namespace {

// A teach word is named by its section and key, a parameter by its key; the name is made only
// for a value that is reported.
void check(IniText ini, const char* section, const char* key, bool namedWithSection,
           std::vector<OutOfRangeValue>& out)
{
    int32_t value = 0;
    if (Ini_GetInt(ini, section, key, &value) == kIniFound && (value < 0 || value > 65535))
        out.push_back({namedWithSection ? std::string(section) + " " + key : std::string(key), value,
                       static_cast<uint16_t>(value)});
}

}  // namespace

std::vector<OutOfRangeValue> FindOutOfRangeValues(IniText ini)
{
    std::vector<OutOfRangeValue> out;
    for (int i = 0; i < kParameterCount; ++i)
        check(ini, kParameterSection, kParameterKeys[i], false, out);
    for (int row = 0; row < kTeachRows; ++row) {
        const TeachSectionName section(row);
        for (int w = 0; w < kSavedTeachWords; ++w)
            check(ini, section.text, kTeachKeys[w], true, out);
    }
    return out;
}

std::string OutOfRangeReport(const std::vector<OutOfRangeValue>& values)
{
    std::string text = "Following values do not fit 0 to 65535 \nand were stored as their low 16 bits:\n\n";
    for (const OutOfRangeValue& v : values) {
        char line[96];
        std::snprintf(line, sizeof line, " = %ld was stored as %u\n", static_cast<long>(v.read),
                      static_cast<unsigned>(v.stored));
        text += v.name;
        text += line;
    }
    return text;
}

int ReportOutOfRangeValues(IniText ini)
{
    const std::vector<OutOfRangeValue> values = FindOutOfRangeValues(ini);
    if (!values.empty())
        MessagePopup("Attention!", OutOfRangeReport(values).c_str());
    return static_cast<int>(values.size());
}
