// The network value server: other programs ask for current values over TCP. A client connects, sends
// request lines ("INDEX <index> <type>" or "NAME <name> <any>", each ended by LF) in one packet of at
// most 200 bytes, gets one answer line per request ("value=...;valid=1;" or "value=NA;valid=0;") and
// is disconnected.
//
// One thread serves every connection with poll(): a client that sends nothing never holds up another
// one, the number of threads stays one whatever the load, and a client silent for 5 s is closed
// without answer. Values come from CurrentRecord and CurrentProject, read under LiveStateLock().
#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

class TTCPDataServer {
public:
    static constexpr int ReceiveLimit = 200;
    static constexpr int SilenceTimeoutMs = 5000;
    static constexpr int MaxConnections = 1000;

    TTCPDataServer() = default;
    ~TTCPDataServer();
    TTCPDataServer(const TTCPDataServer&) = delete;
    TTCPDataServer& operator=(const TTCPDataServer&) = delete;

    // The local TCP port as text ("4000"); "0" lets the system choose (tests).
    void SetPort(const std::string& port) { PortText = port; }
    // Listens on all local addresses (IPv6 and IPv4) and starts serving. On success logs
    // "Netzwerkzugriff erfolgreich aktiviert."; on failure (port in use, bad port) logs a German line
    // with the reason and returns false; the program goes on without the server. Main thread.
    bool Activate();
    void Deactivate();
    bool Active() const { return Worker.joinable(); }
    // The port actually listened on (after Activate).
    int ListeningPort() const { return BoundPort; }
    // Connections currently open (for tests and diagnostics).
    int OpenConnections() const { return ConnectionCount; }

    // The kept text of one request line: only blank - + ; _ digits ASCII letters and the
    // Windows-1252 umlauts stay.
    static std::string FilterRequestBytes(const std::string& bytes);
    // Answers one kept request line (LF included in the answer); Tokens receives the upper-cased tokens
    // joined by ",". Reads the live state under its lock.
    static std::string AnswerRequest(const std::string& request, std::string& tokens);
    // Serves the bytes of one receive: one answer per LF-ended request, in order; the text after the
    // last LF is dropped. Debug lines go to the main thread.
    static std::string ServeReceivedBytes(const std::string& bytes, const std::string& clientAddress);

private:
    void Run();

    std::string PortText = "4000";
    std::vector<int> ListenSockets;
    int WakeRead = -1, WakeWrite = -1;
    int BoundPort = 0;
    std::atomic<bool> Stopping{false};
    std::atomic<int> ConnectionCount{0};
    std::thread Worker;
};

// The program's one server (the main window's TCPDataServer).
TTCPDataServer& MainTCPDataServer();
