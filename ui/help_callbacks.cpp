#include "ui/help_callbacks.h"

#include "platform/userint.h"
#include "ui/help_texts.h"

namespace {

int HelpOnRightClick(int event, const char* text)
{
    if (event == EVENT_RIGHT_CLICK)
        ShowHelpText(text);
    return 0;
}

}  // namespace

int CBF_EditAverage(int, int, int event, void*, int, int)
{
    return HelpOnRightClick(event, kHelpEditAverage);
}

int CBF_DispScanFreq(int, int, int event, void*, int, int)
{
    return HelpOnRightClick(event, kHelpDispScanFreq);
}

int CBF_DispX(int, int, int event, void*, int, int)
{
    return HelpOnRightClick(event, kHelpDispX);
}

int CBF_DispY(int, int, int event, void*, int, int)
{
    return HelpOnRightClick(event, kHelpDispY);
}

int CBF_DispINT(int, int, int event, void*, int, int)
{
    return HelpOnRightClick(event, kHelpDispINT);
}

int CBF_DispRGB(int, int, int event, void*, int, int)
{
    return HelpOnRightClick(event, kHelpDispRGB);
}

int CBF_DispCOL(int, int, int event, void*, int, int)
{
    return HelpOnRightClick(event, kHelpDispCOL);
}

int CBF_Graph3D(int, int, int event, void*, int, int)
{
    return HelpOnRightClick(event, kHelpGraph3D);
}
