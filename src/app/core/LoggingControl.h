// Starting, stopping and resetting the reception of the current project's data source, with the log
// lines and the message the window and the headless logger share.
#pragma once

class TDataSource;

// Opens a fresh port with the data source's settings. True when it opened (the project's measurement
// then starts anew, and the port keeper keeps it open); otherwise the error message and its log line.
bool StartLogging(TDataSource& source);
// Closes the port; the keeper lets it be.
void StopLogging(TDataSource& source);
// The reset after silence: the reason in the log, then stop and start. True when the port opened again;
// otherwise the keeper goes on trying.
bool ResetLogging(TDataSource& source);
