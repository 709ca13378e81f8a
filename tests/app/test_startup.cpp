// The start-up's evaluation of the command line with a recording host.
#include "app/core/CommandLine.h"
#include "app/core/Startup.h"
#include "base/AppGlobals.h"
#include "base/Log.h"
#include "model/LiveLogging.h"
#include "model/LiveState.h"
#include "model/Project.h"
#include "model/ProjectFile.h"
#include "model/UiInterfaces.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <sys/stat.h>

using namespace dedezuviv::base;
using namespace dedezuviv::model;
using namespace dedezuviv::app;

namespace {

struct RecordingHost : IStartupHost {
    std::vector<std::string> Calls;
    TAppSettings Settings;
    std::string FoundPort = "/dev/ttyUSB7";

    void ShowHelp(const std::string& text) override { Calls.push_back("help:" + text.substr(0, 31)); }
    void AddStartupLine(const std::string& text) override { Calls.push_back("line:" + text); }
    TAppSettings CurrentSettings() override { return Settings; }
    void ApplySettings(const TAppSettings& settings) override
    {
        Settings = settings;
        Calls.push_back("settings");
    }
    std::string SearchDevicePort() override
    {
        Calls.push_back("search");
        return FoundPort;
    }
    void ShowTerminalPage() override { Calls.push_back("terminal"); }
    void StartNetworkServer(const std::string& port) override { Calls.push_back("server:" + port); }
};

struct RecordingDialogs : IUserDialogs {
    std::vector<std::string> Errors;
    TDialogAnswer Ask(const std::string&, bool) override { return TDialogAnswer::No; }
    void Inform(const std::string& text) override { Errors.push_back("inform:" + text); }
    void Error(const std::string& text) override { Errors.push_back(text); }
};

struct StartupTest : ::testing::Test {
    testsupport::TempDir Dir;
    RecordingHost Host;
    RecordingDialogs Dialogs;
    std::vector<std::string> Log;
    std::string ProjectPath;

    void SetUp() override
    {
        setenv("XDG_CONFIG_HOME", Dir.Path().c_str(), 1);
        SetUserDialogs(&Dialogs);
        SetLogCallbacks([this](const std::string& t) { Log.push_back(t); }, nullptr);
        ProjectPath = (Dir / "Haus.p-p").string();
        testsupport::WriteFile(ProjectPath, "[General]\r\nPort=/dev/ttyS0\r\nBaudrate=19200\r\nName=Haus\r\n");
    }

    void TearDown() override
    {
        CloseProject();
        SetUserDialogs(nullptr);
        ClearLogCallbacks();
        SetCommandLineArguments({});
        DebugMode = false;
        AppDataDir.clear();
        unsetenv("XDG_CONFIG_HOME");
    }

    TStartupOutcome Run(std::vector<std::string> args)
    {
        SetCommandLineArguments(std::move(args));
        return RunStartup(Host, "dedezuviv");
    }
};

}  // namespace

TEST_F(StartupTest, HelpEndsTheStartAtOnce)
{
    const TStartupOutcome outcome = Run({"/p=" + ProjectPath, "/h", "/start"});
    EXPECT_TRUE(outcome.HelpShown);
    EXPECT_EQ(Host.Calls, std::vector<std::string>{"help:DEDEZUviv Temperaturdatenlogger"});
    EXPECT_EQ(CurrentProject(), nullptr);
}

TEST_F(StartupTest, ProjectPortBaudRateStartTriggerAndServerInOrder)
{
    const TStartupOutcome outcome =
        Run({"/debug", "-project:" + ProjectPath, "/port=com3", "/b=fast", "/trigger=Brenner (Relais)", "/tcpport"});
    EXPECT_FALSE(outcome.ProjectFailed);
    EXPECT_TRUE(DebugMode);
    ASSERT_NE(CurrentProject(), nullptr);
    EXPECT_EQ(CurrentProject()->GetName(), "Haus");
    // Port names are case-sensitive on Linux: kept as given.
    EXPECT_EQ(CurrentProject()->Port.Name, "com3");
    EXPECT_EQ(CurrentProject()->Port.BaudRate, 9600u);
    EXPECT_EQ(CurrentProject()->TriggerField, "Brenner (Relais)");
    EXPECT_FALSE(CurrentProject()->RecordingToFile);
    EXPECT_EQ(Host.Calls,
              (std::vector<std::string>{"line:Lade Projekt-Datei=" + ProjectPath, "terminal", "server:4000"}));
    EXPECT_EQ(Log, (std::vector<std::string>{"Trigger für Speichern aktiviert: \"Brenner (Relais)\" > 0",
                                             "Starte Netzwerkzugriff auf Port 4000 ..."}));
}

TEST_F(StartupTest, AutoPortRunsTheSearchAndEmptyTcpPortMeans4000)
{
    Run({"/p=" + ProjectPath, "/port=a", "/tcpport=", "/baudrate=57600"});
    EXPECT_EQ(CurrentProject()->Port.Name, "/dev/ttyUSB7");
    EXPECT_EQ(CurrentProject()->Port.BaudRate, 57600u);
    EXPECT_NE(std::find(Host.Calls.begin(), Host.Calls.end(), "search"), Host.Calls.end());
    EXPECT_EQ(Host.Calls.back(), "server:4000");
    Host.FoundPort.clear();
    Host.Calls.clear();
    Run({"/p=" + ProjectPath, "/PORT=Auto"});
    EXPECT_EQ(CurrentProject()->Port.Name, "");
}

TEST_F(StartupTest, MissingProjectIsReportedOnceAndProjectOptionsAreIgnored)
{
    const std::string missing = (Dir / "weg.p-p").string();
    const TStartupOutcome outcome = Run({"/p=" + missing, "/port=a", "/start", "/trigger=x", "/b=19200"});
    EXPECT_TRUE(outcome.ProjectFailed);
    EXPECT_EQ(CurrentProject(), nullptr);
    EXPECT_EQ(Dialogs.Errors, std::vector<std::string>{"Projekt mit Dateinamen \"" + missing + "\" nicht gefunden! "});
    EXPECT_EQ(std::find(Host.Calls.begin(), Host.Calls.end(), "search"), Host.Calls.end());
    EXPECT_TRUE(Log.empty());
}

TEST_F(StartupTest, SettingsFileGivesTheLastProjectAndTheCommandLineWins)
{
    testsupport::WriteFile(Dir / "dedezuviv.cfg", "[Screen]\r\nWidth=1111\r\n[General]\r\nProjectFilename=" +
                                                      ProjectPath + "\r\n");
    Run({});
    ASSERT_NE(CurrentProject(), nullptr);
    EXPECT_EQ(Host.Settings.Width, 1111);
    EXPECT_EQ(Host.Calls.front(), "settings");

    const std::string other = (Dir / "Anders.p-p").string();
    testsupport::WriteFile(other, "[General]\r\nName=Anders\r\n");
    Run({"/p= " + other + " "});
    EXPECT_EQ(CurrentProject()->GetName(), "Anders");
}

TEST_F(StartupTest, FifosAsSettingsOrLastProjectAreRefusedNotWaitedOn)
{
    const std::string fifo = (Dir / "fifo.p-p").string();
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    testsupport::WriteFile(Dir / "dedezuviv.cfg", "[General]\r\nProjectFilename=" + fifo + "\r\n");
    const TStartupOutcome outcome = Run({});
    EXPECT_TRUE(outcome.ProjectFailed);
    EXPECT_EQ(CurrentProject(), nullptr);
    ASSERT_EQ(Dialogs.Errors.size(), 1u);
    EXPECT_NE(Dialogs.Errors[0].find("\"" + fifo + "\" ist keine Datei."), std::string::npos) << Dialogs.Errors[0];

    // The settings file itself a FIFO: read as no settings.
    std::filesystem::remove(Dir / "dedezuviv.cfg");
    ASSERT_EQ(::mkfifo((Dir / "dedezuviv.cfg").c_str(), 0600), 0);
    Dialogs.Errors.clear();
    EXPECT_FALSE(Run({}).ProjectFailed);
    EXPECT_EQ(CurrentProject(), nullptr);
}

TEST_F(StartupTest, StartSwitchWithoutPortLeavesThePortClosed)
{
    testsupport::WriteFile(ProjectPath, "[General]\r\nName=Haus\r\n");
    Run({"/p=" + ProjectPath, "/s"});
    ASSERT_NE(CurrentProject(), nullptr);
    EXPECT_TRUE(CurrentProject()->RecordingToFile);
    EXPECT_FALSE(LoggingActive());
}

TEST(StartupOptions, AutoPortValues)
{
    for (const char* v : {"AUTO", "auto", "A", "a", " Auto "})
        EXPECT_TRUE(IsAutoPortOption(v)) << v;
    for (const char* v : {"", "COM1", "/dev/ttyA", "AUTOMATIC"})
        EXPECT_FALSE(IsAutoPortOption(v)) << v;
}
