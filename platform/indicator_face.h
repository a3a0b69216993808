// Inside the platform layer only: a numeric indicator that draws its own face.
//
// A read-only spin box draws its number through the line edit inside it: every new value lays
// the edit's text out again, and every paint goes through the edit's cursor, selection and
// scrolling logic and the style's whole spin box. In the live loop seven displays change in
// every frame, and that was most of the frame. An indicator with its own face keeps the spin
// box (its value, range, palette, font and alignment stay what the rest of the program reads
// and sets) but hides the edit and paints the frame from a cached picture and the number as
// one line of text, where the edit would have put it.
#pragma once

class QSpinBox;

// From now on box paints its own face; a box that does already is left as it is.
void GiveIndicatorItsOwnFace(QSpinBox* box);
// The face of box shows value from its next paint on; the box's own value follows within a
// quarter of a second (no signal is emitted). False for a box without a face, which is left
// as it is.
bool ShowOnIndicatorFace(QSpinBox* box, int value);
// The value the face of box shows and the box does not have yet; false when there is none.
bool IndicatorFaceAhead(const QSpinBox* box, int* value);
