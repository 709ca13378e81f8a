// The network value server under a shortage of descriptors: its connections stay below the process's
// open-file limit, and when accept() runs out of descriptors anyway it pauses instead of spinning.
#include "app/core/TCPConnectionLimits.h"
#include "app/core/TCPDataServer.h"
#include "model/LiveState.h"
#include "model/Project.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

using namespace dedezuviv::model;
using namespace dedezuviv::app;

namespace {

sockaddr_storage Address(int family, const char* text)
{
    sockaddr_storage address{};
    address.ss_family = static_cast<sa_family_t>(family);
    if (family == AF_INET)
        inet_pton(AF_INET, text, &reinterpret_cast<sockaddr_in&>(address).sin_addr);
    else
        inet_pton(AF_INET6, text, &reinterpret_cast<sockaddr_in6&>(address).sin6_addr);
    return address;
}

int ConnectLoopback(int fd, int port)
{
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address));
}

std::string ReadAnswer(int fd, int timeoutMs)
{
    std::string data;
    for (;;) {
        pollfd p{fd, POLLIN, 0};
        if (poll(&p, 1, timeoutMs) <= 0)
            return data + "<timeout>";
        char buffer[256];
        const ssize_t n = recv(fd, buffer, sizeof(buffer), 0);
        if (n <= 0)
            return data;
        data.append(buffer, static_cast<size_t>(n));
    }
}

double CpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// Runs the checks in a child process (descriptor limits are process-wide) and gives its exit code.
template <typename Checks>
int InChild(Checks checks)
{
    const pid_t child = fork();
    if (child == 0) {
        ReplaceCurrentProject(std::make_unique<TProject>());
        ClearCurrentRecord();
        _exit(checks());
    }
    int status = 0;
    if (child < 0 || waitpid(child, &status, 0) != child || !WIFEXITED(status))
        return -1;
    return WEXITSTATUS(status);
}

}  // namespace

TEST(TCPConnectionLimits, CapLeavesTheReserveUnderTheOpenFileLimit)
{
    EXPECT_EQ(ConnectionLimitForDescriptors(1000, 1024, 20), 1024 - 20 - DescriptorReserve);
    EXPECT_EQ(ConnectionLimitForDescriptors(1000, 65536, 20), 1000);
    EXPECT_EQ(ConnectionLimitForDescriptors(1000, -1, 20), 1000);
    // Even a process at its limit serves one client at a time rather than none.
    EXPECT_EQ(ConnectionLimitForDescriptors(1000, 80, 40), 1);
}

TEST(TCPConnectionLimits, ClientsAreCountedPerHost)
{
    EXPECT_EQ(ClientAddressKey(Address(AF_INET, "192.168.1.20")), "192.168.1.20");
    EXPECT_EQ(ClientAddressKey(Address(AF_INET6, "::ffff:192.168.1.20")), "192.168.1.20");
    EXPECT_EQ(ClientAddressKey(Address(AF_INET6, "2001:db8:1:2:aaaa::1")), "2001:db8:1:2::/64");
    EXPECT_EQ(ClientAddressKey(Address(AF_INET6, "2001:db8:1:2:bbbb::7")), "2001:db8:1:2::/64");

    TClientAddressCounts counts(2);
    EXPECT_TRUE(counts.TryAdd("a"));
    EXPECT_TRUE(counts.TryAdd("a"));
    EXPECT_FALSE(counts.TryAdd("a"));
    EXPECT_TRUE(counts.TryAdd("b"));
    counts.Remove("a");
    EXPECT_TRUE(counts.TryAdd("a"));
    EXPECT_EQ(counts.Count("a"), 2);
    counts.Remove("x");  // unknown: nothing happens
    EXPECT_EQ(counts.Count("x"), 0);
}

// Bits of the child's exit code.
enum : int { NoServer = 1, Spins = 2, NoPause = 4, NotAnsweredAfterwards = 8, NoClient = 16 };

TEST(TCPConnectionLimits, RunningOutOfDescriptorsPausesAcceptingAndRecovers)
{
    const int failures = InChild([]() -> int {
        TTCPDataServer server;
        server.SetPort("0");
        if (!server.Activate())
            return NoServer;
        // The client's socket exists before the descriptors run out; connecting needs none.
        const int client = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        std::vector<int> fillers;
        for (int fd; (fd = open("/dev/null", O_RDONLY | O_CLOEXEC)) >= 0;)
            fillers.push_back(fd);
        if (client < 0 || ConnectLoopback(client, server.ListeningPort()) != 0)
            return NoClient;
        send(client, "INDEX 0 0\n", 10, MSG_NOSIGNAL);
        // For a second the waiting connection cannot be accepted: the server must not spin meanwhile.
        const double cpuBefore = CpuSeconds();
        std::this_thread::sleep_for(std::chrono::seconds(1));
        const double cpu = CpuSeconds() - cpuBefore;
        int result = 0;
        if (cpu > 0.5)
            result |= Spins;
        if (server.AcceptPauses() == 0)
            result |= NoPause;
        for (int fd : fillers)
            close(fd);
        const std::string answer = ReadAnswer(client, 5000);
        if (answer != "value=NA;valid=0;\n") {
            std::fprintf(stderr, "answer: %s\n", answer.c_str());
            result |= NotAnsweredAfterwards;
        }
        close(client);
        return result;
    });
    EXPECT_EQ(failures, 0) << "bits: 1 no server, 2 spins, 4 no pause, 8 not answered afterwards, 16 no client";
}

TEST(TCPConnectionLimits, ConnectionsStayBelowTheOpenFileLimit)
{
    const int failures = InChild([]() -> int {
        // Room for about ten clients above what is open now and the reserve.
        int openNow = 0;
        for (int fd = 0; fd < 4096; ++fd)
            openNow += fcntl(fd, F_GETFD) != -1;
        rlimit limit{};
        getrlimit(RLIMIT_NOFILE, &limit);
        limit.rlim_cur = static_cast<rlim_t>(openNow + DescriptorReserve + 16);
        if (setrlimit(RLIMIT_NOFILE, &limit) != 0)
            return NoServer;
        TTCPDataServer server;
        server.SetPort("0");
        if (!server.Activate() || server.ConnectionLimit() > 16)
            return NoServer;
        std::vector<int> clients;
        for (int i = 0; i < 30; ++i) {
            const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
            if (fd < 0 || ConnectLoopback(fd, server.ListeningPort()) != 0)
                return NoClient;
            clients.push_back(fd);
        }
        int result = 0;
        const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (server.OpenConnections() < server.ConnectionLimit() && std::chrono::steady_clock::now() < until)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        if (server.OpenConnections() != server.ConnectionLimit())
            result |= Spins;
        // The reserve is still there for the logger's own files.
        std::vector<int> files;
        for (int i = 0; i < DescriptorReserve / 2; ++i) {
            const int fd = open("/dev/null", O_RDONLY | O_CLOEXEC);
            if (fd < 0) {
                result |= NoPause;
                break;
            }
            files.push_back(fd);
        }
        for (int fd : files)
            close(fd);
        for (int fd : clients)
            close(fd);
        return result;
    });
    EXPECT_EQ(failures, 0) << "bits: 1 no server or no cap, 2 cap not reached, 4 reserve used up, 16 no client";
}
