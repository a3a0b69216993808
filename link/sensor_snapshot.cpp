#include "link/sensor_snapshot.h"

#include <cstring>
#include <string>

#include "link/commands.h"
#include "link/connection.h"
#include "link/frame.h"
#include "link/link_notify.h"
#include "params/snapshots.h"

namespace {

void keep(const Configuration& configuration, const char* reason)
{
    std::string message;
    if (KeepSnapshot(configuration, ConnectedSensorIdentity(), reason, &message) < 0)
        NotifyStatusBox(DefaultSensor(), message.c_str());
}

int readBlock(int block)
{
    FillTxBuf(kOrderRead, block, 0);
    return DataExchange(kHeaderSize);
}

}  // namespace

SensorIdentity ConnectedSensorIdentity()
{
    return SensorIdentity{FirmwareText, static_cast<int32_t>(SerialNumber & 0xFFFF)};
}

int ReadSensorConfiguration(Configuration* configuration, const char* reason)
{
    Configuration read = WorkingCopy();
    // As GetPara does: RxBuf is cleared before each exchange, so a short answer reads as zeros.
    if (readBlock(kBlockParameters) != 1)
        return -1;
    std::memcpy(&read.para, RxBuf + kHeaderSize, sizeof read.para);
    if (readBlock(kBlockTeachTable) != 1)
        return -1;
    std::memcpy(read.rows.data(), RxBuf + kHeaderSize, kSensorTeachRows * sizeof(TeachVector));
    *configuration = read;
    keep(read, reason);
    return 1;
}

void SnapshotSensorRead(const char* reason) { keep(WorkingCopy(), reason); }
