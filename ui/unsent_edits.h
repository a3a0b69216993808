// Unsent edits: the working copy measured against the configuration it last agreed with
// outside the program, that is what was last read from or written to the sensor (GET, SEND,
// the read-back after SEND, the teach assistant's transfers, the connection's read) or a
// parameter file (GET and SEND with the file selected, the workbench's SAVE FILE). Everything
// changed since is unsent: entries in the workbench and in the main panel's AVERAGE field, and
// files or snapshots loaded by the workbench's OPEN FILE and RESTORE SNAPSHOT, which fill the
// working copy for sending without sending it. Closing a window over unsent edits asks first.
#pragma once

#include "params/configuration.h"

// The working copy now agrees with the sensor or a parameter file.
void WorkingCopyKept();
// What the working copy last agreed with (all zero, as the working copy, at start).
const Configuration& KeptConfiguration();
// True when any word of the working copy, with AVERAGE as the main panel shows it, differs
// from KeptConfiguration().
bool HasUnsentEdits();
// When there are unsent edits, asks the question (a ConfirmPopup); true when the window may
// close: no unsent edits, or the operator said yes.
bool MayCloseOverUnsentEdits(const char* question);
