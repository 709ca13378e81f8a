// Editing the data table (moving cells, storing the cell dialog's result), its clipboard text, and
// caption and unit texts with blanks at their ends through the project file.
#include "base/AppGlobals.h"
#include "base/DateTime.h"
#include "base/FormatSettings.h"
#include "model/LiveState.h"
#include "model/Project.h"
#include "model/ProjectFile.h"
#include "model/UiInterfaces.h"
#include "model/window/TableClipboard.h"
#include "model/window/TableEditing.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <deque>

using namespace dedezuviv::base;
using namespace dedezuviv::model;

namespace {

class QuestionCounter : public IUserDialogs {
public:
    TDialogAnswer Ask(const std::string& text, bool) override
    {
        Questions.push_back(text);
        if (Answers.empty())
            return TDialogAnswer::No;
        const TDialogAnswer answer = Answers.front();
        Answers.pop_front();
        return answer;
    }
    void Inform(const std::string&) override {}
    void Error(const std::string&) override {}
    std::deque<TDialogAnswer> Answers;
    std::vector<std::string> Questions;
};

std::unique_ptr<TDataField> Field(const std::string& name)
{
    auto field = std::make_unique<TDataField>();
    field->Fieldname = name;
    return field;
}

struct TableEditingTest : ::testing::Test {
    TDataTable Table;
    TProject Project;
    QuestionCounter Dialogs;

    void SetUp() override { SetUserDialogs(&Dialogs); }
    void TearDown() override { SetUserDialogs(nullptr); }
};

}  // namespace

TEST_F(TableEditingTest, DropOntoItselfOrOutsideChangesNothingAndAsksNothing)
{
    Table.SetCell(1, 1, Field("A"));
    EXPECT_FALSE(DropTableCell(Table, &Project, 1, 1, 1, 1));
    EXPECT_FALSE(DropTableCell(Table, &Project, 1, 1, 10, 0));
    EXPECT_FALSE(DropTableCell(Table, &Project, -1, -1, 2, 2));
    EXPECT_TRUE(Dialogs.Questions.empty());
    EXPECT_FALSE(Project.Modified);
    ASSERT_NE(Table.Cell(1, 1), nullptr);
    EXPECT_EQ(Table.Cell(1, 1)->Fieldname, "A");
}

TEST_F(TableEditingTest, DropOntoAnEmptyCellMovesWithoutAsking)
{
    Table.SetCell(0, 0, Field("A"));
    EXPECT_TRUE(DropTableCell(Table, &Project, 0, 0, 3, 7));
    EXPECT_TRUE(Dialogs.Questions.empty());
    EXPECT_EQ(Table.Cell(0, 0), nullptr);
    ASSERT_NE(Table.Cell(3, 7), nullptr);
    EXPECT_EQ(Table.Cell(3, 7)->Fieldname, "A");
    EXPECT_TRUE(Project.Modified);
}

TEST_F(TableEditingTest, DropOntoAnOccupiedCellAsksOnceAndNoKeepsBoth)
{
    Table.SetCell(0, 0, Field("A"));
    Table.SetCell(0, 1, Field("B"));
    Dialogs.Answers = {TDialogAnswer::No};
    EXPECT_FALSE(DropTableCell(Table, &Project, 0, 0, 0, 1));
    ASSERT_EQ(Dialogs.Questions.size(), 1u);
    EXPECT_EQ(Dialogs.Questions[0], "Soll der bestehenden Feldinhalt überschrieben werden?");
    EXPECT_EQ(Table.Cell(0, 0)->Fieldname, "A");
    EXPECT_EQ(Table.Cell(0, 1)->Fieldname, "B");
    EXPECT_FALSE(Project.Modified);

    Dialogs.Answers = {TDialogAnswer::Yes};
    EXPECT_TRUE(DropTableCell(Table, &Project, 0, 0, 0, 1));
    EXPECT_EQ(Dialogs.Questions.size(), 2u);
    EXPECT_EQ(Table.Cell(0, 0), nullptr);
    EXPECT_EQ(Table.Cell(0, 1)->Fieldname, "A");
    EXPECT_EQ(Table.Count(), 1);
    EXPECT_TRUE(Project.Modified);
}

TEST_F(TableEditingTest, AnEmptySourceDroppedOntoAnOccupiedCellLeavesBothEmpty)
{
    Table.SetCell(4, 4, Field("B"));
    Dialogs.Answers = {TDialogAnswer::Yes};
    EXPECT_TRUE(DropTableCell(Table, &Project, 2, 2, 4, 4));
    EXPECT_EQ(Table.Count(), 0);
    EXPECT_TRUE(Project.Modified);
}

TEST_F(TableEditingTest, CellDialogResults)
{
    auto edited = Field("Neu");
    ApplyCellEdit(Table, Project, 2, 3, TCellEditResult::Cancel, std::move(edited));
    EXPECT_EQ(Table.Count(), 0);
    EXPECT_FALSE(Project.Modified);

    ApplyCellEdit(Table, Project, 2, 3, TCellEditResult::Ok, Field("Neu"));
    ASSERT_NE(Table.Cell(2, 3), nullptr);
    EXPECT_EQ(Table.Cell(2, 3)->Fieldname, "Neu");
    EXPECT_TRUE(Project.Modified);

    Project.SetModified(false);
    ApplyCellEdit(Table, Project, 2, 3, TCellEditResult::Delete, nullptr);
    EXPECT_EQ(Table.Cell(2, 3), nullptr);
    EXPECT_TRUE(Project.Modified);
}

TEST(TableClipboard, EmptyTableGivesTheHeaderLinesAndFiftyLinesOfNineTabs)
{
    const TTableTextRows rows(50, std::vector<std::string>(10));
    const std::string text = TableClipboardText("Haus", "Heizung", 0, rows);
    std::string expected = "Haus\tHeizung\n\r" + ProgramTitle + "\t" + WebAddress + "\n\r";
    for (int row = 0; row < 50; ++row)
        expected += "\t\t\t\t\t\t\t\t\t\n\r";
    EXPECT_EQ(text, expected);
}

TEST(TableClipboard, DeviceTimeFollowsTheWebAddressAndCellsAreTabSeparated)
{
    SetGermanFormatSettings();
    TDateTime date = 0;
    TDateTime clock = 0;
    ASSERT_TRUE(TryEncodeDate(2026, 12, 8, date));
    ASSERT_TRUE(TryEncodeTime(10, 15, 7, 0, clock));
    const TDateTime time = date + clock;
    const std::string text = TableClipboardText("", "", time, {{"Kessel: 61,5°C", ""}, {"", "Brenner: 1"}});
    EXPECT_EQ(text, "\t\n\r" + ProgramTitle + "\t" + WebAddress + "08.12.2026 10:15:07\n\r" +
                        "Kessel: 61,5°C\t\n\r\tBrenner: 1\n\r");
}

TEST(TableCellsInTheProjectFile, CaptionsAndUnitsWithBlanksAtTheirEndsSurviveSavingAndLoading)
{
    SetGermanFormatSettings();
    testsupport::TempDir dir;
    TProjectView view;
    const std::vector<std::pair<std::string, std::string>> texts = {
        {"Warmwasser: ", " h"}, {"\"zitiert\"", "\"x"}, {"ohne", ""}, {" ", "  "}};
    for (size_t i = 0; i < texts.size(); ++i) {
        auto field = std::make_unique<TDataField>();
        field->CaptionStr = texts[i].first;
        field->UnitStr = texts[i].second;
        view.Table.SetCell(0, static_cast<int>(i), std::move(field));
    }
    TProject project;
    const std::string file = (dir / "Haus.p-p").string();
    int result = -1;
    std::string error;
    SaveProjectFile(project, file, result, error, view);
    ASSERT_EQ(result, 0) << error;
    EXPECT_NE(testsupport::ReadFile(file).find("Cell0_CaptionStr=\"Warmwasser: \"\r\n"), std::string::npos);
    EXPECT_NE(testsupport::ReadFile(file).find("Cell2_CaptionStr=ohne\r\n"), std::string::npos);

    TProjectView loaded;
    std::unique_ptr<TProject> reloaded;
    LoadProjectFile(reloaded, file, result, error, loaded);
    ASSERT_EQ(result, 0) << error;
    for (size_t i = 0; i < texts.size(); ++i) {
        const TDataField* cell = loaded.Table.Cell(0, static_cast<int>(i));
        ASSERT_NE(cell, nullptr);
        EXPECT_EQ(cell->CaptionStr, texts[i].first);
        EXPECT_EQ(cell->UnitStr, texts[i].second);
    }
}

// The demo project's table reads like a real installation: every field it shows exists, its caption
// ends in a blank before the value, and the limits colour the values that leave their range.
TEST(DemoProjectTable, CellsNameKnownFieldsWithASeparatorAndLimits)
{
    SetGermanFormatSettings();
    TProjectView view;
    std::unique_ptr<TProject> project;
    int result = -1;
    std::string error;
    LoadProjectFile(project, testsupport::SourcePath("data/demo/Demo.p-p").string(), result, error, view);
    ASSERT_EQ(result, 0) << error;
    const TNameList known = GetAllFieldNames(project.get(), true, true);
    int limits = 0;
    int shown = 0;
    view.Table.ForEachCell([&](int col, int row, const TDataField& field) {
        limits += field.ActivateMin + field.ActivateMax;
        if (field.Fieldname.empty())
            return;
        ++shown;
        EXPECT_NE(std::find(known.begin(), known.end(), field.Fieldname), known.end()) << field.Fieldname;
        if (!field.UseFieldnameAsCaption) {
            ASSERT_FALSE(field.CaptionStr.empty()) << col << "," << row;
            EXPECT_EQ(field.CaptionStr.back(), ' ') << field.CaptionStr;
        }
    });
    EXPECT_GE(shown, 12);
    EXPECT_GE(limits, 6);
}
