// Requests per second of the network value server over loopback with 20 concurrent clients, each
// connection carrying one request as the clients of the logger do.
#include "app/core/TCPDataServer.h"
#include "base/FormatSettings.h"
#include "model/LiveState.h"
#include "model/Project.h"

#include <arpa/inet.h>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <memory>
#include <netinet/in.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>

using namespace dedezuviv::base;
using namespace dedezuviv::model;
using namespace dedezuviv::app;

namespace {

bool Request(int port)
{
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bool ok = false;
    if (connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)) == 0) {
        const char request[] = "INDEX 0 0\n";
        send(fd, request, sizeof(request) - 1, MSG_NOSIGNAL);
        char buffer[64];
        std::string answer;
        ssize_t n;
        while ((n = recv(fd, buffer, sizeof(buffer), 0)) > 0)
            answer.append(buffer, static_cast<size_t>(n));
        ok = answer == "value=55.5;valid=1;\n";
    }
    close(fd);
    return ok;
}

}  // namespace

int main(int argc, char** argv)
{
    const double seconds = argc > 1 ? std::atof(argv[1]) : 5.0;
    SetGermanFormatSettings();
    ReplaceCurrentProject(std::make_unique<TProject>());
    auto record = std::make_unique<TDecodedRecord>();
    TOrvaProtocol::ClearRecord(*record);
    TFieldValue value;
    value.Kind = vkFloat;
    value.FloatValue = 55.5;
    TOrvaProtocol::AddValue(*record, ftTemperature, value);
    SetCurrentRecord(*record);

    TTCPDataServer server;
    server.SetPort("0");
    if (!server.Activate()) {
        std::fprintf(stderr, "server not started\n");
        return 1;
    }
    const int port = server.ListeningPort();
    std::atomic<bool> stop{false};
    std::atomic<long> answered{0}, failed{0};
    std::vector<std::thread> clients;
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < 20; ++i)
        clients.emplace_back([&] {
            while (!stop)
                (Request(port) ? answered : failed)++;
        });
    std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
    stop = true;
    for (auto& client : clients)
        client.join();
    const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("clients=20 seconds=%.1f requests=%ld failed=%ld requests_per_second=%.0f\n", elapsed,
                answered.load(), failed.load(), answered / elapsed);
    server.Deactivate();
    CloseCurrentProject();
    return failed == 0 ? 0 : 1;
}
