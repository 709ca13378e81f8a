#include "app/core/TCPDataServer.h"

#include "base/Clock.h"
#include "base/Log.h"
#include "base/MainThread.h"
#include "base/NumberText.h"
#include "base/TextEncoding.h"
#include "model/Fields.h"
#include "model/LiveState.h"
#include "model/Project.h"
#include "model/ValueText.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <map>

namespace {

bool KeptByte(unsigned char c)
{
    return c == ' ' || c == '-' || c == '+' || c == ';' || c == '_' || (c >= '0' && c <= '9') ||
           (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == 0xC4 || c == 0xD6 || c == 0xDC || c == 0xE4 ||
           c == 0xF6 || c == 0xFC;
}

std::vector<std::string> Tokens(const std::string& upper)
{
    std::vector<std::string> tokens;
    size_t i = 0;
    while (i < upper.size()) {
        while (i < upper.size() && upper[i] == ' ')
            ++i;
        const size_t start = i;
        while (i < upper.size() && upper[i] != ' ')
            ++i;
        if (i > start)
            tokens.push_back(upper.substr(start, i - start));
    }
    return tokens;
}

int TokenNumber(const std::string& token)
{
    int32_t value = 0;
    bool digits = !token.empty();
    for (size_t i = 0; i < token.size(); ++i)
        if (!((token[i] >= '0' && token[i] <= '9') || (i == 0 && (token[i] == '-' || token[i] == '+'))))
            digits = false;
    return digits && TryStrToInt(token, value) ? value : -1;
}

std::string AddressText(const sockaddr_storage& address)
{
    char text[INET6_ADDRSTRLEN] = "";
    if (address.ss_family == AF_INET) {
        inet_ntop(AF_INET, &reinterpret_cast<const sockaddr_in&>(address).sin_addr, text, sizeof(text));
    } else if (address.ss_family == AF_INET6) {
        const auto& in6 = reinterpret_cast<const sockaddr_in6&>(address);
        if (IN6_IS_ADDR_V4MAPPED(&in6.sin6_addr))
            inet_ntop(AF_INET, &in6.sin6_addr.s6_addr[12], text, sizeof(text));
        else
            inet_ntop(AF_INET6, &in6.sin6_addr, text, sizeof(text));
    }
    return text;
}

void PostDebugLine(std::string line)
{
    PostToMainThread([line = std::move(line)] { DebugInfo(line); });
}

// Room for a burst of clients connecting at once: with a short queue the kernel drops the surplus
// connection attempts and their clients retry only a second later.
constexpr int ListenBacklog = 128;

int ListenOn(int family, uint16_t port, std::string& error)
{
    const int fd = socket(family, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0) {
        error = std::strerror(errno);
        return -1;
    }
    const int yes = 1;
    setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof(yes));
    int result = 0;
    if (family == AF_INET6) {
        const int no = 0;
        setsockopt(fd, IPPROTO_IPV6, IPV6_V6ONLY, &no, sizeof(no));  // one socket for IPv6 and IPv4
        sockaddr_in6 address{};
        address.sin6_family = AF_INET6;
        address.sin6_addr = in6addr_any;
        address.sin6_port = htons(port);
        result = bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address));
    } else {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_ANY);
        address.sin_port = htons(port);
        result = bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address));
    }
    if (result != 0 || listen(fd, ListenBacklog) != 0) {
        error = std::strerror(errno);
        close(fd);
        return -1;
    }
    return fd;
}

}  // namespace

TTCPDataServer& MainTCPDataServer()
{
    static TTCPDataServer server;
    return server;
}

TTCPDataServer::~TTCPDataServer() { Deactivate(); }

std::string TTCPDataServer::FilterRequestBytes(const std::string& bytes)
{
    std::string kept;
    for (char c : bytes)
        if (KeptByte(static_cast<unsigned char>(c)))
            kept += c;
    return kept;
}

std::string TTCPDataServer::AnswerRequest(const std::string& request, std::string& joined)
{
    std::string upper = request;
    for (char& c : upper)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    const std::vector<std::string> tokens = Tokens(upper);
    joined.clear();
    for (size_t i = 0; i < tokens.size(); ++i) {
        if (i > 0)
            joined += ',';
        joined += Cp1252ToUtf8(tokens[i]);
    }

    bool found = false;
    TFieldValue value;
    if (tokens.size() >= 3) {
        std::lock_guard<std::mutex> guard(LiveStateLock());
        const TProject* project = CurrentProject();
        const TDecodedRecord& record = CurrentRecord();
        if (project && tokens[0] == "INDEX") {
            const int index = TokenNumber(tokens[1]);
            const int type = TokenNumber(tokens[2]);
            if (type >= 0 && type < FieldTypeCount && index >= 0 && index < record.Counts[type]) {
                value = record.Values[type][index];
                found = true;
            }
        } else if (project && tokens[0] == "NAME") {
            int fieldType = -1;
            const std::string name = Cp1252ToUtf8(tokens[1]);
            GetFieldValue(project, record, name, fieldType, value);
            // System fields have no type index but are fields all the same.
            found = fieldType != -1 || SystemFieldIndex(name) >= 0;
        }
    }
    if (!found)
        return "value=NA;valid=0;\n";
    std::string text = ValueToText(value);
    for (char& c : text)
        if (c == ',')
            c = '.';
    return "value=" + Utf8ToCp1252(text) + ";valid=1;\n";
}

std::string TTCPDataServer::ServeReceivedBytes(const std::string& bytes, const std::string& clientAddress)
{
    std::string answers;
    std::string request;
    for (char c : bytes) {
        if (c == '\n') {
            PostDebugLine("Received=" + Cp1252ToUtf8(request));
            std::string tokens;
            const std::string answer = AnswerRequest(request, tokens);
            PostDebugLine("From " + clientAddress + " received: " + tokens +
                          " --> Send: " + Cp1252ToUtf8(answer.substr(0, answer.size() - 1)) + " ");
            answers += answer;
            request.clear();
        } else if (KeptByte(static_cast<unsigned char>(c))) {
            request += c;
        }
    }
    return answers;
}

bool TTCPDataServer::Activate()
{
    if (Active())
        return true;
    int32_t port = -1;
    if (!TryStrToInt(PortText, port) || port < 0 || port > 65535) {
        LogMessage("Netzwerkzugriff nicht möglich: ungültiger Port \"" + PortText + "\".");
        return false;
    }
    std::string error6, error4;
    const int fd6 = ListenOn(AF_INET6, static_cast<uint16_t>(port), error6);
    if (fd6 >= 0) {
        ListenSockets.push_back(fd6);
    } else {
        // Without IPv6 on the machine, IPv4 alone.
        const int fd4 = ListenOn(AF_INET, static_cast<uint16_t>(port), error4);
        if (fd4 < 0) {
            LogMessage("Netzwerkzugriff auf Port " + PortText + " nicht möglich: " + error4 +
                       ". Das Programm arbeitet ohne Netzwerkzugriff weiter.");
            return false;
        }
        ListenSockets.push_back(fd4);
    }
    sockaddr_storage bound{};
    socklen_t length = sizeof(bound);
    getsockname(ListenSockets[0], reinterpret_cast<sockaddr*>(&bound), &length);
    BoundPort = bound.ss_family == AF_INET6 ? ntohs(reinterpret_cast<sockaddr_in6&>(bound).sin6_port)
                                            : ntohs(reinterpret_cast<sockaddr_in&>(bound).sin_port);
    int pipeFds[2];
    if (pipe2(pipeFds, O_CLOEXEC | O_NONBLOCK) != 0) {
        for (int fd : ListenSockets)
            close(fd);
        ListenSockets.clear();
        LogMessage("Netzwerkzugriff nicht möglich: " + std::string(std::strerror(errno)));
        return false;
    }
    WakeRead = pipeFds[0];
    WakeWrite = pipeFds[1];
    Stopping = false;
    Worker = std::thread([this] { Run(); });
    LogMessage("Netzwerkzugriff erfolgreich aktiviert.");
    return true;
}

void TTCPDataServer::Deactivate()
{
    if (!Worker.joinable())
        return;
    Stopping = true;
    const char wake = 1;
    [[maybe_unused]] const ssize_t n = write(WakeWrite, &wake, 1);
    Worker.join();
    for (int fd : ListenSockets)
        close(fd);
    ListenSockets.clear();
    close(WakeRead);
    close(WakeWrite);
    WakeRead = WakeWrite = -1;
}

void TTCPDataServer::Run()
{
    struct TConnection {
        std::string Address;
        uint64_t Deadline = 0;
        std::string Pending;  // answers not yet sent
        bool Answered = false;
    };
    std::map<int, TConnection> connections;
    std::vector<pollfd> fds;
    const auto closeConnection = [&](int fd) {
        close(fd);
        connections.erase(fd);
        ConnectionCount = static_cast<int>(connections.size());
    };

    while (!Stopping) {
        fds.clear();
        fds.push_back({WakeRead, POLLIN, 0});
        const bool accepting = static_cast<int>(connections.size()) < MaxConnections;
        for (int fd : ListenSockets)
            fds.push_back({fd, static_cast<short>(accepting ? POLLIN : 0), 0});
        uint64_t now = GetTickCount();
        int timeout = SilenceTimeoutMs;
        for (const auto& [fd, connection] : connections) {
            fds.push_back({fd, static_cast<short>(connection.Answered ? POLLOUT : POLLIN), 0});
            const int left = connection.Deadline > now ? static_cast<int>(connection.Deadline - now) : 0;
            if (left < timeout)
                timeout = left;
        }
        const int ready = poll(fds.data(), fds.size(), timeout);
        if (ready < 0 && errno != EINTR)
            break;
        now = GetTickCount();
        const size_t listenEnd = 1 + ListenSockets.size();
        for (size_t i = 1; i < fds.size(); ++i) {
            const int fd = fds[i].fd;
            if (i < listenEnd) {
                if (!(fds[i].revents & POLLIN))
                    continue;
                // Take every waiting connection, up to the limit.
                while (static_cast<int>(connections.size()) < MaxConnections) {
                    sockaddr_storage address{};
                    socklen_t length = sizeof(address);
                    const int client =
                        accept4(fd, reinterpret_cast<sockaddr*>(&address), &length, SOCK_NONBLOCK | SOCK_CLOEXEC);
                    if (client < 0)
                        break;
                    connections[client] = TConnection{AddressText(address), now + SilenceTimeoutMs, {}, false};
                    ConnectionCount = static_cast<int>(connections.size());
                }
                continue;
            }
            auto it = connections.find(fd);
            if (it == connections.end())
                continue;
            TConnection& connection = it->second;
            if (!connection.Answered && (fds[i].revents & (POLLIN | POLLHUP | POLLERR))) {
                char buffer[ReceiveLimit];
                const ssize_t received = recv(fd, buffer, sizeof(buffer), 0);
                if (received < 0 && (errno == EAGAIN || errno == EINTR))
                    continue;
                if (received <= 0) {
                    closeConnection(fd);
                    continue;
                }
                connection.Pending = ServeReceivedBytes(std::string(buffer, static_cast<size_t>(received)),
                                                        connection.Address);
                connection.Answered = true;
                connection.Deadline = now + SilenceTimeoutMs;
            }
            if (connection.Answered) {
                while (!connection.Pending.empty()) {
                    const ssize_t sent =
                        send(fd, connection.Pending.data(), connection.Pending.size(), MSG_NOSIGNAL);
                    if (sent <= 0)
                        break;
                    connection.Pending.erase(0, static_cast<size_t>(sent));
                }
                const bool wouldBlock = !connection.Pending.empty() && (errno == EAGAIN || errno == EWOULDBLOCK);
                if (connection.Pending.empty() || !wouldBlock) {
                    closeConnection(fd);
                    continue;
                }
            }
        }
        // Clients silent (or not reading their answers) beyond the limit are closed.
        for (auto it = connections.begin(); it != connections.end();) {
            if (it->second.Deadline <= now) {
                close(it->first);
                it = connections.erase(it);
            } else {
                ++it;
            }
        }
        ConnectionCount = static_cast<int>(connections.size());
    }
    for (const auto& entry : connections)
        close(entry.first);
    connections.clear();
    ConnectionCount = 0;
}
