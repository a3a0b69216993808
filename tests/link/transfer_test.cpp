// Parameter transfer against the simulated sensor: the request sequences of SEND and GET for
// each transfer target, exactly as they reach the sensor, and its plausibility notices.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "link/commands.h"
#include "link/frame.h"
#include "params/parameter_set.h"
#include "tests/link/sim_line.h"

namespace {

constexpr char kRamNotice[] =
    " PARAMETER IN RAM DID NOT PASS PLAUSIBILITY CHECK AND WERE SET TO DEFAULT VALUE!\n\n";
constexpr char kEepromNotice[] =
    " PARAMETER FROM EEPROM DID NOT PASS PLAUSIBILITY CHECK AND WERE SET TO DEFAULT VALUE!\n\n";

std::vector<uint8_t> Bytes(const void* data, size_t size)
{
    const auto* p = static_cast<const uint8_t*>(data);
    return std::vector<uint8_t>(p, p + size);
}

// Plausible values that differ from the factory state in every parameter that has room.
ParameterSet DistinctParameters(uint16_t seed)
{
    ParameterSet p = sim::DefaultParameters(1);
    p.Power = 400 + seed;
    p.Average = 16 + seed;
    p.HoldFail = 50 + seed;
    p.IntLim = 300 + seed;
    p.DynwinLo = 10 + seed;
    p.DynwinHi = 4000 - seed;
    p.Gain = 1 + seed % 8;
    p.Integral = 20 + seed;
    return p;
}

TeachVector DistinctRow(int n, uint16_t seed)
{
    const auto v = static_cast<uint16_t>(n * 10 + seed);
    return TeachVector{static_cast<uint16_t>(100 + v), static_cast<uint16_t>(200 + v),
                       static_cast<uint16_t>(300 + v), 40, 1, static_cast<uint16_t>(n % 4), 10,
                       static_cast<uint16_t>(0xA000 + v)};
}

class TransferTest : public SimLineTest {
protected:
    void SetUp() override
    {
        SimLineTest::SetUp();
        if (HasFatalFailure())
            return;
        OpenLink();
    }
    // The requests as (order, info, payload) for comparison.
    struct Req {
        uint8_t order;
        uint16_t info;
        std::vector<uint8_t> payload;
        bool operator==(const Req&) const = default;
    };
    std::vector<Req> Requests() const
    {
        std::vector<Req> list;
        for (const sim::Request& r : sensor.requests()) {
            EXPECT_TRUE(r.dataCrcOk) << "order " << int(r.order);
            list.push_back({r.order, r.info, r.payload});
        }
        return list;
    }
};

struct TargetCase {
    uint16_t target;
    bool eeprom;  // whether the sensor's EEPROM takes part
};
constexpr TargetCase kTargets[] = {{kTargetSensor, true}, {kTargetFile, false}, {0, false}};

}  // namespace

TEST_P(TransferTest, SendWritesParametersThenTeachRowsAndStoresOnlyForTheSensorTarget)
{
    for (const TargetCase& c : kTargets) {
        SCOPED_TRACE("target " + std::to_string(c.target));
        sensor.model().FactoryReset();
        sensor.ClearRequests();
        TransferTarget = c.target;
        Para = DistinctParameters(c.target);
        for (int n = 0; n < kTeachRows; ++n)
            TechVec[n] = DistinctRow(n, c.target);
        SendPending = 1;

        SendPara();

        std::vector<Req> expected = {
            {1, 0, Bytes(&Para, sizeof Para)},
            {1, 2, Bytes(TechVec.data(), kSensorTeachRows * sizeof(TeachVector))},
        };
        if (c.eeprom)
            expected.push_back({3, 0, {}});
        EXPECT_EQ(expected, Requests());
        EXPECT_EQ(0, SendPending);
        EXPECT_EQ(1, SensorConnected);
        EXPECT_EQ(0, std::memcmp(&sensor.model().ram(), &Para, sizeof Para));
        EXPECT_EQ(c.eeprom, std::memcmp(&sensor.model().eeprom(), &Para, sizeof Para) == 0);
    }
    EXPECT_EQ("", StatusBox());
}

TEST_P(TransferTest, GetReadsBothBlocksAfterAnEepromLoadOnlyForTheSensorTarget)
{
    for (const TargetCase& c : kTargets) {
        SCOPED_TRACE("target " + std::to_string(c.target));
        sensor.ClearRequests();
        const ParameterSet inRam = DistinctParameters(3), inEeprom = DistinctParameters(5);
        sensor.model().ram() = inRam;
        sensor.model().eeprom() = inEeprom;
        for (int n = 0; n < kSensorTeachRows; ++n) {
            sensor.model().ramRows()[n] = DistinctRow(n, 3);
            sensor.model().eepromRows()[n] = DistinctRow(n, 5);
        }
        TransferTarget = c.target;
        // Rows beyond the sensor's 32 never travel and must stay as they are.
        TechVec[40] = TeachVector{9, 9, 9, 9, 9, 9, 9, 9};
        GetPending = 1;

        GetPara();

        std::vector<Req> expected = {{2, 0, {}}, {2, 2, {}}};
        if (c.eeprom)
            expected.insert(expected.begin(), Req{4, 0, {}});
        EXPECT_EQ(expected, Requests());
        const ParameterSet& want = c.eeprom ? inEeprom : inRam;
        EXPECT_EQ(0, std::memcmp(&Para, &want, sizeof Para));
        EXPECT_EQ(Bytes(&TechVec[31], sizeof(TeachVector)),
                  Bytes(c.eeprom ? &sensor.model().eepromRows()[31] : &sensor.model().ramRows()[31],
                        sizeof(TeachVector)));
        EXPECT_EQ(9, TechVec[40].Cell0);
        EXPECT_EQ(0, GetPending);
        EXPECT_EQ(1, SensorConnected);
    }
    // The last request on the wire: the teach-table read.
    const uint8_t teachRead[] = {0x55, 0x02, 0x02, 0x00, 0x00, 0x00, 0xAA, 0x3A};
    EXPECT_EQ(Bytes(teachRead, 8), Bytes(TxBuf, 8));
    EXPECT_EQ("", StatusBox());
}

TEST_P(TransferTest, RamNoticesCarryTheirCountsAndTheSequenceGoesOn)
{
    TransferTarget = kTargetSensor;
    Para = sim::DefaultParameters(1);
    Para.Power = 2000;  // three values out of the sensor's ranges
    Para.Average = 0;
    Para.Gain = 0;
    for (int n = 0; n < kSensorTeachRows; ++n)
        TechVec[n] = sim::DefaultTeachRow();
    TechVec[5].Cell0 = 5000;  // two teach words out of range
    TechVec[6].Group = 300;
    SetActiveTabPage(MainPanel, MAINP_TAB, 1);
    SetCtrlVal(DataPanel, DATAP_STATUS, "CHROMIX5 V4.2B12");
    SetCtrlAttribute(ConnectPage, CONP_BUTTON_ACCEPT, ATTR_DIMMED, 0);
    const uint32_t resets = PlausibilityResets();

    SendPara();

    EXPECT_EQ((std::vector<uint8_t>{1, 1, 3}), sensor.orders());
    EXPECT_EQ(std::string("INFO!\n3") + kRamNotice + "INFO!\n2" + kRamNotice, StatusBox());
    EXPECT_EQ(resets + 2, PlausibilityResets());
    // The sensor answered: no link failure is shown and the connection stands.
    EXPECT_EQ("CHROMIX5 V4.2B12", Text(DataPanel, DATAP_STATUS));
    EXPECT_EQ(1, SensorConnected);
    EXPECT_FALSE(Dimmed(ConnectPage, CONP_BUTTON_ACCEPT));
    EXPECT_EQ(1, ActivePage());
}

TEST_P(TransferTest, EepromNoticeCarriesItsCountAndOnlyShowsTheConnectionPage)
{
    TransferTarget = kTargetSensor;
    ParameterSet& eeprom = sensor.model().eeprom();
    eeprom.Power = 2000;  // five values out of the sensor's ranges
    eeprom.Average = 0;
    eeprom.EvaluationMode = 9;
    eeprom.Gain = 0;
    eeprom.Integral = 0;
    SetCtrlVal(DataPanel, DATAP_STATUS, "CHROMIX5 V4.2B12");
    SetCtrlAttribute(ConnectPage, CONP_BUTTON_ACCEPT, ATTR_DIMMED, 0);
    SetActiveTabPage(MainPanel, MAINP_TAB, 1);

    GetPara();

    EXPECT_EQ((std::vector<uint8_t>{4, 2, 2}), sensor.orders());
    EXPECT_EQ(std::string("INFO!\n5") + kEepromNotice, StatusBox());
    EXPECT_EQ(0, ActivePage());
    EXPECT_EQ(1, SensorConnected);
    EXPECT_EQ("CHROMIX5 V4.2B12", Text(DataPanel, DATAP_STATUS));
    EXPECT_FALSE(Dimmed(ConnectPage, CONP_BUTTON_ACCEPT));
    // The reads that followed brought the sensor's repaired values.
    EXPECT_EQ(0, std::memcmp(&Para, &sensor.model().ram(), sizeof Para));
    EXPECT_EQ(sim::DefaultParameters(1).Power, Para.Power);
}

TEST_P(TransferTest, FailedStepEndsTheSequenceThere)
{
    struct Case {
        const char* name;
        bool send;
        sim::Fault fault;
        std::vector<uint8_t> orders;
    };
    const Case cases[] = {
        {"parameter write", true, {sim::FaultKind::Status2, 1, 0, 1, 0}, {1}},
        {"teach write", true, {sim::FaultKind::BadHeaderCrc, 1, 1, 1, 0}, {1, 1}},
        {"eeprom load", false, {sim::FaultKind::BadSync, 4, 0, 1, 0}, {4}},
        {"teach read", false, {sim::FaultKind::BadHeaderCrc, 2, 1, 1, 0}, {4, 2, 2}},
    };
    TransferTarget = kTargetSensor;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        sensor.ClearRequests();
        sensor.faults().Add(c.fault);
        Para = sim::DefaultParameters(1);
        TechVec[0] = TeachVector{7, 7, 7, 7, 7, 7, 7, 7};
        SensorConnected = 1;
        if (c.send)
            SendPara();
        else
            GetPara();
        EXPECT_EQ(c.orders, sensor.orders());
        EXPECT_EQ(0, SensorConnected);
    }
    // The failed teach read left the parameters it had already replaced and the rows alone.
    EXPECT_EQ(0, std::memcmp(&Para, &sensor.model().ram(), sizeof Para));
    EXPECT_EQ(7, TechVec[0].Cell0);
}

INSTANTIATE_ON_BOTH_LINES(TransferTest);
