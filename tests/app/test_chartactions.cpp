// The chart command after its dialog: the series handed over while the progress window is open, the
// no-data and read-error messages once it is closed, and the increment with its debug line.
#include "app/core/ChartActions.h"
#include "base/AppGlobals.h"
#include "base/FormatSettings.h"
#include "base/Log.h"
#include "model/DayFiles.h"
#include "model/Project.h"
#include "support/RecordLines.h"
#include "support/ScriptedUi.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace dedezuviv::base;
using namespace dedezuviv::model;
using namespace dedezuviv::app;

namespace fs = std::filesystem;
using testsupport::ScriptedDialogs;

namespace {

TDateTime At(int day, int hour, int minute, int second = 0) { return EncodeDateTime(2026, 3, day, hour, minute, second); }

struct ChartActionsTest : ::testing::Test {
    testsupport::TempDir Dir;
    ScriptedDialogs Dialogs;
    testsupport::RecordingProgress Progress;
    // "open", "show <series>", and "close" with the number of messages shown before it.
    std::vector<std::string> Window;
    std::vector<std::string> Debug;
    TProject Project;
    const TNameList Fields{"Kessel (Temperatur)", "Aussen (Temperatur)"};

    void SetUp() override
    {
        SetGermanFormatSettings();
        SetUserDialogs(&Dialogs);
        SetLogCallbacks(nullptr, [this](const std::string& line) { Debug.push_back(line); });
        Project.SetFileName((Dir / "Haus.p-p").string());
        Project.FieldNames[ftTemperature] = {"Kessel", "Aussen"};
        for (const TDateTime t : {At(2, 10, 0), At(2, 10, 0, 10), At(2, 10, 0, 20), At(2, 10, 0, 30)})
            ASSERT_TRUE(AppendLineToFile(DataFileName(Project, t), testsupport::RecordLine(t, {55.5, -3.25})));
    }

    void TearDown() override
    {
        DebugMode = false;
        ClearLogCallbacks();
        SetUserDialogs(nullptr);
    }

    TChartOutcome Run(TDateTime start, TDateTime end, int64_t increment = 0)
    {
        Window.clear();
        Dialogs.Shown.clear();
        Progress.Lines.clear();
        const TActionProgress progress{.Lines = &Progress,
                                       .Open = [this] { Window.push_back("open"); },
                                       .Close = [this] { Window.push_back("close " + std::to_string(Dialogs.Shown.size())); }};
        return ChartCommand(Project, {.Fields = Fields, .Start = start, .End = end, .IncrementSeconds = increment}, progress,
                            [this](TChartSeries series) {
                                Window.push_back("show " + std::to_string(series.size()) + " of " +
                                                 std::to_string(series.empty() ? 0 : series[0]->Count()));
                            });
    }
};

TEST_F(ChartActionsTest, TheSeriesGoToTheWindowWhileTheProgressWindowIsOpenAndMessagesComeAfterIt)
{
    fs::create_symlink("/proc/self/mem", DataFileName(Project, At(3, 0, 0)));
    struct Case {
        TDateTime Start, End;
        TChartOutcome Outcome;
        std::vector<std::string> Window;
        std::string Kind, Text;  // of the one message, if any
    };
    // Increment 20 s: 10:00:00 and 10:00:20 of each field. The day file of the 3rd cannot be read.
    for (const Case& c : std::initializer_list<Case>{
             {At(2, 0, 0), At(2, 23, 0), TChartOutcome::Read, {"open", "show 2 of 2", "close 0"}, "", ""},
             {At(20, 0, 0), At(21, 23, 0), TChartOutcome::NoData, {"open", "close 0"}, "inform", NoChartDataMessage},
             {At(2, 0, 0), At(3, 23, 0), TChartOutcome::ReadError, {"open", "close 0"}, "error", "26-03-03.txt"}}) {
        EXPECT_EQ(Run(c.Start, c.End, 20), c.Outcome);
        EXPECT_EQ(Window, c.Window);
        EXPECT_EQ(Dialogs.Shown.size(), c.Kind.empty() ? 0u : 1u);
        if (!Dialogs.Shown.empty()) {
            EXPECT_EQ(Dialogs.Shown[0].Kind, c.Kind);
            EXPECT_NE(Dialogs.Shown[0].Text.find(c.Text), std::string::npos) << Dialogs.Shown[0].Text;
        }
        EXPECT_EQ(Progress.Lines.front(), "Datenaufbereitung wird gestartet...");
    }
    EXPECT_EQ(Run(At(2, 0, 0), At(2, 23, 0)), TChartOutcome::Read);
    EXPECT_EQ(Progress.Lines.back(), "Einlesen aller Daten beendet.");
}

TEST_F(ChartActionsTest, OnlyTheAutomaticIncrementIsADebugLineAndOnlyInDebugMode)
{
    struct Case {
        int64_t Increment;
        bool DebugOn;
        std::vector<std::string> Lines;
    };
    // A day for two fields: 86400 s / (30,000,000 div 2) = 0.00576 s.
    for (const Case& c : std::initializer_list<Case>{
             {0, true, {"Inkrement =0,01 s"}}, {0, false, {}}, {20, true, {}}}) {
        Debug.clear();
        DebugMode = c.DebugOn;
        Run(At(2, 0, 0), At(3, 0, 0), c.Increment);
        EXPECT_EQ(Debug, c.Lines) << c.Increment << " " << c.DebugOn;
    }
}

}  // namespace
