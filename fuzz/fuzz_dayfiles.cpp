// Fuzz target for the reading side of the export with whole day files: the input is cut at lines
// "~~~" into the files of consecutive days ("-" alone: the day has no file). The shared reader must give
// exactly the records of one decoder fed line by line byte-wise (each line one record, each record from its own
// day's file), whether it reads on one thread or decodes chunks ahead on workers; and the export of the days to CSV and XLS must
// succeed with one data row per record in the range, never crash, and leave complete files.
#include "base/Clock.h"
#include "base/FormatSettings.h"
#include "export/ExportData.h"
#include "model/FieldValue.h"
#include "model/DayFiles.h"
#include "model/Fields.h"
#include "model/Project.h"
#include "model/RecordedDays.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <unistd.h>
#include <vector>

using namespace dedezuviv::base;
using namespace dedezuviv::model;
using namespace dedezuviv::exports;

namespace fs = std::filesystem;

namespace {

void Check(bool condition)
{
    if (!condition)
        std::abort();
}

// A line fed as the framing reads it byte by byte: an open frame is abandoned at the line start and
// before every "=" after it (no record holds one), so each line is one record.
void FeedLineBytewise(TOrvaProtocol& decoder, std::string_view line)
{
    const std::string_view frameBreak("\x01", 1);
    size_t at = 0;
    do {
        if (decoder.InsideRecord())
            decoder.ProcessData(frameBreak);
        size_t next = line.find('=', at + 1);
        if (next == std::string_view::npos)
            next = line.size();
        decoder.ProcessData(line.substr(at, next - at));
        at = next;
    } while (at < line.size());
}

struct TRecords {
    std::vector<TRecordHeader> Headers;
    std::vector<TFieldValue> Values;
    std::vector<std::string> Events;
};

bool Same(const TRecords& a, const TRecords& b)
{
    if (a.Headers.size() != b.Headers.size() || a.Values.size() != b.Values.size() || a.Events != b.Events)
        return false;
    if (!a.Headers.empty() && std::memcmp(a.Headers.data(), b.Headers.data(), a.Headers.size() * sizeof(TRecordHeader)))
        return false;
    for (size_t i = 0; i < a.Values.size(); ++i) {
        const TFieldValue &x = a.Values[i], &y = b.Values[i];
        if (x.Kind != y.Kind || std::memcmp(&x.FloatValue, &y.FloatValue, 8) || x.IntValue != y.IntValue ||
            std::memcmp(&x.DateTimeValue, &y.DateTimeValue, 8))
            return false;
    }
    return true;
}

class TSink : public IRecordedDataSink {
public:
    explicit TSink(size_t fields) : Fields(fields) {}
    bool Record(const TRecordHeader& header, const TFieldValue* values) override
    {
        TRecordHeader copy{};
        std::memcpy(&copy, &header, sizeof copy);
        Out.Headers.push_back(copy);
        Out.Values.insert(Out.Values.end(), values, values + Fields);
        return true;
    }
    void DayEnd(const TRecordedDay& day, uint64_t lines, bool ok) override
    {
        Out.Events.push_back(day.FileName + " " + std::to_string(lines) + (ok ? "" : " failed"));
    }
    TRecords Out;

private:
    size_t Fields;
};

fs::path& Folder()
{
    static fs::path folder;
    return folder;
}

void RemoveFolder()
{
    std::error_code error;
    fs::remove_all(Folder(), error);
}

// A folder of this process in memory (/dev/shm) where there is one, removed at exit.
const fs::path& WorkFolder()
{
    if (Folder().empty()) {
        const fs::path base = fs::exists("/dev/shm") ? fs::path("/dev/shm") : fs::temp_directory_path();
        Folder() = base / ("dedezuviv-fuzz-dayfiles-" + std::to_string(::getpid()));
        fs::create_directories(Folder());
        std::atexit(RemoveFolder);
    }
    return Folder();
}

std::string ReadAll(const std::string& file)
{
    std::ifstream in(file, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const bool once = [] {
        SetGermanFormatSettings();
        SetClockOverride([] { return EncodeDateTime(2026, 3, 1, 12, 0, 0); });
        return true;
    }();
    (void)once;
    if (size > 1 << 20)
        return 0;

    const fs::path folder = WorkFolder();
    std::error_code error;
    fs::remove_all(folder / "data", error);
    TProject project;
    project.Root = folder.string();
    project.SetFileName((folder / "Fuzz.p-p").string());
    project.FieldNames[ftTemperature] = {"A", "B"};
    project.FieldNames[ftCounter] = {"C"};
    project.FieldNames[ftIntern] = {"X"};
    project.FieldNames[ftInput] = {"I"};
    fs::create_directories(project.GetDataDir("data"));

    // The days: parts of the input between lines "~~~".
    const std::string input(reinterpret_cast<const char*>(data), size);
    const TDateTime first = EncodeDate(2026, 1, 1);
    int days = 0;
    size_t start = 0;
    while (days < 6) {
        const size_t cut = input.find("~~~\n", start);
        const std::string part = input.substr(start, cut == std::string::npos ? std::string::npos : cut - start);
        if (part != "-" && part != "-\n") {
            std::ofstream out(DataFileName(project, first + days), std::ios::binary);
            out.write(part.data(), static_cast<std::streamsize>(part.size()));
        }
        ++days;
        if (cut == std::string::npos)
            break;
        start = cut + 4;
    }
    const TDateTime end = first + days - 1.0 / 86400;

    // The reading written out: one decoder, each line one record, the records of the file's day, GetFieldValue.
    const TNameList names = {"A (Temperatur)", "B (Temperatur)", "C (Zähler)", "X (Intern)", "I (Eingang)", "RT", "PC"};
    const std::vector<TRecordedDay> list = RecordedDays(project, first, end, TDayWalk::CalendarDays);
    TRecords expected;
    {
        TOrvaProtocol decoder;
        const TRecordedDay* current = nullptr;
        decoder.SetOnRecord([&](const std::string&, const TDecodedRecord& record) {
            if (!RecordOfDay(*current, record.Header.RT))
                return;
            TRecordHeader copy{};
            std::memcpy(&copy, &record.Header, sizeof copy);
            expected.Headers.push_back(copy);
            for (const std::string& name : names) {
                int type = -1;
                TFieldValue value;
                GetFieldValue(&project, record, name, type, value);
                expected.Values.push_back(value);
            }
        });
        for (const TRecordedDay& day : list) {
            uint64_t lines = 0;
            current = &day;
            if (day.Exists)
                ForEachLine(ReadAll(day.FileName), [&](std::string_view line, std::string_view) {
                    FeedLineBytewise(decoder, line);
                    ++lines;
                });
            expected.Events.push_back(day.FileName + " " + std::to_string(lines));
        }
    }
    const TFieldLookup lookup(&project, names);
    struct {
        int Threads;
        uint64_t ChunkBytes;
        uint64_t BytesAhead;
    } const variants[] = {{1, 0, 4ull << 20}, {2, 0, 4ull << 20}, {3, 64, 4ull << 20}, {2, 500, 2000}};
    for (const auto& variant : variants) {
        TRecordedDataReader reader;
        reader.Threads = variant.Threads;
        reader.ChunkBytes = variant.ChunkBytes;
        reader.MaxBytesAhead = variant.BytesAhead;
        TSink sink(lookup.Size());
        Check(reader.Read(list, lookup, sink));
        Check(Same(expected, sink.Out));
    }

    // The export of the whole range: every record in the range is one row.
    size_t inRange = 0;
    const int64_t startMs = std::llround(first * MSecsPerDay), endMs = std::llround(end * MSecsPerDay);
    for (const TRecordHeader& header : expected.Headers) {
        const int64_t t = std::llround(header.RT * MSecsPerDay);
        if (t >= startMs && t <= endMs)
            ++inRange;
    }
    for (TExportFormat format : {efCSV, efXLS}) {
        TExportData engine;
        engine.Threads = 2;
        const std::string file = (folder / (format == efCSV ? "out.csv" : "out.xls")).string();
        if (format == efXLS && 7 + inRange > static_cast<size_t>(ExportFormatRow(efXLS)->MaxRows)) {
            Check(engine.Export(&project, nullptr, file, format, first, end, 0, names) == -1);  // past the sheet
            continue;
        }
        Check(engine.Export(&project, nullptr, file, format, first, end, 0, names) == 0);
        Check(engine.RecordCount == static_cast<int32_t>(inRange));
        const std::string bytes = ReadAll(file);
        if (format == efCSV) {
            size_t lines = 0;
            for (size_t at = bytes.find("\r\n"); at != std::string::npos; at = bytes.find("\r\n", at + 2))
                ++lines;
            Check(lines == 7 + inRange);
        } else {
            Check(bytes.size() >= 8 && bytes.compare(bytes.size() - 4, 4, std::string("\x0A\x00\x00\x00", 4)) == 0);
        }
    }
    return 0;
}
