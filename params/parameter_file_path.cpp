#include "params/parameter_file_path.h"

#include <cstdio>

#include "platform/runtime.h"

char ParameterFilePath[kParameterFilePathSize] = {};

void SetDefaultParameterFilePath()
{
    char dir[kParameterFilePathSize];
    GetProjectDir(dir, sizeof dir);
    // A program folder too deep for the name leaves only the folder: the dialog still starts
    // there, where a cut name would point somewhere else.
    const int n = std::snprintf(ParameterFilePath, sizeof ParameterFilePath, "%s%s%s", dir,
                                kPathSeparator, "Parameter.ini");
    if (n < 0 || n >= static_cast<int>(sizeof ParameterFilePath))
        std::snprintf(ParameterFilePath, sizeof ParameterFilePath, "%s", dir);
}

void EnsureParameterFilePath()
{
    if (ParameterFilePath[0] == '\0')
        SetDefaultParameterFilePath();
}
