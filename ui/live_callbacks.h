// GO, STOP and the cycle-time button.
#pragma once

int CBF_ButtonGo(int panel, int control, int event, void* data, int d1, int d2);
int CBF_ButtonStop(int panel, int control, int event, void* data, int d1, int d2);
int CBF_ButtonFREQ(int panel, int control, int event, void* data, int d1, int d2);
