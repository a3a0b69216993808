// The one array operation of the run-time's analysis library the program uses.
#pragma once

// Shifts the n elements of input by shift places into output: output[i] = input[i - shift],
// and the places that no input element reaches become 0. A negative shift moves towards the
// start. input and output may be the same array. Returns 0, or -1 for n < 0 or a null array.
int Shift(const double* input, int n, int shift, double* output);
