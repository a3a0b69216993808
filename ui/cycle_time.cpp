#include "ui/cycle_time.h"

#include "link/commands.h"
#include "platform/controls.h"
#include "platform/userint.h"
#include "ui/panel_handles.h"
#include "ui/uir.h"

double ScanFrequency(int32_t a, int32_t b)
{
    if (b == 0)
        return 0.0;
    return static_cast<double>(a) / (static_cast<double>(b) * 0.01);
}

int ScanFrequencyPrecision(double frequency)
{
    if (frequency > 1000.0)
        return 0;
    if (frequency > 1.0)
        return 1;
    return 2;
}

void GetCycleTime()
{
    int32_t a = 0;
    int32_t b = 0;
    double frequency = 0.0;
    if (RequestScanCounts(&a, &b) == 1) {
        // A sensor that has not counted any cycles yet reports B = 0: no frequency to show.
        if (b == 0)
            SetCtrlVal(ConnectPage, CONP_STATUSBOX,
                       "The sensor reported no scan cycles; no scan frequency can be shown.\n\n");
        frequency = ScanFrequency(a, b);
    }
    SetCtrlAttribute(MainPanel, MAINP_SCANFREQ, ATTR_PRECISION, ScanFrequencyPrecision(frequency));
    SetCtrlVal(MainPanel, MAINP_SCANFREQ, frequency);
}
