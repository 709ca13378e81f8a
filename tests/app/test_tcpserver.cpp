// The network value server over real TCP connections.
#include "app/core/TCPDataServer.h"
#include "base/AppGlobals.h"
#include "base/FormatSettings.h"
#include "base/Log.h"
#include "base/MainThread.h"
#include "model/LiveState.h"
#include "model/Project.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <arpa/inet.h>
#include <chrono>
#include <filesystem>
#include <functional>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

using namespace dedezuviv::base;
using namespace dedezuviv::model;
using namespace dedezuviv::app;

namespace {

using testsupport::WaitFor;

// A connection to the server on the loopback address; an IPv4 client may come from another loopback
// address (127.0.0.2 ...), as a second host would.
int Connect(int port, int family = AF_INET, const char* from = nullptr)
{
    const int fd = socket(family, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (family == AF_INET) {
        if (from != nullptr) {
            sockaddr_in source{};
            source.sin_family = AF_INET;
            inet_pton(AF_INET, from, &source.sin_addr);
            if (bind(fd, reinterpret_cast<sockaddr*>(&source), sizeof(source)) != 0) {
                close(fd);
                return -1;
            }
        }
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(static_cast<uint16_t>(port));
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        if (connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0) {
            close(fd);
            return -1;
        }
    } else {
        sockaddr_in6 address{};
        address.sin6_family = AF_INET6;
        address.sin6_port = htons(static_cast<uint16_t>(port));
        address.sin6_addr = in6addr_loopback;
        if (connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0) {
            close(fd);
            return -1;
        }
    }
    return fd;
}

// Everything the server sends until it closes the connection.
std::string ReadAll(int fd, int timeoutMs = 3000)
{
    std::string data;
    for (;;) {
        pollfd p{fd, POLLIN, 0};
        if (poll(&p, 1, timeoutMs) <= 0)
            return data + "<timeout>";
        char buffer[512];
        const ssize_t n = recv(fd, buffer, sizeof(buffer), 0);
        if (n <= 0)
            return data;
        data.append(buffer, static_cast<size_t>(n));
    }
}

std::string Ask(int port, const std::string& request, int family = AF_INET)
{
    const int fd = Connect(port, family);
    if (fd < 0)
        return "<no connection>";
    send(fd, request.data(), request.size(), MSG_NOSIGNAL);
    std::string answer = ReadAll(fd);
    close(fd);
    return answer;
}

// Sends the request and ends the sending (as a client does that has nothing more to say), then reads
// everything until the server closes.
std::string AskAndEndSending(int port, const std::string& request)
{
    const int fd = Connect(port);
    if (fd < 0)
        return "<no connection>";
    send(fd, request.data(), request.size(), MSG_NOSIGNAL);
    shutdown(fd, SHUT_WR);
    std::string answer = ReadAll(fd);
    close(fd);
    return answer;
}

int64_t MillisecondsSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count();
}

int ThreadCount()
{
    int count = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator("/proc/self/task"))
        ++count;
    return count;
}

struct ServerFixture : ::testing::Test {
    TTCPDataServer Server;
    TTaskQueueDispatcher Dispatcher;
    std::vector<std::string> Lines;

    void SetUp() override
    {
        SetGermanFormatSettings();
        SetMainThreadDispatcher(&Dispatcher);
        SetLogCallbacks([this](const std::string& t) { Lines.push_back(t); },
                        [this](const std::string& t) { Lines.push_back("debug:" + t); });
        auto project = std::make_unique<TProject>();
        project->FieldNames[ftTemperature] = {"Kessel", "Außen"};
        ReplaceCurrentProject(std::move(project));
        auto record = std::make_unique<TDecodedRecord>();
        TOrvaProtocol::ClearRecord(*record);
        for (double t : {55.5, -12.25}) {
            TFieldValue v;
            v.Kind = vkFloat;
            v.FloatValue = t;
            TOrvaProtocol::AddValue(*record, ftTemperature, v);
        }
        for (int o : {0, 1}) {
            TFieldValue v;
            v.Kind = vkInteger;
            v.IntValue = o;
            TOrvaProtocol::AddValue(*record, ftOutput, v);
        }
        record->Header.RT = EncodeDateTime(2026, 12, 8, 10, 15, 7);
        record->Header.PC = EncodeDateTime(2026, 12, 8, 10, 15, 9);
        record->Header.ID = 3;
        SetCurrentRecord(*record);
        Server.SetPort("0");
        ASSERT_TRUE(Server.Activate());
    }

    void TearDown() override
    {
        Server.Deactivate();
        Dispatcher.RunPendingTasks();
        CloseCurrentProject();
        ClearCurrentRecord();
        ClearLogCallbacks();
        SetMainThreadDispatcher(nullptr);
    }
};

}  // namespace

TEST_F(ServerFixture, AnswersIndexRequests)
{
    const int port = Server.ListeningPort();
    EXPECT_EQ(Ask(port, "INDEX 0 0\n"), "value=55.5;valid=1;\n");
    EXPECT_EQ(Ask(port, "index 1 6\n"), "value=1;valid=1;\n");
    EXPECT_EQ(Ask(port, "INDEX 5 0\n"), "value=NA;valid=0;\n");
    EXPECT_EQ(Ask(port, "INDEX 0 8\n"), "value=NA;valid=0;\n");
    EXPECT_EQ(Ask(port, "INDEX 0\n"), "value=NA;valid=0;\n");
    EXPECT_EQ(Ask(port, "INDEX -1 0\n"), "value=NA;valid=0;\n");
    EXPECT_EQ(Ask(port, "INDEX x 0\n"), "value=NA;valid=0;\n");
    EXPECT_EQ(Ask(port, "INDEX;0;0\n"), "value=NA;valid=0;\n");
    EXPECT_EQ(Ask(port, "  INDEX   1   0   extra tokens\r\n"), "value=-12.25;valid=1;\n");
    EXPECT_EQ(Ask(port, "FOO 0 0\n"), "value=NA;valid=0;\n");
}

TEST_F(ServerFixture, AnswersNameRequestsForSystemFields)
{
    const int port = Server.ListeningPort();
    EXPECT_EQ(Ask(port, "NAME RT X\n"), "value=08.12.2026 10:15:07;valid=1;\n");
    EXPECT_EQ(Ask(port, "name id 0\n"), "value=3;valid=1;\n");
    EXPECT_EQ(Ask(port, "NAME RT\n"), "value=NA;valid=0;\n");
    // Parentheses are filtered out, so defined fields cannot be named.
    EXPECT_EQ(Ask(port, "NAME Kessel (Temperatur)\n"), "value=NA;valid=0;\n");
}

TEST_F(ServerFixture, SeveralRequestsInOnePacketAreAnsweredInOrder)
{
    const int port = Server.ListeningPort();
    EXPECT_EQ(AskAndEndSending(port, "INDEX 0 0\nINDEX 1 0\nINDEX 0 6\nnot answered"),
              "value=55.5;valid=1;\nvalue=-12.25;valid=1;\nvalue=0;valid=1;\n");
    // Without LF nothing is answered; the connection is closed all the same.
    EXPECT_EQ(AskAndEndSending(port, "INDEX 0 0"), "");
    // IPv6 clients are served too.
    EXPECT_EQ(Ask(port, "INDEX 0 0\n", AF_INET6), "value=55.5;valid=1;\n");
}

TEST_F(ServerFixture, NoProjectGivesNoValues)
{
    CloseCurrentProject();
    EXPECT_EQ(Ask(Server.ListeningPort(), "INDEX 0 0\nNAME RT X\n"), "value=NA;valid=0;\nvalue=NA;valid=0;\n");
}

TEST_F(ServerFixture, DebugLinesReachTheMainThreadInDebugModeOnly)
{
    Dispatcher.RunPendingTasks();
    const size_t before = Lines.size();
    Ask(Server.ListeningPort(), "index 0 0\n");
    EXPECT_EQ(Dispatcher.RunPendingTasks(), 0);
    EXPECT_EQ(Lines.size(), before);

    DebugMode = true;
    Ask(Server.ListeningPort(), "index 0 0\n");
    DebugMode = false;
    Dispatcher.RunPendingTasks();
    ASSERT_EQ(Lines.size(), before + 2);
    EXPECT_EQ(Lines[Lines.size() - 2], "debug:Received=index 0 0");
    EXPECT_EQ(Lines.back(), "debug:From 127.0.0.1 received: INDEX,0,0 --> Send: value=55.5;valid=1; ");
}

TEST_F(ServerFixture, SilentClientsDoNotHoldUpAnActiveOne)
{
    const int port = Server.ListeningPort();
    std::vector<int> silent;
    // A hundred silent connections from two other hosts.
    for (int i = 0; i < 100; ++i) {
        const int fd = Connect(port, AF_INET, i % 2 ? "127.0.0.2" : "127.0.0.3");
        ASSERT_GE(fd, 0);
        silent.push_back(fd);
    }
    ASSERT_TRUE(WaitFor([&] { return Server.OpenConnections() == 100; })) << Server.OpenConnections();
    // Answered while they are all still open: well before their 5 s of silence run out.
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(Ask(port, "INDEX 0 0\n"), "value=55.5;valid=1;\n");
    EXPECT_LT(MillisecondsSince(start), 2500);
    EXPECT_TRUE(WaitFor([&] { return Server.OpenConnections() == 100; })) << Server.OpenConnections();
    for (int fd : silent)
        close(fd);
}

TEST_F(ServerFixture, ClientSilentForFiveSecondsIsClosedWithoutAnswer)
{
    const int fd = Connect(Server.ListeningPort());
    ASSERT_GE(fd, 0);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(ReadAll(fd, 8000), "");
    const auto elapsed =
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count();
    EXPECT_GE(elapsed, 4500);
    EXPECT_LT(elapsed, 7000);
    close(fd);
}

TEST_F(ServerFixture, ManyConnectionsFromManyThreadsAreAllAnswered)
{
    const int threadsBefore = ThreadCount();
    const int port = Server.ListeningPort();
    std::atomic<int> correct{0};
    std::vector<std::thread> clients;
    for (int t = 0; t < 20; ++t)
        clients.emplace_back([&, t] {
            for (int i = 0; i < 100; ++i) {
                const std::string expected =
                    (i + t) % 2 ? "value=55.5;valid=1;\n" : "value=-12.25;valid=1;\n";
                if (Ask(port, (i + t) % 2 ? "INDEX 0 0\n" : "INDEX 1 0\n") == expected)
                    ++correct;
            }
        });
    for (auto& client : clients)
        client.join();
    EXPECT_EQ(correct.load(), 2000);
    EXPECT_EQ(Ask(port, "INDEX 0 0\n"), "value=55.5;valid=1;\n");
    EXPECT_EQ(ThreadCount(), threadsBefore);  // the server serves with its one thread
    Dispatcher.RunPendingTasks();
}

TEST_F(ServerFixture, ProjectReplacedWhileRequestsRunIsNeverReadFreed)
{
    const int port = Server.ListeningPort();
    std::atomic<bool> done{false};
    std::atomic<int> answers{0};
    std::thread client([&] {
        while (!done) {
            const std::string answer = Ask(port, "NAME RT X\nINDEX 0 0\n");
            if (answer.find("valid=") != std::string::npos)
                ++answers;
        }
    });
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    for (int i = 0; answers < 100 && std::chrono::steady_clock::now() < until; ++i) {
        auto project = std::make_unique<TProject>();
        project->FieldNames[ftTemperature] = {"Kessel"};
        ReplaceCurrentProject(std::move(project));
        if (i % 3 == 0)
            CloseCurrentProject();
    }
    done = true;
    client.join();
    EXPECT_GT(answers.load(), 0);
}

TEST(TCPDataServer, PortInUseIsLoggedAndTheProgramGoesOn)
{
    std::vector<std::string> lines;
    SetLogCallbacks([&](const std::string& t) { lines.push_back(t); }, nullptr);
    TTCPDataServer first;
    first.SetPort("0");
    ASSERT_TRUE(first.Activate());
    TTCPDataServer second;
    second.SetPort(std::to_string(first.ListeningPort()));
    EXPECT_FALSE(second.Activate());
    EXPECT_FALSE(second.Active());
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.front(), "Netzwerkzugriff erfolgreich aktiviert.");
    EXPECT_EQ(lines.back().rfind("Netzwerkzugriff auf Port " + std::to_string(first.ListeningPort()) +
                                     " nicht möglich: ",
                                 0),
              0u);
    EXPECT_NE(lines.back().find("Die Adresse wird bereits verwendet"), std::string::npos) << lines.back();
    TTCPDataServer bad;
    bad.SetPort("vierzig");
    EXPECT_FALSE(bad.Activate());
    ClearLogCallbacks();
}

TEST(TCPDataServer, PortIsDecimalOnlyAndBindFailuresAreGerman)
{
    std::vector<std::string> lines;
    SetLogCallbacks([&](const std::string& t) { lines.push_back(t); }, nullptr);
    for (const char* port : {"0x3A98", "$3A98", "65536", "-1", "1e3", "15000x", ""}) {
        TTCPDataServer server;
        server.SetPort(port);
        EXPECT_FALSE(server.Activate()) << port;
    }
    TTCPDataServer spaced;
    spaced.SetPort(" 0 ");
    EXPECT_TRUE(spaced.Activate());
    spaced.Deactivate();
    // An address of no interface of this machine (TEST-NET-1).
    lines.clear();
    TTCPDataServer foreign;
    foreign.SetPort("0");
    foreign.SetBindAddress("192.0.2.1");
    EXPECT_FALSE(foreign.Activate());
    ClearLogCallbacks();
    ASSERT_FALSE(lines.empty());
    EXPECT_NE(lines.back().find("gehört zu keiner Netzwerkschnittstelle"), std::string::npos) << lines.back();
    EXPECT_EQ(lines.back().find("Systemfehler"), std::string::npos) << lines.back();
}

TEST(TCPDataServer, RequestFilterKeepsOnlyItsCharacters)
{
    // "ß" (0xDF) is a name character like the umlauts.
    EXPECT_EQ(TTCPDataServer::FilterRequestBytes("Name (x)\r\t.,:+-;_\xE4\xFC\xDF\xA7"), "Name x+-;_\xE4\xFC\xDF");
}

TEST_F(ServerFixture, RequestSplitOverPacketsIsAnsweredWhenItsLineEnds)
{
    const int port = Server.ListeningPort();
    // As telnet sends it: the line in pieces, CR LF at the end.
    const int fd = Connect(port);
    ASSERT_GE(fd, 0);
    const int noDelay = 1;
    setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &noDelay, sizeof(noDelay));
    const uint64_t before = Server.ReceivedBytes();
    for (const std::string piece : {"INDEX 1 ", "0", "\r\n"}) {
        const uint64_t expected = Server.ReceivedBytes() + piece.size();
        ASSERT_EQ(send(fd, piece.data(), piece.size(), MSG_NOSIGNAL), static_cast<ssize_t>(piece.size()));
        // The server has taken this piece before the next one is sent.
        ASSERT_TRUE(WaitFor([&] { return Server.ReceivedBytes() >= expected; }));
    }
    EXPECT_EQ(Server.ReceivedBytes() - before, 11u);
    EXPECT_EQ(ReadAll(fd), "value=-12.25;valid=1;\n");
    close(fd);

    // A complete line is answered at once even while the next one is still coming.
    const int second = Connect(port);
    ASSERT_GE(second, 0);
    send(second, "INDEX 0 0\nINDEX", 15, MSG_NOSIGNAL);
    pollfd p{second, POLLIN, 0};
    ASSERT_EQ(poll(&p, 1, 3000), 1);
    char buffer[64];
    const ssize_t n = recv(second, buffer, sizeof(buffer), 0);
    EXPECT_EQ(std::string(buffer, static_cast<size_t>(std::max<ssize_t>(n, 0))), "value=55.5;valid=1;\n");
    send(second, " 1 0\n", 5, MSG_NOSIGNAL);
    EXPECT_EQ(ReadAll(second), "value=-12.25;valid=1;\n");
    close(second);
}

TEST_F(ServerFixture, RequestsEndAtTwoHundredBytes)
{
    const int port = Server.ListeningPort();
    // The LF as the 200th byte still counts.
    const std::string padded = "INDEX 0 0" + std::string(190, ' ') + "\n";
    ASSERT_EQ(padded.size(), 200u);
    EXPECT_EQ(Ask(port, padded), "value=55.5;valid=1;\n");
    // 200 bytes without LF: closed without answer at once, not after the 5 s of silence; what comes
    // after the 200 bytes is not read.
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(Ask(port, "INDEX 0 0" + std::string(191, ' ') + "\nINDEX 0 0\n"), "");
    EXPECT_LT(MillisecondsSince(start), 2500);
}

TEST_F(ServerFixture, OneClientAddressCannotTakeEverySlot)
{
    Server.Deactivate();
    Server.SetMaxConnectionsPerAddress(3);
    ASSERT_TRUE(Server.Activate());
    const int port = Server.ListeningPort();
    std::vector<int> greedy;
    for (int i = 0; i < 5; ++i) {
        const int fd = Connect(port, AF_INET, "127.0.0.2");
        ASSERT_GE(fd, 0);
        greedy.push_back(fd);
    }
    // Three are kept; the other two are closed without answer.
    const auto closedByServer = [&] {
        int closed = 0;
        for (int fd : greedy) {
            pollfd p{fd, POLLIN, 0};
            closed += poll(&p, 1, 0) == 1;
        }
        return closed;
    };
    ASSERT_TRUE(WaitFor([&] { return closedByServer() == 2 && Server.OpenConnections() == 3; }))
        << closedByServer() << " " << Server.OpenConnections();
    // Another host is served all the same.
    const int other = Connect(port, AF_INET, "127.0.0.3");
    ASSERT_GE(other, 0);
    send(other, "INDEX 0 0\n", 10, MSG_NOSIGNAL);
    EXPECT_EQ(ReadAll(other), "value=55.5;valid=1;\n");
    close(other);
    // Once the greedy host lets go, it is served again.
    for (int fd : greedy)
        close(fd);
    ASSERT_TRUE(WaitFor([&] { return Server.OpenConnections() == 0; }));
    const int again = Connect(port, AF_INET, "127.0.0.2");
    ASSERT_GE(again, 0);
    send(again, "INDEX 0 0\n", 10, MSG_NOSIGNAL);
    EXPECT_EQ(ReadAll(again), "value=55.5;valid=1;\n");
    close(again);
}

TEST_F(ServerFixture, IdleLocalConnectionsGiveWayToANewClient)
{
    // All local clients count as one address; the cap is reached by silent connections alone.
    const int port = Server.ListeningPort();
    std::vector<int> idle;
    for (int i = 0; i < TTCPDataServer::DefaultMaxConnectionsPerAddress; ++i) {
        const int fd = Connect(port, AF_INET, "127.0.0.1");
        ASSERT_GE(fd, 0);
        idle.push_back(fd);
    }
    ASSERT_TRUE(WaitFor([&] { return Server.OpenConnections() == TTCPDataServer::DefaultMaxConnectionsPerAddress; }));
    // A client with a request is served at once; the connection silent for longest made room.
    const auto start = std::chrono::steady_clock::now();
    const int client = Connect(port, AF_INET, "127.0.0.1");
    ASSERT_GE(client, 0);
    send(client, "INDEX 0 0\n", 10, MSG_NOSIGNAL);
    EXPECT_EQ(ReadAll(client), "value=55.5;valid=1;\n");
    EXPECT_LT(MillisecondsSince(start), 2500) << "served only after the idle ones timed out";
    close(client);
    pollfd first{idle.front(), POLLIN, 0};
    EXPECT_EQ(poll(&first, 1, 0), 1) << "the oldest idle connection is closed";
    pollfd last{idle.back(), POLLIN, 0};
    EXPECT_EQ(poll(&last, 1, 0), 0) << "the newest idle connection still waits";
    for (int fd : idle)
        close(fd);
}

TEST(TCPDataServer, ListensOnlyOnTheBindAddress)
{
    SetLogCallbacks([](const std::string&) {}, nullptr);
    ReplaceCurrentProject(std::make_unique<TProject>());
    {
        TTCPDataServer server;
        server.SetPort("0");
        server.SetBindAddress("127.0.0.1");
        ASSERT_TRUE(server.Activate());
        EXPECT_EQ(Ask(server.ListeningPort(), "INDEX 0 0\n"), "value=NA;valid=0;\n");
        EXPECT_EQ(Connect(server.ListeningPort(), AF_INET6), -1);
    }
    {
        TTCPDataServer server;
        server.SetPort("0");
        server.SetBindAddress(" [::1] ");
        ASSERT_TRUE(server.Activate());
        EXPECT_EQ(Ask(server.ListeningPort(), "INDEX 0 0\n", AF_INET6), "value=NA;valid=0;\n");
        EXPECT_EQ(Connect(server.ListeningPort(), AF_INET), -1);
    }
    {
        // "*" is every address, as without the option.
        TTCPDataServer server;
        server.SetPort("0");
        server.SetBindAddress("*");
        ASSERT_TRUE(server.Activate());
        EXPECT_EQ(Ask(server.ListeningPort(), "INDEX 0 0\n"), "value=NA;valid=0;\n");
        EXPECT_EQ(Ask(server.ListeningPort(), "INDEX 0 0\n", AF_INET6), "value=NA;valid=0;\n");
    }
    CloseCurrentProject();
    ClearLogCallbacks();
}

TEST(TCPDataServer, UnusableBindAddressIsLoggedAndTheProgramGoesOn)
{
    std::vector<std::string> lines;
    SetLogCallbacks([&](const std::string& t) { lines.push_back(t); }, nullptr);
    // Not an address, and an address of no interface of this machine (TEST-NET-1).
    for (const char* address : {"300.1.2.3", "192.0.2.1"}) {
        lines.clear();
        TTCPDataServer server;
        server.SetPort("0");
        server.SetBindAddress(address);
        EXPECT_FALSE(server.Activate()) << address;
        EXPECT_FALSE(server.Active());
        ASSERT_EQ(lines.size(), 1u);
        EXPECT_EQ(lines[0].rfind("Netzwerkzugriff auf Port 0 nicht möglich: ", 0), 0u) << lines[0];
        EXPECT_NE(lines[0].find("Das Programm arbeitet ohne Netzwerkzugriff weiter."), std::string::npos);
    }
    ClearLogCallbacks();
}
