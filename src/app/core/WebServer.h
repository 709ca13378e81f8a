// The web view: a small read-only HTTP server in the logger (cpp-httplib, on threads of its own) with
// the live page, the charts page and the export form as static files, and the JSON API behind them:
//   /api/live        the live state (table cells, field list, logging state, the log's last lines)
//   /api/events      the same as Server-Sent Events: "record" with every acknowledged record, "log"
//   /api/fields      the project's fields;  /api/selections  the stored selections
//   /api/series      a range read with the chart reader, reduced per pixel column
//   /api/export      a file made by the export engine, as a download
//   /metrics         the Prometheus text format
//
// Record handling, acknowledgements and day files never wait for it: the main thread only builds the
// texts of a record (TWebLiveFeed); readings and exports run on the server's threads on a copy of the
// project.
//
// Safe by default: it listens on 127.0.0.1 unless an address is given, and on any other address every
// request needs the token (bearer header, or once ?token= which then sets a cookie). Requests are small
// (no body, bounded header and line), slow clients time out, static paths cannot leave the folder.
#pragma once

#include "app/core/WebLiveFeed.h"
#include "app/core/WebMetrics.h"
#include "app/core/WebSeries.h"
#include "app/core/WebSettings.h"
#include "app/core/Namespace.h"

#include <atomic>
#include <filesystem>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

namespace httplib {
class Server;
}  // namespace httplib

namespace dedezuviv::app {

class TWebServer {
public:
    // Threads that serve connections; live-event streams may hold all but a few of them.
    static constexpr int Threads = 136;
    static constexpr int MaxEventClients = 112;
    static constexpr int TimeoutSeconds = 5;
    // A live-event stream sends a comment line after this much silence (it finds clients that left).
    static constexpr int EventKeepAliveMs = 15000;
    static constexpr size_t MaxBodyBytes = 1024;
    static constexpr int MaxWidth = 4000;
    static constexpr int ListenBacklog = 128;

    TWebServer();
    ~TWebServer();
    TWebServer(const TWebServer&) = delete;
    TWebServer& operator=(const TWebServer&) = delete;

    // Listens with the settings (a running server is stopped first) and logs
    // "Webansicht auf http://<address>:<port>/ gestartet."; on failure (bad listen text, no token off
    // loopback, unreadable token file, port in use) logs the German reason and returns false. Main thread.
    bool Start(const THttpSettings& settings);
    // Ends every stream and request and the threads. Main thread.
    void Stop();
    bool Running() const { return Listener.joinable(); }
    // The port actually listened on (after Start).
    int ListeningPort() const { return Port; }
    // The folder of the static files (default: "web" beside the program or in the data folder).
    void SetStaticFolder(const std::filesystem::path& folder) { StaticFolder = folder; }

private:
    void InstallRoutes();

    std::unique_ptr<httplib::Server> Http;
    std::shared_ptr<TWebLiveFeed> Feed;
    TWebSeriesReader SeriesReader;
    std::mutex ExportLock;
    std::filesystem::path StaticFolder;
    std::string Token;  // empty: none needed
    int Port = 0;
    std::atomic<int> EventClients{0};
    std::atomic<uint64_t> Requests{0};
    std::atomic<uint64_t> Refused{0};
    std::thread Listener;
};

// The program's one web view.
TWebServer& MainWebServer();

// The web view as the settings file and the command line ask for it (nothing when neither does).
void StartWebViewFromSettings(const std::string& settingsFile);

}  // namespace dedezuviv::app
