// dedezuviv-tool def and project --import-def, run as programs: the names a device definition gives,
// and the definition applied to a project file without the window.
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <string>

using testsupport::ReadFile;
using testsupport::TempDir;
using testsupport::WriteFile;

namespace {

const auto Quote = testsupport::ShellQuote;

const std::string DefinitionBytes = "[Version Export]\r\nMESSEINGAENGE=3\r\nRELAISAUSGAENGE=4\r\n"
                                    "EA_Kessel=1\r\nEA_K\xFC"
                                    "che=3\r\nAR_RKREIS1=1\r\nAR_Pumpe=4\r\nAR_Weit=9\r\n";

}  // namespace

TEST(DefTool, PrintsTheNamesAnImportGives)
{
    TempDir dir;
    WriteFile(dir / "13.def", DefinitionBytes);
    const auto run = testsupport::RunTool(dir, "def " + Quote((dir / "13.def").string()));
    EXPECT_EQ(run.ExitCode, 0) << run.Err;
    EXPECT_EQ(run.Out, "{\"FieldNames\": {\"Temperature\": [\"Kessel\", \"E2\", \"Küche\"], "
                       "\"Output\": [\"RKREIS1_WAERMER\", \"RKREIS1_KAELTER\", \"RKREIS1\", \"Pumpe\", \"\"]}, "
                       "\"SkippedKeys\": [\"AR_Weit\"], \"DroppedCharacters\": false}\n");

    const auto missing = testsupport::RunTool(dir, "def " + Quote((dir / "fehlt.def").string()));
    EXPECT_EQ(missing.ExitCode, 1);
    EXPECT_EQ(missing.Out, "");
    EXPECT_EQ(missing.Err, "Keine Feldlisten (Datensatzdefinition) gefunden oder angegebene Datei ist nicht gefunden!\n");

    EXPECT_EQ(testsupport::RunTool(dir, "def").ExitCode, 2);
    EXPECT_EQ(testsupport::RunTool(dir, "def a.def b.def").ExitCode, 2);
}

TEST(DefTool, ProjectImportsTheDefinitionAndSavesIt)
{
    TempDir dir;
    WriteFile(dir / "13.def", DefinitionBytes);
    WriteFile(dir / "haus.p-p", "[General]\r\nName=Haus\r\n[Field Definitions]\r\nTemperature=Alt\r\nCounter=Starts\r\n"
                                "[Data Table]\r\nCount=1\r\nCell0_Col=0\r\nCell0_Row=0\r\nCell0_Fieldname=Alt (Temperature)\r\n");
    const std::string out = (dir / "neu.p-p").string();
    const auto run = testsupport::RunTool(dir, "project " + Quote((dir / "haus.p-p").string()) + " --import-def " +
                                                   Quote((dir / "13.def").string()) + " --save " + Quote(out));
    EXPECT_EQ(run.ExitCode, 0) << run.Err;
    EXPECT_NE(run.Out.find("\"Temperature\": [\"Kessel\", \"E2\", \"Küche\"], \"Counter\": [\"Starts\"]"),
              std::string::npos)
        << run.Out;
    EXPECT_NE(run.Err.find("AR_Weit"), std::string::npos);

    const std::string saved = ReadFile(out);
    EXPECT_NE(saved.find("Temperature=Kessel,E2,K\xFC" "che\r\n"), std::string::npos) << saved;
    EXPECT_NE(saved.find("Output=RKREIS1_WAERMER,RKREIS1_KAELTER,RKREIS1,Pumpe,\r\n"), std::string::npos);
    EXPECT_NE(saved.find("Cell0_Fieldname=Alt (Temperature)"), std::string::npos) << "the table stays";

    // A definition without keys changes nothing and writes nothing.
    WriteFile(dir / "leer.def", "[Version Export]\r\n");
    const auto empty = testsupport::RunTool(dir, "project " + Quote((dir / "haus.p-p").string()) + " --import-def " +
                                                     Quote((dir / "leer.def").string()) + " --save " +
                                                     Quote((dir / "leer.p-p").string()));
    EXPECT_EQ(empty.ExitCode, 1);
    EXPECT_FALSE(std::filesystem::exists(dir / "leer.p-p"));
}
