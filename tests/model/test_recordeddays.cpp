// Reading recorded day files back (RecordedDays): the days a range touches, line splitting, each line
// one record, each record from its own day's file only, the lookup of field values, and the reader with
// chunks decoded ahead on workers giving exactly the records of one decoder fed line by line.
#include "base/Clock.h"
#include "model/FieldValue.h"
#include "model/DayFiles.h"
#include "model/Fields.h"
#include "model/Project.h"
#include "model/RecordedDays.h"

#include "support/RecordLines.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <grp.h>
#include <random>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace dedezuviv::base;
using namespace dedezuviv::model;

namespace fs = std::filesystem;
using testsupport::RecordLine;
using testsupport::TempDir;
using testsupport::WriteFile;

namespace {

std::unique_ptr<TProject> MakeProject(const TempDir& dir)
{
    auto project = std::make_unique<TProject>();
    project->Root = dir.Path().string();
    project->FieldNames[ftTemperature] = {"Kessel", "Aussen", "Puffer"};
    project->FieldNames[ftCounter] = {"Zaehler"};
    project->FieldNames[ftIntern] = {"Status"};
    return project;
}

std::vector<std::string> FileNamesOf(const std::vector<TRecordedDay>& days)
{
    std::vector<std::string> names;
    for (const TRecordedDay& day : days)
        names.push_back(fs::path(day.FileName).filename().string());
    return names;
}

// What a sink received, comparable as a whole.
struct TCollected {
    std::vector<std::string> Events;
    std::vector<TRecordHeader> Headers;
    std::vector<TFieldValue> Values;
    int Idles = 0;
};

class TCollectingSink : public IRecordedDataSink {
public:
    explicit TCollectingSink(size_t fields, size_t stopAfter = SIZE_MAX) : Fields(fields), StopAfter(stopAfter) {}
    void DayBegin(const TRecordedDay& day) override
    {
        Data.Events.push_back("begin " + fs::path(day.FileName).filename().string());
    }
    bool Record(const TRecordHeader& header, const TFieldValue* values) override
    {
        Data.Headers.push_back(header);
        Data.Values.insert(Data.Values.end(), values, values + Fields);
        return Data.Headers.size() < StopAfter;
    }
    void DayEnd(const TRecordedDay& day, uint64_t lines, bool ok) override
    {
        Data.Events.push_back("end " + fs::path(day.FileName).filename().string() + " " + std::to_string(lines) +
                              (ok ? " ok" : " failed"));
    }
    void Idle() override { ++Data.Idles; }

    TCollected Data;

private:
    size_t Fields;
    size_t StopAfter;
};

bool SameValue(const TFieldValue& a, const TFieldValue& b)
{
    return a.Kind == b.Kind && std::memcmp(&a.FloatValue, &b.FloatValue, sizeof(double)) == 0 &&
           a.IntValue == b.IntValue && std::memcmp(&a.DateTimeValue, &b.DateTimeValue, sizeof(double)) == 0;
}

bool SameHeader(const TRecordHeader& a, const TRecordHeader& b)
{
    return a.Program == b.Program && a.Version == b.Version && a.Subversion == b.Subversion && a.ID == b.ID &&
           a.RT == b.RT && a.PC == b.PC;
}

void ExpectSameRecords(const TCollected& expected, const TCollected& actual, const std::string& what)
{
    ASSERT_EQ(expected.Headers.size(), actual.Headers.size()) << what;
    ASSERT_EQ(expected.Values.size(), actual.Values.size()) << what;
    for (size_t i = 0; i < expected.Headers.size(); ++i)
        ASSERT_TRUE(SameHeader(expected.Headers[i], actual.Headers[i])) << what << ": record " << i;
    for (size_t i = 0; i < expected.Values.size(); ++i)
        ASSERT_TRUE(SameValue(expected.Values[i], actual.Values[i])) << what << ": value " << i;
    EXPECT_EQ(expected.Events, actual.Events) << what;
}

// The reading written out plainly: one decoder for all days, every line of every existing file fed as
// one record, the records of each file's own day with their values through GetFieldValue.
TCollected ReferenceRead(const TProject& project, const std::vector<TRecordedDay>& days,
                         const std::vector<std::string>& names)
{
    TCollected out;
    TOrvaProtocol decoder;
    const TRecordedDay* current = nullptr;
    decoder.SetOnRecord([&](const std::string&, const TDecodedRecord& record) {
        if (!RecordOfDay(*current, record.Header.RT))
            return;
        out.Headers.push_back(record.Header);
        for (const std::string& name : names) {
            int type = -1;
            TFieldValue value;
            GetFieldValue(&project, record, name, type, value);
            out.Values.push_back(value);
        }
    });
    for (const TRecordedDay& day : days) {
        const std::string name = fs::path(day.FileName).filename().string();
        if (!day.Exists) {
            out.Events.push_back("end " + name + " 0 ok");
            continue;
        }
        current = &day;
        out.Events.push_back("begin " + name);
        const std::string content = testsupport::ReadFile(day.FileName);
        uint64_t lines = 0;
        ForEachLine(content, [&](std::string_view line, std::string_view) {
            FeedRecordLine(decoder, line);
            ++lines;
        });
        out.Events.push_back("end " + name + " " + std::to_string(lines) + " ok");
    }
    return out;
}

TCollected ReaderRead(const std::vector<TRecordedDay>& days, const TFieldLookup& lookup, int threads,
                      uint64_t chunkBytes = 0, uint64_t maxBytesAhead = 4ull << 20)
{
    TRecordedDataReader reader;
    reader.Threads = threads;
    reader.ChunkBytes = chunkBytes;
    reader.MaxBytesAhead = maxBytesAhead;
    TCollectingSink sink(lookup.Size());
    EXPECT_TRUE(reader.Read(days, lookup, sink)) << reader.ErrorText;
    EXPECT_EQ(reader.RecordCount, sink.Data.Headers.size());
    return sink.Data;
}

class ClockFixed {
public:
    ClockFixed() { SetClockOverride([] { return EncodeDateTime(2026, 3, 1, 12, 0, 0); }); }
    ~ClockFixed() { SetClockOverride(nullptr); }
};

}  // namespace

TEST(RecordedDays, MinuteWalkTouchesEveryDayOnceAndTheNextDayInTheLastMinute)
{
    TempDir dir;
    auto project = MakeProject(dir);
    // Day 1 12:00 to day 3 08:00 reads days 1, 2 and 3.
    auto days = RecordedDays(*project, EncodeDateTime(2026, 1, 1, 12, 0, 0), EncodeDateTime(2026, 1, 3, 8, 0, 0),
                             TDayWalk::EveryMinute);
    EXPECT_EQ(FileNamesOf(days), (std::vector<std::string>{"26-01-01.txt", "26-01-02.txt", "26-01-03.txt"}));
    EXPECT_EQ(days[0].Time, EncodeDateTime(2026, 1, 1, 12, 0, 0));
    EXPECT_EQ(days[1].Time, EncodeDate(2026, 1, 2));
    EXPECT_EQ(days[2].Date, EncodeDate(2026, 1, 3));
    EXPECT_EQ(days[0].FileName, project->GetDataDir("data") + "/26-01-01.txt");

    // A range ending less than a minute before midnight also reads the next day's file ...
    days = RecordedDays(*project, EncodeDateTime(2026, 1, 1, 10, 0, 0), EncodeDateTime(2026, 1, 1, 23, 59, 30),
                        TDayWalk::EveryMinute);
    EXPECT_EQ(FileNamesOf(days), (std::vector<std::string>{"26-01-01.txt", "26-01-02.txt"}));
    // ... its first candidate being start + whole minutes (10:00 + 840 min = 00:00 of the next day).
    EXPECT_EQ(days[1].Time, EncodeDate(2026, 1, 2));
    days = RecordedDays(*project, EncodeDateTime(2026, 1, 1, 10, 0, 30), EncodeDateTime(2026, 1, 1, 23, 59, 30),
                        TDayWalk::EveryMinute);
    ASSERT_EQ(days.size(), 2u);
    EXPECT_EQ(days[1].Time, EncodeDateTime(2026, 1, 2, 0, 0, 30));
    // ... the calendar walk of the export does not.
    days = RecordedDays(*project, EncodeDateTime(2026, 1, 1, 10, 0, 0), EncodeDateTime(2026, 1, 1, 23, 59, 30),
                        TDayWalk::CalendarDays);
    EXPECT_EQ(FileNamesOf(days), (std::vector<std::string>{"26-01-01.txt"}));
    // A minute walk of 23:58:00 to 23:58:30 has the candidates 23:58 and 23:59: one day.
    days = RecordedDays(*project, EncodeDateTime(2026, 1, 1, 23, 58, 0), EncodeDateTime(2026, 1, 1, 23, 58, 30),
                        TDayWalk::EveryMinute);
    EXPECT_EQ(days.size(), 1u);

    // Start after the end: no candidate (the minute walk still has one while start <= end + 1 minute).
    EXPECT_TRUE(RecordedDays(*project, EncodeDate(2026, 1, 5), EncodeDate(2026, 1, 3), TDayWalk::EveryMinute).empty());
    EXPECT_TRUE(RecordedDays(*project, EncodeDate(2026, 1, 5), EncodeDate(2026, 1, 3), TDayWalk::CalendarDays).empty());
    EXPECT_EQ(RecordedDays(*project, EncodeDateTime(2026, 1, 5, 0, 0, 30), EncodeDate(2026, 1, 5),
                           TDayWalk::EveryMinute)
                  .size(),
              1u);
    // Across the turn of the year, a year of days.
    days = RecordedDays(*project, EncodeDate(2025, 12, 31), EncodeDateTime(2026, 12, 31, 12, 0, 0),
                        TDayWalk::CalendarDays);
    ASSERT_EQ(days.size(), 366u);
    EXPECT_EQ(fs::path(days[1].FileName).filename(), "26-01-01.txt");
}

TEST(RecordedDays, ExistsOnlyForRegularFiles)
{
    TempDir dir;
    auto project = MakeProject(dir);
    const fs::path data = project->GetDataDir("data");
    fs::create_directories(data / "26-01-02.txt");  // a folder of a day file's name
    WriteFile(data / "26-01-03.txt", "");
    fs::create_symlink(data / "26-01-03.txt", data / "26-01-04.txt");
    const auto days = RecordedDays(*project, EncodeDate(2026, 1, 1), EncodeDate(2026, 1, 4), TDayWalk::CalendarDays);
    ASSERT_EQ(days.size(), 4u);
    EXPECT_FALSE(days[0].Exists);
    EXPECT_FALSE(days[1].Exists);
    EXPECT_TRUE(days[2].Exists);
    EXPECT_TRUE(days[3].Exists);
}

TEST(RecordedDays, LinesEndAtLfCrOrCrLfAndALastLineWithoutEndingCounts)
{
    const auto split = [](const std::string& text) {
        std::vector<std::string> out;
        ForEachLine(text, [&](std::string_view line, std::string_view ending) {
            std::string shown(line);
            for (char c : ending)
                shown += c == '\r' ? "<CR>" : "<LF>";
            out.push_back(shown);
        });
        return out;
    };
    EXPECT_EQ(split(""), std::vector<std::string>{});
    EXPECT_EQ(split("a\r\nb"), (std::vector<std::string>{"a<CR><LF>", "b"}));
    EXPECT_EQ(split("\r\n"), (std::vector<std::string>{"<CR><LF>"}));
    EXPECT_EQ(split("a\n\rb\rc\n"), (std::vector<std::string>{"a<LF>", "<CR>", "b<CR>", "c<LF>"}));

    // FeedDayFile counts the same lines and reads across its 1 MiB blocks, also a line longer than one.
    TempDir dir;
    const fs::path file = dir / "day.txt";
    std::string content;
    const std::string record = "=MD/t+001,00/y01.01.26/z00:00:00/r01.01.26 00:00:00#";
    for (int i = 0; i < 30000; ++i)
        content += record + (i % 3 == 0 ? "\r\n" : i % 3 == 1 ? "\n" : "\r");
    // Junk lines of 0 to 40 bytes before each ending, so that the ends fall on every position of the
    // scan's 16-byte steps, each followed by a record.
    for (const char* ending : {"\r\n", "\n", "\r"})
        for (size_t length = 0; length <= 40; ++length)
            content += std::string(length, 'x') + ending + record + ending;
    content += std::string(3u << 20, 'x') + "\r\n";  // 3 MiB of junk in one line
    content += record;                                // the last line, without ending
    WriteFile(file, content);
    TOrvaProtocol decoder;
    int records = 0;
    decoder.SetOnRecord([&](const std::string&, const TDecodedRecord&) { ++records; });
    uint64_t lines = 0;
    EXPECT_EQ(FeedDayFile(file.string(), decoder, lines), 0);
    EXPECT_EQ(lines, 30002u + 3 * 41 * 2);
    EXPECT_EQ(records, 30001 + 3 * 41);
    EXPECT_EQ(FeedDayFile((dir / "missing.txt").string(), decoder, lines), -1);
}

namespace {

// The first temperature of each record that lines fed one by one give.
std::vector<double> TemperaturesOfLines(const std::vector<std::string>& lines)
{
    std::vector<double> out;
    TOrvaProtocol decoder;
    decoder.SetOnRecord([&](const std::string&, const TDecodedRecord& record) {
        out.push_back(record.Counts[ftTemperature] > 0 ? record.Values[ftTemperature][0].FloatValue : -1);
    });
    for (const std::string& line : lines)
        FeedRecordLine(decoder, line);
    return out;
}

// The same from a day file holding the lines, each ended with CR LF.
std::vector<double> TemperaturesOfDayFile(const std::vector<std::string>& lines)
{
    TempDir dir;
    std::string content;
    for (const std::string& line : lines)
        content += line + "\r\n";
    WriteFile(dir / "day.txt", content);
    std::vector<double> out;
    TOrvaProtocol decoder;
    decoder.SetOnRecord([&](const std::string&, const TDecodedRecord& record) {
        out.push_back(record.Counts[ftTemperature] > 0 ? record.Values[ftTemperature][0].FloatValue : -1);
    });
    uint64_t count = 0;
    EXPECT_EQ(FeedDayFile((dir / "day.txt").string(), decoder, count), 0);
    EXPECT_EQ(count, lines.size());
    return out;
}

}  // namespace

TEST(RecordedDays, EachLineIsOneRecordAndADamagedLineLosesOnlyItself)
{
    const TDateTime t = EncodeDateTime(2026, 1, 1, 12, 0, 0);
    const std::string good = RecordLine(t, {2});
    const std::string cut = RecordLine(t, {1}).substr(0, 30);
    struct {
        const char* What;
        std::vector<std::string> Lines;
        std::vector<double> Temperatures;
    } const cases[] = {
        {"a cut line, then a good one", {cut, good}, {2}},
        {"a good record appended to the cut text", {cut + good}, {2}},
        {"a foreign line with blanks", {"ACK 01022024 120000", good}, {2}},
        {"a blank frame closed by #", {" blank frame#", good}, {2}},
        {"junk with an = inside", {"\x01\x02=\xff junk ###", good}, {2}},
        {"a line beyond the line buffer", {"=MD/t+0" + std::string(10050, '1'), good}, {2}},
        {"two records on one line", {good + good}, {2, 2}},
        {"an MR record adds to the data set of the line before", {good, "=MR/t+030,00#"}, {2, 2}},
        {"an invalid record", {"=MD/t-080,00#", good}, {2}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(TemperaturesOfLines(c.Lines), c.Temperatures) << c.What;
        EXPECT_EQ(TemperaturesOfDayFile(c.Lines), c.Temperatures) << c.What << " (day file)";
    }
}

TEST(RecordedDays, LookupGivesTheValuesOfGetFieldValue)
{
    TempDir dir;
    auto project = MakeProject(dir);
    project->FieldNames[ftTemperature].push_back("kessel");  // a second definition of the same name
    project->FieldNames[ftTemperature].push_back("");
    const std::vector<std::string> names = {
        "Kessel (Temperatur)", "KESSEL (temperatur)", "Aussen (Temperatur)", "Puffer (Temperatur)",
        "Zaehler (Zähler)", "Status (Intern)", "Status", "Unbekannt (Temperatur)", "", "Program", "version",
        "Subversion", "ID", "rt", "PC", "Kessel (Zähler)"};
    const TFieldLookup lookup(project.get(), names);
    ASSERT_EQ(lookup.Size(), names.size());
    EXPECT_EQ(lookup.FieldType(0), ftTemperature);
    EXPECT_EQ(lookup.FieldType(9), -1);

    const std::vector<std::string> lines = {
        "=MD/p312345/v0102/t+023,45/t-005,00/n1234,5/xFF/y08.12.26/z14:30:05/r08.12.26 14:30:07#",
        "=MD/p312345/t+023,45#",
        "=MR/t+030,00/t+031,00/n1,5#",
        "=MD/v0304/xFFFFFFFF#",
    };
    ClockFixed clock;
    TOrvaProtocol decoder;
    int checked = 0;
    decoder.SetOnRecord([&](const std::string&, const TDecodedRecord& record) {
        std::vector<TFieldValue> values(lookup.Size());
        lookup.Extract(record, values.data());
        for (size_t i = 0; i < names.size(); ++i) {
            int type = -1;
            TFieldValue expected;
            GetFieldValue(project.get(), record, names[i], type, expected);
            EXPECT_TRUE(SameValue(expected, values[i])) << names[i] << " in record " << checked;
        }
        ++checked;
    });
    for (const std::string& line : lines)
        decoder.ProcessData(line + "\r\n");
    EXPECT_EQ(checked, 4);
    // Without a project only the system fields have values.
    const TFieldLookup bare(nullptr, names);
    TFieldValue values[16];
    bare.Extract(decoder.Record(), values);
    EXPECT_EQ(values[0].Kind, vkNone);
    EXPECT_EQ(values[9].Kind, vkInteger);
}

namespace {

// Day files that put the decoder's carried-over state to the test: MR and ME records at the start of a
// day, days without any MD record, junk, lines cut off before their "#", blank frames, lines beyond the
// line buffer, every line ending, and files that end inside a record.
void WriteTrickyDays(const TProject& project, TDateTime first, int dayCount, unsigned seed)
{
    std::mt19937 random(seed);
    auto pick = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
    for (int d = 0; d < dayCount; ++d) {
        const TDateTime day = first + d;
        if (pick(8) == 0)
            continue;  // a missing day
        std::string content;
        const int lines = 20 + pick(60);
        for (int i = 0; i < lines; ++i) {
            const TDateTime t = day + (i * 1200 + pick(600)) / 86400.0;
            std::string line;
            switch (pick(16)) {
            case 0: line = "=MR/t+0" + std::to_string(10 + pick(80)) + ",00/n" + std::to_string(pick(99)) + ",5#"; break;
            case 1: line = "=ME/x" + std::to_string(pick(9)) + "F/i01#"; break;
            case 2: line = "Hallo, ich bin ein anderes Programm: ACK 01012026 120000"; break;
            case 3: line = RecordLine(t, {20.5, -3.25}).substr(0, static_cast<size_t>(5 + pick(40))); break;  // cut off
            case 4: line = " blank frame#"; break;
            case 5: line = "=MD/t+0" + std::string(10050, '1') + "#"; break;  // beyond the line buffer
            case 6: line = "=MD/p100013/t+020,00#"; break;                     // no "r": PC from the clock
            case 7: line = "=MD/t-080,00/y01.01.26/z00:00:01/r01.01.26 00:00:01#"; break;  // invalid
            case 8: line = "x=MD/t+001,00#" + RecordLine(t, {1, 2}); break;
            default: line = RecordLine(t, {20.0 + pick(400) / 4.0, -10.0 + pick(80) / 8.0, 55.5}, "/n12,5/xFF"); break;
            }
            if (i == 0 && pick(3) == 0)
                line = "=MR/t+044,00#";  // a day that starts with a continuation record
            content += line;
            switch (pick(6)) {
            case 0: content += "\n"; break;
            case 1: content += "\r"; break;
            case 2: content += "\n\r"; break;
            default: content += "\r\n"; break;
            }
        }
        switch (pick(4)) {
        case 0: content += "=MD/t+012,00/y0"; break;  // ends inside a record, without line ending
        case 1: content += "=MR/t+012,00/y0\r\n"; break;  // ends inside a record, with ending
        default: break;
        }
        const std::string file = DataFileName(project, day);
        fs::create_directories(fs::path(file).parent_path());
        WriteFile(file, content);
    }
}

}  // namespace

TEST(RecordedDays, ChunksDecodedAheadGiveExactlyTheRecordsOfOneDecoder)
{
    TempDir dir;
    auto project = MakeProject(dir);
    ClockFixed clock;
    const TDateTime first = EncodeDate(2026, 1, 1);
    WriteTrickyDays(*project, first, 60, 7);
    const std::vector<std::string> names = {"Kessel (Temperatur)", "Aussen (Temperatur)", "Zaehler (Zähler)",
                                            "Status (Intern)", "RT", "PC", "Program"};
    const auto days = RecordedDays(*project, first, first + 59.5, TDayWalk::EveryMinute);
    const TCollected expected = ReferenceRead(*project, days, names);
    ASSERT_GT(expected.Headers.size(), 1000u);
    const TFieldLookup lookup(project.get(), names);
    ExpectSameRecords(expected, ReaderRead(days, lookup, 1), "one thread");
    ExpectSameRecords(expected, ReaderRead(days, lookup, 2), "two workers");
    ExpectSameRecords(expected, ReaderRead(days, lookup, 3, 300), "chunks of a few lines");
    ExpectSameRecords(expected, ReaderRead(days, lookup, 3, 37), "chunks shorter than a line");
    ExpectSameRecords(expected, ReaderRead(days, lookup, 2, 4000, 4000), "chunks stopped by their share");
    // Clean days (every file a sequence of whole MD records) are all decoded ahead, one chunk a day.
    TempDir cleanDir;
    auto clean = MakeProject(cleanDir);
    for (int d = 0; d < 5; ++d) {
        std::string content;
        for (int s = 0; s < 86400; s += 600)
            content += RecordLine(first + d + s / 86400.0, {d + s / 1000.0}) + "\r\n";
        const std::string file = DataFileName(*clean, first + d);
        fs::create_directories(fs::path(file).parent_path());
        WriteFile(file, content);
    }
    const auto cleanDays = RecordedDays(*clean, first, first + 4.9, TDayWalk::CalendarDays);
    TRecordedDataReader reader;
    reader.Threads = 2;
    TCollectingSink sink(lookup.Size());
    ASSERT_TRUE(reader.Read(cleanDays, TFieldLookup(clean.get(), names), sink));
    EXPECT_EQ(reader.ChunksDecodedAhead, 5u);
    EXPECT_EQ(reader.RecordCount, 5u * 144u);
    EXPECT_EQ(reader.LineCount, 5u * 144u);
    ExpectSameRecords(ReferenceRead(*clean, cleanDays, names), sink.Data, "clean days");
}

namespace {

// A record's text as the test formatter makes it: its time and the kinds and numbers of its values.
std::string RecordText(const TRecordHeader& header, const TFieldValue* values, size_t count)
{
    std::string text = std::to_string(DateTimeToMs(header.RT));
    for (size_t i = 0; i < count; ++i)
        text += ";" + std::to_string(values[i].Kind) + ":" + std::to_string(values[i].FloatValue) + ":" +
                std::to_string(values[i].IntValue);
    return text + "\n";
}

class TTextFormatter : public IRecordFormatter {
public:
    explicit TTextFormatter(size_t count) : Count(count) {}
    std::unique_ptr<IRecordFormatter> Clone() const override { return std::make_unique<TTextFormatter>(Count); }
    void Append(const TRecordHeader& header, const TFieldValue* values, std::string& text) override
    {
        text += RecordText(header, values, Count);
    }

private:
    size_t Count;
};

// Collects as TCollectingSink; a record with text must come with the formatter's text of it.
class TTextCheckingSink : public TCollectingSink {
public:
    explicit TTextCheckingSink(size_t fields) : TCollectingSink(fields), Count(fields) {}
    bool FormattedRecord(const TRecordHeader& header, const TFieldValue* values, std::string_view text) override
    {
        ++WithText;
        if (text != RecordText(header, values, Count))
            ++WrongText;
        return Record(header, values);
    }
    size_t WithText = 0, WrongText = 0;

private:
    size_t Count;
};

}  // namespace

TEST(RecordedDays, RecordsDecodedAheadComeWithTheirTextAndInTheSameOrder)
{
    TempDir dir;
    auto project = MakeProject(dir);
    ClockFixed clock;
    const TDateTime first = EncodeDate(2026, 1, 1);
    WriteTrickyDays(*project, first, 20, 7);
    const std::vector<std::string> names = {"Kessel (Temperatur)", "Zaehler (Zähler)", "RT", "Unbekannt"};
    const auto days = RecordedDays(*project, first, first + 19.5, TDayWalk::CalendarDays);
    const TCollected expected = ReferenceRead(*project, days, names);
    const TFieldLookup lookup(project.get(), names);
    const TTextFormatter formatter(names.size());
    for (const uint64_t chunkBytes : {uint64_t{0}, uint64_t{300}}) {
        TRecordedDataReader reader;
        reader.Threads = 3;
        reader.ChunkBytes = chunkBytes;
        reader.Formatter = &formatter;
        TTextCheckingSink sink(names.size());
        ASSERT_TRUE(reader.Read(days, lookup, sink)) << reader.ErrorText;
        ExpectSameRecords(expected, sink.Data, "chunks of " + std::to_string(chunkBytes) + " bytes");
        EXPECT_EQ(sink.WrongText, 0u);
        EXPECT_GT(sink.WithText, 0u);
        EXPECT_LT(sink.WithText, sink.Data.Headers.size());  // the lines before a chunk's first MD record
    }
}

TEST(RecordedDays, ACutLastLineOfADayDoesNotCostTheFirstRecordOfTheNext)
{
    TempDir dir;
    auto project = MakeProject(dir);
    const TDateTime day = EncodeDate(2026, 1, 1);
    // The power failed while the last line of day 1 was written: it has no "#" and no line end.
    fs::create_directories(project->GetDataDir("data"));
    WriteFile(DataFileName(*project, day),
              RecordLine(day + 0.5, {1}) + "\r\n" + RecordLine(day + 0.99, {2}).substr(0, 40));
    WriteFile(DataFileName(*project, day + 1), RecordLine(day + 1, {3}) + "\r\n" + RecordLine(day + 1.5, {4}) + "\r\n");
    const auto days = RecordedDays(*project, day, day + 1.9, TDayWalk::CalendarDays);
    const TFieldLookup lookup(project.get(), {"Kessel (Temperatur)"});
    for (int threads : {1, 2}) {
        const TCollected read = ReaderRead(days, lookup, threads);
        std::vector<double> kessel;
        for (const TFieldValue& value : read.Values)
            kessel.push_back(value.FloatValue);
        EXPECT_EQ(kessel, (std::vector<double>{1, 3, 4})) << threads;
    }
}

TEST(RecordedDays, ARecordIsTakenOnlyFromTheFileOfItsOwnDay)
{
    TempDir dir;
    auto project = MakeProject(dir);
    ClockFixed clock;
    const TDateTime day = EncodeDate(2026, 1, 1);
    // Day files have two-digit years: over more than a century 26-01-01.txt is the file of 1 January 1926
    // and of 1 January 2026. Its records are of 2026 and count there alone.
    fs::create_directories(project->GetDataDir("data"));
    WriteFile(DataFileName(*project, day), RecordLine(day + 0.25, {1}) + "\r\n" + RecordLine(day + 0.75, {2}) + "\r\n");
    const TDateTime start = EncodeDate(1925, 12, 31), end = EncodeDateTime(2026, 1, 1, 23, 0, 0);
    const TFieldLookup lookup(project.get(), {"Kessel (Temperatur)"});
    for (TDayWalk walk : {TDayWalk::CalendarDays, TDayWalk::EveryMinute}) {
        const auto days = RecordedDays(*project, start, end, walk);
        const auto files = FileNamesOf(days);
        EXPECT_EQ(std::count(files.begin(), files.end(), "26-01-01.txt"), 2);
        for (int threads : {1, 2}) {
            const TCollected read = ReaderRead(days, lookup, threads);
            ASSERT_EQ(read.Headers.size(), 2u) << threads;
            EXPECT_EQ(read.Headers[0].RT, day + 0.25);
            // Both files were read, 2 lines each.
            EXPECT_EQ(std::count(read.Events.begin(), read.Events.end(), "end 26-01-01.txt 2 ok"), 2);
        }
    }
    // A record without time of its own (RT = PC of the clock, 1 March 2026) is no record of 1 January.
    WriteFile(DataFileName(*project, day), "=MD/p100013/t+020,00#\r\n");
    EXPECT_TRUE(ReaderRead(RecordedDays(*project, day, day + 0.5, TDayWalk::CalendarDays), lookup, 1).Headers.empty());
}

TEST(RecordedDays, SinkStopsTheReadAndIdleIsCalledByTime)
{
    TempDir dir;
    auto project = MakeProject(dir);
    const TDateTime first = EncodeDate(2026, 2, 1);
    for (int d = 0; d < 3; ++d) {
        std::string content;
        for (int s = 0; s < 86400; s += 10)
            content += RecordLine(first + d + s / 86400.0, {21.5}) + "\r\n";
        const std::string file = DataFileName(*project, first + d);
        fs::create_directories(fs::path(file).parent_path());
        WriteFile(file, content);
    }
    const auto days = RecordedDays(*project, first, first + 2.9, TDayWalk::CalendarDays);
    const TFieldLookup lookup(project.get(), {"Kessel (Temperatur)"});
    for (int threads : {1, 2}) {
        TRecordedDataReader reader;
        reader.Threads = threads;
        TCollectingSink stopping(1, 10000);
        EXPECT_TRUE(reader.Read(days, lookup, stopping));
        EXPECT_EQ(stopping.Data.Headers.size(), 10000u) << threads;

        reader.IdleIntervalMs = 1;
        TCollectingSink all(1);
        EXPECT_TRUE(reader.Read(days, lookup, all));
        EXPECT_EQ(all.Data.Headers.size(), 3u * 8640u);
        EXPECT_GT(all.Data.Idles, 0) << threads;
        // Far fewer than one per record.
        EXPECT_LT(all.Data.Idles, 3000) << threads;
    }
}

namespace {

// Runs F in a child process as the user "nobody" when this process is root (root reads every file);
// returns F's exit code, or -1 when the child could not drop its rights.
template <typename F>
int AsUnprivileged(F&& f)
{
    if (::geteuid() != 0)
        return f();
    const pid_t child = ::fork();
    if (child == 0) {
        if (::setgroups(0, nullptr) != 0 || ::setgid(65534) != 0 || ::setuid(65534) != 0)
            ::_exit(120);
        ::_exit(f());
    }
    int status = 0;
    if (child < 0 || ::waitpid(child, &status, 0) != child || !WIFEXITED(status) || WEXITSTATUS(status) == 120)
        return -1;
    return WEXITSTATUS(status);
}

}  // namespace

TEST(RecordedDays, UnreadableDayFileEndsTheReadWithItsMessage)
{
    TempDir dir;
    auto project = MakeProject(dir);
    const TDateTime first = EncodeDate(2026, 3, 1);
    for (int d = 0; d < 3; ++d) {
        const std::string file = DataFileName(*project, first + d);
        fs::create_directories(fs::path(file).parent_path());
        WriteFile(file, RecordLine(first + d + 0.5, {20}) + "\r\n");
    }
    const std::string locked = DataFileName(*project, first + 1);
    ::chmod(locked.c_str(), 0);
    // The unprivileged child must reach the folders.
    ::chmod(dir.Path().c_str(), 0755);
    ::chmod(project->GetDataDir("data").c_str(), 0755);
    const auto days = RecordedDays(*project, first, first + 2, TDayWalk::CalendarDays);
    const TFieldLookup lookup(project.get(), {"Kessel (Temperatur)"});
    const int code = AsUnprivileged([&] {
        int failures = 0;
        for (int threads : {1, 2}) {
            TRecordedDataReader reader;
            reader.Threads = threads;
            TCollectingSink sink(1);
            const bool ok = reader.Read(days, lookup, sink);
            const std::vector<std::string> events = {"begin 26-03-01.txt", "end 26-03-01.txt 1 ok", "begin 26-03-02.txt",
                                                     "end 26-03-02.txt 0 failed"};
            if (ok || reader.ErrorCode != EACCES || sink.Data.Events != events || sink.Data.Headers.size() != 1 ||
                reader.ErrorText != "Die Datendatei \"" + locked + "\" kann nicht gelesen werden: Zugriff verweigert")
                ++failures;
        }
        return failures;
    });
    if (code == -1)
        GTEST_SKIP() << "could not run as an unprivileged user";
    EXPECT_EQ(code, 0);
}
