// Stage 1: the colour count with its two prompts and fallback, and the output mode.
#include <gtest/gtest.h>

#include "params/assistant_prompts.h"
#include "params/parameter_set.h"
#include "link/sensor_context.h"
#include "params/program_state.h"
#include "tests/ui/assistant/assistant_fixture.h"
#include "ui/panel_handles.h"
#include "ui/teach_assistant.h"
#include "ui/uir.h"

using AssistantColorCount = AssistantTest;

TEST_F(AssistantColorCount, CountPromptIsAnOkCancelInputOf49Characters)
{
    PopupScript popups;
    ScriptCount(popups, "6");
    ASSERT_EQ(0, GetMaxVecNo());
    ASSERT_EQ(1u, popups.shown().size());
    const PopupCall& call = popups.shown()[0];
    EXPECT_EQ("Parameter MAXCOL-No.", call.title);
    EXPECT_EQ(Text(TxtHowManyColors), call.message);
    EXPECT_EQ("OK", call.buttons[0]);
    EXPECT_EQ("CANCEL", call.buttons[1]);
    EXPECT_EQ("", call.buttons[2]);
    EXPECT_EQ(kColorCountInputLength, call.maxResponseLength);
    EXPECT_EQ(6, Para.MaxVecNo);
    EXPECT_EQ(6, Value(ParamPage, PARP_MAXVECNO));  // shown at once
}

TEST_F(AssistantColorCount, Edition2AcceptsOneToThreeAndOffersDirectOutputForOneAndTwoOnly)
{
    UseEdition(2);
    for (int count = 1; count <= 2; ++count) {
        PopupScript popups;
        ScriptCount(popups, std::to_string(count), 0);
        ASSERT_EQ(0, GetMaxVecNo());
        EXPECT_EQ(count, Para.MaxVecNo);
        EXPECT_EQ(1, Para.DigitalOutmode);
        EXPECT_EQ(Text(TxtDirectOutputs), popups.shown().back().message);
        EXPECT_EQ("", popups.shown().back().title);
    }
    {
        PopupScript popups;
        ScriptCount(popups, "3");  // more colours than outputs: no question
        ASSERT_EQ(0, GetMaxVecNo());
        EXPECT_EQ(3, Para.MaxVecNo);
        EXPECT_EQ(1, Para.DigitalOutmode);
    }
    {
        PopupScript popups;
        ScriptCount(popups, "4");
        popups.answer(PopupKind::Generic, 1, "2").answer(PopupKind::Confirm, 1);
        ASSERT_EQ(0, GetMaxVecNo());
        EXPECT_EQ("MAXCOL-No.", popups.shown()[1].title);
        EXPECT_EQ(2, Para.MaxVecNo);
        EXPECT_EQ(0, Para.DigitalOutmode);  // yes: direct output
    }
}

TEST_F(AssistantColorCount, NoToDirectOutputLeavesTheEditionsBinaryMode)
{
    const int expected[4] = {1, 1, 1, 2};
    for (int edition = 0; edition <= 3; ++edition) {
        UseEdition(edition);
        PopupScript popups;
        ScriptCount(popups, "2", 0);
        ASSERT_EQ(0, GetMaxVecNo());
        EXPECT_EQ(expected[edition], Para.DigitalOutmode) << "edition " << edition;
    }
    PopupScript popups;
    ScriptCount(popups, "5", 1);  // 5 colours still fit 5 outputs
    ASSERT_EQ(0, GetMaxVecNo());
    EXPECT_EQ(0, Para.DigitalOutmode);
    ScriptCount(popups, "6");  // 6 do not: no question, binary coded
    ASSERT_EQ(0, GetMaxVecNo());
    EXPECT_EQ(2, Para.DigitalOutmode);
}

TEST_F(AssistantColorCount, WrongValuesGetOneMorePromptThenTheLargestCount)
{
    for (const char* wrong : {"0", "32", "-4", "abc", "", "99999999999999999999999"}) {
        SCOPED_TRACE(wrong);
        PopupScript popups;
        ScriptCount(popups, wrong);
        popups.answer(PopupKind::Generic, 1, wrong).answer(PopupKind::Message, 0);
        ASSERT_EQ(0, GetMaxVecNo());
        ASSERT_EQ(3u, popups.shown().size());
        EXPECT_EQ("MAXCOL-No.", popups.shown()[1].title);
        EXPECT_EQ(Text(TxtReenterColorCount), popups.shown()[1].message);
        EXPECT_EQ(kColorCountInputLength, popups.shown()[1].maxResponseLength);
        EXPECT_EQ("", popups.shown()[2].title);
        EXPECT_EQ(Text(TxtColorCountDefault), popups.shown()[2].message);
        EXPECT_EQ(31, Para.MaxVecNo);  // 31 > 5 outputs: no direct-output question
        EXPECT_EQ(1, Para.DigitalOutmode);
    }
    // A valid second answer is taken.
    PopupScript popups;
    ScriptCount(popups, "32");
    ScriptCount(popups, "4", 0);
    ASSERT_EQ(0, GetMaxVecNo());
    EXPECT_EQ(4, Para.MaxVecNo);
}

TEST_F(AssistantColorCount, LeadingNumberCountsWhateverFollows)
{
    const std::pair<const char*, int> cases[] = {{"7abc", 7}, {"  12", 12}, {"\t9 colours", 9},
                                                 {"+8", 8}, {"031", 31}};
    for (const auto& [input, count] : cases) {
        PopupScript popups;
        ScriptCount(popups, input);
        ASSERT_EQ(0, GetMaxVecNo()) << input;
        EXPECT_EQ(count, Para.MaxVecNo) << input;
    }
    EXPECT_EQ(0, ColorCountFromText("x7"));
    EXPECT_EQ(0, ColorCountFromText(nullptr));
    EXPECT_LT(ColorCountFromText("-99999999999999999999"), 0);
}

TEST_F(AssistantColorCount, CancelAtEitherPromptEndsTheAssistantWithNothingSent)
{
    for (int prompt = 1; prompt <= 2; ++prompt) {
        SCOPED_TRACE(prompt);
        PopupScript popups;
        if (prompt == 2)
            ScriptCount(popups, "40");
        popups.answer(PopupKind::Generic, 2).answer(PopupKind::Message, 0);
        StartAssistant();
        EXPECT_EQ(Text(TxtParamCancelled), popups.shown().back().message);
        EXPECT_EQ("", popups.shown().back().title);
        EXPECT_EQ(31, Para.MaxVecNo);
    }
    EXPECT_TRUE(sensor.requests().empty());
}
