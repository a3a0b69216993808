// A SEND the sensor answered with its notice that it reset implausible values. The sensor did
// answer, so this is no link failure: the working copy is read back, so that it holds what the
// sensor now holds, and the values the sensor reset are listed in the status box and marked in
// the workbench.
#pragma once

#include <vector>

#include "params/configuration.h"

// Reads the sensor back after a SEND of `sent` that drew a plausibility notice. Nothing happens
// when the read fails (that is reported as a link error).
void ReadBackAfterResets(const Configuration& sent);

// The values the last such read-back found reset: what was sent (left) and what the sensor
// holds now (right). Empty before the first one.
const std::vector<Difference>& LastSendResets();
