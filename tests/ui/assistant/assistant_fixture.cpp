#include "tests/ui/assistant/assistant_fixture.h"

#include <cstdio>
#include <cstring>

#include "link/link_state.h"
#include "link/transports.h"
#include "link/sensor_context.h"
#include "params/program_state.h"
#include "platform/runtime.h"
#include "platform/tcp.h"

void AssistantTest::SetUp()
{
    PanelsTest::SetUp();
    SetSleepScale(0);
    LanguageIndex = kLanguageEnglish;
    UseEdition(1);
    UseTarget("bright");

    const int port = sensor.ListenTcp();
    ASSERT_GT(port, 0) << sensor.error();
    std::snprintf(PortNumberText, sizeof PortNumberText, "%d", port);
    OpenTcpLink(port);
    for (int i = 0; i < 200 && sensor.tcpConnections() == 0; ++i)
        WaitSystemEvents(0.01);
}

void AssistantTest::TearDown()
{
    sensor.Stop();
    SetSleepScale(1.0);
    PanelsTest::TearDown();
}

void AssistantTest::UseEdition(int edition)
{
    SensorEdition = edition;
    sensor.model().SetEdition(static_cast<sim::Edition>(edition));
    sensor.model().FactoryReset();
}

void AssistantTest::UseTarget(const char* name)
{
    sim::Target target;
    ASSERT_TRUE(sim::TargetByName(name, &target)) << name;
    sensor.model().SetTarget(target);
}

void AssistantTest::UseGlare() { sensor.model().SetTarget(Glare()); }

sim::Target AssistantTest::Glare(double reflectance)
{
    return sim::Target{"glare", reflectance, reflectance, reflectance};
}

void AssistantTest::ScriptCount(PopupScript& popups, const std::string& input, int directAnswer)
{
    popups.answer(PopupKind::Generic, 1, input);
    if (directAnswer >= 0)
        popups.answer(PopupKind::Confirm, directAnswer);
}

void AssistantTest::ScriptAdjustment(PopupScript& popups)
{
    popups.answer(PopupKind::Generic, 1).answer(PopupKind::Message, 0);
}

void AssistantTest::ScriptTeaching(PopupScript& popups, int colours)
{
    for (int i = 0; i < colours; ++i)
        popups.answer(PopupKind::Message, 0);
    popups.answer(PopupKind::Message, 0);
}

std::string AssistantTest::Text(AssistantMessage msg) { return AssistantText(msg, LanguageIndex); }

std::vector<std::string> AssistantTest::Titles(const PopupScript& popups)
{
    std::vector<std::string> titles;
    for (const PopupCall& call : popups.shown())
        titles.push_back(call.title);
    return titles;
}

std::vector<std::string> AssistantTest::Messages(const PopupScript& popups)
{
    std::vector<std::string> messages;
    for (const PopupCall& call : popups.shown())
        messages.push_back(call.message);
    return messages;
}

std::vector<ParameterSet> AssistantTest::ParameterWrites() const
{
    std::vector<ParameterSet> writes;
    for (const sim::Request& r : sensor.requests())
        if (r.order == 1 && r.info == 0 && r.payload.size() == sizeof(ParameterSet)) {
            ParameterSet p;
            std::memcpy(&p, r.payload.data(), sizeof p);
            writes.push_back(p);
        }
    return writes;
}

int AssistantTest::Count(int order) const
{
    int n = 0;
    for (const sim::Request& r : sensor.requests())
        n += r.order == order;
    return n;
}
