// Stage 3 of the assistant: the operator shows each colour, the tool stores the measured colour
// in its teach row, and at the end the sensor stores parameters and rows in its EEPROM.
#include <algorithm>
#include <cstdio>

#include "link/commands.h"
#include "params/assistant_prompts.h"
#include "params/parameter_set.h"
#include "link/sensor_context.h"
#include "params/program_state.h"
#include "platform/tables.h"
#include "platform/userint.h"
#include "ui/live_display.h"
#include "ui/panel_handles.h"
#include "ui/teach_assistant.h"
#include "ui/uir.h"

namespace {

constexpr int kRowBeingTaught = 0x00FFFF;  // cyan
constexpr int kRowDone = 0xC0C0C0;         // light grey, as the table starts
// Raw counts above this are too close to the receiver's full scale of 4095.
constexpr int kSaturationLimit = 4050;
constexpr uint16_t kTaughtTolerance = 500;
constexpr int kTableWords = 4;  // X, Y, intensity, tolerance

void markRow(int tableRow, int colour)
{
    SetTableCellRangeAttribute(ParamPage, PARP_TEACHTABLE, MakeRect(tableRow, 1, 1, kTableWords),
                               ATTR_TEXT_BGCOLOR, colour);
}

bool saturated()
{
    return LiveValue(kLiveR) > kSaturationLimit || LiveValue(kLiveG) > kSaturationLimit ||
           LiveValue(kLiveB) > kSaturationLimit;
}

}  // namespace

int TeachColors()
{
    // MAX VEC NO comes back from the sensor with the adjustment's reads; whatever it says, only
    // rows that exist in the table and the sensor are taught.
    const int count = std::min<int>(Para.MaxVecNo, MaxColorCount());
    for (int row = 0; row < count; ++row) {
        const int tableRow = row + 1;
        SetActiveTableCell(ParamPage, PARP_TEACHTABLE, MakePoint(1, tableRow));
        markRow(tableRow, kRowBeingTaught);

        char title[32];
        std::snprintf(title, sizeof title, "TEACH COLOR %d", row);
        ShowAssistantMessage(TxtPlaceColor, title);

        if (RequestLiveData() == 1) {
            SetPanelData();
            // Yes abandons teaching; the row stays cyan to show where it stopped.
            if (saturated() && AskAssistantQuestion(TxtColorTooBright))
                return 1;
            TeachVector& vector = TechVec[static_cast<size_t>(row)];
            vector.Cell0 = static_cast<uint16_t>(LiveValue(kLiveX));
            vector.Cell1 = static_cast<uint16_t>(LiveValue(kLiveY));
            vector.Cell2 = static_cast<uint16_t>(LiveValue(kLiveInt));
            vector.Cell3 = kTaughtTolerance;
            for (int word = 1; word <= kTableWords; ++word)
                SetTableCellVal(ParamPage, PARP_TEACHTABLE, MakePoint(word, tableRow),
                                static_cast<int>(TeachWord(vector, word)));
            InitGraphs();
            ShowGraph3D();
        }
        markRow(tableRow, kRowDone);
        if (SensorConnected == 0)
            return 1;
    }

    ShowAssistantMessage(TxtSavedToEeprom);
    // The taught rows reach the sensor only here, stored in its EEPROM whatever the memory
    // selector says.
    const uint16_t target = TransferTarget;
    TransferTarget = kTargetSensor;
    SendPara();
    TransferTarget = target;
    return 0;
}
