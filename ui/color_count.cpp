// Stage 1 of the assistant: how many colours, and direct or binary-coded outputs.
#include "params/assistant_prompts.h"
#include "params/parameter_set.h"
#include "link/sensor_context.h"
#include "params/program_state.h"
#include "ui/panel_values.h"
#include "ui/teach_assistant.h"

namespace {

bool validCount(int count) { return count >= 1 && count <= MaxColorCount(); }

}  // namespace

int GetMaxVecNo()
{
    // The largest count stands until the operator gives a valid one; it is also the default.
    Para.MaxVecNo = static_cast<uint16_t>(MaxColorCount());

    char input[kColorCountInputLength + 1] = {};
    if (!AskAssistantOkCancel(TxtHowManyColors, "Parameter MAXCOL-No.", input))
        return 1;
    int count = ColorCountFromText(input);
    if (!validCount(count)) {
        // One second chance; a second wrong value falls back to the default without asking again.
        input[0] = '\0';
        if (!AskAssistantOkCancel(TxtReenterColorCount, "MAXCOL-No.", input))
            return 1;
        count = ColorCountFromText(input);
        if (!validCount(count)) {
            ShowAssistantMessage(TxtColorCountDefault);
            count = MaxColorCount();
        }
    }
    Para.MaxVecNo = static_cast<uint16_t>(count);

    Para.DigitalOutmode = SensorEdition == 3 ? 2 : 1;
    // Direct output needs one output per colour.
    if (Para.MaxVecNo <= OutputCount() && AskAssistantQuestion(TxtDirectOutputs))
        Para.DigitalOutmode = 0;

    SetPanelValues();
    return 0;
}
