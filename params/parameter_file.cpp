// Saving and loading the parameter file: the file dialog, the header, the checks on loading and
// the refresh of the views afterwards. The sections themselves are parameter_file_sections.cpp.
#include "params/parameter_file.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "params/parameter_file_layout.h"
#include "params/parameter_file_path.h"
#include "params/parameter_set.h"
#include "params/range_report.h"
#include "params/working_copy_notify.h"
#include "platform/files.h"
#include "platform/popups.h"

namespace {

constexpr char kAttention[] = "ATTENTION!";
constexpr char kNoFileSelected[] = "No file was selected!";

// Runs the dialog from the folder of the parameter file path. The choice goes into `chosen`
// (MAX_PATHNAME_LEN bytes); the caller decides whether it becomes the new parameter file path.
int SelectParameterFile(int buttonLabel, char* chosen)
{
    EnsureParameterFilePath();
    char drive[MAX_DRIVENAME_LEN];
    char dir[MAX_DIRNAME_LEN];
    char startDir[MAX_DRIVENAME_LEN + MAX_DIRNAME_LEN];
    if (SplitPath(ParameterFilePath, drive, dir, nullptr) == 0)
        std::snprintf(startDir, sizeof startDir, "%s%s", drive, dir);
    else
        startDir[0] = '\0';  // a path no dialog could start from: let it use the current folder
    std::snprintf(chosen, MAX_PATHNAME_LEN, "%s", ParameterFilePath);
    return FileSelectPopup(startDir, "Parameter.ini", "*.ini", "Parameter", buttonLabel, 0, 0, 1, 1,
                           chosen);
}

void AdoptParameterFilePath(const char* chosen)
{
    std::snprintf(ParameterFilePath, sizeof ParameterFilePath, "%s", chosen);
}

void ReportWriteFailure(const char* path, int code)
{
    char text[MAX_PATHNAME_LEN + 256];
    std::snprintf(text, sizeof text,
                  "The parameter file could not be saved:\n%s\n\n%s (error %d)\n"
                  "An earlier file of this name is unchanged.",
                  path, GetToolboxErrorString(code), code);
    MessagePopup(kAttention, text);
}

void ReportReadFailure(const char* path, int code)
{
    char text[MAX_PATHNAME_LEN + 256];
    std::snprintf(text, sizeof text, "The parameter file could not be read:\n%s\n\n%s (error %d)",
                  path, GetToolboxErrorString(code), code);
    MessagePopup(kAttention, text);
}

// Builds the whole document; 0 or the first failing put's code.
int FillParameterDocument(IniText ini)
{
    int status = Ini_PutString(ini, kGeneralInfoSection, kFileTypeKey, kFileTypeValue);
    if (status == 0)
        status = Ini_PutString(ini, kGeneralInfoSection, kVersionKey, kVersionValue);
    if (status == 0)
        status = AppendParaToIniHandle(ini);
    if (status == 0)
        status = AppendTechVecToIniHandle(ini);
    return status;
}

// True when the header string under key is exactly `expected` (case counts), or the operator
// wants to go on anyway.
bool HeaderAcceptedOrOverridden(IniText ini, const char* key, const char* expected,
                                const char* question)
{
    char value[1024];
    value[0] = '\0';
    if (Ini_GetStringIntoBuffer(ini, kGeneralInfoSection, key, value, sizeof value) <= 0)
        value[0] = '\0';
    if (std::strcmp(value, expected) == 0)
        return true;
    return ConfirmPopup(kAttention, question) == 1;
}

}  // namespace

int WriteParaToPath(const char* path)
{
    IniText ini = Ini_New(0);
    int status = ini ? FillParameterDocument(ini) : kIniOutOfMemory;
    // An incomplete document is not written: it would replace a good file with a partial one.
    if (status == 0)
        status = Ini_WriteToFile(ini, path);
    Ini_Dispose(ini);
    return status < 0 ? status : 0;
}

int SendParaToFile()
{
    char chosen[MAX_PATHNAME_LEN];
    int selected = SelectParameterFile(VAL_SAVE_BUTTON, chosen);
    if (selected != VAL_EXISTING_FILE_SELECTED && selected != VAL_NEW_FILE_SELECTED) {
        MessagePopup(kAttention, kNoFileSelected);
        return 0;
    }
    AdoptParameterFilePath(chosen);
    const int status = WriteParaToPath(chosen);
    if (status < 0)
        ReportWriteFailure(chosen, status);
    return status < 0 ? status : 1;
}

int ReadParaFromPath(const char* path)
{
    IniText ini = Ini_New(0);
    // A file that cannot be read (or only in part) is not a file of the wrong type: going on
    // would replace the working copy with fallbacks. Nothing changes then.
    const int read = ini ? Ini_ReadFromFile(ini, path) : kIniOutOfMemory;
    if (read < 0) {
        Ini_Dispose(ini);
        return read;
    }
    bool proceed =
        HeaderAcceptedOrOverridden(ini, kFileTypeKey, kFileTypeValue,
                                   "Selected file is not a parameter file! \n"
                                   "Do you want to proceed anyway?") &&
        HeaderAcceptedOrOverridden(ini, kVersionKey, kVersionValue,
                                   "Selected file and diror version do not match! \n"
                                   "Do you want to proceed anyway?");
    if (proceed) {
        AcquireParaFromIniHandle(ini);
        AcquireTechVecFromIniHandle(ini);
        ReportOutOfRangeValues(ini);
    } else {
        MessagePopup(kAttention, "No parameter where read!");
    }
    Ini_Dispose(ini);
    return proceed ? 1 : kParaFileRefused;
}

void ReadParaFromFile()
{
    char chosen[MAX_PATHNAME_LEN];
    // A new name from the dialog names no file to load, so it counts as nothing chosen.
    if (SelectParameterFile(VAL_LOAD_BUTTON, chosen) != VAL_EXISTING_FILE_SELECTED) {
        MessagePopup(kAttention, kNoFileSelected);
        return;
    }
    AdoptParameterFilePath(chosen);
    const int result = ReadParaFromPath(chosen);
    if (result < 0 && result != kParaFileRefused) {
        ReportReadFailure(chosen, result);
        return;
    }
    // The views follow the working copy whether or not it changed.
    NotifyParametersChanged(result == 1 ? 1 : 0);
}
