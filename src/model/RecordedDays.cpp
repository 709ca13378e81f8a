#include "model/RecordedDays.h"

#include "base/ErrorText.h"
#include "model/DayFiles.h"
#include "model/Fields.h"
#include "model/Project.h"
#include "model/Namespace.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <mutex>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace dedezuviv::model {

namespace {

constexpr int64_t MsPerMinute = 60000;
constexpr size_t BlockBytes = 1 << 20;

int64_t ToMs(TDateTime value) { return std::llround(value * MSecsPerDay); }
TDateTime FromMs(int64_t ms) { return static_cast<double>(ms) / MSecsPerDay; }

int64_t FloorDiv(int64_t a, int64_t b)
{
    const int64_t q = a / b;
    return (a % b != 0 && (a < 0) != (b < 0)) ? q - 1 : q;
}

int64_t CeilDiv(int64_t a, int64_t b) { return -FloorDiv(-a, b); }

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

// Whether Line, fed to a decoder that is outside a record, is one complete "=MD" record: "=", "MD",
// then only bytes the framing keeps (or "%") up to a "#", with a body the line buffer holds. Such a
// record empties the decoded record before it adds anything, so after it every decoder
// that was outside a record before the line is in the same state.
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

// Feeds the complete lines of Text to the decoder, each with the bytes that end it; with Final the
// text is the rest of the file and a last line without ending is fed with LF CR. Returns the bytes
// used (complete lines only without Final; a CR at the very end may still be followed by its LF).
// BeforeLine(line, offset) runs before each line is fed; Stop is checked after each line.
template <typename BeforeLine>
size_t FeedLines(std::string_view text, bool final, TOrvaProtocol& decoder, uint64_t& lines, TIdleTimer* idle,
                 const bool* stop, BeforeLine&& beforeLine)
{
    const char* const p = text.data();
    const size_t n = text.size();
    size_t pos = 0;
    size_t nextLf = 0;     // position of the next LF at or after pos, n when none
    bool lfKnown = false;  // nextLf is valid for the current pos
    while (pos < n) {
        if (!lfKnown || nextLf < pos) {
            const void* lf = std::memchr(p + pos, '\n', n - pos);
            nextLf = lf ? static_cast<size_t>(static_cast<const char*>(lf) - p) : n;
            lfKnown = true;
        }
        const void* cr = std::memchr(p + pos, '\r', nextLf - pos);
        size_t lineEnd, next;
        if (cr) {
            lineEnd = static_cast<size_t>(static_cast<const char*>(cr) - p);
            next = lineEnd + 1;
            if (next < n && p[next] == '\n')
                ++next;
            else if (next == n && !final)
                break;
        } else if (nextLf < n) {
            lineEnd = nextLf;
            next = nextLf + 1;
        } else {
            if (!final)
                break;
            // The last line of the file has no ending: it is fed followed by LF CR.
            beforeLine(text.substr(pos), pos);
            std::string last(p + pos, n - pos);
            last += "\n\r";
            decoder.ProcessData(last);
            ++lines;
            pos = n;
            break;
        }
        beforeLine(text.substr(pos, lineEnd - pos), pos);
        decoder.ProcessData(text.substr(pos, next - pos));
        ++lines;
        pos = next;
        if (idle)
            idle->Check();
        if (stop && *stop)
            break;
    }
    return pos;
}

size_t FeedLines(std::string_view text, bool final, TOrvaProtocol& decoder, uint64_t& lines, TIdleTimer* idle,
                 const bool* stop)
{
    return FeedLines(text, final, decoder, lines, idle, stop, [](std::string_view, size_t) {});
}

int OpenForReading(const std::string& fileName, int& fd)
{
    do {
        fd = ::open(fileName.c_str(), O_RDONLY | O_CLOEXEC);
    } while (fd < 0 && errno == EINTR);
    if (fd >= 0)
        return 0;
    return errno == ENOENT ? -1 : errno;
}

ssize_t ReadSome(int fd, char* buffer, size_t size)
{
    ssize_t n;
    do {
        n = ::read(fd, buffer, size);
    } while (n < 0 && errno == EINTR);
    return n;
}

// Reads a file in blocks and feeds it line by line; see FeedDayFile.
int FeedFile(const std::string& fileName, TOrvaProtocol& decoder, uint64_t& lines, TIdleTimer* idle,
             const bool* stop)
{
    lines = 0;
    int fd = -1;
    if (const int result = OpenForReading(fileName, fd); result != 0)
        return result;
    (void)::posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
    std::string buffer(BlockBytes, '\0');
    size_t have = 0;
    int result = 0;
    for (;;) {
        if (have == buffer.size())
            buffer.resize(buffer.size() * 2);  // one line longer than the block: it is fed whole
        const ssize_t n = ReadSome(fd, buffer.data() + have, buffer.size() - have);
        if (n < 0) {
            result = errno;
            break;
        }
        const bool end = n == 0;
        have += static_cast<size_t>(n);
        const size_t used = FeedLines(std::string_view(buffer.data(), have), end, decoder, lines, idle, stop);
        if (end || (stop && *stop))
            break;
        std::memmove(buffer.data(), buffer.data() + used, have - used);
        have -= used;
    }
    ::close(fd);
    return result;
}

// Reads a whole file into Content; 0, -1 (missing), the error code, or -2 when it is larger than Limit.
int ReadWholeFile(const std::string& fileName, uint64_t limit, std::string& content)
{
    int fd = -1;
    if (const int result = OpenForReading(fileName, fd); result != 0)
        return result;
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        const int error = errno;
        ::close(fd);
        return error;
    }
    if (static_cast<uint64_t>(st.st_size) > limit) {
        ::close(fd);
        return -2;
    }
    content.resize(static_cast<size_t>(st.st_size) + 4096);
    size_t have = 0;
    int result = 0;
    for (;;) {
        if (have == content.size()) {
            if (have > limit) {  // grew while being read
                result = -2;
                break;
            }
            content.resize(content.size() * 2);
        }
        const ssize_t n = ReadSome(fd, content.data() + have, content.size() - have);
        if (n < 0) {
            result = errno;
            break;
        }
        if (n == 0)
            break;
        have += static_cast<size_t>(n);
    }
    ::close(fd);
    content.resize(result == 0 ? have : 0);
    return result;
}

// One day decoded ahead on a worker with a fresh decoder.
struct TDayJob {
    bool Done = false;
    int Result = 0;  // of ReadWholeFile
    std::string Content;
    uint64_t Lines = 0;
    // From the first resetting line on (offset SyncOffset in Content, rows from FirstRow on) the rows
    // are those of any decoder that was outside a record at the start of the day.
    bool Synced = false;
    size_t SyncOffset = 0;
    size_t FirstRow = 0;
    std::vector<TRecordHeader> Headers;
    std::vector<TFieldValue> Values;
    std::unique_ptr<TOrvaProtocol> Decoder;  // its state after the whole day
};

void DecodeAhead(TDayJob& job, const std::string& fileName, const TFieldLookup& lookup, uint64_t limit)
{
    job.Result = ReadWholeFile(fileName, limit, job.Content);
    if (job.Result != 0)
        return;
    job.Decoder = std::make_unique<TOrvaProtocol>();
    TOrvaProtocol& decoder = *job.Decoder;
    const size_t fields = lookup.Size();
    job.Headers.reserve(job.Content.size() / 100 + 16);
    job.Values.reserve(job.Headers.capacity() * fields);
    decoder.SetOnRecord([&job, &lookup, fields](const std::string&, const TDecodedRecord& record) {
        job.Headers.push_back(record.Header);
        const size_t at = job.Values.size();
        job.Values.resize(at + fields);
        lookup.Extract(record, job.Values.data() + at);
    });
    FeedLines(job.Content, true, decoder, job.Lines, nullptr, nullptr, [&](std::string_view line, size_t offset) {
        if (!job.Synced && !decoder.InsideRecord() && IsResettingLine(line)) {
            job.Synced = true;
            job.SyncOffset = offset;
            job.FirstRow = job.Headers.size();
        }
    });
    decoder.SetOnRecord(nullptr);
}

// The workers that decode the existing days ahead of the reader, at most MaxAhead days beyond the one
// being delivered. Stops and joins them at destruction.
class TDecodePipeline {
public:
    TDecodePipeline(const std::vector<const TRecordedDay*>& days, const TFieldLookup& lookup, int threads,
                    int maxAhead, uint64_t limit)
        : Days(days), Lookup(lookup), MaxAhead(static_cast<size_t>(std::max(1, maxAhead))), Limit(limit),
          Jobs(days.size())
    {
        for (int i = 0; i < threads; ++i)
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

    // Waits for day k (an index into Days) and takes it; calls Idle while waiting.
    std::unique_ptr<TDayJob> Take(size_t k, TIdleTimer& idle)
    {
        std::unique_lock<std::mutex> guard(Lock);
        Delivering = k;
        WorkAvailable.notify_all();
        while (!(Jobs[k] && Jobs[k]->Done)) {
            JobDone.wait_for(guard, std::chrono::milliseconds(std::max(1, idle.MillisecondsLeft())));
            if (idle.MillisecondsLeft() == 0 && !(Jobs[k] && Jobs[k]->Done)) {
                guard.unlock();
                idle.Fire();
                guard.lock();
            }
        }
        std::unique_ptr<TDayJob> job = std::move(Jobs[k]);
        Delivering = k + 1;
        WorkAvailable.notify_all();
        return job;
    }

private:
    void Work()
    {
        std::unique_lock<std::mutex> guard(Lock);
        for (;;) {
            WorkAvailable.wait(guard, [this] {
                return Stopping || (NextToStart < Days.size() && NextToStart < Delivering + MaxAhead);
            });
            if (Stopping)
                return;
            const size_t k = NextToStart++;
            Jobs[k] = std::make_unique<TDayJob>();
            TDayJob* job = Jobs[k].get();
            guard.unlock();
            DecodeAhead(*job, Days[k]->FileName, Lookup, Limit);
            guard.lock();
            job->Done = true;
            JobDone.notify_all();
        }
    }

    const std::vector<const TRecordedDay*>& Days;
    const TFieldLookup& Lookup;
    const size_t MaxAhead;
    const uint64_t Limit;
    std::mutex Lock;
    std::condition_variable WorkAvailable, JobDone;
    std::vector<std::unique_ptr<TDayJob>> Jobs;
    std::vector<std::thread> Workers;
    size_t NextToStart = 0;
    size_t Delivering = 0;
    bool Stopping = false;
};

}  // namespace

std::vector<TRecordedDay> RecordedDays(const TProject& project, TDateTime startTime, TDateTime endTime,
                                       TDayWalk walk)
{
    std::vector<TRecordedDay> days;
    const int64_t startMs = ToMs(startTime);
    const int64_t endMs = ToMs(endTime);
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

int FeedDayFile(const std::string& fileName, TOrvaProtocol& decoder, uint64_t& lines, TIdleTimer* idle)
{
    return FeedFile(fileName, decoder, lines, idle, nullptr);
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
        if (entry.Type < 0)
            continue;
        const int count = std::min<int>(record.Counts[entry.Type], MaxValuesPerType);
        if (entry.Position < count)
            value = record.Values[entry.Type][entry.Position];
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
    DaysDecodedAhead = 0;

    TIdleTimer idle([&sink] { sink.Idle(); }, IdleIntervalMs);
    bool stopped = false;
    std::vector<TFieldValue> values(lookup.Size());

    // The one decoder whose state carries over from day to day: on this thread, or a worker's decoder
    // taken over with its state after the day it decoded.
    auto current = std::make_unique<TOrvaProtocol>();
    auto install = [&](TOrvaProtocol& decoder) {
        decoder.SetOnRecord([&](const std::string&, const TDecodedRecord& record) {
            if (stopped)
                return;
            lookup.Extract(record, values.data());
            ++RecordCount;
            if (!sink.Record(record.Header, values.data()))
                stopped = true;
        });
    };
    install(*current);

    std::vector<const TRecordedDay*> existing;
    for (const TRecordedDay& day : days)
        if (day.Exists)
            existing.push_back(&day);
    int threads = Threads;
    if (threads == 0)
        threads = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
    std::unique_ptr<TDecodePipeline> pipeline;
    if (threads > 1 && existing.size() > 1)
        pipeline = std::make_unique<TDecodePipeline>(existing, lookup, threads, MaxDaysAhead, LargeFileBytes);

    size_t k = 0;  // index into existing
    for (const TRecordedDay& day : days) {
        if (stopped)
            break;
        if (!day.Exists) {
            sink.DayEnd(day, 0, true);
            continue;
        }
        std::unique_ptr<TDayJob> job;
        if (pipeline)
            job = pipeline->Take(k, idle);
        ++k;
        int result = 0;
        uint64_t lines = 0;
        if (job && job->Result == -1) {
            // Gone since the listing: like a missing day.
            sink.DayEnd(day, 0, true);
            continue;
        }
        sink.DayBegin(day);
        if (job && job->Result == 0) {
            if (!current->InsideRecord() && job->Synced) {
                // The lines before the first resetting line through the carried-over decoder, then the
                // worker's records, and the worker's decoder goes on.
                uint64_t before = 0;
                FeedLines(std::string_view(job->Content).substr(0, job->SyncOffset), true, *current, before, &idle,
                          &stopped);
                const size_t fields = lookup.Size();
                for (size_t r = job->FirstRow; r < job->Headers.size() && !stopped; ++r) {
                    ++RecordCount;
                    if (!sink.Record(job->Headers[r], job->Values.data() + r * fields))
                        stopped = true;
                    idle.Check();
                }
                lines = job->Lines;
                current = std::move(job->Decoder);
                install(*current);
                ++DaysDecodedAhead;
            } else {
                FeedLines(job->Content, true, *current, lines, &idle, &stopped);
            }
        } else if (job && job->Result > 0) {
            result = job->Result;
        } else {
            // Not decoded ahead (no workers, or a large file): in blocks on this thread.
            result = FeedFile(day.FileName, *current, lines, &idle, &stopped);
            if (result == -1) {
                sink.DayEnd(day, 0, true);
                continue;
            }
        }
        job.reset();
        LineCount += lines;
        if (result != 0) {
            ErrorCode = result;
            ErrorText = DayFileReadError(day.FileName, result);
            sink.DayEnd(day, lines, false);
            return false;
        }
        sink.DayEnd(day, lines, true);
        idle.Check();
    }
    return true;
}

}  // namespace dedezuviv::model
