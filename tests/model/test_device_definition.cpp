// Device definition files and the comma text of the dataset definition: the lists an import makes
// (numbering, names by position, control circuits), the keys it skips, and how edited lines become
// the project's name lists.
#include "base/Log.h"
#include "model/DefinitionText.h"
#include "model/DeviceDefinition.h"
#include "model/Project.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace dedezuviv::base;
using namespace dedezuviv::model;

using testsupport::TempDir;
using testsupport::WriteFile;

namespace {

TDeviceDefinition ReadLines(const TempDir& dir, const std::string& lines)
{
    const auto file = dir / "device.def";
    WriteFile(file, "[Version Export]\r\n" + lines);
    return ReadDeviceDefinition(file.string());
}

TNameList Names(std::string_view text)
{
    int dropped = 0;
    return CommaTextToNames(text, dropped);
}

}  // namespace

TEST(DeviceDefinition, NamesInputsAndRelaysByPosition)
{
    TempDir dir;
    const TDeviceDefinition d =
        ReadLines(dir, "MESSEINGAENGE=3\r\nRELAISAUSGAENGE=4\r\nEA_Kessel=1\r\nEA_Aussen=3\r\nAR_Pumpe=2\r\n");
    EXPECT_TRUE(d.HasKeys);
    EXPECT_EQ(NamesToCommaText(d.Temperatures), "Kessel,E2,Aussen");
    EXPECT_EQ(NamesToCommaText(d.Outputs), "R1,Pumpe,R3,R4,,");
    EXPECT_TRUE(d.SkippedKeys.empty());
}

TEST(DeviceDefinition, ControlCircuits)
{
    TempDir dir;
    // Entry 2 still holds R2: the circuit takes relays 1 to 3, its own name on the third.
    EXPECT_EQ(ReadLines(dir, "RELAISAUSGAENGE=4\r\nAR_RKREIS1=1\r\nAR_Pumpe=4\r\n").Outputs,
              (TNameList{"RKREIS1_WAERMER", "RKREIS1_KAELTER", "RKREIS1", "Pumpe", "", ""}));
    // Entry 3 is named already: nothing is expanded.
    EXPECT_EQ(ReadLines(dir, "RELAISAUSGAENGE=3\r\nAR_RKREIS2=2\r\nAR_Pumpe=3\r\n").Outputs,
              (TNameList{"R1", "RKREIS2", "Pumpe", "", ""}));
    // A circuit on the second-to-last relay reaches into the first extra entry.
    EXPECT_EQ(ReadLines(dir, "RELAISAUSGAENGE=3\r\nAR_RKREIS1=2\r\n").Outputs,
              (TNameList{"R1", "RKREIS1_WAERMER", "RKREIS1_KAELTER", "RKREIS1", ""}));
    // On the last relay there is no next relay to drive.
    EXPECT_EQ(ReadLines(dir, "RELAISAUSGAENGE=2\r\nAR_RKREIS1=2\r\n").Outputs, (TNameList{"R1", "RKREIS1", "", ""}));
    // One circuit expands once, even when the relays after it are unnamed.
    EXPECT_EQ(ReadLines(dir, "RELAISAUSGAENGE=6\r\nAR_RKREIS1=1\r\n").Outputs,
              (TNameList{"RKREIS1_WAERMER", "RKREIS1_KAELTER", "RKREIS1", "R4", "R5", "R6", "", ""}));
    // Two circuits side by side.
    EXPECT_EQ(ReadLines(dir, "RELAISAUSGAENGE=6\r\nAR_RKREIS1=1\r\nAR_RKREIS2=4\r\n").Outputs,
              (TNameList{"RKREIS1_WAERMER", "RKREIS1_KAELTER", "RKREIS1", "RKREIS2_WAERMER", "RKREIS2_KAELTER",
                         "RKREIS2", "", ""}));
}

TEST(DeviceDefinition, KeysThatNameNothing)
{
    TempDir dir;
    std::vector<std::string> logged;
    SetLogCallbacks([&](const std::string& text) { logged.push_back(text); }, nullptr);
    const TDeviceDefinition d = ReadLines(dir,
                                          "MESSEINGAENGE=2\r\nRELAISAUSGAENGE=1\r\n"
                                          "ea_Klein=1\r\nEA_Minus=-1\r\nEA_Null=0\r\nEA_Text=abc\r\n"
                                          "EA_Weit=3\r\nAR_Extra=2\r\nEA_Erst=2\r\nEA_Spaet=2\r\nSONST=1\r\n");
    ClearLogCallbacks();
    // Lower-case prefixes and negative positions are ignored; a later key wins its position.
    EXPECT_EQ(d.Temperatures, (TNameList{"E1", "Spaet"}));
    EXPECT_EQ(d.Outputs, (TNameList{"R1", "", ""}));
    EXPECT_EQ(d.SkippedKeys, (std::vector<std::string>{"EA_Null", "EA_Text", "EA_Weit", "AR_Extra"}));
    ASSERT_EQ(logged.size(), 4u);
    EXPECT_NE(logged[2].find("\"EA_Weit=3\""), std::string::npos) << logged[2];
}

TEST(DeviceDefinition, FilesWithoutDefinitions)
{
    TempDir dir;
    EXPECT_FALSE(ReadDeviceDefinition((dir / "missing.def").string()).HasKeys);
    EXPECT_FALSE(ReadDeviceDefinition(dir.Path().string()).HasKeys);
    WriteFile(dir / "other.def", "[Info]\r\nMESSEINGAENGE=3\r\n");
    const TDeviceDefinition other = ReadDeviceDefinition((dir / "other.def").string());
    EXPECT_FALSE(other.HasKeys);
    EXPECT_TRUE(other.Temperatures.empty());
    EXPECT_FALSE(ReadLines(dir, "").HasKeys);
}

TEST(DeviceDefinition, WildCountsAreBounded)
{
    TempDir dir;
    const TDeviceDefinition d = ReadLines(dir, "MESSEINGAENGE=2000000000\r\nRELAISAUSGAENGE=-5\r\nEA_Hoch=200\r\n");
    EXPECT_EQ(d.Temperatures.size(), static_cast<size_t>(MaxDefinitionEntries));
    EXPECT_EQ(d.Temperatures.back(), "Hoch");
    EXPECT_EQ(d.Outputs, (TNameList{"", ""}));
}

TEST(DeviceDefinition, WindowsTextAndTheImportIntoAProject)
{
    TempDir dir;
    WriteFile(dir / "13.def", "[Version Export]\r\nMESSEINGAENGE=2\r\nRELAISAUSGAENGE=1\r\nEA_K\xFC"
                              "che=1\r\nEA_Au\xDF"
                              "en=2\r\nAR_Brenner=1\r\n");
    const TDeviceDefinition d = ReadDeviceDefinition((dir / "13.def").string());
    EXPECT_EQ(d.Temperatures, (TNameList{"Küche", "Außen"}));

    TProject project;
    project.FieldNames[ftCounter] = {"Starts", "Stunden"};
    project.FieldNames[ftIntern] = {"Intern 1"};
    // "ß" is a name character like the umlauts: nothing is dropped.
    EXPECT_FALSE(ApplyDeviceDefinition(project, d));
    EXPECT_EQ(project.FieldNames[ftTemperature], (TNameList{"Küche", "Außen"}));
    EXPECT_EQ(project.FieldNames[ftOutput], (TNameList{"Brenner", ""}));
    EXPECT_EQ(project.FieldNames[ftCounter], (TNameList{"Starts", "Stunden"}));
    EXPECT_EQ(project.FieldNames[ftIntern], (TNameList{"Intern 1"}));
    EXPECT_TRUE(project.Modified);
}

TEST(DeviceDefinition, CommaInAKeyShiftsNoName)
{
    TempDir dir;
    std::vector<std::string> log;
    SetLogCallbacks([&](const std::string& text) { log.push_back(text); }, nullptr);
    const TDeviceDefinition d = ReadLines(dir, "MESSEINGAENGE=3\r\nEA_Vorlauf,Ruecklauf=1\r\nEA_Kessel=2\r\n"
                                               "EA_Speicher=3\r\n");
    ClearLogCallbacks();
    TProject project;
    ApplyDeviceDefinition(project, d);
    EXPECT_EQ(project.FieldNames[ftTemperature], (TNameList{"VorlaufRuecklauf", "Kessel", "Speicher"}));
    ASSERT_EQ(log.size(), 1u);
    EXPECT_NE(log[0].find("EA_Vorlauf,Ruecklauf"), std::string::npos) << log[0];
}

TEST(DefinitionText, SharpSIsKeptThroughEveryStep)
{
    TProject project;
    project.FieldNames[ftTemperature] = {"Außen", "Straße Nord"};
    project.FieldNames[ftOutput] = {"Fußboden"};
    // The dialog's OK with nothing changed stores the same names and reports no loss.
    EXPECT_FALSE(StoreDefinitionTexts(project, DefinitionTextsFromProject(project)));
    EXPECT_EQ(project.FieldNames[ftTemperature], (TNameList{"Außen", "Straße Nord"}));
    EXPECT_EQ(project.FieldNames[ftOutput], (TNameList{"Fußboden"}));
    int dropped = 1;
    EXPECT_EQ(CleanFieldName("Außen", dropped), "Außen");
    EXPECT_EQ(dropped, 0);
}

TEST(DefinitionText, CommaTextShown)
{
    EXPECT_EQ(NamesToCommaText({}), "");
    EXPECT_EQ(NamesToCommaText({"Kessel oben", "a,b", "x\"y", "Tab\tX", "Außen"}),
              "\"Kessel oben\",\"a,b\",\"x\"\"y\",\"Tab\tX\",Außen");
    EXPECT_EQ(NamesToCommaText({"a", "", "b"}), "a,,b");
    EXPECT_EQ(NamesToCommaText({""}), "");
}

TEST(DefinitionText, EditedTextTakenBack)
{
    EXPECT_EQ(Names("Kessel, Vorlauf"), (TNameList{"Kessel", " Vorlauf"}));
    EXPECT_EQ(Names("a,,b"), (TNameList{"a", "", "b"}));
    EXPECT_EQ(Names("a,"), (TNameList{"a"}));
    EXPECT_EQ(Names(",a"), (TNameList{"", "a"}));
    EXPECT_EQ(Names(""), TNameList{});
    EXPECT_EQ(Names("\"Kessel oben\",Vorlauf"), (TNameList{"Kessel oben", "Vorlauf"}));
    // A shown relay list with its two empty entries keeps one of them.
    EXPECT_EQ(Names("R1,Pumpe,,"), (TNameList{"R1", "Pumpe", ""}));

    int dropped = 1;
    CommaTextToNames("\"Kessel oben\",\"x\"\"y\"", dropped);
    EXPECT_EQ(dropped, 0) << "the quotes of the comma text are no loss";
    CommaTextToNames("Kessel%,Vorlauf", dropped);
    EXPECT_EQ(dropped, 1);
}

TEST(DefinitionText, StoringMarksModifiedAndReportsLossOnAnyLine)
{
    TProject project;
    project.FieldNames[ftTemperature] = {"Kessel oben", "", "Vorlauf"};
    project.FieldNames[ftTime] = {"Datum"};
    TDefinitionTexts texts = DefinitionTextsFromProject(project);
    EXPECT_EQ(texts[ftTemperature], "\"Kessel oben\",,Vorlauf");
    EXPECT_EQ(texts[ftTime], "Datum");

    EXPECT_FALSE(StoreDefinitionTexts(project, texts));
    EXPECT_TRUE(project.Modified) << "modified even when nothing changed";
    EXPECT_EQ(project.FieldNames[ftTemperature], (TNameList{"Kessel oben", "", "Vorlauf"}));
    EXPECT_EQ(project.FieldNames[ftTime], (TNameList{"Datum"}));

    texts[ftValue] = "Leistung[kW]";
    EXPECT_TRUE(StoreDefinitionTexts(project, texts));
    EXPECT_EQ(project.FieldNames[ftValue], (TNameList{"LeistungkW"}));
}
