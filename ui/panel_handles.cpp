#include "ui/panel_handles.h"

int MainPanel = 0;
int DataPanel = 0;
int ConnectPage = 0;
int ParamPage = 0;
