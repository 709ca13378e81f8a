// The web view of the real logger under load:
//  1. /api/series over a year of 10-s records of 8 temperatures, 1000 pixel columns wide: the first
//     request (the reading of the year) and a zoomed request of the same range (the kept reading);
//  2. 100 clients following /api/events while the simulator sends 50 records a second: every record
//     acknowledged and in the day files, every client gets every record, and the logger's CPU time.
//
// Usage: bench_web_view [--days N] [--data FOLDER] [--clients N] [--seconds S] [--rate R]
// The year of day files is made once in FOLDER (default /tmp/dedezuviv-chart-bench) and reused.
#include "base/DateTime.h"
#include "model/Project.h"

#include "BenchText.h"
#include "YearOfDayFiles.h"

#include <httplib.h>

#include <atomic>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <netinet/in.h>
#include <spawn.h>
#include <sys/socket.h>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char** environ;

using namespace dedezuviv::base;
using namespace dedezuviv::model;
namespace fs = std::filesystem;

namespace {

// A port the system chose for a socket that was bound and closed again.
int FreePort()
{
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    int port = 0;
    if (bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
        getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) == 0)
        port = ntohs(address.sin_port);
    close(fd);
    return port;
}

// A program started in the background with its output into a file.
pid_t Spawn(const std::vector<std::string>& args, const std::string& output)
{
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    std::vector<char*> argv;
    for (const std::string& arg : args)
        argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    pid_t pid = -1;
    if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) != 0)
        pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

int StopAndWait(pid_t pid)
{
    kill(pid, SIGTERM);
    int status = 0;
    waitpid(pid, &status, 0);
    return status;
}

std::string ReadText(const std::string& file)
{
    std::ifstream in(file, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

bool WaitForText(const std::string& file, const std::string& text, double seconds)
{
    const double end = WallSeconds() + seconds;
    while (WallSeconds() < end) {
        if (ReadText(file).find(text) != std::string::npos)
            return true;
        usleep(50000);
    }
    return false;
}

// User and system CPU seconds a process has used so far.
double ProcessCpuSeconds(pid_t pid)
{
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
    const size_t close = text.rfind(')');
    if (close == std::string::npos)
        return 0;
    std::vector<std::string> fields;
    size_t at = close + 2;
    while (at < text.size()) {
        const size_t end = std::min(text.find(' ', at), text.size());
        fields.push_back(text.substr(at, end - at));
        at = end + 1;
    }
    // Fields 14 and 15 of the line (utime, stime), counted from the state as field 3.
    return fields.size() > 12 ? (std::stod(fields[11]) + std::stod(fields[12])) / sysconf(_SC_CLK_TCK) : 0;
}

double MetricValue(const std::string& metrics, const std::string& name)
{
    const size_t at = metrics.find("\n" + name + " ");
    return at == std::string::npos ? -1 : std::atof(metrics.c_str() + at + name.size() + 2);
}

void SeriesBenchmark(const fs::path& logger, const std::string& folder, int days)
{
    TProject project;
    project.Root = folder;
    for (int t = 0; t < benchdata::Temperatures; ++t)
        project.FieldNames[ftTemperature].push_back("T" + std::to_string(t + 1));
    const TDateTime first = EncodeDate(2025, 1, 1);
    benchdata::EnsureDayFiles(project, first, days);

    // The project lies beside the benchmark's other files; its data folder is the shared year.
    const fs::path work = fs::temp_directory_path() / ("dedezuviv-web-series-" + std::to_string(getpid()));
    fs::create_directories(work);
    const std::string projectFile = (work / "Jahr.p-p").string();
    std::ofstream(projectFile) << "[General]\r\nName=Jahr\r\nRoot=" << folder
                               << "\r\n[Field Definitions]\r\nTemperature=T1,T2,T3,T4,T5,T6,T7,T8\r\n";
    const int port = FreePort();
    const std::string log = (work / "logger.log").string();
    const pid_t pid = Spawn({logger.string(), "-headless", "/PROJECT=" + projectFile, "/PORT=/dev/null-kein-regler",
                             "/HTTP=127.0.0.1:" + std::to_string(port)},
                            log);
    if (pid < 0 || !WaitForText(log, "Webansicht auf", 20)) {
        std::printf("logger did not start:\n%s\n", ReadText(log).c_str());
        return;
    }
    httplib::Client client("127.0.0.1", port);
    client.set_read_timeout(120, 0);
    std::string fields;
    for (int t = 1; t <= benchdata::Temperatures; ++t)
        fields += (t > 1 ? "," : "") + std::string("T") + std::to_string(t) + " (Temperatur)";
    char from[32], to[32];
    const TDateTimeParts a = DecodeDateTime(first), b = DecodeDateTime(first + days - 1);
    std::snprintf(from, sizeof from, "%04d-%02d-%02dT00:00:00", a.Year, a.Month, a.Day);
    std::snprintf(to, sizeof to, "%04d-%02d-%02dT23:59:59", b.Year, b.Month, b.Day);
    const httplib::Params params = {{"fields", fields}, {"from", from}, {"to", to}, {"width", "1000"}};
    const double coldStart = WallSeconds(), cpuStart = ProcessCpuSeconds(pid);
    auto cold = client.Get("/api/series", params, httplib::Headers{});
    const double coldSeconds = WallSeconds() - coldStart, coldCpu = ProcessCpuSeconds(pid) - cpuStart;
    httplib::Params zoom = params;
    zoom.emplace("view_from", std::to_string(static_cast<long long>((first + 100 - 25569.0) * 86400)));
    zoom.emplace("view_to", std::to_string(static_cast<long long>((first + 130 - 25569.0) * 86400)));
    const double warmStart = WallSeconds();
    auto warm = client.Get("/api/series", zoom, httplib::Headers{});
    const double warmSeconds = WallSeconds() - warmStart;
    if (!cold || cold->status != 200 || !warm || warm->status != 200) {
        std::printf("series request failed: %s\n%s\n", cold ? cold->body.substr(0, 300).c_str() : "no answer",
                    warm ? warm->body.substr(0, 300).c_str() : httplib::to_string(warm.error()).c_str());
    } else {
        size_t points = 0;
        for (size_t at = cold->body.find("\"y\":["); at != std::string::npos; at = cold->body.find("\"y\":[", at + 1))
            points += 1 + static_cast<size_t>(std::count(cold->body.begin() + static_cast<long>(at),
                                                          cold->body.begin() + static_cast<long>(cold->body.find(']', at)), ','));
        std::printf("/api/series, %d days of 10-s records, %d fields, 1000 px: %.2f s (limit 1.5 s; logger CPU "
                    "%.2f s), %zu points, %.0f kB JSON\n",
                    days, benchdata::Temperatures, coldSeconds, coldCpu, points, cold->body.size() / 1e3);
        std::printf("the same range zoomed to 30 days (kept reading): %.3f s\n", warmSeconds);
    }
    StopAndWait(pid);
    std::error_code ignored;
    fs::remove_all(work, ignored);
}

void EventsBenchmark(const fs::path& build, int clients, double seconds, double rate)
{
    const fs::path work = fs::temp_directory_path() / ("dedezuviv-web-events-" + std::to_string(getpid()));
    fs::create_directories(work);
    const std::string projectFile = (work / "Haus.p-p").string();
    std::ofstream(projectFile) << "[General]\r\nName=Haus\r\nSamplingInterval=0\r\nRecordingToFile=1\r\n"
                                  "[Field Definitions]\r\nTemperature=Aussen,Kessel,Vorlauf,Ruecklauf\r\n";
    const std::string link = (work / "tty").string();
    char interval[32];
    std::snprintf(interval, sizeof interval, "%.4f", 1.0 / rate);
    const pid_t simulator = Spawn({(build / "tools" / "dedezuviv-simulator").string(), "--link", link, "--interval",
                                   interval, "--expect-acks"},
                                  (work / "simulator.log").string());
    for (int i = 0; i < 200 && !fs::exists(link); ++i)
        usleep(50000);
    const int port = FreePort();
    const std::string log = (work / "logger.log").string();
    const pid_t logger = Spawn({(build / "dedezuviv").string(), "-headless", "/PROJECT=" + projectFile, "/PORT=" + link,
                                "/START", "/HTTP=127.0.0.1:" + std::to_string(port)},
                               log);
    if (!WaitForText(log, "Webansicht auf", 20)) {
        std::printf("logger did not start:\n%s\n", ReadText(log).c_str());
        StopAndWait(logger);
        StopAndWait(simulator);
        return;
    }

    // Each client counts the record events and checks that their numbers follow without a gap.
    std::atomic<bool> stop{false};
    std::atomic<int> connected{0};
    std::vector<uint64_t> counts(static_cast<size_t>(clients)), gaps(static_cast<size_t>(clients));
    std::vector<uint64_t> firsts(static_cast<size_t>(clients)), lasts(static_cast<size_t>(clients));
    std::vector<std::thread> threads;
    for (int c = 0; c < clients; ++c)
        threads.emplace_back([&, c] {
            httplib::Client client("127.0.0.1", port);
            client.set_read_timeout(60, 0);
            std::string pending;
            client.Get("/api/events", [&](const httplib::Response&) { ++connected; return true; },
                       [&](const char* data, size_t length) {
                           pending.append(data, length);
                           size_t end;
                           while ((end = pending.find("\n\n")) != std::string::npos) {
                               const std::string event = pending.substr(0, end);
                               pending.erase(0, end + 2);
                               const size_t at = event.find("\"records\":");
                               if (event.find("event: record") == std::string::npos || at == std::string::npos)
                                   continue;
                               const uint64_t number = std::strtoull(event.c_str() + at + 10, nullptr, 10);
                               if (counts[c] == 0)
                                   firsts[c] = number;
                               else if (number != lasts[c] + 1)
                                   ++gaps[c];
                               lasts[c] = number;
                               ++counts[c];
                           }
                           return !stop.load();
                       });
        });
    const double connectStart = WallSeconds(), connectEnd = connectStart + 60;
    while (connected.load() < clients && WallSeconds() < connectEnd)
        usleep(10000);
    std::printf("%d event clients connected in %.1f s\n", connected.load(), WallSeconds() - connectStart);
    httplib::Client probe("127.0.0.1", port);
    const double cpuStart = ProcessCpuSeconds(logger), wallStart = WallSeconds();
    auto before = probe.Get("/metrics");
    usleep(static_cast<useconds_t>(seconds * 1e6));
    // The simulator stops; the records still on their way are handled before the count is taken.
    kill(simulator, SIGTERM);
    int status = 0;
    waitpid(simulator, &status, 0);
    usleep(1500000);
    auto after = probe.Get("/metrics");
    const double cpu = ProcessCpuSeconds(logger) - cpuStart, wall = WallSeconds() - wallStart;
    stop = true;
    // The streams end with the logger.
    StopAndWait(logger);
    for (std::thread& thread : threads)
        thread.join();

    const std::string simulatorLog = ReadText((work / "simulator.log").string());
    const double recordsBefore = before ? MetricValue("\n" + before->body, "dedezuviv_records_total") : -1;
    const double records = after ? MetricValue("\n" + after->body, "dedezuviv_records_total") : -1;
    size_t dayLines = 0;
    for (const auto& entry : fs::recursive_directory_iterator(work))
        if (entry.is_regular_file() && entry.path().extension() != ".log" && entry.path().extension() != ".p-p") {
            const std::string text = ReadText(entry.path().string());
            dayLines += static_cast<size_t>(std::count(text.begin(), text.end(), '\n'));
        }
    uint64_t fewest = UINT64_MAX, gapSum = 0, missing = 0;
    for (int c = 0; c < clients; ++c) {
        fewest = std::min(fewest, counts[c]);
        gapSum += gaps[c];
        // Every record acknowledged after the client connected must have reached it.
        if (counts[c] > 0 && lasts[c] < static_cast<uint64_t>(records))
            missing += static_cast<uint64_t>(records) - lasts[c];
    }
    std::printf("%d event clients connected (of %d), %.0f records/s for %.0f s\n", connected.load(), clients, rate,
                seconds);
    std::printf("records acknowledged by the logger %.0f (%.0f while measuring), day-file lines %zu, simulator: %s",
                records, records - recordsBefore, dayLines,
                simulatorLog.substr(simulatorLog.rfind("records=") == std::string::npos ? 0
                                                                                       : simulatorLog.rfind("records="))
                    .c_str());
    std::printf("events per client: fewest %llu, gaps %llu, missing at the end %llu\n",
                static_cast<unsigned long long>(fewest), static_cast<unsigned long long>(gapSum),
                static_cast<unsigned long long>(missing));
    std::printf("logger CPU: %.2f s in %.1f s = %.2f cores (limit 1)\n", cpu, wall, cpu / wall);
    std::error_code ignored;
    fs::remove_all(work, ignored);
}

}  // namespace

int main(int argc, char** argv)
{
    int days = 365, clients = 100;
    double seconds = 20, rate = 50;
    std::string folder = "/tmp/dedezuviv-chart-bench";
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--days") == 0)
            days = std::max(1, std::atoi(argv[i + 1]));
        else if (std::strcmp(argv[i], "--data") == 0)
            folder = argv[i + 1];
        else if (std::strcmp(argv[i], "--clients") == 0)
            clients = std::max(1, std::atoi(argv[i + 1]));
        else if (std::strcmp(argv[i], "--seconds") == 0)
            seconds = std::atof(argv[i + 1]);
        else if (std::strcmp(argv[i], "--rate") == 0)
            rate = std::atof(argv[i + 1]);
    }
    std::signal(SIGPIPE, SIG_IGN);
    setvbuf(stdout, nullptr, _IOLBF, 0);
    const fs::path build = fs::canonical(fs::path(argv[0])).parent_path().parent_path();
    SeriesBenchmark(build / "dedezuviv", folder, days);
    EventsBenchmark(build, clients, seconds, rate);
    return 0;
}
