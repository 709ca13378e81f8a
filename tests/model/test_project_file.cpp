// The project file: writing order and encodings, loading with defaults, the view part (dialog states
// and data table), bad files and safe saving.
#include "base/AppGlobals.h"
#include "base/Clock.h"
#include "base/FormatSettings.h"
#include "base/IniFile.h"
#include "base/TextEncoding.h"
#include "model/LiveState.h"
#include "model/ProjectFile.h"
#include "model/UiInterfaces.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <csignal>
#include <fstream>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace dedezuviv::base;
using namespace dedezuviv::model;

using testsupport::ReadFile;
using testsupport::TempDir;
using testsupport::WriteFile;

namespace {

class TRecordingDialogs : public IUserDialogs {
public:
    TDialogAnswer Ask(const std::string& text, bool) override
    {
        Texts.push_back(text);
        return TDialogAnswer::No;
    }
    void Inform(const std::string& text) override { Texts.push_back(text); }
    void Error(const std::string& text) override { Texts.push_back(text); }
    std::vector<std::string> Texts;
};

class TRecordingWindow : public IProjectWindow {
public:
    void ClearChart() override { Calls.push_back("ClearChart"); }
    void RefreshDisplay() override
    {
        Calls.push_back("RefreshDisplay");
        ProjectAtRefresh = CurrentProject();
    }
    std::vector<std::string> Calls;
    TProject* ProjectAtRefresh = nullptr;
};

class ProjectFileTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        SetGermanFormatSettings();
        SetUserDialogs(&Dialogs);
        SetClockOverride([this] { return Clock; });
    }
    void TearDown() override
    {
        SetUserDialogs(nullptr);
        SetClockOverride({});
        CloseCurrentProject();
    }

    std::unique_ptr<TProject> Load(const std::string& text, TProjectView& view)
    {
        const auto path = Dir / "load.p-p";
        WriteFile(path, text);
        std::unique_ptr<TProject> project;
        int result = 99;
        std::string error = "x";
        LoadProjectFile(project, path.string(), result, error, view);
        EXPECT_EQ(result, 0);
        EXPECT_EQ(error, "");
        return project;
    }

    std::string Save(TProject& project, const TProjectView& view, const std::string& name = "save.p-p")
    {
        int result = 99;
        std::string error;
        SaveProjectFile(project, (Dir / name).string(), result, error, view);
        EXPECT_EQ(result, 0) << error;
        return ReadFile(Dir / name);
    }

    TempDir Dir;
    TRecordingDialogs Dialogs;
    TDateTime Clock = EncodeDateTime(2024, 5, 6, 7, 8, 9);
};

std::unique_ptr<TDataField> Cell(const std::string& name)
{
    auto field = std::make_unique<TDataField>();
    field->Fieldname = name;
    return field;
}

// A project with something in every part of the file.
std::unique_ptr<TProject> SampleProject(TProjectView& view)
{
    auto project = std::make_unique<TProject>();
    project->Name = "Haus Müller";
    project->Comment = "Heizung; Keller";
    project->Port.Name = "/dev/ttyUSB0";
    project->Port.BaudRate = 19200;
    project->SamplingInterval = 60;
    project->Root = "/srv/log";
    project->RecordingToFile = true;
    project->ShowTableGrid = false;
    project->FieldNames[ftTemperature] = {"Außen", "Warm Wasser", "Kessel"};
    project->FieldNames[ftCounter] = {"a", "", "b"};
    project->FieldNames[ftValue] = {""};
    project->FieldNames[ftOutput] = {"Brenner"};
    project->FieldSelections.emplace_back("Temperaturen",
                                          TNameList{"Außen (Temperatur)", "Warm Wasser (Temperatur)", "RT"});
    project->FieldSelections.emplace_back("Ohne Liste");
    project->FieldSelections.emplace_back("Leer", TNameList{});

    auto kessel = Cell("Kessel (Temperatur)");
    kessel->ActivateMax = true;
    kessel->MaxVal = 80;
    view.Table.SetCell(0, 0, std::move(kessel));
    auto brenner = Cell("Brenner (Relais)");
    brenner->CaptionStr = "Brenner an";
    brenner->UnitStr = "h";
    brenner->UseFieldnameAsCaption = false;
    brenner->UseDefaultUnit = false;
    brenner->FontColor = -16777201;
    brenner->BoldFont = true;
    brenner->ItalicFont = true;
    brenner->ActivateMin = true;
    brenner->MinFontColor = 65280;
    brenner->MaxFontColor = 16777215;
    brenner->MinVal = -2.5;
    brenner->MaxVal = 1e20;
    view.Table.SetCell(9, 49, std::move(brenner));
    view.Table.SetCell(0, 3, Cell("RT"));

    view.Dialogs.PlotEditDlg.SetDateTime("StartDatePicker", EncodeDate(2024, 1, 1));
    view.Dialogs.PlotEditDlg.SetDateTime("FinalTimePicker", EncodeDateTime(2024, 1, 1, 23, 59, 0));
    view.Dialogs.PlotEditDlg.SetText("TimeIncrementMaskEdit", "00:05:00");
    view.Dialogs.PlotEditDlg.SetChecked("MarkersCB", true);
    view.Dialogs.PlotEditDlg.SetInteger("FieldListSelComboBox", 2);
    view.Dialogs.ExportSelectionDlg.SetInteger("DstList", -1);
    return project;
}

const std::string Crlf = "\r\n";

}  // namespace

TEST_F(ProjectFileTest, WritesEverySectionAndKeyInOrderWithTheirEncodings)
{
    TProjectView view;
    auto project = SampleProject(view);
    project->Modified = true;
    const std::string bytes = Save(*project, view);
    EXPECT_FALSE(project->Modified);
    EXPECT_EQ(project->FileName, "");  // saving does not change the file name

    const std::string expected =
        "[Info]\r\nProgram=DEDEZUviv Temperaturdatenlogger\r\nCopyright=" + Utf8ToCp1252(CopyrightLine) +
        "\r\nVersion=1250\r\nDate=06.05.2024 07:08:09\r\n"
        "\r\n[General]\r\nPort=/dev/ttyUSB0\r\nBaudrate=19200\r\nName=Haus M\xFCller\r\n"
        "Comment=Heizung; Keller\r\nSamplingInterval=60\r\nRoot=/srv/log\r\nRecordingToFile=1\r\n"
        "ShowTableGrid=0\r\n"
        "\r\n[Field Definitions]\r\nTemperature=Au\xDF" "en,/Warm Wasser/,Kessel\r\nCounter=a,,b\r\n"
        "Value=//\r\nTime=\r\nInput=\r\nState=\r\nOutput=Brenner\r\nIntern=\r\n"
        "\r\n[Export Setup]\r\nCount=3\r\nName0=Temperaturen\r\n"
        "FieldList0=/Au\xDF" "en (Temperature)/,/Warm Wasser (Temperature)/,RT\r\n"
        "Name1=Ohne Liste\r\nName2=Leer\r\nFieldList2=\r\n"
        // Controls without a value get their dialog's start value (pickers: the time of saving), so the
        // file has every key whether or not the dialogs were ever built.
        "\r\n[PlotEditDlg]\r\nStartDatePicker=01.01.2024\r\nFinalDatePicker=06.05.2024 07:08:09\r\n"
        "StartTimePicker=06.05.2024 07:08:09\r\nFinalTimePicker=01.01.2024 23:59:00\r\n"
        "FieldListSelComboBox=2\r\nTimeIncrementMaskEdit=00:05:00\r\nLook3DCB=0\r\nMarkersCB=1\r\n"
        "\r\n[ExportBatchDlg]\r\nStartDatePicker=06.05.2024 07:08:09\r\nFinalDatePicker=06.05.2024 07:08:09\r\n"
        "StartTimePicker=06.05.2024 07:08:09\r\nFinalTimePicker=06.05.2024 07:08:09\r\n"
        "TimeIncrementMaskEdit=00:00:00\r\nTypeSelListBox=0\r\nFormatSelComboBox=1\r\n"
        "ExportInCustomPathCB=0\r\nExportSelComboBox=-1\r\nActualTimeCB=0\r\n"
        "\r\n[ExportSelectionDlg]\r\nSrcList=-1\r\nDstList=-1\r\nFieldListSelComboBox=-1\r\n"
        "\r\n[ExportDlg]\r\nStartDatePicker=06.05.2024 07:08:09\r\nFinalDatePicker=06.05.2024 07:08:09\r\n"
        "StartTimePicker=06.05.2024 07:08:09\r\nFinalTimePicker=06.05.2024 07:08:09\r\n"
        "FieldListSelComboBox=-1\r\nTimeIncrementMaskEdit=00:00:00\r\n"
        "\r\n[Data Table]\r\nCount=3\r\n"
        "Cell0_Col=0\r\nCell0_Row=0\r\nCell0_Fieldname=Kessel (Temperature)\r\nCell0_CaptionStr=\r\n"
        "Cell0_UnitStr=\r\nCell0_UseFieldnameAsCaption=1\r\nCell0_UseDefaultUnit=1\r\nCell0_FontColor=0\r\n"
        "Cell0_BoldFont=0\r\nCell0_ItalicFont=0\r\nCell0_ActivateMin=0\r\nCell0_ActivateMax=1\r\n"
        "Cell0_MinFontColor=16711680\r\nCell0_MaxFontColor=255\r\nCell0_MinVal=0\r\nCell0_MaxVal=80\r\n"
        "Cell1_Col=0\r\nCell1_Row=3\r\nCell1_Fieldname=RT\r\nCell1_CaptionStr=\r\n"
        "Cell1_UnitStr=\r\nCell1_UseFieldnameAsCaption=1\r\nCell1_UseDefaultUnit=1\r\nCell1_FontColor=0\r\n"
        "Cell1_BoldFont=0\r\nCell1_ItalicFont=0\r\nCell1_ActivateMin=0\r\nCell1_ActivateMax=0\r\n"
        "Cell1_MinFontColor=16711680\r\nCell1_MaxFontColor=255\r\nCell1_MinVal=0\r\nCell1_MaxVal=0,5\r\n"
        "Cell2_Col=9\r\nCell2_Row=49\r\nCell2_Fieldname=Brenner (Output)\r\nCell2_CaptionStr=Brenner an\r\n"
        "Cell2_UnitStr=h\r\nCell2_UseFieldnameAsCaption=0\r\nCell2_UseDefaultUnit=0\r\n"
        "Cell2_FontColor=-16777201\r\nCell2_BoldFont=1\r\nCell2_ItalicFont=1\r\nCell2_ActivateMin=1\r\n"
        "Cell2_ActivateMax=0\r\nCell2_MinFontColor=65280\r\nCell2_MaxFontColor=16777215\r\n"
        "Cell2_MinVal=-2,5\r\nCell2_MaxVal=1E20\r\n";
    EXPECT_EQ(bytes, expected);
}

TEST_F(ProjectFileTest, RoundTripKeepsEveryValueAndSavingTwiceDiffersOnlyInTheDate)
{
    TProjectView view;
    auto project = SampleProject(view);
    // As in the window, whose dialogs give every control a value.
    view.Dialogs = view.Dialogs.Completed(Clock);
    const std::string first = Save(*project, view);

    TProjectView loadedView;
    TRecordingWindow window;
    loadedView.Window = &window;
    auto loaded = Load(first, loadedView);
    ASSERT_TRUE(loaded);
    EXPECT_FALSE(loaded->Modified);
    EXPECT_EQ(loaded->FileName, (Dir / "load.p-p").string());
    EXPECT_EQ(loaded->Name, "Haus Müller");
    EXPECT_EQ(loaded->Comment, "Heizung; Keller");
    EXPECT_EQ(loaded->Port.Name, "/dev/ttyUSB0");
    EXPECT_EQ(loaded->Port.BaudRate, 19200u);
    EXPECT_EQ(loaded->SamplingInterval, 60);
    EXPECT_EQ(loaded->Root, "/srv/log");
    EXPECT_TRUE(loaded->RecordingToFile);
    EXPECT_FALSE(loaded->ShowTableGrid);
    for (int t = 0; t < FieldTypeCount; ++t)
        EXPECT_EQ(loaded->FieldNames[t], project->FieldNames[t]) << t;
    ASSERT_EQ(loaded->FieldSelections.size(), 3u);
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(loaded->FieldSelections[i].Name, project->FieldSelections[i].Name);
        ASSERT_TRUE(loaded->FieldSelections[i].List);  // a selection without a list gets an empty one
        EXPECT_EQ(*loaded->FieldSelections[i].List,
                  project->FieldSelections[i].List ? *project->FieldSelections[i].List : TNameList{});
    }
    EXPECT_EQ(loadedView.Table.Count(), 3);
    for (auto [col, row] : {std::pair{0, 0}, {0, 3}, {9, 49}}) {
        ASSERT_TRUE(loadedView.Table.Cell(col, row));
        EXPECT_TRUE(loadedView.Table.Cell(col, row)->SameSettings(*view.Table.Cell(col, row))) << col << "," << row;
    }
    for (size_t d = 0; d < 4; ++d) {
        const auto& saved = view.Dialogs.All()[d]->Controls();
        const auto& read = loadedView.Dialogs.All()[d]->Controls();
        for (size_t c = 0; c < saved.size(); ++c) {
            EXPECT_EQ(read[c].HasValue, saved[c].HasValue) << saved[c].Name;
            EXPECT_EQ(read[c].Value, saved[c].Value) << saved[c].Name;
        }
    }
    EXPECT_EQ(window.Calls, (std::vector<std::string>{"ClearChart", "RefreshDisplay"}));

    Clock = EncodeDateTime(2025, 12, 31, 23, 0, 0);
    const std::string second = Save(*project, view, "second.p-p");
    const auto withoutDate = [](std::string text) {
        const size_t start = text.find("Date=");
        return text.erase(start, text.find("\r\n", start) - start);
    };
    EXPECT_NE(first, second);
    EXPECT_EQ(withoutDate(first), withoutDate(second));
    EXPECT_NE(second.find("Date=31.12.2025 23:00:00\r\n"), std::string::npos);

    // The reloaded project writes the same file, except that the selection that had no list now has
    // an empty one.
    std::string expected = withoutDate(first);
    expected.insert(expected.find("Name2="), "FieldList1=\r\n");
    EXPECT_EQ(withoutDate(Save(*loaded, loadedView, "third.p-p")), expected);
}

TEST_F(ProjectFileTest, ReadsHandWrittenFilesInWindows1252WithQuotesEmptiesAndBothSeparators)
{
    SetGermanFormatSettings();
    TProjectView view;
    auto project = Load("[General]\r\nport=COM1\r\nBAUDRATE=$2580\r\nName=K\xFC" "che\r\n"
                        "[field definitions]\r\n"
                        "Temperature=Au\xDF" "en , /Warm Wasser/,Kessel,\r\n"
                        "Counter=Warm Wasser\r\n"
                        "Value=//\r\n"
                        "Input=,a,,\r\n"
                        "State=/a//b/\r\n"
                        "[Export Setup]\r\nCount=2\r\nName0=Sel\r\n"
                        "FieldList0=/Brenner (OUTPUT)/,/Au\xDF" "en (temperature)/\r\n"
                        "[Data Table]\r\nCount=1\r\nCell0_Col=1\r\nCell0_Row=2\r\n"
                        "Cell0_MinVal=1.5\r\nCell0_MaxVal=2,25\r\nCell0_Fieldname=Z\xE4hler (Counter)\r\n",
                        view);
    ASSERT_TRUE(project);
    // The port name is kept as written; the serial port maps COM names when it opens them.
    EXPECT_EQ(project->Port.Name, "COM1");
    EXPECT_EQ(project->Port.BaudRate, 9600u);
    EXPECT_EQ(project->Name, "Küche");
    EXPECT_EQ(project->FieldNames[ftTemperature], (TNameList{"Außen", "Warm Wasser", "Kessel", ""}));
    EXPECT_EQ(project->FieldNames[ftCounter], (TNameList{"Warm", "Wasser"}));
    EXPECT_EQ(project->FieldNames[ftValue], (TNameList{""}));
    EXPECT_EQ(project->FieldNames[ftInput], (TNameList{"", "a", "", ""}));
    EXPECT_EQ(project->FieldNames[ftState], (TNameList{"a/b"}));
    EXPECT_TRUE(project->FieldNames[ftTime].empty());
    ASSERT_EQ(project->FieldSelections.size(), 2u);
    EXPECT_EQ(*project->FieldSelections[0].List, (TNameList{"Brenner (Relais)", "Außen (Temperatur)"}));
    EXPECT_EQ(project->FieldSelections[1].Name, "");
    EXPECT_TRUE(project->FieldSelections[1].List->empty());
    const TDataField* cell = view.Table.Cell(1, 2);
    ASSERT_TRUE(cell);
    EXPECT_DOUBLE_EQ(cell->MinVal, 1.5);
    EXPECT_DOUBLE_EQ(cell->MaxVal, 2.25);
    EXPECT_EQ(cell->Fieldname, "Zähler (Zähler)");
}

TEST_F(ProjectFileTest, AFileWithOnlyGeneralGivesDefaultsAndLeavesTheDialogs)
{
    TProjectView view;
    view.Dialogs.ExportDlg.SetText("TimeIncrementMaskEdit", "01:00:00");
    auto project = Load("[General]\r\nName=Nur General\r\n", view);
    ASSERT_TRUE(project);
    EXPECT_EQ(project->Name, "Nur General");
    EXPECT_EQ(project->Comment, "");
    EXPECT_EQ(project->Port.Name, "");
    EXPECT_EQ(project->Port.BaudRate, 9600u);
    EXPECT_EQ(project->SamplingInterval, 90);
    EXPECT_EQ(project->Root, "");
    EXPECT_FALSE(project->RecordingToFile);
    EXPECT_TRUE(project->ShowTableGrid);
    for (const auto& names : project->FieldNames)
        EXPECT_TRUE(names.empty());
    EXPECT_TRUE(project->FieldSelections.empty());
    EXPECT_EQ(view.Table.Count(), 0);
    EXPECT_EQ(view.Dialogs.ExportDlg.Text("TimeIncrementMaskEdit"), "01:00:00");
    EXPECT_TRUE(Dialogs.Texts.empty());
}

TEST_F(ProjectFileTest, Version100WarnsAfterLoadingAndOtherVersionsDoNot)
{
    TProjectView view;
    Load("[Info]\r\nVersion=1250\r\n", view);
    Load("[Info]\r\nVersion=101\r\n", view);
    EXPECT_TRUE(Dialogs.Texts.empty());
    Load("[Info]\r\nVersion=100\r\n[General]\r\nName=Alt\r\n", view);
    EXPECT_EQ(Dialogs.Texts, (std::vector<std::string>{
                                 "Achtung: Die Projektdatei stammt aus einer Vorgänderversion.Bitte die "
                                 "Einstellungen des Projekt-Pfades überprüfen, da die Verzeichnisangabe ab "
                                 "Version 1.01 verbessert ist!"}));
}

TEST_F(ProjectFileTest, LoadingClearsTheTableAndSkipsCellsOutsideIt)
{
    TProjectView view;
    view.Table.SetCell(5, 5, Cell("Alt"));
    std::unique_ptr<TProject> project = Load("[Data Table]\r\nCount=7\r\n"
                                             "Cell0_Col=10\r\nCell0_Row=0\r\n"
                                             "Cell1_Col=0\r\nCell1_Row=50\r\n"
                                             "Cell2_Col=-1\r\nCell2_Row=3\r\n"
                                             "Cell3_Col=2\r\n"
                                             "Cell4_Col=x\r\nCell4_Row=1\r\n"
                                             "cell5_col=3\r\nCELL5_ROW=4\r\nCell5_Fieldname=Neu\r\n"
                                             "Cell05_Col=4\r\nCell05_Row=4\r\n"
                                             "Cell7_Col=6\r\nCell7_Row=6\r\n",
                                             view);
    EXPECT_EQ(view.Table.Count(), 1);
    ASSERT_TRUE(view.Table.Cell(3, 4));
    EXPECT_EQ(view.Table.Cell(3, 4)->Fieldname, "Neu");
    EXPECT_FALSE(view.Table.Cell(5, 5));

    // A later entry for the same cell replaces the earlier one.
    Load("[Data Table]\r\nCount=2\r\nCell0_Col=1\r\nCell0_Row=1\r\nCell0_Fieldname=A\r\n"
         "Cell1_Col=1\r\nCell1_Row=1\r\nCell1_Fieldname=B\r\n",
         view);
    EXPECT_EQ(view.Table.Cell(1, 1)->Fieldname, "B");
    // A wild count neither hangs nor allocates.
    Load("[Data Table]\r\nCount=2147483647\r\nCell2000000000_Col=2\r\nCell2000000000_Row=2\r\n"
         "[Export Setup]\r\nCount=2147483647\r\nName0=x\r\n",
         view);
    EXPECT_EQ(view.Table.Count(), 1);
    EXPECT_TRUE(view.Table.Cell(2, 2));
}

TEST_F(ProjectFileTest, MissingOrUnreadableFileClosesTheProjectButLeavesTheTable)
{
    TProjectView view;
    TRecordingWindow window;
    view.Window = &window;
    view.Table.SetCell(0, 0, Cell("Bleibt"));
    auto project = std::make_unique<TProject>();
    int result = 0;
    std::string error;
    const std::string missing = (Dir / "fehlt.p-p").string();
    LoadProjectFile(project, missing, result, error, view);
    EXPECT_EQ(result, -1);
    EXPECT_EQ(error, "Projekt mit Dateinamen \"" + missing + "\" nicht gefunden! ");
    EXPECT_FALSE(project);
    EXPECT_TRUE(view.Table.Cell(0, 0));
    EXPECT_TRUE(window.Calls.empty());

    project = std::make_unique<TProject>();
    LoadProjectFile(project, Dir.Path().string(), result, error, view);
    EXPECT_EQ(result, 2);
    EXPECT_NE(error.find("konnte nicht gelesen werden"), std::string::npos);
    EXPECT_FALSE(project);
    EXPECT_TRUE(view.Table.Cell(0, 0));
}

TEST_F(ProjectFileTest, BadFilesGiveDefaultsWithoutCrash)
{
    TProjectView view;
    std::string garbage;
    uint32_t seed = 99;
    for (int i = 0; i < 300000; ++i) {
        seed = seed * 1664525 + 1013904223;
        garbage += static_cast<char>(seed >> 24);
    }
    auto project = Load(garbage, view);
    ASSERT_TRUE(project);
    EXPECT_EQ(project->SamplingInterval, 90);

    project = Load("[General]\r\nSamplingInterval=neunzig\r\nBaudrate=schnell\r\nShowTableGrid=ja\r\n"
                   "RecordingToFile=2\r\nSamplingInterval=30\r\n"
                   "[Data Table]\r\nCount=eins\r\n[Export Setup]\r\nCount=-5\r\n"
                   "[General]\r\nName=Zweiter Abschnitt\r\n" +
                       std::string(5000000, 'L') + "\r\nComment=" + std::string(5000000, 'C') + "\r\n",
                   view);
    ASSERT_TRUE(project);
    EXPECT_EQ(project->SamplingInterval, 90);  // the first of duplicate keys counts
    EXPECT_EQ(project->Port.BaudRate, 9600u);
    EXPECT_TRUE(project->ShowTableGrid);
    EXPECT_TRUE(project->RecordingToFile);
    EXPECT_TRUE(project->FieldSelections.empty());
    EXPECT_EQ(project->Name, "Zweiter Abschnitt");
    EXPECT_EQ(project->Comment.size(), 5000000u);

    // 100 MB: a real project followed by one huge section of junk keys.
    const auto path = Dir / "huge.p-p";
    {
        std::ofstream out(path, std::ios::binary);
        out << "[General]\r\nName=Gross\r\n[Field Definitions]\r\nTemperature=A,B\r\n[Junk]\r\n";
        std::string line;
        for (int i = 0; line.size() < (100u << 20); ++i) {
            line += "k" + std::to_string(i) + "=" + std::string(1000, 'v') + "\r\n";
        }
        out << line;
    }
    int result = 99;
    std::string error;
    LoadProjectFile(project, path.string(), result, error, view);
    EXPECT_EQ(result, 0);
    ASSERT_TRUE(project);
    EXPECT_EQ(project->Name, "Gross");
    EXPECT_EQ(project->FieldNames[ftTemperature], (TNameList{"A", "B"}));
}

TEST_F(ProjectFileTest, AFailedSaveKeepsTheOldFileAndTheModifiedFlag)
{
    TProjectView view;
    auto project = SampleProject(view);
    const std::string old = Save(*project, view);
    project->Name = "Neu";
    project->Modified = true;
    // A file size limit makes the write fail part-way, as a full disk would.
    rlimit saved {};
    ::getrlimit(RLIMIT_FSIZE, &saved);
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = 512;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    int result = 0;
    std::string error;
    SaveProjectFile(*project, (Dir / "save.p-p").string(), result, error, view);
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previousHandler);
    EXPECT_NE(result, 0);
    EXPECT_NE(error.find("save.p-p"), std::string::npos);
    EXPECT_TRUE(project->Modified);
    EXPECT_EQ(ReadFile(Dir / "save.p-p"), old);
    // The temporary file is gone.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(Dir.Path()), {}), 1);
}

TEST_F(ProjectFileTest, AnUnwritableTargetReportsFailure)
{
    TProjectView view;
    TProject project;
    project.Modified = true;
    int result = 0;
    std::string error;
    SaveProjectFile(project, (Dir / "kein" / "ordner.p-p").string(), result, error, view);
    EXPECT_NE(result, 0);
    EXPECT_NE(error.find("ordner.p-p"), std::string::npos);
    EXPECT_TRUE(project.Modified);
    // A folder in the way of the file is not replaced.
    std::filesystem::create_directory(Dir / "ordner.p-p");
    SaveProjectFile(project, (Dir / "ordner.p-p").string(), result, error, view);
    EXPECT_NE(result, 0);
    EXPECT_TRUE(std::filesystem::is_directory(Dir / "ordner.p-p"));
}

TEST_F(ProjectFileTest, OpenProjectIsReplacedBeforeTheDisplayIsRefreshed)
{
    TProjectView view;
    TRecordingWindow window;
    view.Window = &window;
    WriteFile(Dir / "a.p-p", "[General]\r\nName=A\r\n[Data Table]\r\nCount=1\r\nCell0_Col=0\r\nCell0_Row=0\r\n");
    int result = 99;
    std::string error;
    LoadProjectFile((Dir / "a.p-p").string(), result, error, view);
    ASSERT_EQ(result, 0);
    ASSERT_TRUE(CurrentProject());
    EXPECT_EQ(CurrentProject()->Name, "A");
    EXPECT_EQ(window.ProjectAtRefresh, CurrentProject());
    EXPECT_EQ(view.Table.Count(), 1);

    CloseProject(view);
    EXPECT_FALSE(CurrentProject());
    EXPECT_EQ(view.Table.Count(), 0);
    EXPECT_EQ(window.Calls, (std::vector<std::string>{"ClearChart", "RefreshDisplay", "ClearChart"}));

    LoadProjectFile((Dir / "a.p-p").string(), result, error, view);
    LoadProjectFile((Dir / "fehlt.p-p").string(), result, error, view);
    EXPECT_EQ(result, -1);
    EXPECT_FALSE(CurrentProject());
}

TEST(DialogStates, LoadMatchesControlsWithoutCaseAndDecodesByKind)
{
    SetGermanFormatSettings();
    TDialogStates states;
    states.ExportBatchDlg.SetInteger("TypeSelListBox", 4);
    states.ExportBatchDlg.SetDateTime("StartDatePicker", EncodeDate(2020, 1, 1));
    TIniFile ini;
    ini.Parse("[exportbatchdlg]\n"
              "startdatepicker=2024-13-45\n"
              "FINALDATEPICKER=02.03.2024\n"
              "typesellistbox=kaputt\n"
              "FormatSelComboBox=$3\n"
              "ExportInCustomPathCB=ja\n"
              "ActualTimeCB=7\n"
              "TimeIncrementMaskEdit=  00:10:00\n"
              "Unbekannt=1\n");
    LoadControlStates(&ini, "ExportBatchDlg", &states.ExportBatchDlg);
    const TControlStates& batch = states.ExportBatchDlg;
    EXPECT_DOUBLE_EQ(batch.DateTime("StartDatePicker", 0), EncodeDate(2020, 1, 1));  // unreadable: kept
    EXPECT_EQ(batch.Text("FinalDatePicker"), "02.03.2024");
    EXPECT_EQ(batch.Integer("TypeSelListBox", -1), 4);  // unreadable index: kept
    EXPECT_EQ(batch.Text("FormatSelComboBox"), "3");
    EXPECT_EQ(batch.Text("ExportInCustomPathCB"), "0");  // unreadable check box: false
    EXPECT_TRUE(batch.Checked("actualtimecb"));
    EXPECT_EQ(batch.Text("TimeIncrementMaskEdit"), "00:10:00");
    EXPECT_FALSE(batch.Find("Unbekannt"));
    EXPECT_FALSE(batch.HasValue("FinalTimePicker"));
    EXPECT_FALSE(states.ExportBatchDlg.SetText("Unbekannt", "1"));

    // Nothing happens without a file or a dialog.
    LoadControlStates(nullptr, "ExportBatchDlg", &states.ExportBatchDlg);
    LoadControlStates(&ini, "ExportBatchDlg", nullptr);
    SaveControlStates(nullptr, "ExportBatchDlg", &states.ExportBatchDlg);

    // Saving writes the controls that have a value in their creation order, under their own names.
    TIniFile out;
    SaveControlStates(&out, "ExportBatchDlg", &batch);
    EXPECT_EQ(out.ReadSection("ExportBatchDlg"),
              (std::vector<std::string>{"StartDatePicker", "FinalDatePicker", "TimeIncrementMaskEdit",
                                        "TypeSelListBox", "FormatSelComboBox", "ExportInCustomPathCB",
                                        "ActualTimeCB"}));
    EXPECT_EQ(states.Find("exportdlg"), &states.ExportDlg);
    states.Clear();
    EXPECT_FALSE(states.ExportBatchDlg.HasValue("TypeSelListBox"));
}

TEST_F(ProjectFileTest, TheNewProjectTemplateLoadsWithTheDefaults)
{
    TProjectView view;
    view.Table.SetCell(0, 0, Cell("Alt"));
    std::unique_ptr<TProject> project;
    int result = 99;
    std::string error;
    LoadProjectFile(project, testsupport::SourcePath("data/Project.pxp").string(), result, error, view);
    ASSERT_EQ(result, 0) << error;
    EXPECT_EQ(project->Name, "Project");
    EXPECT_EQ(project->Port.Name, "");
    EXPECT_EQ(project->Port.BaudRate, 9600u);
    EXPECT_EQ(project->SamplingInterval, 90);
    EXPECT_TRUE(project->ShowTableGrid);
    EXPECT_FALSE(project->RecordingToFile);
    for (const auto& names : project->FieldNames)
        EXPECT_TRUE(names.empty());
    EXPECT_TRUE(project->FieldSelections.empty());
    EXPECT_EQ(view.Table.Count(), 0);
    EXPECT_TRUE(Dialogs.Texts.empty());
}
