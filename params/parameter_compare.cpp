// Comparing two configurations value by value.
#include <cstdio>

#include "params/configuration.h"
#include "params/parameter_file_layout.h"
#include "params/parameter_set.h"

std::vector<Difference> CompareConfigurations(const Configuration& left, const Configuration& right,
                                              CompareScope scope)
{
    std::vector<Difference> out;
    for (int i = 0; i < kParameterCount; ++i) {
        const uint16_t a = left.para.*kParameterFields[i];
        const uint16_t b = right.para.*kParameterFields[i];
        if (a != b)
            out.push_back({kParameterKeys[i], a, b});
    }
    const int rows = scope.rows < kTeachRows ? scope.rows : kTeachRows;
    const int words = scope.words < kTeachWords ? scope.words : kTeachWords;
    for (int row = 0; row < rows; ++row) {
        for (int w = 1; w <= words; ++w) {
            const uint16_t a = TeachWord(left.rows[row], w);
            const uint16_t b = TeachWord(right.rows[row], w);
            if (a == b)
                continue;
            char name[48];
            std::snprintf(name, sizeof name, "TEACH VECTOR %d %s", row,
                          w <= kSavedTeachWords ? kTeachKeys[w - 1] : "WORD 8");
            out.push_back({name, a, b});
        }
    }
    return out;
}

Configuration WorkingCopy() { return Configuration{Para, TechVec}; }

void SetWorkingCopy(const Configuration& configuration)
{
    Para = configuration.para;
    TechVec = configuration.rows;
}
