// Opening and closing the link, and identifying the sensor. The operator's side of connecting
// (reading the connection page, the CLOSE/OFFLINE choice, TryToConnect, CheckComLine and
// Disconnect) is the window's: ui/connect_sequence.h.
#pragma once

#include <cstdint>
#include <string>

#include "link/sensor_context.h"

// The TCP port of PortNumberText: leading blanks, then leading digits; 0 without any, and
// capped at 2147483647.
int32_t TcpPortFromText(const char* text);

// Opens the transport the context's connection settings name, after closing whatever it had
// open: tcpPort is taken from portNumberText, then InitRS232 or InitTCP_IP runs. Returns 1, or
// -1 after the failure has been reported as a link error.
int OpenLink(SensorContext& c);
int OpenLink();

// Sends the identification order and takes serialNumber, firmwareText and sensorEdition from
// the answer. Returns 1 for a supported sensor, 0 for one the program does not support
// (edition 0), or -1 when the exchange failed (already reported).
int IdentifySensor(SensorContext& c);
int IdentifySensor();

// Closes the serial port the context opened and the one comPort names, and ends its TCP
// conversation. Touches no flag but tcpConnected.
void CloseLink(SensorContext& c);
void CloseLink();

// The default sensor's full firmware text of the last identification, also the status
// display's tooltip, and its serial number.
extern std::string& FirmwareText;
extern unsigned& SerialNumber;
