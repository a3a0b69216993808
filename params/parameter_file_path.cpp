#include "params/parameter_file_path.h"

#include <cstdio>

#include "platform/runtime.h"
#include "platform/user_dirs.h"

char ParameterFilePath[kParameterFilePathSize] = {};

int FormDefaultParameterFolder(const char* programDir, char* dir, size_t cap)
{
    // As the settings file: beside the program when its folder can be written there; an
    // installed program cannot, so the user's documents (or home) folder; the program's folder
    // is the one place left without either.
    if (programDir && *programDir && IsFolderWritable(programDir) == 1) {
        std::snprintf(dir, cap, "%s", programDir);
        return 1;
    }
    if (GetUserDocumentsDir(dir, cap) == 0)
        return 2;
    std::snprintf(dir, cap, "%s", programDir ? programDir : "");
    return 0;
}

namespace {

void defaultFolder(char* dir, size_t cap)
{
    char program[kParameterFilePathSize] = "";
    GetProjectDir(program, sizeof program);
    FormDefaultParameterFolder(program, dir, cap);
}

}  // namespace

void SetDefaultParameterFolder() { defaultFolder(ParameterFilePath, sizeof ParameterFilePath); }

void SetDefaultParameterFilePath()
{
    char dir[kParameterFilePathSize];
    defaultFolder(dir, sizeof dir);
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
