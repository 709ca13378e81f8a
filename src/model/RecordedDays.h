// Reading recorded data back: the low-level part that the export engine (src/export/) and
// the recorded-data reader of the charts (src/evaluation/) share. Each keeps its own
// rules (its log lines and progress values) in its own folder; which records of a range they take is
// the one TIncrementRule; this unit finds the day files, reads them and decodes them in the order of the
// day files.
//
// 1. Which files: RecordedDays(project, start, end, walk) lists the days a range touches, in date
//    order, each once, with DataFileName and whether the file exists (a regular file; a folder of that
//    name counts as missing). TDayWalk::EveryMinute is the charts' one-minute walk (candidates
//    start, start + 1 min, ... while not later than end + 1 min: a range ending in the last minute of a
//    day also touches the next day); TDayWalk::CalendarDays is the export's walk (the day of start
//    through the day of end).
//
// 2. How a file is read: as 8-bit text, line by line. A line ends at LF, CR or CR LF; a last line
//    without an ending is a line too (so "a\r\nb" has 2 lines, "" none, "\r\n" one empty line). Each
//    line is one record: FeedRecordLine ends a frame that the bytes before left open at the start of the
//    line and at every "=" (no record text holds one), so a line cut off before its "#" (a power
//    failure, also when the next record was appended to the cut text) or a foreign line loses only
//    itself. The decoded data set (an "MD" record and the "MR"/"ME" records that add to it) carries over
//    from line to line and from day to day, as it does while logging.
//
// 3. Which records: a day file holds the records whose RT falls on its day. A record of another day is
//    not taken from it: day files are named by two-digit years, so the walk over a range longer than a
//    century reads the file 26-01-01.txt for 1926 and for 2026, and each of its records counts once.
//
// 4. The whole request: TRecordedDataReader::Read(days, lookup, sink) reads the days in order through
//    ONE decoder whose state carries over from file to file, and hands every valid
//    record of its day to the sink on the calling thread, in exactly the order a single decoder fed the
//    files line by line would produce them. A record reaches the sink as its header (RT, PC, ...) and the
//    values of the fields the reader asked for (TFieldLookup: the same values as GetFieldValue of
//    field lookup gives for those names, resolved once).
//    - Speed: with Threads > 1 the files are cut into chunks of lines (about ChunkBytes each) that
//      workers decode ahead. The result stays exact: a chunk decoded apart is used from its first
//      complete "=MD" line on (an MD record empties the decoded data set, so from there a fresh decoder
//      and the one that read everything before agree); the lines before it are decoded by the
//      carried-over decoder on the calling thread.
//    - Memory: what is read ahead is bounded by bytes, whatever the size of the files: at most
//      MaxBytesAhead of decoded records in flight (a chunk whose records would pass its share stops
//      early and the calling thread reads the rest of it), plus a 64 KiB read buffer per chunk. A line
//      longer than the buffer is fed in parts. The chunks in flight are used again, with their room
//      and their decoders, so that memory is not allocated anew for every chunk.
//    - Responsiveness: the sink's Idle() is called on the calling thread about every IdleIntervalMs
//      while reading and decoding (also while waiting for a worker), never per record: that is where a
//      reader shows progress and lets pending window messages run (ProcessMessages). Nothing here calls
//      ProcessMessages itself.
//    - Row text: with a Formatter, the workers also turn each record they decode into its text (an
//      export's row), and the sink gets it with the record (FormattedRecord); records decoded on the
//      calling thread come without text (Record).
//    - Failures: a day file that vanished between the listing and the read counts as missing; one
//      that cannot be opened or read ends Read with false, the error code and a German message
//      (Idle/DayEnd have been called; DayEnd with Ok false and the lines read so far).
//
// Thread use: Read runs on one thread (usually the main thread); the sink is only ever called on it.
// The workers touch nothing but their own chunk, their own decoder and the (copied) lookup; the
// project is read only while listing the days and building the lookup.
#pragma once

#include "base/DateTime.h"
#include "protocol/RecordDecoder.h"
#include "model/Namespace.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace dedezuviv::model {

class TProject;

enum class TDayWalk {
    EveryMinute,   // charts: the days of the candidates start, start + 1 min, ... <= end + 1 min
    CalendarDays,  // export: the day of start through the day of end
};

struct TRecordedDay {
    // The first time of the walk that falls into this day: start for the first day, else (minute
    // walk) the first candidate minute of the day or (calendar walk) the day's midnight.
    TDateTime Time = 0;
    // Midnight of the day.
    TDateTime Date = 0;
    std::string FileName;  // DataFileName(project, Time)
    bool Exists = false;   // a regular file (or a link to one) of that name existed when listed
};

// The days of the range in date order, each once, missing ones included (Exists false) so that a
// reader can count every day for its progress. Empty when the walk has no candidate (start after
// end + 1 minute, or for calendar days the day of end before the day of start).
std::vector<TRecordedDay> RecordedDays(const TProject& project, TDateTime startTime, TDateTime endTime,
                                       TDayWalk walk);

// The lines of a text, split as described above: Line without its ending, Ending the bytes that end
// it in the text ("\r\n", "\r", "\n", or empty for a last line without ending).
template <typename F>
void ForEachLine(std::string_view text, F&& onLine);

// Calls a function about every IntervalMs of the steady clock. Check() is cheap enough for every
// record: it reads the clock only every 64th call.
class TIdleTimer {
public:
    explicit TIdleTimer(std::function<void()> callback, int intervalMs = 50);
    void Check()
    {
        if ((++Calls & 63) == 0)
            CheckClock();
    }
    // Reads the clock now and calls the function if the interval has passed since its last call (or
    // since the timer was made).
    void CheckClock();
    // Calls the function now and starts the next interval.
    void Fire();
    // Milliseconds until the next call is due (0 when it is due).
    int MillisecondsLeft() const;

private:
    std::function<void()> Callback;
    int64_t IntervalNs;
    int64_t Next;
    uint32_t Calls = 0;
};

// Feeds one line of a day file (without its ending) to the decoder as one record (section 2 above).
// A line longer than a read buffer may come in parts: LineStart false for the parts after the first.
void FeedRecordLine(TOrvaProtocol& decoder, std::string_view bytes, bool lineStart = true);

// Feeds one day file to the decoder, line by line (section 2 above). Lines receives the number of lines
// read (also after a failure: those read so far). Idle, when given, is checked after every line.
// Returns 0 on success, -1 when the file does not exist, else the error code (errno) of open/read.
int FeedDayFile(const std::string& fileName, TOrvaProtocol& decoder, uint64_t& lines,
                TIdleTimer* idle = nullptr);

// Whether the first line of the file is one complete "=MD" record: such a record empties the decoded
// data set before it adds anything, so a decoder that read other files before reads this file exactly
// as a new one does. False when the file cannot be read.
bool StartsWithResettingLine(const std::string& fileName);

// Whether a record of that RT belongs to the day file of the day (section 3 above).
bool RecordOfDay(const TRecordedDay& day, TDateTime recordTime);

// The values of a list of field names looked up in decoded records. Resolving once gives the same
// results as GetFieldValue(project, record, name, ...) for every record, as long as the project's
// field definitions do not change: the six system fields by name, else the first definition (type
// order, list order) whose qualified name matches, else nothing (kind vkNone).
class TFieldLookup {
public:
    TFieldLookup() = default;
    TFieldLookup(const TProject* project, const std::vector<std::string>& names);

    size_t Size() const { return Entries.size(); }
    // Values receives Size() values; a field without value gets a value of kind vkNone.
    void Extract(const TDecodedRecord& record, TFieldValue* values) const;
    // The field type of entry i when it names a defined field (-1 for system fields and unknown
    // names): the FieldType that GetFieldValue reports when the record holds the value.
    int FieldType(size_t i) const { return Entries[i].Type; }

private:
    struct TEntry {
        int System = -1;  // 0..5: system field
        int Type = -1;    // with Position: the defined field; both -1: unknown
        int Position = -1;
    };
    std::vector<TEntry> Entries;
};

// Turns records into text on the workers that decode ahead (TRecordedDataReader::Formatter). Each
// worker uses a Clone of its own; Clone is called on workers at once and must only read.
class IRecordFormatter {
public:
    virtual ~IRecordFormatter() = default;
    virtual std::unique_ptr<IRecordFormatter> Clone() const = 0;
    // Appends the text of one record (the values as the lookup gives them) to Text.
    virtual void Append(const TRecordHeader& header, const TFieldValue* values, std::string& text) = 0;
};

// Receives what TRecordedDataReader::Read finds, on the thread that called Read.
class IRecordedDataSink {
public:
    virtual ~IRecordedDataSink() = default;
    // A day whose file exists is about to be read (for "Lese Daten aus Datei %s ...").
    virtual void DayBegin(const TRecordedDay& day) { (void)day; }
    // One valid record of its day, in the exact order of a single decoder: its header and the lookup's
    // values (Values[i] for field i). Return false to stop reading (Read then returns true: no failure).
    virtual bool Record(const TRecordHeader& header, const TFieldValue* values) = 0;
    // A record as Record, with the text the reader's Formatter made of it on a worker.
    virtual bool FormattedRecord(const TRecordHeader& header, const TFieldValue* values, std::string_view text)
    {
        (void)text;
        return Record(header, values);
    }
    // After every day of the list, also a missing one (Exists false, Lines 0, Ok true). Ok is false
    // when the file could not be read; Lines counts the lines read (the "geprüft" count).
    virtual void DayEnd(const TRecordedDay& day, uint64_t lines, bool ok)
    {
        (void)day;
        (void)lines;
        (void)ok;
    }
    // About every IdleIntervalMs while Read works (progress, pending window messages).
    virtual void Idle() {}
};

class TRecordedDataReader {
public:
    // Worker threads for decoding ahead: 0 = automatic (the machine's cores), 1 = read everything on
    // the calling thread.
    int Threads = 0;
    int IdleIntervalMs = 50;
    // Decoded records held ahead of the sink at most, in bytes (section 4 above).
    uint64_t MaxBytesAhead = 4ull << 20;
    // Bytes of a file per chunk decoded ahead; 0 chooses from the number of fields, so that a chunk of
    // short lines fills its share of MaxBytesAhead.
    uint64_t ChunkBytes = 0;
    // When set, records decoded ahead reach the sink with their text (FormattedRecord).
    const IRecordFormatter* Formatter = nullptr;

    // Reads the days (Exists false: skipped) through one decoder. True when all files that exist were
    // read (or the sink stopped); false on the first file that could not be read, with its error code
    // and the message "Die Datendatei "<file>" kann nicht gelesen werden: <reason>".
    bool Read(const std::vector<TRecordedDay>& days, const TFieldLookup& lookup, IRecordedDataSink& sink);

    int ErrorCode = 0;
    std::string ErrorText;
    // Of the last Read: records handed to the sink, lines read, chunks whose records a worker decoded.
    uint64_t RecordCount = 0;
    uint64_t LineCount = 0;
    uint64_t ChunksDecodedAhead = 0;
};

// The message for a day file that cannot be read.
std::string DayFileReadError(const std::string& fileName, int errorCode);

// --- implementation of the template --------------------------------------------------------------

template <typename F>
void ForEachLine(std::string_view text, F&& onLine)
{
    const char* p = text.data();
    const size_t n = text.size();
    size_t start = 0;
    while (start < n) {
        size_t i = start;
        while (i < n && p[i] != '\n' && p[i] != '\r')
            ++i;
        if (i == n) {
            onLine(text.substr(start), std::string_view());
            return;
        }
        size_t end = i + 1;
        if (p[i] == '\r' && end < n && p[end] == '\n')
            ++end;
        onLine(text.substr(start, i - start), text.substr(i, end - i));
        start = end;
    }
}

}  // namespace dedezuviv::model
