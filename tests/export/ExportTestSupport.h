// Helpers of the export tests: a project with day files in a temporary folder, fixed German settings
// and clock, and readers that list the records of BIFF2 and WK1 files.
#pragma once

#include "base/Clock.h"
#include "base/FormatSettings.h"
#include "model/DayFiles.h"
#include "model/Project.h"

#include "support/RecordLines.h"
#include "support/TestSupport.h"

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

using namespace dedezuviv::base;
using namespace dedezuviv::model;

namespace exporttest {

namespace fs = std::filesystem;

// German number and date forms and a fixed "now" (9 December 2026 10:00:00) for the test's lifetime.
class GermanSettingsAndClock {
public:
    GermanSettingsAndClock()
    {
        Saved = FormatSettings();
        SetGermanFormatSettings();
        SetClockOverride([] { return EncodeDateTime(2026, 12, 9, 10, 0, 0); });
    }
    ~GermanSettingsAndClock()
    {
        SetClockOverride(nullptr);
        FormatSettings() = Saved;
    }

private:
    TFormatSettings Saved;
};

// A project "Haus" with its file name in the folder (not written) and fields
// Kessel, Aussen, Puffer (Temperatur), Zähler (Zähler), Status (Intern), Brenner (Relais).
inline std::unique_ptr<TProject> MakeProject(const testsupport::TempDir& dir)
{
    auto project = std::make_unique<TProject>();
    project->SetFileName((dir / "Haus.p-p").string());
    project->SetName("Haus");
    project->FieldNames[ftTemperature] = {"Kessel", "Aussen", "Puffer"};
    project->FieldNames[ftCounter] = {"Zähler"};
    project->FieldNames[ftIntern] = {"Status"};
    project->FieldNames[ftOutput] = {"Brenner"};
    return project;
}

inline void AppendToDay(const TProject& project, TDateTime day, const std::string& text)
{
    const std::string file = DataFileName(project, day);
    fs::create_directories(fs::path(file).parent_path());
    std::string content = fs::exists(file) ? testsupport::ReadFile(file) : std::string();
    testsupport::WriteFile(file, content + text);
}

// Records every Step seconds from From (inclusive) to To (exclusive) with two temperatures that follow
// the time, written to their day files.
inline void WriteRecords(const TProject& project, TDateTime from, TDateTime to, int stepSeconds,
                         const std::string& extra = "")
{
    std::map<std::string, std::string> files;
    const int64_t first = std::llround(from * 86400.0), last = std::llround(to * 86400.0);
    for (int64_t s = first; s < last; s += stepSeconds) {
        const TDateTime t = static_cast<double>(s) / 86400.0;
        const double kessel = 20.0 + static_cast<double>(s % 4000) / 100.0;
        files[DataFileName(project, t)] += testsupport::RecordLine(t, {kessel, -5.25}, extra) + "\r\n";
    }
    for (const auto& [file, text] : files) {
        fs::create_directories(fs::path(file).parent_path());
        const std::string before = fs::exists(file) ? testsupport::ReadFile(file) : std::string();
        testsupport::WriteFile(file, before + text);
    }
}

inline std::vector<std::string> SplitLines(const std::string& text, const std::string& ending = "\r\n")
{
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        const size_t end = text.find(ending, start);
        if (end == std::string::npos) {
            lines.push_back(text.substr(start) + "<no line end>");
            break;
        }
        lines.push_back(text.substr(start, end - start));
        start = end + ending.size();
    }
    return lines;
}

// One record of a BIFF2 or WK1 file.
struct TSheetRecord {
    uint16_t Type = 0;
    std::string Data;
    uint16_t Word(size_t at) const
    {
        return static_cast<uint16_t>(static_cast<uint8_t>(Data[at]) | (static_cast<uint8_t>(Data[at + 1]) << 8));
    }
    double Double(size_t at) const
    {
        double value;
        std::memcpy(&value, Data.data() + at, 8);
        return value;
    }
};

// The records of a file of 4-byte headers (type, length) and data; Complete false when the last one
// runs past the end.
inline std::vector<TSheetRecord> ParseRecords(const std::string& bytes, bool* complete = nullptr)
{
    std::vector<TSheetRecord> records;
    size_t at = 0;
    bool ok = true;
    while (at < bytes.size()) {
        if (at + 4 > bytes.size()) {
            ok = false;
            break;
        }
        TSheetRecord record;
        record.Type = static_cast<uint16_t>(static_cast<uint8_t>(bytes[at]) | (static_cast<uint8_t>(bytes[at + 1]) << 8));
        const size_t length = static_cast<uint8_t>(bytes[at + 2]) | (static_cast<uint8_t>(bytes[at + 3]) << 8);
        if (at + 4 + length > bytes.size()) {
            ok = false;
            break;
        }
        record.Data = bytes.substr(at + 4, length);
        records.push_back(std::move(record));
        at += 4 + length;
    }
    if (complete)
        *complete = ok;
    return records;
}

// The cells of a BIFF2 or WK1 file as row -> column -> text ("L:" label, "N:" number, "B" blank).
using TSheet = std::map<int, std::map<int, std::string>>;

inline std::string NumberCell(double value)
{
    char buffer[40];
    std::snprintf(buffer, sizeof buffer, "N:%.15g", value);
    return buffer;
}

inline TSheet BiffCells(const std::string& bytes)
{
    TSheet sheet;
    for (const TSheetRecord& r : ParseRecords(bytes)) {
        if (r.Type == 0x0004)
            sheet[r.Word(0)][r.Word(2)] = "L:" + r.Data.substr(8, static_cast<uint8_t>(r.Data[7]));
        else if (r.Type == 0x0003)
            sheet[r.Word(0)][r.Word(2)] = NumberCell(r.Double(7));
        else if (r.Type == 0x0001)
            sheet[r.Word(0)][r.Word(2)] = "B";
    }
    return sheet;
}

inline TSheet WKCells(const std::string& bytes)
{
    TSheet sheet;
    for (const TSheetRecord& r : ParseRecords(bytes)) {
        if (r.Type == 0x000F)
            sheet[r.Word(3)][r.Word(1)] = "L:" + r.Data.substr(6, r.Data.size() - 7);
        else if (r.Type == 0x000E)
            sheet[r.Word(3)][r.Word(1)] = NumberCell(r.Double(5));
        else if (r.Type == 0x000C)
            sheet[r.Word(3)][r.Word(1)] = "B";
    }
    return sheet;
}

// The cells of a CSV text (";" between fields, quotes around them, no escaping) in the same form:
// quoted fields that read as a German number become "N:", others "L:"; empty fields are left out.
inline TSheet CsvCells(const std::string& text, char separator = ';', bool quoted = true)
{
    TSheet sheet;
    int row = 0;
    for (const std::string& line : SplitLines(text)) {
        int col = 0;
        size_t start = 0;
        for (;;) {
            size_t end = line.find(separator, start);
            std::string field = line.substr(start, end == std::string::npos ? std::string::npos : end - start);
            if (!field.empty()) {
                if (quoted && field.size() >= 2 && field.front() == '"' && field.back() == '"')
                    field = field.substr(1, field.size() - 2);
                std::string number = field;
                for (char& c : number)
                    if (c == ',')
                        c = '.';
                char* stop = nullptr;
                const double value = std::strtod(number.c_str(), &stop);
                if (!number.empty() && stop && *stop == '\0' && number.find_first_of(" :") == std::string::npos)
                    sheet[row][col] = NumberCell(value);
                else
                    sheet[row][col] = "L:" + field;
            }
            ++col;
            if (end == std::string::npos)
                break;
            start = end + 1;
        }
        ++row;
    }
    return sheet;
}

}  // namespace exporttest
