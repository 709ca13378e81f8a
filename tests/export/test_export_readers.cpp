// Real consumers read the exports back, each format with every reader here that takes it:
// LibreOffice Calc (headless: CSV, DAT, XLS, WK1), gnumeric's ssconvert (XLS, WK1) and Python's xlrd
// (XLS). Every cell must be what the day files hold: the header texts with their umlauts, the record
// times, the numbers and the empty cells of missing values.
#include "base/AppGlobals.h"
#include "export/ExportData.h"
#include "export/ExportInterface.h"

#include "ExportTestSupport.h"

#include <gtest/gtest.h>

#include <cstdio>
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

std::string Number(double value)
{
    char buffer[40];
    std::snprintf(buffer, sizeof buffer, "%.15g", value);
    return buffer;
}

// A number cell in one form for every reader ("21.50" and "21.5" alike); other texts as they are.
std::string Normalised(const std::string& cell)
{
    char* stop = nullptr;
    const double value = std::strtod(cell.c_str(), &stop);
    if (cell.empty() || *stop != '\0' || cell.find_first_of(" :") != std::string::npos)
        return cell;
    return Number(value);
}

// A CSV text as the readers write it (",", quoted texts with doubled quotes) with numbers normalised
// and the trailing empty cells of each row dropped.
TGrid ParseCsv(const std::string& text)
{
    TGrid grid;
    std::vector<std::string> row;
    std::string cell;
    bool quoted = false;
    auto endCell = [&] {
        row.push_back(Normalised(cell));
        cell.clear();
    };
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
            endCell();
        } else if (c == '\n' || c == '\r') {
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
                ++i;
            endCell();
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

const std::string ProjectName = "Demo \"A\";B, Müller 5 €";
const TNameList Fields = {"Kessel (Temperatur)", "Puffer (Temperatur)", "Zähler (Zähler)", "Status (Intern)",
                          "Aussen (Temperatur)"};

// One recorded data set: the values the day file holds for the export's fields.
struct TRecord {
    TDateTime Time;
    double Kessel, Aussen;
    std::optional<double> Puffer;  // every third record has none
    double Counter;
    int Status;
};

std::vector<TRecord> Records()
{
    const TDateTime day = EncodeDate(2024, 1, 5);
    std::vector<TRecord> records;
    for (int i = 1; i <= 20; ++i) {
        TRecord r{day + (8 * 3600 + i * 617) / 86400.0, 20.5 + i, -0.25 * i, std::nullopt, 1000.5 + i, 0xF0 + i % 10};
        if (i % 3)
            r.Puffer = 55.0 + i / 4.0;
        records.push_back(r);
    }
    return records;
}

// The table every reader must show: header block (unless Dat), titles, one row per record. DateTimes
// turns a German date-time text into the form a reader that takes it as a date-time writes; Text
// what the format can keep of a text.
TGrid Expected(const fs::path& projectFile, bool dat, const std::function<std::string(const std::string&)>& dateTime,
               const std::function<std::string(const std::string&)>& text)
{
    TGrid grid;
    if (!dat) {
        grid.push_back({ProgramTitle});
        grid.push_back({WebAddress});
        grid.push_back({"Projekt-Datei:", projectFile.string()});
        grid.push_back({"Name:", text(ProjectName)});
        grid.push_back({"Export am: ", dateTime("09.12.2026 10:00:00")});
        grid.push_back({"Von:", dateTime("05.01.2024 08:00:00"), "Bis:", dateTime("05.01.2024 12:00:00")});
    }
    grid.push_back({"Zeit", "Kessel", "Puffer", "Zähler", "Status", "Aussen"});
    for (const TRecord& r : Records()) {
        const TDateTimeParts p = DecodeDateTime(r.Time);
        char time[32];
        std::snprintf(time, sizeof time, "%02d.%02d.%04d %02d:%02d:%02d", p.Day, p.Month, p.Year, p.Hour, p.Minute,
                      p.Second);
        grid.push_back({dateTime(time), Number(r.Kessel), r.Puffer ? Number(*r.Puffer) : "", Number(r.Counter),
                        std::to_string(r.Status), Number(r.Aussen)});
    }
    return grid;
}

std::string Unchanged(const std::string& text) { return text; }

// "05.01.2024 08:30:51" as an English reader writes a recognised date-time: "01/05/2024 08:30:51".
std::string UsDateTime(const std::string& text)
{
    return text.substr(3, 2) + "/" + text.substr(0, 2) + "/" + text.substr(6);
}

// Whether a reader's program is there; the CI installs them all (scripts/install-deps.sh), so there a
// missing one is a failure, elsewhere the test is skipped.
bool ReaderMissing(const std::string& check, const std::string& what)
{
    if (std::system((check + " >/dev/null 2>&1").c_str()) == 0)
        return false;
    if (std::getenv("CI") != nullptr)
        ADD_FAILURE() << what << " is missing; scripts/install-deps.sh installs it";
    return true;
}

class ExportReaders : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        Dir = new TempDir;
        exporttest::GermanSettingsAndClock settings;
        auto project = exporttest::MakeProject(*Dir);
        project->SetName(ProjectName);
        std::string lines;
        for (const TRecord& r : Records()) {
            std::vector<double> temperatures = {r.Kessel, r.Aussen};
            if (r.Puffer)
                temperatures.push_back(*r.Puffer);
            char extra[64];
            std::snprintf(extra, sizeof extra, "/n%.0f,5/xF%d", r.Counter - 0.5, r.Status - 0xF0);
            lines += RecordLine(r.Time, temperatures, extra) + "\r\n";
        }
        exporttest::AppendToDay(*project, EncodeDate(2024, 1, 5), lines);
        const TDateTime start = EncodeDateTime(2024, 1, 5, 8, 0, 0), end = EncodeDateTime(2024, 1, 5, 12, 0, 0);
        TExportData engine;
        for (const TExportFormat format : {efCSV, efDAT, efXLS, efWK1}) {
            const fs::path file = File(format);
            if (engine.Export(project.get(), nullptr, file.string(), format, start, end, 0, Fields) != 0 ||
                engine.RecordCount != 20)
                ExportError += file.string() + ": " + engine.ErrorText + "\n";
        }
    }
    static void TearDownTestSuite()
    {
        delete Dir;
        Dir = nullptr;
    }
    void SetUp() override { ASSERT_EQ(ExportError, ""); }

    static fs::path File(TExportFormat format) { return *Dir / (std::string("data.") + ExportFormatExtension(format)); }
    static fs::path ProjectFile() { return *Dir / "Haus.p-p"; }

    // The CSV a reader wrote for a file (Folder/<name>.csv).
    static TGrid ReadBack(const fs::path& folder, TExportFormat format)
    {
        return ParseCsv(ReadFile(folder / (std::string("data.") + ExportFormatExtension(format) + ".csv")));
    }

    // Runs a shell command in the test folder with HOME there (the readers keep settings in it); its
    // output goes to Log.
    static bool Run(const std::string& command)
    {
        const std::string line = "cd " + ShellQuote(Dir->Path().string()) + " && env LC_ALL=C.UTF-8 HOME=" +
                                 ShellQuote(Dir->Path().string()) + " timeout 180 " + command + " >" +
                                 ShellQuote(Log().string()) + " 2>&1";
        return std::system(line.c_str()) == 0;
    }
    static fs::path Log() { return *Dir / "reader.log"; }

    static TempDir* Dir;
    static std::string ExportError;
};

TempDir* ExportReaders::Dir = nullptr;
std::string ExportReaders::ExportError;

// LibreOffice Calc to CSV: UTF-8, "," and '"', raw values.
bool RunSoffice(const fs::path& profile, const std::string& infilter, const fs::path& outdir,
                const std::vector<fs::path>& files, const std::function<bool(const std::string&)>& run)
{
    // Built by appending: GCC 12 warns (-Warray-bounds) about literal + string chains here.
    std::string command = "soffice -env:UserInstallation=file://";
    command += profile.string();
    command += " --headless ";
    command += infilter;
    command += " --convert-to 'csv:Text - txt - csv (StarCalc):44,34,76,1,,0,false,true,false' --outdir ";
    command += ShellQuote(outdir.string());
    for (const fs::path& file : files) {
        command += ' ';
        command += ShellQuote(file.string());
    }
    return run(command);
}

}  // namespace

TEST_F(ExportReaders, LibreOfficeReadsCsvDatXlsAndWk1)
{
    if (ReaderMissing("command -v soffice", "LibreOffice (Debian package libreoffice-calc-nogui)"))
        GTEST_SKIP() << "soffice is not installed";
    const fs::path profile = *Dir / "profile", out = *Dir / "libreoffice";
    // soffice names its output after the input without extension: one folder per format.
    for (const TExportFormat format : {efXLS, efWK1, efCSV, efDAT}) {
        // The text files as a user opens them: CSV with German forms (";", decimal comma), DAT in English
        // forms ("," and decimal point), both Windows-1252 and quotes as RFC 4180 has them.
        const std::string infilter = format == efCSV   ? "--infilter='Text - txt - csv (StarCalc):59,34,1,1,,1031,false,true'"
                                     : format == efDAT ? "--infilter='Text - txt - csv (StarCalc):44,34,1,1,,1033,false,false'"
                                                       : "";
        const fs::path folder = out / ExportFormatExtension(format);
        ASSERT_TRUE(RunSoffice(profile, infilter, folder, {File(format)}, Run)) << ReadFile(Log());
        const fs::path written = folder / "data.csv";
        ASSERT_TRUE(fs::exists(written)) << ReadFile(Log());
        fs::rename(written, folder / ("data." + std::string(ExportFormatExtension(format)) + ".csv"));
    }
    const auto wk1Text = [](const std::string& text) {  // no euro sign in code page 437
        std::string out = text;
        out.replace(out.find("€"), std::string("€").size(), "?");
        return out;
    };
    EXPECT_EQ(ReadBack(out / "xls", efXLS), Expected(ProjectFile(), false, Unchanged, Unchanged));
    EXPECT_EQ(ReadBack(out / "wk1", efWK1), Expected(ProjectFile(), false, Unchanged, wk1Text));
    // Calc takes the German date-times of the CSV for date-times and writes them in the English form.
    EXPECT_EQ(ReadBack(out / "csv", efCSV), Expected(ProjectFile(), false, UsDateTime, Unchanged));
    EXPECT_EQ(ReadBack(out / "dat", efDAT), Expected(ProjectFile(), true, Unchanged, Unchanged));
}

TEST_F(ExportReaders, GnumericReadsXlsAndWk1)
{
    if (ReaderMissing("command -v ssconvert", "gnumeric's ssconvert (Debian package gnumeric)"))
        GTEST_SKIP() << "ssconvert is not installed";
    const fs::path out = *Dir / "gnumeric";
    fs::create_directories(out);
    for (const TExportFormat format : {efXLS, efWK1}) {
        const fs::path csv = out / (File(format).filename().string() + ".csv");
        ASSERT_TRUE(Run("ssconvert --export-type=Gnumeric_stf:stf_csv " + ShellQuote(File(format).string()) + " " +
                        ShellQuote(csv.string())))
            << ReadFile(Log());
        // gnumeric names a file it could not read in full (a record it dropped, a cell it could not place).
        EXPECT_EQ(ReadFile(Log()).find("orrupt"), std::string::npos) << ReadFile(Log());
    }
    EXPECT_EQ(ReadBack(out, efXLS), Expected(ProjectFile(), false, Unchanged, Unchanged));
    EXPECT_EQ(ReadBack(out, efWK1), Expected(ProjectFile(), false, Unchanged, [](const std::string& text) {
                  std::string dos = text;
                  dos.replace(dos.find("€"), std::string("€").size(), "?");
                  return dos;
              }));
}

TEST_F(ExportReaders, XlrdReadsXlsInTheCodePageTheFileNames)
{
    // Debian's python3-xlrd is a module of the system's Python, whatever python3 comes first in PATH.
    if (ReaderMissing("/usr/bin/python3 -c 'import xlrd'", "xlrd (Debian package python3-xlrd)"))
        GTEST_SKIP() << "xlrd is not installed";
    const fs::path script = *Dir / "xlrd_to_csv.py", out = *Dir / "xlrd";
    fs::create_directories(out);
    testsupport::WriteFile(script, R"(import csv, sys, xlrd
book = xlrd.open_workbook(sys.argv[1], logfile=sys.stderr)
sheet = book.sheet_by_index(0)
with open(sys.argv[2], 'w', newline='', encoding='utf-8') as out:
    writer = csv.writer(out)
    for r in range(sheet.nrows):
        cells = [sheet.cell(r, c) for c in range(sheet.ncols)]
        writer.writerow(['%.15g' % c.value if c.ctype == xlrd.XL_CELL_NUMBER else c.value for c in cells])
print('encoding', book.encoding)
)");
    const fs::path csv = out / "data.xls.csv";
    ASSERT_TRUE(Run("/usr/bin/python3 " + ShellQuote(script.string()) + " " + ShellQuote(File(efXLS).string()) + " " +
                    ShellQuote(csv.string())))
        << ReadFile(Log());
    // The code page comes from the file (xlrd takes Latin-1 without it, and the euro sign would differ).
    EXPECT_EQ(ReadFile(Log()), "encoding cp1252\n");
    EXPECT_EQ(ReadBack(out, efXLS), Expected(ProjectFile(), false, Unchanged, Unchanged));
}

TEST_F(ExportReaders, TheLastCellOfEachSheetReadsBack)
{
    // A file filled to its sheet's last row and column: the readers take it whole (past it, xlrd stops
    // with an error and Lotus row numbers wrap around, which is why the writers stop there).
    const fs::path xls = *Dir / "full.xls", wk1 = *Dir / "full.wk1";
    for (const auto& [format, file] : {std::pair{efXLS, xls}, std::pair{efWK1, wk1}}) {
        auto writer = CreateExportWriter(format, file.string(), 256);
        writer->WriteText("first");
        writer->Row = ExportFormatRow(format)->MaxRows - 1;
        writer->Col = ExportFormatRow(format)->MaxColumns - 1;
        writer->WriteNumber(42.5);
        writer->Commit();
        ASSERT_EQ(writer->GetError(), 0);
    }
    if (!ReaderMissing("/usr/bin/python3 -c 'import xlrd'", "xlrd (Debian package python3-xlrd)")) {
        ASSERT_TRUE(Run("/usr/bin/python3 -c \"import sys, xlrd; s = xlrd.open_workbook(sys.argv[1], "
                        "logfile=sys.stderr).sheet_by_index(0); print(s.nrows, s.ncols, s.cell_value(0, 0), "
                        "s.cell_value(16383, 255))\" " +
                        ShellQuote(xls.string())))
            << ReadFile(Log());
        EXPECT_EQ(ReadFile(Log()), "16384 256 first 42.5\n");
    }
    if (!ReaderMissing("command -v ssconvert", "gnumeric's ssconvert (Debian package gnumeric)")) {
        for (const fs::path& file : {xls, wk1}) {
            const fs::path csv = file.string() + ".csv";
            ASSERT_TRUE(Run("ssconvert --export-type=Gnumeric_stf:stf_csv " + ShellQuote(file.string()) + " " +
                            ShellQuote(csv.string())))
                << ReadFile(Log());
            const TGrid grid = ParseCsv(ReadFile(csv));
            ASSERT_EQ(grid.size(), file == xls ? 16384u : 8192u) << file;
            EXPECT_EQ(grid.front(), std::vector<std::string>{"first"});
            ASSERT_EQ(grid.back().size(), 256u);
            EXPECT_EQ(grid.back().back(), "42.5");
        }
    }
}
