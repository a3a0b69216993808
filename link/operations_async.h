// The sensor's operations as sequences of exchanges that do not block (link/exchange_async.h):
// each call sends the first request and returns; the answers are handled as they arrive, and
// done(c, result) is called once when the operation ends. They do what the blocking operations
// of link/connection.h and link/commands.h do, on the same context members, with the same
// reports, so a program can run them on many contexts at once from one event loop.
//
// They serve serial and TCP contexts alike. Every function returns 1 when the operation is under
// way, or -1 without sending anything when an operation or exchange of c is under way already.
// The result given to done is 1, or -1 after a failed exchange (reported on the context);
// IdentifyAsync gives 0 for a sensor the program does not support, as IdentifySensor does.
#pragma once

#include "link/sensor_context.h"

// OpenLink for a TCP context: connects without waiting for the connection, so that a sensor
// whose address does not answer holds up no other. The result is OpenLink's (1 or -1, with the
// same report); -1 at once also when the attempt cannot start (an invalid port or address,
// reported). CloseLink gives an attempt under way up, without calling done.
int OpenLinkAsync(SensorContext& c, ExchangeDone done);
// The identification: serialNumber, firmwareText and sensorEdition.
int IdentifyAsync(SensorContext& c, ExchangeDone done);
// GetPara: the parameter set and teach rows 0 to 31 into c.para and c.techVec, after an EEPROM
// load when c.transferTarget is 2. A plausibility notice of the load is counted and written to
// the status box; the read goes on.
int ReadParametersAsync(SensorContext& c, ExchangeDone done);
// SendPara: c.para and rows 0 to 31 of c.techVec to the working memory, stored into the EEPROM
// when c.transferTarget is 2. A plausibility reset is counted and told in the status box, and
// the sequence goes on, as SendPara does; the result is then still 1.
int SendParametersAsync(SensorContext& c, ExchangeDone done);
// One live-data request into c.liveData.
int LiveSampleAsync(SensorContext& c, ExchangeDone done);
// The scan-frequency counts into c.scanCounts.
int ScanCountsAsync(SensorContext& c, ExchangeDone done);

// True while an operation of c is under way.
inline bool OperationUnderWay(const SensorContext& c) { return c.operation != 0; }
