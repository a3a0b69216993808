// Shows the working copy in the main panel and on the parameter page.
#include "ui/panel_values.h"

#include "params/parameter_set.h"
#include "platform/controls.h"
#include "platform/tables.h"
#include "ui/panel_handles.h"
#include "ui/uir.h"

namespace {

// The teach table control shows four words of each row: X, Y, intensity and tolerance.
constexpr int kShownTeachWords = 4;

}  // namespace

void SetPanelValues()
{
    // Every value goes out as an int so that 16-bit values above 32767 stay unsigned.
    SetCtrlVal(MainPanel, MAINP_AVERAGE, static_cast<int>(Para.Average));
    SetCtrlVal(ParamPage, PARP_POWER, static_cast<int>(Para.Power));
    SetCtrlVal(ParamPage, PARP_MAXVECNO, static_cast<int>(Para.MaxVecNo));
    SetCtrlVal(ParamPage, PARP_GAIN, static_cast<int>(Para.Gain));
    SetCtrlVal(ParamPage, PARP_INTEGRAL, static_cast<int>(Para.Integral));
    // Row r of the table is control row r + 1; rows 31 to 63 have no place in the control.
    for (int row = 0; row < kShownTeachRows; ++row)
        for (int word = 1; word <= kShownTeachWords; ++word)
            SetTableCellVal(ParamPage, PARP_TEACHTABLE, MakePoint(word, row + 1),
                            static_cast<int>(TeachWord(TechVec[row], word)));
}
