// Values of a parameter file that do not fit a 16-bit word. Loading keeps their low 16 bits
// (-1 becomes 65535, 99999 becomes 34463); this report tells the operator which keys those were
// and what they became, so that a wrapped value is not sent to a sensor unnoticed.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "ini/inifile.h"

struct OutOfRangeValue {
    std::string name;  // "POWER", or "TEACH VECTOR 5 CELL 0"
    int32_t read;      // the value in the file
    uint16_t stored;   // its low 16 bits, as loading stores it
};

// Every integer value of the [PARAMETER] section and of words 1 to 7 of the 64 teach sections
// that lies outside 0 to 65535, in file order. Values that are no integers are the fallback
// report's business and are not listed here.
std::vector<OutOfRangeValue> FindOutOfRangeValues(IniText ini);

// The pop-up text: a head line, then "<name> = <read> was stored as <stored>\n" per value.
std::string OutOfRangeReport(const std::vector<OutOfRangeValue>& values);

// Shows the report in an "Attention!" pop-up when there is anything to report. Returns how many
// values were listed.
int ReportOutOfRangeValues(IniText ini);
