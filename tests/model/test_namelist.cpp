// The name-list encoding of the project file.
#include "model/NameList.h"

#include <gtest/gtest.h>

using namespace dedezuviv::model;

TEST(NameList, EncodesWithSlashQuoting)
{
    EXPECT_EQ(EncodeNameList({"Außen", "Warm Wasser", "Kessel"}), "Außen,/Warm Wasser/,Kessel");
    EXPECT_EQ(EncodeNameList({}), "");
    EXPECT_EQ(EncodeNameList({""}), "//");
    EXPECT_EQ(EncodeNameList({"a", "", "b"}), "a,,b");
    EXPECT_EQ(EncodeNameList({"", ""}), ",");
    EXPECT_EQ(EncodeNameList({"a/b", "c,d", "tab\there"}), "/a//b/,/c,d/,/tab\there/");
    EXPECT_EQ(EncodeNameList({"Kessel (Temperature)"}), "/Kessel (Temperature)/");
}

TEST(NameList, DecodesEntriesQuotesAndEmpties)
{
    using Names = std::vector<std::string>;
    EXPECT_EQ(DecodeNameList("Außen,/Warm Wasser/,Kessel"), (Names{"Außen", "Warm Wasser", "Kessel"}));
    // Unquoted, a blank ends an entry.
    EXPECT_EQ(DecodeNameList("Warm Wasser"), (Names{"Warm", "Wasser"}));
    EXPECT_EQ(DecodeNameList(""), Names{});
    EXPECT_EQ(DecodeNameList("   "), Names{});
    EXPECT_EQ(DecodeNameList("//"), (Names{""}));
    EXPECT_EQ(DecodeNameList("a,,b"), (Names{"a", "", "b"}));
    EXPECT_EQ(DecodeNameList("a,b,"), (Names{"a", "b", ""}));
    EXPECT_EQ(DecodeNameList(",a"), (Names{"", "a"}));
    EXPECT_EQ(DecodeNameList(","), (Names{"", ""}));
    EXPECT_EQ(DecodeNameList("  a ,\t b  "), (Names{"a", "b"}));
    EXPECT_EQ(DecodeNameList("a, "), (Names{"a"}));
    EXPECT_EQ(DecodeNameList("/a//b/,c"), (Names{"a/b", "c"}));
    EXPECT_EQ(DecodeNameList("/unclosed, x"), (Names{"unclosed, x"}));
    EXPECT_EQ(DecodeNameList("/a/b,c"), (Names{"a", "b", "c"}));
    EXPECT_EQ(DecodeNameList("a/b"), (Names{"a/b"}));
}

TEST(NameList, RoundTripsAwkwardEntries)
{
    const std::vector<std::vector<std::string>> lists = {
        {""}, {"", ""}, {"a", ""}, {"", "a"}, {" lead", "trail ", "/", "//", ",", "x\ny"},
        {"Brenner (Output)", "Außen", "ÄÖÜäöü"}, {std::string("nul\0inside", 10)}};
    for (const auto& list : lists)
        EXPECT_EQ(DecodeNameList(EncodeNameList(list)), list) << EncodeNameList(list);
}
