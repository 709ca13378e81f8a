// The device search over pty "ports", with the simulator as the controller on some of them.
#include "app/core/DeviceSearch.h"
#include "base/FormatSettings.h"
#include "base/Log.h"
#include "base/MainThread.h"
#include "device/CommPortList.h"
#include "device/PortInUse.h"
#include "model/LiveState.h"
#include "model/Project.h"
#include "model/UiInterfaces.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <sys/file.h>
#include <unistd.h>
#include <chrono>
#include <deque>
#include <memory>

using namespace dedezuviv::base;
using namespace dedezuviv::device;
using namespace dedezuviv::model;
using namespace dedezuviv::app;

namespace {

using testsupport::BackgroundProgram;
using testsupport::PtyPair;

class AnswerQueue : public IUserDialogs {
public:
    TDialogAnswer Ask(const std::string& text, bool) override
    {
        Questions.push_back(text);
        if (Answers.empty())
            return TDialogAnswer::No;
        const TDialogAnswer answer = Answers.front();
        Answers.pop_front();
        return answer;
    }
    void Inform(const std::string&) override {}
    void Error(const std::string&) override {}

    std::deque<TDialogAnswer> Answers;
    std::vector<std::string> Questions;
};

struct DeviceSearchTest : ::testing::Test {
    TTaskQueueDispatcher Dispatcher;
    AnswerQueue Dialogs;
    std::vector<std::string> Log;
    std::vector<std::string> Ports;
    PtyPair First, Second;

    void SetUp() override
    {
        SetGermanFormatSettings();
        SetMainThreadDispatcher(&Dispatcher);
        SetUserDialogs(&Dialogs);
        SetLogCallbacks([this](const std::string& line) { Log.push_back(line); }, nullptr);
        SetSerialPortNamesSource([this] { return Ports; });
        // Records every 0.3 s: a listening time of 1.5 s always catches one.
        DeviceSearchListeningTimeMs = 1500;
        ASSERT_TRUE(First.Start());
        ASSERT_TRUE(Second.Start());
        Ports = {First.EndA(), Second.EndA()};
    }

    void TearDown() override
    {
        DeviceSearchListeningTimeMs = DefaultDeviceSearchListeningTimeMs;
        SetSerialPortNamesSource(nullptr);
        ClearLogCallbacks();
        SetUserDialogs(nullptr);
        SetMainThreadDispatcher(nullptr);
    }

    bool Logged(const std::string& line) const { return std::find(Log.begin(), Log.end(), line) != Log.end(); }
};

TEST_F(DeviceSearchTest, FindsTheControllerOnTheSecondPortWithItsIdAndProgram)
{
    BackgroundProgram simulator;
    ASSERT_TRUE(testsupport::StartSimulator(simulator, Second.EndB(), {"--interval", "0.3", "--id", "7", "--program", "4711"}));

    std::string port = "alt";
    TRecordHeader header;
    uint8_t frameKind = 9;
    SearchDevice(port, header, frameKind, false);

    EXPECT_EQ(port, Second.EndA());
    EXPECT_EQ(frameKind, frEquals);
    EXPECT_EQ(header.ID, 7);
    EXPECT_EQ(header.Program, 4711);
    EXPECT_TRUE(Logged("Starte automatische Erkennung für Schnittstelle " + First.EndA() + " ..."));
    EXPECT_TRUE(Logged("Starte automatische Erkennung für Schnittstelle " + Second.EndA() + " ..."));
    EXPECT_TRUE(Logged("Gerät an Schnittstelle " + Second.EndA() + " gefunden (ID 7 und Programm 4711)."));
    EXPECT_FALSE(Logged("Es wurde kein Gerät erkannt!"));
    EXPECT_TRUE(Dialogs.Questions.empty());
}

TEST_F(DeviceSearchTest, NoPortsOrSilentPortsFindNothing)
{
    Ports.clear();
    std::string port;
    TRecordHeader header;
    uint8_t frameKind = 0;
    const auto start = std::chrono::steady_clock::now();
    SearchDevice(port, header, frameKind, true);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(500));
    EXPECT_EQ(Log, std::vector<std::string>{"Es wurde kein Gerät erkannt!"});

    // Two silent ports and one that does not exist (skipped without a line of the search's own).
    Log.clear();
    Ports = {First.EndA(), "/dev/dedezuviv-no-such-port", Second.EndA()};
    SearchDevice(port, header, frameKind, true);
    EXPECT_EQ(port, "");
    EXPECT_EQ(frameKind, 0);
    EXPECT_TRUE(Logged("Starte automatische Erkennung für Schnittstelle /dev/dedezuviv-no-such-port ..."));
    EXPECT_EQ(Log.back(), "Es wurde kein Gerät erkannt!");
    EXPECT_TRUE(Dialogs.Questions.empty());
    EXPECT_EQ(SearchDevicePortNonInteractive(), "");
}

TEST_F(DeviceSearchTest, InteractiveNoGoesOnAndYesTakesThePort)
{
    BackgroundProgram one, two;
    ASSERT_TRUE(testsupport::StartSimulator(one, First.EndB(), {"--interval", "0.3", "--id", "1"}));
    ASSERT_TRUE(testsupport::StartSimulator(two, Second.EndB(), {"--interval", "0.3", "--id", "2"}));
    Dialogs.Answers = {TDialogAnswer::No, TDialogAnswer::Yes};

    std::string port;
    TRecordHeader header;
    uint8_t frameKind = 0;
    SearchDevice(port, header, frameKind, true);

    EXPECT_EQ(port, Second.EndA());
    EXPECT_EQ(header.ID, 2);
    ASSERT_EQ(Dialogs.Questions.size(), 2u);
    EXPECT_EQ(Dialogs.Questions[0], "Gerät an Schnittstelle " + First.EndA() +
                                        " gefunden (ID 1 und Programm 13).\n\r"
                                        "Schnittstelle übernehmen (bei nein wird weitergesucht)?");

    // Without questions the first port with a record is taken.
    Log.clear();
    EXPECT_EQ(SearchDevicePortNonInteractive(), First.EndA());
    EXPECT_EQ(Dialogs.Questions.size(), 2u);
}

TEST_F(DeviceSearchTest, ControllerWithoutClockGivesReceptionTimeAsItsTime)
{
    BackgroundProgram simulator;
    ASSERT_TRUE(testsupport::StartSimulator(simulator, First.EndB(), {"--interval", "0.3", "--no-clock"}));
    std::string port;
    TRecordHeader header;
    uint8_t frameKind = 0;
    SearchDevice(port, header, frameKind, false);
    EXPECT_EQ(port, First.EndA());
    EXPECT_EQ(header.RT, header.PC);
}

TEST(ReceivedTextLines, SplitsAtLineEndsAndMasksControlCharacters)
{
    EXPECT_EQ(ReceivedTextLines("=MD/1#\r\n\r\nACK\x01x\n"), (std::vector<std::string>{"=MD/1#", "ACK?x"}));
    EXPECT_EQ(ReceivedTextLines(""), std::vector<std::string>{});
    // 8-bit text that is not UTF-8 is read as Windows-1252.
    EXPECT_EQ(ReceivedTextLines("K\xfc"
                                "che"),
              std::vector<std::string>{"Küche"});
}

}  // namespace

namespace {

using testsupport::BackgroundProgram;

// The search listens on somebody else's line: nothing of it may reach the open project's day files,
// and a port another process holds is passed by with a line in the log.
TEST_F(DeviceSearchTest, RecordsNothingAndPassesPortsOtherProcessesHold)
{
    testsupport::TempDir dir;
    auto project = std::make_unique<TProject>();
    project->Root = dir.Path().string();
    project->Name = "Haus";
    project->RecordingToFile = true;
    ReplaceCurrentProject(std::move(project));

    BackgroundProgram first, second;
    ASSERT_TRUE(testsupport::StartSimulator(first, First.EndB(), {"--interval", "0.3"}));
    ASSERT_TRUE(testsupport::StartSimulator(second, Second.EndB(), {"--interval", "0.3", "--id", "5"}));
    // Another program holds the first port (flock, as this logger and other tools take it).
    const int held = ::open(First.EndA().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    ASSERT_GE(held, 0);
    ASSERT_EQ(flock(held, LOCK_EX | LOCK_NB), 0);

    std::string port;
    TRecordHeader header;
    uint8_t frameKind = 0;
    SearchDevice(port, header, frameKind, false);
    ::close(held);

    EXPECT_EQ(port, Second.EndA());
    EXPECT_EQ(header.ID, 5);
    EXPECT_TRUE(Logged("Schnittstelle " + First.EndA() + " wird von einem anderen Programm benutzt und übersprungen."));
    EXPECT_FALSE(Logged("Starte automatische Erkennung für Schnittstelle " + First.EndA() + " ..."));
    EXPECT_TRUE(std::filesystem::is_empty(dir.Path())) << "the search wrote into the project's folder";
    CloseCurrentProject();
}

TEST(PortInUse, UucpLockFilesOfLiveProcessesCount)
{
    testsupport::TempDir dir;
    TPortLockDirs dirs{dir / "run", dir / "var"};
    std::filesystem::create_directories(dirs.Primary);
    std::filesystem::create_directories(dirs.Legacy);
    const std::string port = (dir / "ttyFAKE0").string();
    testsupport::WriteFile(port, "");
    EXPECT_FALSE(PortInUseByOtherProcess(port, dirs));

    // A live process (our parent: it outlives this test) in the usual ten-digit form.
    char text[16];
    std::snprintf(text, sizeof text, "%10d\n", static_cast<int>(getppid()));
    testsupport::WriteFile(dirs.Legacy / "LCK..ttyFAKE0", text);
    EXPECT_TRUE(PortInUseByOtherProcess(port, dirs));
    // A stale lock of a process that is gone, and our own lock, do not keep the search out.
    testsupport::WriteFile(dirs.Legacy / "LCK..ttyFAKE0", "    999999\n");
    EXPECT_FALSE(PortInUseByOtherProcess(port, dirs));
    std::snprintf(text, sizeof text, "%10d\n", static_cast<int>(getpid()));
    testsupport::WriteFile(dirs.Primary / "LCK..ttyFAKE0", text);
    EXPECT_FALSE(PortInUseByOtherProcess(port, dirs));
}

}  // namespace
