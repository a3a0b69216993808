// The workbench window: showing the working copy, taking the operator's edits within the
// program's limits, narrowing the parameters by name and setting defaults. Its comparisons, SEND
// and files are workbench_actions.cpp, its list of snapshots workbench_snapshots.cpp.
#include "ui/workbench.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <string>

#include "link/connection.h"
#include "params/configuration.h"
#include "params/parameter_file_layout.h"
#include "params/parameter_limits.h"
#include "params/parameter_set.h"
#include "params/program_state.h"
#include "platform/controls.h"
#include "platform/popups.h"
#include "platform/panels.h"
#include "platform/table_edit.h"
#include "platform/tables.h"
#include "platform/userint.h"
#include "ui/live_display.h"
#include "ui/panel_handles.h"
#include "ui/panel_values.h"
#include "ui/uir.h"
#include "ui/unsent_edits.h"

namespace {

constexpr int kEditedColour = 0xFFE080;  // a value changed here and not yet sent or saved
constexpr int kResetColour = 0xFFB0B0;   // a value the sensor replaced by its default on SEND
constexpr int kValueColumn = 2;

int panel = 0;
bool busy = false;
// What the last SEND sent, while the sensor's resets of it are marked.
Configuration resetFrom{};
bool resetsMarked = false;

// Values are shown as text, so that the cell's editor takes any entry and the limits, not the
// editor, decide what is refused.
void showWord(int control, Point cell, uint16_t value)
{
    char text[8];
    std::snprintf(text, sizeof text, "%u", static_cast<unsigned>(value));
    SetTableCellValText(panel, control, cell, text);
}

void setMark(int control, Point cell, bool edited, bool reset)
{
    SetTableCellAttribute(panel, control, cell, ATTR_TEXT_BGCOLOR,
                          edited ? kEditedColour : reset ? kResetColour : VAL_TRANSPARENT);
}

void showParameter(int i)
{
    const Point cell = MakePoint(kValueColumn, i + 1);
    showWord(WBP_PARAMS, cell, Para.*kParameterFields[i]);
    setMark(WBP_PARAMS, cell, Para.*kParameterFields[i] != KeptConfiguration().para.*kParameterFields[i],
            resetsMarked && Para.*kParameterFields[i] != resetFrom.para.*kParameterFields[i]);
    char limits[32];
    FormatLimits(ParameterLimits(i, MaxColorCount()), limits, sizeof limits);
    SetTableCellValText(panel, WBP_PARAMS, MakePoint(3, i + 1), limits);
}

void showTeachWord(int row, int w)
{
    const Point cell = MakePoint(w, row + 1);
    showWord(WBP_TEACH, cell, TeachWord(TechVec[row], w));
    setMark(WBP_TEACH, cell, TeachWord(TechVec[row], w) != TeachWord(KeptConfiguration().rows[row], w),
            resetsMarked && TeachWord(TechVec[row], w) != TeachWord(resetFrom.rows[row], w));
}

// Builds the tables' fixed parts once: names, meanings, which cells take entries.
void buildTables()
{
    for (int i = 0; i < kParameterCount; ++i) {
        SetTableCellValText(panel, WBP_PARAMS, MakePoint(1, i + 1), kParameterKeys[i]);
        SetTableCellValText(panel, WBP_PARAMS, MakePoint(4, i + 1), ParameterMeaning(i));
        SetTableCellToolTip(panel, WBP_PARAMS, MakePoint(4, i + 1), ParameterMeaning(i));
        SetTableCellEditable(panel, WBP_PARAMS, MakePoint(kValueColumn, i + 1), 1);
    }
    for (int row = 0; row < kTeachRows; ++row)
        for (int w = 1; w <= kTeachWords; ++w)
            SetTableCellEditable(panel, WBP_TEACH, MakePoint(w, row + 1), 1);
}

// The working copy changed here: the main window's views follow (SEND reads AVERAGE from its
// control, so that control must show the edited value).
void showInMainWindow()
{
    SetPanelValues();
    InitGraphs();
    ShowGraph3D();
}

// Puts an accepted value into a word of the working copy; how says where it came from.
void setWord(const char* name, uint16_t& word, uint16_t value, const char* how)
{
    word = value;
    char text[200];
    std::snprintf(text, sizeof text, "%s = %u%s in the working copy (not yet sent or saved).", name,
                  static_cast<unsigned>(value), how);
    workbench::ShowMessage(text);
    workbench::ClearDifferences();
    workbench::ShowValues();
    showInMainWindow();
}

// Takes an entry for a word of the working copy, or refuses it and puts the value back.
void takeEntry(int control, Point cell, const char* name, ValueLimits limits, uint16_t& word)
{
    if (workbench::SensorBusy()) {
        showWord(control, cell, word);
        workbench::ShowMessage("A sensor operation is under way; enter the value again afterwards.");
        return;
    }
    char entry[64];
    GetTableCellValText(panel, control, cell, entry, sizeof entry);
    uint16_t value = 0;
    char text[200];
    char allowed[32];
    FormatLimits(limits, allowed, sizeof allowed);
    if (!ParseLimitedValue(entry, limits, &value)) {
        std::snprintf(text, sizeof text, "%s: \"%s\" refused. Allowed: whole numbers %s.", name,
                      entry, allowed);
        showWord(control, cell, word);
        workbench::ShowMessage(text);
        return;
    }
    setWord(name, word, value, "");
}

// Shows the parameters whose name holds the filter box's text, in any letter case.
void applyFilter()
{
    char filter[64] = "";
    GetCtrlVal(panel, WBP_FILTER, filter, sizeof filter);
    const auto lower = [](char c) { return static_cast<char>(std::tolower(static_cast<unsigned char>(c))); };
    std::string wanted(filter);
    std::transform(wanted.begin(), wanted.end(), wanted.begin(), lower);
    for (int i = 0; i < kParameterCount; ++i) {
        std::string name(kParameterKeys[i]);
        std::transform(name.begin(), name.end(), name.begin(), lower);
        SetTableRowAttribute(panel, WBP_PARAMS, i + 1, ATTR_VISIBLE, name.find(wanted) != std::string::npos);
    }
}

bool rowShown(int row)
{
    int shown = 0;
    return GetTableRowAttribute(panel, WBP_PARAMS, row, ATTR_VISIBLE, &shown) == 0 && shown;
}

// The parameter the operator means: the selected one, or the only one the filter leaves; 0
// when there is neither.
int chosenParameterRow()
{
    Point cell{};
    if (GetActiveTableCell(panel, WBP_PARAMS, &cell) == 0 && rowShown(cell.y))
        return cell.y;
    int only = 0;
    for (int row = 1; row <= kParameterCount; ++row) {
        if (!rowShown(row))
            continue;
        if (only != 0)
            return 0;
        only = row;
    }
    return only;
}

}  // namespace

void workbench::ShowValues()
{
    if (panel <= 0)
        return;
    ShowWorkbenchTarget();
    workbench::ShowSnapshots();
    for (int i = 0; i < kParameterCount; ++i)
        showParameter(i);
    for (int row = 0; row < kTeachRows; ++row)
        for (int w = 1; w <= kTeachWords; ++w)
            showTeachWord(row, w);
}

void workbench::AcceptWorkingCopy()
{
    resetsMarked = false;
    ClearDifferences();
    ShowValues();
}

void workbench::ClearDifferences()
{
    if (panel <= 0)
        return;
    SetCtrlVal(panel, WBP_DIFF_TITLE, "Differences: none listed (the working copy changed since the last comparison)");
    SetNumTableRows(panel, WBP_DIFFS, 0);
}

void ShowWorkbenchTarget()
{
    if (panel <= 0)
        return;
    char title[400];
    if (SensorConnected == 1)
        std::snprintf(title, sizeof title, "Parameter workbench - sensor %u, %s",
                      static_cast<unsigned>(SerialNumber & 0xFFFF), FirmwareText.c_str());
    else
        std::snprintf(title, sizeof title, "Parameter workbench - no sensor");
    SetPanelAttribute(panel, ATTR_TITLE, title);
    const char* label = TransferTarget == kTargetFile     ? "SEND to parameter file"
                        : TransferTarget == kTargetSensor ? "SEND to sensor EEPROM"
                                                          : "SEND to sensor RAM";
    SetCtrlAttribute(panel, WBP_SEND, ATTR_LABEL_TEXT, label);
}

void MarkWorkbenchResets(const Configuration& sent)
{
    if (panel <= 0)
        return;
    resetFrom = sent;
    resetsMarked = true;
    workbench::ShowValues();
}

void workbench::ShowMessage(const char* text)
{
    if (panel > 0)
        SetCtrlVal(panel, WBP_MESSAGE, text);
}

bool workbench::SensorBusy()
{
    int dimmed = 0;
    if (MainPanel > 0)
        GetCtrlAttribute(MainPanel, MAINP_BUTTON_SEND, ATTR_DIMMED, &dimmed);
    return busy || dimmed != 0;
}

workbench::BusyScope::BusyScope()
{
    busy = true;
    for (int control : {WBP_SEND, WBP_COMPARE_SENSOR, WBP_OPEN, WBP_RESTORE})
        SetCtrlAttribute(panel, control, ATTR_DIMMED, 1);
}

workbench::BusyScope::~BusyScope()
{
    busy = false;
    for (int control : {WBP_SEND, WBP_COMPARE_SENSOR, WBP_OPEN, WBP_RESTORE})
        SetCtrlAttribute(panel, control, ATTR_DIMMED, 0);
}

int WorkbenchPanel() { return panel; }

void OpenWorkbench()
{
    int visible = 0;
    if (panel <= 0 || GetPanelAttribute(panel, ATTR_VISIBLE, &visible) < 0) {
        panel = LoadPanel(0, kUirFile, WBP);
        if (panel <= 0)
            return;
        buildTables();
    }
    workbench::ShowValues();
    DisplayPanel(panel);
}

void RefreshWorkbench()
{
    if (panel > 0)
        workbench::AcceptWorkingCopy();
}

void InstallWorkbenchShortcut() { InstallPanelShortcut(MainPanel, "F8", CBF_ButtonWorkbench); }

int CBF_ButtonWorkbench(int, int, int event, void*, int, int)
{
    if (event == EVENT_COMMIT)
        OpenWorkbench();
    return 0;
}

int CBF_WBP(int p, int event, void*, int, int)
{
    // Closing only hides it: the window keeps its state for the next F8. Edits stay in the
    // working copy, but an operator closing the window may think them gone or sent: ask.
    if (event == EVENT_CLOSE) {
        if (!MayCloseOverUnsentEdits("The working copy holds edits that were neither sent nor saved.\n"
                                     "They stay in the working copy. Close the workbench?"))
            return 0;
        SetPanelAttribute(p, ATTR_VISIBLE, 0);
    }
    return 0;
}

int CBF_WorkbenchParams(int, int control, int event, void*, int row, int column)
{
    if (event != EVENT_COMMIT || column != kValueColumn || row < 1 || row > kParameterCount)
        return 0;
    const int i = row - 1;
    takeEntry(control, MakePoint(column, row), kParameterKeys[i], ParameterLimits(i, MaxColorCount()),
              Para.*kParameterFields[i]);
    return 0;
}

int CBF_WorkbenchTeach(int, int control, int event, void*, int row, int column)
{
    if (event != EVENT_COMMIT || row < 1 || row > kTeachRows || column < 1 || column > kTeachWords)
        return 0;
    // Named as the differences list and the parameter file name it.
    char name[48];
    std::snprintf(name, sizeof name, "TEACH VECTOR %d %s", row - 1,
                  column <= kSavedTeachWords ? kTeachKeys[column - 1] : "WORD 8");
    takeEntry(control, MakePoint(column, row), name, kWordLimits, TeachWord(TechVec[row - 1], column));
    return 0;
}

int CBF_WbFilter(int, int, int event, void*, int, int)
{
    if (event == EVENT_VAL_CHANGED || event == EVENT_COMMIT)
        applyFilter();
    return 0;
}

int CBF_WbDefault(int, int, int event, void*, int, int)
{
    if (event != EVENT_COMMIT)
        return 0;
    if (workbench::SensorBusy()) {
        workbench::ShowMessage("A sensor operation is under way; try again when it has finished.");
        return 0;
    }
    const int row = chosenParameterRow();
    if (row == 0) {
        workbench::ShowMessage("Select the parameter to set to its default first.");
        return 0;
    }
    setWord(kParameterKeys[row - 1], Para.*kParameterFields[row - 1], DefaultParameterValue(row - 1),
            " (its default)");
    return 0;
}
