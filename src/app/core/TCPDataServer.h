// The network value server: other programs ask for current values over TCP. A client connects, sends
// request lines ("INDEX <index> <type>" or "NAME <name> <any>", each ended by LF), gets one answer line
// per request ("value=...;valid=1;" or "value=NA;valid=0;") and is disconnected.
//
// One thread serves every connection with poll(): a client that sends nothing never holds up another
// one and the number of threads stays one whatever the load. A request may arrive in pieces (telnet
// sends "INDEX 1 " and "0\n" apart): the bytes are collected until the data received ends with a
// complete line, at most 200 bytes within 5 s of connecting; what is still incomplete then is dropped.
// Values come from CurrentRecord and CurrentProject, read under LiveStateLock().
//
// Clients never take the descriptors the logger needs: the connections are capped below the process's
// open-file limit (TCPConnectionLimits.h), each client address may hold only a share of them, and when
// accept() still runs out of descriptors the server stops accepting for a moment instead of retrying at
// once.
#pragma once

#include "app/core/Namespace.h"

#include <atomic>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

namespace dedezuviv::app {

class TTCPDataServer {
public:
    static constexpr int ReceiveLimit = 200;
    static constexpr int SilenceTimeoutMs = 5000;
    static constexpr int MaxConnections = 1000;
    static constexpr int DefaultMaxConnectionsPerAddress = 64;
    // Pause of accepting after accept() failed for want of descriptors or memory.
    static constexpr int AcceptPauseMs = 250;

    TTCPDataServer() = default;
    ~TTCPDataServer();
    TTCPDataServer(const TTCPDataServer&) = delete;
    TTCPDataServer& operator=(const TTCPDataServer&) = delete;

    // The local TCP port as text ("4000"); "0" lets the system choose (tests).
    void SetPort(const std::string& port) { PortText = port; }
    // The local address to listen on ("127.0.0.1", "::1", "[::1]", "localhost", or a host's own address);
    // empty or "*" means all local addresses (IPv6 and IPv4).
    void SetBindAddress(const std::string& address) { BindAddress = address; }
    const std::string& GetBindAddress() const { return BindAddress; }
    // Connections one client address (IPv6: one /64) may hold at once. Before Activate.
    void SetMaxConnectionsPerAddress(int limit) { MaxPerAddress = limit; }
    // Listens and starts serving. On success logs "Netzwerkzugriff erfolgreich aktiviert."; on failure
    // (port in use, bad port or address) logs a German line with the reason and returns false; the
    // program goes on without the server. Main thread.
    bool Activate();
    void Deactivate();
    bool Active() const { return Worker.joinable(); }
    // The port actually listened on (after Activate).
    int ListeningPort() const { return BoundPort; }
    // Connections currently open (for tests and diagnostics).
    int OpenConnections() const { return ConnectionCount; }
    // The most connections held at once (set by Activate from the open-file limit).
    int ConnectionLimit() const { return Limit; }
    // How often accepting was paused for want of descriptors, and the request bytes received so far
    // (for tests and diagnostics).
    int AcceptPauses() const { return PauseCount; }
    uint64_t ReceivedBytes() const { return BytesReceived; }

    // The kept text of one request line: only blank - + ; _ digits ASCII letters and the
    // Windows-1252 umlauts and ß stay.
    static std::string FilterRequestBytes(const std::string& bytes);
    // Answers one kept request line (LF included in the answer); Tokens receives the upper-cased tokens
    // joined by ",". Reads the live state under its lock.
    static std::string AnswerRequest(const std::string& request, std::string& tokens);
    // Serves the bytes of one receive: one answer per LF-ended request, in order; the text after the
    // last LF is dropped. Debug lines go to the main thread.
    static std::string ServeReceivedBytes(const std::string& bytes, const std::string& clientAddress);

private:
    void Run();
    bool Listen(std::string& error);

    std::string PortText = "4000";
    std::string BindAddress;
    int MaxPerAddress = DefaultMaxConnectionsPerAddress;
    int Limit = MaxConnections;
    std::vector<int> ListenSockets;
    int WakeRead = -1, WakeWrite = -1;
    int BoundPort = 0;
    std::atomic<bool> Stopping{false};
    std::atomic<int> ConnectionCount{0};
    std::atomic<int> PauseCount{0};
    std::atomic<uint64_t> BytesReceived{0};
    std::thread Worker;
};

// The program's one server (the main window's TCPDataServer).
TTCPDataServer& MainTCPDataServer();

}  // namespace dedezuviv::app
