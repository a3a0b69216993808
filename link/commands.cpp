#include "link/commands.h"

#include <cstring>

#include "link/frame.h"
#include "link/link_notify.h"

uint8_t (&LiveData)[kLiveDataSize] = DefaultSensorContext.liveData;

int16_t LiveValue(const SensorContext& c, int word)
{
    if (word < 1 || word > kLiveDataSize / 2)
        return 0;
    return static_cast<int16_t>(GetLe16(c.liveData + 2 * (word - 1)));
}

int16_t LiveValue(int word) { return LiveValue(DefaultSensor(), word); }

namespace {

int exchange(SensorContext& c, int order, int info, unsigned length = 0)
{
    FillTxBuf(c, order, info, length);
    return DataExchange(c, length + kHeaderSize);
}

}  // namespace

// The notice is no link failure: the sensor answered, so the connection, the live loop and the
// status display stay as they are; the caller reads back what the sensor now holds.
void ReportPlausibilityResets(SensorContext& c)
{
    if (c.respInfo == 0)
        return;
    ++c.plausibilityResets;
    FormatMsg(c, "%s%d%s", "INFO!\n", c.respInfo,
              " PARAMETER IN RAM DID NOT PASS PLAUSIBILITY CHECK AND WERE SET TO DEFAULT VALUE!");
    NotifyStatusBox(c, c.msgBuf);
    NotifyStatusBox(c, "\n\n");
}

uint32_t PlausibilityResets(const SensorContext& c) { return c.plausibilityResets; }
uint32_t PlausibilityResets() { return PlausibilityResets(DefaultSensor()); }

void SendPara(SensorContext& c)
{
    c.sendPending = 0;
    const uint32_t resets = c.plausibilityResets;
    std::memcpy(c.headerFrame.payload, &c.para, sizeof c.para);
    if (exchange(c, kOrderWrite, kBlockParameters, sizeof c.para) != 1)
        return;
    ReportPlausibilityResets(c);
    constexpr unsigned kRows = kSensorTeachRows * sizeof(TeachVector);
    std::memcpy(c.headerFrame.payload, c.techVec.data(), kRows);
    if (exchange(c, kOrderWrite, kBlockTeachTable, kRows) != 1)
        return;
    ReportPlausibilityResets(c);
    if (c.transferTarget == kTargetSensor && exchange(c, kOrderStoreEeprom, 0) != 1)
        return;
    NotifyParametersWritten(c, c.plausibilityResets != resets ? 1 : 0);
}

void GetPara(SensorContext& c)
{
    c.getPending = 0;
    if (c.transferTarget == kTargetSensor) {
        if (exchange(c, kOrderLoadEeprom, 0) != 1)
            return;
        if (c.respInfo != 0) {
            ++c.plausibilityResets;
            NotifyShowConnectionPage(c);
            FormatMsg(c, "%s%d%s", "INFO!\n", c.respInfo,
                      " PARAMETER FROM EEPROM DID NOT PASS PLAUSIBILITY CHECK AND WERE SET TO DEFAULT "
                      "VALUE!\n\n");
            NotifyStatusBox(c, c.msgBuf);
        }
    }
    // Whatever length the sensor declared: rxBuf is cleared before each exchange, so bytes it
    // did not send read as 0.
    if (exchange(c, kOrderRead, kBlockParameters) != 1)
        return;
    std::memcpy(&c.para, c.rxBuf + kHeaderSize, sizeof c.para);
    if (exchange(c, kOrderRead, kBlockTeachTable) != 1)
        return;
    std::memcpy(c.techVec.data(), c.rxBuf + kHeaderSize, kSensorTeachRows * sizeof(TeachVector));
    NotifyParametersRead(c);
}

int RequestLiveData(SensorContext& c)
{
    if (exchange(c, kOrderLiveData, 0) != 1)
        return -1;
    std::memcpy(c.liveData, c.rxBuf + kHeaderSize, kLiveDataSize);
    return 1;
}

void GetData(SensorContext& c)
{
    c.acquisitionRunning = 1;
    for (;;) {
        if (c.sendPending) {
            SendPara(c);
            if (c.acquisitionRunning == 0)
                break;
        }
        if (c.getPending) {
            GetPara(c);
            if (c.acquisitionRunning == 0)
                break;
        }
        if (c.acquisitionRunning == 0)
            break;
        // A failed request has been reported, which also cleared acquisitionRunning.
        if (RequestLiveData(c) == 1)
            NotifyLiveSample(c);
        if (c.acquisitionRunning != 1)
            break;
    }
}

int RequestScanCounts(SensorContext& c, int32_t* a, int32_t* b)
{
    if (exchange(c, kOrderScanCounts, 0) != 1)
        return -1;
    std::memcpy(a, c.rxBuf + kHeaderSize, sizeof *a);
    std::memcpy(b, c.rxBuf + kHeaderSize + 4, sizeof *b);
    return 1;
}

void SendPara() { SendPara(DefaultSensor()); }
void GetPara() { GetPara(DefaultSensor()); }
void GetData() { GetData(DefaultSensor()); }
int RequestLiveData() { return RequestLiveData(DefaultSensor()); }
int RequestScanCounts(int32_t* a, int32_t* b) { return RequestScanCounts(DefaultSensor(), a, b); }
