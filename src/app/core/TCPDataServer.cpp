#include "app/core/TCPDataServer.h"

#include "app/core/TCPConnectionLimits.h"
#include "base/AppGlobals.h"
#include "base/Clock.h"
#include "base/ErrorText.h"
#include "base/Log.h"
#include "base/MainThread.h"
#include "base/NumberText.h"
#include "base/TextEncoding.h"
#include "model/FieldValue.h"
#include "model/Fields.h"
#include "model/LiveState.h"
#include "model/Project.h"
#include "model/ValueText.h"
#include "app/core/Namespace.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <map>

namespace dedezuviv::app {

namespace {

// A port number is decimal only ("0x3A98" or "$3A98" is no port 15000): 0 to 65535, blanks around it
// allowed.
bool ReadDecimalPort(const std::string& text, int32_t& port)
{
    const size_t first = text.find_first_not_of(' ');
    const size_t last = text.find_last_not_of(' ');
    if (first == std::string::npos || last - first + 1 > 5)
        return false;
    port = 0;
    for (size_t i = first; i <= last; ++i) {
        if (text[i] < '0' || text[i] > '9')
            return false;
        port = port * 10 + (text[i] - '0');
    }
    return port <= 65535;
}

bool KeptByte(unsigned char c)
{
    return c == ' ' || c == '-' || c == '+' || c == ';' || c == '_' || (c >= '0' && c <= '9') ||
           (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == 0xC4 || c == 0xD6 || c == 0xDC || c == 0xE4 ||
           c == 0xF6 || c == 0xFC || c == 0xDF;
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

// Debug lines are shown in debug mode only: outside it they are not even handed to the main thread,
// which would otherwise wake twice per request for nothing.
void PostDebugLine(std::string line)
{
    if (DebugMode)
        PostToMainThread([line = std::move(line)] { DebugInfo(line); });
}

// Room for a burst of clients connecting at once: with a short queue the kernel drops the surplus
// connection attempts and their clients retry only a second later.
constexpr int ListenBacklog = 128;

// A listening socket on the given address. An IPv6 socket on the any-address also takes IPv4
// (dual-stack) unless v6Only.
int ListenOn(const sockaddr* address, socklen_t length, bool v6Only, std::string& error)
{
    const int fd = socket(address->sa_family, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0) {
        error = SystemErrorText(errno);
        return -1;
    }
    const int yes = 1;
    setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof(yes));
    if (address->sa_family == AF_INET6) {
        const int only = v6Only ? 1 : 0;
        setsockopt(fd, IPPROTO_IPV6, IPV6_V6ONLY, &only, sizeof(only));
    }
    if (bind(fd, address, length) != 0 || listen(fd, ListenBacklog) != 0) {
        error = SystemErrorText(errno);
        close(fd);
        return -1;
    }
    return fd;
}

int SocketPort(int fd)
{
    sockaddr_storage bound{};
    socklen_t length = sizeof(bound);
    if (getsockname(fd, reinterpret_cast<sockaddr*>(&bound), &length) != 0)
        return 0;
    return bound.ss_family == AF_INET6 ? ntohs(reinterpret_cast<sockaddr_in6&>(bound).sin6_port)
                                       : ntohs(reinterpret_cast<sockaddr_in&>(bound).sin_port);
}

std::string TrimmedAddress(const std::string& text)
{
    const size_t begin = text.find_first_not_of(" \t");
    if (begin == std::string::npos)
        return std::string();
    std::string address = text.substr(begin, text.find_last_not_of(" \t") - begin + 1);
    if (address.size() >= 2 && address.front() == '[' && address.back() == ']')
        address = address.substr(1, address.size() - 2);
    return address;
}

// A log line at most once per interval, so that a flood of clients does not flood the log too.
class TThrottledLine {
public:
    explicit TThrottledLine(uint64_t intervalMs) : IntervalMs(intervalMs) {}
    bool Due(uint64_t now)
    {
        if (Last != 0 && now - Last < IntervalMs)
            return false;
        Last = now == 0 ? 1 : now;
        return true;
    }

private:
    uint64_t IntervalMs;
    uint64_t Last = 0;
};

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

namespace {

// Answers one request line and passes the two debug lines to the main thread.
std::string AnswerWithDebugLines(const std::string& request, const std::string& clientAddress)
{
    PostDebugLine("Received=" + Cp1252ToUtf8(request));
    std::string tokens;
    std::string answer = TTCPDataServer::AnswerRequest(request, tokens);
    PostDebugLine("From " + clientAddress + " received: " + tokens +
                  " --> Send: " + Cp1252ToUtf8(answer.substr(0, answer.size() - 1)) + " ");
    return answer;
}

// The request lines of one connection as its bytes arrive.
struct TRequestLines {
    std::string Request;  // kept bytes of the line not yet ended
    size_t Received = 0;
    bool LineSeen = false;

    // Takes received bytes; returns the answers to the lines they end.
    std::string Take(const char* bytes, size_t count, const std::string& clientAddress)
    {
        std::string answers;
        Received += count;
        for (size_t i = 0; i < count; ++i) {
            const char c = bytes[i];
            if (c == '\n') {
                answers += AnswerWithDebugLines(Request, clientAddress);
                Request.clear();
                LineSeen = true;
            } else if (KeptByte(static_cast<unsigned char>(c))) {
                Request += c;
            }
        }
        return answers;
    }
    // The data so far ends with complete lines (bytes that would be dropped anyway do not count).
    bool Complete() const { return LineSeen && Request.empty(); }
};

}  // namespace

std::string TTCPDataServer::ServeReceivedBytes(const std::string& bytes, const std::string& clientAddress)
{
    TRequestLines lines;
    return lines.Take(bytes.data(), bytes.size(), clientAddress);
}

bool TTCPDataServer::Listen(std::string& error)
{
    int32_t port = -1;
    if (!ReadDecimalPort(PortText, port)) {
        error = "ungültiger Port \"" + PortText + "\"";
        return false;
    }
    const std::string address = TrimmedAddress(BindAddress);
    if (address.empty() || address == "*") {
        // All local addresses: one IPv6 socket for IPv6 and IPv4, or IPv4 alone on a machine without IPv6.
        sockaddr_in6 any6{};
        any6.sin6_family = AF_INET6;
        any6.sin6_addr = in6addr_any;
        any6.sin6_port = htons(static_cast<uint16_t>(port));
        int fd = ListenOn(reinterpret_cast<sockaddr*>(&any6), sizeof(any6), false, error);
        if (fd < 0) {
            sockaddr_in any4{};
            any4.sin_family = AF_INET;
            any4.sin_addr.s_addr = htonl(INADDR_ANY);
            any4.sin_port = htons(static_cast<uint16_t>(port));
            fd = ListenOn(reinterpret_cast<sockaddr*>(&any4), sizeof(any4), false, error);
        }
        if (fd < 0)
            return false;
        ListenSockets.push_back(fd);
        return true;
    }
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_PASSIVE | AI_NUMERICSERV;
    addrinfo* found = nullptr;
    const int code = getaddrinfo(address.c_str(), std::to_string(port).c_str(), &hints, &found);
    if (code != 0) {
        error = "Adresse \"" + address + "\" unbekannt (" + ResolverErrorText(code) + ")";
        return false;
    }
    // A name may stand for several addresses ("localhost": ::1 and 127.0.0.1); all of them listen, on
    // the same port also when the system chooses it.
    for (const addrinfo* entry = found; entry != nullptr; entry = entry->ai_next) {
        if (entry->ai_family != AF_INET && entry->ai_family != AF_INET6)
            continue;
        sockaddr_storage bindTo{};
        std::memcpy(&bindTo, entry->ai_addr, entry->ai_addrlen);
        if (port == 0 && !ListenSockets.empty()) {
            const uint16_t chosen = htons(static_cast<uint16_t>(SocketPort(ListenSockets.front())));
            if (bindTo.ss_family == AF_INET6)
                reinterpret_cast<sockaddr_in6&>(bindTo).sin6_port = chosen;
            else
                reinterpret_cast<sockaddr_in&>(bindTo).sin_port = chosen;
        }
        std::string entryError;
        const int fd = ListenOn(reinterpret_cast<sockaddr*>(&bindTo), entry->ai_addrlen, true, entryError);
        if (fd >= 0)
            ListenSockets.push_back(fd);
        else if (error.empty())
            error = "Adresse \"" + address + "\": " + entryError;
    }
    freeaddrinfo(found);
    if (ListenSockets.empty())
        return false;
    error.clear();
    return true;
}

bool TTCPDataServer::Activate()
{
    if (Active())
        return true;
    std::string error;
    if (!Listen(error)) {
        for (int fd : ListenSockets)
            close(fd);
        ListenSockets.clear();
        LogMessage("Netzwerkzugriff auf Port " + PortText + " nicht möglich: " + error +
                   ". Das Programm arbeitet ohne Netzwerkzugriff weiter.");
        return false;
    }
    BoundPort = SocketPort(ListenSockets.front());
    int pipeFds[2];
    if (pipe2(pipeFds, O_CLOEXEC | O_NONBLOCK) != 0) {
        for (int fd : ListenSockets)
            close(fd);
        ListenSockets.clear();
        LogMessage("Netzwerkzugriff nicht möglich: " + SystemErrorText(errno));
        return false;
    }
    WakeRead = pipeFds[0];
    WakeWrite = pipeFds[1];
    Limit = ConnectionLimitForDescriptors(MaxConnections);
    Stopping = false;
    PauseCount = 0;
    Worker = std::thread([this] { Run(); });
    const std::string address = TrimmedAddress(BindAddress);
    if (!address.empty() && address != "*")
        LogMessage("Netzwerkzugriff nur über die Adresse " + address + ".");
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
        std::string Address;  // as the debug lines show it
        std::string Key;      // as the per-address limit counts it
        uint64_t Deadline = 0;
        uint64_t LastHeard = 0;  // when it connected or last sent bytes
        TRequestLines Lines;
        bool Reading = true;
        std::string Pending;  // answers not yet sent
    };
    std::map<int, TConnection> connections;
    TClientAddressCounts perAddress(MaxPerAddress);
    std::vector<pollfd> fds;
    uint64_t acceptPausedUntil = 0;
    TThrottledLine descriptorLine(60000), refusedLine(10000);

    const auto closeConnection = [&](std::map<int, TConnection>::iterator it) {
        close(it->first);
        perAddress.Remove(it->second.Key);
        const auto next = connections.erase(it);
        ConnectionCount = static_cast<int>(connections.size());
        return next;
    };
    // Sends what it can of the answers without waiting; false when the peer is gone.
    const auto sendPending = [](int fd, TConnection& connection) {
        while (!connection.Pending.empty()) {
            const ssize_t sent = send(fd, connection.Pending.data(), connection.Pending.size(), MSG_NOSIGNAL);
            if (sent < 0 && errno == EINTR)
                continue;
            if (sent < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
                return true;
            if (sent <= 0)
                return false;
            connection.Pending.erase(0, static_cast<size_t>(sent));
        }
        return true;
    };
    // At a cap the connection silent for longest gives way to the new one, so that silent or slow
    // clients cannot lock others out (all local clients count as one address). Only connections
    // still reading qualify: one being answered is about to end anyway. Key empty: any address.
    const auto longestSilent = [&](const std::string& key) {
        auto oldest = connections.end();
        for (auto it = connections.begin(); it != connections.end(); ++it)
            if (it->second.Reading && (key.empty() || it->second.Key == key) &&
                (oldest == connections.end() || it->second.LastHeard < oldest->second.LastHeard))
                oldest = it;
        return oldest;
    };
    const auto closeLongestSilent = [&](const std::string& key) {
        const auto oldest = longestSilent(key);
        if (oldest == connections.end())
            return false;
        closeConnection(oldest);
        return true;
    };
    const auto acceptWaiting = [&](int listenFd, uint64_t now) {
        for (;;) {
            // At the cap a waiting connection stays queued unless some connection can give way.
            const bool full = static_cast<int>(connections.size()) >= Limit;
            if (full && longestSilent(std::string()) == connections.end())
                return;
            sockaddr_storage address{};
            socklen_t length = sizeof(address);
            const int client =
                accept4(listenFd, reinterpret_cast<sockaddr*>(&address), &length, SOCK_NONBLOCK | SOCK_CLOEXEC);
            if (client < 0) {
                if (errno == EINTR || errno == ECONNABORTED || errno == EPROTO)
                    continue;
                if (errno == EMFILE || errno == ENFILE || errno == ENOBUFS || errno == ENOMEM) {
                    // The waiting connection stays queued; retrying at once would only spin.
                    acceptPausedUntil = now + AcceptPauseMs;
                    ++PauseCount;
                    if (descriptorLine.Due(now))
                        PostToMainThread([reason = SystemErrorText(errno)] {
                            LogMessage("Netzwerkzugriff: keine Verbindung mehr möglich (" + reason +
                                       "); neue Verbindungen werden kurz zurückgestellt.");
                        });
                }
                return;
            }
            if (full)
                closeLongestSilent(std::string());
            std::string key = ClientAddressKey(address);
            if (!perAddress.TryAdd(key) && !(closeLongestSilent(key) && perAddress.TryAdd(key))) {
                close(client);
                if (refusedLine.Due(now))
                    PostDebugLine("Verbindung von " + AddressText(address) +
                                  " abgewiesen: zu viele Verbindungen von dieser Adresse.");
                continue;
            }
            connections[client] =
                TConnection{AddressText(address), std::move(key), now + SilenceTimeoutMs, now, {}, true, {}};
            ConnectionCount = static_cast<int>(connections.size());
        }
    };

    while (!Stopping) {
        uint64_t now = GetTickCount();
        fds.clear();
        fds.push_back({WakeRead, POLLIN, 0});
        const bool accepting = now >= acceptPausedUntil && (static_cast<int>(connections.size()) < Limit ||
                                                              longestSilent(std::string()) != connections.end());
        for (int fd : ListenSockets)
            fds.push_back({fd, static_cast<short>(accepting ? POLLIN : 0), 0});
        int timeout = SilenceTimeoutMs;
        if (now < acceptPausedUntil)
            timeout = static_cast<int>(acceptPausedUntil - now);
        for (const auto& [fd, connection] : connections) {
            const short events = static_cast<short>((connection.Reading ? POLLIN : 0) |
                                                    (connection.Pending.empty() ? 0 : POLLOUT));
            fds.push_back({fd, events, 0});
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
                if (fds[i].revents & POLLIN)
                    acceptWaiting(fd, now);
                continue;
            }
            auto it = connections.find(fd);
            if (it == connections.end() || fds[i].revents == 0)
                continue;
            TConnection& connection = it->second;
            if (connection.Reading && (fds[i].revents & (POLLIN | POLLHUP | POLLERR))) {
                char buffer[ReceiveLimit];
                const size_t room = ReceiveLimit - connection.Lines.Received;
                const ssize_t received = recv(fd, buffer, room, 0);
                if (received < 0 && (errno == EAGAIN || errno == EINTR))
                    continue;
                if (received < 0) {
                    closeConnection(it);
                    continue;
                }
                if (received > 0) {
                    connection.LastHeard = now;
                    connection.Pending +=
                        connection.Lines.Take(buffer, static_cast<size_t>(received), connection.Address);
                    BytesReceived += static_cast<uint64_t>(received);
                }
                // Finished reading: the peer ended its sending, the data ends with a complete line, or the
                // limit is reached; an unfinished line is dropped then.
                if (received == 0 || connection.Lines.Complete() ||
                    connection.Lines.Received >= static_cast<size_t>(ReceiveLimit)) {
                    connection.Reading = false;
                    connection.Deadline = now + SilenceTimeoutMs;
                }
            }
            // Served once its requests are read and answered.
            if (!sendPending(fd, connection) || (!connection.Reading && connection.Pending.empty()))
                closeConnection(it);
        }
        // Connections beyond their time are closed: requests not complete within 5 s of connecting, and
        // answers the client does not take within 5 s.
        for (auto it = connections.begin(); it != connections.end();) {
            if (it->second.Deadline <= now)
                it = closeConnection(it);
            else
                ++it;
        }
    }
    for (const auto& entry : connections)
        close(entry.first);
    connections.clear();
    ConnectionCount = 0;
}

}  // namespace dedezuviv::app
