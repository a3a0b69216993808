// The simulated sensor's model on its own: memories, plausibility, identification, the receiver
// and colour recognition, and the teach assistant's adjustment played against it.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "link/frame_codec.h"
#include "sim/device_model.h"

using namespace sim;

namespace {

Response Write(DeviceModel& m, const ParameterSet& p)
{
    return m.Handle(kOrderWrite, 0, reinterpret_cast<const uint8_t*>(&p), sizeof p);
}

Response WriteRows(DeviceModel& m, const SensorRows& rows)
{
    return m.Handle(kOrderWrite, 2, reinterpret_cast<const uint8_t*>(rows.data()), sizeof rows);
}

int Word(const std::array<uint8_t, kLiveBytes>& record, int offset)
{
    return static_cast<int16_t>(GetLe16(record.data() + offset));
}

Target Named(const char* name)
{
    Target t;
    EXPECT_TRUE(TargetByName(name, &t));
    return t;
}

// The teach assistant's adjustment as the tool runs it: defaults, POWER MODE 1, then gain steps
// 1..8 and integration steps 2..99 at gain 8, each written and checked against DYNWIN LO via
// a read-back and a live record. Returns the gain and integration it ends with.
std::pair<int, int> Adjust(DeviceModel& m)
{
    ParameterSet p = DefaultParameters(1);
    p.PowerMode = 1;
    auto pass = [&] {
        EXPECT_EQ(0, Write(m, p).info);
        std::memcpy(&p, m.Handle(kOrderRead, 0, nullptr, 0).data.data(), sizeof p);
        const auto live = m.LiveRecord();
        int maximum = 0;
        for (int offset : {live::kRed, live::kGreen, live::kBlue, live::kPeakRed, live::kPeakGreen, live::kPeakBlue})
            maximum = std::max(maximum, Word(live, offset));
        return maximum > p.DynwinLo;
    };
    for (int gain = 1; gain <= 8; ++gain) {
        p.Gain = static_cast<uint16_t>(gain);
        if (pass())
            return {p.Gain, p.Integral};
    }
    for (int integral = 2; integral <= 99; ++integral) {
        p.Integral = static_cast<uint16_t>(integral);
        if (pass())
            return {p.Gain, p.Integral};
    }
    return {p.Gain, p.Integral};
}

}  // namespace

TEST(SimDeviceModel, ParameterWriteCountsAndResetsImplausibleValues)
{
    DeviceModel m;
    // The tool's working copy before anything was loaded: all zeros. AVERAGE, MAX VEC NO, GAIN
    // and INTEGRAL cannot be 0.
    EXPECT_EQ(4, Write(m, ParameterSet{}).info);
    EXPECT_EQ(256, m.ram().Average);
    EXPECT_EQ(1, m.ram().MaxVecNo);
    EXPECT_EQ(6, m.ram().Gain);
    EXPECT_EQ(1, m.ram().Integral);
    EXPECT_EQ(0, m.ram().Power);  // 0 is a plausible power and stays

    ParameterSet p = DefaultParameters(1);
    EXPECT_EQ(0, Write(m, p).info);
    p.Power = 1001;
    p.Gain = 9;
    p.MaxVecNo = 31;
    EXPECT_EQ(2, Write(m, p).info);
    EXPECT_EQ(500, m.ram().Power);
    EXPECT_EQ(31, m.ram().MaxVecNo);

    // Edition 2 outputs at most 3 colours.
    m.SetEdition(Edition::KR);
    p.Power = 500;
    p.Gain = 6;
    EXPECT_EQ(1, Write(m, p).info);
    EXPECT_EQ(1, m.ram().MaxVecNo);
    p.MaxVecNo = 3;
    EXPECT_EQ(0, Write(m, p).info);
}

TEST(SimDeviceModel, TeachRowsAreCheckedWordByWordAndTheEighthWordIsKept)
{
    DeviceModel m;
    SensorRows rows = DefaultRows();
    rows[3] = TeachVector{2000, 1500, 800, 500, 0xFFFF, 7, 100, 0xBEEF};
    EXPECT_EQ(0, WriteRows(m, rows).info);
    const Response read = m.Handle(kOrderRead, 2, nullptr, 0);
    ASSERT_EQ(512u, read.data.size());
    EXPECT_EQ(0, std::memcmp(read.data.data(), rows.data(), 512));

    rows[0].Cell0 = 4096;
    rows[31].Hold = 10001;
    rows[31].Group = 256;
    EXPECT_EQ(3, WriteRows(m, rows).info);
    EXPECT_EQ(1, m.ramRows()[0].Cell0);
    EXPECT_EQ(10, m.ramRows()[31].Hold);
    EXPECT_EQ(0xBEEF, m.ramRows()[3].Reserved);
}

TEST(SimDeviceModel, EepromStoreAndLoadRoundTripAndLoadCountsImplausibleValues)
{
    DeviceModel m;
    ParameterSet p = DefaultParameters(1);
    p.Average = 64;
    Write(m, p);
    SensorRows rows = DefaultRows();
    rows[1].Cell3 = 321;
    WriteRows(m, rows);
    EXPECT_EQ(256, m.eeprom().Average);  // RAM only so far

    EXPECT_EQ(3, m.Handle(kOrderStore, 0, nullptr, 0).order);
    EXPECT_EQ(64, m.eeprom().Average);
    EXPECT_EQ(321, m.eepromRows()[1].Cell3);

    m.ram().Average = 8;
    m.ramRows()[1].Cell3 = 9;
    Response load = m.Handle(kOrderLoad, 0, nullptr, 0);
    EXPECT_EQ(4, load.order);
    EXPECT_EQ(0, load.info);
    EXPECT_EQ(64, m.ram().Average);
    EXPECT_EQ(321, m.ramRows()[1].Cell3);

    // An erased EEPROM (all bits set) fails the check wherever 0xFFFF is out of range.
    std::memset(&m.eeprom(), 0xFF, sizeof(ParameterSet));
    load = m.Handle(kOrderLoad, 0, nullptr, 0);
    EXPECT_EQ(kParameterCount, load.info);
    EXPECT_EQ(0xFFFF, m.eeprom().Power);  // the EEPROM keeps what it holds
    EXPECT_EQ(500, m.ram().Power);
}

TEST(SimDeviceModel, UnknownOrdersAndBlocksGetStatusAnswers)
{
    DeviceModel m;
    for (uint8_t order : {0, 5, 6, 9, 104, 106, 255}) {
        const Response r = m.Handle(order, 0, nullptr, 0);
        EXPECT_EQ(0, r.order) << int(order);
        EXPECT_EQ(kStatusUnknownOrder, r.info) << int(order);
        EXPECT_TRUE(r.data.empty());
    }
    EXPECT_EQ(kStatusUnknownOrder, m.Handle(kOrderRead, 1, nullptr, 0).info);
    EXPECT_EQ(kStatusUnknownOrder, m.Handle(kOrderWrite, 3, nullptr, 0).info);
    const uint8_t shortBlock[10] = {};
    const Response r = m.Handle(kOrderWrite, 0, shortBlock, sizeof shortBlock);
    EXPECT_EQ(0, r.order);
    EXPECT_EQ(kStatusLineError, r.info);
}

TEST(SimDeviceModel, IdentificationCarriesSerialAndPaddedFirmware)
{
    DeviceModel m(Edition::KRE, 4711);
    Response r = m.Handle(kOrderIdentify, 0, nullptr, 0);
    EXPECT_EQ(7, r.order);
    EXPECT_EQ(4711, r.info);
    ASSERT_EQ(72u, r.data.size());
    EXPECT_EQ("CHROMIX5 KRE V1.1.0 B07", std::string(reinterpret_cast<const char*>(r.data.data())));
    EXPECT_EQ(0, r.data[71]);

    EXPECT_EQ(0, PresetFirmware(Edition::V4).rfind("CHROMIX5 V4.", 0));
    EXPECT_EQ(0, PresetFirmware(Edition::KR).rfind("CHROMIX5 KR V1.", 0));
    EXPECT_NE(0, PresetFirmware(Edition::Unsupported).rfind("CHROMIX5 V4.", 0));

    // Only 72 bytes travel, and the text then has no terminator of its own.
    m.SetFirmware(std::string(100, 'A'));
    r = m.Handle(kOrderIdentify, 0, nullptr, 0);
    EXPECT_EQ(std::string(72, 'A'), std::string(r.data.begin(), r.data.end()));
    // Edition 3's factory output mode is the binary code of its own.
    m.FactoryReset();
    EXPECT_EQ(2, m.ram().DigitalOutmode);
}

TEST(SimDeviceModel, RawValuesGrowWithPowerGainAndIntegrationAndSaturate)
{
    DeviceModel m;
    m.SetTarget(Named("grey"));
    auto red = [&](uint16_t power, uint16_t gain, uint16_t integral) {
        m.ram().Power = power;
        m.ram().Gain = gain;
        m.ram().Integral = integral;
        return Word(m.LiveRecord(), live::kRed);
    };
    const int base = red(500, 1, 1);
    EXPECT_GT(red(1000, 1, 1), base);
    EXPECT_GT(red(500, 2, 1), base);
    EXPECT_GT(red(500, 1, 2), base);
    EXPECT_EQ(4095, red(1000, 8, 50));
    const auto record = m.LiveRecord();
    EXPECT_EQ(4095, Word(record, live::kPeakRed));
    // Saturated channels give the same colour coordinates as equal channels would.
    EXPECT_EQ(1365, Word(record, live::kX));
    EXPECT_EQ(1365, Word(record, live::kY));
    EXPECT_EQ(4095, Word(record, live::kIntensity));
    // The sensor reports what it runs at among the bytes the tool passes over.
    EXPECT_EQ(1000, Word(record, live::kPower));
    EXPECT_EQ(50, Word(record, live::kIntegral));
}

TEST(SimDeviceModel, ColourNumberIsTheFirstTaughtRowWhoseToleranceEnclosesThePoint)
{
    DeviceModel m;
    m.SetTarget(Named("red"));
    const auto record = m.LiveRecord();
    const int x = Word(record, live::kX), y = Word(record, live::kY), in = Word(record, live::kIntensity);
    EXPECT_EQ(kNoColour, Word(record, live::kColour));  // factory rows sit at (1, 1, 1)

    m.ram().MaxVecNo = 3;
    m.ramRows()[0] = TeachVector{static_cast<uint16_t>(x + 300), static_cast<uint16_t>(y), static_cast<uint16_t>(in), 200, 1, 1, 10, 1};
    m.ramRows()[1] = TeachVector{static_cast<uint16_t>(x + 30), static_cast<uint16_t>(y - 40), static_cast<uint16_t>(in), 50, 1, 1, 10, 1};
    m.ramRows()[2] = TeachVector{static_cast<uint16_t>(x), static_cast<uint16_t>(y), static_cast<uint16_t>(in), 500, 1, 1, 10, 1};
    EXPECT_EQ(1, Word(m.LiveRecord(), live::kColour));  // row 1 at distance exactly 50
    m.ramRows()[1].Cell3 = 49;
    EXPECT_EQ(2, Word(m.LiveRecord(), live::kColour));
    m.ram().MaxVecNo = 2;  // row 2 is not in use
    EXPECT_EQ(kNoColour, Word(m.LiveRecord(), live::kColour));
    // Intensity counts: the same chromaticity much darker is another colour.
    m.ram().MaxVecNo = 3;
    m.ramRows()[2].Cell2 = static_cast<uint16_t>(in + 600);
    EXPECT_EQ(kNoColour, Word(m.LiveRecord(), live::kColour));
}

TEST(SimDeviceModel, PowerModeOneRegulatesPowerIntoTheWindow)
{
    DeviceModel m;
    m.SetTarget(Named("white"));
    ParameterSet p = DefaultParameters(1);
    p.PowerMode = 1;
    p.Gain = 8;
    Write(m, p);
    EXPECT_LT(m.ram().Power, 500);
    const auto record = m.LiveRecord();
    const int peak = std::max({Word(record, live::kPeakRed), Word(record, live::kPeakGreen), Word(record, live::kPeakBlue)});
    EXPECT_GT(peak, 3200);
    EXPECT_LE(peak, 3300);
    // POWER MODE 0 leaves the power as set.
    p.PowerMode = 0;
    Write(m, p);
    EXPECT_EQ(500, m.ram().Power);
}

TEST(SimDeviceModel, AdjustmentEndsDuringTheGainStepsForABrightTargetAndRunsOutForADarkOne)
{
    DeviceModel bright;
    bright.SetTarget(Named("bright"));
    const auto [gain, integral] = Adjust(bright);
    EXPECT_GE(gain, 3);
    EXPECT_LE(gain, 7);
    EXPECT_EQ(1, integral);
    EXPECT_LT(bright.ram().Power, 1000);  // regulated below full power at the last step

    DeviceModel dark;
    dark.SetTarget(Named("dark"));
    EXPECT_EQ(std::make_pair(8, 99), Adjust(dark));
    EXPECT_EQ(1000, dark.ram().Power);
    EXPECT_EQ(1, dark.ram().PowerMode);
}

TEST(SimDeviceModel, ScanCountsGiveTheConfiguredRate)
{
    DeviceModel m;
    m.SetScanRate(1234.5);
    const Response r = m.Handle(kOrderScanCounts, 0, nullptr, 0);
    ASSERT_EQ(8u, r.data.size());
    int32_t a = 0, b = 0;
    std::memcpy(&a, r.data.data(), 4);
    std::memcpy(&b, r.data.data() + 4, 4);
    // Counting whole scans over the 5 s gate resolves 0.2 Hz.
    EXPECT_NEAR(1234.5, a / (b * 0.01), 0.2);
}

TEST(SimDeviceModel, CyclingTargetFollowsTheClock)
{
    DeviceModel m;
    int64_t now = 0;
    m.SetClock([&] { return now; });
    m.CycleTargets(SampleTargets(), 1000);
    const std::string first = m.target().name;
    now = 1000;
    EXPECT_NE(first, m.target().name);
    now = 1000 * static_cast<int64_t>(SampleTargets().size());
    EXPECT_EQ(first, m.target().name);
}

TEST(SimDeviceModel, NoiseStaysWithinItsSpread)
{
    DeviceModel m;
    m.SetTarget(Named("grey"));
    const int exact = Word(m.LiveRecord(), live::kRed);
    m.SetNoise(20, 7);
    m.ram().Average = 16;  // no calming by averaging
    bool moved = false;
    for (int i = 0; i < 50; ++i) {
        const int red = Word(m.LiveRecord(), live::kRed);
        EXPECT_LE(std::abs(red - exact), 20);
        moved = moved || red != exact;
    }
    EXPECT_TRUE(moved);
}
