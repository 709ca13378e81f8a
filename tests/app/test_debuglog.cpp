// The debug log keeps to its size: one old file beside the current one.
#include "app/core/LogLines.h"
#include "base/AppGlobals.h"
#include "model/LiveState.h"
#include "model/Project.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace dedezuviv::base;
using namespace dedezuviv::model;
using namespace dedezuviv::app;

namespace fs = std::filesystem;

TEST(DebugLog, RotatesAtItsSizeKeepingOneOldFile)
{
    testsupport::TempDir dir;
    const std::string file = (dir / "debug.log").string();
    const std::string line(48, 'x');  // 50 bytes with CR LF
    for (int i = 0; i < 4; ++i)
        ASSERT_TRUE(AppendLineRotating(file, line, 200));
    EXPECT_EQ(fs::file_size(file), 200u);
    EXPECT_FALSE(fs::exists(file + ".1"));
    // The fifth line would pass the limit: the file becomes the old one.
    ASSERT_TRUE(AppendLineRotating(file, "neu", 200));
    EXPECT_EQ(testsupport::ReadFile(file), "neu\r\n");
    EXPECT_EQ(fs::file_size(file + ".1"), 200u);
    for (int i = 0; i < 20; ++i)
        ASSERT_TRUE(AppendLineRotating(file, line, 200));
    // Never more than the limit in either file, and never a third file.
    EXPECT_LE(fs::file_size(file), 200u);
    EXPECT_LE(fs::file_size(file + ".1"), 200u);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.Path()), fs::directory_iterator()), 2);
    // A single line longer than the limit is still written.
    ASSERT_TRUE(AppendLineRotating(file, std::string(300, 'y'), 200));
    EXPECT_EQ(fs::file_size(file), 302u);
}

TEST(DebugLog, DebugModeLinesGoThroughTheRotation)
{
    testsupport::TempDir dir;
    auto project = std::make_unique<TProject>();
    project->Root = dir.Path().string();
    ReplaceCurrentProject(std::move(project));
    const int64_t savedLimit = DebugLogSizeLimit;
    DebugLogSizeLimit = 1000;
    DebugMode = true;
    for (int i = 0; i < 200; ++i)
        AppendToDebugLog("Received=INDEX 0 0");
    DebugMode = false;
    DebugLogSizeLimit = savedLimit;
    EXPECT_LE(fs::file_size(dir / "debug.log"), 1000u);
    EXPECT_LE(fs::file_size(dir / "debug.log.1"), 1000u);
    EXPECT_GT(fs::file_size(dir / "debug.log.1"), 900u);
    CloseCurrentProject();
}
