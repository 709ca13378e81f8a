// --version of the three programs as a user starts them: one line with the build's version, exit code 0,
// before anything else happens (no window, no settings file, no port).
#include "base/BuildInfo.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

using namespace dedezuviv::base;
using testsupport::BackgroundProgram;

namespace {

struct TVersionCase {
    std::string Program;
    std::vector<std::string> Arguments;
};

std::filesystem::path ProgramPath(const std::string& name)
{
    return name == "dedezuviv" ? testsupport::LoggerPath() : testsupport::ToolPath(name);
}

}  // namespace

TEST(VersionOption, EachProgramPrintsTheBuildsVersionAndEnds)
{
    const TVersionCase cases[] = {
        {"dedezuviv", {"--version"}},
        {"dedezuviv", {"/PROJECT=Haus.p-p", "/VERSION", "/START"}},
        {"dedezuviv", {"-headless", "-Version"}},
        {"dedezuviv-tool", {"--version"}},
        {"dedezuviv-simulator", {"--version"}},
        {"dedezuviv-simulator", {"--interval", "1", "--version"}},
    };
    for (const TVersionCase& c : cases) {
        const std::string what = c.Program + " " + c.Arguments.front();
        if (!std::filesystem::exists(ProgramPath(c.Program)))
            GTEST_SKIP() << c.Program << " not built";
        testsupport::TempDir dir;
        BackgroundProgram program;
        BackgroundProgram::Options options;
        // A display platform is set: the window must not open for --version either.
        options.Environment = {{"XDG_CONFIG_HOME", (dir.Path() / "config").string()},
                               {"HOME", dir.Path().string()}, {"QT_QPA_PLATFORM", "offscreen"}};
        options.StdoutFile = dir.Path() / "out";
        options.StderrFile = dir.Path() / "err";
        ASSERT_TRUE(program.Start(ProgramPath(c.Program), c.Arguments, options)) << what;
        EXPECT_EQ(program.Wait(20000), 0) << what;
        EXPECT_EQ(testsupport::ReadFile(dir.Path() / "out"), VersionLine(c.Program) + "\n") << what;
        EXPECT_EQ(testsupport::ReadFile(dir.Path() / "err"), "") << what;
        EXPECT_FALSE(std::filesystem::exists(dir.Path() / "config")) << what << ": settings written";
    }
}

// "--version N" is the simulator's older name of --controller-version: with a number it is no request
// for the program's version (the records' version field it sets is checked with the simulator).
TEST(VersionOption, SimulatorVersionWithANumberIsTheControllersVersion)
{
    testsupport::TempDir dir;
    BackgroundProgram simulator;
    BackgroundProgram::Options options;
    options.StdoutFile = dir.Path() / "out";
    ASSERT_TRUE(simulator.Start(testsupport::ToolPath("dedezuviv-simulator"), {"--version", "3", "--help"}, options));
    EXPECT_EQ(simulator.Wait(20000), 0);
    const std::string out = testsupport::ReadFile(dir.Path() / "out");
    EXPECT_TRUE(testsupport::Contains(out, "--controller-version")) << out;
    EXPECT_FALSE(testsupport::Contains(out, VersionLine("dedezuviv-simulator"))) << out;
}
