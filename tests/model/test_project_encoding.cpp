// Projects whose names and folders hold characters outside Windows-1252 keep them through a save and a
// load, and record into exactly the folder named.
#include "model/DayFiles.h"
#include "model/Project.h"
#include "model/ProjectFile.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace dedezuviv::model;

namespace fs = std::filesystem;

TEST(ProjectEncoding, RootOutsideWindows1252RecordsIntoThatFolder)
{
    testsupport::TempDir dir;
    const std::string root = (dir / "Łódź").string();
    const std::string file = (dir / "Wrocław.p-p").string();
    TProjectView view;
    {
        TProject project;
        project.SetFileName(file);
        project.Root = root;
        project.Comment = "Kessel in Łódź";
        int result = -1;
        std::string error;
        SaveProjectFile(project, file, result, error, view);
        ASSERT_EQ(result, 0) << error;
    }
    const std::string bytes = testsupport::ReadFile(file);
    EXPECT_NE(bytes.find("Root=" + root + "\r\n"), std::string::npos);
    EXPECT_EQ(bytes.find('?'), std::string::npos);

    std::unique_ptr<TProject> loaded;
    int result = -1;
    std::string error;
    LoadProjectFile(loaded, file, result, error, view);
    ASSERT_EQ(result, 0) << error;
    ASSERT_TRUE(loaded);
    EXPECT_EQ(loaded->Root, root);
    EXPECT_EQ(loaded->GetComment(), "Kessel in Łódź");

    const std::string dayFile = DataFileName(*loaded, EncodeDateTime(2026, 12, 8, 10, 15, 7));
    EXPECT_EQ(dayFile, root + "/data/26-12-08.txt");
    ASSERT_TRUE(AppendLineToFile(dayFile, "=MD/t+055,50#"));
    EXPECT_EQ(testsupport::ReadFile(dir / "Łódź" / "data" / "26-12-08.txt"), "=MD/t+055,50#\r\n");
    // Nothing was written under a name with "?" in it.
    for (const auto& entry : fs::directory_iterator(dir.Path()))
        EXPECT_EQ(entry.path().filename().string().find('?'), std::string::npos) << entry.path();
    CloseProject(loaded, view);
}
