// Callbacks of the controls whose only reaction is their right-click help: the AVERAGE control
// (its value is read by SEND), the scan-frequency display and the displays and graphs of the data
// panel. On EVENT_RIGHT_CLICK each shows its help text in an "INFO!" pop-up; every other event
// passes without effect. All return 0.
#pragma once

int CBF_EditAverage(int panel, int control, int event, void* callbackData, int eventData1,
                    int eventData2);
int CBF_DispScanFreq(int panel, int control, int event, void* callbackData, int eventData1,
                     int eventData2);
int CBF_DispX(int panel, int control, int event, void* callbackData, int eventData1,
              int eventData2);
int CBF_DispY(int panel, int control, int event, void* callbackData, int eventData1,
              int eventData2);
int CBF_DispINT(int panel, int control, int event, void* callbackData, int eventData1,
                int eventData2);
int CBF_DispRGB(int panel, int control, int event, void* callbackData, int eventData1,
                int eventData2);
int CBF_DispCOL(int panel, int control, int event, void* callbackData, int eventData1,
                int eventData2);
int CBF_Graph3D(int panel, int control, int event, void* callbackData, int eventData1,
                int eventData2);
