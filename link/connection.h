// Connecting to the sensor, identifying it, and working offline.
#pragma once

#include <string>

// Closes what was open, reads the connection page, opens the chosen transport and identifies
// the sensor. SensorConnected is 1 afterwards when the sensor was identified and read. When it
// cannot be reached or is not supported, the operator chooses CLOSE (the program ends) or
// OFFLINE (Disconnect).
void TryToConnect();
// Identification half of TryToConnect, after a successful open.
void CheckComLine();
// Ends the connection and switches SEND and GET to parameter files.
void Disconnect();

// The full firmware text of the last identification, also the status display's tooltip.
extern std::string FirmwareText;
// The serial number of the last identification.
extern unsigned SerialNumber;
