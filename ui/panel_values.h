// The working copy as the main panel and the parameter page show it.
#pragma once

// Copies AVERAGE, POWER, MAX VEC NO, GAIN, INTEGRAL and words 1 to 4 of rows 0 to 30 into the
// main panel and the parameter page. Nothing flows back except AVERAGE, which SEND reads.
void SetPanelValues();
