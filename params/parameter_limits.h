// What the workbench knows of each parameter: its key, what it means to this program, and the
// limits the program itself relies on. Only those limits are enforced: every value is a 16-bit
// word, MAX VEC NO counts colours (1 to the edition's colour limit), POWER MODE is a switch and
// DIGITAL OUTMODE one of three output codings. Everything else is the sensor's business; its
// own plausibility check stays the authority on the values it accepts.
#pragma once

#include <cstddef>
#include <cstdint>

#include "params/records.h"

struct ValueLimits {
    int32_t min;
    int32_t max;
};

inline constexpr ValueLimits kWordLimits{0, 65535};

// What the parameter at `index` (0 to 16, payload order) means, or "" for one the program only
// passes through. Never null.
const char* ParameterMeaning(int index);

// The limits of the parameter at `index`; maxColorCount is MaxColorCount() of the sensor
// edition in use. An index outside 0 to 16 gets kWordLimits.
ValueLimits ParameterLimits(int index, int maxColorCount);

// Reads an operator's entry: decimal digits, optionally surrounded by blanks, nothing else (no
// sign, no fraction). Returns true and sets *value only when the number lies within limits.
bool ParseLimitedValue(const char* text, ValueLimits limits, uint16_t* value);

// "0 to 65535": the limits as the operator reads them, into out (cap bytes, always terminated).
void FormatLimits(ValueLimits limits, char* out, size_t cap);
