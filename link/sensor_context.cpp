// The default sensor's context and the program's names for its flags and working copy. Every
// such name is a reference bound to a member of a static object: the member's address is a
// link-time constant, so the reference is constant-initialised and as cheap as the variable it
// replaces. The object itself is not declared constinit: not every standard library's
// std::string can be constructed in a constant expression (clang with GCC 12's library cannot),
// and nothing touches the context before main(). The names of the exchange, the connection and
// the commands are bound in their own modules.
#include "link/sensor_context.h"

#include "params/parameter_set.h"
#include "params/program_state.h"

SensorContext DefaultSensorContext;

SensorContext& DefaultSensor() { return DefaultSensorContext; }

void ResetSensorContext(SensorContext& c)
{
    const LinkNotifications notify = c.notify;
    void* const user = c.user;
    const int openComPort = c.openComPort;
    const uint32_t reports = c.linkErrorReports;
    c = SensorContext{};
    c.notify = notify;
    c.user = user;
    // A serial port left open stays known, so that closing the link still closes it; the
    // count of reports only ever grows.
    c.openComPort = openComPort;
    c.linkErrorReports = reports;
}

uint16_t& SensorConnected = DefaultSensorContext.sensorConnected;
uint16_t& AcquisitionRunning = DefaultSensorContext.acquisitionRunning;
uint16_t& SendPending = DefaultSensorContext.sendPending;
uint16_t& GetPending = DefaultSensorContext.getPending;
uint16_t& TcpConnected = DefaultSensorContext.tcpConnected;
uint16_t& TransferTarget = DefaultSensorContext.transferTarget;

int32_t& SensorEdition = DefaultSensorContext.sensorEdition;
ParameterSet& Para = DefaultSensorContext.para;
TeachTable& TechVec = DefaultSensorContext.techVec;
