// Starting, stopping and resetting the current project's logging, with the log lines and the message the
// window and the headless logger share. Logging runs on a data source made from the project's port
// settings when it starts and freed when it stops (model/LiveLogging.h holds it).
#pragma once

#include "app/core/Namespace.h"

namespace dedezuviv::app {

// Opens a fresh data source with the current project's port settings. True when its port opened (the
// project's measurement then starts anew, and the port keeper keeps it open); otherwise no data source
// runs, and the error message and its log line are given.
bool StartLogging();
// Frees the running data source, which closes its port; the keeper lets it be.
void StopLogging();
// The reset after silence: the reason in the log, then stop and start. True when the port opened again;
// otherwise the keeper goes on trying.
bool ResetLogging();

}  // namespace dedezuviv::app
