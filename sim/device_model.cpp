#include "sim/device_model.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>

#include "link/frame_codec.h"

namespace sim {
namespace {

void putWord(std::array<uint8_t, kLiveBytes>& record, int offset, int value)
{
    PutLe16(record.data() + offset, static_cast<uint16_t>(static_cast<int16_t>(value)));
}

void putLe32(uint8_t* p, int32_t v)
{
    const auto u = static_cast<uint32_t>(v);
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<uint8_t>(u >> (8 * i));
}

int64_t steadyMs()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

}  // namespace

std::string PresetFirmware(Edition edition)
{
    switch (edition) {
    case Edition::V4: return "CHROMIX5 V4.2.7 B12";
    case Edition::KR: return "CHROMIX5 KR V1.3.1 B05";
    case Edition::KRE: return "CHROMIX5 KRE V1.1.0 B07";
    case Edition::Unsupported: break;
    }
    // An older generation the tool does not support.
    return "CHROMIX5 V3.9.2 B44";
}

DeviceModel::DeviceModel(Edition edition, uint16_t serial)
    : edition_(edition), firmware_(PresetFirmware(edition)), serial_(serial), clock_(steadyMs)
{
    TargetByName("bright", &target_);
    FactoryReset();
}

void DeviceModel::SetEdition(Edition edition)
{
    edition_ = edition;
    firmware_ = PresetFirmware(edition);
}

void DeviceModel::FactoryReset()
{
    eeprom_ = DefaultParameters(editionNumber());
    eepromRows_ = DefaultRows();
    ram_ = eeprom_;
    ramRows_ = eepromRows_;
}

void DeviceModel::SetTarget(const Target& target)
{
    target_ = target;
    cycle_.clear();
}

void DeviceModel::CycleTargets(std::vector<Target> targets, int periodMs)
{
    cycle_ = std::move(targets);
    cycleMs_ = std::max(periodMs, 1);
}

const Target& DeviceModel::target()
{
    if (!cycle_.empty()) {
        const int64_t slot = clock_() / cycleMs_;
        target_ = cycle_[static_cast<size_t>(slot % static_cast<int64_t>(cycle_.size()))];
    }
    return target_;
}

void DeviceModel::SetNoise(int amplitude, uint32_t seed)
{
    noise_ = std::max(amplitude, 0);
    random_.seed(seed);
}

Response DeviceModel::Handle(uint8_t order, uint16_t info, const uint8_t* payload, size_t length)
{
    Response r;
    r.order = order;
    switch (order) {
    case kOrderWrite:
        return write(info, payload, length);
    case kOrderRead:
        regulatePower();  // the POWER read back is the one the sensor arrived at
        return read(info);
    case kOrderStore:
        eeprom_ = ram_;
        eepromRows_ = ramRows_;
        return r;
    case kOrderLoad:
        ram_ = eeprom_;
        ramRows_ = eepromRows_;
        // The check runs on what was loaded; the EEPROM itself keeps its contents.
        r.info = static_cast<uint16_t>(CheckParameters(ram_, editionNumber()) + CheckRows(ramRows_));
        regulatePower();
        return r;
    case kOrderIdentify: {
        r.info = serial_;
        r.data.assign(kFirmwareBytes, 0);
        std::memcpy(r.data.data(), firmware_.data(), std::min(firmware_.size(), kFirmwareBytes));
        return r;
    }
    case kOrderLive: {
        const auto record = LiveRecord();
        r.data.assign(record.begin(), record.end());
        return r;
    }
    case kOrderScanCounts:
        return scanCounts();
    default:
        return Response{0, kStatusUnknownOrder, {}};
    }
}

Response DeviceModel::write(uint16_t info, const uint8_t* payload, size_t length)
{
    if (info != 0 && info != 2)
        return Response{0, kStatusUnknownOrder, {}};
    const size_t expected = info == 0 ? sizeof(ParameterSet) : sizeof(SensorRows);
    if (length != expected || payload == nullptr)
        return Response{0, kStatusLineError, {}};
    Response r;
    r.order = kOrderWrite;
    if (info == 0) {
        std::memcpy(&ram_, payload, sizeof ram_);
        r.info = static_cast<uint16_t>(CheckParameters(ram_, editionNumber()));
        regulatePower();
    } else {
        std::memcpy(ramRows_.data(), payload, sizeof ramRows_);
        r.info = static_cast<uint16_t>(CheckRows(ramRows_));
    }
    return r;
}

Response DeviceModel::read(uint16_t info) const
{
    if (info != 0 && info != 2)
        return Response{0, kStatusUnknownOrder, {}};
    Response r;
    r.order = kOrderRead;
    const auto* bytes = info == 0 ? reinterpret_cast<const uint8_t*>(&ram_)
                                  : reinterpret_cast<const uint8_t*>(ramRows_.data());
    r.data.assign(bytes, bytes + (info == 0 ? sizeof ram_ : sizeof ramRows_));
    return r;
}

Response DeviceModel::scanCounts() const
{
    Response r;
    r.order = kOrderScanCounts;
    r.data.assign(8, 0);
    if (fixedCounts_) {
        putLe32(r.data.data(), (*fixedCounts_)[0]);
        putLe32(r.data.data() + 4, (*fixedCounts_)[1]);
        return r;
    }
    // A scans counted over a gate of B x 10 ms: A / (B * 0.01) is the scan frequency.
    const double scans = scanRate_ * kScanGateUnits * 0.01;
    putLe32(r.data.data(), static_cast<int32_t>(std::clamp(std::lround(scans), 0L, 2147483647L)));
    putLe32(r.data.data() + 4, kScanGateUnits);
    return r;
}

void DeviceModel::regulatePower()
{
    if (ram_.PowerMode != 1)
        return;
    ram_.Power = RegulatedPower(target(), ram_.Gain, ram_.Integral, ram_.DynwinLo, ram_.DynwinHi);
}

std::array<uint8_t, kLiveBytes> DeviceModel::LiveRecord()
{
    regulatePower();
    int noise[3] = {};
    if (noise_ > 0) {
        // Averaging over more scans calms the signal: the spread falls with sqrt(AVERAGE/16).
        const double spread = noise_ * std::min(1.0, std::sqrt(16.0 / std::max<int>(ram_.Average, 1)));
        std::uniform_real_distribution<double> dist(-spread, spread);
        for (int& n : noise)
            n = static_cast<int>(std::lround(dist(random_)));
    }
    const Reading m = Measure(target(), ram_.Power, ram_.Gain, ram_.Integral, noise);
    int distance = 0;
    const uint16_t colour = Recognise(m.x, m.y, m.intensity, &distance);
    scanCounter_ = static_cast<uint16_t>(scanCounter_ + std::max<int>(ram_.Average, 1));

    std::array<uint8_t, kLiveBytes> record{};
    putWord(record, live::kRed, m.raw[0]);
    putWord(record, live::kGreen, m.raw[1]);
    putWord(record, live::kBlue, m.raw[2]);
    putWord(record, live::kX, m.x);
    putWord(record, live::kY, m.y);
    putWord(record, live::kIntensity, m.intensity);
    putWord(record, live::kScanCounter, scanCounter_);
    putWord(record, live::kColour, colour);
    putWord(record, live::kPower, ram_.Power);
    putWord(record, live::kGain, ram_.Gain);
    putWord(record, live::kIntegral, ram_.Integral);
    putWord(record, live::kPeakRed, m.peak[0]);
    putWord(record, live::kPeakGreen, m.peak[1]);
    putWord(record, live::kPeakBlue, m.peak[2]);
    // Binary-coded modes put the colour number on the outputs; direct mode one output per row.
    int outputs = 0;
    if (colour != kNoColour)
        outputs = ram_.DigitalOutmode == 0 ? (colour < 15 ? 1 << colour : 0) : colour;
    putWord(record, live::kOutputs, outputs);
    putWord(record, live::kDistance, colour == kNoColour ? 0 : distance);
    return record;
}

uint16_t DeviceModel::Recognise(int x, int y, int intensity, int* distance) const
{
    const int rows = std::min<int>(ram_.MaxVecNo, kSensorTeachRows);
    for (int i = 0; i < rows; ++i) {
        const TeachVector& row = ramRows_[static_cast<size_t>(i)];
        const double dx = x - row.Cell0, dy = y - row.Cell1, di = intensity - row.Cell2;
        const double d = std::sqrt(dx * dx + dy * dy + di * di);
        if (d <= row.Cell3) {
            if (distance)
                *distance = static_cast<int>(std::lround(d));
            return static_cast<uint16_t>(i);
        }
    }
    return kNoColour;
}

}  // namespace sim
