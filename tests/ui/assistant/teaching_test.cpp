// Stage 3: teaching the rows, the saturation question, the final save, and the prompts in the
// operator's language.
#include <gtest/gtest.h>

#include <cstring>

#include "params/parameter_set.h"
#include "link/sensor_context.h"
#include "params/program_state.h"
#include "platform/tables.h"
#include "platform/userint.h"
#include "tests/ui/assistant/assistant_fixture.h"
#include "ui/panel_handles.h"
#include "ui/teach_assistant.h"
#include "ui/uir.h"

using AssistantTeaching = AssistantTest;

namespace {

constexpr int kCyan = 0x00FFFF;
constexpr int kLightGrey = 0xC0C0C0;

int CellColour(int column, int row)
{
    int colour = -1;
    GetTableCellAttribute(ParamPage, PARP_TEACHTABLE, MakePoint(column, row), ATTR_TEXT_BGCOLOR,
                          &colour);
    return colour;
}

int Cell(int column, int row)
{
    int value = -1;
    GetTableCellVal(ParamPage, PARP_TEACHTABLE, MakePoint(column, row), &value);
    return value;
}

}  // namespace

TEST_F(AssistantTeaching, ThirtyOneColoursAreTitledFrom0To30AndEndInTheEeprom)
{
    // Each colour shown is a different sample; the memory selector points at the working memory.
    TransferTarget = 1;
    const std::vector<sim::Target> samples = sim::SampleTargets();
    sensor.SetLog([this, samples](const std::string&) {
        if (sensor.requests().back().order == 8)
            sensor.model().SetTarget(samples[static_cast<size_t>(Count(8)) % samples.size()]);
    });
    PopupScript popups;
    ScriptCount(popups, "31");
    ScriptAdjustment(popups);
    ScriptTeaching(popups, 31);
    StartAssistant();

    const auto titles = Titles(popups);
    ASSERT_EQ(3u + 31u + 1u, titles.size());
    for (int i = 0; i <= 30; ++i) {
        EXPECT_EQ("TEACH COLOR " + std::to_string(i), titles[3 + static_cast<size_t>(i)]);
        EXPECT_EQ(Text(TxtPlaceColor), popups.shown()[3 + static_cast<size_t>(i)].message);
    }
    EXPECT_EQ(Text(TxtSavedToEeprom), popups.shown().back().message);
    EXPECT_EQ("", titles.back());

    // Only the final save went to the EEPROM, and the selector is as it was.
    EXPECT_EQ(1, Count(3));
    EXPECT_EQ(3, sensor.orders().back());
    EXPECT_EQ(1, TransferTarget);
    for (int row = 0; row < 31; ++row) {
        const TeachVector& taught = TechVec[static_cast<size_t>(row)];
        EXPECT_EQ(500, taught.Cell3);
        EXPECT_EQ(0, std::memcmp(&taught, &sensor.model().eepromRows()[static_cast<size_t>(row)],
                                 sizeof taught))
            << "row " << row;
    }
    EXPECT_NE(TechVec[0].Cell0, TechVec[1].Cell0);  // different colours were taught
    EXPECT_EQ(1, sensor.model().eepromRows()[31].Cell3);  // not taught: default
    EXPECT_EQ(31, sensor.model().eeprom().MaxVecNo);

    // The last colour is row 31 of the table; every taught row ends light grey.
    for (int w = 1; w <= 4; ++w)
        EXPECT_EQ(TeachWord(TechVec[30], w), Cell(w, 31));
    EXPECT_EQ(kLightGrey, CellColour(1, 1));
    EXPECT_EQ(kLightGrey, CellColour(4, 31));
}

class AssistantBrightness : public AssistantTest {
protected:
    // Arranges that teaching measures raw blue `blue` after an adjustment that succeeds in its
    // first pass (gain 1, integration 1, power as regulated).
    void ShowBlueAtTeaching(int blue)
    {
        UseGlare();
        const uint16_t power = sim::RegulatedPower(Glare(), 1, 1, 3200, 3300);
        const double perReflectance = sim::kWhiteCounts * power / 1000.0;
        teachTarget = {"probe", 0.5, 0.5, (blue - sim::kDarkCounts) / perReflectance};
        expected = sim::Measure(teachTarget, power, 1, 1);
        ASSERT_EQ(blue, expected.raw[2]);
        sensor.SetLog([this](const std::string&) {
            if (sensor.requests().back().order == 8)
                sensor.model().SetTarget(teachTarget);
        });
    }
    sim::Target teachTarget;
    sim::Reading expected;
};

TEST_F(AssistantBrightness, RawValueOf4050IsTaughtWithoutAQuestion)
{
    ShowBlueAtTeaching(4050);
    PopupScript popups;
    ScriptCount(popups, "1", 0);
    ScriptAdjustment(popups);
    ScriptTeaching(popups, 1);
    StartAssistant();
    EXPECT_EQ(expected.x, TechVec[0].Cell0);
    EXPECT_EQ(expected.intensity, sensor.model().eepromRows()[0].Cell2);
}

TEST_F(AssistantBrightness, RawValueOf4051AsksAndYesAbandonsTeaching)
{
    ShowBlueAtTeaching(4051);
    PopupScript popups;
    ScriptCount(popups, "2", 0);
    ScriptAdjustment(popups);
    popups.answer(PopupKind::Message, 0).answer(PopupKind::Confirm, 1).answer(PopupKind::Message, 0);
    StartAssistant();

    ASSERT_EQ(7u, popups.shown().size());
    EXPECT_EQ(Text(TxtColorTooBright), popups.shown()[5].message);
    EXPECT_EQ("", popups.shown()[5].title);
    EXPECT_EQ(Text(TxtTeachCancelled), popups.shown()[6].message);
    EXPECT_EQ("", popups.shown()[6].title);
    // Nothing stored or sent after the adjustment; the row stays marked.
    EXPECT_EQ(1, TechVec[0].Cell3);
    EXPECT_EQ(2u, ParameterWrites().size());
    EXPECT_EQ(1, sensor.model().eepromRows()[0].Cell3);
    EXPECT_EQ(kCyan, CellColour(1, 1));
    EXPECT_EQ(kCyan, CellColour(4, 1));
    EXPECT_NE(kCyan, CellColour(1, 2));  // the second colour was never reached
}

TEST_F(AssistantBrightness, RawValueOf4051AnsweredNoIsTaughtAsMeasured)
{
    ShowBlueAtTeaching(4051);
    PopupScript popups;
    ScriptCount(popups, "1", 0);
    ScriptAdjustment(popups);
    popups.answer(PopupKind::Message, 0).answer(PopupKind::Confirm, 0).answer(PopupKind::Message, 0);
    StartAssistant();

    const TeachVector taught{static_cast<uint16_t>(expected.x), static_cast<uint16_t>(expected.y),
                             static_cast<uint16_t>(expected.intensity), 500, 1, 1, 10, 1};
    EXPECT_EQ(0, std::memcmp(&taught, &TechVec[0], sizeof taught));
    EXPECT_EQ(0, std::memcmp(&taught, &sensor.model().eepromRows()[0], sizeof taught));
    EXPECT_EQ(expected.x, Cell(1, 1));
    EXPECT_EQ(500, Cell(4, 1));
    EXPECT_EQ(kLightGrey, CellColour(1, 1));
    EXPECT_EQ(Text(TxtSavedToEeprom), popups.shown().back().message);
}

TEST_F(AssistantTeaching, EveryPromptIsInSpanishWithLanguageIndex3)
{
    LanguageIndex = kLanguageSpanish;
    PopupScript popups;
    ScriptCount(popups, "treinta");
    ScriptCount(popups, "1", 1);
    ScriptAdjustment(popups);
    ScriptTeaching(popups, 1);
    StartAssistant();

    const std::vector<std::string> expected = {
        AssistantText(TxtHowManyColors, 3),  AssistantText(TxtReenterColorCount, 3),
        AssistantText(TxtDirectOutputs, 3),  AssistantText(TxtPlaceBrightest, 3),
        AssistantText(TxtAutoAdjust, 3),     AssistantText(TxtPlaceColor, 3),
        AssistantText(TxtSavedToEeprom, 3)};
    EXPECT_EQ(expected, Messages(popups));
    EXPECT_EQ(0, expected[5].rfind("Coloque ahora un color", 0));
    EXPECT_EQ(0, sensor.model().eeprom().DigitalOutmode);

    PopupScript cancel;
    cancel.answer(PopupKind::Generic, 2).answer(PopupKind::Message, 0);
    StartAssistant();
    EXPECT_EQ(AssistantText(TxtParamCancelled, 3), cancel.shown().back().message);
}
