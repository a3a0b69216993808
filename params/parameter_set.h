// The working copy of the sensor's configuration: one ParameterSet and one TeachTable for the
// window's sensor, changed in place by sensor reads, parameter files, defaults and the assistant.
// The record layouts are params/records.h.
#pragma once

#include <cstdint>

#include "params/records.h"

// The default sensor's working copy (its context's, link/sensor_context.h). Zero at start,
// until a read, a file, the defaults or the assistant fills it.
extern ParameterSet& Para;
extern TeachTable& TechVec;

// Sets every parameter except MAX VEC NO and DIGITAL OUTMODE, and every word of all 64 rows, to
// its default. A non-zero withColorCount also sets MAX VEC NO to 1 and DIGITAL OUTMODE to 1
// (2 on sensor edition 3).
void LoadDefaultParaValues(int withColorCount);
// The same for any parameter set and teach table.
void FillDefaultValues(ParameterSet& para, TeachTable& rows, int withColorCount);
// The default of the parameter at index (0 to 16, payload order) for the sensor edition in use,
// MAX VEC NO and DIGITAL OUTMODE included; 0 for an index outside.
uint16_t DefaultParameterValue(int index);

// Digital outputs and largest number of colours of the current sensor edition
// (edition 2: 2 and 3; editions 0, 1 and 3: 5 and 31).
int OutputCount();
int MaxColorCount();
