// The teach assistant: colour count and output mode, the automatic adjustment of power, gain
// and integration, and teaching the colours one by one, with prompts in the operator's
// language.
#pragma once

// Runs the three stages; called by START with the other operation buttons dimmed.
void StartAssistant();
// Asks for the colour count and the output mode. 0 when set, 1 when the operator cancelled.
int GetMaxVecNo();
// The automatic adjustment. 0 when it ended (reached or exhausted), 1 when cancelled or the
// link failed.
int SetSensorPower();
// Teaches rows 0 to MAX VEC NO - 1 and saves to the EEPROM. 0 when done, 1 when abandoned.
int TeachColors();
