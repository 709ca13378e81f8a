// INI files.
#include "base/FormatSettings.h"
#include "base/IniFile.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sys/stat.h>

using namespace dedezuviv::base;

using testsupport::ReadFile;
using testsupport::TempDir;
using testsupport::WriteFile;

namespace {

TIniFile Parsed(std::string_view bytes)
{
    TIniFile ini;
    ini.Parse(bytes);
    return ini;
}

using Entries = std::vector<std::pair<std::string, std::string>>;

}  // namespace

TEST(IniFile, ReadsSectionsAndKeysWithoutRegardToCaseInFileOrder)
{
    const TIniFile ini = Parsed("[General]\r\nPort = COM1 \r\n  Baudrate=9600\r\n\r\n[Info]\r\nVersion=1250\r\n");
    EXPECT_EQ(ini.ReadSections(), (std::vector<std::string>{"General", "Info"}));
    EXPECT_EQ(ini.ReadSection("GENERAL"), (std::vector<std::string>{"Port", "Baudrate"}));
    EXPECT_EQ(ini.ReadString("general", "PORT", "x"), "COM1");
    EXPECT_EQ(ini.ReadInteger("Info", "version", 0), 1250);
    EXPECT_TRUE(ini.SectionExists("iNfO"));
    EXPECT_FALSE(ini.SectionExists("Missing"));
    EXPECT_TRUE(ini.ValueExists("General", "baudrate"));
    EXPECT_FALSE(ini.ValueExists("Info", "Port"));
    EXPECT_EQ(ini.ReadString("Info", "Port", "default"), "default");
    EXPECT_TRUE(ini.ReadSection("Missing").empty());
}

TEST(IniFile, UmlautsCompareWithoutRegardToCase)
{
    const TIniFile ini = Parsed("[ÄRGER]\nÖl=1\n");
    EXPECT_TRUE(ini.SectionExists("ärger"));
    EXPECT_EQ(ini.ReadInteger("Ärger", "öL", 0), 1);
}

TEST(IniFile, CommentsBrokenLinesAndDuplicates)
{
    const TIniFile ini = Parsed("orphan=1\n"
                                "[S]\n"
                                "; comment=1\n"
                                "  ;also=1\n"
                                "#hash=2\n"
                                "k=first\n"
                                "K=second\n"
                                "noequals\n"
                                "=novalue\n"
                                "[broken\n"
                                "empty=\n"
                                "[Other]\n"
                                "a=1\n"
                                "[s]\n"
                                "k=third\n"
                                "late=4\n");
    // Only ";" starts a comment; "#hash" is a key as on Windows.
    EXPECT_EQ(ini.ReadSectionValues("S"), (Entries{{"#hash", "2"}, {"k", "first"}, {"empty", ""}, {"late", "4"}}));
    EXPECT_EQ(ini.ReadSections(), (std::vector<std::string>{"S", "Other"}));
    // A present empty value is the empty text, not the default; numbers fall back to the default.
    EXPECT_EQ(ini.ReadString("S", "empty", "d"), "");
    EXPECT_EQ(ini.ReadInteger("S", "empty", 7), 7);
    // The keys before the first section are kept on writing.
    EXPECT_EQ(ini.ToBytes().substr(0, 10), "orphan=1\r\n");
}

TEST(IniFile, TypedValuesAcceptBothDecimalSeparatorsAndDateForms)
{
    SetGermanFormatSettings();
    const TIniFile ini = Parsed("[V]\n"
                                "hex=$1F\nhex2=0x10\nneg=-5\nbad=12a\nhuge=99999999999\n"
                                "bool0=0\nbool2=2\nboolbad=yes\n"
                                "comma=2,5\npoint=2.5\nexp=1E3\nfbad=2,5,5\n"
                                "dt=01.02.2024 03:04:05\ndate=24.12.2023\n"
                                "dtbad=gestern\n");
    EXPECT_EQ(ini.ReadInteger("V", "hex", 0), 31);
    EXPECT_EQ(ini.ReadInteger("V", "hex2", 0), 16);
    EXPECT_EQ(ini.ReadInteger("V", "neg", 0), -5);
    EXPECT_EQ(ini.ReadInteger("V", "bad", 3), 3);
    EXPECT_EQ(ini.ReadInteger("V", "huge", 3), 3);
    EXPECT_FALSE(ini.ReadBool("V", "bool0", true));
    EXPECT_TRUE(ini.ReadBool("V", "bool2", false));
    EXPECT_TRUE(ini.ReadBool("V", "boolbad", true));
    EXPECT_FALSE(ini.ReadBool("V", "missing", false));
    EXPECT_DOUBLE_EQ(ini.ReadFloat("V", "comma", 0), 2.5);
    EXPECT_DOUBLE_EQ(ini.ReadFloat("V", "point", 0), 2.5);
    EXPECT_DOUBLE_EQ(ini.ReadFloat("V", "exp", 0), 1000);
    EXPECT_DOUBLE_EQ(ini.ReadFloat("V", "fbad", 0.5), 0.5);
    EXPECT_DOUBLE_EQ(ini.ReadDateTime("V", "dt", 0), EncodeDateTime(2024, 2, 1, 3, 4, 5));
    EXPECT_DOUBLE_EQ(ini.ReadDateTime("V", "date", 0), EncodeDate(2023, 12, 24));
    EXPECT_DOUBLE_EQ(ini.ReadDateTime("V", "dtbad", 42), 42);
}

TEST(IniFile, WritingUpdatesInPlaceAndAppendsNewKeysAndSections)
{
    SetGermanFormatSettings();
    TIniFile ini = Parsed("[A]\nx=1\ny=2\n[B]\nz=3\n");
    ini.WriteString("a", "X", "neu");
    ini.WriteInteger("A", "w", -4);
    ini.WriteBool("C", "flag", true);
    ini.WriteFloat("C", "f", 0.5);
    ini.WriteDateTime("C", "midnight", EncodeDate(2024, 3, 1));
    ini.WriteDateTime("C", "time", EncodeDateTime(2024, 3, 1, 7, 8, 9));
    ini.WriteString("C", "lines", "eins\r\nzwei");
    EXPECT_EQ(ini.ToBytes(), "[A]\r\nx=neu\r\ny=2\r\nw=-4\r\n"
                             "\r\n[B]\r\nz=3\r\n"
                             "\r\n[C]\r\nflag=1\r\nf=0,5\r\nmidnight=01.03.2024\r\ntime=01.03.2024 07:08:09\r\n"
                             "lines=eins  zwei\r\n");
    ini.DeleteKey("A", "Y");
    ini.EraseSection("b");
    EXPECT_EQ(ini.ReadSections(), (std::vector<std::string>{"A", "C"}));
    EXPECT_EQ(ini.ReadSection("A"), (std::vector<std::string>{"x", "w"}));
    EXPECT_EQ(ini.ReadString("A", "w", ""), "-4");
    ini.WriteString("A", "y", "again");
    EXPECT_EQ(ini.ReadSection("A"), (std::vector<std::string>{"x", "w", "y"}));
}

TEST(IniFile, ReadsUtf8OrWindows1252AndWritesWindows1252)
{
    const TIniFile utf8 = Parsed("[F]\nT=Au\xC3\x9F" "en\n");
    EXPECT_EQ(utf8.ReadString("F", "T", ""), "Außen");
    const TIniFile cp1252 = Parsed("[F]\nT=Au\xDF" "en \x80\n");
    EXPECT_EQ(cp1252.ReadString("F", "T", ""), "Außen €");
    EXPECT_EQ(cp1252.ToBytes(), "[F]\r\nT=Au\xDF" "en \x80\r\n");
    // A byte-order mark is no part of the first section name; lone CR ends lines too.
    const TIniFile bom = Parsed("\xEF\xBB\xBF[A]\rB=1\r");
    EXPECT_EQ(bom.ReadInteger("A", "B", 0), 1);
}

TEST(IniFile, FileAccessAndAtomicReplacement)
{
    TempDir dir;
    const auto path = dir / "test.ini";
    TIniFile missing(path);
    EXPECT_TRUE(missing.ReadSections().empty());
    EXPECT_FALSE(missing.Load());
    EXPECT_TRUE(DeleteIniFile(path));  // a missing file is no error

    missing.WriteString("S", "k", "v");
    std::string error;
    ASSERT_TRUE(missing.UpdateFile(error)) << error;
    EXPECT_EQ(ReadFile(path), "[S]\r\nk=v\r\n");
    ::chmod(path.c_str(), 0640);

    TIniFile loaded(path);
    loaded.WriteString("S", "k2", "v2");
    ASSERT_TRUE(loaded.UpdateFile(error)) << error;
    EXPECT_EQ(ReadFile(path), "[S]\r\nk=v\r\nk2=v2\r\n");
    struct stat info {};
    ::stat(path.c_str(), &info);
    EXPECT_EQ(info.st_mode & 0777, 0640u);
    // No temporary file is left behind.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 1);

    // A save that cannot be written leaves the old file and reports the failure.
    TIniFile elsewhere;
    elsewhere.SetFileName(dir / "no" / "such" / "folder.ini");
    EXPECT_FALSE(elsewhere.UpdateFile(error));
    EXPECT_NE(error.find("folder.ini"), std::string::npos);
    TIniFile onDirectory;
    onDirectory.SetFileName(dir.Path());
    EXPECT_FALSE(onDirectory.UpdateFile(error));

    EXPECT_TRUE(DeleteIniFile(path));
    EXPECT_FALSE(std::filesystem::exists(path));
}

TEST(IniFile, WritingThroughASymbolicLinkReplacesTheTarget)
{
    TempDir dir;
    WriteFile(dir / "real.ini", "[A]\r\nx=1\r\n");
    std::filesystem::create_symlink(dir / "real.ini", dir / "link.ini");
    TIniFile ini(dir / "link.ini");
    ini.WriteString("A", "y", "2");
    std::string error;
    ASSERT_TRUE(ini.UpdateFile(error)) << error;
    EXPECT_TRUE(std::filesystem::is_symlink(dir / "link.ini"));
    EXPECT_EQ(ReadFile(dir / "real.ini"), "[A]\r\nx=1\r\ny=2\r\n");
}

TEST(IniFile, GarbageAndHugeInputGiveSensibleResults)
{
    std::string garbage;
    uint32_t seed = 12345;
    for (int i = 0; i < 200000; ++i) {
        seed = seed * 1103515245 + 12345;
        garbage += static_cast<char>(seed >> 24);
    }
    TIniFile ini = Parsed(garbage + "\n[Good]\nkey=value\n");
    EXPECT_EQ(ini.ReadString("Good", "key", ""), "value");

    // A 100 MB file of one overlong line between two good sections.
    TempDir dir;
    const auto path = dir / "huge.ini";
    {
        std::ofstream out(path, std::ios::binary);
        out << "[First]\nkey=1\nlong=";
        const std::string block(1 << 20, 'x');
        for (int i = 0; i < 100; ++i)
            out << block;
        out << "\n[Second]\nkey=2\n";
    }
    TIniFile huge(path);
    EXPECT_EQ(huge.ReadInteger("First", "key", 0), 1);
    EXPECT_EQ(huge.ReadString("First", "long", "").size(), 100u << 20);
    EXPECT_EQ(huge.ReadInteger("Second", "key", 0), 2);
}
