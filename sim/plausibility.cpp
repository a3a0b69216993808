#include "sim/plausibility.h"

namespace sim {

const Range kParameterRanges[kParameterCount] = {
    {0, 1000},   // POWER
    {0, 1},      // POWER MODE
    {1, 32768},  // AVERAGE
    {0, 3},      // EVALUATION MODE
    {0, 10000},  // HOLD FAIL
    {0, 4095},   // INTLIM
    {1, 31},     // MAX VEC NO (3 on edition 2, see CheckParameters)
    {0, 2},      // DIGITAL OUTMODE
    {0, 3},      // TRIGGER
    {0, 2},      // EXTERN TEACH
    {0, 7},      // CALCULATION MODE
    {0, 4095},   // DYNWIN LO
    {0, 4095},   // DYNWIN HI
    {0, 1},      // COLOR GROUP
    {0, 3},      // LED MODE
    {1, 8},      // GAIN
    {1, 255},    // INTEGRAL
};

const Range kTeachWordRanges[kTeachWords] = {
    {0, 4095}, {0, 4095}, {0, 4095}, {0, 4095},  // X, Y, intensity, tolerance
    {1, 0},                                      // CELL 4: not checked
    {0, 255},  {0, 10000},                       // GROUP, HOLD
    {1, 0},                                      // the eighth word: not checked
};

int MaxColours(int edition) { return edition == 2 ? 3 : 31; }

ParameterSet DefaultParameters(int edition)
{
    ParameterSet p{};
    p.Power = 500;
    p.PowerMode = 0;
    p.Average = 256;
    p.EvaluationMode = 1;
    p.HoldFail = 10;
    p.IntLim = 0;
    p.MaxVecNo = 1;
    p.DigitalOutmode = edition == 3 ? 2 : 1;
    p.Trigger = 0;
    p.ExternTeach = 0;
    p.CalculationMode = 3;
    p.DynwinLo = 3200;
    p.DynwinHi = 3300;
    p.ColorGroup = 0;
    p.LedMode = 1;
    p.Gain = 6;
    p.Integral = 1;
    return p;
}

TeachVector DefaultTeachRow() { return TeachVector{1, 1, 1, 1, 1, 1, 10, 1}; }

SensorRows DefaultRows()
{
    SensorRows rows;
    rows.fill(DefaultTeachRow());
    return rows;
}

int CheckParameters(ParameterSet& set, int edition)
{
    const ParameterSet defaults = DefaultParameters(edition);
    int reset = 0;
    for (int i = 0; i < kParameterCount; ++i) {
        Range r = kParameterRanges[i];
        if (kParameterFields[i] == &ParameterSet::MaxVecNo)
            r.hi = static_cast<uint16_t>(MaxColours(edition));
        uint16_t& value = set.*kParameterFields[i];
        if (value < r.lo || value > r.hi) {
            value = defaults.*kParameterFields[i];
            ++reset;
        }
    }
    return reset;
}

int CheckRows(SensorRows& rows)
{
    const TeachVector defaults = DefaultTeachRow();
    int reset = 0;
    for (TeachVector& row : rows)
        for (int w = 1; w <= kTeachWords; ++w) {
            const Range r = kTeachWordRanges[w - 1];
            if (r.lo > r.hi)
                continue;
            uint16_t& value = TeachWord(row, w);
            if (value < r.lo || value > r.hi) {
                value = TeachWord(defaults, w);
                ++reset;
            }
        }
    return reset;
}

}  // namespace sim
