// The web view's JSON texts of the live state, built on the main thread from the open project, the
// record and the window's data table: the table's cells as the window shows them, the field list, and
// the logging state.
#pragma once

#include "base/DateTime.h"
#include "protocol/RecordDecoder.h"
#include "app/core/Namespace.h"

#include <cstdint>
#include <string>

namespace dedezuviv::model {
class TDataTable;
class TProject;
}  // namespace dedezuviv::model

namespace dedezuviv::app {

struct TWebLoggingState {
    bool Active = false;     // a data source runs with its port open
    bool LineLost = false;   // its device went away
    bool Recording = false;  // records go to day files
    std::string Port;
    uint64_t PortErrors = 0; // errors the running port reported
    uint64_t Records = 0;    // records acknowledged since the web view started
};

// A time as "YYYY-MM-DDTHH:MM:SS" (local civil time, as the day files hold it); "" for 0.
std::string WebTimeText(TDateTime time);

// {"time":...,"records":N,"cells":[{"col","row","text","color","bold","italic"}...],
//  "fields":[{"caption","items":[{"name","text","unit"}...]}...]}: what changes with every record.
// The table's colours are not changed (each cell is evaluated on a copy).
std::string WebRecordJson(const TProject* project, const TDataTable& table, const TDecodedRecord& record,
                          uint64_t records);
// A record's JSON (WebRecordJson) with the project and the logging state:
// {"project":...,"logging":{...},"record":{...}}.
std::string WebLiveJson(const TProject* project, const TWebLoggingState& state, const std::string& recordJson);

}  // namespace dedezuviv::app
