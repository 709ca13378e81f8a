// The current project's logging, held beside the project (main thread only; other threads never reach
// it):
// - the running data source: it exists while logging runs, made from the project's port settings, and
//   only with its port opened (a port that stays closed leaves no data source behind);
// - the recorder of its records, kept from one logging run to the next, so that a day file that keeps
//   failing is reported once a minute across restarts of the port;
// - the header of the record decoded last, kept after logging stopped: the controller it identifies is
//   asked for by the dataset definition.
// Closing or replacing the project (ReplaceCurrentProject) ends all of it first (the project-ending
// handler, installed with the first data source), so the port is closed before the project goes.
//
// Freeing a data source may let pending events run (its port waits for a worker that is handing over
// an event); the data source is out of the holder by then, and its handlers on the stack stop by its
// alive flag.
#pragma once

#include "model/PortSettings.h"
#include "protocol/RecordDecoder.h"
#include "model/Namespace.h"

#include <cstdint>

namespace dedezuviv::model {

class TDataSource;

// The running data source, or nullptr while logging does not run.
TDataSource* RunningDataSource();
// A data source runs and its port is open (also while its device has gone away).
bool LoggingActive();

// A fresh data source with the settings becomes the running one (a previous one is freed first) and
// opens its port. It stays only when the port opened: the running data source, else nullptr.
TDataSource* StartRunningDataSource(TPortSettings settings);
// Frees the running data source, which closes its port; nothing runs afterwards.
void FreeRunningDataSource();

// The header and frame kind of the record decoded last: by the running data source, else by the one
// that ran last for the current project; all zero when none decoded a record.
void LastDecodedHeader(uint8_t& frameKind, TRecordHeader& header);

// The project goes: the running data source is freed, the recorder and the last header start afresh.
void EndProjectLogging();

}  // namespace dedezuviv::model
