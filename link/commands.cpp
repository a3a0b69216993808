#include "link/commands.h"

#include <cstring>

#include "link/frame.h"
#include "link/link_notify.h"
#include "params/parameter_set.h"
#include "params/program_state.h"

uint8_t LiveData[kLiveDataSize] = {};

int16_t LiveValue(int word)
{
    if (word < 1 || word > kLiveDataSize / 2)
        return 0;
    return static_cast<int16_t>(GetLe16(LiveData + 2 * (word - 1)));
}

namespace {

uint32_t plausibilityResets = 0;

// The sensor's notice that it reset parameters of a write goes to the status box. It is no
// link failure: the sensor answered, so the connection, the live loop and the status display
// stay as they are; the caller reads back what the sensor now holds.
void reportRamResets()
{
    if (RespInfo == 0)
        return;
    ++plausibilityResets;
    FormatMsg("%s%d%s", "INFO!\n", RespInfo,
              " PARAMETER IN RAM DID NOT PASS PLAUSIBILITY CHECK AND WERE SET TO DEFAULT VALUE!");
    NotifyStatusBox(MsgBuf);
    NotifyStatusBox("\n\n");
}

int exchange(int order, int info, unsigned length = 0)
{
    FillTxBuf(order, info, length);
    return DataExchange(length + kHeaderSize);
}

}  // namespace

uint32_t PlausibilityResets() { return plausibilityResets; }

void SendPara()
{
    SendPending = 0;
    std::memcpy(HeaderFrame.payload, &Para, sizeof Para);
    if (exchange(kOrderWrite, kBlockParameters, sizeof Para) != 1)
        return;
    reportRamResets();
    constexpr unsigned kRows = kSensorTeachRows * sizeof(TeachVector);
    std::memcpy(HeaderFrame.payload, TechVec.data(), kRows);
    if (exchange(kOrderWrite, kBlockTeachTable, kRows) != 1)
        return;
    reportRamResets();
    if (TransferTarget == kTargetSensor)
        exchange(kOrderStoreEeprom, 0);
}

void GetPara()
{
    GetPending = 0;
    if (TransferTarget == kTargetSensor) {
        if (exchange(kOrderLoadEeprom, 0) != 1)
            return;
        if (RespInfo != 0) {
            ++plausibilityResets;
            NotifyShowConnectionPage();
            FormatMsg("%s%d%s", "INFO!\n", RespInfo,
                      " PARAMETER FROM EEPROM DID NOT PASS PLAUSIBILITY CHECK AND WERE SET TO DEFAULT "
                      "VALUE!\n\n");
            NotifyStatusBox(MsgBuf);
        }
    }
    // Whatever length the sensor declared: RxBuf is cleared before each exchange, so bytes it
    // did not send read as 0.
    if (exchange(kOrderRead, kBlockParameters) != 1)
        return;
    std::memcpy(&Para, RxBuf + kHeaderSize, sizeof Para);
    if (exchange(kOrderRead, kBlockTeachTable) != 1)
        return;
    std::memcpy(TechVec.data(), RxBuf + kHeaderSize, kSensorTeachRows * sizeof(TeachVector));
    NotifyParametersRead();
}

int RequestLiveData()
{
    if (exchange(kOrderLiveData, 0) != 1)
        return -1;
    std::memcpy(LiveData, RxBuf + kHeaderSize, kLiveDataSize);
    return 1;
}

void GetData()
{
    AcquisitionRunning = 1;
    for (;;) {
        if (SendPending) {
            SendPara();
            if (AcquisitionRunning == 0)
                break;
        }
        if (GetPending) {
            GetPara();
            if (AcquisitionRunning == 0)
                break;
        }
        if (AcquisitionRunning == 0)
            break;
        // A failed request has been reported, which also cleared AcquisitionRunning.
        if (RequestLiveData() == 1)
            NotifyLiveSample();
        if (AcquisitionRunning != 1)
            break;
    }
}

int RequestScanCounts(int32_t* a, int32_t* b)
{
    if (exchange(kOrderScanCounts, 0) != 1)
        return -1;
    std::memcpy(a, RxBuf + kHeaderSize, sizeof *a);
    std::memcpy(b, RxBuf + kHeaderSize + 4, sizeof *b);
    return 1;
}
