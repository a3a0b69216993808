// What the suites that serve several sensors from one event loop share.
#pragma once

#include <cstdint>

#include "params/records.h"
#include "platform/runtime.h"

// Lets the event loop serve every sensor for `seconds`.
inline void Settle(double seconds)
{
    const double end = Timer() + seconds;
    while (Timer() < end)
        WaitSystemEvents(end - Timer());
}

// A parameter set the simulated sensor's plausibility check keeps, different for each base.
inline ParameterSet DistinctParameters(uint16_t base)
{
    ParameterSet p{};
    p.Power = 500;
    p.Average = 256;
    p.EvaluationMode = 1;
    p.MaxVecNo = 1;
    p.DigitalOutmode = 1;
    p.CalculationMode = 3;
    p.LedMode = 1;
    p.Gain = 6;
    p.Integral = 1;
    p.HoldFail = static_cast<uint16_t>(base + 7);
    p.IntLim = static_cast<uint16_t>(base % 4000);
    p.DynwinLo = static_cast<uint16_t>(3000 + base % 1000);
    p.DynwinHi = 4000;
    return p;
}
