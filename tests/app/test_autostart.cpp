// Autostart entries: the arguments of the three choices, the desktop entries in temporary XDG folders
// (checked by desktop-file-validate and started by gio as a desktop would), the systemd drop-in with
// a stand-in for systemctl, and the messages of the two commands.
#include "app/core/Autostart.h"
#include "app/core/AutostartEntry.h"
#include "app/core/CommandLine.h"
#include "model/Project.h"
#include "model/UiInterfaces.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <chrono>
#include <deque>
#include <filesystem>
#include <sys/stat.h>
#include <thread>

using namespace dedezuviv::model;
using namespace dedezuviv::app;

namespace fs = std::filesystem;
using testsupport::ReadFile;
using testsupport::ShellQuote;
using testsupport::TempDir;
using testsupport::WriteFile;

namespace {

const std::string EntryName = "DEDEZUviv Temperaturdatenlogger.desktop";

class ScriptedMessages : public IUserDialogs {
public:
    TDialogAnswer Ask(const std::string& text, bool) override
    {
        Shown.push_back("ask: " + text);
        if (Answers.empty())
            return TDialogAnswer::No;
        const TDialogAnswer answer = Answers.front();
        Answers.pop_front();
        return answer;
    }
    void Inform(const std::string& text) override { Shown.push_back("inform: " + text); }
    void Error(const std::string& text) override { Shown.push_back("error: " + text); }
    std::deque<TDialogAnswer> Answers;
    std::vector<std::string> Shown;
};

void MakeExecutable(const fs::path& path, const std::string& script)
{
    WriteFile(path, script);
    ::chmod(path.c_str(), 0755);
}

// Runs a command line through the shell; its exit code.
int Shell(const std::string& command) { return std::system(command.c_str()) >> 8; }

bool WaitForFile(const fs::path& path, int timeoutMs)
{
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!fs::exists(path) || ReadFile(path).find("END\n") == std::string::npos) {
        if (std::chrono::steady_clock::now() > until)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

struct AutostartTest : ::testing::Test {
    TempDir Dir;
    ScriptedMessages Messages;
    TAutostartPlaces Saved;
    fs::path SystemctlLog;

    void SetUp() override
    {
        Saved = AutostartPlaces();
        TAutostartPlaces& places = AutostartPlaces();
        places.UserFolder = (Dir / "config/autostart").string();
        places.AllUsersFolder = (Dir / "etc/xdg/autostart").string();
        places.SystemdUserFolder = (Dir / "config/systemd/user").string();
        places.SystemdUnitFolders = {(Dir / "usr/lib/systemd/user").string()};
        places.ProgramPath = (Dir / "Programme mit Blank/dedezuviv").string();
        places.ProgramDir = (Dir / "Programme mit Blank").string() + "/";
        // A systemctl that notes its arguments and exits with the code in "systemctl.exit".
        SystemctlLog = Dir / "systemctl.log";
        MakeExecutable(Dir / "systemctl",
                       "#!/bin/sh\necho \"$@\" >> " + ShellQuote(SystemctlLog.string()) + "\n" +
                           "code=$(cat " + ShellQuote((Dir / "systemctl.exit").string()) + " 2>/dev/null)\n" +
                           "[ -n \"$code\" ] && echo \"Unit file dedezuviv.service does not exist.\" >&2\n" +
                           "exit ${code:-0}\n");
        places.Systemctl = (Dir / "systemctl").string();
        SetUserDialogs(&Messages);
    }
    void TearDown() override
    {
        SetUserDialogs(nullptr);
        AutostartPlaces() = Saved;
    }

    fs::path UserEntry() const { return fs::path(AutostartPlaces().UserFolder) / EntryName; }
    fs::path AllUsersEntry() const { return fs::path(AutostartPlaces().AllUsersFolder) / EntryName; }
    fs::path DropIn() const
    {
        return fs::path(AutostartPlaces().SystemdUserFolder) / "dedezuviv.service.d/autostart.conf";
    }
    std::string SystemctlCalls() const { return fs::exists(SystemctlLog) ? ReadFile(SystemctlLog) : ""; }
};

}  // namespace

TEST(AutostartArguments, TheThreeChoicesAndTheirQuoting)
{
    EXPECT_EQ(ArgumentsText(AutostartArguments(0, "/home/anna/Anlagen/Haus 1.p-p")),
              " /PROJECT=\"/home/anna/Anlagen/Haus 1.p-p\" /START");
    EXPECT_EQ(ArgumentsText(AutostartArguments(1, "/home/anna/Anlagen/Haus 1.p-p")),
              " /PROJECT=\"/home/anna/Anlagen/Haus 1.p-p\" /PORT=\"AUTO\" /START");
    EXPECT_EQ(ArgumentsText(AutostartArguments(1, "/a/Das \"neue\" Haus.p-p")),
              " /PROJECT=\"/a/Das \"\"neue\"\" Haus.p-p\" /PORT=\"AUTO\" /START");
    EXPECT_EQ(ArgumentsText(AutostartArguments(2, "/a.p-p")), " /START");
    // A typed-over choice is the last one.
    EXPECT_EQ(ArgumentsText(AutostartArguments(-1, "/a.p-p")), " /START");
    EXPECT_EQ(AutostartChoiceTexts().size(), 3u);
}

TEST(AutostartArguments, ExecArgumentsAreQuotedOnlyWhenTheyMustBe)
{
    EXPECT_EQ(DesktopExecArgument("/START"), "/START");
    EXPECT_EQ(DesktopExecArgument("/usr/bin/dedezuviv"), "/usr/bin/dedezuviv");
    EXPECT_EQ(DesktopExecArgument("50%"), "50%%");
    EXPECT_EQ(DesktopExecArgument("/PORT=\"AUTO\""), "\"/PORT=\\\"AUTO\\\"\"");
    EXPECT_EQ(DesktopExecArgument("a b$`\\"), "\"a b\\$\\`\\\\\"");
    EXPECT_EQ(DesktopExecArgument(""), "\"\"");
    EXPECT_EQ(DesktopStringValue(" a\\b\n"), "\\sa\\\\b\\n");
    EXPECT_EQ(SystemdExecArgument("/START"), "/START");
    EXPECT_EQ(SystemdExecArgument("/PROJECT=\"/a b/100% $HOME.p-p\""),
              "\"/PROJECT=\\\"/a b/100%% $$HOME.p-p\\\"\"");
}

// Awkward characters in the program's folder and the project's name reach the program unchanged when
// a desktop starts the entry.
TEST_F(AutostartTest, TheEntryIsValidAndStartsTheProgramWithItsArguments)
{
    const fs::path programDir = Dir / "Programme mit Blank";
    fs::create_directories(programDir);
    const fs::path argvFile = Dir / "argv.txt";
    MakeExecutable(programDir / "dedezuviv", "#!/bin/sh\nfor a in \"$@\"; do printf '%s\\n' \"$a\"; done > " +
                                                 ShellQuote(argvFile.string()) + "\necho END >> " +
                                                 ShellQuote(argvFile.string()) + "\n");
    const std::string project = "/home/anna/Das \"Haus\" $1 `x` 100% \\ #1 (neu).p-p";
    std::string reason;
    ASSERT_TRUE(SetStartupLink(AutostartArguments(1, project), TAutostartScope::CurrentUser, true, reason)) << reason;
    ASSERT_TRUE(fs::exists(UserEntry()));

    EXPECT_EQ(Shell("desktop-file-validate " + ShellQuote(UserEntry().string()) + " > " +
                    ShellQuote((Dir / "validate.txt").string()) + " 2>&1"),
              0)
        << ReadFile(Dir / "validate.txt");
    EXPECT_EQ(ReadFile(Dir / "validate.txt").find("error"), std::string::npos) << ReadFile(Dir / "validate.txt");

    ASSERT_EQ(Shell("gio launch " + ShellQuote(UserEntry().string())), 0);
    ASSERT_TRUE(WaitForFile(argvFile, 20000));
    std::vector<std::string> argv;
    std::string line;
    for (char c : ReadFile(argvFile)) {
        if (c != '\n') {
            line += c;
            continue;
        }
        if (line != "END")
            argv.push_back(line);
        line.clear();
    }
    EXPECT_EQ(argv, AutostartArguments(1, project));

    // The program's own command line reading gives back the project's file and the port.
    SetCommandLineArguments(argv);
    std::string value;
    EXPECT_TRUE(GetCommandLineOption("project", "p", value));
    EXPECT_EQ(value, project);
    EXPECT_TRUE(GetCommandLineOption("port", "", value));
    EXPECT_EQ(value, "AUTO");
    SetCommandLineArguments({});
}

TEST_F(AutostartTest, OnlyOneEntryRemainsAndDeletingClearsEveryPlace)
{
    TProject project;
    project.SetFileName((Dir / "Haus 1.p-p").string());
    ASSERT_TRUE(AddAutostartEntry(0, TAutostartScope::CurrentUser, &project));
    EXPECT_TRUE(fs::exists(UserEntry()));
    ASSERT_FALSE(Messages.Shown.empty());
    EXPECT_EQ(Messages.Shown.back(), "inform: Der Autostart-Eintrag ist angelegt.\n\r(DEDEZUviv Temperaturdatenlogger  "
                                     "/PROJECT=\"" + project.GetFileName() + "\" /START)");

    ASSERT_TRUE(AddAutostartEntry(2, TAutostartScope::AllUsers, &project));
    EXPECT_FALSE(fs::exists(UserEntry()));
    EXPECT_TRUE(fs::exists(AllUsersEntry()));
    EXPECT_NE(ReadFile(AllUsersEntry()).find("/dedezuviv\" /START\n"), std::string::npos);

    Messages.Answers = {TDialogAnswer::No};
    DeleteAutostartEntries();
    EXPECT_TRUE(fs::exists(AllUsersEntry()));

    Messages.Answers = {TDialogAnswer::Yes};
    DeleteAutostartEntries();
    EXPECT_FALSE(fs::exists(AllUsersEntry()));
    EXPECT_EQ(Messages.Shown.back(), "inform: Autostart-Eintrag ist erfolgreich gelöscht oder es war keiner vorhanden.");
    // Nothing of systemd was touched: this program never enabled the unit.
    EXPECT_EQ(SystemctlCalls(), "");

    // Nothing left to delete is a success as well.
    Messages.Answers = {TDialogAnswer::Yes};
    DeleteAutostartEntries();
    EXPECT_EQ(Messages.Shown.back(), "inform: Autostart-Eintrag ist erfolgreich gelöscht oder es war keiner vorhanden.");
}

TEST_F(AutostartTest, ChoicesWithTheProjectNeedASavedProject)
{
    ASSERT_TRUE(AddAutostartEntry(2, TAutostartScope::CurrentUser, nullptr));
    TProject unsaved;
    EXPECT_FALSE(AddAutostartEntry(0, TAutostartScope::CurrentUser, nullptr));
    EXPECT_FALSE(AddAutostartEntry(1, TAutostartScope::CurrentUser, &unsaved));
    EXPECT_EQ(Messages.Shown.back().rfind("error: Für diese Auswahl muss ein gespeichertes Projekt geöffnet sein.", 0), 0u);
    // The refused command left the existing entry alone.
    EXPECT_NE(ReadFile(UserEntry()).find("/dedezuviv\" /START\n"), std::string::npos);
}

TEST_F(AutostartTest, AnAllUsersFolderThatCannotBeMadeGivesTheReasonAndWritesNothing)
{
    WriteFile(Dir / "etc", "a file where the folder should be");
    ASSERT_FALSE(AddAutostartEntry(2, TAutostartScope::AllUsers, nullptr));
    ASSERT_FALSE(Messages.Shown.empty());
    const std::string& message = Messages.Shown.back();
    EXPECT_EQ(message.rfind("inform: Dieser Autostart-Eintrag kann nicht angelegt werden!\n\r", 0), 0u) << message;
    EXPECT_NE(message.find((Dir / "etc/xdg/autostart").string()), std::string::npos) << message;
    EXPECT_FALSE(fs::exists(UserEntry()));
}

TEST_F(AutostartTest, AnEntryThatCannotBeDeletedIsReportedAsAFailure)
{
    std::string reason;
    ASSERT_TRUE(SetStartupLink({"/START"}, TAutostartScope::CurrentUser, true, reason));
    // A folder under the entry's name stands for an entry this user may not remove.
    fs::create_directories(AllUsersEntry() / "inhalt");
    Messages.Answers = {TDialogAnswer::Yes};
    DeleteAutostartEntries();
    EXPECT_FALSE(fs::exists(UserEntry()));
    ASSERT_FALSE(Messages.Shown.empty());
    EXPECT_EQ(Messages.Shown.back().rfind("error: Der Autostart-Eintrag kann nicht gelöscht werden!\n\r", 0), 0u)
        << Messages.Shown.back();
}

TEST_F(AutostartTest, SystemdServiceIsEnabledWithTheDropInAndDisabledAgain)
{
    TProject project;
    project.SetFileName((Dir / "Haus 1.p-p").string());
    std::string reason;
    ASSERT_TRUE(SetStartupLink({"/START"}, TAutostartScope::CurrentUser, true, reason));

    ASSERT_TRUE(AddAutostartEntry(1, TAutostartScope::SystemdUser, &project));
    EXPECT_FALSE(fs::exists(UserEntry()));
    ASSERT_TRUE(fs::exists(DropIn()));
    const std::string dropIn = ReadFile(DropIn());
    EXPECT_NE(dropIn.find("[Service]\nExecStart=\nExecStart=\"" + AutostartPlaces().ProgramPath +
                          "\" -headless \"/PROJECT=\\\"" + project.GetFileName() +
                          "\\\"\" \"/PORT=\\\"AUTO\\\"\" /START\n"),
              std::string::npos)
        << dropIn;
    EXPECT_EQ(SystemctlCalls(), "--user enable dedezuviv.service\n--user daemon-reload\n");

    Messages.Answers = {TDialogAnswer::Yes};
    DeleteAutostartEntries();
    EXPECT_FALSE(fs::exists(DropIn()));
    EXPECT_FALSE(fs::exists(DropIn().parent_path()));
    EXPECT_EQ(SystemctlCalls(), "--user enable dedezuviv.service\n--user daemon-reload\n"
                                "--user disable dedezuviv.service\n--user daemon-reload\n");
    EXPECT_EQ(Messages.Shown.back(), "inform: Autostart-Eintrag ist erfolgreich gelöscht oder es war keiner vorhanden.");
}

TEST_F(AutostartTest, WithoutAnInstalledUnitTheUserUnitIsWrittenWithTheRunningProgram)
{
    const fs::path ownUnit = fs::path(AutostartPlaces().SystemdUserFolder) / "dedezuviv.service";
    ASSERT_TRUE(AddAutostartEntry(2, TAutostartScope::SystemdUser, nullptr));
    ASSERT_TRUE(fs::exists(ownUnit));
    const std::string unit = ReadFile(ownUnit);
    EXPECT_NE(unit.find("\nExecStart=\"" + AutostartPlaces().ProgramPath + "\" -headless /START\n"), std::string::npos)
        << unit;
    EXPECT_NE(unit.find("[Install]\nWantedBy=default.target\n"), std::string::npos) << unit;
    EXPECT_EQ(SystemctlCalls(), "--user enable dedezuviv.service\n--user daemon-reload\n");

    // Deleting takes the unit away with the drop-in.
    Messages.Answers = {TDialogAnswer::Yes};
    DeleteAutostartEntries();
    EXPECT_FALSE(fs::exists(ownUnit));
    EXPECT_FALSE(fs::exists(DropIn()));

    // An installed unit is used as it is: only the drop-in is written.
    fs::create_directories(Dir / "usr/lib/systemd/user");
    WriteFile(Dir / "usr/lib/systemd/user/dedezuviv.service", "[Service]\nExecStart=/usr/bin/dedezuviv -headless\n");
    ASSERT_TRUE(AddAutostartEntry(2, TAutostartScope::SystemdUser, nullptr));
    EXPECT_FALSE(fs::exists(ownUnit));
    EXPECT_TRUE(fs::exists(DropIn()));
    Messages.Answers = {TDialogAnswer::Yes};
    DeleteAutostartEntries();

    // A unit the user wrote in the same place stays when the entry is deleted.
    fs::remove(Dir / "usr/lib/systemd/user/dedezuviv.service");
    WriteFile(ownUnit, "[Service]\nExecStart=/opt/dedezuviv -headless\n");
    ASSERT_TRUE(AddAutostartEntry(2, TAutostartScope::SystemdUser, nullptr));
    Messages.Answers = {TDialogAnswer::Yes};
    DeleteAutostartEntries();
    EXPECT_EQ(ReadFile(ownUnit), "[Service]\nExecStart=/opt/dedezuviv -headless\n");
}

TEST_F(AutostartTest, SystemdThatRefusesOrIsMissingLeavesNoDropIn)
{
    WriteFile(Dir / "systemctl.exit", "1");
    ASSERT_FALSE(AddAutostartEntry(2, TAutostartScope::SystemdUser, nullptr));
    EXPECT_FALSE(fs::exists(DropIn()));
    EXPECT_FALSE(fs::exists(fs::path(AutostartPlaces().SystemdUserFolder) / "dedezuviv.service"));
    EXPECT_NE(Messages.Shown.back().find("Unit file dedezuviv.service does not exist."), std::string::npos)
        << Messages.Shown.back();

    AutostartPlaces().Systemctl = (Dir / "kein-systemctl").string();
    ASSERT_FALSE(AddAutostartEntry(2, TAutostartScope::SystemdUser, nullptr));
    EXPECT_FALSE(fs::exists(DropIn()));
    EXPECT_NE(Messages.Shown.back().find("systemd ist auf diesem Rechner nicht vorhanden"), std::string::npos)
        << Messages.Shown.back();
}
