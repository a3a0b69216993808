#include "params/parameter_set.h"

#include "params/program_state.h"

void LoadDefaultParaValues(int withColorCount)
{
    Para.Power = 500;
    Para.PowerMode = 0;
    Para.Average = 256;
    Para.EvaluationMode = 1;
    Para.HoldFail = 10;
    Para.IntLim = 0;
    Para.Trigger = 0;
    Para.ExternTeach = 0;
    Para.CalculationMode = 3;
    Para.DynwinLo = 3200;
    Para.DynwinHi = 3300;
    Para.ColorGroup = 0;
    Para.LedMode = 1;
    Para.Gain = 6;
    Para.Integral = 1;
    if (withColorCount != 0) {
        Para.MaxVecNo = 1;
        Para.DigitalOutmode = SensorEdition == 3 ? 2 : 1;
    }
    for (TeachVector& row : TechVec)
        row = TeachVector{1, 1, 1, 1, 1, 1, 10, 1};
}

int OutputCount() { return SensorEdition == 2 ? 2 : 5; }

int MaxColorCount() { return SensorEdition == 2 ? 3 : 31; }
