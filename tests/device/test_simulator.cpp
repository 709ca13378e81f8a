// The controller simulator as a process: started on one end of a pty pair (or on a pty of its own),
// with the test playing the logger on the other end.
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fcntl.h>
#include <functional>
#include <poll.h>
#include <sys/wait.h>
#include <termios.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using SteadyClock = std::chrono::steady_clock;

// The simulator process with its standard output and error read through pipes.
class SimProcess {
public:
    ~SimProcess()
    {
        if (Pid > 0) {
            kill(Pid, SIGKILL);
            waitpid(Pid, nullptr, 0);
        }
        for (int fd : {OutFd, ErrFd})
            if (fd >= 0)
                close(fd);
    }

    bool Start(const std::vector<std::string>& args)
    {
        int out[2], err[2];
        if (pipe2(out, O_CLOEXEC) != 0 || pipe2(err, O_CLOEXEC) != 0)
            return false;
        const std::string program = testsupport::ToolPath("dedezuviv-simulator").string();
        std::vector<char*> argv;
        argv.push_back(const_cast<char*>(program.c_str()));
        for (const std::string& arg : args)
            argv.push_back(const_cast<char*>(arg.c_str()));
        argv.push_back(nullptr);
        Pid = fork();
        if (Pid == 0) {
            dup2(out[1], 1);
            dup2(err[1], 2);
            execv(program.c_str(), argv.data());
            _exit(127);
        }
        close(out[1]);
        close(err[1]);
        OutFd = out[0];
        ErrFd = err[0];
        fcntl(OutFd, F_SETFL, O_NONBLOCK);
        fcntl(ErrFd, F_SETFL, O_NONBLOCK);
        return Pid > 0;
    }

    // Reads whatever the pipes hold; false once both are at their end.
    bool Pump(int timeoutMs)
    {
        pollfd fds[2] = {{OutFd, POLLIN, 0}, {ErrFd, POLLIN, 0}};
        if (OutFd < 0 && ErrFd < 0)
            return false;
        poll(fds, 2, timeoutMs);
        ReadPipe(OutFd, Out);
        ReadPipe(ErrFd, Err);
        return OutFd >= 0 || ErrFd >= 0;
    }

    // The first line of standard output ("PTY ..." / "DEVICE ...").
    std::string FirstLine(int timeoutMs = 5000)
    {
        const auto end = SteadyClock::now() + std::chrono::milliseconds(timeoutMs);
        while (Out.find('\n') == std::string::npos && SteadyClock::now() < end && Pump(20)) {
        }
        return Out.substr(0, Out.find('\n'));
    }

    bool Exited()
    {
        if (Pid <= 0)
            return true;
        int status = 0;
        if (waitpid(Pid, &status, WNOHANG) == Pid) {
            Status = status;
            Pid = -1;
            return true;
        }
        return false;
    }

    // Waits for the end of the process; kills it after the time-out. Returns the exit code, or -1.
    int Wait(int timeoutMs = 10000)
    {
        const auto end = SteadyClock::now() + std::chrono::milliseconds(timeoutMs);
        while (!Exited() && SteadyClock::now() < end)
            Pump(20);
        if (Pid > 0) {
            kill(Pid, SIGKILL);
            waitpid(Pid, &Status, 0);
            Pid = -1;
            return -1;
        }
        while (Pump(0)) {
        }
        return WIFEXITED(Status) ? WEXITSTATUS(Status) : -1;
    }

    void Signal(int signal) { kill(Pid, signal); }

    std::string Out, Err;

private:
    static void ReadPipe(int& fd, std::string& target)
    {
        if (fd < 0)
            return;
        char buffer[4096];
        for (;;) {
            const ssize_t n = read(fd, buffer, sizeof buffer);
            if (n > 0) {
                target.append(buffer, static_cast<size_t>(n));
                continue;
            }
            if (n == 0 || (errno != EAGAIN && errno != EINTR)) {
                close(fd);
                fd = -1;
            }
            return;
        }
    }

    pid_t Pid = -1;
    int OutFd = -1, ErrFd = -1;
    int Status = 0;
};

int OpenRaw(const std::string& path)
{
    const int fd = open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return -1;
    termios settings{};
    tcgetattr(fd, &settings);
    cfmakeraw(&settings);
    tcsetattr(fd, TCSANOW, &settings);
    return fd;
}

std::string AckNow()
{
    const std::time_t now = std::time(nullptr);
    std::tm parts{};
    localtime_r(&now, &parts);
    char text[32];
    std::strftime(text, sizeof text, "ACK %d%m%Y %H%M%S", &parts);
    return std::string(text) + "\n\r";
}

// Plays the logger: reads the line until the simulator has exited, cuts "=" ... "#" frames out of the
// bytes (as the logger's framing does), and writes back what the handler returns for each record.
struct PeerLog {
    std::vector<std::string> Records;  // "=...#" without what follows
    std::vector<size_t> ReadSizes;     // size of every read on the line
    std::string Raw;                   // everything received
};

PeerLog RunPeer(int fd, SimProcess& sim, const std::function<std::string(const std::string&, size_t)>& reply,
                int timeoutMs = 10000)
{
    PeerLog log;
    std::string frame;
    bool inRecord = false;
    const auto end = SteadyClock::now() + std::chrono::milliseconds(timeoutMs);
    while (!sim.Exited() && SteadyClock::now() < end) {
        pollfd watch{fd, POLLIN, 0};
        poll(&watch, 1, 10);
        char buffer[4096];
        const ssize_t n = read(fd, buffer, sizeof buffer);
        if (n > 0) {
            log.ReadSizes.push_back(static_cast<size_t>(n));
            log.Raw.append(buffer, static_cast<size_t>(n));
            for (ssize_t i = 0; i < n; ++i) {
                const char c = buffer[i];
                if (!inRecord) {
                    if (c == '=') {
                        inRecord = true;
                        frame.assign(1, '=');
                    }
                    continue;
                }
                frame += c;
                if (c == '#') {
                    inRecord = false;
                    log.Records.push_back(frame);
                    const std::string answer = reply(frame, log.Records.size());
                    if (!answer.empty() && write(fd, answer.data(), answer.size()) < 0)
                        ADD_FAILURE() << "ACK not written: " << std::strerror(errno);
                }
            }
        }
        sim.Pump(0);
    }
    return log;
}

std::vector<std::string> Split(const std::string& text, char separator)
{
    std::vector<std::string> parts;
    size_t start = 0;
    for (;;) {
        const size_t end = text.find(separator, start);
        parts.push_back(text.substr(start, end - start));
        if (end == std::string::npos)
            return parts;
        start = end + 1;
    }
}

bool AllOf(const std::string& text, const char* allowed)
{
    return !text.empty() && text.find_first_not_of(allowed) == std::string::npos;
}

bool TwoDigitsAt(const std::string& text, size_t position, int low, int high)
{
    if (position + 2 > text.size() || !AllOf(text.substr(position, 2), "0123456789"))
        return false;
    const int value = std::stoi(text.substr(position, 2));
    return value >= low && value <= high;
}

// The record grammar the logger accepts, checked field by field. Returns an empty string when the
// record is good, else what is wrong.
std::string RecordFault(const std::string& record, bool expectClock)
{
    if (record.size() < 3 || record.front() != '=' || record.back() != '#')
        return "frame";
    if (record.find_first_not_of("=#+,-./0123456789: ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz") !=
        std::string::npos)
        return "character";
    const std::vector<std::string> fields = Split(record.substr(1, record.size() - 2), '/');
    if (fields[0] != "MD")
        return "type";
    std::string letters;
    for (size_t i = 1; i < fields.size(); ++i) {
        const std::string& field = fields[i];
        if (field.empty())
            return "empty field";
        const std::string text = field.substr(1);
        letters += field[0];
        switch (field[0]) {
        case 't':
            if (text.size() != 7 || (text[0] != '+' && text[0] != '-') || text[4] != ',' ||
                !AllOf(text.substr(1, 3) + text.substr(5), "0123456789"))
                return "t " + text;
            if (std::stod(text.substr(0, 4) + "." + text.substr(5)) < -70.0)
                return "t below -70";
            break;
        case 'n':
        case 'd':
            if (!AllOf(text, "0123456789,") || text.front() == ',' || text.back() == ',' ||
                std::count(text.begin(), text.end(), ',') > 1)
                return std::string(1, field[0]) + " " + text;
            break;
        case 'i':
        case 'm':
        case 'o':
            if (!AllOf(text, "0123456789"))
                return std::string(1, field[0]) + " " + text;
            break;
        case 'x':
            if (!AllOf(text, "0123456789ABCDEF") || text.size() > 8)
                return "x " + text;
            break;
        case 'p':
            if (text.size() != 6 || !AllOf(text, "0123456789"))
                return "p " + text;
            break;
        case 'v':
            if (text.size() != 4 || !AllOf(text, "0123456789"))
                return "v " + text;
            break;
        case 'y':
            if (text.size() != 8 || !TwoDigitsAt(text, 0, 1, 31) || text[2] != '.' || !TwoDigitsAt(text, 3, 1, 12) ||
                text[5] != '.' || !TwoDigitsAt(text, 6, 0, 99))
                return "y " + text;
            break;
        case 'z':
            if (text.size() != 8 || !TwoDigitsAt(text, 0, 0, 23) || text[2] != ':' || !TwoDigitsAt(text, 3, 0, 59) ||
                text[5] != ':' || !TwoDigitsAt(text, 6, 0, 59))
                return "z " + text;
            break;
        default:
            return "unknown letter";
        }
    }
    const std::string expected = expectClock ? "pvtttttnndimoxyz" : "pvtttttnndimox";
    if (letters != expected)
        return "field order " + letters;
    return {};
}

std::string FieldText(const std::string& record, char letter)
{
    for (const std::string& field : Split(record.substr(1, record.size() - 2), '/'))
        if (!field.empty() && field[0] == letter)
            return field.substr(1);
    return {};
}

std::string DateText(std::time_t time)
{
    std::tm parts{};
    localtime_r(&time, &parts);
    char text[16];
    std::strftime(text, sizeof text, "%d.%m.%y", &parts);
    return text;
}

class Simulator : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!std::filesystem::exists(testsupport::ToolPath("dedezuviv-simulator")))
            GTEST_SKIP() << "simulator not built";
        if (!Pair.Start())
            GTEST_SKIP() << "socat not available";
        PeerFd = OpenRaw(Pair.EndB());
        ASSERT_GE(PeerFd, 0);
    }
    void TearDown() override
    {
        if (PeerFd >= 0)
            close(PeerFd);
    }

    std::vector<std::string> DeviceArgs(std::vector<std::string> more)
    {
        more.insert(more.begin(), {"--device", Pair.EndA()});
        return more;
    }

    testsupport::PtyPair Pair;
    int PeerFd = -1;
};

TEST_F(Simulator, SendsWellFormedRecordsAndCountsAcks)
{
    SimProcess sim;
    ASSERT_TRUE(sim.Start(DeviceArgs({"--count", "3", "--interval", "0.05", "--expect-acks", "--seed", "1", "--id",
                                      "2", "--program", "12345", "--version", "3", "--subversion", "4"})));
    EXPECT_EQ(sim.FirstLine(), "DEVICE " + Pair.EndA());
    const PeerLog log = RunPeer(PeerFd, sim, [](const std::string&, size_t) { return AckNow(); });
    EXPECT_EQ(sim.Wait(), 0) << sim.Err;

    ASSERT_EQ(log.Records.size(), 3u) << log.Raw;
    const std::string today = DateText(std::time(nullptr));
    for (const std::string& record : log.Records) {
        EXPECT_EQ(RecordFault(record, true), "") << record;
        EXPECT_EQ(record.rfind("=MD/p212345/v0403/t", 0), 0u) << record;
        EXPECT_EQ(FieldText(record, 'y'), today) << record;  // right around midnight this may flake once
    }
    // A real controller ends every record with CR LF.
    size_t endings = 0;
    for (size_t at = log.Raw.find("#\r\n"); at != std::string::npos; at = log.Raw.find("#\r\n", at + 1))
        ++endings;
    EXPECT_EQ(endings, 3u);
    EXPECT_NE(sim.Out.find("\nrecords=3 acks=3 bad=0\n"), std::string::npos) << sim.Out;
    EXPECT_NE(sim.Out.find("valid=3 invalid=0 dropped=0 missing=0 unexpected=0"), std::string::npos) << sim.Out;
    EXPECT_NE(sim.Err.find("ACK OK"), std::string::npos) << sim.Err;
}

TEST_F(Simulator, MalformedMissingAndUnexpectedAcksFailTheCheck)
{
    SimProcess sim;
    ASSERT_TRUE(sim.Start(DeviceArgs({"--count", "4", "--interval", "0.05", "--expect-acks", "--ack-timeout", "0.5"})));
    RunPeer(PeerFd, sim, [](const std::string&, size_t number) -> std::string {
        switch (number) {
        case 1: return AckNow();
        case 2: return "ACK 32132026 101507\n\r";  // impossible date
        case 3: {
            std::string wrongOrder = AckNow();
            std::swap(wrongOrder[19], wrongOrder[20]);  // CR LF instead of LF CR
            return wrongOrder;
        }
        default: return {};  // record 4 stays unanswered
        }
    });
    EXPECT_EQ(sim.Wait(), 1) << sim.Out << sim.Err;
    EXPECT_NE(sim.Out.find("records=4 acks=1 bad=2\n"), std::string::npos) << sim.Out << sim.Err;
    EXPECT_NE(sim.Out.find("missing=1"), std::string::npos) << sim.Out;
    EXPECT_NE(sim.Err.find("ACK FEHLERHAFT"), std::string::npos) << sim.Err;
    EXPECT_NE(sim.Err.find("ACK FEHLT"), std::string::npos) << sim.Err;
}

TEST_F(Simulator, AckWithoutRecordIsUnexpectedAndWithoutCheckExitIsZero)
{
    SimProcess sim;
    ASSERT_TRUE(sim.Start(DeviceArgs({"--count", "2", "--interval", "0.05", "--ack-timeout", "0.5"})));
    RunPeer(PeerFd, sim, [](const std::string&, size_t) { return AckNow() + AckNow(); });
    EXPECT_EQ(sim.Wait(), 0) << sim.Err;  // no --expect-acks: the findings are reported, not judged
    EXPECT_NE(sim.Out.find("records=2 acks=4 bad=0"), std::string::npos) << sim.Out;
    EXPECT_NE(sim.Out.find("unexpected=2"), std::string::npos) << sim.Out;
}

TEST_F(Simulator, ChunkSplitsEachRecordIntoSmallWrites)
{
    SimProcess sim;
    ASSERT_TRUE(sim.Start(
        DeviceArgs({"--count", "2", "--interval", "0.05", "--chunk", "10", "--chunk-pause", "30", "--expect-acks"})));
    const PeerLog log = RunPeer(PeerFd, sim, [](const std::string&, size_t) { return AckNow(); });
    EXPECT_EQ(sim.Wait(), 0) << sim.Err;
    ASSERT_EQ(log.Records.size(), 2u);
    for (const std::string& record : log.Records)
        EXPECT_EQ(RecordFault(record, true), "") << record;
    // Each record goes out as about 13 writes of at most 10 bytes with 30 ms between them. Socat and
    // a busy machine may merge two of them now and then, so the check leaves room for that.
    const size_t small = std::count_if(log.ReadSizes.begin(), log.ReadSizes.end(), [](size_t n) { return n <= 10; });
    EXPECT_GE(log.ReadSizes.size(), log.Raw.size() / 20);
    EXPECT_GE(small * 4, log.ReadSizes.size() * 3) << ::testing::PrintToString(log.ReadSizes);
    EXPECT_NE(sim.Out.find("records=2 acks=2 bad=0"), std::string::npos) << sim.Out;
}

TEST_F(Simulator, NoClockOmitsDeviceTimeAndSeedRepeatsValues)
{
    std::vector<std::vector<std::string>> runs;
    for (int run = 0; run < 2; ++run) {
        SimProcess sim;
        ASSERT_TRUE(sim.Start(DeviceArgs({"--count", "3", "--interval", "0.05", "--no-clock", "--seed", "42"})));
        const PeerLog log = RunPeer(PeerFd, sim, [](const std::string&, size_t) { return AckNow(); });
        EXPECT_EQ(sim.Wait(), 0) << sim.Err;
        for (const std::string& record : log.Records) {
            EXPECT_EQ(RecordFault(record, false), "") << record;
            EXPECT_EQ(record.find("/y"), std::string::npos);
            EXPECT_EQ(record.find("/z"), std::string::npos);
        }
        runs.push_back(log.Records);
    }
    ASSERT_EQ(runs[0].size(), 3u);
    EXPECT_EQ(runs[0], runs[1]);
}

TEST_F(Simulator, ClockOffsetMovesTheDeviceDate)
{
    SimProcess sim;
    ASSERT_TRUE(sim.Start(DeviceArgs({"--count", "1", "--clock-offset", "-172800"})));
    const PeerLog log = RunPeer(PeerFd, sim, [](const std::string&, size_t) { return AckNow(); });
    EXPECT_EQ(sim.Wait(), 0) << sim.Err;
    ASSERT_EQ(log.Records.size(), 1u);
    EXPECT_EQ(FieldText(log.Records[0], 'y'), DateText(std::time(nullptr) - 172800));
}

TEST_F(Simulator, JunkAndInvalidRecordsAreNotExpectedToBeAcknowledged)
{
    SimProcess sim;
    ASSERT_TRUE(sim.Start(DeviceArgs(
        {"--count", "40", "--interval", "0.01", "--junk", "--seed", "5", "--no-clock", "--expect-acks"})));
    size_t good = 0, broken = 0;
    const PeerLog log = RunPeer(PeerFd, sim, [&](const std::string& record, size_t) -> std::string {
        // Answer as the logger would: only records that pass its grammar.
        if (RecordFault(record, false).empty()) {
            ++good;
            return AckNow();
        }
        ++broken;
        return {};
    });
    EXPECT_EQ(sim.Wait(), 0) << sim.Out << sim.Err;
    EXPECT_EQ(log.Records.size(), 40u);
    EXPECT_GT(broken, 0u);
    EXPECT_GT(good, broken);
    EXPECT_NE(sim.Out.find("records=40 acks=" + std::to_string(good) + " bad=0"), std::string::npos) << sim.Out;
    EXPECT_NE(sim.Out.find("invalid=" + std::to_string(broken)), std::string::npos) << sim.Out;
    EXPECT_EQ(sim.Out.find("junk=0"), std::string::npos) << sim.Out;
    // Junk never holds a frame start that would swallow the next record.
    std::string outside;
    bool inRecord = false;
    for (char c : log.Raw) {
        if (!inRecord && c == '=')
            inRecord = true;
        else if (inRecord && c == '#')
            inRecord = false;
        else if (!inRecord)
            outside += c;
    }
    EXPECT_EQ(outside.find_first_of(" *"), std::string::npos);
}

TEST_F(Simulator, BurstSendsRecordsBackToBack)
{
    SimProcess sim;
    const auto start = SteadyClock::now();
    ASSERT_TRUE(sim.Start(DeviceArgs({"--count", "25", "--burst", "25", "--interval", "30", "--expect-acks"})));
    const PeerLog log = RunPeer(PeerFd, sim, [](const std::string&, size_t) { return AckNow(); });
    EXPECT_EQ(sim.Wait(), 0) << sim.Err;
    EXPECT_LT(SteadyClock::now() - start, std::chrono::seconds(10));  // not 25 intervals of 30 s
    EXPECT_EQ(log.Records.size(), 25u);
    EXPECT_NE(sim.Out.find("records=25 acks=25 bad=0"), std::string::npos) << sim.Out;
}

TEST(SimulatorPty, OwnPtyWithLinkAndReaderArrivingLate)
{
    if (!std::filesystem::exists(testsupport::ToolPath("dedezuviv-simulator")))
        GTEST_SKIP() << "simulator not built";
    testsupport::TempDir dir;
    const std::string link = (dir / "controller").string();
    SimProcess sim;
    ASSERT_TRUE(sim.Start({"--link", link, "--count", "8", "--interval", "0.1", "--seed", "3"}));
    const std::string first = sim.FirstLine();
    ASSERT_EQ(first.rfind("PTY /dev/pts/", 0), 0u) << first;
    ASSERT_EQ(std::filesystem::read_symlink(link).string(), first.substr(4));

    // Records before anyone opens the terminal are dropped, not piled up for later.
    std::this_thread::sleep_for(std::chrono::milliseconds(250));
    const int fd = OpenRaw(link);
    ASSERT_GE(fd, 0);
    const PeerLog log = RunPeer(fd, sim, [](const std::string&, size_t) { return AckNow(); });
    close(fd);
    EXPECT_EQ(sim.Wait(), 0) << sim.Err;
    EXPECT_GE(log.Records.size(), 3u);
    EXPECT_LE(log.Records.size(), 7u);
    for (const std::string& record : log.Records)
        EXPECT_EQ(RecordFault(record, true), "") << record;
    const std::string summary = "records=" + std::to_string(log.Records.size()) +
                                " acks=" + std::to_string(log.Records.size()) + " bad=0";
    EXPECT_NE(sim.Out.find(summary), std::string::npos) << sim.Out;
    EXPECT_NE(sim.Out.find("dropped=" + std::to_string(8 - log.Records.size())), std::string::npos) << sim.Out;
    EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status(link)));  // removed at exit
}

TEST(SimulatorPty, SigtermWithoutReaderEndsCleanly)
{
    if (!std::filesystem::exists(testsupport::ToolPath("dedezuviv-simulator")))
        GTEST_SKIP() << "simulator not built";
    SimProcess sim;
    ASSERT_TRUE(sim.Start({"--interval", "0.05"}));  // endless, and nobody reads
    ASSERT_EQ(sim.FirstLine().rfind("PTY ", 0), 0u);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    const auto signalled = SteadyClock::now();
    sim.Signal(SIGTERM);
    EXPECT_EQ(sim.Wait(5000), 0) << sim.Err;
    EXPECT_LT(SteadyClock::now() - signalled, std::chrono::seconds(3));
    EXPECT_NE(sim.Out.find("\nrecords=0 acks=0 bad=0\n"), std::string::npos) << sim.Out;
}

TEST(SimulatorOptions, HelpAndBadInput)
{
    if (!std::filesystem::exists(testsupport::ToolPath("dedezuviv-simulator")))
        GTEST_SKIP() << "simulator not built";
    {
        SimProcess sim;
        ASSERT_TRUE(sim.Start({"--help"}));
        EXPECT_EQ(sim.Wait(), 0);
        EXPECT_NE(sim.Out.find("Aufruf:"), std::string::npos);
        EXPECT_NE(sim.Out.find("--expect-acks"), std::string::npos);
    }
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"--interval", "-1"}, {"--id", "10"}, {"--program", "123456"}, {"--chunk", "0"},
          {"--count"}, {"--frobnicate"}, {"--device", "/dev/null", "--link", "/tmp/x"}}) {
        SimProcess sim;
        ASSERT_TRUE(sim.Start(args));
        EXPECT_EQ(sim.Wait(), 2) << args[0];
        EXPECT_FALSE(sim.Err.empty()) << args[0];
        EXPECT_TRUE(sim.Out.empty()) << args[0];
    }
    SimProcess missing;
    ASSERT_TRUE(missing.Start({"--device", "/nonexistent/ttyX", "--count", "1"}));
    EXPECT_EQ(missing.Wait(), 1);
    EXPECT_NE(missing.Err.find("kann nicht geöffnet werden"), std::string::npos) << missing.Err;
}

}  // namespace
