// Data source end to end: records streamed back to back through a pseudo-terminal into a data source
// of the current project with recording on. Every record must be decoded, written to its day file and
// acknowledged; the far end counts the acknowledgements. Afterwards the open port idles and the CPU
// time of its worker thread is measured.
//
// Arguments (optional): number of records (default 10000), idle seconds (default 10).
#include "base/DateTime.h"
#include "base/Log.h"
#include "base/MainThread.h"
#include "device/SerialPort.h"
#include "model/DataSource.h"
#include "model/LiveState.h"
#include "model/Project.h"
#include "model/Recorder.h"

#include "BenchText.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <poll.h>
#include <sstream>
#include <string>
#include <thread>
#include <time.h>
#include <unistd.h>
#include <vector>

using namespace dedezuviv::base;
using namespace dedezuviv::device;
using namespace dedezuviv::model;

namespace {

// "ACK ddmmyyyy hhnnss" LF CR.
constexpr size_t AckSize = 21;

double ThreadCpuSeconds()
{
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

// A record body as the controller sends it (without "=" and "#"), one second after its predecessor.
std::string RecordBody(TDateTime start, int index)
{
    const TDateTimeParts t = DecodeDateTime(IncSecond(start, index));
    std::string body = "MD/p100013/v0102/t";
    AppendTemperature(body, 45.0 + (index % 300) / 10.0);
    body += "/t";
    AppendTemperature(body, -12.0 + (index % 240) / 10.0);
    char counter[32];
    std::snprintf(counter, sizeof counter, "/n%d,%02d", 1234 + index / 100, index % 100);
    body += counter;
    body += "/d0,75/i0101/m12/o";
    body += (index / 60) % 2 ? "0110" : "1110";
    char intern[8];
    std::snprintf(intern, sizeof intern, "/x%02X", index % 256);
    body += intern;
    body += "/y";
    AppendTwo(body, t.Day);
    body += '.';
    AppendTwo(body, t.Month);
    body += '.';
    AppendTwo(body, t.Year % 100);
    body += "/z";
    AppendTwo(body, t.Hour);
    body += ':';
    AppendTwo(body, t.Minute);
    body += ':';
    AppendTwo(body, t.Second);
    return body;
}

bool IsAck(const char* p)
{
    if (std::memcmp(p, "ACK ", 4) != 0 || p[12] != ' ' || p[19] != '\n' || p[20] != '\r')
        return false;
    for (int i = 4; i < 19; ++i)
        if (i != 12 && (p[i] < '0' || p[i] > '9'))
            return false;
    return true;
}

// The far end of the line: a pty master. A writer thread sends the records as fast as the line takes
// them, a reader thread counts the acknowledgements.
class TFarEnd {
public:
    ~TFarEnd()
    {
        Stop();
        if (Master >= 0)
            ::close(Master);
    }

    bool Open()
    {
        Master = posix_openpt(O_RDWR | O_NOCTTY);
        if (Master < 0 || grantpt(Master) != 0 || unlockpt(Master) != 0)
            return false;
        const char* name = ptsname(Master);
        if (name == nullptr)
            return false;
        SlavePath = name;
        return fcntl(Master, F_SETFL, fcntl(Master, F_GETFL) | O_NONBLOCK) == 0;
    }
    const std::string& Path() const { return SlavePath; }

    void Start(const std::string& stream, size_t expectedAcks)
    {
        ExpectedAcks = expectedAcks;
        Reader = std::thread([this] { ReadAcks(); });
        Writer = std::thread([this, &stream] { WriteAll(stream); });
    }
    void Stop()
    {
        Stopping = true;
        if (Writer.joinable())
            Writer.join();
        if (Reader.joinable())
            Reader.join();
    }
    // Bytes that arrived after Stop (nothing should).
    std::string ReadRest()
    {
        std::string rest;
        char buffer[4096];
        ssize_t n;
        while ((n = ::read(Master, buffer, sizeof buffer)) > 0)
            rest.append(buffer, static_cast<size_t>(n));
        return rest;
    }

    std::atomic<size_t> Written{0};
    std::atomic<bool> WriteFailed{false};
    std::atomic<double> WriteDoneAt{0};
    std::atomic<size_t> Acks{0};
    std::atomic<size_t> BadAckBytes{0};
    std::atomic<double> LastAckAt{0};
    std::string Partial;  // an incomplete acknowledgement left at the end (reader thread, then main)

private:
    void WriteAll(const std::string& stream)
    {
        size_t done = 0;
        while (done < stream.size() && !Stopping) {
            pollfd fd{Master, POLLOUT, 0};
            if (::poll(&fd, 1, 100) <= 0)
                continue;
            const ssize_t n = ::write(Master, stream.data() + done, stream.size() - done);
            if (n > 0)
                done += static_cast<size_t>(n);
            else if (n < 0 && errno != EAGAIN && errno != EINTR) {
                WriteFailed = true;
                break;
            }
            Written = done;
        }
        WriteDoneAt = WallSeconds();
    }

    void ReadAcks()
    {
        char buffer[4096];
        while (!Stopping) {
            pollfd fd{Master, POLLIN, 0};
            if (::poll(&fd, 1, 50) <= 0)
                continue;
            const ssize_t n = ::read(Master, buffer, sizeof buffer);
            if (n <= 0)
                continue;
            Partial.append(buffer, static_cast<size_t>(n));
            size_t pos = 0;
            size_t acks = Acks;
            while (Partial.size() - pos >= AckSize) {
                if (IsAck(Partial.data() + pos)) {
                    ++acks;
                    pos += AckSize;
                } else {
                    ++BadAckBytes;  // resynchronise byte by byte
                    ++pos;
                }
            }
            Partial.erase(0, pos);
            if (acks >= ExpectedAcks && Acks < ExpectedAcks)
                LastAckAt = WallSeconds();
            Acks = acks;
        }
    }

    int Master = -1;
    std::string SlavePath;
    size_t ExpectedAcks = 0;
    std::atomic<bool> Stopping{false};
    std::thread Writer, Reader;
};

struct TDayFileCheck {
    size_t Lines = 0;
    size_t Mismatched = 0;  // lines that are not the sent record with the PC time appended, in order
    std::map<std::string, size_t> PerFile;
};

// Reads every day file (in name order, i.e. date order) and compares its lines with the sent bodies.
TDayFileCheck CheckDayFiles(const std::string& folder, const std::vector<std::string>& bodies)
{
    TDayFileCheck check;
    std::vector<std::filesystem::path> files;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(folder, error))
        if (entry.is_regular_file())
            files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    for (const auto& file : files) {
        std::ifstream in(file, std::ios::binary);
        std::string line;
        size_t count = 0;
        while (std::getline(in, line)) {
            if (!line.empty() && line.back() == '\r')
                line.pop_back();
            const size_t index = check.Lines + count;
            // "=" body "/r" "dd.mm.yy hh:nn:ss" "#"
            const bool ok = index < bodies.size() && line.size() == bodies[index].size() + 21 && line[0] == '=' &&
                            line.compare(1, bodies[index].size(), bodies[index]) == 0 &&
                            line.compare(1 + bodies[index].size(), 2, "/r") == 0 && line.back() == '#';
            if (!ok)
                ++check.Mismatched;
            ++count;
        }
        check.PerFile[file.filename().string()] = count;
        check.Lines += count;
    }
    return check;
}

}  // namespace

int main(int argc, char** argv)
{
    const int records = argc > 1 ? std::max(1, std::atoi(argv[1])) : 10000;
    const int idleSeconds = argc > 2 ? std::max(0, std::atoi(argv[2])) : 10;

    // Record times from 22:00:00 on, one per second: 10,000 records cross midnight into a second day file.
    const TDateTime start = EncodeDateTime(2026, 12, 8, 22, 0, 0);
    std::vector<std::string> bodies;
    bodies.reserve(static_cast<size_t>(records));
    std::string stream;
    for (int i = 0; i < records; ++i) {
        bodies.push_back(RecordBody(start, i));
        stream += '=';
        stream += bodies.back();
        stream += "#\r\n";
    }
    const double megabytes = static_cast<double>(stream.size()) / 1e6;
    std::printf("%d records, %.2f MB, e.g. =%s#\n", records, megabytes, bodies.front().c_str());

    char folderTemplate[] = "/tmp/dedezuviv-dsbench.XXXXXX";
    if (mkdtemp(folderTemplate) == nullptr) {
        std::perror("mkdtemp");
        return 2;
    }
    const std::string root = folderTemplate;

    TTaskQueueDispatcher dispatcher;
    SetMainThreadDispatcher(&dispatcher);
    size_t logMessages = 0;
    SetLogCallbacks([&](const std::string& text) {
        if (logMessages++ < 10)
            std::printf("log: %s\n", text.c_str());
    }, nullptr);

    TFarEnd far;
    if (!far.Open()) {
        std::perror("pty");
        return 2;
    }

    auto project = std::make_unique<TProject>();
    project->Root = root;
    project->RecordingToFile = true;
    project->SamplingInterval = 0;  // every record is due
    ReplaceCurrentProject(std::move(project));
    TProject* current = CurrentProject();
    // The data source as logging runs it, but opened here so that its port's problems are counted.
    TRecorder recorder;
    TDataSource source(TPortSettings{far.Path()}, recorder);

    // Port problems (noise 0 and 1) are counted; the data source shows them only in debug mode.
    // A pty has no modem lines: setting RTS and DTR and reading the modem status fail with ENOTTY.
    struct TProblem {
        size_t Count = 0;
        std::string First;
    };
    std::map<uint32_t, TProblem> portProblems;
    std::string firstProblem;
    source.Port()->OnProcessError = [&](TSerialPortNG*, uint32_t place, uint32_t code, const std::string& message,
                                        uint8_t noise) {
        if (noise > 1)
            return;
        TProblem& problem = portProblems[place];
        if (problem.Count++ == 0)
            problem.First = message + " code=" + std::to_string(code);
        if (firstProblem.empty())
            firstProblem = problem.First;
    };
    source.Start();
    if (!source.IsActive()) {
        std::printf("port %s did not open: %s\n", far.Path().c_str(), firstProblem.c_str());
        return 2;
    }
    std::printf("port %s open at %u baud (a pty passes bytes at memory speed), cluster size %u\n",
                far.Path().c_str(), source.GetBaudRate(), source.Port()->ClusterSize());

    const size_t expected = static_cast<size_t>(records);
    const double timeoutSeconds = 120;
    const uint64_t workerCpuStart = source.Port()->WorkerCpuTimeNs();
    const double mainCpuStart = ThreadCpuSeconds();
    const double t0 = WallSeconds();
    far.Start(stream, expected);
    double lastRecordAt = 0;
    bool timedOut = false;
    while (source.RecordCount < expected || far.Acks < expected) {
        if (WallSeconds() - t0 > timeoutSeconds) {
            timedOut = true;
            break;
        }
        dispatcher.WaitAndRunTasks(5);
        if (lastRecordAt == 0 && source.RecordCount >= expected)
            lastRecordAt = WallSeconds();
    }
    const double t1 = WallSeconds();
    const double mainCpu = ThreadCpuSeconds() - mainCpuStart;
    const double workerCpu = static_cast<double>(source.Port()->WorkerCpuTimeNs() - workerCpuStart) * 1e-9;
    far.Stop();

    const double elapsed = t1 - t0;
    const size_t handled = source.RecordCount;
    const size_t acks = far.Acks;
    if (timedOut)
        std::printf("TIMEOUT after %.0f s: %zu of %zu bytes written\n", timeoutSeconds, far.Written.load(),
                    stream.size());
    std::printf("end to end: %zu records in %.3f s: %.0f records/s, %.2f MB/s\n", handled, elapsed,
                static_cast<double>(handled) / elapsed, megabytes * static_cast<double>(handled) / records / elapsed);
    if (far.WriteDoneAt > 0 && lastRecordAt > 0)
        std::printf("  last byte written after %.3f s, last record handled after %.3f s, last ACK after %.3f s\n",
                    far.WriteDoneAt - t0, lastRecordAt - t0, far.LastAckAt > 0 ? far.LastAckAt - t0 : -1.0);
    std::printf("  CPU while streaming: main thread %.3f s, port worker %.3f s\n", mainCpu, workerCpu);

    const std::string dataDir = current->GetDataDir("data");
    TDayFileCheck files = CheckDayFiles(dataDir, bodies);
    std::printf("records handled %zu, day-file lines %zu (", handled, files.Lines);
    for (const auto& [name, count] : files.PerFile)
        std::printf(" %s: %zu", name.c_str(), count);
    std::printf(" ), acknowledgements %zu, out of order or changed lines %zu, bad ACK bytes %zu\n", acks,
                files.Mismatched, far.BadAckBytes.load());

    // Idle: the port stays open, nothing arrives; the dispatcher keeps running as in the program.
    double idleCpuMs = 0, idleWall = 0;
    uint64_t idlePasses = 0;
    if (idleSeconds > 0) {
        const uint64_t cpu0 = source.Port()->WorkerCpuTimeNs();
        const uint64_t passes0 = source.Port()->WorkerPasses();
        const double w0 = WallSeconds();
        while (WallSeconds() - w0 < idleSeconds)
            dispatcher.WaitAndRunTasks(5);
        idleWall = WallSeconds() - w0;
        idleCpuMs = static_cast<double>(source.Port()->WorkerCpuTimeNs() - cpu0) * 1e-6;
        idlePasses = source.Port()->WorkerPasses() - passes0;
        std::printf("idle %.1f s with the port open: worker CPU %.2f ms (%.4f %% of one core), %.1f loop passes/s\n",
                    idleWall, idleCpuMs, idleCpuMs / (idleWall * 10.0), static_cast<double>(idlePasses) / idleWall);
    }

    // Nothing may come late: no further record, line or acknowledgement.
    const std::string late = far.ReadRest();
    const size_t lateAcks = late.size() / AckSize;
    const size_t finalRecords = source.RecordCount;
    const size_t finalLines = CheckDayFiles(dataDir, bodies).Lines;

    for (const auto& [place, problem] : portProblems)
        std::printf("port report %u: %zu times (%s)\n", place, problem.Count, problem.First.c_str());

    source.Stop();
    CloseCurrentProject();
    ClearLogCallbacks();
    SetMainThreadDispatcher(nullptr);

    const bool ok = !timedOut && handled == expected && finalRecords == expected && files.Lines == expected &&
                    finalLines == expected && files.Mismatched == 0 && acks == expected && far.BadAckBytes == 0 &&
                    far.Partial.empty() && late.empty() && !far.WriteFailed && logMessages == 0;
    if (ok) {
        std::error_code error;
        std::filesystem::remove_all(root, error);
        std::printf("all %zu records decoded, recorded and acknowledged\n", expected);
        return 0;
    }
    std::printf("LOST OR WRONG: records %zu/%zu, lines %zu/%zu, ACKs %zu/%zu, late bytes %zu (%zu ACKs), "
                "partial ACK bytes %zu, log messages %zu; data kept in %s\n",
                finalRecords, expected, finalLines, expected, acks, expected, late.size(), lateAcks,
                far.Partial.size(), logMessages, root.c_str());
    return 1;
}
