// A real consumer reads the exports back: LibreOffice Calc (headless) converts the XLS, WK1 and CSV
// files of one export to CSV, and every cell must be what the export wrote: the texts (umlauts from
// Windows-1252), the numbers, the empty cells, and in CSV the date-times as date-times. Two soffice
// calls for all three files (they take seconds each).
#include "base/TextEncoding.h"
#include "export/ExportData.h"

#include "ExportTestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>

using namespace dedezuviv::base;
using namespace dedezuviv::exports;

namespace fs = std::filesystem;
using testsupport::ReadFile;
using testsupport::RecordLine;
using testsupport::ShellQuote;
using testsupport::TempDir;

namespace {

using TGrid = std::vector<std::vector<std::string>>;

// A CSV text as LibreOffice writes it (",", texts with "," or quotes quoted, quotes doubled), trailing
// empty cells of each row dropped.
TGrid ParseCsv(const std::string& text)
{
    TGrid grid;
    std::vector<std::string> row;
    std::string cell;
    bool quoted = false;
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (quoted) {
            if (c == '"' && i + 1 < text.size() && text[i + 1] == '"') {
                cell += '"';
                ++i;
            } else if (c == '"') {
                quoted = false;
            } else {
                cell += c;
            }
        } else if (c == '"') {
            quoted = true;
        } else if (c == ',') {
            row.push_back(cell);
            cell.clear();
        } else if (c == '\n' || c == '\r') {
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
                ++i;
            row.push_back(cell);
            cell.clear();
            while (!row.empty() && row.back().empty())
                row.pop_back();
            grid.push_back(row);
            row.clear();
        } else {
            cell += c;
        }
    }
    return grid;
}

// Calc reads the 8-bit texts of a WK1 file as IBM code page 437 (the DOS character set of Lotus files),
// while the WK1 writer writes them in the ANSI code page (Windows-1252): umlauts then show as other
// characters. The two that this test uses: 0xE4 ("ä") as "Σ", 0xFC ("ü") as "ⁿ".
std::string AsCodePage437(const std::string& ansi)
{
    std::string out;
    for (const char c : ansi) {
        if (static_cast<unsigned char>(c) == 0xE4)
            out += "\u03A3";
        else if (static_cast<unsigned char>(c) == 0xFC)
            out += "\u207F";
        else
            out += Cp1252ToUtf8(std::string(1, c));
    }
    return out;
}

// The cells the export wrote (TSheet form) as the texts Calc shows: labels as UTF-8, numbers in their
// shortest form, a missing cell empty. DateTimes: how a label that is a German date-time appears
// (for CSV, where Calc recognises it as a date-time and writes it in the US form).
TGrid Expected(const exporttest::TSheet& sheet, bool dateTimesAsUs, bool codePage437 = false)
{
    TGrid grid;
    for (const auto& [row, cells] : sheet) {
        if (grid.size() <= static_cast<size_t>(row))
            grid.resize(static_cast<size_t>(row) + 1);
        std::vector<std::string>& out = grid[static_cast<size_t>(row)];
        for (const auto& [col, cell] : cells) {
            if (out.size() <= static_cast<size_t>(col))
                out.resize(static_cast<size_t>(col) + 1);
            std::string text = codePage437 ? AsCodePage437(cell.substr(2)) : Cp1252ToUtf8(cell.substr(2));
            if (cell[0] == 'N') {
                char buffer[40];
                std::snprintf(buffer, sizeof buffer, "%.15g", std::strtod(cell.c_str() + 2, nullptr));
                text = buffer;
            } else if (dateTimesAsUs && text.size() == 19 && text[2] == '.' && text[5] == '.' && text[13] == ':') {
                text = text.substr(3, 2) + "/" + text.substr(0, 2) + "/" + text.substr(6);
            }
            out[static_cast<size_t>(col)] = text;
        }
    }
    return grid;
}

bool RunSoffice(const TempDir& dir, const std::string& options, const std::string& outdir,
                const std::vector<fs::path>& files)
{
    std::string command = "cd " + ShellQuote(dir.Path().string()) + " && env LC_ALL=C LANG=C HOME=" +
                          ShellQuote(dir.Path().string()) + " timeout 180 soffice -env:UserInstallation=file://" +
                          (dir / "profile").string() + " --headless " + options +
                          " --convert-to 'csv:Text - txt - csv (StarCalc):44,34,76,1,,0,false,true,false' --outdir " +
                          ShellQuote(outdir);
    for (const fs::path& file : files)
        command += " " + ShellQuote(file.string());
    command += " >" + ShellQuote((dir / "soffice.log").string()) + " 2>&1";
    return std::system(command.c_str()) == 0;
}

}  // namespace

TEST(ExportLibreOffice, CalcReadsTheSameCellsFromXlsWk1AndCsv)
{
    if (std::system("command -v soffice >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "soffice (Debian package libreoffice-calc-nogui) is not installed; "
                        "scripts/install-deps.sh installs it";
    exporttest::GermanSettingsAndClock settings;
    TempDir dir;
    auto project = exporttest::MakeProject(dir);
    project->SetName("Haus Müller, Keller");
    const TDateTime day = EncodeDate(2024, 1, 5);
    std::string lines;
    for (int i = 1; i <= 20; ++i) {
        const TDateTime t = day + (8 * 3600 + i * 617) / 86400.0;
        // Every third record without its third temperature: an empty cell with a value after it.
        const std::vector<double> temperatures =
            i % 3 ? std::vector<double>{20.5 + i, -0.25 * i, 55.0 + i / 4.0} : std::vector<double>{20.5 + i, -0.25 * i};
        lines += RecordLine(t, temperatures, "/n" + std::to_string(1000 + i) + ",5/xF" + std::to_string(i % 10)) + "\r\n";
    }
    exporttest::AppendToDay(*project, day, lines);
    const TNameList fields = {"Kessel (Temperatur)", "Puffer (Temperatur)", "Zähler (Zähler)", "Status (Intern)",
                              "Aussen (Temperatur)"};
    const TDateTime start = day + 8.0 / 24, end = day + 12.0 / 24;
    TExportData engine;
    const fs::path xls = dir / "a.xls", wk1 = dir / "b.wk1", csv = dir / "c.csv";
    ASSERT_EQ(engine.Export(project.get(), nullptr, xls.string(), efXLS, start, end, 0, fields), 0) << engine.ErrorText;
    ASSERT_EQ(engine.Export(project.get(), nullptr, wk1.string(), efWK1, start, end, 0, fields), 0) << engine.ErrorText;
    ASSERT_EQ(engine.Export(project.get(), nullptr, csv.string(), efCSV, start, end, 0, fields), 0) << engine.ErrorText;
    ASSERT_EQ(engine.RecordCount, 20);

    ASSERT_TRUE(RunSoffice(dir, "", (dir / "binary").string(), {xls, wk1})) << ReadFile(dir / "soffice.log");
    // The CSV as a German user opens it: ";" between fields, Windows-1252, German number and date forms.
    ASSERT_TRUE(RunSoffice(dir, "--infilter='Text - txt - csv (StarCalc):59,34,1,1,,1031,false,true'",
                           (dir / "text").string(), {csv}))
        << ReadFile(dir / "soffice.log");

    const TGrid fromXls = ParseCsv(ReadFile(dir / "binary" / "a.csv"));
    const TGrid fromWk1 = ParseCsv(ReadFile(dir / "binary" / "b.csv"));
    const TGrid fromCsv = ParseCsv(ReadFile(dir / "text" / "c.csv"));

    EXPECT_EQ(fromXls, Expected(exporttest::BiffCells(ReadFile(xls)), false));
    EXPECT_EQ(fromWk1, Expected(exporttest::WKCells(ReadFile(wk1)), false, true));
    EXPECT_EQ(fromCsv, Expected(exporttest::CsvCells(ReadFile(csv)), true));

    // And spelled out, for the reader of this test.
    ASSERT_EQ(fromXls.size(), 27u);
    EXPECT_EQ(fromXls[0], std::vector<std::string>{"DEDEZUviv Temperaturdatenlogger"});
    EXPECT_EQ(fromXls[3], (std::vector<std::string>{"Name:", "Haus Müller, Keller"}));
    EXPECT_EQ(fromXls[6], (std::vector<std::string>{"Zeit", "Kessel", "Puffer", "Zähler", "Status", "Aussen"}));
    EXPECT_EQ(fromXls[7], (std::vector<std::string>{"05.01.2024 08:10:17", "21.5", "55.25", "1001.5", "241", "-0.25"}));
    EXPECT_EQ(fromXls[9], (std::vector<std::string>{"05.01.2024 08:30:51", "23.5", "", "1003.5", "243", "-0.75"}));
    EXPECT_EQ(fromWk1[9], fromXls[9]);
    EXPECT_EQ(fromWk1[3], (std::vector<std::string>{"Name:", "Haus M\u207Fller, Keller"}));
    EXPECT_EQ(fromCsv[9], (std::vector<std::string>{"01/05/2024 08:30:51", "23.5", "", "1003.5", "243", "-0.75"}));
    EXPECT_EQ(fromCsv[5], (std::vector<std::string>{"Von:", "01/05/2024 08:00:00", "Bis:", "01/05/2024 12:00:00"}));
}
