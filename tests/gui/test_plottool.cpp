// dedezuviv-tool plot: the chart tab rendered into a picture without a display, with the counts of
// records and points, and its failures.
#include "app/gui/ChartPicture.h"
#include "model/DayFiles.h"
#include "model/Project.h"
#include "model/ProjectFile.h"
#include "support/RecordLines.h"
#include "support/TestSupport.h"

#include <QImage>

#include <gtest/gtest.h>

using namespace dedezuviv::model;
using namespace dedezuviv::gui;

using testsupport::RunTool;
using testsupport::ShellQuote;
using testsupport::TempDir;

namespace {

struct PlotToolTest : ::testing::Test {
    TempDir Dir;
    std::string ProjectFile;

    void SetUp() override
    {
        TProject project;
        ProjectFile = (Dir / "Haus.p-p").string();
        project.SetFileName(ProjectFile);
        project.FieldNames[ftTemperature] = {"Kessel", "Aussen"};
        project.FieldNames[ftOutput] = {"Brenner"};
        project.FieldSelections.emplace_back("Heizung", TNameList{"Kessel (Temperatur)", "Brenner (Relais)"});
        int result = 0;
        std::string error;
        SaveProjectFile(project, ProjectFile, result, error);
        ASSERT_EQ(result, 0) << error;
        for (int minute = 0; minute < 120; ++minute) {
            const TDateTime t = IncSecond(EncodeDateTime(2026, 5, 4, 8, 0, 0), minute * 60);
            ASSERT_TRUE(AppendLineToFile(DataFileName(project, t),
                                         testsupport::RecordLine(t, {50.0 + minute % 7, 3}, minute % 10 < 5 ? "/o1" : "/o0")));
        }
    }

    std::string Args(const std::string& rest) const
    {
        return "plot --project " + ShellQuote(ProjectFile) + " --from 2026-05-04T00:00:00 --to 2026-05-04T23:59:59 " + rest;
    }
};

TEST_F(PlotToolTest, RendersTheTabAsAPictureAndCountsRecordsAndPoints)
{
    const std::string png = (Dir / "heizung.png").string();
    const testsupport::ToolRun run = RunTool(Dir, Args("--selection Heizung " + ShellQuote(png)));
    ASSERT_EQ(run.ExitCode, 0) << run.Err;
    EXPECT_NE(run.Out.find("records read: 120"), std::string::npos) << run.Out;
    EXPECT_NE(run.Out.find("points drawn: 240"), std::string::npos) << run.Out;
    const QImage image(QString::fromStdString(png));
    ASSERT_FALSE(image.isNull());
    EXPECT_EQ(image.size(), QSize(1024, 768));
    // Both charts: red curves in the top three quarters and in the bottom quarter.
    int top = 0, bottom = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (c.red() > 190 && c.green() < 90 && c.blue() < 90)
                ++(y < 576 ? top : bottom);
        }
    EXPECT_GT(top, 200);
    EXPECT_GT(bottom, 200);

    // Fields by name, another size, a metafile; the increment thins the points.
    const std::string emf = (Dir / "kessel.emf").string();
    const testsupport::ToolRun fields =
        RunTool(Dir, Args("--fields \"Kessel (Temperatur), Aussen (Temperatur)\" --increment 600 --size 640x400 " +
                          ShellQuote(emf)));
    ASSERT_EQ(fields.ExitCode, 0) << fields.Err;
    EXPECT_NE(fields.Out.find("points drawn: 24"), std::string::npos) << fields.Out;
    EXPECT_EQ(testsupport::ReadFile(emf).substr(40, 4), " EMF");
}

TEST_F(PlotToolTest, NoDataWrongUseAndUnknownFormats)
{
    const testsupport::ToolRun empty = RunTool(
        Dir, "plot --project " + ShellQuote(ProjectFile) +
                 " --from 2026-06-01T00:00:00 --to 2026-06-02T00:00:00 --selection Heizung " + ShellQuote((Dir / "x.png").string()));
    EXPECT_EQ(empty.ExitCode, 1);
    EXPECT_NE(empty.Err.find("Es wurden keine Daten im angegebenen Zeitraum gefunden!"), std::string::npos) << empty.Err;
    EXPECT_FALSE(std::filesystem::exists(Dir / "x.png"));

    const testsupport::ToolRun gif = RunTool(Dir, Args("--selection Heizung x.gif"));
    EXPECT_EQ(gif.ExitCode, 2);
    EXPECT_NE(gif.Err.find("Unbekanntes Format für Datenexport angegeben!"), std::string::npos);

    EXPECT_EQ(RunTool(Dir, Args("x.png")).ExitCode, 2);                                 // neither selection nor fields
    EXPECT_EQ(RunTool(Dir, Args("--selection Heizung --size 10x10 x.png")).ExitCode, 2);  // too small
    const testsupport::ToolRun missing = RunTool(Dir, Args("--selection Fehlt x.png"));
    EXPECT_EQ(missing.ExitCode, 1);
    EXPECT_NE(missing.Err.find("Fehlt"), std::string::npos);
}

TEST_F(PlotToolTest, FieldNamesMarkersAndTheReasonOfAWrongUse)
{
    // --markers takes no value: the file after it is still the output.
    const std::string png = (Dir / "punkte.png").string();
    const testsupport::ToolRun markers = RunTool(Dir, Args("--selection Heizung --markers " + ShellQuote(png)));
    EXPECT_EQ(markers.ExitCode, 0) << markers.Err;
    EXPECT_TRUE(std::filesystem::exists(png));

    // Unlike export, names the project does not define are not refused: the chart draws what it reads.
    const testsupport::ToolRun unknown = RunTool(Dir, Args("--fields \"Kessel (Temperatur), Vorlauf (Temperatur)\" " +
                                                           ShellQuote((Dir / "vorlauf.png").string())));
    EXPECT_EQ(unknown.ExitCode, 0) << unknown.Err;
    EXPECT_EQ(unknown.Err, "");
    EXPECT_NE(unknown.Out.find("records read: 120"), std::string::npos) << unknown.Out;

    for (const auto& [args, reason] : std::initializer_list<std::pair<std::string, std::string>>{
             {Args("--selection Heizung a.png b.png"), "Nur eine Ausgabedatei / only one output file"},
             {Args("--selection Heizung"), "Keine Ausgabedatei angegeben / no output file given"},
             {Args("--selection Heizung x.png --size"), "--size ohne Wert / --size needs a value"},
             {Args("--selection Heizung --increment 10s x.png"),
              "--increment: ganze Sekunden >= 0 erwartet / whole seconds >= 0 expected"},
             {Args("--selection Heizung --farbe rot x.png"), "Unbekannte Option / unknown option: \"--farbe\""}}) {
        const testsupport::ToolRun run = RunTool(Dir, args);
        EXPECT_EQ(run.ExitCode, 2) << args;
        EXPECT_EQ(run.Err.substr(0, run.Err.find('\n')), reason) << args;
    }
}

}  // namespace
