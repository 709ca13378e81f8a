// dedezuviv-simulator: plays a heating controller on a pseudo terminal or a serial device. It sends
// records at an interval, reads the logger's acknowledgements back and checks them.
#include "AckParser.h"
#include "ControllerModel.h"
#include "History.h"
#include "SimOptions.h"
#include "base/BuildInfo.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <fcntl.h>
#include <filesystem>
#include <poll.h>
#include <random>
#include <string>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
using TimePoint = Clock::time_point;

volatile std::sig_atomic_t StopSignals = 0;

void OnStopSignal(int) { StopSignals = StopSignals + 1; }

Clock::duration Seconds(double seconds)
{
    return std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds));
}

std::string SecondsText(double seconds)
{
    char text[32];
    std::snprintf(text, sizeof text, "%g", seconds);
    std::string result = text;
    for (char& c : result)
        if (c == '.')
            c = ',';
    return result;
}

int64_t MillisecondsBetween(TimePoint from, TimePoint to)
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(to - from).count();
}

bool SpeedConstant(int rate, speed_t& speed)
{
    static const std::pair<int, speed_t> rates[] = {
        {50, B50},         {75, B75},         {110, B110},       {134, B134},       {150, B150},
        {200, B200},       {300, B300},       {600, B600},       {1200, B1200},     {1800, B1800},
        {2400, B2400},     {4800, B4800},     {9600, B9600},     {19200, B19200},   {38400, B38400},
        {57600, B57600},   {115200, B115200}, {230400, B230400}, {460800, B460800}, {500000, B500000},
        {576000, B576000}, {921600, B921600}, {1000000, B1000000}, {1152000, B1152000},
        {1500000, B1500000}, {2000000, B2000000}, {2500000, B2500000}, {3000000, B3000000},
        {3500000, B3500000}, {4000000, B4000000}};
    for (const auto& [value, constant] : rates)
        if (value == rate) {
            speed = constant;
            return true;
        }
    return false;
}

bool MakeRaw(int fd, int baudRate, std::string& error)
{
    termios settings{};
    if (tcgetattr(fd, &settings) != 0) {
        error = std::strerror(errno);
        return false;
    }
    cfmakeraw(&settings);
    settings.c_cflag |= CLOCAL | CREAD;
    // cfmakeraw leaves VMIN 1 and VTIME 0: a non-blocking read without data fails with EAGAIN
    // instead of returning 0, so 0 keeps meaning the end of the line.
    if (baudRate > 0) {
        speed_t speed = B9600;
        if (!SpeedConstant(baudRate, speed)) {
            error = "Baudrate " + std::to_string(baudRate) + " wird nicht unterstützt";
            return false;
        }
        cfsetispeed(&settings, speed);
        cfsetospeed(&settings, speed);
    }
    if (tcsetattr(fd, TCSANOW, &settings) != 0) {
        error = std::strerror(errno);
        return false;
    }
    return true;
}

// One piece of output: junk and/or a record, written in chunks.
struct TOutUnit {
    std::string Bytes;
    size_t Offset = 0;
    bool IsRecord = false;
    bool Valid = false;
    int64_t Number = 0;
    std::string Record;  // the record text alone, for the report
    std::string Fault;
};

struct TPendingAck {
    int64_t Number;
    TimePoint SentAt;
    TimePoint Deadline;
};

class TSimulator {
public:
    explicit TSimulator(const TSimOptions& options)
        : Options(options),
          Model({options.ID, options.Program, options.Version, options.Subversion},
                options.SeedGiven ? options.Seed : std::random_device{}(),
                options.Interval / options.Burst)
    {
        Report = options.Verbose ? stdout : stderr;
    }

    ~TSimulator()
    {
        if (!LinkMade.empty()) {
            std::error_code error;
            if (std::filesystem::read_symlink(LinkMade, error) == SlaveName)
                std::filesystem::remove(LinkMade, error);
        }
        if (Fd >= 0)
            close(Fd);
    }

    bool Open();
    int Run();

private:
    void Note(const std::string& text)
    {
        std::fprintf(Report, "%s\n", text.c_str());
        std::fflush(Report);
    }
    const std::string& LineName() const { return PtyMode ? SlaveName : Options.Device; }
    void GenerateBurst(TimePoint now);
    bool WriteSome(TimePoint now);
    void ReadSome(TimePoint now);
    void HandleChecks(std::vector<TAckCheck>& checks, TimePoint now);
    void DropQueue(const char* why);
    void EnterHangup();
    void CheckHangup(TimePoint now);
    bool DeviceClock(std::tm& parts) const;

    const TSimOptions& Options;
    TControllerModel Model;
    FILE* Report;
    int Fd = -1;
    bool PtyMode = false;
    bool IsTerminal = true;
    bool InputOpen = true;
    std::string SlaveName;
    std::string LinkMade;
    bool Hungup = false;      // pty mode: nobody has the slave open
    bool Fatal = false;       // the line failed
    bool CancelFrame = false; // a record was cut off: close its frame before the next one

    std::deque<TOutUnit> Queue;
    TimePoint NextWriteAt{};
    int ChunkLeft = 0;
    TimePoint LastProgress{};

    std::deque<TPendingAck> Pending;
    TAckParser Parser;
    TimePoint LastReceived{};

    int64_t Generated = 0, RecordsSent = 0, ValidSent = 0, InvalidSent = 0, Dropped = 0;
    int64_t Acks = 0, Bad = 0, Missing = 0, Unexpected = 0, JunkBytes = 0;
};

bool TSimulator::Open()
{
    std::string error;
    if (Options.Device.empty()) {
        PtyMode = true;
        Fd = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        if (Fd < 0 || grantpt(Fd) != 0 || unlockpt(Fd) != 0) {
            std::fprintf(stderr, "Pseudo-Terminal kann nicht angelegt werden: %s\n", std::strerror(errno));
            return false;
        }
        const char* name = ptsname(Fd);
        if (!name) {
            std::fprintf(stderr, "Name des Pseudo-Terminals unbekannt: %s\n", std::strerror(errno));
            return false;
        }
        SlaveName = name;
        // Raw mode on the slave side: no echo, no CR/LF translation of records and acknowledgements.
        // The setting stays with the terminal after the slave is closed again.
        const int slave = open(name, O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        if (slave < 0 || !MakeRaw(slave, 0, error)) {
            std::fprintf(stderr, "Pseudo-Terminal %s kann nicht eingestellt werden: %s\n", name,
                         slave < 0 ? std::strerror(errno) : error.c_str());
            if (slave >= 0)
                close(slave);
            return false;
        }
        close(slave);
        if (!Options.Link.empty()) {
            std::error_code fsError;
            const auto status = std::filesystem::symlink_status(Options.Link, fsError);
            if (status.type() == std::filesystem::file_type::symlink)
                std::filesystem::remove(Options.Link, fsError);
            else if (status.type() != std::filesystem::file_type::not_found) {
                std::fprintf(stderr, "%s existiert schon und ist kein symbolischer Link.\n", Options.Link.c_str());
                return false;
            }
            std::filesystem::create_symlink(SlaveName, Options.Link, fsError);
            if (fsError) {
                std::fprintf(stderr, "Link %s kann nicht angelegt werden: %s\n", Options.Link.c_str(),
                             fsError.message().c_str());
                return false;
            }
            LinkMade = Options.Link;
        }
        std::printf("PTY %s\n", SlaveName.c_str());
        Hungup = true;  // until a reader opens the slave
    } else {
        Fd = open(Options.Device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        if (Fd < 0) {
            std::fprintf(stderr, "Gerät %s kann nicht geöffnet werden: %s\n", Options.Device.c_str(),
                         std::strerror(errno));
            return false;
        }
        IsTerminal = isatty(Fd);
        if (IsTerminal && !MakeRaw(Fd, Options.BaudRate, error)) {
            std::fprintf(stderr, "Gerät %s kann nicht eingestellt werden: %s\n", Options.Device.c_str(), error.c_str());
            return false;
        }
        if (IsTerminal)
            tcflush(Fd, TCIOFLUSH);
        std::printf("DEVICE %s\n", Options.Device.c_str());
    }
    std::fflush(stdout);
    return true;
}

bool TSimulator::DeviceClock(std::tm& parts) const
{
    if (!Options.Clock)
        return false;
    const std::time_t now = std::time(nullptr) + static_cast<std::time_t>(Options.ClockOffset);
    return localtime_r(&now, &parts) != nullptr;
}

void TSimulator::GenerateBurst(TimePoint now)
{
    for (int i = 0; i < Options.Burst && (Options.Count == 0 || Generated < Options.Count); ++i) {
        std::tm clockParts{};
        const bool withClock = DeviceClock(clockParts);
        const bool invalid = Options.Junk && Model.Chance(1.0 / 6.0);
        TSimRecord record = invalid ? Model.NextInvalidRecord(withClock ? &clockParts : nullptr)
                                    : Model.NextRecord(withClock ? &clockParts : nullptr);
        ++Generated;
        if (Hungup) {
            ++Dropped;
            if (Options.Verbose)
                Note("Verworfen " + std::to_string(Generated) + " (kein Gegenüber)");
            continue;
        }
        TOutUnit unit;
        unit.IsRecord = true;
        unit.Valid = record.Valid;
        unit.Number = Generated;
        unit.Fault = record.Fault;
        unit.Record = record.Text.substr(0, record.Text.size() - 2);
        if (CancelFrame) {
            unit.Bytes += '\x18';  // not a record character: ends the cut-off frame on the logger's side
            CancelFrame = false;
        }
        if (Options.Junk && Model.Chance(0.5)) {
            const std::string junk = Model.JunkBytes(8);
            JunkBytes += static_cast<int64_t>(junk.size());
            unit.Bytes += junk;
        }
        unit.Bytes += record.Text;
        if (Queue.empty())
            LastProgress = now;
        Queue.push_back(std::move(unit));
    }
}

void TSimulator::DropQueue(const char* why)
{
    bool first = true;
    for (const TOutUnit& unit : Queue) {
        if (unit.IsRecord) {
            ++Dropped;
            if (Options.Verbose || first)
                Note("Verworfen " + std::to_string(unit.Number) + " (" + why + ")");
            first = false;
        }
        if (unit.Offset > 0 && unit.Offset < unit.Bytes.size())
            CancelFrame = true;
    }
    Queue.clear();
    ChunkLeft = 0;
}

void TSimulator::EnterHangup()
{
    if (Hungup)
        return;
    Hungup = true;
    DropQueue("Gegenüber hat das Terminal geschlossen");
    // Nothing that was written for the old reader may greet the next one.
    tcflush(Fd, TCIOFLUSH);
    CancelFrame = false;
    Note("Kein Gegenüber am Pseudo-Terminal: neue Datensätze werden verworfen");
}

void TSimulator::CheckHangup(TimePoint now)
{
    pollfd probe{Fd, POLLIN, 0};
    if (poll(&probe, 1, 0) < 0)
        return;
    if (probe.revents & POLLIN)
        ReadSome(now);  // data the last reader left before closing, or the new reader's first bytes
    if (!(probe.revents & POLLHUP) && Hungup) {
        Hungup = false;
        Note("Gegenüber hat das Pseudo-Terminal geöffnet");
    } else if ((probe.revents & POLLHUP) && !Hungup) {
        EnterHangup();
    }
}

bool TSimulator::WriteSome(TimePoint now)
{
    while (!Queue.empty()) {
        if (now < NextWriteAt)
            return true;
        TOutUnit& unit = Queue.front();
        size_t size = unit.Bytes.size() - unit.Offset;
        if (Options.Chunk > 0) {
            if (ChunkLeft <= 0)
                ChunkLeft = Options.Chunk;
            size = std::min(size, static_cast<size_t>(ChunkLeft));
        }
        const ssize_t written = write(Fd, unit.Bytes.data() + unit.Offset, size);
        if (written < 0) {
            if (errno == EINTR)
                continue;
            if (errno == EAGAIN || errno == EWOULDBLOCK)
                return true;  // buffer full: poll tells when there is room again
            if (PtyMode && errno == EIO) {
                EnterHangup();
                return true;
            }
            std::fprintf(stderr, "Schreibfehler auf %s: %s\n", LineName().c_str(), std::strerror(errno));
            Fatal = true;
            return false;
        }
        LastProgress = now;
        unit.Offset += static_cast<size_t>(written);
        if (Options.Chunk > 0) {
            ChunkLeft -= static_cast<int>(written);
            if (ChunkLeft <= 0 && unit.Offset < unit.Bytes.size() && Options.ChunkPauseMs > 0)
                NextWriteAt = now + std::chrono::milliseconds(Options.ChunkPauseMs);
        }
        if (unit.Offset < unit.Bytes.size())
            continue;
        ChunkLeft = 0;
        ++RecordsSent;
        if (unit.Valid) {
            ++ValidSent;
            Pending.push_back({unit.Number, now, now + Seconds(Options.AckTimeout)});
            if (Options.Verbose)
                Note("Gesendet " + std::to_string(unit.Number) + ": " + unit.Record);
        } else {
            ++InvalidSent;
            if (Options.Verbose)
                Note("Ungültig gesendet " + std::to_string(unit.Number) + " (" + unit.Fault + "): " +
                     EscapeBytes(unit.Record));
        }
        Queue.pop_front();
    }
    return true;
}

void TSimulator::HandleChecks(std::vector<TAckCheck>& checks, TimePoint now)
{
    for (TAckCheck& check : checks) {
        if (check.Ok && Options.AckTolerance >= 0) {
            const double deviation = std::difftime(check.Time, std::time(nullptr));
            if (deviation > Options.AckTolerance || deviation < -Options.AckTolerance) {
                check.Ok = false;
                check.Reason = "Zeit weicht " + std::to_string(static_cast<long long>(deviation)) +
                               " s von der PC-Uhr ab";
            }
        }
        std::string answered;
        int64_t latency = -1;
        if (!Pending.empty()) {
            answered = " (Datensatz " + std::to_string(Pending.front().Number) + ")";
            latency = MillisecondsBetween(Pending.front().SentAt, now);
            Pending.pop_front();
        }
        if (!check.Ok) {
            ++Bad;
            Note("ACK FEHLERHAFT \"" + check.Text + "\": " + check.Reason + answered);
        } else if (latency < 0) {
            ++Acks;
            ++Unexpected;
            Note("ACK UNERWARTET " + check.Text.substr(4) + " (kein offener Datensatz)");
        } else {
            ++Acks;
            const long long deviation = static_cast<long long>(std::difftime(check.Time, std::time(nullptr)));
            Note("ACK OK " + check.Text.substr(4) + " nach " + std::to_string(latency) + " ms" + answered +
                 ", Abweichung " + std::to_string(deviation) + " s");
        }
    }
    checks.clear();
}

void TSimulator::ReadSome(TimePoint now)
{
    std::vector<TAckCheck> checks;
    char buffer[4096];
    for (;;) {
        const ssize_t received = read(Fd, buffer, sizeof buffer);
        if (received > 0) {
            LastReceived = now;
            Parser.Feed(buffer, static_cast<size_t>(received), checks);
            continue;
        }
        if (received < 0 && errno == EINTR)
            continue;
        if (received < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
            break;
        if (PtyMode) {
            if (received < 0 && errno == EIO) {
                HandleChecks(checks, now);
                EnterHangup();
                return;
            }
        } else if (!IsTerminal && received == 0) {
            InputOpen = false;  // a file or pipe without answers
        } else if (received == 0) {
            // A terminal set up by someone else with VMIN 0 also returns 0 for "nothing yet"; a line
            // that has really gone reports POLLHUP, which the main loop checks.
            break;
        } else {
            std::fprintf(stderr, "Verbindung zu %s verloren: %s\n", Options.Device.c_str(),
                         received == 0 ? "Ende der Daten" : std::strerror(errno));
            Fatal = true;
        }
        break;
    }
    HandleChecks(checks, now);
}

int TSimulator::Run()
{
    const TimePoint start = Clock::now();
    TimePoint nextRecordAt = start;
    TimePoint finishDeadline{};
    bool finishing = false;
    bool stopping = false;
    LastReceived = start;
    if (PtyMode)
        CheckHangup(start);

    while (!Fatal) {
        TimePoint now = Clock::now();
        if (StopSignals >= 2)
            break;  // a second signal: no more waiting
        if (StopSignals >= 1 && !stopping) {
            stopping = true;
            // Records not begun are dropped; one already on its way is finished so no frame is cut.
            std::deque<TOutUnit> keep;
            if (!Queue.empty() && Queue.front().Offset > 0) {
                keep.push_back(std::move(Queue.front()));
                Queue.pop_front();
            }
            for (const TOutUnit& unit : Queue)
                if (unit.IsRecord)
                    ++Dropped;
            Queue.swap(keep);
        }
        if (PtyMode)
            CheckHangup(now);
        if (Fatal)
            break;

        const bool allGenerated = stopping || (Options.Count > 0 && Generated >= Options.Count);
        if (!allGenerated && Queue.empty() && now >= nextRecordAt) {
            GenerateBurst(now);
            nextRecordAt += Seconds(Options.Interval);
            if (nextRecordAt < now)
                nextRecordAt = now + (Options.Interval > 0 ? Seconds(Options.Interval) : Clock::duration::zero());
        }
        if (!WriteSome(now))
            break;
        if (!Queue.empty() && now - LastProgress > Seconds(Options.AckTimeout))
            DropQueue("Leitung nimmt nichts an");

        // Acknowledgements that did not come in time.
        while (!Pending.empty() && Pending.front().Deadline <= now) {
            ++Missing;
            Note("ACK FEHLT für Datensatz " + std::to_string(Pending.front().Number) + " (nicht innerhalb von " +
                 SecondsText(Options.AckTimeout) + " s)");
            Pending.pop_front();
        }
        if (Parser.HasPartial() && now - LastReceived > Seconds(Options.AckTimeout)) {
            std::vector<TAckCheck> checks;
            Parser.Flush(checks);
            HandleChecks(checks, now);
        }

        const bool done = (Options.Count > 0 && Generated >= Options.Count) || stopping;
        if (done && Queue.empty()) {
            if (!finishing) {
                finishing = true;
                finishDeadline = now + Seconds(Options.AckTimeout) + std::chrono::milliseconds(200);
            }
            if ((Pending.empty() && !Parser.HasPartial()) || now >= finishDeadline)
                break;
        }

        // Sleep until something is due; never longer than 100 ms so signals and a new reader are seen.
        TimePoint wake = now + std::chrono::milliseconds(100);
        if (!allGenerated && Queue.empty())
            wake = std::min(wake, nextRecordAt);
        if (!Queue.empty() && NextWriteAt > now)
            wake = std::min(wake, NextWriteAt);
        if (!Pending.empty())
            wake = std::min(wake, Pending.front().Deadline);
        if (finishing)
            wake = std::min(wake, finishDeadline);
        if (Hungup)
            wake = std::min(wake, now + std::chrono::milliseconds(50));
        int timeout = static_cast<int>(std::max<int64_t>(0, MillisecondsBetween(now, wake)));
        if (wake > now && timeout == 0)
            timeout = 1;

        pollfd watch{-1, 0, 0};
        if (!Hungup) {
            watch.fd = Fd;
            if (InputOpen)
                watch.events |= POLLIN;
            if (!Queue.empty() && NextWriteAt <= now)
                watch.events |= POLLOUT;
            if (watch.events == 0)
                watch.fd = -1;
        }
        const int ready = poll(&watch, 1, timeout);
        if (ready < 0 && errno != EINTR) {
            std::fprintf(stderr, "poll: %s\n", std::strerror(errno));
            Fatal = true;
            break;
        }
        now = Clock::now();
        if (ready > 0) {
            if (watch.revents & (POLLIN | POLLHUP | POLLERR))
                ReadSome(now);
            if ((watch.revents & (POLLHUP | POLLERR)) && !PtyMode && !Fatal && IsTerminal) {
                std::fprintf(stderr, "Verbindung zu %s verloren\n", Options.Device.c_str());
                Fatal = true;
            }
            if (watch.revents & (POLLHUP | POLLERR) && !PtyMode && !IsTerminal)
                InputOpen = false;
        }
    }

    // What is left unanswered now counts as missing; an unfinished message as bad.
    {
        std::vector<TAckCheck> checks;
        Parser.Flush(checks);
        HandleChecks(checks, Clock::now());
    }
    for (const TPendingAck& pending : Pending) {
        ++Missing;
        Note("ACK FEHLT für Datensatz " + std::to_string(pending.Number) + " (Programmende)");
    }
    Pending.clear();
    for (const TOutUnit& unit : Queue)
        if (unit.IsRecord)
            ++Dropped;

    std::printf("details: valid=%lld invalid=%lld dropped=%lld missing=%lld unexpected=%lld junk=%lld\n",
                static_cast<long long>(ValidSent), static_cast<long long>(InvalidSent),
                static_cast<long long>(Dropped), static_cast<long long>(Missing),
                static_cast<long long>(Unexpected), static_cast<long long>(JunkBytes));
    std::printf("records=%lld acks=%lld bad=%lld\n", static_cast<long long>(RecordsSent),
                static_cast<long long>(Acks), static_cast<long long>(Bad));
    std::fflush(stdout);

    if (Fatal)
        return 1;
    if (Options.ExpectAcks) {
        if (ValidSent == 0) {
            Note("Kein gültiger Datensatz konnte gesendet werden.");
            return 1;
        }
        if (Missing > 0 || Bad > 0 || Unexpected > 0)
            return 1;
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    TSimOptions options;
    std::string error;
    if (!ParseSimOptions(argc, argv, options, error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 2;
    }
    const std::string programName = std::filesystem::path(argv[0]).filename().string();
    if (options.Help) {
        std::fputs(SimHelpText(programName).c_str(), stdout);
        return 0;
    }
    if (options.ShowVersion) {
        std::printf("%s\n", dedezuviv::base::VersionLine(programName).c_str());
        return 0;
    }

    if (!options.HistoryProject.empty())
        return WriteHistory(options);

    struct sigaction action {};
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = 0;  // no SA_RESTART: poll returns at once
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    std::signal(SIGPIPE, SIG_IGN);

    TSimulator simulator(options);
    if (!simulator.Open())
        return 1;
    return simulator.Run();
}
