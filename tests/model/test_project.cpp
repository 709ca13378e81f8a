// The project object, the live state shared with other threads and the data table model.
#include "model/LiveState.h"
#include "model/Project.h"
#include "model/window/DataTable.h"

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <thread>
#include <vector>

using namespace dedezuviv::model;

TEST(Project, InitialValues)
{
    TProject project;
    EXPECT_FALSE(project.Modified);
    EXPECT_EQ(project.GetName(), "Project");
    EXPECT_EQ(project.GetComment(), "");
    EXPECT_EQ(project.GetFileName(), "");
    EXPECT_EQ(project.RecordStart, 0);
    EXPECT_EQ(project.LastSaved, 0);
    EXPECT_EQ(project.Root, "");
    EXPECT_EQ(project.SamplingInterval, 90);
    EXPECT_FALSE(project.RecordingToFile);
    EXPECT_EQ(project.TriggerField, "");
    EXPECT_TRUE(project.ShowTableGrid);
    for (const auto& names : project.FieldNames)
        EXPECT_TRUE(names.empty());
    EXPECT_TRUE(project.FieldSelections.empty());
}

TEST(Project, DataDirFromRoot)
{
    TProject project;
    project.Root = "D:/Log/";
    EXPECT_EQ(project.GetDataDir(), "D:/Log");
    EXPECT_EQ(project.GetDataDir("data"), "D:/Log/data");
    project.Root = "D:\\Log\\";
    EXPECT_EQ(project.GetDataDir(), "D:\\Log");
    EXPECT_EQ(project.GetDataDir("data"), "D:\\Log/data");
    project.Root = "/srv/log//";
    EXPECT_EQ(project.GetDataDir("data"), "/srv/log/data");
    project.Root = "/srv/log";
    EXPECT_EQ(project.GetDataDir("data"), "/srv/log/data");
    // The root wins over the file name.
    project.FileName = "/home/anna/Haus1.p-p";
    EXPECT_EQ(project.GetDataDir(), "/srv/log");
    // A root of only separators is the file system root.
    project.Root = "/";
    EXPECT_EQ(project.GetDataDir(), "/");
    EXPECT_EQ(project.GetDataDir("data"), "/data");
}

TEST(Project, DataDirBesideTheProjectFile)
{
    TProject project;
    project.FileName = "/home/anna/Anlagen/Haus1.p-p";
    EXPECT_EQ(project.GetDataDir(), "/home/anna/Anlagen/Haus1");
    EXPECT_EQ(project.GetDataDir("data"), "/home/anna/Anlagen/Haus1/data");
    project.FileName = "/home/anna/v1.2/Haus.alt.p-p";
    EXPECT_EQ(project.GetDataDir(), "/home/anna/v1.2/Haus.alt");
    // Without an extension the folder would be the file itself.
    project.FileName = "/home/anna/v1.2/Haus";
    EXPECT_EQ(project.GetDataDir(), "/home/anna/v1.2/Haus.data");
    project.FileName = "/home/anna/.p-p";
    EXPECT_EQ(project.GetDataDir(), "/home/anna/.p-p.data");
}

TEST(Project, DataDirWithoutFileOrRootIsInTheWorkingFolder)
{
    TProject project;
    const std::string cwd = std::filesystem::current_path().generic_string();
    EXPECT_EQ(project.GetDataDir(), (cwd == "/" ? "" : cwd) + "/Project");
    EXPECT_EQ(project.GetDataDir("data"), (cwd == "/" ? "" : cwd) + "/Project/data");
}

TEST(Project, AllFieldNames)
{
    TProject empty;
    EXPECT_EQ(empty.GetAllFieldNames(false, true),
              (TNameList{"ID", "PC", "Program", "RT", "Subversion", "Version"}));
    EXPECT_TRUE(empty.GetAllFieldNames(true, false).empty());
    EXPECT_TRUE(GetAllFieldNames(nullptr, true, true).empty());

    TProject project;
    project.FieldNames[ftTemperature] = {"Kessel", "", "außen"};
    project.FieldNames[ftOutput] = {"Brenner", "Kessel"};
    EXPECT_EQ(GetAllFieldNames(&project, false, false), (TNameList{"außen", "Brenner", "Kessel", "Kessel"}));
    EXPECT_EQ(project.GetAllFieldNames(true, true),
              (TNameList{"außen (Temperatur)", "Brenner (Relais)", "ID", "Kessel (Relais)",
                         "Kessel (Temperatur)", "PC", "Program", "RT", "Subversion", "Version"}));
}

TEST(Project, FieldNamesOfOneType)
{
    TProject project;
    project.FieldNames[ftOutput] = {"Pumpe", "", "Brenner"};
    EXPECT_EQ(project.GetFieldNames(false, ftOutput), (TNameList{"Brenner", "Pumpe"}));
    EXPECT_EQ(project.GetFieldNames(true, ftOutput), (TNameList{"Brenner (Relais)", "Pumpe (Relais)"}));
    EXPECT_TRUE(project.GetFieldNames(true, ftTemperature).empty());
    EXPECT_TRUE(project.GetFieldNames(true, static_cast<TFieldType>(-1)).empty());
    EXPECT_TRUE(project.GetFieldNames(true, static_cast<TFieldType>(FieldTypeCount)).empty());
}

TEST(Project, SelectionsWithAndWithoutList)
{
    TProject project;
    project.FieldSelections.emplace_back("Temperaturen", TNameList{"Außen (Temperatur)"});
    project.FieldSelections.emplace_back("Leer");
    ASSERT_TRUE(project.FieldSelections[0].List);
    EXPECT_EQ(project.FieldSelections[0].List->front(), "Außen (Temperatur)");
    EXPECT_FALSE(project.FieldSelections[1].List);
}

TEST(LiveState, ReplaceAndCloseTheCurrentProject)
{
    CloseCurrentProject();
    EXPECT_EQ(CurrentProject(), nullptr);
    auto first = std::make_unique<TProject>();
    first->SetName("Eins");
    ReplaceCurrentProject(std::move(first));
    ASSERT_NE(CurrentProject(), nullptr);
    EXPECT_EQ(CurrentProject()->GetName(), "Eins");
    auto second = std::make_unique<TProject>();
    second->SetName("Zwei");
    ReplaceCurrentProject(std::move(second));
    EXPECT_EQ(CurrentProject()->GetName(), "Zwei");
    CloseCurrentProject();
    EXPECT_EQ(CurrentProject(), nullptr);
    CloseCurrentProject();
    EXPECT_EQ(CurrentProject(), nullptr);
}

// A reader thread that follows the locking rule never sees a freed or half-replaced project (this test
// shows its worth under the sanitizer build, which reports any use after free).
TEST(LiveState, ReaderUnderTheLockSeesWholeProjects)
{
    CloseCurrentProject();
    std::atomic<bool> stop{false};
    std::atomic<int> inconsistent{0};
    std::atomic<long> reads{0};
    std::thread reader([&] {
        while (!stop.load()) {
            std::lock_guard<std::mutex> guard(LiveStateLock());
            if (const TProject* project = CurrentProject()) {
                const auto& names = project->FieldNames[ftTemperature];
                if (names.size() != 50 || names.front() != project->GetName() || names.back() != project->GetName())
                    ++inconsistent;
            }
            ++reads;
        }
    });
    while (reads.load() == 0)
        std::this_thread::yield();
    // At least 2000 replacements, and on until the reader has looked a few hundred times.
    for (int i = 0; i < 2000 || (reads.load() < 500 && i < 1000000); ++i) {
        auto project = std::make_unique<TProject>();
        project->SetName(std::to_string(i) + "P");
        project->FieldNames[ftTemperature].assign(50, project->GetName());
        ReplaceCurrentProject(std::move(project));
        if (i % 3 == 0)
            CloseCurrentProject();
    }
    stop = true;
    reader.join();
    CloseCurrentProject();
    EXPECT_EQ(inconsistent.load(), 0);
    EXPECT_GE(reads.load(), 500);
}

TEST(LiveState, CurrentRecordIsCopiedWholeUnderTheLock)
{
    ClearCurrentRecord();
    EXPECT_EQ(CurrentRecord().Counts[ftTemperature], 0);
    EXPECT_EQ(CurrentRecord().Header.ID, 0);

    auto source = std::make_unique<TDecodedRecord>();
    std::atomic<bool> stop{false};
    std::atomic<int> torn{0};
    std::atomic<long> reads{0};
    std::thread reader([&] {
        while (!stop.load()) {
            ++reads;
            std::lock_guard<std::mutex> guard(LiveStateLock());
            const TDecodedRecord& record = CurrentRecord();
            const int count = record.Counts[ftTemperature];
            if (record.Header.ID != count)
                ++torn;
            for (int p = 0; p < count; ++p)
                if (record.Values[ftTemperature][p].FloatValue != count)
                    ++torn;
        }
    });
    while (reads.load() == 0)
        std::this_thread::yield();
    int i = 1;
    for (; i <= 3000 || (reads.load() < 500 && i < 1000000); ++i) {
        const int count = 1 + i % MaxValuesPerType;
        source->Counts[ftTemperature] = static_cast<uint16_t>(count);
        source->Header.ID = count;
        for (int p = 0; p < count; ++p) {
            source->Values[ftTemperature][p].Kind = vkFloat;
            source->Values[ftTemperature][p].FloatValue = count;
        }
        SetCurrentRecord(*source);
    }
    stop = true;
    reader.join();
    EXPECT_EQ(torn.load(), 0);
    EXPECT_GE(reads.load(), 500);
    EXPECT_EQ(CurrentRecord().Header.ID, 1 + (i - 1) % MaxValuesPerType);

    SetCurrentRecord(CurrentRecord());  // copying onto itself is harmless
    ClearCurrentRecord();
    EXPECT_EQ(CurrentRecord().Counts[ftTemperature], 0);
    EXPECT_EQ(CurrentRecord().Values[ftTemperature][0].Kind, vkNone);
    EXPECT_EQ(CurrentRecord().Header.ID, 0);
}

TEST(DataTable, CellDefaults)
{
    TDataField field;
    EXPECT_TRUE(field.Fieldname.empty());
    EXPECT_TRUE(field.UseFieldnameAsCaption);
    EXPECT_TRUE(field.UseDefaultUnit);
    EXPECT_FALSE(field.ActivateMin);
    EXPECT_FALSE(field.ActivateMax);
    EXPECT_EQ(field.MinVal, 0.0);
    EXPECT_EQ(field.MaxVal, 0.5);
    EXPECT_FALSE(field.BoldFont);
    EXPECT_FALSE(field.ItalicFont);
    EXPECT_EQ(field.FontColor, 0);
    EXPECT_EQ(field.MinFontColor, 16711680);
    EXPECT_EQ(field.MaxFontColor, 255);

    TDataField other;
    other.DisplayColor = 255;
    EXPECT_TRUE(field.SameSettings(other));
    other.MaxVal = 80;
    EXPECT_FALSE(field.SameSettings(other));
}

TEST(DataTable, SetTakeClearAndBounds)
{
    TDataTable table;
    EXPECT_EQ(table.Count(), 0);
    auto field = std::make_unique<TDataField>();
    field->Fieldname = "Kessel (Temperatur)";
    TDataField* raw = field.get();
    EXPECT_TRUE(table.SetCell(9, 49, std::move(field)));
    EXPECT_EQ(table.Cell(9, 49), raw);
    EXPECT_EQ(table.Count(), 1);

    const std::vector<std::pair<int, int>> outside = {{-1, 0}, {10, 0}, {0, -1}, {0, 50}, {100000, 100000}};
    for (auto [col, row] : outside) {
        EXPECT_FALSE(table.SetCell(col, row, std::make_unique<TDataField>()));
        EXPECT_EQ(table.Cell(col, row), nullptr);
        EXPECT_EQ(table.TakeCell(col, row), nullptr);
        table.ClearCell(col, row);
        EXPECT_FALSE(table.MoveCell(col, row, 0, 0));
        EXPECT_FALSE(table.MoveCell(9, 49, col, row));
    }
    EXPECT_EQ(table.Cell(9, 49), raw);

    auto taken = table.TakeCell(9, 49);
    EXPECT_EQ(taken.get(), raw);
    EXPECT_EQ(table.Cell(9, 49), nullptr);
    table.SetCell(0, 0, std::move(taken));
    table.ClearCell(0, 0);
    EXPECT_EQ(table.Count(), 0);
}

TEST(DataTable, MoveReplacesTheTargetAndEmptiesTheSource)
{
    TDataTable table;
    auto a = std::make_unique<TDataField>();
    a->Fieldname = "A";
    auto b = std::make_unique<TDataField>();
    b->Fieldname = "B";
    table.SetCell(1, 1, std::move(a));
    table.SetCell(2, 2, std::move(b));

    EXPECT_FALSE(table.MoveCell(1, 1, 1, 1));
    ASSERT_NE(table.Cell(1, 1), nullptr);
    EXPECT_TRUE(table.MoveCell(1, 1, 2, 2));
    EXPECT_EQ(table.Cell(1, 1), nullptr);
    ASSERT_NE(table.Cell(2, 2), nullptr);
    EXPECT_EQ(table.Cell(2, 2)->Fieldname, "A");
    EXPECT_EQ(table.Count(), 1);
    // An empty source empties the target.
    EXPECT_TRUE(table.MoveCell(1, 1, 2, 2));
    EXPECT_EQ(table.Count(), 0);
}

TEST(DataTable, VisitsCellsInColumnMajorOrder)
{
    TDataTable table;
    const std::vector<std::pair<int, int>> cells = {{3, 0}, {0, 49}, {0, 2}, {9, 1}, {3, 10}};
    for (auto [col, row] : cells) {
        auto field = std::make_unique<TDataField>();
        field->Fieldname = std::to_string(col) + "/" + std::to_string(row);
        table.SetCell(col, row, std::move(field));
    }
    std::vector<std::string> visited;
    table.ForEachCell([&](int col, int row, TDataField& field) {
        EXPECT_EQ(field.Fieldname, std::to_string(col) + "/" + std::to_string(row));
        visited.push_back(field.Fieldname);
    });
    EXPECT_EQ(visited, (std::vector<std::string>{"0/2", "0/49", "3/0", "3/10", "9/1"}));

    const TDataTable& constTable = table;
    int count = 0;
    constTable.ForEachCell([&](int, int, const TDataField&) { ++count; });
    EXPECT_EQ(count, 5);

    table.ClearAll();
    EXPECT_EQ(table.Count(), 0);
    table.ForEachCell([&](int, int, TDataField&) { ADD_FAILURE() << "cell left after ClearAll"; });
}
