// Connecting as the operator sees it: the connection page's settings, the status texts, the
// CLOSE/OFFLINE choice after a failure and the offer to send the default parameters. The link
// underneath (opening, identifying, closing) is link/connection.h.
#pragma once

// Closes what was open, reads the connection page, opens the chosen transport and identifies
// the sensor. SensorConnected is 1 afterwards when the sensor was identified and read. When it
// cannot be reached or is not supported, the operator chooses CLOSE (the program ends) or
// OFFLINE (Disconnect).
void TryToConnect();
// Identification half of TryToConnect, after a successful open.
void CheckComLine();
// Ends the connection and switches SEND and GET to parameter files.
void Disconnect();
