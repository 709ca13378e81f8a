// SIGTERM, SIGHUP and SIGINT end the window program as they end the headless logger: logging stopped,
// settings file written, exit code 0, without questions (nobody may be there to answer them: desktop
// logout and "systemctl stop" send these signals). The signal handler only writes to a pipe; a socket
// notifier on its other end asks the event loop to end, and the program does the rest once the loop
// has returned (FinishAfterStopSignal), so nothing runs inside whatever handler happened to be active.
#pragma once

#include "app/gui/Namespace.h"

namespace dedezuviv::gui {

class ICommandHost;

// Catches the three signals from now on (until the host's window is destroyed). Call before the start-up, so
// that a signal during it is not lost; it takes effect when the event loop runs.
void InstallStopSignals(ICommandHost& host);
// Whether one of the signals arrived since InstallStopSignals.
bool StopSignalReceived();
// After the event loop: stops logging and writes the settings file (a failure goes to the log and to
// standard error, not into a message box).
void FinishAfterStopSignal(ICommandHost& host);

}  // namespace dedezuviv::gui
