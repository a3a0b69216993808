// The teach assistant's three stages in order (stages in color_count.cpp, sensor_power.cpp and
// teach_colors.cpp).
#include "ui/teach_assistant.h"

#include "params/assistant_prompts.h"
#include "link/sensor_context.h"
#include "params/program_state.h"
#include "ui/send_snapshots.h"

void StartAssistant()
{
    AssistantStarts();
    if (GetMaxVecNo() == 1) {
        ShowAssistantMessage(TxtParamCancelled);
    } else if (SetSensorPower() == 0) {
        if (TeachColors() == 1)
            ShowAssistantMessage(TxtTeachCancelled);
    }
    // The adjustment raised the acquisition flag so that STOP could end it. Left set, it would
    // make SEND and GET only mark themselves pending for a live loop that is not running.
    AcquisitionRunning = 0;
    AssistantEnds();
}
