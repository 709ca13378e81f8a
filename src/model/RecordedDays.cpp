#include "model/RecordedDays.h"

#include "base/ErrorText.h"
#include "base/RegularFile.h"
#include "model/DayFiles.h"
#include "model/Fields.h"
#include "model/Project.h"
#include "model/Namespace.h"

#include <algorithm>
#include <bit>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <fcntl.h>
#include <memory>
#include <mutex>
#include <span>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace dedezuviv::model {

namespace {

constexpr int64_t MsPerMinute = 60000;
constexpr size_t ReadBlockBytes = 64 << 10;
constexpr uint64_t NoPosition = UINT64_MAX;
// Chunks decoded ahead besides the one being handed to the sink; each holds at most an eighth of
// MaxBytesAhead of records.
constexpr size_t ChunksAhead = 7;
// The shortest line a record of the day files takes in practice, for the automatic chunk size.
constexpr uint64_t ShortLineBytes = 64;
// A byte that no record holds: fed to a decoder inside a frame, it abandons that frame.
constexpr std::string_view FrameBreak("\x01", 1);

TDateTime FromMs(int64_t ms) { return static_cast<double>(ms) / MSecsPerDay; }

int64_t FloorDiv(int64_t a, int64_t b)
{
    const int64_t q = a / b;
    return (a % b != 0 && (a < 0) != (b < 0)) ? q - 1 : q;
}

int64_t CeilDiv(int64_t a, int64_t b) { return -FloorDiv(-a, b); }

// The number of the calendar day of a time (days since 30 December 1899, at whole milliseconds).
int64_t DayNumber(TDateTime time) { return FloorDiv(DateTimeToMs(time), MSecsPerDayInt); }

bool IsRegularFile(const std::string& fileName)
{
    struct stat st {};
    return ::stat(fileName.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

int64_t SteadyNs()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// Whether a line is one complete "=MD" record: "=", "MD", then only bytes the framing keeps (or "%")
// up to a "#", with a body the line buffer holds. Such a record empties the decoded data set before it
// adds anything, so after it every decoder is in the same state, whatever it read before.
bool IsResettingLine(std::string_view line)
{
    if (line.size() < 4 || line[0] != '=' || line[1] != 'M' || line[2] != 'D')
        return false;
    size_t body = 0;
    for (size_t i = 1; i < line.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(line[i]);
        if (c == '#')
            return body <= static_cast<size_t>(MaxLineLength);
        if (c == '%')
            continue;
        const bool plain = c == ' ' || (c >= 0x2B && c <= 0x3A) || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
        if (!plain)
            return false;
        ++body;
    }
    return false;
}

// A day file open for reading at any position; closed at destruction.
class TDayFile {
public:
    TDayFile() = default;
    TDayFile(const TDayFile&) = delete;
    TDayFile& operator=(const TDayFile&) = delete;
    ~TDayFile()
    {
        if (Fd >= 0)
            ::close(Fd);
    }
    bool IsOpen() const { return Fd >= 0; }
    // 0, -1 when the file does not exist, else the error code.
    int Open(const std::string& fileName)
    {
        int errorCode = 0;
        Fd = OpenRegularFile(fileName, O_RDONLY, errorCode);
        if (Fd >= 0) {
            (void)::posix_fadvise(Fd, 0, 0, POSIX_FADV_SEQUENTIAL);
            return 0;
        }
        return errorCode == ENOENT ? -1 : errorCode;
    }
    // Up to Size bytes from Offset; Got 0 at the end of the file. 0 or the error code.
    int ReadAt(uint64_t offset, char* to, size_t size, size_t& got) const
    {
        ssize_t n;
        do {
            n = ::pread(Fd, to, size, static_cast<off_t>(offset));
        } while (n < 0 && errno == EINTR);
        got = n > 0 ? static_cast<size_t>(n) : 0;
        return n < 0 ? errno : 0;
    }

private:
    int Fd = -1;
};

// The first line start at or after From and before Limit (a line starts at 0, after an LF, and after a
// CR that no LF follows), NoPosition when none does. Reads only up to Limit, so that a chunk inside a
// long line costs no more than its own bytes.
int FirstLineStart(const TDayFile& file, uint64_t from, uint64_t limit, uint64_t& start)
{
    start = NoPosition;
    if (from >= limit)
        return 0;
    if (from == 0) {
        start = 0;
        return 0;
    }
    char buffer[4096];
    uint64_t at = from - 1;  // the byte before From decides whether a line starts at From
    bool afterCr = false;
    for (;;) {
        size_t got = 0;
        if (const int result = file.ReadAt(at, buffer, sizeof buffer, got); result != 0)
            return result;
        if (got == 0)
            return 0;  // the end of the file: no line starts there
        for (size_t i = 0; i < got; ++i) {
            const uint64_t pos = at + i;
            const char c = buffer[i];
            uint64_t candidate = NoPosition;
            if (afterCr)
                candidate = c == '\n' ? pos + 1 : pos;
            else if (c == '\n')
                candidate = pos + 1;
            if (candidate != NoPosition) {
                if (candidate < limit)
                    start = candidate;
                return 0;
            }
            afterCr = c == '\r';
            // Every line start still to come lies after this byte.
            if (pos + 1 >= limit)
                return 0;
        }
        at += got;
    }
}

// The first line end (CR or LF) at or after From, or Size: both bytes are looked for in one pass,
// sixteen bytes at a time where SSE2 is available. Equals receives the position of the first "=" after
// From and before that end (npos when none), which FeedRecordLine would look for next.
size_t NextLineEnd(const char* data, size_t from, size_t size, size_t& equals)
{
    equals = std::string_view::npos;
    size_t pos = from;
#if defined(__SSE2__)
    const __m128i cr = _mm_set1_epi8('\r'), lf = _mm_set1_epi8('\n'), eq = _mm_set1_epi8('=');
    while (pos + 16 <= size) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + pos));
        const unsigned ends = static_cast<unsigned>(
            _mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(bytes, cr), _mm_cmpeq_epi8(bytes, lf))));
        if (equals == std::string_view::npos) {
            unsigned marks = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(bytes, eq)));
            if (pos == from)
                marks &= ~1u;
            if (ends != 0)
                marks &= (ends & (~ends + 1)) - 1;  // only those before the first end
            if (marks != 0)
                equals = pos + static_cast<size_t>(std::countr_zero(marks));
        }
        if (ends != 0)
            return pos + static_cast<size_t>(std::countr_zero(ends));
        pos += 16;
    }
#endif
    for (; pos < size; ++pos) {
        const char c = data[pos];
        if (c == '\r' || c == '\n')
            return pos;
        if (c == '=' && pos > from && equals == std::string_view::npos)
            equals = pos;
    }
    return size;
}

// FeedRecordLine with the first "=" after the line's first byte known (npos: none).
void FeedRecordLineKnowingEquals(TOrvaProtocol& decoder, std::string_view bytes, bool lineStart, size_t equals)
{
    // A line that is one record and nothing else, as recorded lines are, in one step.
    if (lineStart && equals == std::string_view::npos && decoder.ProcessRecordLine(bytes))
        return;
    if ((lineStart || (!bytes.empty() && bytes[0] == '=')) && decoder.InsideRecord())
        decoder.ProcessData(FrameBreak);
    size_t at = 0;
    size_t next = equals == std::string_view::npos ? bytes.size() : equals;
    while (at < bytes.size()) {
        // Up to the next "=" (the one at At, if any, opens this piece's record).
        decoder.ProcessData(bytes.substr(at, next - at));
        at = next;
        if (at < bytes.size()) {
            if (decoder.InsideRecord())
                decoder.ProcessData(FrameBreak);
            next = bytes.find('=', at + 1);
            if (next == std::string_view::npos)
                next = bytes.size();
        }
    }
}

// Reads the lines that start in [Begin, Limit) of the file, from Begin (a line start) on, and feeds
// each to the decoder as one record; a line that starts before Limit is read to its end. A line longer
// than the read buffer is fed in parts. BeforeLine(offset, line, whole) runs before each line is fed
// (Whole false: only the line's first part is given) and returns false to stop before it. Stop is
// checked at each line start. End receives the position after the last line fed (or where it
// stopped); Lines is increased by the lines fed. Returns 0 or the error code of a read.
template <typename BeforeLine>
int FeedLines(const TDayFile& file, uint64_t begin, uint64_t limit, TOrvaProtocol& decoder, uint64_t& lines,
              uint64_t& end, TIdleTimer* idle, const bool* stop, BeforeLine&& beforeLine)
{
    // Not cleared: only the bytes read are looked at.
    const std::unique_ptr<char[]> storage(new char[ReadBlockBytes]);
    const std::span<char> buffer(storage.get(), ReadBlockBytes);
    uint64_t bufferAt = begin, cursor = begin;
    size_t have = 0;
    bool eof = false;
    bool lineBegun = false;  // parts of the current line were fed already
    int result = 0;
    for (;;) {
        if (!lineBegun && (cursor >= limit || (stop && *stop)))
            break;
        const size_t at = static_cast<size_t>(cursor - bufferAt);
        const std::string_view rest(buffer.data() + at, have - at);
        size_t equals = 0;
        const size_t i = NextLineEnd(buffer.data(), at, have, equals) - at;
        const bool endKnown = i < rest.size() && (rest[i] == '\n' || i + 1 < rest.size() || eof);
        if (endKnown || (eof && !rest.empty())) {
            // A whole line, or the last part of one; the last line of the file needs no ending.
            const std::string_view line = rest.substr(0, i);
            if (!lineBegun && !beforeLine(cursor, line, true))
                break;
            FeedRecordLineKnowingEquals(decoder, line, !lineBegun,
                                        equals == std::string_view::npos ? equals : equals - at);
            ++lines;
            lineBegun = false;
            size_t next = i;
            if (i < rest.size()) {
                next = i + 1;
                if (rest[i] == '\r' && next < rest.size() && rest[next] == '\n')
                    ++next;
            }
            cursor += next;
            if (idle)
                idle->Check();
            continue;
        }
        if (eof)
            break;
        if (at == 0 && have == buffer.size()) {
            // A line longer than the buffer: what it holds goes as one part (a CR at the very end waits
            // for the byte after it, which may be its LF).
            const size_t part = rest.back() == '\r' ? rest.size() - 1 : rest.size();
            if (!lineBegun && !beforeLine(cursor, rest.substr(0, part), false))
                break;
            FeedRecordLine(decoder, rest.substr(0, part), !lineBegun);
            lineBegun = true;
            cursor += part;
            if (idle)
                idle->Check();
            continue;
        }
        // More bytes behind those not used yet.
        std::memmove(buffer.data(), buffer.data() + at, have - at);
        have -= at;
        bufferAt = cursor;
        size_t got = 0;
        result = file.ReadAt(bufferAt + have, buffer.data() + have, buffer.size() - have, got);
        if (result != 0)
            break;
        eof = got == 0;
        have += got;
    }
    end = cursor;
    return result;
}

bool AllLines(uint64_t, std::string_view, bool) { return true; }

// A chunk of a day file: the lines that start in [Begin, Limit), and what a worker decoded of them.
struct TChunk {
    size_t Day = 0;  // index into the existing days
    uint64_t Begin = 0, Limit = NoPosition;
    bool LastOfDay = false;

    bool Done = false;
    int Result = 0;                   // of opening and reading the file: 0, -1 (missing) or the error code
    uint64_t FirstLine = NoPosition;  // the first line start in [Begin, Limit); none: no line starts here
    // From the first resetting line on (at SyncOffset) the records are those of any decoder.
    bool Synced = false;
    uint64_t SyncOffset = 0;
    // The line start before which the worker stopped, its share of records being full.
    uint64_t StoppedAt = NoPosition;
    uint64_t Lines = 0;  // lines the worker read, from FirstLine on
    std::vector<TRecordHeader> Headers;
    std::vector<TFieldValue> Values;
    // With a formatter: the records' texts one after another, TextEnds[r] where record r's ends.
    std::string Text;
    std::vector<size_t> TextEnds;
    std::unique_ptr<TOrvaProtocol> Decoder;  // its state after the lines it read

    std::string_view RecordText(size_t r) const
    {
        const size_t from = r == 0 ? 0 : TextEnds[r - 1];
        return std::string_view(Text).substr(from, TextEnds[r] - from);
    }
};

void DecodeAhead(TChunk& chunk, const TRecordedDay& day, const TFieldLookup& lookup, size_t maxRecords,
                 IRecordFormatter* formatter)
{
    TDayFile file;
    chunk.Result = file.Open(day.FileName);
    if (chunk.Result == 0)
        chunk.Result = FirstLineStart(file, chunk.Begin, chunk.Limit, chunk.FirstLine);
    if (chunk.Result != 0 || chunk.FirstLine == NoPosition)
        return;
    if (chunk.Decoder)
        chunk.Decoder->Reset();  // a recycled chunk's decoder, as a new one
    else
        chunk.Decoder = std::make_unique<TOrvaProtocol>();
    TOrvaProtocol& decoder = *chunk.Decoder;
    const size_t fields = lookup.Size();
    // The whole share at once, so that growing never holds twice it (pages not written stay unused). A
    // recycled chunk keeps its room from before.
    chunk.Headers.clear();
    chunk.Values.clear();
    chunk.Text.clear();
    chunk.TextEnds.clear();
    chunk.Headers.reserve(maxRecords + 1);
    chunk.Values.reserve((maxRecords + 1) * fields);
    if (formatter)
        chunk.TextEnds.reserve(maxRecords + 1);
    const int64_t dayNumber = DayNumber(day.Date);
    decoder.SetOnRecord(
        [&chunk, dayNumber, &lookup, fields, formatter](const std::string&, const TDecodedRecord& record) {
            if (!chunk.Synced || DayNumber(record.Header.RT) != dayNumber)
                return;
            chunk.Headers.push_back(record.Header);
            const size_t at = chunk.Values.size();
            chunk.Values.resize(at + fields);
            lookup.Extract(record, chunk.Values.data() + at);
            if (formatter) {
                formatter->Append(record.Header, chunk.Values.data() + at, chunk.Text);
                chunk.TextEnds.push_back(chunk.Text.size());
            }
        });
    uint64_t end = 0;
    chunk.Result = FeedLines(file, chunk.FirstLine, chunk.Limit, decoder, chunk.Lines, end, nullptr, nullptr,
                             [&chunk, maxRecords](uint64_t offset, std::string_view line, bool whole) {
                                 if (!chunk.Synced) {
                                     if (whole && IsResettingLine(line)) {
                                         chunk.Synced = true;
                                         chunk.SyncOffset = offset;
                                     }
                                     return true;
                                 }
                                 if (chunk.Headers.size() < maxRecords)
                                     return true;
                                 chunk.StoppedAt = offset;
                                 return false;
                             });
    decoder.SetOnRecord(nullptr);
}

// The workers that decode chunks of the existing days ahead of the reader, in file order, at most
// ChunksAhead beyond the one being delivered. Stops and joins them at destruction.
class TDecodePipeline {
public:
    TDecodePipeline(const std::vector<const TRecordedDay*>& days, const TFieldLookup& lookup, int threads,
                    uint64_t chunkBytes, size_t maxRecords, const IRecordFormatter* formatter)
        : Days(days), Lookup(lookup), ChunkBytes(std::max<uint64_t>(1, chunkBytes)), MaxRecords(maxRecords),
          Formatter(formatter)
    {
        const int workers = std::min<int>(threads, static_cast<int>(ChunksAhead));
        for (int i = 0; i < workers; ++i)
            Workers.emplace_back([this] { Work(); });
    }

    ~TDecodePipeline()
    {
        {
            std::lock_guard<std::mutex> guard(Lock);
            Stopping = true;
        }
        WorkAvailable.notify_all();
        for (std::thread& worker : Workers)
            worker.join();
    }

    // Waits for the next chunk in file order and takes it; calls Idle while waiting.
    std::unique_ptr<TChunk> Take(TIdleTimer& idle)
    {
        std::unique_lock<std::mutex> guard(Lock);
        while (Chunks.empty() || !Chunks.front()->Done) {
            JobDone.wait_for(guard, std::chrono::milliseconds(std::max(1, idle.MillisecondsLeft())));
            if (idle.MillisecondsLeft() == 0 && (Chunks.empty() || !Chunks.front()->Done)) {
                guard.unlock();
                idle.Fire();
                guard.lock();
            }
        }
        std::unique_ptr<TChunk> chunk = std::move(Chunks.front());
        Chunks.pop_front();
        WorkAvailable.notify_all();
        return chunk;
    }

    // Gives a chunk taken back for the next one planned: its record vectors keep their room and its
    // decoder is reset for use again, so that the memory of the chunks in flight is allocated once,
    // not for every chunk (each new allocation of that size costs its pages again).
    void Recycle(std::unique_ptr<TChunk> chunk)
    {
        if (!chunk)
            return;
        std::lock_guard<std::mutex> guard(Lock);
        Spare.push_back(std::move(chunk));
    }

private:
    // The next chunk in file order, planned under the lock; false when every day is planned. A day's
    // size is taken when its first chunk is planned; its last chunk reaches to the end of the file,
    // however far it has grown by then.
    bool PlanNext(TChunk& chunk)
    {
        if (PlanDay >= Days.size())
            return false;
        if (PlanOffset == 0) {
            struct stat st {};
            PlanSize = ::stat(Days[PlanDay]->FileName.c_str(), &st) == 0 ? static_cast<uint64_t>(st.st_size) : 0;
        }
        chunk.Day = PlanDay;
        chunk.Begin = PlanOffset;
        chunk.LastOfDay = PlanSize <= ChunkBytes || PlanOffset >= PlanSize - ChunkBytes;
        chunk.Limit = chunk.LastOfDay ? NoPosition : PlanOffset + ChunkBytes;
        if (chunk.LastOfDay) {
            ++PlanDay;
            PlanOffset = 0;
        } else {
            PlanOffset += ChunkBytes;
        }
        return true;
    }

    void Work()
    {
        // This worker's own formatter: made before the lock, as cloning may take a while.
        std::unique_ptr<IRecordFormatter> formatter = Formatter ? Formatter->Clone() : nullptr;
        std::unique_lock<std::mutex> guard(Lock);
        for (;;) {
            WorkAvailable.wait(guard, [this] {
                return Stopping || (PlanDay < Days.size() && Chunks.size() < ChunksAhead);
            });
            if (Stopping)
                return;
            std::unique_ptr<TChunk> owned;
            if (Spare.empty()) {
                owned = std::make_unique<TChunk>();
            } else {
                owned = std::move(Spare.back());
                Spare.pop_back();
                std::vector<TRecordHeader> headers = std::move(owned->Headers);
                std::vector<TFieldValue> values = std::move(owned->Values);
                std::string text = std::move(owned->Text);
                std::vector<size_t> textEnds = std::move(owned->TextEnds);
                std::unique_ptr<TOrvaProtocol> decoder = std::move(owned->Decoder);
                *owned = TChunk{};
                owned->Headers = std::move(headers);
                owned->Values = std::move(values);
                owned->Text = std::move(text);
                owned->TextEnds = std::move(textEnds);
                owned->Decoder = std::move(decoder);
            }
            TChunk* chunk = owned.get();
            if (!PlanNext(*chunk))
                continue;
            Chunks.push_back(std::move(owned));
            guard.unlock();
            DecodeAhead(*chunk, *Days[chunk->Day], Lookup, MaxRecords, formatter.get());
            guard.lock();
            chunk->Done = true;
            JobDone.notify_all();
        }
    }

    const std::vector<const TRecordedDay*>& Days;
    const TFieldLookup& Lookup;
    const uint64_t ChunkBytes;
    const size_t MaxRecords;
    const IRecordFormatter* const Formatter;
    std::mutex Lock;
    std::condition_variable WorkAvailable, JobDone;
    std::deque<std::unique_ptr<TChunk>> Chunks;  // planned and not yet taken, in file order
    std::vector<std::unique_ptr<TChunk>> Spare;  // taken and given back
    std::vector<std::thread> Workers;
    size_t PlanDay = 0;
    uint64_t PlanOffset = 0, PlanSize = 0;
    bool Stopping = false;
};

// A chunk taken from the pipeline, given back to it when done with.
class TChunkLease {
public:
    TChunkLease(TDecodePipeline& pipeline, std::unique_ptr<TChunk> chunk)
        : Pipeline(pipeline), Chunk(std::move(chunk))
    {
    }
    ~TChunkLease() { Pipeline.Recycle(std::move(Chunk)); }
    TChunkLease(const TChunkLease&) = delete;
    TChunkLease& operator=(const TChunkLease&) = delete;
    TChunk* operator->() const { return Chunk.get(); }

private:
    TDecodePipeline& Pipeline;
    std::unique_ptr<TChunk> Chunk;
};

}  // namespace

std::vector<TRecordedDay> RecordedDays(const TProject& project, TDateTime startTime, TDateTime endTime,
                                       TDayWalk walk)
{
    std::vector<TRecordedDay> days;
    const int64_t startMs = DateTimeToMs(startTime);
    const int64_t endMs = DateTimeToMs(endTime);
    int64_t lastMs;
    if (walk == TDayWalk::EveryMinute) {
        // Candidates start + k minutes while not later than end + 1 minute.
        if (endMs + MsPerMinute < startMs)
            return days;
        lastMs = startMs + FloorDiv(endMs + MsPerMinute - startMs, MsPerMinute) * MsPerMinute;
    } else {
        lastMs = endMs;
    }
    const int64_t firstDay = FloorDiv(startMs, MSecsPerDayInt);
    const int64_t lastDay = FloorDiv(lastMs, MSecsPerDayInt);
    if (lastDay < firstDay)
        return days;
    days.reserve(static_cast<size_t>(lastDay - firstDay + 1));
    for (int64_t day = firstDay; day <= lastDay; ++day) {
        const int64_t midnightMs = day * MSecsPerDayInt;
        int64_t timeMs = startMs;
        if (day != firstDay) {
            timeMs = walk == TDayWalk::EveryMinute
                         ? startMs + CeilDiv(midnightMs - startMs, MsPerMinute) * MsPerMinute
                         : midnightMs;
        }
        TRecordedDay entry;
        entry.Time = FromMs(timeMs);
        entry.Date = FromMs(midnightMs);
        entry.FileName = DataFileName(project, entry.Time);
        entry.Exists = IsRegularFile(entry.FileName);
        days.push_back(std::move(entry));
    }
    return days;
}

void FeedRecordLine(TOrvaProtocol& decoder, std::string_view bytes, bool lineStart)
{
    FeedRecordLineKnowingEquals(decoder, bytes, lineStart, bytes.find('=', 1));
}

int FeedDayFile(const std::string& fileName, TOrvaProtocol& decoder, uint64_t& lines, TIdleTimer* idle)
{
    lines = 0;
    TDayFile file;
    if (const int result = file.Open(fileName); result != 0)
        return result;
    uint64_t end = 0;
    return FeedLines(file, 0, NoPosition, decoder, lines, end, idle, nullptr, AllLines);
}

bool StartsWithResettingLine(const std::string& fileName)
{
    TDayFile file;
    if (file.Open(fileName) != 0)
        return false;
    // The longest line IsResettingLine accepts, with its ending; a longer first line is not one.
    std::string head(static_cast<size_t>(MaxLineLength) + 16, '\0');
    size_t got = 0;
    if (file.ReadAt(0, head.data(), head.size(), got) != 0)
        return false;
    const std::string_view text(head.data(), got);
    return IsResettingLine(text.substr(0, text.find_first_of("\r\n")));
}

bool RecordOfDay(const TRecordedDay& day, TDateTime recordTime)
{
    return DayNumber(recordTime) == DayNumber(day.Date);
}

std::string DayFileReadError(const std::string& fileName, int errorCode)
{
    return "Die Datendatei \"" + fileName + "\" kann nicht gelesen werden: " + SystemErrorText(errorCode);
}

TFieldLookup::TFieldLookup(const TProject* project, const std::vector<std::string>& names)
{
    Entries.reserve(names.size());
    for (const std::string& name : names) {
        TEntry entry;
        entry.System = SystemFieldIndex(name);
        if (entry.System < 0 && project != nullptr) {
            for (int t = 0; t < FieldTypeCount && entry.Type < 0; ++t) {
                const TNameList& defined = project->FieldNames[t];
                for (size_t p = 0; p < defined.size(); ++p) {
                    if (MatchesQualifiedName(name, defined[p], static_cast<TFieldType>(t))) {
                        entry.Type = t;
                        entry.Position = static_cast<int>(p);
                        break;
                    }
                }
            }
        }
        Entries.push_back(entry);
    }
}

void TFieldLookup::Extract(const TDecodedRecord& record, TFieldValue* values) const
{
    const TRecordHeader& header = record.Header;
    for (size_t i = 0; i < Entries.size(); ++i) {
        const TEntry& entry = Entries[i];
        TFieldValue& value = values[i];
        if (entry.System < 0) {
            // A defined field (or an unknown name): the record's value at its position, if it has one.
            if (entry.Type >= 0 && entry.Position < std::min<int>(record.Counts[entry.Type], MaxValuesPerType))
                value = record.Values[entry.Type][entry.Position];
            else
                value = TFieldValue{};
            continue;
        }
        value = TFieldValue{};
        switch (entry.System) {
        case 0: value.Kind = vkInteger; value.IntValue = header.Program; continue;
        case 1: value.Kind = vkInteger; value.IntValue = header.Version; continue;
        case 2: value.Kind = vkInteger; value.IntValue = header.Subversion; continue;
        case 3: value.Kind = vkInteger; value.IntValue = header.ID; continue;
        case 4: value.Kind = vkDateTime; value.DateTimeValue = header.RT; continue;
        case 5: value.Kind = vkDateTime; value.DateTimeValue = header.PC; continue;
        default: break;
        }
    }
}

TIdleTimer::TIdleTimer(std::function<void()> callback, int intervalMs)
    : Callback(std::move(callback)), IntervalNs(static_cast<int64_t>(std::max(1, intervalMs)) * 1000000),
      Next(SteadyNs() + IntervalNs)
{
}

void TIdleTimer::CheckClock()
{
    if (SteadyNs() >= Next)
        Fire();
}

void TIdleTimer::Fire()
{
    if (Callback)
        Callback();
    Next = SteadyNs() + IntervalNs;
}

int TIdleTimer::MillisecondsLeft() const
{
    const int64_t left = Next - SteadyNs();
    return left <= 0 ? 0 : static_cast<int>((left + 999999) / 1000000);
}

bool TRecordedDataReader::Read(const std::vector<TRecordedDay>& days, const TFieldLookup& lookup,
                               IRecordedDataSink& sink)
{
    ErrorCode = 0;
    ErrorText.clear();
    RecordCount = 0;
    LineCount = 0;
    ChunksDecodedAhead = 0;

    TIdleTimer idle([&sink] { sink.Idle(); }, IdleIntervalMs);
    bool stopped = false;
    std::vector<TFieldValue> values(lookup.Size());
    int64_t dayNumber = 0;  // of the day being read

    // The one decoder whose state carries over from line to line and day to day: on this thread, or a
    // worker's decoder taken over with its state after the chunk it decoded.
    auto current = std::make_unique<TOrvaProtocol>();
    // Text: the record's text made on a worker, or null.
    auto deliver = [&](const TRecordHeader& header, const TFieldValue* recordValues,
                       const std::string_view* text = nullptr) {
        ++RecordCount;
        if (!(text ? sink.FormattedRecord(header, recordValues, *text) : sink.Record(header, recordValues)))
            stopped = true;
    };
    auto install = [&](TOrvaProtocol& decoder) {
        decoder.SetOnRecord([&](const std::string&, const TDecodedRecord& record) {
            if (stopped || DayNumber(record.Header.RT) != dayNumber)
                return;
            lookup.Extract(record, values.data());
            deliver(record.Header, values.data());
        });
    };
    install(*current);

    std::vector<const TRecordedDay*> existing;
    for (const TRecordedDay& listed : days)
        if (listed.Exists)
            existing.push_back(&listed);
    int threads = Threads;
    if (threads == 0)
        threads = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
    const size_t recordBytes = sizeof(TRecordHeader) + lookup.Size() * sizeof(TFieldValue);
    const size_t maxRecords = std::max<size_t>(1, MaxBytesAhead / (ChunksAhead + 1) / recordBytes);
    const uint64_t chunkBytes =
        ChunkBytes != 0 ? ChunkBytes : std::clamp<uint64_t>(maxRecords * ShortLineBytes, 16 << 10, 1 << 20);
    std::unique_ptr<TDecodePipeline> pipeline;
    if (threads > 1 && !existing.empty())
        pipeline = std::make_unique<TDecodePipeline>(existing, lookup, threads, chunkBytes, maxRecords, Formatter);

    for (const TRecordedDay& listed : days) {
        if (stopped)
            break;
        if (!listed.Exists) {
            sink.DayEnd(listed, 0, true);
            continue;
        }
        dayNumber = DayNumber(listed.Date);
        TDayFile file;  // for the lines read on this thread
        uint64_t lines = 0;
        bool begun = false, gone = false;
        int result = 0;
        // Lines [From, Limit) through the carried-over decoder; Counted false for lines a worker
        // counted already.
        auto readHere = [&](uint64_t from, uint64_t limit, bool counted) {
            if (!file.IsOpen())
                result = file.Open(listed.FileName);
            uint64_t read = 0, end = 0;
            if (result == 0)
                result = FeedLines(file, from, limit, *current, read, end, &idle, &stopped, AllLines);
            if (counted)
                lines += read;
        };
        if (!pipeline) {
            result = file.Open(listed.FileName);
            if (result != -1) {
                sink.DayBegin(listed);
                begun = true;
            }
            if (result == 0)
                readHere(0, NoPosition, true);
        } else {
            for (bool last = false; !last;) {
                const TChunkLease chunk(*pipeline, pipeline->Take(idle));
                last = chunk->LastOfDay;
                if (stopped || (result != 0 && result != -1))
                    break;  // no further chunk is read
                if (gone || result == -1)
                    continue;  // the rest of the day's chunks are taken and left
                if (chunk->Result == -1) {
                    gone = true;  // vanished since the listing: missing, or ends here
                    continue;
                }
                if (!begun) {
                    sink.DayBegin(listed);
                    begun = true;
                }
                result = chunk->Result;
                if (result != 0 || chunk->FirstLine == NoPosition)
                    continue;
                if (!chunk->Synced) {
                    readHere(chunk->FirstLine, chunk->Limit, true);
                    continue;
                }
                // The lines before the first resetting line here, then the worker's records, and the
                // worker's decoder goes on.
                readHere(chunk->FirstLine, chunk->SyncOffset, false);
                const size_t fields = lookup.Size();
                const bool withText = Formatter != nullptr;
                for (size_t r = 0; r < chunk->Headers.size() && !stopped && result == 0; ++r) {
                    const std::string_view text = withText ? chunk->RecordText(r) : std::string_view();
                    deliver(chunk->Headers[r], chunk->Values.data() + r * fields, withText ? &text : nullptr);
                    idle.Check();
                }
                lines += chunk->Lines;
                // The decoder read so far goes back with the chunk, for a later chunk to use.
                std::swap(current, chunk->Decoder);
                install(*current);
                ++ChunksDecodedAhead;
                if (chunk->StoppedAt != NoPosition && !stopped && result == 0)
                    readHere(chunk->StoppedAt, chunk->Limit, true);
            }
        }
        if (result == -1)
            result = 0;  // vanished while being read: it ends there
        LineCount += lines;
        if (!begun) {
            sink.DayEnd(listed, 0, true);  // gone since the listing: like a missing day
            continue;
        }
        if (result != 0) {
            ErrorCode = result;
            ErrorText = DayFileReadError(listed.FileName, result);
            sink.DayEnd(listed, lines, false);
            return false;
        }
        sink.DayEnd(listed, lines, true);
        idle.Check();
    }
    return true;
}

}  // namespace dedezuviv::model
