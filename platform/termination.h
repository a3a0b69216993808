// Ending the program from outside (logout, shutdown, kill, Ctrl+C in a terminal) as the operator
// would end it: the first SIGTERM, SIGINT or SIGHUP closes the panel as its window's close button
// does, so its close callback keeps the settings; pop-ups open then or later are dismissed as by
// Escape, so that nobody has to answer them. A second signal ends the program at once.
//
// The signal is served by the event loop, so nothing happens before the program first handles
// events. Returns 0, or -1 when the signals cannot be watched.
#pragma once

int CloseOnTerminationSignal(int panel);
