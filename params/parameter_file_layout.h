// Names and fixed texts of the parameter file, shared by its writer and its reader.
#pragma once

#include <cstdio>
#include <cstring>

#include "platform/version.h"

inline constexpr char kGeneralInfoSection[] = "GENERAL INFO";
inline constexpr char kFileTypeKey[] = "FILE TYPE:";
inline constexpr char kFileTypeValue[] = "Parameter File";
inline constexpr char kVersionKey[] = "DIROR VERSION:";
inline constexpr const auto& kVersionValue = kProductVersionText;
inline constexpr char kParameterSection[] = "PARAMETER";

// Keys of words 1 to 7 of a teach row; the eighth word has none.
inline constexpr int kSavedTeachWords = 7;
inline constexpr const char* kTeachKeys[kSavedTeachWords] = {
    "CELL 0", "CELL 1", "CELL 2", "CELL 3", "CELL 4", "GROUP", "HOLD",
};

// "TEACH VECTOR " and the row number without leading zeros. Every load and save names each row,
// so the names of rows 0 to 99 come from a table made at compile time.
namespace parameter_file_detail {
inline constexpr int kNamedRows = 100;  // two digits at most: "TEACH VECTOR 99" and its end
struct TeachSectionNames {
    char text[kNamedRows][16];
    constexpr TeachSectionNames() : text()
    {
        constexpr char prefix[] = "TEACH VECTOR ";
        for (int row = 0; row < kNamedRows; ++row) {
            int n = 0;
            for (; prefix[n] != '\0'; ++n)
                text[row][n] = prefix[n];
            if (row >= 10)
                text[row][n++] = static_cast<char>('0' + row / 10);
            text[row][n++] = static_cast<char>('0' + row % 10);
            text[row][n] = '\0';
        }
    }
};
inline constexpr TeachSectionNames kTeachSectionNames;
}  // namespace parameter_file_detail

struct TeachSectionName {
    explicit TeachSectionName(int row)
    {
        if (row >= 0 && row < parameter_file_detail::kNamedRows)
            std::memcpy(text, parameter_file_detail::kTeachSectionNames.text[row], 16);
        else
            std::snprintf(text, sizeof text, "TEACH VECTOR %d", row);
    }
    char text[32];
};
