// Live play's termination signals. While they are watched, SIGINT, SIGTERM
// and SIGHUP (Ctrl-C, kill, a closed terminal) do not kill the program
// mid-frame: the first one asks the run to end as the window's close button
// does (the window is closed and the sound stopped by the presentation's own
// ending), and its number is kept so the program can exit with 128 + the
// signal. A second of the same signal takes its default action at once, for
// a run that does not end. The video system is started without signal
// handlers of its own, so these are the only ones.
#pragma once

// Installs the handlers and forgets any earlier signal. Main thread.
void watchTerminationSignals();
// Puts back the handlers that were there before.
void stopWatchingTerminationSignals();
// The first termination signal since watching began, 0 when none.
int terminationSignal();
