// Opening and closing the link, and identifying the sensor. The operator's side of connecting
// (reading the connection page, the CLOSE/OFFLINE choice, TryToConnect, CheckComLine and
// Disconnect) is the window's: ui/connect_sequence.h.
#pragma once

#include <cstdint>
#include <string>

// The TCP port of PortNumberText: leading blanks, then leading digits; 0 without any, and
// capped at 2147483647.
int32_t TcpPortFromText(const char* text);

// Opens the transport the connection settings of link/link_state.h name, after closing
// whatever was open: TcpPort is taken from PortNumberText, then InitRS232 or InitTCP_IP runs.
// Returns 1, or -1 after the failure has been reported as a link error.
int OpenLink();

// Sends the identification order and takes SerialNumber, FirmwareText and SensorEdition from
// the answer. Returns 1 for a supported sensor, 0 for one the program does not support
// (SensorEdition 0), or -1 when the exchange failed (already reported).
int IdentifySensor();

// Closes the serial port that is open and the one ComPort names, and ends an open TCP
// conversation. Touches no flag but TcpConnected.
void CloseLink();

// The full firmware text of the last identification, also the status display's tooltip.
extern std::string FirmwareText;
// The serial number of the last identification.
extern unsigned SerialNumber;
