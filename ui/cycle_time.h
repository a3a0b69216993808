// The scan frequency the sensor reports.
#pragma once

#include <cstdint>

// Asks the sensor for its scan counts A and B and shows A / (B * 0.01) Hz in the scan-frequency
// display: no decimals above 1000, one above 1, two otherwise. A failed request shows 0; a B of
// 0 shows 0 too, with a notice in the status box.
void GetCycleTime();

// The frequency of the counts, or 0 for B = 0; and the display's decimals for a frequency.
double ScanFrequency(int32_t a, int32_t b);
int ScanFrequencyPrecision(double frequency);
