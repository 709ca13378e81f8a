// The format table: each row's extension, batch index and name lead back to its format, the batch
// list keeps its texts and order, and each format's writer is made as its row says.
#include "export/CsvExport.h"
#include "export/ExportFormats.h"
#include "export/Wk1Export.h"
#include "export/XlsExport.h"

#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <typeindex>

using namespace dedezuviv::exports;

using testsupport::TempDir;

namespace {

std::string Upper(std::string text)
{
    for (char& c : text)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 32);
    return text;
}

}  // namespace

TEST(ExportFormats, EveryRowRoundTripsThroughExtensionIndexAndName)
{
    ASSERT_FALSE(ExportFormatRows().empty());
    for (const TExportFormatRow& row : ExportFormatRows()) {
        SCOPED_TRACE(row.Extension);
        EXPECT_EQ(ExportFormatRow(row.Format), &row);  // one row per format
        EXPECT_EQ(ExportFormatFromFileName(std::string("a/Daten.") + row.Extension), row.Format);
        EXPECT_EQ(ExportFormatFromFileName("Daten." + Upper(row.Extension)), row.Format);
        EXPECT_STREQ(ExportFormatExtension(row.Format), row.Extension);
        EXPECT_EQ(BatchFormat(BatchFormatIndex(row.Format)), row.Format);
        TExportFormat named = static_cast<TExportFormat>(0xFF);
        EXPECT_TRUE(ExportFormatFromName(Upper(row.Extension), named));
        EXPECT_EQ(named, row.Format);
    }
}

TEST(ExportFormats, FollowTheExtensionInAnyLetterCase)
{
    EXPECT_EQ(ExportFormatFromFileName("Daten.XLS"), efXLS);
    EXPECT_EQ(ExportFormatFromFileName("a/b/Daten.csv"), efCSV);
    EXPECT_EQ(ExportFormatFromFileName("Daten.Dat"), efDAT);
    EXPECT_EQ(ExportFormatFromFileName("Daten.wk1"), efWK1);
    EXPECT_EQ(ExportFormatFromFileName("Daten.txt"), std::nullopt);
    EXPECT_EQ(ExportFormatFromFileName("Daten"), std::nullopt);
    EXPECT_EQ(ExportFormatFromFileName("Daten."), std::nullopt);
    EXPECT_EQ(ExportFormatFromFileName("x.csv/Daten"), std::nullopt);
    EXPECT_EQ(ExportFormatFromFileName("Daten.csv.bak"), std::nullopt);
    TExportFormat format = efCSV;
    EXPECT_FALSE(ExportFormatFromName("txt", format));
    EXPECT_FALSE(ExportFormatFromName("", format));
}

TEST(ExportFormats, BatchListIndexAndTexts)
{
    EXPECT_EQ(BatchFormat(0), efCSV);
    EXPECT_EQ(BatchFormat(1), efXLS);
    EXPECT_EQ(BatchFormat(2), efDAT);
    EXPECT_EQ(BatchFormat(3), efWK1);
    EXPECT_EQ(BatchFormat(-1), efCSV);
    EXPECT_EQ(BatchFormat(7), efCSV);
    // One blank before "(xls)" here, two in the export dialog's file filter.
    const std::vector<std::string> captions = BatchFormatCaptions();
    EXPECT_EQ(captions, (std::vector<std::string>{"Comma Separated Value Format (csv)", "Excel Binary Format (xls)",
                                                  "Text Data File (dat)"}));
    // The list position of an entry is the index that selects its format.
    for (size_t i = 0; i < captions.size(); ++i)
        EXPECT_STREQ(ExportFormatRow(BatchFormat(static_cast<int>(i)))->BatchCaption, captions[i].c_str());
}

TEST(ExportFormats, EachWriterIsMadeAsItsRowSays)
{
    TempDir dir;
    const std::map<TExportFormat, std::type_index> writerOf = {{efCSV, typeid(TCSVExport)},
                                                               {efDAT, typeid(TCSVExport)},
                                                               {efXLS, typeid(TXLSExport)},
                                                               {efWK1, typeid(TWKExport)}};
    ASSERT_EQ(writerOf.size(), ExportFormatRows().size());
    for (const TExportFormatRow& row : ExportFormatRows()) {
        SCOPED_TRACE(row.Extension);
        const std::unique_ptr<TExportInterface> writer =
            CreateExportWriter(row.Format, (dir / (std::string("w.") + row.Extension)).string(), 3);
        ASSERT_NE(writer, nullptr);
        EXPECT_EQ(std::type_index(typeid(*writer)), writerOf.at(row.Format));
        EXPECT_EQ(writer->Separator, row.Separator);
        EXPECT_EQ(writer->DecimalSeparator, row.DecimalSeparator);
        EXPECT_EQ(writer->QuoteChar, row.QuoteChar);
        EXPECT_EQ(writer->NoHeader, row.NoHeader);
        EXPECT_EQ(writer->GetError(), 0);
    }
    // A value that is no format makes no writer and no file.
    EXPECT_EQ(CreateExportWriter(static_cast<TExportFormat>(7), (dir / "w.xyz").string(), 3), nullptr);
    EXPECT_FALSE(std::filesystem::exists(dir / "w.xyz"));
}
