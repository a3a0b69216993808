// The simulated sensor's factory defaults and its plausibility check.
//
// A sensor that receives a parameter block (order 1) or loads its EEPROM (order 4) checks every
// value against a plausible range; a value outside it is replaced by its factory default, and
// the answer's info says how many were replaced. The ranges the simulated sensor uses:
//
//   POWER              0 .. 1000      transmitter power in tenths of a percent
//   POWER MODE         0 .. 1         1 = the sensor regulates POWER itself
//   AVERAGE            1 .. 32768     scans per averaged value
//   EVALUATION MODE    0 .. 3
//   HOLD FAIL          0 .. 10000     ms
//   INTLIM             0 .. 4095      counts
//   MAX VEC NO         1 .. 31, 1 .. 3 on edition 2 (the colours one edition can output)
//   DIGITAL OUTMODE    0 .. 2
//   TRIGGER            0 .. 3
//   EXTERN TEACH       0 .. 2
//   CALCULATION MODE   0 .. 7
//   DYNWIN LO          0 .. 4095      counts (the raw signal's full scale is 4095)
//   DYNWIN HI          0 .. 4095
//   COLOR GROUP        0 .. 1
//   LED MODE           0 .. 3
//   GAIN               1 .. 8         receiver gain step
//   INTEGRAL           1 .. 255       integration setting
//
// Teach rows (words counted from 1): X, Y, intensity and tolerance (words 1 to 4) 0 .. 4095,
// GROUP (word 6) 0 .. 255, HOLD (word 7) 0 .. 10000; word 5 and the eighth word are the
// sensor's own and are not checked.
#pragma once

#include <array>
#include <cstdint>

#include "params/records.h"

namespace sim {

// Rows 0 to 31: the part of the teach table the sensor holds.
using SensorRows = std::array<TeachVector, kSensorTeachRows>;

struct Range {
    uint16_t lo;
    uint16_t hi;
};

// Ranges in payload order; MAX VEC NO's upper end depends on the edition (MaxColours).
extern const Range kParameterRanges[kParameterCount];
// Ranges of the eight teach words; an entry with lo > hi means "not checked".
extern const Range kTeachWordRanges[kTeachWords];

// The largest colour count of an edition (0 = unsupported firmware, treated like 1).
int MaxColours(int edition);

// The factory parameter set of an edition: the tool's defaults with one colour and the output
// mode of that edition (2 on edition 3, otherwise 1).
ParameterSet DefaultParameters(int edition);
// The factory teach row: 1, 1, 1, 1, 1, 1, 10, 1.
TeachVector DefaultTeachRow();
SensorRows DefaultRows();

// Replaces every implausible parameter by its default; returns how many were replaced.
int CheckParameters(ParameterSet& set, int edition);
// The same for the teach rows, word by word.
int CheckRows(SensorRows& rows);

}  // namespace sim
