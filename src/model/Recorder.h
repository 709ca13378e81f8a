// Recording decoded records to the project's day files: whether a record is due (the sampling interval
// counted from the last recorded record, the trigger field), the measurement's first and last recorded
// record time (the project's RecordStart and LastSaved), the append to the day file of the record's own
// time and the log lines of failing writes. The data source records live records through it, the card
// import the records of a card file.
#pragma once

#include "base/DateTime.h"
#include "protocol/RecordDecoder.h"
#include "model/Namespace.h"

#include <cstdint>
#include <string>

namespace dedezuviv::model {

class TProject;

// Takes the lines of due records in place of the day files (the card import: it leaves out lines that
// already stand in their file and writes the others in batches per day file). It reports its own
// write failures.
class IRecordLineWriter {
public:
    virtual ~IRecordLineWriter() = default;
    virtual void WriteLine(const std::string& fileName, const std::string& line) = 0;
};

class TRecorder {
public:
    // Not owned. When set, due records go to it instead of being appended to their day file at once;
    // the sampling state (LastSaved, RecordStart) moves on either way.
    IRecordLineWriter* LineWriter = nullptr;

    // Records the line of a decoded record when the project records (RecordingToFile) and the record is
    // due: LastSaved (and RecordStart when unset) become the record's time, and the line goes to the day
    // file of that time. Nothing without a project.
    void Record(TProject* project, const std::string& line, const TDecodedRecord& record);

    // Due by the sampling interval (none, or at least that many seconds after LastSaved; a clock set
    // back counts as due) unless the trigger field holds a number that is not above 0.
    static bool IsDue(const TProject& project, const TDecodedRecord& record);

private:
    // The log lines of day-file writing: a failure with its reason (then at most one a minute while
    // it goes on), and one line when writing works again.
    void ReportWriteResult(const std::string& fileName, bool written, int errorCode);
    static constexpr int64_t WriteFailureReportSeconds = 60;
    bool WriteFailing = false;
    TDateTime LastWriteFailureReport = 0;
};

// Appends text (whole lines) to a day file; a data folder it had to create is named in the debug log.
bool AppendToDayFile(const std::string& fileName, const std::string& text, int& errorCode);

}  // namespace dedezuviv::model
