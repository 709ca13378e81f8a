#include "app/core/WebServer.h"

#include "app/core/AppSettings.h"
#include "app/core/ExportActions.h"
#include "app/core/WebAccess.h"
#include "app/core/WebProjectCopy.h"
#include "app/core/WebRequests.h"
#include "base/JsonText.h"
#include "base/Log.h"
#include "evaluation/PlotSelections.h"
#include "export/ExportFormats.h"
#include "model/Project.h"
#include "app/core/Namespace.h"

#include <httplib.h>

#include <cstdlib>
#include <sys/socket.h>
#include <fstream>

namespace dedezuviv::app {

namespace fs = std::filesystem;

namespace {

void SetJson(httplib::Response& res, const std::string& json, int status = 200)
{
    res.status = status;
    res.set_header("Cache-Control", "no-store");
    res.set_content(json, "application/json; charset=utf-8");
}

void SetError(httplib::Response& res, int status, const std::string& message)
{
    std::string json = "{\"error\":";
    AppendJsonString(json, message);
    SetJson(res, json + "}", status);
}

TQueryParameter QueryOf(const httplib::Request& req)
{
    return [&req](const std::string& name) -> std::optional<std::string> {
        if (!req.has_param(name.c_str()))
            return std::nullopt;
        return req.get_param_value(name.c_str());
    };
}

// The project to read from, or an answer saying there is none.
std::unique_ptr<TProject> ProjectOrError(httplib::Response& res)
{
    std::unique_ptr<TProject> project = CopyCurrentProjectForReading();
    if (!project)
        SetError(res, 503, "Kein Projekt geöffnet.");
    return project;
}

// The project and the range a request asks for, or an answer saying what is wrong.
std::unique_ptr<TProject> ProjectAndRange(const httplib::Request& req, httplib::Response& res, TWebRange& range)
{
    std::unique_ptr<TProject> project = ProjectOrError(res);
    std::string error;
    if (project && !ParseWebRange(*project, QueryOf(req), range, error)) {
        SetError(res, 400, error);
        project.reset();
    }
    return project;
}

std::string FieldsJson(const TProject& project)
{
    std::string out = "{\"fields\":[";
    bool first = true;
    for (int type = 0; type < FieldTypeCount; ++type)
        for (const std::string& name : project.GetFieldNames(false, static_cast<TFieldType>(type))) {
            out += first ? "{\"name\":" : ",{\"name\":";
            first = false;
            AppendJsonString(out, name);
            out += ",\"qualified\":";
            AppendJsonString(out, QualifiedFieldName(name, static_cast<TFieldType>(type)));
            out += ",\"type\":";
            AppendJsonString(out, FieldTypeNames[type]);
            out += ",\"caption\":";
            AppendJsonString(out, FieldTypeCaptions[type]);
            out += ",\"unit\":";
            AppendJsonString(out, FieldTypeUnits[type]);
            out += '}';
        }
    return out + "]}";
}

std::string SelectionsJson(const TProject& project)
{
    std::string out = "{\"selections\":[";
    bool first = true;
    for (const TPlotChoice& choice : PlotChoices(&project)) {
        out += first ? "{\"name\":" : ",{\"name\":";
        first = false;
        AppendJsonString(out, choice.Name);
        out += ",\"fields\":[";
        for (size_t i = 0; i < choice.Fields.size(); ++i) {
            if (i > 0)
                out += ',';
            AppendJsonString(out, choice.Fields[i]);
        }
        out += "]}";
    }
    out += "],\"formats\":[";
    first = true;
    for (const TExportFormatRow& row : ExportFormatRows()) {
        out += first ? "" : ",";
        first = false;
        AppendJsonString(out, row.Extension);
    }
    return out + "]}";
}

// A fresh folder of the user's own for one export.
std::optional<fs::path> MakePrivateFolder()
{
    std::string pattern = (fs::temp_directory_path() / "dedezuviv-web-XXXXXX").string();
    if (!mkdtemp(pattern.data()))
        return std::nullopt;
    return fs::path(pattern);
}

}  // namespace

TWebServer::TWebServer() = default;

TWebServer::~TWebServer() { Stop(); }

bool TWebServer::Start(const THttpSettings& settings)
{
    Stop();
    std::string address, error;
    int port = 0;
    if (!ParseHttpListen(settings.Listen, address, port, error)) {
        LogMessage(error);
        return false;
    }
    if (!ReadHttpToken(settings, Token, error)) {
        LogMessage(error);
        return false;
    }
    if (Token.empty() && !IsLoopbackAddress(address)) {
        LogMessage("Webansicht auf " + address + " nur mit Token: /HTTPTOKENFILE=Datei oder " + HttpTokenVariable +
                   " angeben.");
        return false;
    }
    if (StaticFolder.empty())
        StaticFolder = FindProgramResource("web");

    Http = std::make_unique<httplib::Server>();
    Http->new_task_queue = [] { return new httplib::ThreadPool(Threads); };
    Http->set_read_timeout(TimeoutSeconds, 0);
    Http->set_write_timeout(TimeoutSeconds, 0);
    Http->set_keep_alive_timeout(2);
    Http->set_keep_alive_max_count(100);
    Http->set_payload_max_length(MaxBodyBytes);
    if (address.find(':') != std::string::npos)
        Http->set_address_family(AF_INET6);
    // SO_REUSEADDR only (the library's default adds SO_REUSEPORT, which would let a second program
    // listen on the same port unnoticed); the socket is kept to widen its queue of new connections.
    int listenSocket = -1;
    Http->set_socket_options([&listenSocket](int socket) {
        const int yes = 1;
        setsockopt(socket, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
        listenSocket = socket;
    });
    InstallRoutes();
    Port = port == 0 ? Http->bind_to_any_port(address) : (Http->bind_to_port(address, port) ? port : -1);
    // The library listens with a queue of 5: a burst of clients (a page reloaded by many phones, a
    // dashboard with many panels) would wait for retransmissions.
    if (Port > 0 && listenSocket >= 0)
        ::listen(listenSocket, ListenBacklog);
    if (Port <= 0) {
        LogMessage("Webansicht: Adresse " + address + " Port " + std::to_string(port) +
                   " kann nicht belegt werden (schon belegt oder keine Adresse dieses Rechners).");
        Http.reset();
        Port = 0;
        return false;
    }
    Feed = std::make_shared<TWebLiveFeed>();
    Feed->Attach();
    Listener = std::thread([server = Http.get()] { server->listen_after_bind(); });
    const std::string shown = address.find(':') != std::string::npos ? "[" + address + "]" : address;
    LogMessage("Webansicht auf http://" + shown + ":" + std::to_string(Port) + "/ gestartet" +
               (Token.empty() ? "." : " (mit Token)."));
    return true;
}

void TWebServer::Stop()
{
    if (!Http)
        return;
    // The streams end first (they wait on the feed), then the server lets its threads go.
    Feed->Detach();
    Http->stop();
    if (Listener.joinable())
        Listener.join();
    Http.reset();
    Feed.reset();
    Port = 0;
}

void TWebServer::InstallRoutes()
{
    httplib::Server& http = *Http;
    http.set_pre_routing_handler([this](const httplib::Request& req, httplib::Response& res) {
        ++Requests;
        res.set_header("X-Content-Type-Options", "nosniff");
        res.set_header("Referrer-Policy", "no-referrer");
        res.set_header("Content-Security-Policy",
                       "default-src 'self'; style-src 'self' 'unsafe-inline'; img-src 'self' data:");
        if (Token.empty())
            return httplib::Server::HandlerResponse::Unhandled;
        const std::string query = req.has_param("token") ? req.get_param_value("token") : std::string();
        const std::string given =
            RequestToken(req.get_header_value("Authorization"), query, req.get_header_value("Cookie"));
        if (!SameSecret(given, Token)) {
            ++Refused;
            res.set_header("WWW-Authenticate", "Bearer");
            SetError(res, 401, "Token fehlt oder ist falsch.");
            return httplib::Server::HandlerResponse::Handled;
        }
        if (!query.empty())
            res.set_header("Set-Cookie", std::string(WebTokenCookie) + "=" + Token +
                                             "; Path=/; HttpOnly; SameSite=Strict");
        return httplib::Server::HandlerResponse::Unhandled;
    });

    http.Get("/api/live", [this](const httplib::Request&, httplib::Response& res) {
        SetJson(res, Feed->LiveJson(500));
    });

    http.Get("/api/events", [this](const httplib::Request&, httplib::Response& res) {
        if (++EventClients > MaxEventClients) {
            --EventClients;
            SetError(res, 503, "Zu viele Verbindungen.");
            return;
        }
        res.set_header("Cache-Control", "no-store");
        res.set_header("X-Accel-Buffering", "no");
        auto seen = std::make_shared<uint64_t>(Feed->LastSequence());
        std::shared_ptr<TWebLiveFeed> feed = Feed;
        res.set_chunked_content_provider(
            "text/event-stream",
            [feed, seen](size_t, httplib::DataSink& sink) {
                std::vector<TWebEvent> events;
                if (!feed->WaitEvents(*seen, EventKeepAliveMs, events))
                    return false;
                std::string text = events.empty() ? std::string(": -\n\n") : std::string();
                for (const TWebEvent& event : events) {
                    text += *event.Text;
                    *seen = event.Sequence;
                }
                return sink.write(text.data(), text.size());
            },
            [this](bool) { --EventClients; });
    });

    http.Get("/api/fields", [](const httplib::Request&, httplib::Response& res) {
        if (const std::unique_ptr<TProject> project = ProjectOrError(res))
            SetJson(res, FieldsJson(*project));
    });

    http.Get("/api/selections", [](const httplib::Request&, httplib::Response& res) {
        if (const std::unique_ptr<TProject> project = ProjectOrError(res))
            SetJson(res, SelectionsJson(*project));
    });

    http.Get("/api/series", [this](const httplib::Request& req, httplib::Response& res) {
        TWebRange range;
        const std::unique_ptr<TProject> project = ProjectAndRange(req, res, range);
        if (!project)
            return;
        std::string error;
        TWebSeriesRequest request;
        request.Reading = {range.Fields, range.Start, range.End, range.IncrementSeconds};
        if (req.has_param("width")) {
            const std::optional<int64_t> width = ParseWebInteger(req.get_param_value("width"), 10, MaxWidth);
            if (!width)
                return SetError(res, 400, "Ungültige Breite (10 bis " + std::to_string(MaxWidth) + ").");
            request.Width = static_cast<int>(*width);
        }
        if (req.has_param("view_from") || req.has_param("view_to")) {
            const std::optional<TDateTime> from = ParseWebTime(req.get_param_value("view_from"));
            const std::optional<TDateTime> to = ParseWebTime(req.get_param_value("view_to"));
            if (!from || !to || *to < *from)
                return SetError(res, 400, "Ungültiger Ausschnitt (view_from=, view_to=).");
            request.ViewStart = *from;
            request.ViewEnd = *to;
        }
        std::string json;
        if (!SeriesReader.Read(*project, request, json, error))
            return SetError(res, error == NoChartDataMessage ? 404 : 500, error);
        SetJson(res, json);
    });

    http.Get("/api/export", [this](const httplib::Request& req, httplib::Response& res) {
        TWebRange range;
        const std::unique_ptr<TProject> project = ProjectAndRange(req, res, range);
        if (!project)
            return;
        std::string error;
        const std::string extension = req.has_param("format") ? req.get_param_value("format") : "csv";
        const std::string fileName = "export." + extension;
        if (!ExportFileFormat(fileName, error) || extension.find_first_of("/.\\") != std::string::npos)
            return SetError(res, 400, "Unbekanntes Format \"" + extension + "\".");
        std::unique_lock exporting(ExportLock, std::try_to_lock);
        if (!exporting.owns_lock())
            return SetError(res, 503, "Es läuft bereits ein Export; bitte gleich noch einmal versuchen.");
        const std::optional<fs::path> folder = MakePrivateFolder();
        if (!folder)
            return SetError(res, 500, "Kein Platz für die Exportdatei.");
        const fs::path file = *folder / fileName;
        const TExportFileResult result =
            ExportToFile(*project,
                         {.FileName = file.string(), .Fields = range.Fields, .Start = range.Start,
                          .End = range.End, .IncrementSeconds = range.IncrementSeconds},
                         nullptr, [server = Http.get()] { return !server->is_running(); });
        std::error_code ignored;
        if (result.Outcome != TExportFileOutcome::Written) {
            fs::remove_all(*folder, ignored);
            const std::string reason = result.ErrorText.empty() ? std::string(ExportMessages::Failed) : result.ErrorText;
            return SetError(res, result.Outcome == TExportFileOutcome::EndBeforeStart ? 400 : 500, reason);
        }
        auto stream = std::make_shared<std::ifstream>(file, std::ios::binary);
        const uintmax_t size = fs::file_size(file, ignored);
        res.set_header("Content-Disposition", "attachment; filename=\"dedezuviv-export." + extension + "\"");
        res.set_header("X-Record-Count", std::to_string(result.RecordCount));
        res.set_content_provider(
            static_cast<size_t>(size), "application/octet-stream",
            [stream](size_t offset, size_t length, httplib::DataSink& sink) {
                char buffer[65536];
                stream->seekg(static_cast<std::streamoff>(offset));
                stream->read(buffer, static_cast<std::streamsize>(std::min(length, sizeof buffer)));
                const std::streamsize got = stream->gcount();
                return got > 0 && sink.write(buffer, static_cast<size_t>(got));
            },
            [stream, folder = *folder](bool) {
                stream->close();
                std::error_code ignored;
                fs::remove_all(folder, ignored);
            });
    });

    http.Get("/metrics", [this](const httplib::Request&, httplib::Response& res) {
        const TWebServerFigures figures{EventClients.load(), Requests.load(), Refused.load()};
        res.set_content(MetricsText(Feed->Counters(200), figures), "text/plain; version=0.0.4; charset=utf-8");
    });

    http.Get(R"(/.*)", [this](const httplib::Request& req, httplib::Response& res) {
        const std::optional<fs::path> file = StaticFilePath(StaticFolder, req.path);
        std::error_code error;
        if (!file || !fs::is_regular_file(*file, error))
            return SetError(res, 404, "Nicht gefunden.");
        std::ifstream in(*file, std::ios::binary);
        const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        res.set_header("Cache-Control", "no-cache");
        res.set_content(bytes, StaticContentType(*file));
    });
}

TWebServer& MainWebServer()
{
    static TWebServer server;
    return server;
}

void StartWebViewFromSettings(const std::string& settingsFile)
{
    const THttpSettings settings = ApplyHttpCommandLine(ReadHttpSettings(settingsFile));
    if (settings.Enabled())
        MainWebServer().Start(settings);
}

}  // namespace dedezuviv::app
