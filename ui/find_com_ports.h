// FIND COM PORTS on the connection page.
#pragma once

// Appends the list of serial ports present to the status box. Returns 0.
int CBF_ButtonFindComPorts(int panel, int control, int event, void* callbackData, int eventData1,
                           int eventData2);
