// The little JSON the command line writes: result objects and live samples, one per line.
#pragma once

#include <cstdint>
#include <string>

#include "record/live_csv.h"

namespace cli {

// text as a JSON string literal, quotes included: control characters, '"' and '\\' escaped,
// well-formed UTF-8 passed on, any other byte (a firmware text is the sensor's) as U+FFFD.
std::string JsonString(const std::string& text);

// {"sensor":...,"serial":...,"time":...,"pass":...,"R":...,"G":...,"B":...,"X":...,"Y":...,
//  "INT":...,"C-No":...,"seq":...,"timestamp":...,"values":{"red":...,"green":...,"blue":...,
//  "x":...,"y":...,"intensity":...,"colour_number":...}}: the CSV row's fields under the CSV's
// column names; then the message's number in its stream (seq, from 1; 0 = the pass), the time as
// milliseconds since 1970 UTC, and the values again under the names of what they measure.
std::string SampleJson(const std::string& sensor, unsigned serial, const record::LiveSample& sample,
                       uint64_t seq = 0);

// {"status":...,"sensor":...,"serial":...,"firmware":...,"time":...} and, when detail is not
// empty, "detail": a sensor's retained status message.
std::string SensorStatusJson(const std::string& status, const std::string& sensor, unsigned serial,
                             const std::string& firmware, const std::string& detail);

}  // namespace cli
