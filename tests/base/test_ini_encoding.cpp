// The 8-bit files of the program: Windows-1252 while every value fits, the whole file as UTF-8 as soon
// as one value does not, so that no character becomes "?".
#include "base/IniFile.h"
#include "base/TextEncoding.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

using namespace dedezuviv::base;

TEST(IniEncoding, FilesThatFitStayWindows1252)
{
    TIniFile ini;
    ini.WriteString("General", "Name", "Heizung Außenstelle €");
    EXPECT_EQ(ini.ToBytes(), "[General]\r\nName=Heizung Au\xDF" "enstelle \x80\r\n");
    TIniFile ascii;
    ascii.WriteString("General", "Root", "/srv/log");
    EXPECT_EQ(ascii.ToBytes(), "[General]\r\nRoot=/srv/log\r\n");
}

TEST(IniEncoding, OneValueOutsideWindows1252MakesTheWholeFileUtf8)
{
    testsupport::TempDir dir;
    TIniFile ini((dir / "Haus.p-p").string());
    ini.WriteString("General", "Name", "Außen");
    ini.WriteString("General", "Root", "/srv/Łódź");
    ini.WriteString("Export Setup", "Name0", "Kessel ≥ 60");
    EXPECT_EQ(ini.ToBytes(), "[General]\r\nName=Außen\r\nRoot=/srv/Łódź\r\n\r\n[Export Setup]\r\nName0=Kessel ≥ 60\r\n");
    std::string error;
    ASSERT_TRUE(ini.UpdateFile(error)) << error;

    const TIniFile back((dir / "Haus.p-p").string());
    EXPECT_EQ(back.ReadString("General", "Root", ""), "/srv/Łódź");
    EXPECT_EQ(back.ReadString("General", "Name", ""), "Außen");
    EXPECT_EQ(back.ReadString("Export Setup", "Name0", ""), "Kessel ≥ 60");
    // A section name counts as well.
    TIniFile section;
    section.WriteString("Łódź", "x", "1");
    EXPECT_EQ(section.ToBytes(), "[Łódź]\r\nx=1\r\n");
}

TEST(IniEncoding, Windows1252BytesThatWouldReadAsUtf8AreWrittenAsUtf8)
{
    // "Ã¼" in Windows-1252 is C3 BC, which a reader takes for the UTF-8 of "ü".
    TIniFile ini;
    ini.WriteString("A", "k", "Ã¼");
    TIniFile back;
    back.Parse(ini.ToBytes());
    EXPECT_EQ(back.ReadString("A", "k", ""), "Ã¼");
    EXPECT_EQ(ini.ToBytes(), "[A]\r\nk=Ã¼\r\n");
}

TEST(IniEncoding, InvalidUtf8InMemoryIsKeptAsWindows1252Characters)
{
    // A stray byte (from a file name that is not UTF-8) next to a character outside Windows-1252.
    const std::string value = std::string("a\xE4") + "Ł";
    EXPECT_FALSE(FitsCp1252(value));
    EXPECT_EQ(ToValidUtf8(value), "aäŁ");
    EXPECT_TRUE(IsValidUtf8(EncodeText8(value)));
    EXPECT_TRUE(FitsCp1252("a\xE4"));
    EXPECT_EQ(EncodeText8("a\xE4"), "a\xE4");
    EXPECT_EQ(EncodeText8(""), "");
}
