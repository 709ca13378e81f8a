#include "export/BatchDayReader.h"

#include "export/Namespace.h"

#include <algorithm>
#include <sys/stat.h>

namespace dedezuviv::exports {

namespace {

bool StampOf(const std::string& fileName, TBatchDayReader::TFileStamp& stamp)
{
    struct stat st {};
    if (::stat(fileName.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
        return false;
    stamp.Device = static_cast<uint64_t>(st.st_dev);
    stamp.Inode = static_cast<uint64_t>(st.st_ino);
    stamp.Size = static_cast<uint64_t>(st.st_size);
    stamp.ModifiedNs = static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    return true;
}

size_t NextExisting(const std::vector<TRecordedDay>& days, size_t from)
{
    while (from < days.size() && !days[from].Exists)
        ++from;
    return from;
}

// Passes everything on to the sink and collects the records of one day (KeepDay, null for none) while
// they stay within the bound. Complete() after the read: the day was read whole and every record of
// it was collected.
class TKeepingSink final : public IRecordedDataSink {
public:
    TKeepingSink(IRecordedDataSink& inner, const TRecordedDay* keepDay, size_t fields, uint64_t maxBytes)
        : Inner(inner), KeepDay(keepDay), FieldCount(fields), MaxBytes(maxBytes), Collecting(keepDay != nullptr)
    {
    }

    void DayBegin(const TRecordedDay& day) override
    {
        InKeepDay = &day == KeepDay;
        Begun = Begun || InKeepDay;
        Inner.DayBegin(day);
    }
    bool Record(const TRecordHeader& header, const TFieldValue* values) override
    {
        if (InKeepDay && Collecting)
            Collect(header, values);
        const bool go = Inner.Record(header, values);
        if (!go)
            Collecting = false;
        return go;
    }
    void DayEnd(const TRecordedDay& day, uint64_t lines, bool ok) override
    {
        if (&day == KeepDay) {
            Ended = ok;
            Lines = lines;
            InKeepDay = false;
        }
        Inner.DayEnd(day, lines, ok);
    }
    void Idle() override { Inner.Idle(); }

    bool Complete() const { return Collecting && Begun && Ended; }

    std::vector<TRecordHeader> Headers;
    std::vector<TFieldValue> Values;
    std::vector<int64_t> Ms;
    uint64_t Lines = 0;

private:
    void Collect(const TRecordHeader& header, const TFieldValue* values)
    {
        const uint64_t recordBytes = sizeof(TRecordHeader) + sizeof(int64_t) + FieldCount * sizeof(TFieldValue);
        if ((Headers.size() + 1) * recordBytes > MaxBytes) {
            Collecting = false;
            Headers = {};
            Values = {};
            Ms = {};
            return;
        }
        Headers.push_back(header);
        Values.insert(Values.end(), values, values + FieldCount);
        Ms.push_back(DateTimeToMs(header.RT));
    }

    IRecordedDataSink& Inner;
    const TRecordedDay* const KeepDay;
    const size_t FieldCount;
    const uint64_t MaxBytes;
    bool Collecting;
    bool InKeepDay = false, Begun = false, Ended = false;
};

}  // namespace

bool TBatchDayReader::ServeKept(const TRecordedDay& day, IRecordedDataSink& sink, int64_t startMs, int64_t endMs)
{
    TIdleTimer idle([&sink] { sink.Idle(); }, IdleIntervalMs);
    sink.DayBegin(day);
    const auto first = std::lower_bound(Kept.ByTime.begin(), Kept.ByTime.end(), startMs,
                                        [this](uint32_t r, int64_t ms) { return Kept.Ms[r] < ms; });
    const auto last = std::upper_bound(first, Kept.ByTime.end(), endMs,
                                       [this](int64_t ms, uint32_t r) { return ms < Kept.Ms[r]; });
    std::vector<uint32_t> inRange(first, last);
    std::sort(inRange.begin(), inRange.end());
    const size_t fields = Fields.size();
    bool go = true;
    for (size_t i = 0; i < inRange.size() && go; ++i) {
        const size_t r = inRange[i];
        go = sink.Record(Kept.Headers[r], Kept.Values.data() + r * fields);
        idle.Check();
    }
    sink.DayEnd(day, Kept.Lines, true);
    return go;
}

bool TBatchDayReader::Read(const std::vector<TRecordedDay>& days, const TFieldLookup& lookup,
                           const TNameList& fields, IRecordedDataSink& sink, TDateTime start, TDateTime end)
{
    ErrorCode = 0;
    ErrorText.clear();
    if (fields != Fields) {
        HasKept = false;
        Kept = TKeptDay{};
        Fields = fields;
    }

    // The period's first day from the kept records, when they are still those of its file and the
    // days after it begin afresh.
    size_t from = 0;
    const size_t first = NextExisting(days, 0);
    TFileStamp stamp;
    if (HasKept && first < days.size() && days[first].FileName == Kept.FileName && days[first].Date == Kept.Date &&
        StampOf(Kept.FileName, stamp) && stamp == Kept.Stamp) {
        const size_t next = NextExisting(days, first + 1);
        if (next == days.size() || StartsWithResettingLine(days[next].FileName)) {
            for (size_t i = 0; i < first; ++i)
                sink.DayEnd(days[i], 0, true);
            ++DaysFromMemory;
            if (!ServeKept(days[first], sink, DateTimeToMs(start), DateTimeToMs(end)))
                return true;  // the sink stopped
            from = first + 1;
            if (from == days.size())
                return true;
        }
    }
    HasKept = false;
    Kept = TKeptDay{};

    // The rest from the files, keeping the last day's records when a new decoder reads them alike.
    const std::vector<TRecordedDay> rest(days.begin() + static_cast<std::ptrdiff_t>(from), days.end());
    const TRecordedDay* keepDay = nullptr;
    for (size_t i = rest.size(); i-- > 0;) {
        if (!rest[i].Exists)
            continue;
        const bool afresh = NextExisting(rest, 0) == i || StartsWithResettingLine(rest[i].FileName);
        if (afresh && StampOf(rest[i].FileName, stamp))
            keepDay = &rest[i];
        break;
    }
    TKeepingSink keeping(sink, keepDay, fields.size(), MaxKeptBytes);
    TRecordedDataReader reader;
    reader.Threads = Threads;
    reader.IdleIntervalMs = IdleIntervalMs;
    const bool read = reader.Read(rest, lookup, keeping);
    ErrorCode = reader.ErrorCode;
    ErrorText = reader.ErrorText;
    if (read && keeping.Complete()) {
        Kept.FileName = keepDay->FileName;
        Kept.Date = keepDay->Date;
        Kept.Stamp = stamp;
        Kept.Lines = keeping.Lines;
        Kept.Headers = std::move(keeping.Headers);
        Kept.Values = std::move(keeping.Values);
        Kept.Ms = std::move(keeping.Ms);
        Kept.ByTime.resize(Kept.Ms.size());
        for (uint32_t r = 0; r < Kept.ByTime.size(); ++r)
            Kept.ByTime[r] = r;
        std::stable_sort(Kept.ByTime.begin(), Kept.ByTime.end(),
                         [this](uint32_t a, uint32_t b) { return Kept.Ms[a] < Kept.Ms[b]; });
        HasKept = true;
    }
    return read;
}

}  // namespace dedezuviv::exports
