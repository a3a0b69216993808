// The link library (CMake target diror_link) for a program without a window: the sensor link,
// the working copy of the sensor's configuration and the parameter file, over the run-time
// without windows (a QCoreApplication). A command-line program uses it like this:
//
//   InitLinkLibrary(argc, argv);                        // run-time up, start values set
//   LinkNotifications n; n.statusBox = printToStderr;   // optional: see what the link reports
//   SetLinkNotifications(n);
//   Protocol = kProtocolTcp;                            // link/link_state.h
//   std::snprintf(IpAddress, sizeof IpAddress, "%s", "127.0.0.1");
//   std::snprintf(PortNumberText, sizeof PortNumberText, "%d", port);
//   if (OpenLink() == 1 && IdentifySensor() == 1) {     // link/connection.h
//       SensorConnected = 1;
//       GetPara();                                      // link/commands.h: Para, TechVec
//       if (SensorConnected == 1) ...                   // success shows in the flag
//   }
//   CloseLink();
//
// The names above are the default sensor's. A program that serves many sensors keeps a
// SensorContext per sensor (link/sensor_context.h) and calls the same operations with it, or
// their forms that do not block (link/operations_async.h), all from the one event loop:
//
//   auto c = std::make_unique<SensorContext>();         // one per sensor; must not move
//   c->protocol = kProtocolTcp; ... c->user = mine;     // its own settings and owner
//   OpenLink(*c);                                       // connects (blocks up to 5 s)
//   IdentifyAsync(*c, [](SensorContext& c, int r) { ... });  // returns at once
//
// Every link function reports a failure once, through SetTimeout (link/frame.h), which calls
// the notifications; the function then returns -1 (or, for SendPara and GetPara, leaves
// SensorConnected 0). Pop-ups (the parameter file's questions) go to stderr and take the answer
// that changes nothing unless a hook answers them (platform/popups.h).
//
// The headers that make up the library's interface:
//   link/sensor_context.h the context of one sensor, the default sensor's flags
//   link/link_state.h     connection settings, SetStartValues
//   link/connection.h     OpenLink, IdentifySensor, CloseLink, firmware text, serial number
//   link/commands.h       SendPara, GetPara, RequestLiveData, RequestScanCounts, LiveData
//   link/frame.h          the exchange itself (FillTxBuf, DataExchange), MsgBuf, SetTimeout
//   link/exchange_async.h the exchange that does not block, its deadlines
//   link/operations_async.h  identification, transfers, live data and counts that do not block
//   link/link_notify.h    the notifications
//   link/transports.h     InitRS232, InitTCP_IP, the transports' error texts
//   params/program_state.h  the program's own state (language, the sensor edition)
//   params/parameter_set.h  the working copy (Para, TechVec), defaults
//   params/parameter_file.h the parameter file
//   platform/runtime.h    the event loop and clock (ProcessSystemEvents, Timer)
#pragma once

#include "link/commands.h"
#include "link/connection.h"
#include "link/exchange_async.h"
#include "link/frame.h"
#include "link/link_notify.h"
#include "link/link_state.h"
#include "link/operations_async.h"
#include "link/sensor_context.h"
#include "link/transports.h"
#include "params/parameter_set.h"
#include "params/program_state.h"

// Starts the run-time without windows (InitRunTimeWithoutWindow; an application object that
// exists already is used) and sets every program-wide variable to its start value
// (SetStartValues). Notifications are left as they are. Returns 1.
int InitLinkLibrary(int argc, char** argv);
