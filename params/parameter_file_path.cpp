#include "params/parameter_file_path.h"

#include <cstdio>

#include "platform/runtime.h"
#include "platform/user_dirs.h"

char ParameterFilePath[kParameterFilePathSize] = {};

void SetDefaultParameterFolder()
{
    // Without a documents or home folder the program's folder is the one place left.
    if (GetUserDocumentsDir(ParameterFilePath, sizeof ParameterFilePath) != 0)
        GetProjectDir(ParameterFilePath, sizeof ParameterFilePath);
}

void SetDefaultParameterFilePath()
{
    char dir[kParameterFilePathSize];
    if (GetUserDocumentsDir(dir, sizeof dir) != 0)
        GetProjectDir(dir, sizeof dir);
    // A folder too deep for the name leaves only the folder: the dialog still starts there,
    // where a cut name would point somewhere else.
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
