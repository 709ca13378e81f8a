// The settings file and the program's folders.
#include "app/core/AppSettings.h"
#include "base/AppGlobals.h"
#include "base/IniFile.h"
#include "model/Project.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <unistd.h>

using namespace dedezuviv::base;
using namespace dedezuviv::model;
using namespace dedezuviv::app;

using testsupport::ReadFile;
using testsupport::TempDir;
using testsupport::WriteFile;

TEST(AppSettings, RoundTripKeepsOtherKeysAndTheLastProject)
{
    TempDir dir;
    const std::string file = (dir / "dedezuviv.cfg").string();
    WriteFile(file, "[Custom]\r\nKeep=1\r\n[General]\r\nProjectFilename=/old/Haus.p-p\r\n");
    TAppSettings written;
    written.Width = 1000;
    written.Height = 700;
    written.Left = 12;
    written.Top = 34;
    written.StandardFontName = "DejaVu Sans";
    written.StandardFontSize = 11;
    written.StandardFontColor = 0x00FF0000;
    int code = -5;
    std::string text = "x";
    WriteAppSettings(file, written, nullptr, code, text);
    EXPECT_EQ(code, 0);
    EXPECT_EQ(text, "");

    TAppSettings read;
    std::string project;
    ReadAppSettings(file, read, project, code, text);
    EXPECT_EQ(code, 0);
    EXPECT_EQ(read.Width, 1000);
    EXPECT_EQ(read.Height, 700);
    EXPECT_EQ(read.Left, 12);
    EXPECT_EQ(read.Top, 34);
    EXPECT_EQ(read.StandardFontName, "DejaVu Sans");
    EXPECT_EQ(read.StandardFontSize, 11);
    EXPECT_EQ(read.StandardFontColor, 0x00FF0000);
    // No project open at close: the remembered project stays.
    EXPECT_EQ(project, "/old/Haus.p-p");

    TIniFile ini(file);
    EXPECT_EQ(ini.ReadString("Custom", "Keep", ""), "1");
    EXPECT_EQ(ini.ReadInteger("General", "maxTerminalLines", 0), 50);
    EXPECT_EQ(ini.ReadInteger("Info", "Version", 0), 1250);
    EXPECT_EQ(ini.ReadString("Info", "Program", ""), "DEDEZUviv Temperaturdatenlogger");

    TProject open;
    open.SetFileName("/new/Anlage.p-p");
    WriteAppSettings(file, written, &open, code, text);
    ReadAppSettings(file, read, project, code, text);
    EXPECT_EQ(project, "/new/Anlage.p-p");
}

TEST(AppSettings, MissingOrGarbageFilesKeepTheCurrentValues)
{
    TempDir dir;
    TAppSettings settings;
    settings.Width = 640;
    std::string project = "x";
    int code = 0;
    std::string text;
    const std::string missing = (dir / "none.cfg").string();
    ReadAppSettings(missing, settings, project, code, text);
    EXPECT_EQ(code, -1);
    EXPECT_EQ(text, "Datei \"" + missing + "\" nicht gefunden! ");
    EXPECT_EQ(settings.Width, 640);
    EXPECT_EQ(project, "");

    const std::string garbage = (dir / "garbage.cfg").string();
    std::string bytes;
    for (int i = 0; i < 5000; ++i)
        bytes += static_cast<char>((i * 7919) % 256);
    WriteFile(garbage, bytes + "\n[Screen]\nWidth=breit\n");
    ReadAppSettings(garbage, settings, project, code, text);
    EXPECT_EQ(code, 0);
    EXPECT_EQ(settings.Width, 640);
    EXPECT_EQ(settings.StandardFontName, "Tahoma");
}

TEST(AppSettings, UnwritableFolderIsReportedAndTheOldFileStays)
{
    TempDir dir;
    // A regular file where the folder should be: creating the settings file fails even for root.
    WriteFile(dir / "blocker", "not a folder");
    const std::string file = (dir / "blocker" / "dedezuviv.cfg").string();
    int code = 0;
    std::string text;
    WriteAppSettings(file, TAppSettings{}, nullptr, code, text);
    EXPECT_NE(code, 0);
    EXPECT_FALSE(text.empty());
}

TEST(AppSettings, FoldersFollowXdgAndTheProgramLocation)
{
    const char* oldConfig = std::getenv("XDG_CONFIG_HOME");
    const std::string saved = oldConfig ? oldConfig : "";
    setenv("XDG_CONFIG_HOME", "/tmp/cfg-test", 1);
    EXPECT_EQ(GetSpecialFolderPath(28), "/tmp/cfg-test");
    unsetenv("XDG_CONFIG_HOME");
    setenv("HOME", "/home/anna", 1);
    EXPECT_EQ(GetSpecialFolderPath(28), "/home/anna/.config");
    EXPECT_EQ(GetSpecialFolderPath(5), "");
    if (oldConfig)
        setenv("XDG_CONFIG_HOME", saved.c_str(), 1);

    const std::string programDir = GetProgramDir();
    ASSERT_FALSE(programDir.empty());
    EXPECT_EQ(programDir.back(), '/');
    EXPECT_TRUE(std::filesystem::exists(programDir + "test_app"));

    AppDataDir = "  ";
    EXPECT_EQ(AppSettingsPath(), "");
    AppDataDir = "/home/anna/.config";
    EXPECT_EQ(AppSettingsPath(), "/home/anna/.config/dedezuviv.cfg");
    AppDataDir.clear();
}

TEST(AppSettings, HelpTextUsesLfCrLineBreaks)
{
    const std::string help = HelpText("dedezuviv");
    EXPECT_EQ(help.rfind("DEDEZUviv Temperaturdatenlogger 1.250 HELP \n\rCommand line options: \n\rdedezuviv  /PROJECT=", 0),
              0u);
    EXPECT_NE(help.find("/Debug=\"ON\"|\"OFF\" /EXTRA\n\r"), std::string::npos);
    EXPECT_EQ(help.find("\r\n"), std::string::npos);
}
