// The workbench's actions: SEND with its optional preview and the read-back afterwards, the
// comparisons, the snapshots and the workbench's own parameter files with identity.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "link/connection.h"
#include "link/firmware.h"
#include "link/frame.h"
#include "link/sensor_snapshot.h"
#include "params/configuration_file.h"
#include "params/parameter_file_path.h"
#include "params/parameter_set.h"
#include "link/sensor_context.h"
#include "params/program_state.h"
#include "params/snapshots.h"
#include "platform/controls.h"
#include "platform/files.h"
#include "platform/popups.h"
#include "platform/table_edit.h"
#include "platform/userint.h"
#include "ui/dimming.h"
#include "ui/live_display.h"
#include "ui/main_window.h"
#include "ui/panel_handles.h"
#include "ui/panel_values.h"
#include "ui/uir.h"
#include "ui/workbench.h"

namespace {

constexpr char kAttention[] = "ATTENTION!";
constexpr char kRamNotice[] = "PARAMETER IN RAM DID NOT PASS PLAUSIBILITY CHECK";

void showDifferences(const char* title, const std::vector<Difference>& differences)
{
    const int panel = WorkbenchPanel();
    char heading[200];
    std::snprintf(heading, sizeof heading, "%s: %s", title,
                  differences.empty() ? "no differences" : "");
    if (!differences.empty())
        std::snprintf(heading, sizeof heading, "%s: %zu difference%s", title, differences.size(),
                      differences.size() == 1 ? "" : "s");
    SetCtrlVal(panel, WBP_DIFF_TITLE, heading);
    SetNumTableRows(panel, WBP_DIFFS, static_cast<int>(differences.size()));
    for (size_t i = 0; i < differences.size(); ++i) {
        const int row = static_cast<int>(i) + 1;
        SetTableCellValText(panel, WBP_DIFFS, MakePoint(1, row), differences[i].name.c_str());
        SetTableCellVal(panel, WBP_DIFFS, MakePoint(2, row), differences[i].left);
        SetTableCellVal(panel, WBP_DIFFS, MakePoint(3, row), differences[i].right);
    }
}

bool refusedWhileBusy()
{
    if (!workbench::SensorBusy())
        return false;
    workbench::ShowMessage("A sensor operation is under way; try again when it has finished.");
    return true;
}

bool sensorReady()
{
    if (SensorConnected == 1 && AcquisitionRunning == 0)
        return true;
    workbench::ShowMessage(AcquisitionRunning ? "Stop the live display first."
                                              : "No sensor connected.");
    return false;
}

// A fresh read of the sensor's working memory, bracketed like every sensor operation.
bool readSensor(Configuration* read)
{
    SetButtonsDimmed(0, 1);
    const int result = ReadSensorConfiguration(read);
    SetButtonsDimmed(0, 0);
    return result == 1;
}

// A file dialog starting in `folder`; the chosen path goes into path (MAX_PATHNAME_LEN).
bool chooseFile(const char* folder, const char* title, int button, char* path)
{
    std::snprintf(path, MAX_PATHNAME_LEN, "%s", "");
    const int result = FileSelectPopup(folder, "*.ini", "*.ini", title, button, 0, 0, 1, 1, path);
    return button == VAL_SAVE_BUTTON ? result == VAL_EXISTING_FILE_SELECTED || result == VAL_NEW_FILE_SELECTED
                                     : result == VAL_EXISTING_FILE_SELECTED;
}

std::string parameterFileFolder()
{
    EnsureParameterFilePath();
    char drive[MAX_DRIVENAME_LEN], dir[MAX_DIRNAME_LEN];
    if (SplitPath(ParameterFilePath, drive, dir, nullptr) != 0)
        return {};
    return std::string(drive) + dir;
}

// A file that names a sensor of another edition than the connected one is used only when the
// operator says so.
bool identityAccepted(const SensorIdentity& identity)
{
    if (identity.firmware.empty() || SensorConnected != 1)
        return true;
    if (SensorEditionOf(SplitFirmwareText(identity.firmware)) == SensorEdition)
        return true;
    const std::string question = "The file was saved from a sensor of another edition:\n" +
                                 identity.firmware + "\nThe connected sensor is:\n" + FirmwareText +
                                 "\n\nDo you want to use it anyway?";
    return ConfirmPopup(kAttention, question.c_str()) == 1;
}

// Loads a chosen file for comparing or for the working copy. Word 8 of every row, which no file
// holds, is the working copy's.
bool loadChosen(const char* path, Configuration* loaded)
{
    *loaded = WorkingCopy();
    SensorIdentity identity;
    if (LoadConfigurationFile(path, loaded, &identity) != 1) {
        const std::string text = std::string("Not a parameter file, or it cannot be read:\n") + path;
        MessagePopup(kAttention, text.c_str());
        return false;
    }
    return identityAccepted(identity);
}

void compareWithFile(const std::string& folder, const char* title)
{
    char path[MAX_PATHNAME_LEN];
    if (!chooseFile(folder.c_str(), title, VAL_LOAD_BUTTON, path))
        return;
    Configuration file;
    if (loadChosen(path, &file))
        showDifferences("Working copy (left) and file (right)",
                        CompareConfigurations(WorkingCopy(), file, kFileScope));
}

// Puts a file's values into the working copy; they stay marked until sent or saved.
void restoreFrom(const std::string& folder, const char* title)
{
    if (refusedWhileBusy())
        return;
    const workbench::BusyScope scope;
    char path[MAX_PATHNAME_LEN];
    if (!chooseFile(folder.c_str(), title, VAL_LOAD_BUTTON, path))
        return;
    Configuration file;
    if (!loadChosen(path, &file))
        return;
    SetWorkingCopy(file);
    SetPanelValues();
    InitGraphs();
    ShowGraph3D();
    workbench::ShowValues();
    const std::string text = std::string("Loaded into the working copy (not yet sent): ") + path;
    workbench::ShowMessage(text.c_str());
}

// After a SEND: what the sensor holds now against what was sent. A value the sensor's
// plausibility check reset shows as a difference.
void readBack(bool afterNotice)
{
    const uint16_t connected = SensorConnected;
    // The notice went through the link-error report; the read goes on as the SEND did.
    SensorConnected = 1;
    Configuration sensor;
    if (!readSensor(&sensor))
        return;
    if (afterNotice)
        SensorConnected = connected;
    const auto differences = CompareConfigurations(WorkingCopy(), sensor, kSensorScope);
    showDifferences("Sent (left) and read back from the sensor (right)", differences);
    workbench::ShowMessage(differences.empty()
                               ? "Sent; the sensor holds every value as sent."
                               : "Sent; the sensor reset the values listed below to its defaults "
                                 "(see its notice in the status box).");
}

}  // namespace

int CBF_WbSend(int, int, int event, void*, int, int)
{
    if (event != EVENT_COMMIT || refusedWhileBusy())
        return 0;
    const workbench::BusyScope scope;
    const bool toSensor = TransferTarget != kTargetFile && AcquisitionRunning == 0;
    int preview = 0;
    GetCtrlVal(WorkbenchPanel(), WBP_PREVIEW, &preview);
    if (preview && toSensor) {
        if (!sensorReady())
            return 0;
        Configuration sensor;
        if (!readSensor(&sensor))
            return 0;
        const auto differences = CompareConfigurations(WorkingCopy(), sensor, kSensorScope);
        showDifferences("Working copy (left) and sensor (right)", differences);
        char question[120];
        std::snprintf(question, sizeof question, "Send the working copy to the sensor?\n%zu value%s will change.",
                      differences.size(), differences.size() == 1 ? "" : "s");
        if (ConfirmPopup(kAttention, question) != 1)
            return 0;
    }
    MsgBuf[0] = '\0';
    CBF_ButtonSend(MainPanel, MAINP_BUTTON_SEND, EVENT_COMMIT, nullptr, 0, 0);
    if (!toSensor) {
        workbench::ShowMessage(TransferTarget == kTargetFile
                                   ? "SEND went to the parameter file."
                                   : "SEND is served by the live display at its next pass.");
        return 0;
    }
    const bool notice = std::strstr(MsgBuf, kRamNotice) != nullptr;
    if (SensorConnected != 1 && !notice)
        return 0;  // the link failed; its report is in the status box
    workbench::AcceptWorkingCopy();
    readBack(notice);
    return 0;
}

int CBF_WbCompareSensor(int, int, int event, void*, int, int)
{
    if (event != EVENT_COMMIT || refusedWhileBusy() || !sensorReady())
        return 0;
    const workbench::BusyScope scope;
    Configuration sensor;
    if (readSensor(&sensor))
        showDifferences("Working copy (left) and sensor (right)",
                        CompareConfigurations(WorkingCopy(), sensor, kSensorScope));
    return 0;
}

int CBF_WbCompareFile(int, int, int event, void*, int, int)
{
    if (event == EVENT_COMMIT)
        compareWithFile(parameterFileFolder(), "Compare with parameter file");
    return 0;
}

int CBF_WbCompareSnapshot(int, int, int event, void*, int, int)
{
    if (event == EVENT_COMMIT)
        compareWithFile(SnapshotFolder(), "Compare with snapshot");
    return 0;
}

int CBF_WbRestoreSnapshot(int, int, int event, void*, int, int)
{
    if (event == EVENT_COMMIT)
        restoreFrom(SnapshotFolder(), "Restore snapshot");
    return 0;
}

int CBF_WbOpenFile(int, int, int event, void*, int, int)
{
    if (event == EVENT_COMMIT)
        restoreFrom(parameterFileFolder(), "Open parameter file");
    return 0;
}

int CBF_WbSaveFile(int, int, int event, void*, int, int)
{
    if (event != EVENT_COMMIT)
        return 0;
    char path[MAX_PATHNAME_LEN];
    if (!chooseFile(parameterFileFolder().c_str(), "Save parameter file", VAL_SAVE_BUTTON, path))
        return 0;
    // The identity of the connected sensor goes with the values; offline there is none to give.
    const SensorIdentity identity = ConnectedSensorIdentity();
    const int status = WriteConfigurationFile(path, WorkingCopy(), SensorConnected == 1 ? &identity : nullptr);
    if (status < 0) {
        char text[MAX_PATHNAME_LEN + 80];
        std::snprintf(text, sizeof text, "The parameter file could not be saved:\n%s\n(error %d)", path, status);
        MessagePopup(kAttention, text);
        return 0;
    }
    workbench::AcceptWorkingCopy();
    const std::string text = std::string("Saved: ") + path;
    workbench::ShowMessage(text.c_str());
    return 0;
}
