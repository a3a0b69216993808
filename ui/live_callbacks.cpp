#include "ui/live_callbacks.h"

#include "link/commands.h"
#include "link/frame.h"
#include "link/sensor_context.h"
#include "params/program_state.h"
#include "platform/userint.h"
#include "ui/cycle_time.h"
#include "ui/dimming.h"
#include "ui/help_texts.h"
#include "ui/live_display.h"
#include "ui/live_refresh.h"
#include "ui/record_panel.h"
#include "ui/replay_panel.h"

int CBF_ButtonGo(int, int, int event, void*, int, int)
{
    if (event == EVENT_RIGHT_CLICK) {
        ShowHelpText(kHelpButtonGo);
    } else if (event == EVENT_COMMIT) {
        SetButtonsDimmed(1, 1);
        CloseReplay();  // the live display takes the strip chart and the displays back
        InitGraphs();
        const uint32_t linkErrors = LinkErrorReports();
        RecordingRunStarts();
        GetData();  // returns when the loop ends
        FlushLiveSample();
        RecordingRunEnds();
        // Ended by a link failure rather than by STOP: what the displays show is old now.
        if (LinkErrorReports() != linkErrors)
            MarkLiveDataStale();
        SetButtonsDimmed(0, 0);
    }
    return 0;
}

int CBF_ButtonStop(int, int, int event, void*, int, int)
{
    if (event == EVENT_RIGHT_CLICK)
        ShowHelpText(kHelpButtonStop);
    else if (event == EVENT_COMMIT)
        AcquisitionRunning = 0;  // the loop ends after its current pass
    return 0;
}

int CBF_ButtonFREQ(int, int, int event, void*, int, int)
{
    if (event == EVENT_RIGHT_CLICK) {
        ShowHelpText(kHelpButtonFREQ);
    } else if (event == EVENT_COMMIT) {
        SetButtonsDimmed(0, 1);
        GetCycleTime();
        SetButtonsDimmed(0, 0);
    }
    return 0;
}
