// The rules of the project settings dialog: what it shows for a project's data root and how its
// controls go back into the project (interval refused, trailing separators, Windows paths).
#include "app/core/ProjectSettings.h"
#include "model/Project.h"
#include "model/UiInterfaces.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

using namespace dedezuviv::model;
using namespace dedezuviv::app;

namespace {

struct CollectingDialogs : IUserDialogs {
    std::vector<std::string> Messages;
    TDialogAnswer Ask(const std::string&, bool) override { return TDialogAnswer::No; }
    void Inform(const std::string& text) override { Messages.push_back(text); }
    void Error(const std::string& text) override { Messages.push_back(text); }
};

struct ProjectSettingsTest : ::testing::Test {
    CollectingDialogs Dialogs;
    TProject Project;
    void SetUp() override { SetUserDialogs(&Dialogs); }
    void TearDown() override { SetUserDialogs(nullptr); }
};

const char* const RefusedInterval = "Ungültiger Wert für das Sampling-Intervall wird nicht berücksichtigt.";

}  // namespace

TEST(ProjectSettingsRules, IntervalText)
{
    EXPECT_EQ(IntervalFromText("90"), 90);
    EXPECT_EQ(IntervalFromText(" 7 "), 7);
    EXPECT_EQ(IntervalFromText("0"), 0);
    EXPECT_EQ(IntervalFromText(""), -1);
    EXPECT_EQ(IntervalFromText("9a"), -1);
    EXPECT_EQ(IntervalFromText("-5"), -5);
    EXPECT_EQ(IntervalFromText("99999999999"), -1);
}

TEST(ProjectSettingsRules, RootsAndWindowsPaths)
{
    EXPECT_TRUE(IsWindowsPath("D:\\Daten"));
    EXPECT_TRUE(IsWindowsPath("d:"));
    EXPECT_TRUE(IsWindowsPath("\\\\server\\share"));
    EXPECT_FALSE(IsWindowsPath("/srv/daten"));
    EXPECT_FALSE(IsWindowsPath("Daten"));
    EXPECT_TRUE(IsExplicitRoot("/srv/daten"));
    EXPECT_TRUE(IsExplicitRoot("D:\\Daten"));
    EXPECT_FALSE(IsExplicitRoot("Daten"));
    EXPECT_FALSE(IsExplicitRoot(""));
    EXPECT_EQ(ExpandRoot("D:\\Daten"), "D:\\Daten");
    EXPECT_EQ(ExpandRoot("/srv//a/../daten/"), "/srv/daten");
    EXPECT_EQ(ExpandRoot("Daten"), (std::filesystem::current_path() / "Daten").string());
    EXPECT_EQ(ExpandRoot(""), "");
}

TEST_F(ProjectSettingsTest, FormShowsTheProject)
{
    Project.SetName("Haus");
    Project.SetComment("Kommentar");
    Project.Root = "Daten";
    Project.SamplingInterval = 30;
    Project.ShowTableGrid = false;
    TProjectSettingsForm form = ProjectSettingsForm(Project);
    EXPECT_EQ(form.Name, "Haus");
    EXPECT_EQ(form.Comment, "Kommentar");
    EXPECT_FALSE(form.SpecificPath) << "a relative root names no folder by itself";
    EXPECT_EQ(form.Path, (std::filesystem::current_path() / "Daten").string());
    EXPECT_EQ(form.Interval, "30");
    EXPECT_FALSE(form.ShowTableGrid);

    Project.Root = "D:\\Daten";
    form = ProjectSettingsForm(Project);
    EXPECT_TRUE(form.SpecificPath);
    EXPECT_EQ(form.Path, "D:\\Daten");
    EXPECT_NE(ProjectPathNote(form).find("Windows-Pfad"), std::string::npos);
}

TEST_F(ProjectSettingsTest, RefusedIntervalKeepsTheOldOneAndTakesTheRest)
{
    Project.SamplingInterval = 45;
    for (const char* text : {"0", ""}) {
        TProjectSettingsForm form = ProjectSettingsForm(Project);
        form.Name = std::string("Neu ") + text;
        form.Interval = text;
        EXPECT_FALSE(ApplyProjectSettingsForm(form, Project));
        EXPECT_EQ(Project.SamplingInterval, 45);
        EXPECT_EQ(Project.GetName(), form.Name);
    }
    EXPECT_EQ(Dialogs.Messages, (std::vector<std::string>{RefusedInterval, RefusedInterval}));

    TProjectSettingsForm form = ProjectSettingsForm(Project);
    form.Interval = "90";
    EXPECT_TRUE(ApplyProjectSettingsForm(form, Project));
    EXPECT_EQ(Project.SamplingInterval, 90);
}

TEST_F(ProjectSettingsTest, PathTakenOnlyWithTheCheck)
{
    TProjectSettingsForm form = ProjectSettingsForm(Project);
    form.SpecificPath = true;
    form.Path = "D:\\Daten\\";
    ApplyProjectSettingsForm(form, Project);
    EXPECT_EQ(Project.Root, "D:\\Daten");

    form.Path = "/srv/daten/";
    ApplyProjectSettingsForm(form, Project);
    EXPECT_EQ(Project.Root, "/srv/daten");

    form.SpecificPath = false;
    ApplyProjectSettingsForm(form, Project);
    EXPECT_EQ(Project.Root, "");
}

TEST_F(ProjectSettingsTest, PathNotes)
{
    testsupport::TempDir dir;
    testsupport::WriteFile(dir / "datei", "x");
    TProjectSettingsForm form;
    form.SpecificPath = true;
    form.Path = dir.Path().string();
    EXPECT_EQ(ProjectPathNote(form), "");
    form.Path = (dir / "neu").string();
    EXPECT_NE(ProjectPathNote(form).find("existiert noch nicht"), std::string::npos);
    form.Path = (dir / "datei").string();
    EXPECT_NE(ProjectPathNote(form).find("Datei"), std::string::npos);
    form.SpecificPath = false;
    EXPECT_EQ(ProjectPathNote(form), "");
}
