// The web view of the real logger, asked by a real HTTP client: the API, live events against the
// acknowledgement on the serial line, /metrics read by a Prometheus text-format parser, exports equal
// to dedezuviv-tool's, the token off loopback, and requests that must be refused.
#include "support/SerialFarEnd.h"
#include "support/TestPorts.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>
#include <httplib.h>

#include <arpa/inet.h>
#include <atomic>
#include <chrono>
#include <fcntl.h>
#include <map>
#include <mutex>
#include <netinet/in.h>
#include <regex>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace fs = std::filesystem;
using testsupport::BackgroundProgram;
using testsupport::ReadFile;
using testsupport::WaitFor;
using Clock = std::chrono::steady_clock;

namespace {

// ---------------------------------------------------------------- Prometheus text format

struct Sample {
    std::string Name;
    std::map<std::string, std::string> Labels;
    double Value = 0;
};

// Parses the text format (version 0.0.4): HELP and TYPE lines, samples with optional labels. False with
// the reason when a line breaks the format or a sample belongs to no declared family.
bool ParsePrometheus(const std::string& text, std::vector<Sample>& samples, std::map<std::string, std::string>& types,
                     std::string& error)
{
    static const std::regex typeLine(R"(# TYPE ([a-zA-Z_:][a-zA-Z0-9_:]*) (counter|gauge|histogram|summary|untyped))");
    static const std::regex helpLine(R"(# HELP ([a-zA-Z_:][a-zA-Z0-9_:]*) .*)");
    static const std::regex sampleLine(R"(([a-zA-Z_:][a-zA-Z0-9_:]*)(\{(.*)\})? (\S+))");
    static const std::regex label(R"(([a-zA-Z_][a-zA-Z0-9_]*)="((?:[^"\\]|\\.)*)\"(,|$))");
    size_t at = 0;
    int number = 0;
    while (at < text.size()) {
        const size_t end = text.find('\n', at);
        if (end == std::string::npos) {
            error = "last line without LF";
            return false;
        }
        const std::string line = text.substr(at, end - at);
        at = end + 1;
        ++number;
        std::smatch match;
        if (std::regex_match(line, match, typeLine)) {
            types[match[1]] = match[2];
        } else if (std::regex_match(line, helpLine)) {
        } else if (std::regex_match(line, match, sampleLine)) {
            Sample sample;
            sample.Name = match[1];
            if (!types.count(sample.Name)) {
                error = "line " + std::to_string(number) + ": no TYPE for " + sample.Name;
                return false;
            }
            std::string labels = match[3];
            while (!labels.empty()) {
                std::smatch pair;
                if (!std::regex_search(labels, pair, label) || pair.position(0) != 0) {
                    error = "line " + std::to_string(number) + ": bad labels " + labels;
                    return false;
                }
                sample.Labels[pair[1]] = pair[2];
                labels = pair.suffix();
            }
            char* rest = nullptr;
            const std::string value = match[4];
            sample.Value = std::strtod(value.c_str(), &rest);
            if (rest == value.c_str() || *rest != '\0') {
                error = "line " + std::to_string(number) + ": bad value " + value;
                return false;
            }
            samples.push_back(sample);
        } else {
            error = "line " + std::to_string(number) + ": " + line;
            return false;
        }
    }
    return true;
}

// ---------------------------------------------------------------- helpers


// The raw answer to raw request bytes (for requests a well-behaved client never sends).
std::string RawExchange(int port, const std::string& request)
{
    return testsupport::ExchangeOnLoopback(port, request, 10000);
}

// The moment of export a file states ("Export am:" and the time after it).
std::string ExportStamp(const std::string& file)
{
    static const std::regex stamp("[0-9]{2}\\.[0-9]{2}\\.[0-9]{4} [0-9]{2}:[0-9]{2}:[0-9]{2}");
    const size_t at = file.find("Export am");
    std::smatch match;
    const std::string after = at == std::string::npos ? std::string() : file.substr(at, 200);
    return std::regex_search(after, match, stamp) ? match.str() : std::string();
}

int StatusOf(const std::string& answer)
{
    return answer.size() > 12 && answer.compare(0, 5, "HTTP/") == 0 ? std::atoi(answer.c_str() + 9) : 0;
}

struct WebViewTest : ::testing::Test {
    testsupport::TempDir Dir;
    fs::path Project = Dir / "Demo.p-p";
    fs::path Out = Dir / "out.txt";
    int Port = testsupport::FreeTcpPort();
    testsupport::PtyPair Pty;
    BackgroundProgram Logger;

    void SetUp() override
    {
        ASSERT_GT(Port, 0);
        fs::copy_file(testsupport::SourcePath("data/demo/Demo.p-p"), Project);
        ASSERT_TRUE(Pty.Start());
    }

    bool StartLogger(const std::string& listen, std::vector<std::pair<std::string, std::string>> environment = {})
    {
        BackgroundProgram::Options options;
        options.Environment = {{"XDG_CONFIG_HOME", (Dir / "config").string()}, {"HOME", Dir.Path().string()},
                               {"LC_ALL", "C"}};
        options.Environment.insert(options.Environment.end(), environment.begin(), environment.end());
        options.Unset = {"DISPLAY", "WAYLAND_DISPLAY"};
        if (environment.empty())
            options.Unset.push_back("DEDEZUVIV_HTTP_TOKEN");
        options.StdoutFile = Out;
        options.StderrFile = Dir / "err.txt";
        return Logger.Start(testsupport::LoggerPath(),
                            {"-headless", "/PROJECT=" + Project.string(), "/PORT=" + Pty.EndA(), "/START",
                             "/HTTP=" + listen},
                            options);
    }
    std::string LoggerOutput() { return ReadFile(Out) + ReadFile(Dir / "err.txt"); }
    bool WaitListening()
    {
        return WaitFor([&] { return testsupport::Contains(ReadFile(Out), "Webansicht auf http://"); }, 20000);
    }
    httplib::Client Client()
    {
        httplib::Client client("127.0.0.1", Port);
        client.set_read_timeout(20, 0);
        return client;
    }
};

std::string RecordAt(int second)
{
    char line[128];
    std::snprintf(line, sizeof line,
                  "=MD/p100013/v0102/t+055,50/t+012,25/n1234,50/y08.12.26/z14:26:%02d#\r\n", second);
    return line;
}

TEST_F(WebViewTest, LiveStateEventsWithinTheAcknowledgementAndMetrics)
{
    ASSERT_TRUE(StartLogger("127.0.0.1:" + std::to_string(Port)));
    ASSERT_TRUE(WaitListening()) << LoggerOutput();
    testsupport::SerialFarEnd controller(Pty.EndB());

    httplib::Client client = Client();
    auto live = client.Get("/api/live");
    ASSERT_TRUE(live) << LoggerOutput();
    EXPECT_EQ(live->status, 200);
    EXPECT_NE(live->body.find("\"project\":\"Demo\""), std::string::npos) << live->body;
    EXPECT_NE(live->body.find("\"cells\":[{\"col\":0,\"row\":0,\"text\":\"Temperaturen\""), std::string::npos)
        << live->body;

    // A second client follows the events; each record event's arrival time is noted.
    std::mutex lock;
    std::vector<Clock::time_point> arrivals;
    std::string streamed;
    std::atomic<bool> connected{false}, stop{false};
    std::thread follower([&] {
        httplib::Client events("127.0.0.1", Port);
        events.set_read_timeout(30, 0);
        events.Get("/api/events", [&](const httplib::Response& response) {
            connected = response.status == 200;
            return true;
        }, [&](const char* data, size_t length) {
            std::lock_guard guard(lock);
            const size_t before = streamed.size();
            streamed.append(data, length);
            for (size_t at = streamed.find("event: record", before ? before - 1 : 0); at != std::string::npos;
                 at = streamed.find("event: record", at + 1))
                arrivals.push_back(Clock::now());
            return !stop.load();
        });
    });
    // The stream holds every event after its headers were sent.
    ASSERT_TRUE(WaitFor([&] { return connected.load(); }, 10000));

    for (int i = 0; i < 5; ++i) {
        size_t before = 0;
        {
            std::lock_guard guard(lock);
            before = arrivals.size();
        }
        ASSERT_TRUE(controller.Write(RecordAt(10 + i)));
        std::string heard;
        ASSERT_TRUE(WaitFor([&] {
            heard += controller.ReadAvailable();
            return testsupport::Contains(heard, "ACK ");
        }, 10000)) << LoggerOutput();
        const Clock::time_point acknowledged = Clock::now();
        ASSERT_TRUE(WaitFor([&] {
            std::lock_guard guard(lock);
            return arrivals.size() > before;
        }, 5000));
        std::lock_guard guard(lock);
        EXPECT_LE(std::chrono::duration_cast<std::chrono::milliseconds>(arrivals[before] - acknowledged).count(), 200)
            << "record " << i;
    }
    {
        std::lock_guard guard(lock);
        EXPECT_NE(streamed.find("\"text\":\"Kessel: 12,25°C\""), std::string::npos) << streamed.substr(0, 2000);
    }

    auto metrics = client.Get("/metrics");
    ASSERT_TRUE(metrics);
    std::vector<Sample> samples;
    std::map<std::string, std::string> types;
    std::string error;
    ASSERT_TRUE(ParsePrometheus(metrics->body, samples, types, error)) << error << "\n" << metrics->body;
    std::map<std::string, double> byKey;
    for (const Sample& sample : samples)
        byKey[sample.Name + "/" + (sample.Labels.count("name") ? sample.Labels.at("name") : "")] = sample.Value;
    EXPECT_EQ(byKey["dedezuviv_field/Kessel"], 12.25);
    EXPECT_EQ(byKey["dedezuviv_field/Außen"], 55.5);
    EXPECT_EQ(byKey["dedezuviv_field_counter_total/Brennerstunden"], 1234.5);
    EXPECT_EQ(types["dedezuviv_field_counter_total"], "counter");
    EXPECT_EQ(byKey["dedezuviv_records_total/"], 5);
    EXPECT_EQ(byKey["dedezuviv_port_errors_total/"], 0);
    EXPECT_EQ(types["dedezuviv_port_errors_total"], "counter");
    EXPECT_EQ(byKey["dedezuviv_link_up/"], 1);
    EXPECT_EQ(byKey["dedezuviv_web_event_clients/"], 1);

    stop = true;
    // One more record ends the follower's stream from its side.
    controller.Write(RecordAt(30));
    follower.join();
}

TEST_F(WebViewTest, ExportsEqualTheToolsAndSeriesAreReducedPerPixel)
{
    // Two days of history from the simulator's model, as the logger would have recorded them.
    ASSERT_EQ(std::system((testsupport::ShellQuote(testsupport::ToolPath("dedezuviv-simulator").string()) +
                           " --history " + testsupport::ShellQuote(Project.string()) + " --days 2 >/dev/null")
                              .c_str()),
              0);
    ASSERT_TRUE(StartLogger("127.0.0.1:" + std::to_string(Port)));
    ASSERT_TRUE(WaitListening()) << LoggerOutput();
    httplib::Client client = Client();

    std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char today[16];
    std::strftime(today, sizeof today, "%Y-%m-%d", &local);
    now -= 86400;
    localtime_r(&now, &local);
    char yesterday[16];
    std::strftime(yesterday, sizeof yesterday, "%Y-%m-%d", &local);
    const std::string from = std::string(yesterday) + "T00:00:00", to = std::string(today) + "T23:59:59";

    struct Case {
        std::string Selection, Format, Increment;
    };
    for (const Case& c : std::vector<Case>{{"Temperaturen", "csv", "0"},
                                           {"Brenner", "dat", "60"},
                                           {"Temperaturen", "xls", "0"},
                                           {"Brenner", "wk1", "600"}}) {
        SCOPED_TRACE(c.Selection + " " + c.Format);
        const httplib::Params params = {{"selection", c.Selection}, {"from", from}, {"to", to},
                                        {"increment", c.Increment}, {"format", c.Format}};
        const fs::path output = Dir / ("tool." + c.Format);
        // The file states the second it was made: both are made again until they fall into one second.
        std::string web, expected;
        for (int attempt = 0; attempt < 5; ++attempt) {
            auto answer = client.Get("/api/export", params, httplib::Headers{});
            ASSERT_TRUE(answer);
            ASSERT_EQ(answer->status, 200) << answer->body;
            const testsupport::ToolRun tool = testsupport::RunTool(
                Dir, "export --project " + testsupport::ShellQuote(Project.string()) + " --from " + from + " --to " +
                         to + " --selection " + c.Selection + " --increment " + c.Increment + " " +
                         testsupport::ShellQuote(output.string()));
            ASSERT_EQ(tool.ExitCode, 0) << tool.Err;
            web = answer->body;
            expected = ReadFile(output);
            if (web == expected || ExportStamp(web) == ExportStamp(expected))
                break;
        }
        EXPECT_GT(expected.size(), 1000u);
        EXPECT_TRUE(web == expected) << web.size() << " bytes against " << expected.size();
    }

    // Two days of 10-s records, 40 pixel columns: two points per column at most, the extremes kept.
    const httplib::Params params = {{"selection", "Temperaturen"}, {"from", from}, {"to", to}, {"width", "40"}};
    auto series = client.Get("/api/series", params, httplib::Headers{});
    ASSERT_TRUE(series);
    ASSERT_EQ(series->status, 200) << series->body;
    const std::regex xArray("\"x\":\\[([^\\]]*)\\]");
    int seriesCount = 0;
    for (auto it = std::sregex_iterator(series->body.begin(), series->body.end(), xArray); it != std::sregex_iterator();
         ++it, ++seriesCount) {
        const std::string values = (*it)[1];
        const long points = values.empty() ? 0 : std::count(values.begin(), values.end(), ',') + 1;
        EXPECT_GT(points, 20);
        EXPECT_LE(points, 80);
    }
    EXPECT_EQ(seriesCount, 5);

    auto missing = client.Get("/api/series?selection=Gibtesnicht&from=" + from + "&to=" + to);
    ASSERT_TRUE(missing);
    EXPECT_EQ(missing->status, 400);
    EXPECT_NE(missing->body.find("Auswahl \\\"Gibtesnicht\\\" gibt es im Projekt nicht."), std::string::npos)
        << missing->body;
}

TEST_F(WebViewTest, OffLoopbackOnlyWithTheToken)
{
    // Without a token the logger refuses to listen on all addresses and says why.
    ASSERT_TRUE(StartLogger("0.0.0.0:" + std::to_string(Port)));
    ASSERT_TRUE(WaitFor([&] { return testsupport::Contains(ReadFile(Out), "nur mit Token"); }, 20000))
        << LoggerOutput();
    EXPECT_FALSE(Client().Get("/api/live"));
    Logger.Stop();

    const std::string token = "s3cr3t-Token_42";
    ASSERT_TRUE(StartLogger("0.0.0.0:" + std::to_string(Port), {{"DEDEZUVIV_HTTP_TOKEN", token}}));
    ASSERT_TRUE(WaitListening()) << LoggerOutput();
    httplib::Client client = Client();
    struct Case {
        std::string Path;
        httplib::Headers Headers;
        int Status;
    };
    for (const Case& c : std::vector<Case>{{"/api/live", {}, 401},
                                           {"/index.html", {}, 401},
                                           {"/metrics", {{"Authorization", "Bearer wrong"}}, 401},
                                           {"/api/live", {{"Authorization", "Bearer " + token.substr(1)}}, 401},
                                           {"/api/live", {{"Authorization", "Bearer " + token}}, 200},
                                           {"/metrics", {{"Cookie", "dedezuviv_token=" + token}}, 200},
                                           {"/api/live", {{"Cookie", "dedezuviv_token=" + token + "x"}}, 401}}) {
        SCOPED_TRACE(c.Path);
        auto answer = client.Get(c.Path, c.Headers);
        ASSERT_TRUE(answer);
        EXPECT_EQ(answer->status, c.Status);
    }
    // Once as ?token=, then the cookie that answer sets.
    auto first = client.Get("/index.html?token=" + token);
    ASSERT_TRUE(first);
    EXPECT_EQ(first->status, 200);
    const std::string cookie = first->get_header_value("Set-Cookie");
    EXPECT_EQ(cookie.rfind("dedezuviv_token=" + token + ";", 0), 0u) << cookie;
    EXPECT_NE(cookie.find("HttpOnly"), std::string::npos);
}

TEST_F(WebViewTest, RefusesPathsOutsideTheFolderAndOversizedRequests)
{
    ASSERT_TRUE(StartLogger("127.0.0.1:" + std::to_string(Port)));
    ASSERT_TRUE(WaitListening()) << LoggerOutput();
    fs::create_directories(Dir / "secret");
    testsupport::WriteFile(Dir / "secret.txt", "geheim");

    struct Case {
        std::string Request;
        bool Refused;
    };
    const std::string big(20000, 'a');
    for (const Case& c : std::vector<Case>{
             {"GET /index.html HTTP/1.1\r\nHost: x\r\nConnection: close\r\n\r\n", false},
             {"GET /../secret.txt HTTP/1.1\r\nHost: x\r\nConnection: close\r\n\r\n", true},
             {"GET /%2e%2e/%2e%2e/etc/passwd HTTP/1.1\r\nHost: x\r\nConnection: close\r\n\r\n", true},
             {"GET /..%2f..%2fetc%2fpasswd HTTP/1.1\r\nHost: x\r\nConnection: close\r\n\r\n", true},
             {"GET //etc/passwd HTTP/1.1\r\nHost: x\r\nConnection: close\r\n\r\n", true},
             {"GET /.hidden HTTP/1.1\r\nHost: x\r\nConnection: close\r\n\r\n", true},
             {"GET /" + big + " HTTP/1.1\r\nHost: x\r\nConnection: close\r\n\r\n", true},
             {"GET /index.html HTTP/1.1\r\nHost: x\r\nX-Big: " + big + "\r\nConnection: close\r\n\r\n", true},
             {"POST /api/live HTTP/1.1\r\nHost: x\r\nContent-Length: 100000\r\nConnection: close\r\n\r\n" +
                  std::string(100000, 'b'),
              true}}) {
        SCOPED_TRACE(c.Request.substr(0, 60));
        const std::string answer = RawExchange(Port, c.Request);
        const int status = StatusOf(answer);
        if (c.Refused) {
            EXPECT_TRUE(status == 0 || status >= 400) << answer.substr(0, 200);
            EXPECT_EQ(answer.find("geheim"), std::string::npos);
            EXPECT_EQ(answer.find("root:"), std::string::npos);
        } else {
            EXPECT_EQ(status, 200) << answer.substr(0, 200);
        }
    }
    // The server is still there for well-behaved clients.
    auto live = Client().Get("/api/live");
    ASSERT_TRUE(live);
    EXPECT_EQ(live->status, 200);
}

}  // namespace
