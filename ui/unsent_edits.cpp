#include "ui/unsent_edits.h"

#include "platform/controls.h"
#include "platform/popups.h"
#include "ui/panel_handles.h"
#include "ui/uir.h"

namespace {

Configuration kept{};

// Every word counts, the eighth of each row and rows 32 to 63 too: an edit of them is lost on
// closing like any other.
constexpr CompareScope kEveryWord{kTeachRows, kTeachWords};

}  // namespace

void WorkingCopyKept() { kept = WorkingCopy(); }

const Configuration& KeptConfiguration() { return kept; }

bool HasUnsentEdits()
{
    Configuration current = WorkingCopy();
    // The main panel's AVERAGE reaches the working copy only when SEND reads it.
    if (MainPanel > 0)
        GetCtrlVal(MainPanel, MAINP_AVERAGE, &current.para.Average);
    return !CompareConfigurations(current, kept, kEveryWord).empty();
}

bool MayCloseOverUnsentEdits(const char* question)
{
    return !HasUnsentEdits() || ConfirmPopup("ATTENTION!", question) == 1;
}
