#include "params/parameter_limits.h"

#include <cctype>
#include <cstdio>

namespace {

// Meanings as far as this program uses them; the rest are the sensor's own and passed through.
constexpr const char* kMeanings[kParameterCount] = {
    "Transmitter power; set by the sensor itself while POWER MODE is 1",
    "1: the sensor adjusts POWER to the surface; 0: POWER stays as set",
    "Number of scan values over which the raw signal is averaged",
    "",
    "",
    "",
    "Number of colours in use: teach rows 0 to MAX VEC NO - 1",
    "0: teach row n drives output OUTn; 1: colour number binary coded; 2: binary coded (edition 3)",
    "",
    "",
    "",
    "Lower limit of the raw-signal window",
    "Upper limit of the raw-signal window",
    "",
    "",
    "Receiver gain step",
    "Integration setting",
};

constexpr int kPowerMode = 1;
constexpr int kMaxVecNo = 6;
constexpr int kDigitalOutmode = 7;

}  // namespace

const char* ParameterMeaning(int index)
{
    return index >= 0 && index < kParameterCount ? kMeanings[index] : "";
}

ValueLimits ParameterLimits(int index, int maxColorCount)
{
    switch (index) {
    case kPowerMode: return {0, 1};
    case kMaxVecNo: return {1, maxColorCount < 1 ? 1 : maxColorCount};
    case kDigitalOutmode: return {0, 2};
    default: return kWordLimits;
    }
}

bool ParseLimitedValue(const char* text, ValueLimits limits, uint16_t* value)
{
    if (!text || !value)
        return false;
    const char* p = text;
    while (*p == ' ' || *p == '\t')
        ++p;
    if (!std::isdigit(static_cast<unsigned char>(*p)))
        return false;
    int64_t number = 0;
    for (; std::isdigit(static_cast<unsigned char>(*p)); ++p) {
        number = number * 10 + (*p - '0');
        if (number > 65535)  // beyond every limit; stop before the number can overflow
            return false;
    }
    while (*p == ' ' || *p == '\t')
        ++p;
    if (*p != '\0' || number < limits.min || number > limits.max)
        return false;
    *value = static_cast<uint16_t>(number);
    return true;
}

void FormatLimits(ValueLimits limits, char* out, size_t cap)
{
    if (out && cap > 0)
        std::snprintf(out, cap, "%d to %d", static_cast<int>(limits.min), static_cast<int>(limits.max));
}
