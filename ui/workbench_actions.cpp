// The workbench's actions: SEND with its optional preview and the read-back afterwards, the
// comparisons, the snapshots and the workbench's own parameter files with identity.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "link/commands.h"
#include "link/connection.h"
#include "link/firmware.h"
#include "link/frame.h"
#include "link/sensor_snapshot.h"
#include "params/configuration_file.h"
#include "params/parameter_file.h"
#include "params/parameter_file_path.h"
#include "params/parameter_set.h"
#include "link/sensor_context.h"
#include "params/program_state.h"
#include "params/snapshots.h"
#include "platform/controls.h"
#include "platform/files.h"
#include "platform/popups.h"
#include "platform/table_edit.h"
#include "platform/user_files.h"
#include "platform/userint.h"
#include "ui/dimming.h"
#include "ui/live_display.h"
#include "ui/main_window.h"
#include "ui/panel_handles.h"
#include "ui/panel_values.h"
#include "ui/send_resets.h"
#include "ui/send_snapshots.h"
#include "ui/uir.h"
#include "ui/unsent_edits.h"
#include "ui/workbench.h"

namespace {

constexpr char kAttention[] = "ATTENTION!";

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
bool readSensor(Configuration* read, const char* reason)
{
    SetButtonsDimmed(0, 1);
    const int result = ReadSensorConfiguration(read, reason);
    SetButtonsDimmed(0, 0);
    if (result == 1)
        SensorHolds(*read);
    workbench::ShowSnapshots();  // the read may have added one
    return result == 1;
}

// A file dialog starting in `folder`, offering files matching `pattern`; the chosen path goes into path
// (MAX_PATHNAME_LEN).
bool chooseFile(const char* folder, const char* title, int button, char* path, const char* pattern = "*.ini")
{
    std::snprintf(path, MAX_PATHNAME_LEN, "%s", "");
    const int result = FileSelectPopup(folder, pattern, pattern, title, button, 0, 0, 1, 1, path);
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

// A file that names the sensor it was saved from must fit the connected one: a file of another
// edition holds another parameter set and is refused; one of another sensor of this edition
// is used only when the operator says so.
bool identityAccepted(const SensorIdentity& identity)
{
    if (identity.firmware.empty() || SensorConnected != 1)
        return true;
    if (SensorEditionOf(SplitFirmwareText(identity.firmware)) != SensorEdition) {
        const std::string text = "The file was saved from a sensor of another edition:\n" + identity.firmware +
                                 "\nThe connected sensor is:\n" + FirmwareText +
                                 "\n\nIts values do not fit this sensor; nothing was loaded.";
        MessagePopup(kAttention, text.c_str());
        return false;
    }
    const int serial = static_cast<int>(SerialNumber & 0xFFFF);
    if (identity.serial < 0 || identity.serial == serial)
        return true;
    const std::string question = "The file was saved from the sensor with serial number " +
                                 std::to_string(identity.serial) + ";\nthe connected sensor has serial number " +
                                 std::to_string(serial) + ".\n\nDo you want to use it anyway?";
    return ConfirmPopup(kAttention, question.c_str()) == 1;
}

// Where a file to compare with or to load comes from: a parameter file of the operator's, or one
// of the connected sensor's snapshots (only those are offered, and each is named by when and
// why it was taken).
struct Source {
    std::string folder;
    const char* title;
    bool snapshot;
};

Source parameterFiles(const char* title) { return Source{parameterFileFolder(), title, false}; }
Source snapshots(const char* title) { return Source{SnapshotFolder(), title, true}; }

// The dialog for a source; the chosen path into path, and how the file is named into *name.
bool chooseFrom(const Source& source, char* path, std::string* name)
{
    char pattern[32] = "*.ini";
    if (source.snapshot && SensorConnected == 1)
        std::snprintf(pattern, sizeof pattern, "SN%05u_*.ini", static_cast<unsigned>(SerialNumber & 0xFFFF));
    if (!chooseFile(source.folder.c_str(), source.title, VAL_LOAD_BUTTON, path, pattern))
        return false;
    if (source.snapshot) {
        const std::vector<std::string> kept = ListSnapshots(source.folder, static_cast<int>(SerialNumber & 0xFFFF));
        *name = "snapshot " + SnapshotLabel(path, !kept.empty() && kept.front() == path);
    } else {
        *name = std::string("file ") + path;
    }
    return true;
}

void compareWithFile(const Source& source)
{
    char path[MAX_PATHNAME_LEN];
    std::string name;
    if (!chooseFrom(source, path, &name))
        return;
    Configuration file;
    if (workbench::LoadForComparing(path, &file))
        workbench::ShowDifferences(("Working copy (left) and " + name + " (right)").c_str(),
                        CompareConfigurations(WorkingCopy(), file, kFileScope));
}

// Puts a file's values into the working copy; they stay marked until sent or saved.
void restoreFrom(const Source& source)
{
    if (refusedWhileBusy())
        return;
    const workbench::BusyScope scope;
    char path[MAX_PATHNAME_LEN];
    std::string name;
    if (!chooseFrom(source, path, &name))
        return;
    Configuration file;
    if (!workbench::LoadForComparing(path, &file))
        return;
    SetWorkingCopy(file);
    SetPanelValues();
    InitGraphs();
    ShowGraph3D();
    workbench::ClearDifferences();
    workbench::ShowValues();
    const std::string text = "Loaded into the working copy (not yet sent): " + name;
    workbench::ShowMessage(text.c_str());
}

// After a SEND: what the sensor holds now against what was sent.
void readBack()
{
    Configuration sensor;
    if (!readSensor(&sensor, "after SEND"))
        return;
    const auto differences = CompareConfigurations(WorkingCopy(), sensor, kSensorScope);
    workbench::ShowDifferences("Sent (left) and read back from the sensor (right)", differences);
    workbench::ShowMessage(differences.empty() ? "Sent; the sensor holds every value as sent."
                                               : "Sent; the sensor holds other values than those sent, "
                                                 "listed below.");
}

}  // namespace

void workbench::ShowDifferences(const char* title, const std::vector<Difference>& differences)
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

bool workbench::LoadForComparing(const char* path, Configuration* loaded)
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
        if (!readSensor(&sensor, "before SEND"))
            return 0;
        const auto differences = CompareConfigurations(WorkingCopy(), sensor, kSensorScope);
        workbench::ShowDifferences("Working copy (left) and sensor (right)", differences);
        char question[120];
        std::snprintf(question, sizeof question, "Send the working copy to the sensor?\n%zu value%s will change.",
                      differences.size(), differences.size() == 1 ? "" : "s");
        if (ConfirmPopup(kAttention, question) != 1)
            return 0;
    }
    if (TransferTarget == kTargetFile) {
        // As the SEND button does, with its outcome told here.
        GetCtrlVal(MainPanel, MAINP_AVERAGE, &Para.Average);
        const int saved = SendParaToFile();
        if (saved == 1) {
            WorkingCopyKept();
            workbench::AcceptWorkingCopy();
            const std::string text = std::string("SEND wrote the parameter file ") + ParameterFilePath + ".";
            workbench::ShowMessage(text.c_str());
        } else {
            workbench::ShowMessage(saved == 0 ? "SEND cancelled: no parameter file was chosen."
                                              : "SEND failed: the parameter file could not be written.");
        }
        return 0;
    }
    const uint32_t resets = PlausibilityResets();
    CBF_ButtonSend(MainPanel, MAINP_BUTTON_SEND, EVENT_COMMIT, nullptr, 0, 0);
    if (!toSensor) {
        workbench::ShowMessage("SEND is served by the live display at its next pass.");
        return 0;
    }
    if (SensorConnected != 1)
        return 0;  // the link failed; its report is in the status box
    if (PlausibilityResets() != resets) {
        // The SEND read the sensor back already; the working copy holds its values, the reset
        // ones marked.
        workbench::ShowDifferences("Sent (left) and reset by the sensor (right)", LastSendResets());
        workbench::ShowMessage("Sent; the sensor reset the values listed below to its defaults "
                               "(see its notice in the status box). The working copy now holds them.");
        return 0;
    }
    workbench::AcceptWorkingCopy();
    readBack();
    return 0;
}

int CBF_WbCompareSensor(int, int, int event, void*, int, int)
{
    if (event != EVENT_COMMIT || refusedWhileBusy() || !sensorReady())
        return 0;
    const workbench::BusyScope scope;
    Configuration sensor;
    if (readSensor(&sensor, "compare"))
        workbench::ShowDifferences("Working copy (left) and sensor (right)",
                        CompareConfigurations(WorkingCopy(), sensor, kSensorScope));
    return 0;
}

int CBF_WbCompareFile(int, int, int event, void*, int, int)
{
    if (event == EVENT_COMMIT)
        compareWithFile(parameterFiles("Compare with parameter file"));
    return 0;
}

int CBF_WbCompareSnapshot(int, int, int event, void*, int, int)
{
    if (event == EVENT_COMMIT)
        compareWithFile(snapshots("Compare with snapshot"));
    return 0;
}

int CBF_WbRestoreSnapshot(int, int, int event, void*, int, int)
{
    if (event == EVENT_COMMIT)
        restoreFrom(snapshots("Restore snapshot"));
    return 0;
}

int CBF_WbOpenFile(int, int, int event, void*, int, int)
{
    if (event == EVENT_COMMIT)
        restoreFrom(parameterFiles("Open parameter file"));
    return 0;
}

int CBF_WbSaveFile(int, int, int event, void*, int, int)
{
    if (event != EVENT_COMMIT)
        return 0;
    // Proposed: the sensor's serial number and the time, the snapshots' naming.
    const std::string folder = parameterFileFolder();
    char proposal[MAX_PATHNAME_LEN];
    std::snprintf(proposal, sizeof proposal, "SN%05u_%s.ini",
                  SensorConnected == 1 ? static_cast<unsigned>(SerialNumber & 0xFFFF) : 0u,
                  LocalTimeStamp().c_str());
    char path[MAX_PATHNAME_LEN];
    std::snprintf(path, sizeof path, "%s", "");
    const int chosen = FileSelectPopup(folder.c_str(), proposal, "*.ini", "Save parameter file", VAL_SAVE_BUTTON,
                                       0, 0, 1, 1, path);
    if (chosen != VAL_EXISTING_FILE_SELECTED && chosen != VAL_NEW_FILE_SELECTED) {
        workbench::ShowMessage("SAVE FILE cancelled: no file was chosen.");
        return 0;
    }
    // A name typed without an extension gets ".ini", or OPEN would not list the file.
    char drive[MAX_DRIVENAME_LEN], dir[MAX_DIRNAME_LEN], name[MAX_FILENAME_LEN];
    if (SplitPath(path, drive, dir, name) == 0 && std::strchr(name, '.') == nullptr &&
        std::strlen(path) + 4 < sizeof path)
        std::strcat(path, ".ini");
    // The identity of the connected sensor goes with the values; offline there is none to give.
    const SensorIdentity identity = ConnectedSensorIdentity();
    const int status = WriteConfigurationFile(path, WorkingCopy(), SensorConnected == 1 ? &identity : nullptr);
    if (status < 0) {
        char text[MAX_PATHNAME_LEN + 200];
        std::snprintf(text, sizeof text, "The parameter file could not be saved:\n%s\n\n%s", path,
                      GetToolboxErrorString(status));
        MessagePopup(kAttention, text);
        return 0;
    }
    WorkingCopyKept();
    workbench::AcceptWorkingCopy();
    const std::string text = std::string("Saved: ") + path;
    workbench::ShowMessage(text.c_str());
    return 0;
}
