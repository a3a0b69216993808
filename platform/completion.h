// Completion of an editable drop-down's text from its own list while the operator types.
#pragma once

class QComboBox;

// The first entry (in list order) that begins with the typed text, compared without regard to
// letter case, supplies the rest of the text, which is appended and selected so that the next
// typed character replaces it. A key that produces no character (arrows, deletion) suppresses
// the completion of the change that follows it.
void EnableListCompletion(QComboBox* combo);
