// Reading the day files of the consecutive periods of a batch export, each day file once.
//
// The periods of a batch follow each other: each ends where the next begins, so the day a period ends
// on is the day the next one begins on, and periods shorter than a day share a whole day. Each
// period's export reads its days as TRecordedDataReader::Read does (one decoder, new for the period,
// whose state carries over from day to day); this reader keeps the decoded records of the last day a
// period read for the next period, up to a bound in bytes, instead of decoding the file again.
//
// The records each period gets stay exactly those of a new reader:
// - Kept are the records a new decoder reads from the day file: the day was the first one its period
//   read, or its first line is a complete "=MD" record (after which any decoder reads alike).
// - A kept day serves the next period only as its first day, and only while the file is unchanged
//   (same file, size and modification time: a file still being written is read again). When that
//   period goes on to further days, those are read by a new decoder, so the first of them must begin
//   with a complete "=MD" record as well; else the whole period is read from the files.
// - Of a kept day, the records from Start to End are handed over in file order; the others would not
//   be taken by the engine (TIncrementRule) either.
// A day whose records pass the bound, a failed or stopped read and a change of the fields drop what
// is kept; the period after that reads its files again.
#pragma once

#include "base/DateTime.h"
#include "model/Fields.h"
#include "model/RecordedDays.h"
#include "export/Namespace.h"

#include <cstdint>
#include <string>
#include <vector>

namespace dedezuviv::exports {

class TBatchDayReader {
public:
    // As TRecordedDataReader.
    int Threads = 0;
    int IdleIntervalMs = 50;
    // Decoded records kept at most, in bytes.
    uint64_t MaxKeptBytes = 32ull << 20;

    // Reads the days of one period (RecordedDays of Start to End) for the fields (Lookup made for
    // Fields) into the sink; the result, ErrorCode and ErrorText as TRecordedDataReader::Read.
    bool Read(const std::vector<TRecordedDay>& days, const TFieldLookup& lookup, const TNameList& fields,
              IRecordedDataSink& sink, TDateTime start, TDateTime end);

    int ErrorCode = 0;
    std::string ErrorText;
    // Days served from kept records, over all periods read.
    uint64_t DaysFromMemory = 0;

    // A day file as it was when its records were read.
    struct TFileStamp {
        uint64_t Device = 0, Inode = 0, Size = 0;
        int64_t ModifiedNs = 0;
        bool operator==(const TFileStamp&) const = default;
    };

private:
    struct TKeptDay {
        std::string FileName;
        TDateTime Date = 0;
        TFileStamp Stamp;
        uint64_t Lines = 0;
        std::vector<TRecordHeader> Headers;
        std::vector<TFieldValue> Values;  // Fields.size() per record
        std::vector<int64_t> Ms;          // each record's time in milliseconds
        std::vector<uint32_t> ByTime;     // record numbers ordered by time, then file order
    };

    // Hands the kept records from StartMs to EndMs to the sink in file order, between DayBegin and
    // DayEnd; false when the sink stopped.
    bool ServeKept(const TRecordedDay& day, IRecordedDataSink& sink, int64_t startMs, int64_t endMs);

    TNameList Fields;
    bool HasKept = false;
    TKeptDay Kept;
};

}  // namespace dedezuviv::exports
