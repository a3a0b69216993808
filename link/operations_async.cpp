// Each operation is a short chain: an exchange ends, its answer is used, and the next request
// of the chain goes out from inside the ending one's callback. Nothing waits.
#include "link/operations_async.h"

#include <cstring>

#include "link/commands.h"
#include "link/exchange_async.h"
#include "link/firmware.h"
#include "link/frame.h"
#include "link/link_notify.h"

namespace {

enum Operation : uint8_t { kNone, kIdentify, kRead, kSend, kLive, kScan };

void step(SensorContext& c, int result);

void end(SensorContext& c, int result)
{
    ExchangeDone done = c.operationDone;
    c.operation = kNone;
    c.operationDone = nullptr;
    if (done)
        done(c, result);
}

void request(SensorContext& c, int order, int info, unsigned length = 0)
{
    FillTxBuf(c, order, info, length);
    if (StartExchange(c, length + kHeaderSize, step) != 1)
        end(c, -1);
}

constexpr unsigned kRows = kSensorTeachRows * sizeof(TeachVector);

void readBlocks(SensorContext& c, uint8_t at)
{
    c.operationStep = at;
    request(c, kOrderRead, at == 1 ? kBlockParameters : kBlockTeachTable);
}

// One exchange of the operation ended; the step says which.
void step(SensorContext& c, int result)
{
    if (result != 1) {
        end(c, -1);
        return;
    }
    const uint8_t at = c.operationStep;
    switch (c.operation) {
    case kIdentify:
        c.serialNumber = c.respInfo;
        c.firmwareText = Cp1252ToUtf8(FirmwareTextFrom(c.rxBuf + kHeaderSize, kFirmwareTextSize));
        c.sensorEdition = SensorEditionOf(SplitFirmwareText(c.firmwareText));
        end(c, c.sensorEdition == 0 ? 0 : 1);
        return;
    case kRead:
        if (at == 0) {  // the EEPROM load
            if (c.respInfo != 0) {
                ++c.plausibilityResets;
                NotifyShowConnectionPage(c);
                FormatMsg(c, "%s%d%s", "INFO!\n", c.respInfo,
                          " PARAMETER FROM EEPROM DID NOT PASS PLAUSIBILITY CHECK AND WERE SET TO "
                          "DEFAULT VALUE!\n\n");
                NotifyStatusBox(c, c.msgBuf);
            }
            readBlocks(c, 1);
        } else if (at == 1) {
            std::memcpy(&c.para, c.rxBuf + kHeaderSize, sizeof c.para);
            readBlocks(c, 2);
        } else {
            std::memcpy(c.techVec.data(), c.rxBuf + kHeaderSize, kRows);
            NotifyParametersRead(c);
            end(c, 1);
        }
        return;
    case kSend:
        if (at < 2)
            ReportPlausibilityResets(c);
        if (at == 0) {
            c.operationStep = 1;
            std::memcpy(c.headerFrame.payload, c.techVec.data(), kRows);
            request(c, kOrderWrite, kBlockTeachTable, kRows);
        } else if (at == 1 && c.transferTarget == kTargetSensor) {
            c.operationStep = 2;
            request(c, kOrderStoreEeprom, 0);
        } else {
            end(c, 1);
        }
        return;
    case kLive:
        std::memcpy(c.liveData, c.rxBuf + kHeaderSize, kLiveDataSize);
        end(c, 1);
        return;
    case kScan:
        std::memcpy(&c.scanCounts[0], c.rxBuf + kHeaderSize, 4);
        std::memcpy(&c.scanCounts[1], c.rxBuf + kHeaderSize + 4, 4);
        end(c, 1);
        return;
    default: return;
    }
}

bool begin(SensorContext& c, Operation op, ExchangeDone done)
{
    if (c.operation != kNone || ExchangeUnderWay(c))
        return false;
    c.operation = op;
    c.operationStep = 0;
    c.operationDone = done;
    return true;
}

}  // namespace

int IdentifyAsync(SensorContext& c, ExchangeDone done)
{
    if (!begin(c, kIdentify, done))
        return -1;
    request(c, kOrderIdentify, 0);
    return 1;
}

int ReadParametersAsync(SensorContext& c, ExchangeDone done)
{
    if (!begin(c, kRead, done))
        return -1;
    c.getPending = 0;
    if (c.transferTarget == kTargetSensor)
        request(c, kOrderLoadEeprom, 0);
    else
        readBlocks(c, 1);
    return 1;
}

int SendParametersAsync(SensorContext& c, ExchangeDone done)
{
    if (!begin(c, kSend, done))
        return -1;
    c.sendPending = 0;
    std::memcpy(c.headerFrame.payload, &c.para, sizeof c.para);
    request(c, kOrderWrite, kBlockParameters, sizeof c.para);
    return 1;
}

int LiveSampleAsync(SensorContext& c, ExchangeDone done)
{
    if (!begin(c, kLive, done))
        return -1;
    request(c, kOrderLiveData, 0);
    return 1;
}

int ScanCountsAsync(SensorContext& c, ExchangeDone done)
{
    if (!begin(c, kScan, done))
        return -1;
    request(c, kOrderScanCounts, 0);
    return 1;
}
