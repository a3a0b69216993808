// The main window: start-up, its callbacks and the memory selector.
#pragma once

#include "ui/row_palette.h"

// Loads the main panel and, as its child, the data panel from the user-interface file, titles
// the window and places the data panel at top 63, left 286. Returns 0, or -1 when a panel could
// not be loaded.
int LoadMainPanels();

// The start-up sequence, after the panels are loaded: state, tab pages, teach table colours,
// banner, IP drop-down, saved settings, panels shown, connection settings, first connection.
void InitAll();


// The teach table's start-up look: swatches of the row palette in column 5, light grey value
// cells in columns 1 to 4.
void ColourTeachTable();

int CBF_MAINP(int panel, int event, void* data, int d1, int d2);
int CBF_DATAP(int panel, int event, void* data, int d1, int d2);
int CBF_TabMain1(int panel, int control, int event, void* data, int d1, int d2);
int CBF_ButtonSend(int panel, int control, int event, void* data, int d1, int d2);
int CBF_ButtonGet(int panel, int control, int event, void* data, int d1, int d2);
int CBF_SelectMem(int panel, int control, int event, void* data, int d1, int d2);
int CBF_EditSelectLanguage(int panel, int control, int event, void* data, int d1, int d2);
int CBF_ButtonStart(int panel, int control, int event, void* data, int d1, int d2);
