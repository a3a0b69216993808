#include "params/parameter_set.h"

#include "params/program_state.h"

void FillDefaultValues(ParameterSet& para, TeachTable& rows, int withColorCount)
{
    para.Power = 500;
    para.PowerMode = 0;
    para.Average = 256;
    para.EvaluationMode = 1;
    para.HoldFail = 10;
    para.IntLim = 0;
    para.Trigger = 0;
    para.ExternTeach = 0;
    para.CalculationMode = 3;
    para.DynwinLo = 3200;
    para.DynwinHi = 3300;
    para.ColorGroup = 0;
    para.LedMode = 1;
    para.Gain = 6;
    para.Integral = 1;
    if (withColorCount != 0) {
        para.MaxVecNo = 1;
        para.DigitalOutmode = SensorEdition == 3 ? 2 : 1;
    }
    for (TeachVector& row : rows)
        row = TeachVector{1, 1, 1, 1, 1, 1, 10, 1};
}

void LoadDefaultParaValues(int withColorCount) { FillDefaultValues(Para, TechVec, withColorCount); }

uint16_t DefaultParameterValue(int index)
{
    ParameterSet para{};
    TeachTable rows{};
    FillDefaultValues(para, rows, 1);
    return index >= 0 && index < kParameterCount ? para.*kParameterFields[index] : 0;
}

int OutputCount() { return SensorEdition == 2 ? 2 : 5; }

int MaxColorCount() { return SensorEdition == 2 ? 3 : 31; }
