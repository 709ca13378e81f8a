// The logger without a window, run as the real program against the simulator on a socat pty pair.
#include "app/core/DeviceSearch.h"
#include "app/core/Headless.h"
#include "app/core/PortKeeper.h"
#include "device/CommPortList.h"
#include "support/TestPorts.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <arpa/inet.h>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <netinet/in.h>
#include <poll.h>
#include <regex>
#include <sys/stat.h>
#include <sstream>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

using namespace dedezuviv::device;
using namespace dedezuviv::app;

namespace {

using testsupport::BackgroundProgram;
using testsupport::Contains;
using testsupport::ReadFile;

namespace fs = std::filesystem;

std::string AskLogger(int port, const std::string& request)
{
    return testsupport::ExchangeOnLoopback(port, request, 3000);
}

std::vector<std::string> DayFileLines(const fs::path& folder)
{
    std::vector<std::string> lines;
    std::error_code error;
    if (!fs::is_directory(folder, error))
        return lines;
    for (const auto& entry : fs::directory_iterator(folder)) {
        std::istringstream text(ReadFile(entry.path()));
        for (std::string line; std::getline(text, line);)
            lines.push_back(line);
    }
    return lines;
}


struct HeadlessTest : ::testing::Test {
    testsupport::TempDir Dir;
    fs::path Project = Dir / "Haus.p-p";
    fs::path Out = Dir / "out.txt";
    fs::path Err = Dir / "err.txt";

    void SetUp() override
    {
        testsupport::WriteFile(Project, "[General]\r\nName=Haus\r\nSamplingInterval=0\r\n"
                                        "[Field Definitions]\r\nTemperature=Aussen,Kessel\r\n");
    }

    // Starts the logger without a window (no display either), with a settings folder of its own.
    bool StartLogger(BackgroundProgram& logger, std::vector<std::string> args)
    {
        args.insert(args.begin(), "-headless");
        BackgroundProgram::Options options;
        options.Environment = {{"XDG_CONFIG_HOME", (Dir / "config").string()}, {"HOME", Dir.Path().string()}};
        options.Unset = {"DISPLAY", "WAYLAND_DISPLAY"};
        options.StdoutFile = Out;
        options.StderrFile = Err;
        return logger.Start(testsupport::LoggerPath(), args, options);
    }

    // Runs the logger to its end (a signal after the given time, if it is still running).
    int RunLogger(std::vector<std::string> args, int stopAfterMs = 0)
    {
        BackgroundProgram logger;
        if (!StartLogger(logger, std::move(args)))
            return -1;
        if (stopAfterMs > 0) {
            // Its first line comes after its signal handlers are in place: a signal before that would
            // end it as an unhandled SIGINT on a slow start.
            for (int waited = 0; waited < 15000 && ReadFile(Out).empty(); waited += 10)
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
            std::this_thread::sleep_for(std::chrono::milliseconds(stopAfterMs));
            logger.Signal(SIGINT);
        }
        return logger.Wait(15000);
    }

    // Runs the logger inside the test program for the given time, its standard output into Out.
    int RunInProcess(const std::vector<std::string>& args, int milliseconds)
    {
        std::fflush(stdout);
        const int saved = dup(1);
        const int file = open(Out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        dup2(file, 1);
        close(file);
        std::thread stopper([milliseconds] {
            std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
            RequestHeadlessStop();
        });
        const int code = RunHeadless(args, "dedezuviv");
        stopper.join();
        std::fflush(stdout);
        dup2(saved, 1);
        close(saved);
        return code;
    }
};

TEST_F(HeadlessTest, LogsRecordsAcknowledgesAnswersAndStopsCleanlyOnSigterm)
{
    testsupport::PtyPair pty;
    ASSERT_TRUE(pty.Start());
    BackgroundProgram simulator;
    BackgroundProgram::Options simOptions;
    simOptions.StdoutFile = Dir / "simulator.txt";
    ASSERT_TRUE(simulator.Start(testsupport::ToolPath("dedezuviv-simulator"),
                                {"--device", pty.EndB(), "--interval", "0.3", "--id", "4"}, simOptions));

    const int tcpPort = testsupport::FreeTcpPort();
    ASSERT_GT(tcpPort, 0);
    BackgroundProgram logger;
    ASSERT_TRUE(StartLogger(logger, {"/PROJECT=" + Project.string(), "/PORT=" + pty.EndA(), "/START",
                                     "/TCPPORT=" + std::to_string(tcpPort)}));

    const fs::path data = Dir / "Haus" / "data";
    for (int i = 0; i < 150 && DayFileLines(data).size() < 5; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    ASSERT_GE(DayFileLines(data).size(), 5u) << ReadFile(Out) << ReadFile(Err);

    const std::string boiler = AskLogger(tcpPort, "INDEX 1 0\n");
    EXPECT_TRUE(std::regex_match(boiler, std::regex("value=[0-9]+(\\.[0-9]+)?;valid=1;\n"))) << boiler;
    EXPECT_EQ(AskLogger(tcpPort, "NAME ID X\n"), "value=4;valid=1;\n");

    logger.Signal(SIGTERM);
    EXPECT_EQ(logger.Wait(10000), 0);

    const std::string out = ReadFile(Out);
    EXPECT_TRUE(Contains(out, "Lade Projekt-Datei=" + Project.string() + "\n")) << out;
    EXPECT_TRUE(Contains(out, "> Netzwerkzugriff erfolgreich aktiviert.\n"));
    EXPECT_TRUE(Contains(out, "> Logging aktiv (Schnittstelle " + pty.EndA() + "), aufzeichnen ein.\n"));
    EXPECT_TRUE(Contains(out, "\n=MD/p400013/"));
    EXPECT_EQ(out.substr(out.size() - std::string("> Stoppe Logging.\n").size()), "> Stoppe Logging.\n");
    EXPECT_EQ(ReadFile(Err), "");

    // Every recorded line is whole, and every one was acknowledged with a well-formed ACK.
    const std::vector<std::string> lines = DayFileLines(data);
    for (const std::string& line : lines)
        EXPECT_TRUE(std::regex_match(line, std::regex("=MD/p400013/.*/r[0-9. :]{17}#\r"))) << line;
    simulator.Signal(SIGTERM);
    simulator.Wait(10000);
    const std::string report = ReadFile(Dir / "simulator.txt");
    std::smatch counts;
    ASSERT_TRUE(std::regex_search(report, counts, std::regex("records=([0-9]+) acks=([0-9]+) bad=([0-9]+)")))
        << report;
    EXPECT_GE(std::stoul(counts[2]), lines.size());
    EXPECT_EQ(counts[3], "0");

    // The settings file names the project; the next start without /PROJECT opens it again.
    EXPECT_TRUE(Contains(ReadFile(Dir / "config" / "dedezuviv.cfg"), Project.string()));
    EXPECT_EQ(RunLogger({"/PORT=" + (Dir / "kein-geraet").string()}, 1500), 0);
    EXPECT_TRUE(Contains(ReadFile(Out), "Lade Projekt-Datei=" + Project.string() + "\n"));
}

TEST_F(HeadlessTest, PortThatCannotBeOpenedIsReportedAndTheLoggerKeepsRunning)
{
    const std::string port = (Dir / "ttyUSB7").string();
    EXPECT_EQ(RunLogger({"/PROJECT=" + Project.string(), "/PORT=" + port}, 1500), 0);
    EXPECT_TRUE(Contains(ReadFile(Err), "Die serielle Schnittstelle " + port +
                                            " kann nicht angesprochen werden! Bitte Schnittstelle einstellen.\n"));
    const std::string out = ReadFile(Out);
    EXPECT_TRUE(Contains(out, "> Starte Logging (Schnittstelle " + port + ").\n"));
    EXPECT_TRUE(Contains(out, "> Abbruch durch Fehler!\n"));
    EXPECT_FALSE(Contains(out, "Stoppe Logging."));
}

TEST_F(HeadlessTest, NoUsableProjectOrPortEndsWithCodeTwoAndHelpWithOne)
{
    const std::string missing = (Dir / "fehlt.p-p").string();
    EXPECT_EQ(RunLogger({"/PROJECT=" + missing, "/PORT=/dev/null"}), 2);
    EXPECT_TRUE(Contains(ReadFile(Err), "Projekt mit Dateinamen \"" + missing + "\" nicht gefunden! "));

    EXPECT_EQ(RunLogger({"/PORT=/dev/null"}), 2);
    EXPECT_TRUE(Contains(ReadFile(Err), "Kein Projekt angegeben."));

    EXPECT_EQ(RunLogger({"/PROJECT=" + Project.string()}), 2);
    EXPECT_TRUE(Contains(ReadFile(Err), "Es ist keine serielle Schnittstelle eingestellt!"));

    EXPECT_EQ(RunLogger({"/HELP"}), 1);
    EXPECT_TRUE(Contains(ReadFile(Out), "/PROJECT")) << ReadFile(Out);
    EXPECT_FALSE(Contains(ReadFile(Out), "\r"));
}

TEST_F(HeadlessTest, AFifoAsProjectFileIsRefusedNotWaitedOn)
{
    const std::string fifo = (Dir / "haus.p-p").string();
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_EQ(RunLogger({"/PROJECT=" + fifo, "/PORT=/dev/null"}), 2);
    EXPECT_TRUE(Contains(ReadFile(Err), "\"" + fifo + "\" ist keine Datei.")) << ReadFile(Err);
}

// The watchdog, with the logger run inside the test program and a short interval: a port that falls
// silent is reset, and one that could not be opened is tried again.
TEST_F(HeadlessTest, WatchdogResetsASilentPortAndRetriesOneThatDidNotOpen)
{
    testsupport::PtyPair pty;
    ASSERT_TRUE(pty.Start());
    BackgroundProgram simulator;
    ASSERT_TRUE(testsupport::StartSimulator(simulator, pty.EndB(), {"--interval", "0.2", "--count", "3"}));
    HeadlessWatchdogIntervalMs = 1000;
    setenv("XDG_CONFIG_HOME", (Dir / "config").c_str(), 1);


    // Three records, then silence: after a second without one the port is reset.
    EXPECT_EQ(RunInProcess({"-headless", "/PROJECT=" + Project.string(), "/PORT=" + pty.EndA(), "/START"}, 3500), 0);
    std::string out = ReadFile(Out);
    const std::string reset = "> Reset der Schnittstelle ausgelöst, da keine Daten mehr empfangen wurden.\n";
    const size_t at = out.find(reset);
    ASSERT_NE(at, std::string::npos) << out;
    EXPECT_LT(out.find("=MD/"), at);
    EXPECT_EQ(out.find("> Stoppe Logging.\n", at), at + reset.size() + 20) << out;  // the next line, after its "<date time"
    EXPECT_NE(out.find("> Starte Logging (Schnittstelle " + pty.EndA() + ").\n", at), std::string::npos);

    // A fast controller: its records come closer than the display pause, so none is shown, but the
    // watchdog must still see them and leave the port alone.
    BackgroundProgram fast;
    ASSERT_TRUE(testsupport::StartSimulator(fast, pty.EndB(), {"--interval", "0.05"}));
    EXPECT_EQ(RunInProcess({"-headless", "/PROJECT=" + Project.string(), "/PORT=" + pty.EndA(), "/START"}, 3000), 0);
    out = ReadFile(Out);
    EXPECT_NE(out.find("=MD/"), std::string::npos);
    EXPECT_EQ(out.find("Reset der Schnittstelle"), std::string::npos) << out;
    fast.Stop();

    // A port that is not there is the keeper's: reported once, tried quietly, never "reset".
    const std::string missing = (Dir / "ttyUSB3").string();
    PortKeeper().RetryIntervalMs = 300;
    EXPECT_EQ(RunInProcess({"-headless", "/PROJECT=" + Project.string(), "/PORT=" + missing}, 2600), 0);
    PortKeeper().RetryIntervalMs = TPortKeeper::DefaultRetryIntervalMs;
    out = ReadFile(Out);
    const std::string outage = "> Schnittstelle " + missing + " ist nicht verfügbar. Neuer Versuch alle 1 s.\n";
    EXPECT_NE(out.find(outage), std::string::npos) << out;
    EXPECT_EQ(out.find(outage), out.rfind(outage));
    EXPECT_EQ(out.find("Reset der Schnittstelle"), std::string::npos);

    HeadlessWatchdogIntervalMs = DefaultHeadlessWatchdogIntervalMs;
    unsetenv("XDG_CONFIG_HOME");
}

TEST_F(HeadlessTest, PortAutoSearchesThePortsAndLogsOnTheOneFound)
{
    testsupport::PtyPair silent, controller;
    ASSERT_TRUE(silent.Start());
    ASSERT_TRUE(controller.Start());
    BackgroundProgram simulator;
    ASSERT_TRUE(testsupport::StartSimulator(simulator, controller.EndB(), {"--interval", "0.3"}));
    SetSerialPortNamesSource([&] { return std::vector<std::string>{silent.EndA(), controller.EndA()}; });
    DeviceSearchListeningTimeMs = 1000;
    setenv("XDG_CONFIG_HOME", (Dir / "config").c_str(), 1);

    EXPECT_EQ(RunInProcess({"-headless", "/PROJECT=" + Project.string(), "/PORT=AUTO", "/START"}, 3500), 0);
    const std::string out = ReadFile(Out);
    EXPECT_NE(out.find("> Gerät an Schnittstelle " + controller.EndA() + " gefunden (ID 1 und Programm 13).\n"),
              std::string::npos)
        << out;
    EXPECT_NE(out.find("> Logging aktiv (Schnittstelle " + controller.EndA() + "), aufzeichnen ein.\n"),
              std::string::npos);
    EXPECT_FALSE(DayFileLines(Dir / "Haus" / "data").empty());

    DeviceSearchListeningTimeMs = DefaultDeviceSearchListeningTimeMs;
    SetSerialPortNamesSource(nullptr);
    unsetenv("XDG_CONFIG_HOME");
}

// An adapter pulled while logging and plugged in again (the simulator's link vanishes and comes back
// leading to another pty): the logger releases the dead line, opens the name again when it is back
// and records on, as a user starts it.
TEST_F(HeadlessTest, RecordsAgainWhenAPulledAdapterIsPluggedInAgain)
{
    const std::string link = (Dir / "regler").string();
    const auto waitFor = [](const std::function<bool()>& ready, int ms) {
        for (int waited = 0; waited < ms && !ready(); waited += 50)
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        return ready();
    };
    const fs::path data = Dir / "Haus" / "data";
    const auto recordedBy = [&](const std::string& program) {
        const std::vector<std::string> lines = DayFileLines(data);
        return std::count_if(lines.begin(), lines.end(),
                             [&](const std::string& line) { return Contains(line, "=MD/p" + program + "/"); });
    };
    BackgroundProgram first;
    ASSERT_TRUE(first.Start(testsupport::ToolPath("dedezuviv-simulator"),
                            {"--link", link, "--interval", "0.2", "--program", "11111"}));
    ASSERT_TRUE(waitFor([&] { return fs::exists(link); }, 5000));
    BackgroundProgram logger;
    ASSERT_TRUE(StartLogger(logger, {"/PROJECT=" + Project.string(), "/PORT=" + link, "/START"}));
    ASSERT_TRUE(waitFor([&] { return recordedBy("111111") >= 3; }, 15000)) << ReadFile(Out) << ReadFile(Err);

    first.Stop();  // pulled: the link goes, the logger's line hangs up
    ASSERT_TRUE(waitFor([&] { return Contains(ReadFile(Out), "unterbrochen (Gerät entfernt?)"); }, 10000))
        << ReadFile(Out);
    BackgroundProgram second;
    ASSERT_TRUE(second.Start(testsupport::ToolPath("dedezuviv-simulator"),
                             {"--link", link, "--interval", "0.2", "--program", "22222"}));
    ASSERT_TRUE(waitFor([&] { return recordedBy("122222") >= 3; }, 20000)) << ReadFile(Out) << ReadFile(Err);

    logger.Signal(SIGTERM);
    EXPECT_EQ(logger.Wait(10000), 0);
    const std::string out = ReadFile(Out);
    EXPECT_TRUE(Contains(out, "> Verbindung zur Schnittstelle " + link +
                                  " unterbrochen (Gerät entfernt?). Neuer Versuch alle 3 s.\n"))
        << out;
    EXPECT_TRUE(Contains(out, "> Schnittstelle " + link + " wieder geöffnet, Logging läuft weiter.\n"));
    EXPECT_FALSE(Contains(out, "Reset der Schnittstelle"));
    // Every recorded line is whole.
    for (const std::string& line : DayFileLines(data))
        EXPECT_TRUE(std::regex_match(line, std::regex("=MD/p[0-9]+/.*#\r"))) << line;
}

}  // namespace
