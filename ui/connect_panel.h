// The connection page: interface and its settings, connect, disconnect, accept, the status box
// and the IP address history.
#pragma once

// Reads the connection settings from the settings file (when it is a panel settings file; the
// defaults otherwise) into the five controls of the page.
void GetConnectionSettingsFromFile();
// Shows the controls of the protocol the selector shows: COM port and baud rate for RS-232,
// IP address (with its list) and port number for TCP/IP.
void InitConnectPanel();
// A connection attempt with the operation controls dimmed. When the sensor was connected
// everything is enabled again; otherwise TRY TO CONNECT and the baud-rate selector are, and
// DISCONNECT while the transport is still open, so that a link error in any step of the
// attempt never leaves the operator without a way to retry or to work offline.
void ConnectWithControlsDimmed();
// Puts text at the top of the IP address history: an equal entry moves up, never more than 10.
void AddToIpHistory(const char* text);

int CBF_EditCommunicationProtocol(int panel, int control, int event, void* data, int d1, int d2);
int CBF_EditSelectComPort(int panel, int control, int event, void* data, int d1, int d2);
int CBF_EditSelectBaudrate(int panel, int control, int event, void* data, int d1, int d2);
int CBF_StringIpAdress(int panel, int control, int event, void* data, int d1, int d2);
int CBF_StringPortNumber(int panel, int control, int event, void* data, int d1, int d2);
int CBF_ButtonTryToConnect(int panel, int control, int event, void* data, int d1, int d2);
int CBF_ButtonDisconnect(int panel, int control, int event, void* data, int d1, int d2);
int CBF_ButtonAccept(int panel, int control, int event, void* data, int d1, int d2);
int CBF_DispStatus(int panel, int control, int event, void* data, int d1, int d2);
