// The record layouts of the sensor's configuration, without any program state: the program's
// working copy (params/parameter_set.h) and the simulator's memories both use them.
//
// Both records are the plain little-endian memory image the sensor exchanges: seventeen
// uint16_t fields, and 64 rows of eight uint16_t words. They are copied to and from frame
// payloads with memcpy, so neither may gain padding or a field.
#pragma once

#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>

static_assert(std::endian::native == std::endian::little,
              "sensor payloads are copied as memory images and are little-endian");

struct ParameterSet {
    uint16_t Power;
    uint16_t PowerMode;
    uint16_t Average;
    uint16_t EvaluationMode;
    uint16_t HoldFail;
    uint16_t IntLim;
    uint16_t MaxVecNo;
    uint16_t DigitalOutmode;
    uint16_t Trigger;
    uint16_t ExternTeach;
    uint16_t CalculationMode;
    uint16_t DynwinLo;
    uint16_t DynwinHi;
    uint16_t ColorGroup;
    uint16_t LedMode;
    uint16_t Gain;
    uint16_t Integral;
};
static_assert(sizeof(ParameterSet) == 34);

inline constexpr int kParameterCount = 17;

// The fields in payload and file order, and the key each has in the parameter file.
inline constexpr uint16_t ParameterSet::*kParameterFields[kParameterCount] = {
    &ParameterSet::Power,          &ParameterSet::PowerMode,       &ParameterSet::Average,
    &ParameterSet::EvaluationMode, &ParameterSet::HoldFail,        &ParameterSet::IntLim,
    &ParameterSet::MaxVecNo,       &ParameterSet::DigitalOutmode,  &ParameterSet::Trigger,
    &ParameterSet::ExternTeach,    &ParameterSet::CalculationMode, &ParameterSet::DynwinLo,
    &ParameterSet::DynwinHi,       &ParameterSet::ColorGroup,      &ParameterSet::LedMode,
    &ParameterSet::Gain,           &ParameterSet::Integral,
};
inline constexpr const char* kParameterKeys[kParameterCount] = {
    "POWER",          "POWER MODE",       "AVERAGE",   "EVALUATION MODE", "HOLD FAIL",
    "INTLIM",         "MAX VEC NO",       "DIGITAL OUTMODE", "TRIGGER",   "EXTERN TEACH",
    "CALCULATION MODE", "DYNWIN LO",      "DYNWIN HI", "COLOR GROUP",     "LED MODE",
    "GAIN",           "INTEGRAL",
};

struct TeachVector {
    uint16_t Cell0;     // X (red content) of the taught colour
    uint16_t Cell1;     // Y (green content)
    uint16_t Cell2;     // intensity
    uint16_t Cell3;     // tolerance: radius of the circle around the taught point
    uint16_t Cell4;
    uint16_t Group;
    uint16_t Hold;
    uint16_t Reserved;  // the sensor's own word: carried, never saved to a file
};
static_assert(sizeof(TeachVector) == 16);

inline constexpr int kTeachRows = 64;
inline constexpr int kSensorTeachRows = 32;  // rows 0 to 31 travel to and from the sensor
inline constexpr int kShownTeachRows = 31;   // rows 0 to 30 fill table rows 1 to 31
inline constexpr int kTeachWords = 8;

inline constexpr uint16_t TeachVector::*kTeachWordFields[kTeachWords] = {
    &TeachVector::Cell0, &TeachVector::Cell1, &TeachVector::Cell2, &TeachVector::Cell3,
    &TeachVector::Cell4, &TeachVector::Group, &TeachVector::Hold,  &TeachVector::Reserved,
};
// Word w (1 to 8) of a row, as the tables and files count them.
inline uint16_t& TeachWord(TeachVector& row, int w) { return row.*kTeachWordFields[w - 1]; }
inline uint16_t TeachWord(const TeachVector& row, int w) { return row.*kTeachWordFields[w - 1]; }

using TeachTable = std::array<TeachVector, kTeachRows>;
static_assert(sizeof(TeachTable) == 1024);

