// Messages for people on standard error. When several sensors run at once their messages
// interleave, so each line then starts with the sensor's name.
#pragma once

#include <string>

namespace cli {

// The name every following line starts with ("" for none).
void SetDiagnosticPrefix(const std::string& prefix);
// Writes text, split into lines, each with the prefix.
void Diag(const std::string& text);

}  // namespace cli
