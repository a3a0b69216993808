// Stage 2 of the assistant: send the defaults, let the sensor regulate its power, then raise the
// receiver gain and after it the integration until the brightest colour gives a raw signal above
// DYNWIN LO.
#include <algorithm>

#include "link/commands.h"
#include "params/assistant_prompts.h"
#include "params/parameter_set.h"
#include "link/sensor_context.h"
#include "params/program_state.h"
#include "platform/runtime.h"
#include "ui/live_display.h"
#include "ui/panel_values.h"
#include "ui/teach_assistant.h"

namespace {

constexpr int kFirstGain = 1;
constexpr int kLastGain = 8;
constexpr int kFirstIntegral = 2;
constexpr int kLastIntegral = 99;
// Time the sensor gets to regulate its power to the new setting before it is read back.
constexpr unsigned kSettleMs = 500;

constexpr int kPassGoesOn = -1;  // not there yet: next step

// The largest of the raw values and the three further signal values of the live record.
int largestSignal()
{
    int largest = LiveValue(kLiveR);
    for (int word : {kLiveG, kLiveB, kLiveSignal1, kLiveSignal2, kLiveSignal3})
        largest = std::max<int>(largest, LiveValue(word));
    return largest;
}

// One step of the adjustment with `field` set to `step`. Returns 0 when the signal is strong
// enough (POWER MODE is then switched off in the sensor), 1 when the operator pressed STOP or the
// link failed, kPassGoesOn otherwise.
int adjustmentPass(uint16_t ParameterSet::*field, int step)
{
    // STOP can only have run inside the last pass's exchanges; this is where it takes effect.
    if (AcquisitionRunning == 0) {
        ShowAssistantMessage(TxtParamCancelled);
        return 1;
    }
    Para.*field = static_cast<uint16_t>(step);
    SendPara();
    Sleep(kSettleMs);
    if (SensorConnected == 0)
        return 1;
    // The read brings back the POWER the sensor arrived at.
    GetPara();
    if (SensorConnected == 0)
        return 1;
    SetPanelValues();
    if (RequestLiveData() == 1) {
        SetPanelData();
        ShowGraph3D();
    }
    if (SensorConnected == 0)
        return 1;
    if (largestSignal() > Para.DynwinLo) {
        Para.PowerMode = 0;  // keep the power the sensor found
        SendPara();
        return SensorConnected == 0 ? 1 : 0;
    }
    return kPassGoesOn;
}

}  // namespace

int SetSensorPower()
{
    if (!AskAssistantOkCancel(TxtPlaceBrightest, "Parameter POWER, GAIN, INTEGRAL", nullptr))
        return 1;
    ShowAssistantMessage(TxtAutoAdjust);

    // The count and output mode of stage 1 survive the defaults.
    LoadDefaultParaValues(0);
    Para.PowerMode = 1;
    SensorConnected = 1;
    AcquisitionRunning = 1;  // lets STOP end the adjustment; StartAssistant clears it

    for (int gain = kFirstGain; gain <= kLastGain; ++gain) {
        const int result = adjustmentPass(&ParameterSet::Gain, gain);
        if (result != kPassGoesOn)
            return result;
    }
    for (int integral = kFirstIntegral; integral <= kLastIntegral; ++integral) {
        const int result = adjustmentPass(&ParameterSet::Integral, integral);
        if (result != kPassGoesOn)
            return result;
    }
    // Never bright enough: teaching goes on with what was reached, POWER MODE still 1.
    return 0;
}
