// A whole sensor configuration held beside the working copy (a sensor read, a file, a snapshot),
// and the identity of the sensor it came from.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "params/records.h"

struct Configuration {
    ParameterSet para{};
    TeachTable rows{};
};

// The sensor a configuration belongs to. serial < 0: unknown (a file without identity).
struct SensorIdentity {
    std::string firmware;
    int32_t serial = -1;
};

// One value that differs between two configurations: its name ("GAIN", or
// "TEACH VECTOR 3 CELL 0" for a teach word; the eighth word is "WORD 8") and both values.
struct Difference {
    std::string name;
    uint16_t left;
    uint16_t right;
};

// How much of the teach table a comparison covers: what the sensor holds (rows 0 to 31, all
// eight words) or what a parameter file holds (rows 0 to 63, words 1 to 7).
struct CompareScope {
    int rows;
    int words;
};
inline constexpr CompareScope kSensorScope{kSensorTeachRows, kTeachWords};
inline constexpr CompareScope kFileScope{kTeachRows, 7};

// Every difference, the seventeen parameters first in payload order, then the teach words row by
// row. Empty when the two agree within the scope.
std::vector<Difference> CompareConfigurations(const Configuration& left, const Configuration& right,
                                              CompareScope scope);

// The working copy as a Configuration, and back.
Configuration WorkingCopy();
void SetWorkingCopy(const Configuration& configuration);
