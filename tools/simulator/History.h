// Recorded history for a project: the simulated controller's records of the past days written into
// the project's day files as the logger would have recorded them (decoded, normalised, one line per
// sampling interval, the PC time of each line its record time), so that charts and exports have data
// at once.
#pragma once

#include "SimOptions.h"

// Writes Options.HistoryDays days up to now into the day files of the project Options.HistoryProject.
// Days whose file exists already are left alone. Returns the process exit code (0 written, 1 failure)
// and prints what it did.
int WriteHistory(const TSimOptions& options);
