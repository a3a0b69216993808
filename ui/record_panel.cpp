#include "ui/record_panel.h"

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <iterator>
#include <system_error>
#include <string>

#include "ini/inifile.h"
#include "link/commands.h"
#include "link/connection.h"
#include "link/sensor_context.h"
#include "params/program_state.h"
#include "platform/controls.h"
#include "platform/files.h"
#include "platform/popups.h"
#include "platform/runtime.h"
#include "platform/user_dirs.h"
#include "platform/userint.h"
#include "record/recorder.h"
#include "ui/help_texts.h"
#include "ui/panel_handles.h"
#include "ui/recorder.h"
#include "ui/uir.h"

namespace {

constexpr char kSettingsFile[] = "Recording.cfg";
constexpr char kGeneral[] = "GENERAL INFO";
constexpr char kFileType[] = "Recording Settings";
constexpr char kRecording[] = "RECORDING";
constexpr char kRateKey[] = "ROWS PER SECOND";  // 0 = every sample
constexpr double kDisplayInterval = 0.25;  // seconds between updates of the state display
constexpr int kRecordingColor = 0xC00000;
constexpr int kPlainColor = 0x000000;

// The recording as the panel sees it, touched only from the user-interface thread.
bool armed = false;       // RECORD is on
bool inLiveRun = false;   // inside the GO button's loop
uint64_t pass = 0;        // passes of the current loop that delivered a sample
double lastDisplay = -1e9;
std::string pendingMessage;  // a failure to show once it is safe to (see Fail)

// RECORD itself is red while it is on, so the state shows on the button too.
void SetArmed(bool on)
{
    armed = on;
    SetCtrlVal(DataPanel, DATAP_BUTTON_RECORD, on ? 1 : 0);
    SetCtrlAttribute(DataPanel, DATAP_BUTTON_RECORD, ATTR_TEXT_COLOR, on ? kRecordingColor : kPlainColor);
}

void Show(const std::string& text, int color)
{
    SetCtrlAttribute(DataPanel, DATAP_RECORD_STATE, ATTR_TEXT_COLOR, color);
    SetCtrlVal(DataPanel, DATAP_RECORD_STATE, text.c_str());
}

std::string FileNameOf(const std::string& path)
{
    const size_t cut = path.find_last_of("/\\");
    return cut == std::string::npos ? path : path.substr(cut + 1);
}

void ShowRecording()
{
    Show("REC " + FileNameOf(RecordingPath()) + ": " + std::to_string(RecordedRows()) + " rows",
         kRecordingColor);
    lastDisplay = Timer();
}

void ShowEnded()
{
    if (RecordingPath().empty())
        Show("", kPlainColor);
    else
        Show("Recorded " + std::to_string(RecordedRows()) + " rows: " + FileNameOf(RecordingPath()),
             kPlainColor);
}

// A failed recording ends: RECORD goes off and the reason stays in the state display. The
// pop-up waits for a moment outside the link's waits, since a modal pop-up inside one would
// hold the exchange past its deadline.
void ShowPendingMessage()
{
    if (pendingMessage.empty())
        return;
    const std::string text = pendingMessage;
    pendingMessage.clear();
    MessagePopup("Attention!", text.c_str());
}

void Fail(bool popupNow)
{
    SetArmed(false);
    Show(RecordingError(), kRecordingColor);
    pendingMessage = RecordingError();
    if (popupNow)
        ShowPendingMessage();
}

void Arm()
{
    SetArmed(true);
    pendingMessage.clear();
    if (inLiveRun)
        Show("RECORD: starts with the next sample", kRecordingColor);
    else
        Show("RECORD: starts with GO", kRecordingColor);
}

void Disarm()
{
    SetArmed(false);
    if (RecordingOpen() && CloseRecording() != 0) {
        // Inside the live loop this callback runs within an exchange's wait.
        Fail(!inLiveRun);
        return;
    }
    ShowEnded();
}

// The rate choice lists record::kRowRates in order.
int RateAt(int index)
{
    constexpr int kCount = static_cast<int>(std::size(record::kRowRates));
    return index >= 0 && index < kCount ? record::kRowRates[index] : 0;
}

int IndexOfRate(int rowsPerSecond)
{
    for (size_t i = 0; i < std::size(record::kRowRates); ++i)
        if (record::kRowRates[i] == rowsPerSecond)
            return static_cast<int>(i);
    return 0;
}

}  // namespace

void RecordingSettingsPath(char* path, int cap)
{
    if (!path || cap <= 0)
        return;
    char dir[MAX_PATHNAME_LEN] = "";
    GetUserConfigDir(dir, sizeof dir);
    std::snprintf(path, static_cast<size_t>(cap), "%s%s%s", dir, kPathSeparator, kSettingsFile);
}

void LoadRecordingSettings(char* folder, int cap, int64_t* rowLimit, int* rowsPerSecond)
{
    if (rowLimit)
        *rowLimit = kDefaultRowLimit;
    if (rowsPerSecond)
        *rowsPerSecond = 0;
    if (!folder || cap <= 0)
        return;
    GetUserDocumentsDir(folder, static_cast<size_t>(cap));
    char path[MAX_PATHNAME_LEN];
    RecordingSettingsPath(path, sizeof path);
    if (GetFileInfo(path, nullptr) <= 0)
        return;
    IniText doc = Ini_New(0);
    if (!doc)
        return;
    Ini_ReadFromFile(doc, path);
    char type[64] = "";
    Ini_GetStringIntoBuffer(doc, kGeneral, "FILE TYPE:", type, sizeof type);
    if (std::string(type) == kFileType) {
        char chosen[MAX_PATHNAME_LEN] = "";
        if (Ini_GetStringIntoBuffer(doc, kRecording, "FOLDER", chosen, sizeof chosen) == 1 &&
            chosen[0] != '\0')
            std::snprintf(folder, static_cast<size_t>(cap), "%s", chosen);
        int32_t limit = 0;
        if (rowLimit && Ini_GetInt(doc, kRecording, "ROW LIMIT", &limit) == 1 && limit > 0)
            *rowLimit = limit;
        // A rate the choice does not offer (an edited file) means every sample.
        int32_t rate = 0;
        if (rowsPerSecond && Ini_GetInt(doc, kRecording, kRateKey, &rate) == 1 && record::IsRowRate(rate))
            *rowsPerSecond = rate;
    }
    Ini_Dispose(doc);
}

int StoreRecordingSettings(const char* folder, int64_t rowLimit, int rowsPerSecond)
{
    char dir[MAX_PATHNAME_LEN] = "";
    char path[MAX_PATHNAME_LEN];
    if (GetUserConfigDir(dir, sizeof dir) != 0)
        return -1;
    RecordingSettingsPath(path, sizeof path);
    IniText doc = Ini_New(0);
    if (!doc)
        return -1;
    Ini_PutString(doc, kGeneral, "FILE TYPE:", kFileType);
    Ini_PutString(doc, kRecording, "FOLDER", folder ? folder : "");
    Ini_PutInt(doc, kRecording, "ROW LIMIT",
               static_cast<int32_t>(rowLimit > 0 && rowLimit <= INT32_MAX ? rowLimit : kDefaultRowLimit));
    Ini_PutInt(doc, kRecording, kRateKey, record::IsRowRate(rowsPerSecond) ? rowsPerSecond : 0);
    const int result = Ini_WriteToFile(doc, path);
    Ini_Dispose(doc);
    return result < 0 ? -1 : 0;
}

int CBF_ButtonRecord(int panel, int control, int event, void*, int, int)
{
    if (event == EVENT_RIGHT_CLICK) {
        ShowHelpText(kHelpButtonRecord);
    } else if (event == EVENT_COMMIT) {
        int on = 0;
        GetCtrlVal(panel, control, &on);
        if (on)
            Arm();
        else
            Disarm();
    }
    return 0;
}

int CBF_ButtonRecordFolder(int, int, int event, void*, int, int)
{
    if (event == EVENT_RIGHT_CLICK) {
        ShowHelpText(kHelpButtonRecordFolder);
    } else if (event == EVENT_COMMIT) {
        char folder[MAX_PATHNAME_LEN];
        int64_t limit = 0;
        int rate = 0;
        LoadRecordingSettings(folder, sizeof folder, &limit, &rate);
        char chosen[MAX_PATHNAME_LEN] = "";
        if (DirSelectPopup(folder, "Recording folder", 1, 1, chosen) == 1 &&
            StoreRecordingSettings(chosen, limit, rate) != 0)
            MessagePopup("Attention!", "The recording folder could not be stored in the settings.");
    }
    return 0;
}

int CBF_RingRecordRate(int panel, int control, int event, void*, int, int)
{
    if (event == EVENT_RIGHT_CLICK) {
        ShowHelpText(kHelpRingRecordRate);
    } else if (event == EVENT_COMMIT) {
        int index = 0;
        GetCtrlVal(panel, control, &index);
        const int rate = RateAt(index);
        char folder[MAX_PATHNAME_LEN];
        int64_t limit = 0;
        LoadRecordingSettings(folder, sizeof folder, &limit);
        if (RecordingOpen() && SetRecordingRate(rate) != 0) {
            Fail(!inLiveRun);
            return 0;
        }
        if (StoreRecordingSettings(folder, limit, rate) != 0) {
            // Inside the live loop a pop-up would hold the exchange: it waits for the loop's end.
            pendingMessage = "The recording rate could not be stored in the settings.";
            if (!inLiveRun)
                ShowPendingMessage();
        }
    }
    return 0;
}

void ShowRecordingSettings()
{
    char folder[MAX_PATHNAME_LEN];
    int64_t limit = 0;
    int rate = 0;
    LoadRecordingSettings(folder, sizeof folder, &limit, &rate);
    SetCtrlVal(DataPanel, DATAP_RECORD_RATE, IndexOfRate(rate));
}

void RecordingRunStarts()
{
    inLiveRun = true;
    pass = 0;
    // Another sensor since the last GO: its samples go to a file of their own.
    if (RecordingOpen() &&
        (RecordingFirmware() != FirmwareText || RecordingSerialNumber() != SerialNumber)) {
        if (CloseRecording() != 0)
            Fail(true);
    } else if (RecordingOpen()) {
        RecordingRunBegins();
        if (!RecordingOpen())
            Fail(true);
    }
}

void RecordingRunEnds()
{
    inLiveRun = false;
    if (RecordingOpen()) {
        if (FlushRecording() != 0)
            Fail(true);
        else
            ShowRecording();
    }
    ShowPendingMessage();
}

void RecordLiveSample()
{
    if (!inLiveRun)
        return;
    ++pass;
    if (!armed)
        return;
    if (!RecordingOpen()) {
        char folder[MAX_PATHNAME_LEN];
        int64_t limit = 0;
        int rate = 0;
        LoadRecordingSettings(folder, sizeof folder, &limit, &rate);
        // The documents folder of a fresh account, or a chosen folder removed since.
        std::error_code ec;
        std::filesystem::create_directories(folder, ec);
        if (OpenRecording(folder, FirmwareText, SerialNumber, limit, rate) != 0) {
            Fail(true);
            return;
        }
        lastDisplay = -1e9;
    }
    record::LiveSample sample;
    sample.r = LiveValue(kLiveR);
    sample.g = LiveValue(kLiveG);
    sample.b = LiveValue(kLiveB);
    sample.x = LiveValue(kLiveX);
    sample.y = LiveValue(kLiveY);
    sample.intensity = LiveValue(kLiveInt);
    sample.colorNo = LiveValue(kLiveColorNo);
    sample.pass = pass;
    if (RecordRow(sample) != 0) {
        Fail(true);
        return;
    }
    if (Timer() - lastDisplay >= kDisplayInterval)
        ShowRecording();
}

void RecordingWindowCloses()
{
    SetArmed(false);
    if (RecordingOpen() && CloseRecording() != 0)
        Fail(AcquisitionRunning == 0 && !inLiveRun);
}
