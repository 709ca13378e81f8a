// dedezuviv-tool project, run as a program: the JSON output, --save through the normal save path,
// and the German message for a missing file.
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

using testsupport::ReadFile;
using testsupport::TempDir;
using testsupport::WriteFile;

namespace {

using TRun = testsupport::ToolRun;
const auto Quote = testsupport::ShellQuote;

TRun RunProjectTool(const TempDir& dir, const std::string& arguments)
{
    return testsupport::RunTool(dir, "project " + arguments);
}

// Windows-1252 bytes, as the program on Windows wrote them.
const std::string ProjectBytes =
    "[Info]\r\nVersion=1250\r\nDate=01.01.2024\r\n"
    "[General]\r\nPort=COM1\r\nBaudrate=19200\r\nName=K\xFC" "che\r\nComment=a \"b\" \\ c\r\n"
    "SamplingInterval=30\r\nRoot=/srv/x\r\nRecordingToFile=1\r\nShowTableGrid=0\r\n"
    "[Field Definitions]\r\nTemperature=Au\xDF" "en,/Warm Wasser/,,\r\nOutput=Brenner\r\n"
    "[Export Setup]\r\nCount=2\r\nName0=Alle\r\nFieldList0=/Au\xDF" "en (Temperature)/,/Brenner (Output)/\r\n"
    "Name1=Leer\r\n"
    "[PlotEditDlg]\r\nMarkersCB=1\r\n"
    "[Data Table]\r\nCount=1\r\nCell0_Col=2\r\nCell0_Row=7\r\nCell0_Fieldname=Brenner (Output)\r\n"
    "Cell0_MaxVal=1.5\r\n";

}  // namespace

TEST(ProjectTool, PrintsTheLoadedProjectAsJson)
{
    TempDir dir;
    WriteFile(dir / "haus.p-p", ProjectBytes);
    const TRun run = RunProjectTool(dir, Quote((dir / "haus.p-p").string()));
    EXPECT_EQ(run.ExitCode, 0) << run.Err;
    EXPECT_EQ(run.Err, "");
    EXPECT_EQ(run.Out,
              "{\"Name\": \"Küche\", \"Comment\": \"a \\\"b\\\" \\\\ c\", \"Port\": \"COM1\", \"Baudrate\": 19200, "
              "\"SamplingInterval\": 30, \"Root\": \"/srv/x\", \"RecordingToFile\": true, \"ShowTableGrid\": false, "
              "\"FieldNames\": {\"Temperature\": [\"Außen\", \"Warm Wasser\", \"\", \"\"], \"Counter\": [], "
              "\"Value\": [], \"Time\": [], \"Input\": [], \"State\": [], \"Output\": [\"Brenner\"], \"Intern\": []}, "
              "\"FieldSelections\": [{\"Name\": \"Alle\", \"Fields\": [\"Außen (Temperatur)\", \"Brenner (Relais)\"]}, "
              "{\"Name\": \"Leer\", \"Fields\": []}], "
              "\"Cells\": [{\"Col\": 2, \"Row\": 7, \"Fieldname\": \"Brenner (Relais)\", \"CaptionStr\": \"\", "
              "\"UnitStr\": \"\", \"UseFieldnameAsCaption\": true, \"UseDefaultUnit\": true, \"FontColor\": 0, "
              "\"BoldFont\": false, \"ItalicFont\": false, \"ActivateMin\": false, \"ActivateMax\": false, "
              "\"MinFontColor\": 16711680, \"MaxFontColor\": 255, \"MinVal\": 0, \"MaxVal\": 1.5}]}\n");
}

TEST(ProjectTool, SaveWritesProjectDialogsAndTable)
{
    TempDir dir;
    WriteFile(dir / "haus.p-p", ProjectBytes);
    const TRun run =
        RunProjectTool(dir, Quote((dir / "haus.p-p").string()) + " --save " + Quote((dir / "neu.p-p").string()));
    ASSERT_EQ(run.ExitCode, 0) << run.Err;
    const std::string saved = ReadFile(dir / "neu.p-p");
    for (const char* expected :
         {"[General]\r\nPort=COM1\r\nBaudrate=19200\r\nName=K\xFC" "che\r\n",
          "Temperature=Au\xDF" "en,/Warm Wasser/,,\r\n", "FieldList0=/Au\xDF" "en (Temperature)/,/Brenner (Output)/\r\n",
          "Name1=Leer\r\nFieldList1=\r\n", "TimeIncrementMaskEdit=00:00:00\r\nLook3DCB=0\r\nMarkersCB=1\r\n",
          // Every dialog section with every key, as the window writes them.
          "[ExportBatchDlg]\r\nStartDatePicker=", "FormatSelComboBox=1\r\nExportInCustomPathCB=0\r\n",
          "[ExportSelectionDlg]\r\nSrcList=-1\r\nDstList=-1\r\nFieldListSelComboBox=-1\r\n",
          "[ExportDlg]\r\nStartDatePicker=",
          "Cell0_Col=2\r\nCell0_Row=7\r\nCell0_Fieldname=Brenner (Output)\r\n", "Cell0_MaxVal=1,5\r\n"})
        EXPECT_NE(saved.find(expected), std::string::npos) << expected;

    // The saved file prints the same project.
    const TRun first = RunProjectTool(dir, Quote((dir / "haus.p-p").string()));
    const TRun again = RunProjectTool(dir, Quote((dir / "neu.p-p").string()));
    EXPECT_EQ(again.Out, first.Out);
}

TEST(ProjectTool, MissingFileAndWrongUse)
{
    TempDir dir;
    const std::string missing = (dir / "fehlt.p-p").string();
    TRun run = RunProjectTool(dir, Quote(missing));
    EXPECT_EQ(run.ExitCode, 1);
    EXPECT_EQ(run.Out, "");
    EXPECT_EQ(run.Err, "Projekt mit Dateinamen \"" + missing + "\" nicht gefunden! \n");

    EXPECT_EQ(RunProjectTool(dir, "").ExitCode, 2);
    EXPECT_EQ(RunProjectTool(dir, "a b").ExitCode, 2);
    EXPECT_EQ(RunProjectTool(dir, "a --save").ExitCode, 2);

    WriteFile(dir / "alt.p-p", "[Info]\r\nVersion=100\r\n");
    run = RunProjectTool(dir, Quote((dir / "alt.p-p").string()) + " --save " + Quote((dir / "x" / "y.p-p").string()));
    EXPECT_EQ(run.ExitCode, 1);
    EXPECT_NE(run.Err.find("Vorgänderversion"), std::string::npos);
    EXPECT_NE(run.Err.find("Die Einstellungenen konnten nicht gespeichert werden."), std::string::npos);
}
