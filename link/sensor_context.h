// Everything one sensor's conversation needs, in one object: the request area and buffers of
// the exchange, the last response's fields, the connection settings and transport handles, the
// identity and live data, the session flags, the working copy, the notifications and a pointer
// for whoever owns the context. A program holds as many contexts as it serves sensors; every
// link operation exists in a form that takes the context it works on.
//
// The window serves one sensor, DefaultSensor(). The names the window's code has always used
// (RxBuf, Protocol, Para, SensorConnected, ...) are references to the default context's
// members, bound at compile time, so they cost what the plain variables cost.
//
// Contexts are used on the one thread that runs the event loop. A context must not be moved or
// destroyed while an operation on it is under way (link/exchange_async.h): the transports'
// callbacks hold its address.
#pragma once

#include <cstdint>
#include <string>

#include "link/answer_parser.h"
#include "link/frame_codec.h"
#include "link/notifications.h"
#include "link/orders.h"
#include "params/records.h"

// The request-building area: the header immediately followed by the payload.
struct HeaderFrameArea {
    uint8_t header[kHeaderSize];
    uint8_t payload[kMaxPayload];
};

inline constexpr uint16_t kProtocolRs232 = 0;
inline constexpr uint16_t kProtocolTcp = 1;

// Where SEND and GET transfer to: 2 = the sensor with its EEPROM, 3 = a parameter file; any
// other value addresses the sensor's working memory only.
inline constexpr uint16_t kTargetSensor = 2;
inline constexpr uint16_t kTargetFile = 3;

struct SensorContext;
// Called when an exchange started with StartExchange ends: result 1, or -1 after the failure was
// reported on the context (link/exchange_async.h).
using ExchangeDone = void (*)(SensorContext& c, int result);

struct SensorContext {
    // The exchange (link/frame.h). rxBuf holds the response: header at 0 to 7, data from 8,
    // cleared at the start of every exchange.
    HeaderFrameArea headerFrame{};
    uint8_t txBuf[kFrameBufferSize]{};
    uint8_t rxBuf[kFrameBufferSize]{};
    char msgBuf[256]{};
    uint8_t respOrder = 0;
    uint16_t respInfo = 0;
    uint16_t respLength = 0;
    uint8_t respDataCrc = 0;
    int32_t rxCount = 0;
    int32_t comErrorMask = 0;
    double waitStart = 0.0;
    // The bytes the answer to the request that is out normally has, header included.
    int32_t expectedAnswer = 0;

    // Connection settings and transport handles (link/link_state.h).
    uint16_t protocol = kProtocolRs232;
    uint16_t comPort = 1;
    uint16_t baudRateIndex = 4;
    char ipAddress[256]{};
    char portNumberText[32] = "10001";
    int32_t tcpPort = 10001;
    uint32_t tcpHandle = 0;
    int32_t openStatus = -1;
    int openComPort = 0;          // the port the last serial open opened, 0 for none
    bool tcpUpAtRequest = false;  // the conversation was up when the request went out

    // Identity and live data (link/connection.h, link/commands.h).
    std::string firmwareText;
    unsigned serialNumber = 0;
    int32_t sensorEdition = 0;  // 0 = no supported firmware; 1, 2 or 3 from the firmware text
    uint8_t liveData[kLiveDataSize]{};

    // Session flags. sensorConnected is 1 while a sensor is connected and identified and no
    // exchange has failed since; clearing acquisitionRunning ends the live loop after its pass.
    uint16_t sensorConnected = 0;
    uint16_t acquisitionRunning = 0;
    uint16_t sendPending = 0;
    uint16_t getPending = 0;
    uint16_t tcpConnected = 0;
    uint16_t transferTarget = kTargetSensor;

    // The working copy of the sensor's configuration.
    ParameterSet para{};
    TeachTable techVec{};

    // Counters a caller compares before and after an operation: link errors reported, and the
    // sensor's notices that it reset implausible parameters to their defaults.
    uint32_t linkErrorReports = 0;
    uint32_t plausibilityResets = 0;

    LinkNotifications notify{};
    void* user = nullptr;  // the owner's, never touched by the link

    // The exchange under way (link/exchange_async.h): the answer as far as it came, its
    // deadline (the header's, then the data's), and whom to tell when it ends.
    AnswerParser answer{};
    uint8_t exchangeState = 0;  // 0 none yet, 1 under way, 2 over
    int8_t exchangeResult = 0;
    bool exchangeAlarm = false;  // its deadline is in the link's deadline queue
    uint64_t exchangeId = 0;
    double deadline = 0.0;
    ExchangeDone done = nullptr;

    // The operation under way that does not block (link/operations_async.h): which, at which
    // exchange, and whom to tell. The scan counts of the last such request are kept here.
    uint8_t operation = 0;
    uint8_t operationStep = 0;
    ExchangeDone operationDone = nullptr;
    int32_t scanCounts[2]{};
};

// The context of the sensor the window talks to.
SensorContext& DefaultSensor();
// The same object, named only so that each module can bind the program's names for its members
// at compile time (link/frame.h, link/link_state.h, ...). Everything else calls DefaultSensor().
extern SensorContext DefaultSensorContext;

// Sets a context's connection settings, exchange state, identity, flags and working copy to
// their start values; its notifications, user pointer, link-error count and the serial port it
// has open stay. A context with an operation under way must not be reset.
void ResetSensorContext(SensorContext& c);

// The session flags of the default sensor, under the names the program uses.
extern uint16_t& SensorConnected;
extern uint16_t& AcquisitionRunning;
extern uint16_t& SendPending;
extern uint16_t& GetPending;
extern uint16_t& TcpConnected;
extern uint16_t& TransferTarget;
