// Option lookup of the command line.
#include "app/core/CommandLine.h"

#include <gtest/gtest.h>

using namespace dedezuviv::app;

namespace {

std::string Option(std::vector<std::string> args, const std::string& longName, const std::string& shortName,
                   bool* found = nullptr)
{
    SetCommandLineArguments(std::move(args));
    std::string value = "leftover";
    const bool present = GetCommandLineOption(longName, shortName, value);
    if (found)
        *found = present;
    return value;
}

}  // namespace

TEST(CommandLine, LongShortAndSeparatorFormsSelectTheSameOption)
{
    for (const char* arg : {"/p=x.p-p", "-project:x.p-p", "/PROJECT=x.p-p", "-P=x.p-p"}) {
        bool found = false;
        EXPECT_EQ(Option({arg}, "project", "p", &found), "x.p-p") << arg;
        EXPECT_TRUE(found) << arg;
    }
    bool found = true;
    EXPECT_EQ(Option({"/projectfile=x"}, "project", "p", &found), "");
    EXPECT_FALSE(found);
    EXPECT_EQ(Option({"project=x", "", "p"}, "project", "p", &found), "");
    EXPECT_FALSE(found);
}

TEST(CommandLine, FirstMatchWinsAndValueRunsAfterTheFirstSeparator)
{
    EXPECT_EQ(Option({"/port=COM1", "/port=COM2"}, "port", ""), "COM1");
    EXPECT_EQ(Option({"/port=/dev/ttyUSB0"}, "port", ""), "/dev/ttyUSB0");
    EXPECT_EQ(Option({"/trigger=a=b:c"}, "trigger", ""), "a=b:c");
    EXPECT_EQ(Option({"-port:x:y"}, "port", ""), "x:y");
    // An empty short name never matches an argument without name.
    bool found = true;
    Option({"/=x"}, "port", "", &found);
    EXPECT_FALSE(found);
}

TEST(CommandLine, QuotedValuesAreUnquotedOnlyWhenProperlyQuoted)
{
    EXPECT_EQ(Option({"/project=\"Mein Haus.p-p\""}, "project", "p"), "Mein Haus.p-p");
    EXPECT_EQ(Option({"/project=\"a\"\"b\""}, "project", "p"), "a\"b");
    EXPECT_EQ(Option({"/project=\"open"}, "project", "p"), "\"open");
    EXPECT_EQ(Option({"/project=\"a\"b"}, "project", "p"), "\"a\"b");
    EXPECT_EQ(Option({"/project=a\"b\""}, "project", "p"), "a\"b\"");
}

TEST(CommandLine, SwitchesAreOnWhenEmptyOrOn)
{
    for (const char* arg : {"/debug", "-d", "/Debug=on", "/debug:ON"}) {
        SetCommandLineArguments({arg});
        EXPECT_TRUE(IsCommandLineSwitchOn("debug", "d")) << arg;
    }
    for (const char* arg : {"/debug=OFF", "/debug=1", "debug", "/debugging"}) {
        SetCommandLineArguments({arg});
        EXPECT_FALSE(IsCommandLineSwitchOn("debug", "d")) << arg;
    }
    SetCommandLineArguments({"/debug=\"ON\""});
    EXPECT_TRUE(IsCommandLineSwitchOn("debug", "d"));
    SetCommandLineArguments({});
    EXPECT_FALSE(IsCommandLineSwitchOn("debug", "d"));
}
