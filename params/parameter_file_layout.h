// Names and fixed texts of the parameter file, shared by its writer and its reader.
#pragma once

#include <cstdio>

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

// "TEACH VECTOR " and the row number without leading zeros. Made once per row on every load and
// save, so the digits are written directly rather than through a format.
struct TeachSectionName {
    explicit TeachSectionName(int row)
    {
        constexpr char prefix[] = "TEACH VECTOR ";
        char* p = text;
        for (const char* q = prefix; *q != '\0'; ++q)
            *p++ = *q;
        long long value = row;
        if (value < 0) {
            *p++ = '-';
            value = -value;
        }
        char digits[12];
        int n = 0;
        do {
            digits[n++] = static_cast<char>('0' + value % 10);
            value /= 10;
        } while (value > 0);
        while (n > 0)
            *p++ = digits[--n];
        *p = '\0';
    }
    char text[32];
};
