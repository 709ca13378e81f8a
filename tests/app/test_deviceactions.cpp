// The device search command: the checks before the search, the clock question, the messages, and the
// port taken into the project; with the simulator as the controller on a pty "port".
#include "app/core/DeviceActions.h"
#include "app/core/DeviceSearch.h"
#include "base/FormatSettings.h"
#include "base/Log.h"
#include "base/MainThread.h"
#include "device/CommPortList.h"
#include "model/LiveState.h"
#include "model/Project.h"
#include "support/ScriptedUi.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <memory>

using namespace dedezuviv::base;
using namespace dedezuviv::device;
using namespace dedezuviv::model;
using namespace dedezuviv::app;

using testsupport::BackgroundProgram;
using testsupport::ScriptedDialogs;

namespace {

using TShown = std::vector<ScriptedDialogs::Entry>;
using TCalls = std::vector<std::string>;

const std::string NoClockText = "Das Gerät sendet keine Systemzeit, daher wird die PC-Empfangszeit verwendet.";

// The window as the command sees it, with the answer to "stop the reception?".
struct RecordingDeviceHost : IDeviceCommandsHost {
    bool StopLogging = true;
    TCalls Calls;
    bool NoActProject() override
    {
        Calls.push_back("project");
        return CurrentProject() == nullptr;
    }
    bool ConfirmStopLogging() override
    {
        Calls.push_back("logging");
        return StopLogging;
    }
    void ShowTerminalPage() override { Calls.push_back("terminal"); }
    void RefreshDisplay() override { Calls.push_back("refresh"); }
};

struct DeviceActionsTest : ::testing::Test {
    TTaskQueueDispatcher Dispatcher;
    ScriptedDialogs Dialogs;
    RecordingDeviceHost Host;
    std::vector<std::string> Debug;
    std::vector<std::string> Ports;
    int Searches = 0;
    // Runs while a search holds its ports, as a second command from the window would.
    std::function<void()> DuringSearch;

    void SetUp() override
    {
        SetGermanFormatSettings();
        SetMainThreadDispatcher(&Dispatcher);
        SetUserDialogs(&Dialogs);
        SetLogCallbacks(nullptr, [this](const std::string& line) { Debug.push_back(line); });
        SetSerialPortNamesSource([this] {
            ++Searches;
            if (DuringSearch)
                DuringSearch();
            return Ports;
        });
        DeviceSearchListeningTimeMs = 1500;
    }

    void TearDown() override
    {
        DeviceSearchListeningTimeMs = DefaultDeviceSearchListeningTimeMs;
        SetSerialPortNamesSource(nullptr);
        CloseCurrentProject();
        ClearLogCallbacks();
        SetUserDialogs(nullptr);
        SetMainThreadDispatcher(nullptr);
    }

    TProject& OpenProject(const std::string& port)
    {
        auto project = std::make_unique<TProject>();
        project->Port.Name = port;
        project->SetModified(false);
        ReplaceCurrentProject(std::move(project));
        return *CurrentProject();
    }
};

TEST_F(DeviceActionsTest, EachCheckBeforeTheSearchEndsTheCommandWithoutSearching)
{
    struct Case {
        bool Project, StopLogging;
        TDialogAnswer MenuAnswer;
        TCalls Calls;
        int Questions;
    };
    for (const Case& c : std::initializer_list<Case>{{false, true, TDialogAnswer::Yes, {"project"}, 0},
                                                     {true, false, TDialogAnswer::Yes, {"project", "logging"}, 0},
                                                     {true, true, TDialogAnswer::No, {"project", "logging"}, 1}}) {
        CloseCurrentProject();
        if (c.Project)
            OpenProject("/dev/ttyS0");
        Host.Calls.clear();
        Host.StopLogging = c.StopLogging;
        Dialogs.Shown.clear();
        Dialogs.Answers = {c.MenuAnswer};
        DetectDeviceCommand(Host, true);
        EXPECT_EQ(Host.Calls, c.Calls);
        EXPECT_EQ(Dialogs.Count("ask"), c.Questions);
        EXPECT_EQ(Searches, 0);
    }
    EXPECT_EQ(Dialogs.Shown, (TShown{{"ask", DetectDeviceQuestion}}));
}

TEST_F(DeviceActionsTest, NothingFoundIsAnErrorAndASecondCommandMeanwhileDoesNothing)
{
    TProject& project = OpenProject("/dev/ttyS0");
    RecordingDeviceHost second;
    DuringSearch = [&second] { DetectDeviceCommand(second, false); };
    DetectDeviceCommand(Host, false);
    EXPECT_TRUE(second.Calls.empty());
    EXPECT_EQ(Searches, 1);
    EXPECT_EQ(Host.Calls, (TCalls{"project", "logging", "terminal", "refresh"}));
    EXPECT_EQ(Dialogs.Shown, (TShown{{"error", "Es wurde kein Gerät erkannt!"}}));
    EXPECT_EQ(Debug, TCalls{"Autodetect device found: ComStr="});
    EXPECT_EQ(project.Port.Name, "/dev/ttyS0");
    EXPECT_FALSE(project.Modified);
}

TEST_F(DeviceActionsTest, TheClockDecidesOnAQuestionOrAnInformation)
{
    const TDateTime pc = EncodeDateTime(2025, 3, 1, 10, 0, 0);
    const std::string question = "Die aktuelle Zeit des angeschlossenen Geräts (01.03.25 11:00:00) weicht deutlich "
                                 "von der PC-Zeit ab (01.03.25 10:00:00). Bitte Gerätezeit korrigieren. Erkannte "
                                 "Einstellungen übernehmen?";
    struct Case {
        int64_t OffsetMs;
        TDialogAnswer Answer;
        bool Accepted;
        TShown Shown;
    };
    for (const Case& c : std::initializer_list<Case>{
             {0, TDialogAnswer::No, true, {{"inform", NoClockText}}},
             {5999, TDialogAnswer::No, true, {}},
             {-5999, TDialogAnswer::No, true, {}},
             {3600000, TDialogAnswer::Yes, true, {{"ask", question}}},
             {3600000, TDialogAnswer::No, false, {{"ask", question}}},
             {-6000, TDialogAnswer::No, false, {{"ask", "Die aktuelle Zeit des angeschlossenen Geräts (01.03.25 09:59:54) "
                                                       "weicht deutlich von der PC-Zeit ab (01.03.25 10:00:00). Bitte "
                                                       "Gerätezeit korrigieren. Erkannte Einstellungen übernehmen?"}}}}) {
        Dialogs.Shown.clear();
        Dialogs.Answers = {c.Answer};
        Debug.clear();
        TRecordHeader header;
        header.PC = pc;
        header.RT = pc + static_cast<double>(c.OffsetMs) / 86400000.0;
        EXPECT_EQ(AcceptDetectedDevice(header), c.Accepted) << c.OffsetMs;
        EXPECT_EQ(Dialogs.Shown, c.Shown) << c.OffsetMs;
    }
    EXPECT_EQ(Debug, TCalls{"Empfangszeit: 01.03.25 09:59:54 000, PC-Zeit: 01.03.25 10:00:00 000"});
}

TEST_F(DeviceActionsTest, TheFoundPortBecomesTheProjectsUnlessTheClockQuestionIsDeclined)
{
    testsupport::PtyPair pty;
    ASSERT_TRUE(pty.Start());
    Ports = {pty.EndA()};
    struct Case {
        std::vector<std::string> SimulatorOptions;
        bool AskFirst;
        std::deque<TDialogAnswer> Answers;  // the menu question (when asked first), the port, the clock
        bool Taken;
        TShown Messages;
    };
    for (const Case& c : std::initializer_list<Case>{
             {{}, true, {TDialogAnswer::Yes, TDialogAnswer::Yes}, true, {}},
             {{"--clock-offset", "3600"}, true, {TDialogAnswer::Yes, TDialogAnswer::Yes, TDialogAnswer::No}, false, {}},
             // As by the logging start: no menu question.
             {{"--no-clock"}, false, {TDialogAnswer::Yes}, true, {{"inform", NoClockText}}}}) {
        TProject& project = OpenProject("/dev/ttyS0");
        BackgroundProgram simulator;
        std::vector<std::string> options = {"--interval", "0.3"};
        options.insert(options.end(), c.SimulatorOptions.begin(), c.SimulatorOptions.end());
        ASSERT_TRUE(testsupport::StartSimulator(simulator, pty.EndB(), options));
        Dialogs.Shown.clear();
        Dialogs.Answers = c.Answers;
        DetectDeviceCommand(Host, c.AskFirst);
        EXPECT_EQ(Dialogs.Count("ask"), static_cast<int>(c.Answers.size()));
        TShown messages;
        for (const ScriptedDialogs::Entry& shown : Dialogs.Shown)
            if (shown.Kind != "ask")
                messages.push_back(shown);
        EXPECT_EQ(messages, c.Messages);
        EXPECT_EQ(project.Port.Name, c.Taken ? pty.EndA() : "/dev/ttyS0");
        EXPECT_EQ(project.Modified, c.Taken);
    }
}

}  // namespace
