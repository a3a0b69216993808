// Handles of the loaded panels and tab pages, set at start-up and read by every module that
// shows something. 0 until the panels exist.
#pragma once

extern int MainPanel;    // the main window
extern int DataPanel;    // the data panel, child of the main window
extern int ConnectPage;  // page 0 of the main tab control
extern int ParamPage;    // page 1 of the main tab control
