#include "platform/analysis.h"

#include <cstdlib>
#include <cstring>

int Shift(const double* input, int n, int shift, double* output)
{
    if (n < 0 || (n > 0 && (input == nullptr || output == nullptr)))
        return -1;
    const long distance = std::labs(static_cast<long>(shift));
    if (distance >= n) {
        for (int i = 0; i < n; ++i)
            output[i] = 0.0;
        return 0;
    }
    const int kept = n - static_cast<int>(distance);
    // memmove, because shifting in place is the usual call.
    if (shift < 0) {
        std::memmove(output, input + distance, sizeof(double) * kept);
        for (int i = kept; i < n; ++i)
            output[i] = 0.0;
    } else {
        std::memmove(output + distance, input, sizeof(double) * kept);
        for (int i = 0; i < distance; ++i)
            output[i] = 0.0;
    }
    return 0;
}
