// The command line's MQTT tests: a command-line test with a broker of its own on 127.0.0.1
// (tests/cli/mqtt_broker.h), skipped where mosquitto is not installed.
#pragma once

#include <QByteArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <memory>
#include <string>

#include "tests/cli/cli_fixture.h"
#include "tests/cli/mqtt_broker.h"

class BrokerTest : public CliTest {
protected:
    void SetUp() override
    {
        CliTest::SetUp();
        if (!TestBroker::Installed())
            GTEST_SKIP() << "mosquitto is not installed (scripts/setup.sh installs it)";
        broker_ = std::make_unique<TestBroker>(dir_.path().toStdString());
    }
    void TearDown() override
    {
        broker_.reset();
        CliTest::TearDown();
    }

    std::unique_ptr<TestBroker> broker_;
};

// A JSON message's object; empty when it is none.
inline QJsonObject Json(const std::string& text)
{
    return QJsonDocument::fromJson(QByteArray::fromStdString(text)).object();
}
