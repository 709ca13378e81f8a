// The writers' bytes: BIFF2 and WK1 records against the fixed bytes of the formats, the
// start of an XLS file, and the fast cell texts against the general conversions.
#include "export/BiffFile.h"
#include "export/CellText.h"
#include "export/CodePage437.h"
#include "export/ExportBatch.h"
#include "export/ExportData.h"
#include "export/ExportInterface.h"
#include "export/OutputFile.h"
#include "export/WKFile.h"
#include "export/XlsExport.h"
#include "base/NumberText.h"

#include "ExportTestSupport.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <random>

using namespace dedezuviv::base;
using namespace dedezuviv::exports;

namespace fs = std::filesystem;
using exporttest::ParseRecords;
using testsupport::TempDir;

namespace {

std::string Bytes(std::initializer_list<int> values)
{
    std::string out;
    for (int v : values)
        out += static_cast<char>(v);
    return out;
}

std::string Hex(const std::string& bytes)
{
    std::string out;
    char buffer[4];
    for (unsigned char c : bytes) {
        std::snprintf(buffer, sizeof buffer, "%02X ", c);
        out += buffer;
    }
    return out;
}

#define EXPECT_BYTES(expected, actual) EXPECT_EQ(Hex(expected), Hex(actual))

}  // namespace

TEST(BiffFile, BofAndEofRecords)
{
    TMemorySink sink;
    { TBiffFile biff(sink); }
    // Version 2, document type 0x0010 (a worksheet: readers reject any other type).
    EXPECT_BYTES(Bytes({0x09, 0x00, 0x04, 0x00, 0x02, 0x00, 0x10, 0x00, 0x0A, 0x00, 0x00, 0x00}), sink.Bytes);
}

TEST(BiffFile, TitleLabelAsInThePartsExample)
{
    TMemorySink sink;
    TBiffFile biff(sink);
    sink.Bytes.clear();
    biff.WriteLabel(0, 0, 0x0200, "DEDEZUviv Temperaturdatenlogger");
    // Font 2 and XF 2 (the XF of font 2).
    EXPECT_BYTES(Bytes({0x04, 0x00, 39, 0x00, 0, 0, 0, 0, 0x02, 0x80, 0x00, 31}) + "DEDEZUviv Temperaturdatenlogger",
                 sink.Bytes);
}

TEST(BiffFile, CellRecords)
{
    TMemorySink sink;
    TBiffFile biff(sink);
    sink.Bytes.clear();
    biff.WriteNumber(7, 1, 0, 21.5);
    EXPECT_BYTES(Bytes({0x03, 0x00, 0x0F, 0x00, 0x07, 0x00, 0x01, 0x00, 0, 0, 0, 0, 0, 0, 0, 0, 0x80, 0x35, 0x40}),
                 sink.Bytes);
    sink.Bytes.clear();
    biff.WriteInteger(0x0102, 0x0304, 0x0002, 0xBEEF);
    EXPECT_BYTES(Bytes({0x02, 0x00, 0x09, 0x00, 0x02, 0x01, 0x04, 0x03, 0x40, 0, 0, 0xEF, 0xBE}), sink.Bytes);
    sink.Bytes.clear();
    biff.WriteBlank(1, 2, 0);
    EXPECT_BYTES(Bytes({0x01, 0x00, 0x07, 0x00, 1, 0, 2, 0, 0, 0, 0}), sink.Bytes);
    sink.Bytes.clear();
    biff.WriteBoolean(1, 2, 0, true);
    EXPECT_BYTES(Bytes({0x05, 0x00, 0x09, 0x00, 1, 0, 2, 0, 0, 0, 0, 1, 0}), sink.Bytes);
    // Umlauts as their single Windows-1252 code.
    sink.Bytes.clear();
    biff.WriteLabel(6, 1, 0x0100, "Zähler");
    EXPECT_BYTES(Bytes({0x04, 0x00, 14, 0x00, 6, 0, 1, 0, 1, 0x40, 0, 6, 'Z', 0xE4, 'h', 'l', 'e', 'r'}), sink.Bytes);
    // Texts are cut to 255 characters.
    sink.Bytes.clear();
    biff.WriteLabel(0, 0, 0, std::string(300, 'x'));
    ASSERT_EQ(sink.Bytes.size(), 4u + 8u + 255u);
    EXPECT_BYTES(Bytes({0x04, 0x00, 0x07, 0x01}), sink.Bytes.substr(0, 4));
    EXPECT_EQ(static_cast<uint8_t>(sink.Bytes[11]), 255);
    // WriteCell: a null value is a blank cell; the types map to their records.
    sink.Bytes.clear();
    biff.WriteCell(1, 2, 0, TBiffFile::ctNumber, nullptr);
    EXPECT_BYTES(Bytes({0x01, 0x00, 0x07, 0x00, 1, 0, 2, 0, 0, 0, 0}), sink.Bytes);
    TBiffValue value;
    value.Text = "a";
    sink.Bytes.clear();
    biff.WriteCell(0, 0, 0, TBiffFile::ctLabel, &value);
    EXPECT_BYTES(Bytes({0x04, 0x00, 9, 0x00, 0, 0, 0, 0, 0, 0, 0, 1, 'a'}), sink.Bytes);
}

TEST(BiffFile, CellAttributeBytesFromFlags)
{
    struct Case {
        uint16_t Flags;
        uint8_t A0, A1, A2;
    };
    const Case cases[] = {
        {0x0000, 0x00, 0x00, 0x00}, {0x0001, 0x80, 0x00, 0x00}, {0x0002, 0x40, 0x00, 0x00},
        {0x0003, 0xC0, 0x00, 0x00}, {0x0100, 0x01, 0x40, 0x00}, {0x0200, 0x02, 0x80, 0x00},
        {0x0400, 0x03, 0xC0, 0x00}, {0x0300, 0x01, 0x40, 0x00}, {0x0600, 0x02, 0x80, 0x00},
        {0x0101, 0x81, 0x40, 0x00},
        {0x0180, 0x00, 0x00, 0x00}, {0x0480, 0x00, 0x00, 0x00}, {0x0004, 0x00, 0x00, 0x80},
        {0x0008, 0x00, 0x00, 0x40}, {0x0010, 0x00, 0x00, 0x20}, {0x0020, 0x00, 0x00, 0x10},
        {0x0040, 0x00, 0x00, 0x08}, {0x0800, 0x00, 0x00, 0x01}, {0x1000, 0x00, 0x00, 0x02},
        {0x1800, 0x00, 0x00, 0x01}, {0x2000, 0x00, 0x00, 0x03}, {0x3000, 0x00, 0x00, 0x02},
        {0x4000, 0x00, 0x00, 0x04}, {0x6000, 0x00, 0x00, 0x07}, {0x407C, 0x00, 0x00, 0xFC},
    };
    for (const Case& c : cases) {
        uint8_t a[3];
        TBiffFile::CellAttributes(c.Flags, a);
        EXPECT_EQ(a[0], c.A0) << std::hex << c.Flags;
        EXPECT_EQ(a[1], c.A1) << std::hex << c.Flags;
        EXPECT_EQ(a[2], c.A2) << std::hex << c.Flags;
    }
}

TEST(BiffFile, FontDimensionsAndColumnWidthRecords)
{
    TMemorySink sink;
    TBiffFile biff(sink);
    sink.Bytes.clear();
    biff.AddFont(TBiffFont{"Arial", 12, true, false, false, false});
    EXPECT_BYTES(Bytes({0x31, 0x00, 0x0A, 0x00, 0xF0, 0x00, 0x01, 0x00, 0x05, 'A', 'r', 'i', 'a', 'l'}), sink.Bytes);
    sink.Bytes.clear();
    biff.AddFont(TBiffFont{"Arial", 10, true, true, true, true});
    EXPECT_BYTES(Bytes({0x31, 0x00, 0x0A, 0x00, 0xC8, 0x00, 0x0F, 0x00, 0x05, 'A', 'r', 'i', 'a', 'l'}), sink.Bytes);
    sink.Bytes.clear();
    biff.WriteDimensions(0, 0xFFFE, 0, 3);
    EXPECT_BYTES(Bytes({0x00, 0x00, 0x08, 0x00, 0, 0, 0xFE, 0xFF, 0, 0, 3, 0}), sink.Bytes);
    sink.Bytes.clear();
    biff.SetColWidth(2, 2000);
    EXPECT_BYTES(Bytes({0x24, 0x00, 0x04, 0x00, 2, 2, 0xD0, 0x07}), sink.Bytes);
    sink.Bytes.clear();
    biff.WriteCodePage(1252);
    EXPECT_BYTES(Bytes({0x42, 0x00, 0x02, 0x00, 0xE4, 0x04}), sink.Bytes);
    sink.Bytes.clear();
    biff.AddFormat("General");
    EXPECT_BYTES(Bytes({0x1E, 0x00, 0x08, 0x00, 7, 'G', 'e', 'n', 'e', 'r', 'a', 'l'}), sink.Bytes);
    sink.Bytes.clear();
    biff.AddXF(2);
    EXPECT_BYTES(Bytes({0x43, 0x00, 0x04, 0x00, 2, 0, 0, 0}), sink.Bytes);
}

namespace {

// The records of an XLS file made by TXLSExport with the given columns and nothing written.
std::vector<exporttest::TSheetRecord> EmptyXls(const TempDir& dir, uint16_t columns)
{
    const std::string file = (dir / ("x" + std::to_string(columns) + ".xls")).string();
    {
        TXLSExport writer(file, columns);
        EXPECT_EQ(writer.GetError(), 0);
        writer.Commit();
        EXPECT_EQ(writer.GetError(), 0);
    }
    bool complete = false;
    auto records = ParseRecords(testsupport::ReadFile(file), &complete);
    EXPECT_TRUE(complete);
    return records;
}

}  // namespace

TEST(XLSExport, FileStartsWithCodePageFontsFormatsDimensionsAndColumnWidths)
{
    TempDir dir;
    // One field (2 columns) still declares 4 columns: column limit 3, widths for columns 0 to 3.
    auto records = EmptyXls(dir, 2);
    std::vector<int> types;
    for (const auto& record : records)
        types.push_back(record.Type);
    EXPECT_EQ(types, (std::vector<int>{0x09, 0x42, 0x31, 0x31, 0x31, 0x1E, 0x43, 0x43, 0x43, 0x00, 0x24, 0x24, 0x24,
                                       0x24, 0x0A}));
    ASSERT_EQ(records.size(), 15u);
    EXPECT_EQ(records[1].Word(0), 1252);
    // Fonts: 10 pt regular, 12 pt italic, 12 pt bold, each with the XF of its number.
    const int heights[] = {200, 240, 240}, styles[] = {0, 2, 1};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(records[2 + i].Data.size(), 10u);  // 5 + "Arial"
        EXPECT_EQ(records[2 + i].Word(0), heights[i]);
        EXPECT_EQ(records[2 + i].Word(2), styles[i]);
        EXPECT_BYTES(Bytes({i, 0, 0, 0}), records[6 + i].Data);
    }
    EXPECT_EQ(records[5].Data, std::string("\x07") + "General");
    // Rows up to the BIFF2 sheet's 16384.
    EXPECT_BYTES(Bytes({0, 0, 0x00, 0x40, 0, 0, 3, 0}), records[9].Data);
    for (int c = 0; c < 4; ++c) {
        EXPECT_BYTES(Bytes({c, c}), records[10 + c].Data.substr(0, 2));
        EXPECT_EQ(records[10 + c].Word(2), c == 0 ? 4000 : 2000);
    }
    EXPECT_TRUE(records.back().Data.empty());

    // Ten fields: column limit 10, widths for columns 0 to 10.
    records = EmptyXls(dir, 11);
    ASSERT_EQ(records.size(), 10u + 11u + 1u);
    EXPECT_EQ(records[9].Word(6), 10);
    EXPECT_EQ(records[20].Type, 0x0024);
    EXPECT_EQ(static_cast<uint8_t>(records[20].Data[0]), 10);
    // More columns than the sheet has: widths only for its 256 (the record's column has 8 bits).
    records = EmptyXls(dir, 300);
    ASSERT_EQ(records.size(), 10u + 256u + 1u);
    EXPECT_EQ(static_cast<uint8_t>(records[265].Data[0]), 255);
}

TEST(XLSExport, CellsFollowRowAndColumnAndSkippedCellsWriteNothing)
{
    TempDir dir;
    const std::string file = (dir / "cells.xls").string();
    {
        TXLSExport writer(file, 3);
        writer.WriteTitle("T");
        writer.NewLine();
        writer.WriteHeader("Zeit");
        writer.NewLine();
        writer.WriteNumber(1.5);
        writer.SkipCell();
        writer.WriteText("x");
        writer.NewLine();
        EXPECT_EQ(writer.Row, 3);
        writer.Commit();
    }
    const auto records = ParseRecords(testsupport::ReadFile(file));
    std::vector<std::string> cells;
    for (const auto& r : records)
        if (r.Type >= 0x0001 && r.Type <= 0x0005)
            cells.push_back(std::to_string(r.Type) + "@" + std::to_string(r.Word(0)) + "," + std::to_string(r.Word(2)) +
                            " font " + std::to_string(static_cast<uint8_t>(r.Data[5]) >> 6) + " xf " +
                            std::to_string(static_cast<uint8_t>(r.Data[4]) & 0x3F));
    EXPECT_EQ(cells, (std::vector<std::string>{"4@0,0 font 2 xf 2", "4@1,0 font 1 xf 1", "3@2,0 font 0 xf 0",
                                               "4@2,2 font 0 xf 0"}));
}

TEST(SheetWriters, CellsOutsideTheSheetAreNotWrittenAndSetErrorMinusOne)
{
    struct Case {
        TExportFormat Format;
        int32_t Rows, Columns;  // the sheet of the format
    };
    TempDir dir;
    for (const Case& c : {Case{efXLS, 16384, 256}, Case{efWK1, 8192, 256}}) {
        const std::string name = ExportFormatExtension(c.Format);
        auto writer = CreateExportWriter(c.Format, (dir / ("big." + name)).string(), 2);
        writer->Row = c.Rows - 1;
        writer->Col = c.Columns - 1;
        writer->WriteNumber(1);  // the last cell of the sheet
        EXPECT_EQ(writer->GetError(), 0) << name;
        writer->NewLine();
        EXPECT_EQ(writer->GetError(), 0) << name;  // no cell in the row past the sheet yet
        writer->WriteText("x");
        EXPECT_EQ(writer->GetError(), -1) << name;
        EXPECT_EQ(writer->Col, 0) << name;
        writer->Commit();
        EXPECT_FALSE(fs::exists(dir / ("big." + name))) << name;

        auto wide = CreateExportWriter(c.Format, (dir / ("wide." + name)).string(), 2);
        wide->Col = c.Columns;
        wide->WriteNumber(1);
        EXPECT_EQ(wide->GetError(), -1) << name;
    }
}

TEST(WKFile, RecordsAsInThePartsExamples)
{
    TMemorySink sink;
    {
        TWKFile wk(sink);
        EXPECT_BYTES(Bytes({0x00, 0x00, 0x02, 0x00, 0x06, 0x04}), sink.Bytes);
        sink.Bytes.clear();
        wk.WriteLabel(6, 0, 0xFF, "Zeit");
        EXPECT_BYTES(Bytes({0x0F, 0x00, 0x0B, 0x00, 0xFF, 0x00, 0x00, 0x06, 0x00, 0x27, 0x5A, 0x65, 0x69, 0x74, 0x00}),
                     sink.Bytes);
        sink.Bytes.clear();
        wk.WriteNumber(7, 1, 0xFF, 21.5);
        EXPECT_BYTES(Bytes({0x0E, 0x00, 0x0D, 0x00, 0x82, 0x01, 0x00, 0x07, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x80,
                            0x35, 0x40}),
                     sink.Bytes);
        sink.Bytes.clear();
        wk.WriteInteger(0x0102, 0x0304, 0x00, -2);
        EXPECT_BYTES(Bytes({0x0D, 0x00, 0x07, 0x00, 0xFF, 0x04, 0x03, 0x02, 0x01, 0xFE, 0xFF}), sink.Bytes);
        sink.Bytes.clear();
        wk.WriteBlank(2, 3, 0xFF);
        EXPECT_BYTES(Bytes({0x0C, 0x00, 0x05, 0x00, 0xFF, 3, 0, 2, 0}), sink.Bytes);
        sink.Bytes.clear();
        wk.WriteCell(2, 3, 0xFF, TWKFile::ctNumber, nullptr);
        EXPECT_BYTES(Bytes({0x0C, 0x00, 0x05, 0x00, 0xFF, 3, 0, 2, 0}), sink.Bytes);
        sink.Bytes.clear();
        TWKValue value;
        wk.WriteCell(2, 3, 0xFF, 4, &value);  // an unknown type writes nothing
        EXPECT_TRUE(sink.Bytes.empty());
        // 240 characters: length field 247; 300 are cut to 240; umlauts in code page 437.
        wk.WriteLabel(0, 0, 0xFF, std::string(240, 'a'));
        exporttest::TSheetRecord length;
        length.Data = sink.Bytes.substr(2, 2);
        EXPECT_EQ(length.Word(0), 247);
        sink.Bytes.clear();
        wk.WriteLabel(0, 0, 0xFF, std::string(300, 'a'));
        EXPECT_EQ(sink.Bytes.size(), 4u + 247u);
        sink.Bytes.clear();
        wk.WriteLabel(0, 0, 0xFF, "ä");
        EXPECT_BYTES(Bytes({0x0F, 0x00, 0x08, 0x00, 0xFF, 0, 0, 0, 0, 0x27, 0x84, 0x00}), sink.Bytes);
        sink.Bytes.clear();
    }
    EXPECT_BYTES(Bytes({0x01, 0x00, 0x00, 0x00}), sink.Bytes);
}

TEST(CodePage437, GermanLettersAtTheirDosPlacesAndQuestionMarksForTheRest)
{
    EXPECT_BYTES(Bytes({0x84, 0x94, 0x81, 0x8E, 0x99, 0x9A, 0xE1}), Cp437Text("äöüÄÖÜß", 100));
    EXPECT_BYTES(Bytes({0xF8, 'C', ' ', 0xEA, 0xE6}), Cp437Text("°C Ωµ", 100));
    // No place in code page 437: the euro sign, a CJK character, a character outside the BMP.
    EXPECT_EQ(Cp437Text("€ 日 \U0001F600", 100), "? ? ?");
    // A byte that is no UTF-8 is taken as Windows-1252 ("\xE4" = "ä").
    EXPECT_BYTES(Bytes({'Z', 0x84, 'h'}), Cp437Text("Z\xE4h", 100));
    // The limit counts characters.
    EXPECT_BYTES(Bytes({0x84, 0x84}), Cp437Text("ääää", 2));
}

namespace {

// The bytes of a CSV or DAT file with one text row (Texts) and one row of a number and a date-time.
std::string TextFile(TExportFormat format, const std::vector<std::string>& texts)
{
    TempDir dir;
    const std::string file = (dir / "t").string();
    auto writer = CreateExportWriter(format, file, 2);
    for (const std::string& text : texts)
        writer->WriteText(text);
    writer->NewLine();
    writer->WriteNumber(2.5);
    writer->WriteDateTime(EncodeDateTime(2024, 1, 5, 14, 30, 0));
    writer->NewLine();
    writer->Commit();
    EXPECT_EQ(writer->GetError(), 0);
    return testsupport::ReadFile(file);
}

}  // namespace

TEST(CsvExport, TextsFollowRfc4180InCsvAndDat)
{
    exporttest::GermanSettingsAndClock settings;
    struct Case {
        std::string Text, Csv, Dat;
    };
    const Case cases[] = {
        {"plain", "\"plain\"", "plain"},
        {"a;b", "\"a;b\"", "a;b"},
        {"a,b", "\"a,b\"", "\"a,b\""},
        {"Demo \"A\";B", "\"Demo \"\"A\"\";B\"", "\"Demo \"\"A\"\";B\""},
        {"\"", "\"\"\"\"", "\"\"\"\""},
        {"one\r\ntwo", "\"one\r\ntwo\"", "\"one\r\ntwo\""},
        {"line\n", "\"line\n\"", "\"line\n\""},
        {"", "\"\"", ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(TextFile(efCSV, {c.Text, "x"}), c.Csv + ";\"x\"\r\n\"2,5\";\"05.01.2024 14:30:00\"\r\n") << c.Text;
        EXPECT_EQ(TextFile(efDAT, {c.Text, "x"}), c.Dat + ",x\r\n2.5,05.01.2024 14:30:00\r\n") << c.Text;
    }
    // Long texts (past the writer's in-buffer path) by the same rule.
    const std::string longText(300, 'q');
    EXPECT_EQ(TextFile(efDAT, {longText + ",\"", "x"}), "\"" + longText + ",\"\"\",x\r\n2.5,05.01.2024 14:30:00\r\n");
}

TEST(CellText, NumbersAsFloatToText)
{
    std::mt19937_64 random(42);
    char buffer[64];
    auto check = [&](double value, char separator) {
        const size_t n = NumberText(value, separator, buffer);
        ASSERT_EQ(std::string(buffer, n), FloatToText(value, separator)) << value;
    };
    for (double v : {0.0, -0.0, 21.5, -5.25, 55.0, 0.75, 12.3, -12.3, 0.01, -0.01, 0.1, 1e-5, 1.5e20, 123456789.12,
                     999999999.99, 1e9, 1e15, 12345678901234.5, 255.0, -2147483648.0, 4294967295.0, 1.0 / 3.0,
                     0.3 - 0.2, 100.25, 1e-300, -70.0})
        for (char separator : {',', '.'})
            check(v, separator);
    for (int i = 0; i < 50000; ++i) {
        const int64_t cents = static_cast<int64_t>(random() % 2000000000ull) - 1000000000;
        check(static_cast<double>(cents) / 100.0, ',');
        check(static_cast<double>(cents) / 10.0, '.');
        double any;
        uint64_t bits = random();
        std::memcpy(&any, &bits, 8);
        if (std::isfinite(any))
            check(any, ',');
        check(std::ldexp(static_cast<double>(random() % 1000000), static_cast<int>(random() % 80) - 60), ',');
    }
}

TEST(CellText, DateTimesAsDateTimeToStr)
{
    std::mt19937_64 random(7);
    for (const char* date : {"dd.mm.yyyy", "d.m.yy", "yyyy-mm-dd", "mm/dd/yyyy", "dd.mm.yyyy 'Tag' d", "yyyyy/m"})
        for (const char* time : {"hh:nn:ss", "h:n:s", "hh:nn:ss.zzz", "hh\"h\"nn", "hh:nn:ss dd", "s' s 'nn:hh"}) {
            TFormatSettings settings;
            settings.ShortDateFormat = date;
            settings.LongTimeFormat = time;
            TDateTimeText text(settings);
            for (int i = 0; i < 3000; ++i) {
                TDateTime value = EncodeDate(2000, 1, 1) + static_cast<double>(random() % 20000000) / 1000.0;
                if (i % 5 == 0)
                    value = std::floor(value);  // midnight: date only
                if (i % 7 == 0)
                    value = EncodeDateTime(2026, 12, 31, 23, 59, 59, static_cast<int>(random() % 1000));
                ASSERT_EQ(text.Format(value), DateTimeToStr(value, settings)) << date << " " << time << " " << value;
            }
            ASSERT_EQ(text.Format(-1.5), DateTimeToStr(-1.5, settings));
            // Seconds one after another, over minutes, hours and a midnight, and back in time.
            const TDateTime evening = EncodeDateTime(2025, 3, 30, 23, 58, 0);
            for (int step : {7, 10, -13})
                for (int i = 0; i < 60; ++i) {
                    const TDateTime value = evening + (step < 0 ? 200 + i * step : i * step) / 86400.0;
                    ASSERT_EQ(text.Format(value), DateTimeToStr(value, settings)) << date << " " << time << " " << value;
                }
        }
}

TEST(BufferedFile, KeepsTheFirstWriteErrorAndReportsItAtClose)
{
    TempDir dir;
    TBufferedFile file;
    ASSERT_EQ(file.Create((dir / "f.bin").string()), 0);
    const std::string block(3 << 20, 'x');  // larger than the buffer: written directly
    file.Write(block);
    file.Write("abc");
    EXPECT_EQ(file.Close(), 0);
    EXPECT_EQ(testsupport::ReadFile(dir / "f.bin").size(), block.size() + 3);

    TBufferedFile full;
    if (full.Create("/dev/full") != 0)
        GTEST_SKIP() << "no /dev/full";
    full.Write("abc");
    EXPECT_EQ(full.Error(), 0);  // still in the buffer
    EXPECT_EQ(full.Close(), ENOSPC);

    TBufferedFile missing;
    EXPECT_EQ(missing.Create((dir / "no" / "such" / "file").string()), ENOENT);
}

TEST(ExportIncrement, AutomaticByValuesAndBySheetRows)
{
    const TDateTime start = EncodeDate(2026, 1, 1);
    struct Case {
        int64_t Given;
        double Days;
        size_t Fields;
        TExportFormat Format;
        int64_t Expected;
    };
    const Case cases[] = {
        // A given increment stays, even where it gives more rows than the sheet holds.
        {90, 10, 3, efCSV, 90},
        {10, 31, 3, efXLS, 10},
        // By values: 10 days with 3 fields: 864000 / 10000000 s, rounded to 0 (every record).
        {0, 10, 3, efCSV, 0},
        // A year with one field: 31536000 / 30000000 = 1.05 -> 1; with 8 fields: 8.41 -> 8.
        {0, 365, 1, efCSV, 1},
        {0, 365, 8, efDAT, 8},
        // Half to even, as the original's Round: 2.5 -> 2, 3.5 -> 4.
        {0, 75000000.0 / 86400.0, 1, efCSV, 2},
        {0, 105000000.0 / 86400.0, 1, efCSV, 4},
        // An end before the start gives 0.
        {0, -400, 1, efXLS, 0},
        // By rows: a month in XLS: 2678400 s over the 16377 rows below the header, 163.5 -> 164; in
        // WK1 over 8185 rows, 327.2 -> 328.
        {0, 31, 3, efXLS, 164},
        {0, 31, 3, efWK1, 328},
        // A row for every second fits: every record.
        {0, 16376.0 / 86400.0, 3, efXLS, 0},
        {0, 8184.0 / 86400.0, 3, efWK1, 0},
        // One second more: every second second.
        {0, 16377.0 / 86400.0, 3, efXLS, 2},
        // Whichever rule asks for more: a year with 100 fields by values 105 s, by XLS rows 1926 s.
        {0, 365, 100, efCSV, 105},
        {0, 365, 100, efXLS, 1926},
    };
    for (const Case& c : cases) {
        const int64_t step = ExportIncrement(c.Given, start, start + c.Days, c.Fields, c.Format);
        EXPECT_EQ(step, c.Expected) << c.Days << " days, " << ExportFormatExtension(c.Format);
        // Rows at least a step apart are at most span / step + 1: within the sheet.
        const TExportFormatRow& row = *ExportFormatRow(c.Format);
        if (c.Given == 0 && row.MaxRows > 0 && step > 0) {
            EXPECT_LE(ExportSpanMs(start, start + c.Days) / (1000 * step) + 1, row.MaxRows - 7);
        }
    }
}

TEST(ExportIncrement, BatchKeepsTheLongestPeriodWithinTheSheet)
{
    TExportType month{"Monatsverlauf", "Month", 0, 1, 0, 0, 0, 10};
    TExportType day{"Tagesverlauf", "Day", 0, 0, 1, 0, 0, 10};
    // February and March 2024: the files span 29 and 31 days; the longer one decides (164 s, as above).
    const TDateTime feb = EncodeDate(2024, 2, 1), apr = EncodeDate(2024, 4, 1);
    EXPECT_EQ(BatchIncrement(0, feb, apr, 3, efXLS, month), 164);
    EXPECT_EQ(BatchIncrement(0, feb, EncodeDate(2024, 3, 1), 3, efXLS, month), 153);  // 29 days only
    // A range shorter than its period still gets a whole period's file: all of February.
    EXPECT_EQ(BatchIncrement(0, feb, feb + 2, 3, efXLS, month), 153);
    // A year by the day: values ask for 1 s, a day of XLS rows for 86400 / 16377 -> 6 s.
    EXPECT_EQ(BatchIncrement(0, feb, feb + 365, 1, efXLS, day), 6);
    EXPECT_EQ(BatchIncrement(0, feb, feb + 365, 1, efCSV, day), 1);
    EXPECT_EQ(BatchIncrement(30, feb, feb + 365, 1, efXLS, day), 30);
    // A type that does not advance gives no period: the rule by values alone.
    TExportType still{"Still", "ID0", 0, 0, 0, 0, 0, 10};
    EXPECT_EQ(BatchIncrement(0, feb, feb + 365, 1, efXLS, still), 1);
}

TEST(ExportMessagesTexts, AreTheProgramsTexts)
{
    EXPECT_EQ(FormatMessage(ExportMessages::FileDone, "a.csv", 12),
              "Export in Datei a.csv erfolgreich abgeschlossen  (12 Datensätze).");
    EXPECT_EQ(FormatMessage(ExportMessages::NoData, "/x/data"),
              "Es konnten keine Daten exportiert werden. Entweder sind keine Daten vorhanden im angegebenen Zeitraum "
              "(im Verzeichnis /x/data) oder es traten Schreibfehler auf!");
    EXPECT_EQ(FormatMessage(ExportMessages::BatchDone, 3), "Export der Daten erfolgreich abgeschlossen (3 Datensätze).");
    EXPECT_STREQ(ExportMessages::Failed, "Fehler bei Export aufgetreten!");
}
