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

// "TEACH VECTOR " and the row number without leading zeros.
struct TeachSectionName {
    explicit TeachSectionName(int row) { std::snprintf(text, sizeof text, "TEACH VECTOR %d", row); }
    char text[32];
};
