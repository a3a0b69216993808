// The little JSON the command line writes: result objects and live samples, one per line.
#pragma once

#include <string>

#include "record/live_csv.h"

namespace cli {

// text as a JSON string literal, quotes included: control characters, '"' and '\\' escaped,
// well-formed UTF-8 passed on, any other byte (a firmware text is the sensor's) as U+FFFD.
std::string JsonString(const std::string& text);

// {"sensor":...,"serial":...,"time":...,"pass":...,"R":...,"G":...,"B":...,"X":...,"Y":...,
//  "INT":...,"C-No":...}: the CSV row's fields under the CSV's column names.
std::string SampleJson(const std::string& sensor, unsigned serial, const record::LiveSample& sample);

}  // namespace cli
