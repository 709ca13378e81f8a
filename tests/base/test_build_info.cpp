// The build's version: the number the settings file stores follows the version of CMakeLists.txt, and
// the arguments that ask for it.
#include "base/AppGlobals.h"
#include "base/BuildInfo.h"

#include <gtest/gtest.h>

#include <string>

using namespace dedezuviv::base;

TEST(BuildInfo, StoredVersionNumberFollowsTheProjectVersion)
{
    // "1.250" is stored as 1250: a new version in CMakeLists.txt needs a new VersionNumber.
    const std::string version = BuildVersionText();
    const size_t point = version.find('.');
    ASSERT_NE(point, std::string::npos) << version;
    ASSERT_EQ(version.size() - point - 1, 3u) << "three decimals: " << version;
    EXPECT_EQ(std::stoi(version.substr(0, point)) * 1000 + std::stoi(version.substr(point + 1)), VersionNumber);
    EXPECT_EQ(VersionString, version);
}

TEST(BuildInfo, VersionTextNamesTheCommitWhenThereIsOne)
{
    const std::string commit = BuildCommitText();
    EXPECT_EQ(VersionWithCommit(), commit.empty() ? VersionString : VersionString + " (git " + commit + ")");
    EXPECT_EQ(VersionLine("dedezuviv-tool"), "dedezuviv-tool " + VersionWithCommit());
}

TEST(BuildInfo, VersionArguments)
{
    const struct {
        const char* Argument;
        bool AsksForVersion;
    } cases[] = {
        {"--version", true}, {"-version", true}, {"/VERSION", true}, {"/Version", true}, {"-VERSION", true},
        {"--VERSION", false}, {"--versions", false}, {"version", false}, {"/VERSION=1", false}, {"-v", false},
        {"", false}, {"/", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(IsVersionArgument(c.Argument), c.AsksForVersion) << c.Argument;
}
