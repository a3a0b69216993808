// The assistant against the simulated sensor: the real link over loopback TCP, the real panels,
// and the pop-ups answered by a script. Pauses are skipped, so the 106 passes of an exhausted
// adjustment take a moment instead of a minute.
#pragma once

#include <string>
#include <vector>

#include "params/assistant_texts.h"
#include "sim/simulator.h"
#include "tests/support/panels_fixture.h"
#include "tests/support/popup_script.h"

class AssistantTest : public PanelsTest {
protected:
    void SetUp() override;
    void TearDown() override;

    // The sensor edition as identified, and the simulated sensor of that edition.
    void UseEdition(int edition);
    void UseTarget(const char* name);
    // A surface so reflective that the sensor's own power regulation alone lifts the signal
    // above DYNWIN LO: the adjustment ends in its first pass, at gain 1 and integration 1.
    void UseGlare();
    static sim::Target Glare(double reflectance = 7.0);

    // Scripts the count prompt and, when asked, the direct-output question.
    static void ScriptCount(PopupScript& popups, const std::string& input, int directAnswer = -1);
    // Scripts the two prompts before the adjustment.
    static void ScriptAdjustment(PopupScript& popups);
    // Scripts `colours` colour prompts and the closing EEPROM notice.
    static void ScriptTeaching(PopupScript& popups, int colours);

    // The text a prompt has in the current language.
    static std::string Text(AssistantMessage msg);
    static std::vector<std::string> Titles(const PopupScript& popups);
    static std::vector<std::string> Messages(const PopupScript& popups);

    // Parameter writes (order 1, info 0) the sensor received, their payloads decoded.
    std::vector<ParameterSet> ParameterWrites() const;
    int Count(int order) const;

    sim::Simulator sensor;
};
