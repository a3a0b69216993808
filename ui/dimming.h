// Enabling and disabling ("dimming") the operation controls around every sensor operation.
#pragma once

// mode 0: a short sensor operation; mode 1: live acquisition. dim 1 disables, 0 enables.
// Mode 0 covers SEND, GET and the memory selector; both modes cover GO, the cycle-time button,
// START, TRY TO CONNECT, DISCONNECT and the baud-rate selector. STOP is never dimmed. Processes
// pending events afterwards so the change shows at once (callbacks may run inside).
void SetButtonsDimmed(int mode, int dim);
