#include "device/SerialPort.h"

#include "base/Clock.h"
#include "base/MainThread.h"
#include "device/SerialTermios.h"
#include "device/Namespace.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <ctime>
#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <sys/eventfd.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace dedezuviv::device {

namespace {

constexpr int MaxWaitMs = 75;            // longest single wait of the working worker
constexpr int IdleWaitMs = 200;          // wait of the worker while the port is closed
constexpr int PendingBytesWaitMs = 20;   // wait while received bytes wait for the read rule
constexpr int HangUpRetryMs = 1000;      // pass interval after the device hung up
constexpr int CloseWaitMs = 15 * MaxWaitMs;
constexpr int DestroyWaitMs = 10 * MaxWaitMs;
constexpr int MaxStatusRounds = 16;      // OnCommStat rounds of one status poll
constexpr size_t MaxNameLength = 79;
constexpr uint32_t ReadErrorFlags = ceRxOver | ceOverrun | ceRxParity | ceFrame | ceBreak;

struct TCharDelay {
    uint32_t Baud;
    uint32_t Time;
};
constexpr TCharDelay CharDelayTable[] = {
    {110, 100000}, {300, 37000}, {600, 18000},  {1200, 9000},  {2400, 4500},
    {4800, 2300},  {9600, 1100}, {14400, 760},  {19200, 570},  {38400, 290},
    {56000, 200},  {57600, 190}, {115200, 95},  {128000, 85},  {256000, 43},
};

// The port whose worker runs on this thread (none on other threads).
thread_local const TSerialPortNG* CurrentWorkerPort = nullptr;

// WithDevice's answer while the port is closed (or closing): no error, the call was not made.
constexpr int DeviceClosed = -1;

bool IsHangUpError(int error) { return error == EIO || error == ENXIO || error == ENODEV || error == EBADF; }

}  // namespace

struct TSerialPortNG::TShared {
    std::atomic<bool> Destroying{false};
    std::atomic<bool> Gone{false};        // the port was freed while its worker was inside a delivery
    std::atomic<int> InDelivery{0};       // handlers delivered from the worker that are running now
};

std::string DevicePathForPort(const std::string& commPort)
{
    const std::string name = commPort.substr(0, MaxNameLength);
    if (name.empty() || name.find('/') != std::string::npos)
        return name;
    if (name.size() > 3 && name.size() <= 9 && std::toupper(static_cast<unsigned char>(name[0])) == 'C' &&
        std::toupper(static_cast<unsigned char>(name[1])) == 'O' &&
        std::toupper(static_cast<unsigned char>(name[2])) == 'M' &&
        std::all_of(name.begin() + 3, name.end(), [](char c) { return c >= '0' && c <= '9'; })) {
        const long number = std::stol(name.substr(3));
        if (number >= 1)
            return "/dev/ttyS" + std::to_string(number - 1);
    }
    return "/dev/" + name;
}

uint32_t TSerialPortNG::CharDelayTimeFor(uint32_t baudRate)
{
    uint32_t time = 1100;
    for (const TCharDelay& entry : CharDelayTable)
        if (entry.Baud <= baudRate)
            time = entry.Time;
    return time;
}

// ---------------------------------------------------------------------------------------------
// Construction and destruction

TSerialPortNG::TSerialPortNG() : Shared(std::make_shared<TShared>())
{
    WakeFd = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    if (WakeFd < 0)
        ProcessError(1001, static_cast<uint32_t>(errno), 0, "Error Creating Overlapped Event");
    Worker = std::thread(&TSerialPortNG::WorkerEntry, this, Shared);
}

TSerialPortNG::~TSerialPortNG()
{
    Shared->Destroying = true;
    Close();
    Terminated = true;
    Wake();
    WaitWhileWorkerRunning(DestroyWaitMs);
    if (Worker.joinable()) {
        if (OnWorkerThread() || Shared->InDelivery > 0) {
            // Freed from inside one of its own worker-delivered handlers: the worker waits for that
            // handler and cannot be joined here. It leaves without touching the port once released.
            Shared->Gone = true;
            Worker.detach();
        } else {
            const bool pump = MayPumpMessages();
            while (!WorkerExited) {
                if (pump)
                    ProcessMessages();
                std::unique_lock<std::mutex> guard(IdleLock);
                IdleChanged.wait_for(guard, std::chrono::milliseconds(2), [this] { return WorkerExited.load(); });
            }
            Worker.join();
        }
    }
    // An abandoned worker is blocked in its delivery and leaves without waiting on it again.
    if (WakeFd >= 0)
        ::close(WakeFd);
    WakeFd = -1;
    std::lock_guard<std::mutex> guard(ClusterLock);
    Clusters.clear();
}

bool TSerialPortNG::Destroying() const { return Shared->Destroying; }

bool TSerialPortNG::OnWorkerThread() const { return CurrentWorkerPort == this; }

bool TSerialPortNG::MayPumpMessages() const
{
    if (OnWorkerThread() || Shared->InDelivery > 0)
        return false;
    IMainThreadDispatcher* dispatcher = MainThreadDispatcher();
    return dispatcher && dispatcher->IsMainThread();
}

void TSerialPortNG::Wake()
{
    if (WakeFd >= 0) {
        const uint64_t one = 1;
        [[maybe_unused]] const ssize_t written = ::write(WakeFd, &one, sizeof one);
    }
}

void TSerialPortNG::WaitForWake(int timeoutMs)
{
    if (WakeFd < 0) {
        std::this_thread::sleep_for(std::chrono::milliseconds(std::min(timeoutMs, MaxWaitMs)));
        return;
    }
    pollfd wake{WakeFd, POLLIN, 0};
    if (::poll(&wake, 1, timeoutMs) > 0) {
        uint64_t count = 0;
        [[maybe_unused]] const ssize_t got = ::read(WakeFd, &count, sizeof count);
    }
}

bool TSerialPortNG::WaitWhileWorkerRunning(int totalMs)
{
    if (OnWorkerThread())
        return !FWorkerRunning;  // the worker cannot wait for itself
    const bool pump = MayPumpMessages();
    const uint64_t end = GetTickCount() + static_cast<uint64_t>(totalMs);
    while (FWorkerRunning) {
        // A worker blocked in a delivery to the main thread gets it done here.
        if (pump)
            ProcessMessages();
        if (!FWorkerRunning || GetTickCount() >= end)
            break;
        std::unique_lock<std::mutex> guard(IdleLock);
        IdleChanged.wait_for(guard, std::chrono::milliseconds(pump ? 2 : 5), [this] { return !FWorkerRunning; });
    }
    return !FWorkerRunning;
}

template <class F> int TSerialPortNG::WithDevice(F&& fn)
{
    std::shared_lock<std::shared_mutex> guard(DeviceLock);
    if (Fd < 0 && FActive && FLineLost)
        return EIO;  // the device hung up and was released: every call fails as on the dead device
    if (Fd < 0 || !FActive)
        return DeviceClosed;
    return fn(Fd);
}

int TSerialPortNG::ComHandle() const
{
    std::shared_lock<std::shared_mutex> guard(DeviceLock);
    return Fd;
}

uint64_t TSerialPortNG::WorkerCpuTimeNs() const
{
    if (WorkerExited)
        return FinalCpuNs;
    clockid_t clock;
    timespec ts{};
    if (pthread_getcpuclockid(const_cast<std::thread&>(Worker).native_handle(), &clock) != 0 ||
        clock_gettime(clock, &ts) != 0)
        return 0;
    return static_cast<uint64_t>(ts.tv_sec) * 1000000000ull + static_cast<uint64_t>(ts.tv_nsec);
}

// ---------------------------------------------------------------------------------------------
// Errors and delivery

void TSerialPortNG::ProcessError(uint32_t place, uint32_t code, uint8_t noise, const std::string& msg)
{
    if (Shared->Destroying || noise > FErrorNoise)
        return;
    if (OnWorkerThread()) {
        PendingError.Place = place;
        PendingError.Code = code;
        PendingError.Msg = msg;
        PendingError.Noise = noise;
        DeliverFromWorker([this] {
            const TNotifyErrorEvent handler = OnProcessError;
            if (handler)
                handler(this, PendingError.Place, PendingError.Code, PendingError.Msg, PendingError.Noise);
        });
        return;
    }
    const TNotifyErrorEvent handler = OnProcessError;
    if (handler)
        handler(this, place, code, msg, noise);
}

void TSerialPortNG::DeliverFromWorker(const std::function<void()>& call)
{
    if (FThreadQuietMode || Shared->Destroying)
        return;
    const std::shared_ptr<TShared> shared = Shared;
    RunInMainThread([&call, &shared] {
        // Destruction may have started while this call waited for the main thread.
        if (shared->Destroying)
            return;
        ++shared->InDelivery;
        try {
            call();
        } catch (...) {
            --shared->InDelivery;
            throw;
        }
        --shared->InDelivery;
    });
    if (shared->Gone)
        throw TPortAbandoned{};
}

void TSerialPortNG::Deliver(const TSerialNotifyEvent TSerialPortNG::*handler)
{
    DeliverFromWorker([this, handler] {
        const TSerialNotifyEvent h = this->*handler;
        if (h)
            h(this);
    });
}

// ---------------------------------------------------------------------------------------------
// Setters

void TSerialPortNG::ApplyIfOpen()
{
    if (FActive)
        ApplySettings();
}

void TSerialPortNG::RecomputeCharDelays()
{
    const uint32_t time = CharDelayTimeFor(FBaudRate);
    FRTOCharDelayTime = time;
    FWTOCharDelayTime = time;
}

void TSerialPortNG::SetCommPort(const std::string& value)
{
    if (value == FCommPort)
        return;
    FCommPort = value;
    const bool wasOpen = FActive;
    Close();
    if (wasOpen)
        Open();
}

void TSerialPortNG::SetBaudRate(uint32_t value)
{
    if (value == FBaudRate)
        return;
    FBaudRate = value;
    if (FXTOAuto)
        RecomputeCharDelays();
    ApplyIfOpen();
}

#define SERIAL_SETTER_APPLY(Name, Type)                                                                     \
    void TSerialPortNG::Set##Name(Type value)                                                             \
    {                                                                                                     \
        if (value == F##Name)                                                                             \
            return;                                                                                       \
        F##Name = value;                                                                                  \
        ApplyIfOpen();                                                                                    \
    }

SERIAL_SETTER_APPLY(ParityType, uint8_t)
SERIAL_SETTER_APPLY(ParityErrorChar, char)
SERIAL_SETTER_APPLY(ParityErrorReplacement, bool)
SERIAL_SETTER_APPLY(StopBits, uint8_t)
SERIAL_SETTER_APPLY(DataBits, uint8_t)
SERIAL_SETTER_APPLY(XONChar, char)
SERIAL_SETTER_APPLY(XOFFChar, char)
SERIAL_SETTER_APPLY(FlowControl, uint32_t)
SERIAL_SETTER_APPLY(StripNullChars, bool)
SERIAL_SETTER_APPLY(EventChar, char)
SERIAL_SETTER_APPLY(WTOCharDelayTime, uint32_t)
SERIAL_SETTER_APPLY(WTOExtraDelayTime, uint16_t)
#undef SERIAL_SETTER_APPLY

void TSerialPortNG::SetXONLimDiv(uint8_t value)
{
    if (value == FXONLimDiv)
        return;
    if (value > 100) {
        ProcessError(100, value, 1, "Warning XOnLimDef set to 100");
        value = 100;
    }
    FXONLimDiv = value;
    ApplyIfOpen();
}

void TSerialPortNG::SetXOFFLimDiv(uint8_t value)
{
    if (value == FXOFFLimDiv)
        return;
    if (value > 100) {
        ProcessError(100, value, 1, "Warning XOffLimDef set to 100");
        value = 100;
    }
    FXOFFLimDiv = value;
    ApplyIfOpen();
}

void TSerialPortNG::SetRTOCharDelayTime(uint32_t value) { FRTOCharDelayTime = value; }
void TSerialPortNG::SetRTOExtraDelayTime(uint16_t value) { FRTOExtraDelayTime = value; }
void TSerialPortNG::SetClusterSize(uint16_t value) { FClusterSize = value; }
void TSerialPortNG::SetErrorNoise(uint8_t value) { FErrorNoise = value; }

void TSerialPortNG::SetReadRequest(bool value)
{
    if (value == FReadRequest)
        return;
    FReadRequest = value;
    if (value)
        Wake();
}

void TSerialPortNG::SetXTOAuto(bool value)
{
    if (value == FXTOAuto)
        return;
    FXTOAuto = value;
    if (value)
        RecomputeCharDelays();
}

// The kernel's tty queues have fixed sizes; there is nothing to set on the device.
void TSerialPortNG::SetRxQueueSize(uint16_t value) { FRxQueueSize = value; }
void TSerialPortNG::SetTxQueueSize(uint16_t value) { FTxQueueSize = value; }

void TSerialPortNG::SetActive(bool value)
{
    if (value == FActive)
        return;
    Close();
    if (value)
        Open();
}

void TSerialPortNG::SetRTSState(bool value)
{
    SwitchLine(value, TIOCM_RTS, 501, value ? "Error setting RTS" : "Error clearing RTS", FRTSState);
}

void TSerialPortNG::SetDTRState(bool value)
{
    SwitchLine(value, TIOCM_DTR, 601, value ? "Error setting DTR" : "Error clearing DTR", FDTRState);
}

void TSerialPortNG::SetBREAKState(bool value)
{
    SwitchLine(value, 0, 701, value ? "Error setting BREAK State" : "Error clearing BREAK State", FBREAKState);
}

void TSerialPortNG::SwitchLine(bool value, int modemBit, uint32_t setPlace, const char* failure, bool& state)
{
    if (!FActive)
        return;
    const int rc = WithDevice([&](int fd) {
        int result;
        if (modemBit == 0)
            result = ioctl(fd, value ? TIOCSBRK : TIOCCBRK);
        else
            result = ioctl(fd, value ? TIOCMBIS : TIOCMBIC, &modemBit);
        return result == 0 ? 0 : errno;
    });
    // The clearing failure is reported one place after the setting failure.
    if (rc != 0)
        ProcessError(value ? setPlace : setPlace + 1, static_cast<uint32_t>(rc), 0, failure);
    state = value;
}

// ---------------------------------------------------------------------------------------------
// Opening, closing, line settings

void TSerialPortNG::Open()
{
    const std::string name = FCommPort.substr(0, MaxNameLength);
    ProcessError(110, 0, 2, "Msg start reactivating Port " + name);
    if (ComHandle() >= 0) {
        // A handler run while a close waits for the worker asked to open again: the old descriptor
        // is not released yet.
        ProcessError(112, EBUSY, 0, "Error reopening Port");
        return;
    }
    const std::string path = DevicePathForPort(FCommPort);
    int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    int error = fd < 0 ? errno : 0;
    // Only a terminal is a serial line (never write to a disk or a plain file by a mistyped name);
    // TIOCEXCL refuses anything else and keeps other programs out, flock keeps out other instances
    // (TIOCEXCL does not stop a privileged process).
    if (fd >= 0 && ioctl(fd, TIOCEXCL) != 0)
        error = errno;
    if (fd >= 0 && error == 0 && flock(fd, LOCK_EX | LOCK_NB) != 0)
        error = errno == EWOULDBLOCK ? EBUSY : errno;
    if (error != 0) {
        if (fd >= 0)
            ::close(fd);
        ProcessError(112, static_cast<uint32_t>(error), 0, "Error reopening Port");
        return;
    }
    {
        std::unique_lock<std::shared_mutex> guard(DeviceLock);
        Fd = fd;
    }
    FLineLost = false;
    ++OpenGeneration;
    FActive = true;
    ApplySettings();
    SetDTRState(true);
    SetRTSState(true);
    Wake();
}

void TSerialPortNG::Close()
{
    if (!FActive)
        return;
    ProcessError(100, 0, 2, "Msg start deactivating Port");
    FActive = false;
    Wake();
    int rc = 0;
    {
        // A device that hung up was released by the worker already: nothing to flush or close.
        std::shared_lock<std::shared_mutex> guard(DeviceLock);
        if (Fd >= 0)
            rc = tcflush(Fd, TCIOFLUSH) == 0 ? 0 : errno;
    }
    if (rc != 0)
        ProcessError(102, static_cast<uint32_t>(rc), 0, "Error clearing Queues");
    if (!WaitWhileWorkerRunning(CloseWaitMs))
        ProcessError(104, 0, 1, "Warning ThreadIsRunning");
    rc = ReleaseDevice();
    if (rc != 0)
        ProcessError(103, static_cast<uint32_t>(rc), 0, "Error closing Port");
}

int TSerialPortNG::ReleaseDevice()
{
    std::unique_lock<std::shared_mutex> guard(DeviceLock);
    if (Fd < 0)
        return 0;
    // Exclusive use ends with the descriptor: another program (or this one, later) may open the port.
    ioctl(Fd, TIOCNXCL);
    const int rc = ::close(Fd) == 0 ? 0 : errno;
    Fd = -1;
    return rc;
}

void TSerialPortNG::ApplySettings()
{
    TSerialLineSettings settings;
    settings.BaudRate = FBaudRate;
    settings.DataBits = FDataBits;
    settings.StopBits = FStopBits;
    settings.ParityType = FParityType;
    // The kernel replaces a byte with a parity or framing error by NUL when checking is on.
    settings.ParityCheck = FParityErrorReplacement;
    settings.RtsCtsFlow = (FFlowControl & fcOutxCtsFlow) != 0 ||
                          (FFlowControl & fcRtsControlToggle) == fcRtsControlHandshake;
    settings.XonXoffOutput = (FFlowControl & fcOutX) != 0;
    settings.XonXoffInput = (FFlowControl & fcInX) != 0;
    settings.XONChar = static_cast<uint8_t>(FXONChar);
    settings.XOFFChar = static_cast<uint8_t>(FXOFFChar);
    bool readFailed = false;
    const int rc = WithDevice([&](int fd) { return SerialApplyLineSettings(fd, settings, readFailed); });
    if (rc == 0)
        return;
    if (FLineLost)
        readFailed = true;  // without a device the first step, reading the settings, fails
    if (readFailed)
        ProcessError(801, static_cast<uint32_t>(rc), 0, "Error getting DCB from CommState");
    else
        ProcessError(802, static_cast<uint32_t>(rc), 0, "Error setting CommState, 87 indicate that Parms are incorrect");
}

// ---------------------------------------------------------------------------------------------
// Sending

void TSerialPortNG::SendData(const void* buffer, uint32_t size)
{
    if (FSendInProgress) {
        ProcessError(901, 0, 2, "Msg, dont enter SendData while SendInProgress is set");
        return;
    }
    const uint64_t start = GetTickCount();
    BytesToWrite = size;
    const char* bytes = static_cast<const char*>(buffer);
    size_t written = 0;
    const int error = WriteWhatFits(bytes, size, written, EBADF);
    const auto done = static_cast<uint32_t>(written);
    if (done > 0)
        TxArmed = true;
    if (error != 0) {
        ProcessError(903, static_cast<uint32_t>(error), 0, "Error writing Data");
        FSendInProgress = false;
        return;
    }
    if (done == size) {
        FWrittenBytes = size;
        const TSerialNotifyEvent handler = OnWriteDone;
        if (handler)
            handler(this);
        return;
    }
    // The rest goes out from the worker as the device takes it, until the write timeout has passed.
    WriteRest.assign(bytes + done, size - done);
    WriteDoneCount = done;
    WriteDeadline = start + static_cast<uint64_t>(size) * FWTOCharDelayTime / 1000 + FWTOExtraDelayTime;
    FSendInProgress.store(true, std::memory_order_release);
    Wake();
}

int TSerialPortNG::WriteWhatFits(const char* bytes, size_t size, size_t& done, int errorWhenClosed)
{
    std::shared_lock<std::shared_mutex> guard(DeviceLock);
    if (Fd < 0 || !FActive)
        return errorWhenClosed;
    while (done < size) {
        const ssize_t n = ::write(Fd, bytes + done, size - done);
        if (n > 0)
            done += static_cast<size_t>(n);
        else if (n < 0 && errno == EINTR)
            continue;
        else if (n < 0 && errno != EAGAIN)
            return errno;
        else if (n == 0)
            return EIO;
        else
            break;  // the device takes no more for now
    }
    return 0;
}

void TSerialPortNG::SendText(const std::string& text)
{
    if (!text.empty())
        SendData(text.data(), static_cast<uint32_t>(text.size()));
}

// ---------------------------------------------------------------------------------------------
// Clusters

int TSerialPortNG::FirstClusterSize()
{
    std::lock_guard<std::mutex> guard(ClusterLock);
    return Clusters.empty() ? -1 : static_cast<int>(Clusters.front()->Size);
}

std::string TSerialPortNG::TakeFirstCluster()
{
    std::unique_ptr<TSerialCluster> cluster;
    {
        std::lock_guard<std::mutex> guard(ClusterLock);
        if (Clusters.empty())
            return std::string();
        cluster = std::move(Clusters.front());
        Clusters.pop_front();
    }
    return std::move(cluster->Data);
}

void TSerialPortNG::MakeCluster(const char* data, uint32_t size, uint32_t commError)
{
    if (Shared->Destroying)
        return;
    auto cluster = std::make_unique<TSerialCluster>();
    if (size > 0)
        cluster->Data.assign(data, size);
    cluster->Size = size;
    cluster->CommError = commError;
    {
        std::lock_guard<std::mutex> guard(ClusterLock);
        Clusters.push_back(std::move(cluster));
    }
    if (OnWorkerThread()) {
        Deliver(&TSerialPortNG::OnRxClusterEvent);
    } else {
        const TSerialNotifyEvent handler = OnRxClusterEvent;
        if (handler)
            handler(this);
    }
}

// ---------------------------------------------------------------------------------------------
// The worker

void TSerialPortNG::WorkerEntry(TSerialPortNG* self, std::shared_ptr<TShared> shared)
{
    CurrentWorkerPort = self;
    try {
        self->Execute();
    } catch (const TPortAbandoned&) {
        // The port was freed during a delivery: nothing of it may be touched any more.
        return;
    }
    timespec ts{};
    if (clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts) == 0)
        self->FinalCpuNs = static_cast<uint64_t>(ts.tv_sec) * 1000000000ull + static_cast<uint64_t>(ts.tv_nsec);
    {
        std::lock_guard<std::mutex> guard(self->IdleLock);
        self->WorkerExited = true;
    }
    self->IdleChanged.notify_all();
    (void)shared;
}

void TSerialPortNG::Execute()
{
    LastQuietTime = GetTickCount();
    bool working = FActive;
    for (;;) {
        ++FWorkerPasses;
        if (!working) {
            if (FWorkerRunning) {
                {
                    std::lock_guard<std::mutex> guard(IdleLock);
                    FWorkerRunning = false;
                }
                IdleChanged.notify_all();
            }
            working = FActive;
            if (!working) {
                if (Terminated)
                    break;
                WaitForWake(IdleWaitMs);
                continue;
            }
        }
        FWorkerRunning = true;
        if (SeenGeneration != OpenGeneration)
            ResetWorkerState();
        // Without a device (hung up) only a pending write is ended; nothing is polled or read.
        const bool haveDevice = !FLineLost;
        if (FActive && haveDevice)
            PollStatus();
        CheckPendingWrite();
        if (FActive && haveDevice)
            ReadRule();
        if (FActive)
            WaitForLine();
        if (!FActive && !FSendInProgress)
            working = false;
        if (Terminated && !working)
            break;
    }
    {
        std::lock_guard<std::mutex> guard(IdleLock);
        FWorkerRunning = false;
    }
    IdleChanged.notify_all();
}

void TSerialPortNG::ResetWorkerState()
{
    SeenGeneration = OpenGeneration;
    LastQuietTime = GetTickCount();
    HungUp = false;
    ModemLinesSupported = true;
    CountersSupported = true;
    HaveCounters = false;
    PendingEvents = 0;
    ErrorsSinceRead = 0;
    RxCompareQueue = 0;
    FCommStateInQueue = 0;
    FCommStateOutQueue = 0;
    FCommError = 0;
}

void TSerialPortNG::NoteDeviceError(int error)
{
    if (IsHangUpError(error))
        HungUp = true;
}

void TSerialPortNG::PollStatus()
{
    if (ModemLinesSupported) {
        int bits = 0;
        const int rc = WithDevice([&](int fd) { return ioctl(fd, TIOCMGET, &bits) == 0 ? 0 : errno; });
        if (rc == DeviceClosed)
            return;
        if (rc == 0) {
            uint32_t state = 0;
            if (bits & TIOCM_CTS)
                state |= msCTSOn;
            if (bits & TIOCM_DSR)
                state |= msDSROn;
            if (bits & TIOCM_RNG)
                state |= msRingOn;
            if (bits & TIOCM_CAR)
                state |= msRLSDOn;
            const uint32_t old = FModemState.exchange(state);
            const uint32_t changed = old ^ state;
            if (changed & msCTSOn)
                PendingEvents |= evCTS;
            if (changed & msDSROn)
                PendingEvents |= evDSR;
            if (changed & msRLSDOn)
                PendingEvents |= evRLSD;
            if ((changed & msRingOn) && (state & msRingOn))
                PendingEvents |= evRing;
            if (changed & msRingOn)
                Deliver(&TSerialPortNG::OnRIEvent);
        } else {
            // A driver without modem lines (a pseudo-terminal) answers this on every call: say it once.
            if (rc == ENOTTY || rc == EINVAL)
                ModemLinesSupported = false;
            NoteDeviceError(rc);
            ProcessError(9905, static_cast<uint32_t>(rc), 0, "Error getting ModemStatus");
        }
    }
    for (int round = 0; round < MaxStatusRounds && FActive; ++round) {
        uint32_t inQueue = 0, outQueue = 0, errors = 0, events = 0;
        const int rc = ReadLineStatus(inQueue, outQueue, errors, events);
        if (rc == DeviceClosed)
            return;
        if (rc != 0) {
            NoteDeviceError(rc);
            ProcessError(9803, static_cast<uint32_t>(rc), 0, "Error ClearCommError");
            return;
        }
        ErrorsSinceRead |= errors;
        if (inQueue > RxCompareQueue)
            PendingEvents |= evRxChar;
        RxCompareQueue = inQueue;
        if (outQueue == 0 && TxArmed.exchange(false))
            PendingEvents |= evTxEmpty;
        PendingEvents |= events;
        if (errors == FCommError && FCommStateFlags == 0 && inQueue == FCommStateInQueue &&
            outQueue == FCommStateOutQueue)
            return;
        FCommError = errors;
        FCommStateFlags = 0;  // Linux reports no hold states
        FCommStateInQueue = inQueue;
        FCommStateOutQueue = outQueue;
        Deliver(&TSerialPortNG::OnCommStat);
    }
}

int TSerialPortNG::ReadLineStatus(uint32_t& inQueue, uint32_t& outQueue, uint32_t& errors, uint32_t& events)
{
    int in = 0, out = 0;
    TSerialErrorCounters counters;
    int counterRc = ENOTTY;
    const int rc = WithDevice([&](int fd) {
        if (ioctl(fd, FIONREAD, &in) != 0 || ioctl(fd, TIOCOUTQ, &out) != 0)
            return errno;
        if (CountersSupported)
            counterRc = SerialReadErrorCounters(fd, counters);
        return 0;
    });
    if (rc != 0)
        return rc;
    inQueue = static_cast<uint32_t>(std::max(in, 0));
    outQueue = static_cast<uint32_t>(std::max(out, 0));
    errors = 0;
    events = 0;
    if (CountersSupported && counterRc != 0) {
        // No error counters in this driver (a pseudo-terminal): line errors stay unknown, i.e. 0.
        if (counterRc == ENOTTY || counterRc == EINVAL)
            CountersSupported = false;
        return 0;
    }
    if (!CountersSupported)
        return 0;
    const uint32_t now[6] = {counters.BufOverrun, counters.Overrun, counters.Parity,
                             counters.Frame,      counters.Break,   counters.Ring};
    if (HaveCounters) {
        static constexpr uint32_t flags[5] = {ceRxOver, ceOverrun, ceRxParity, ceFrame, ceBreak};
        for (int i = 0; i < 5; ++i)
            if (now[i] != LastCounters[i])
                errors |= flags[i];
        if (errors & (ceRxOver | ceOverrun | ceRxParity | ceFrame))
            events |= evErr;
        if (errors & ceBreak)
            events |= evBreak;
        if (now[5] != LastCounters[5])
            events |= evRing;
    }
    std::copy(std::begin(now), std::end(now), LastCounters);
    HaveCounters = true;
    return 0;
}

void TSerialPortNG::ReadRule()
{
    const uint32_t queued = FCommStateInQueue;
    const uint64_t now = GetTickCount();
    if (queued == 0) {
        LastQuietTime = now;
        return;
    }
    const uint64_t quietLimit = static_cast<uint64_t>(queued) * FRTOCharDelayTime / 1000 + FRTOExtraDelayTime;
    const bool due = FReadRequest || queued >= FClusterSize || now - LastQuietTime > quietLimit ||
                     (ErrorsSinceRead & ReadErrorFlags) != 0;
    if (!due)
        return;
    std::string bytes(queued, '\0');
    ssize_t n = 0;
    int error = 0;
    {
        std::shared_lock<std::shared_mutex> guard(DeviceLock);
        if (Fd < 0 || !FActive)
            error = EBADF;
        else {
            do
                n = ::read(Fd, bytes.data(), bytes.size());
            while (n < 0 && errno == EINTR);
            if (n < 0 && errno == EAGAIN)
                n = 0;  // purged meanwhile: an empty cluster, as a read that found nothing
            else if (n < 0)
                error = errno;
            // A read of 0 bytes is "no data" with VMIN 0; a real hang-up shows in poll as POLLHUP.
        }
    }
    FReadRequest = false;
    if (error != 0) {
        NoteDeviceError(error);
        ProcessError(9804, static_cast<uint32_t>(error), 0, "Error reading Data");
        return;
    }
    bytes.resize(static_cast<size_t>(n));
    RxCompareQueue = queued > bytes.size() ? queued - static_cast<uint32_t>(bytes.size()) : 0;
    FCommStateInQueue = RxCompareQueue;
    if (FStripNullChars)
        bytes.erase(std::remove(bytes.begin(), bytes.end(), '\0'), bytes.end());
    if (bytes.find(FEventChar.load()) != std::string::npos)
        PendingEvents |= evRxFlag;
    const uint32_t errors = ErrorsSinceRead;
    ErrorsSinceRead = 0;
    MakeCluster(bytes.data(), static_cast<uint32_t>(bytes.size()), errors);
    LastQuietTime = GetTickCount();
}

void TSerialPortNG::WaitForLine()
{
    if (HungUp) {
        // The device has gone (a USB adapter pulled, the other end of a pty closed). Holding its
        // descriptor would make the kernel give the adapter a new name when it comes back, so it is
        // released now; the port stays active without a device until it is closed (and opened again).
        if (!FLineLost) {
            ReleaseDevice();
            FCommStateInQueue = 0;
            FLineLost = true;
        }
        WaitForWake(HangUpRetryMs);
        return;
    }

    int timeout = MaxWaitMs;
    short events = POLLIN;
    const uint64_t now = GetTickCount();
    const uint32_t queued = FCommStateInQueue;
    if (queued > 0) {
        // Bytes wait for the read rule: POLLIN would report them again at once, so sleep until the
        // rule may be due, looking at the queue every few milliseconds for ClusterSize.
        events = 0;
        const uint64_t limit = static_cast<uint64_t>(queued) * FRTOCharDelayTime / 1000 + FRTOExtraDelayTime;
        const uint64_t elapsed = now - LastQuietTime;
        const uint64_t remaining = limit >= elapsed ? limit - elapsed + 1 : 0;
        timeout = static_cast<int>(std::clamp<uint64_t>(remaining, 1, PendingBytesWaitMs));
    }
    if (FSendInProgress.load(std::memory_order_acquire)) {
        events |= POLLOUT;
        const uint64_t left = WriteDeadline > now ? WriteDeadline - now : 0;
        timeout = std::min<int>(timeout, static_cast<int>(std::min<uint64_t>(left, MaxWaitMs)));
    }
    short deviceEvents = 0, wakeEvents = 0;
    const int rc = WithDevice([&](int fd) {
        pollfd fds[2] = {{fd, events, 0}, {WakeFd, POLLIN, 0}};
        const int n = ::poll(fds, WakeFd >= 0 ? 2 : 1, timeout);
        if (n < 0)
            return errno;
        deviceEvents = fds[0].revents;
        wakeEvents = fds[1].revents;
        return 0;
    });
    if (wakeEvents & POLLIN) {
        uint64_t count = 0;
        [[maybe_unused]] const ssize_t got = ::read(WakeFd, &count, sizeof count);
    }
    if (rc == DeviceClosed)
        return;  // closed meanwhile
    if (rc != 0 && rc != EINTR) {
        HungUp = true;
        ProcessError(9911, static_cast<uint32_t>(rc), 0, "Error getting Overlappedresult");
    } else if (deviceEvents & (POLLHUP | POLLERR | POLLNVAL)) {
        HungUp = true;
        ProcessError(9911, (deviceEvents & POLLNVAL) ? EBADF : EIO, 0, "Error getting Overlappedresult");
    }
    if (FActive)
        PollStatus();
    DispatchLineEvents();
}

void TSerialPortNG::FinishPendingWrite(uint32_t written)
{
    FWrittenBytes = written;
    WriteRest.clear();
    WriteRest.shrink_to_fit();
    FSendInProgress.store(false, std::memory_order_release);
}

void TSerialPortNG::CheckPendingWrite()
{
    if (!FSendInProgress.load(std::memory_order_acquire))
        return;
    if (!FActive) {
        // Closing purged the line: the write is aborted.
        FinishPendingWrite(WriteDoneCount);
        ProcessError(9702, ECANCELED, 0, "Error getting Overlapped Result");
        Deliver(&TSerialPortNG::OnWriteDone);
        return;
    }
    size_t offset = 0;
    const int error = WriteWhatFits(WriteRest.data(), WriteRest.size(), offset, ECANCELED);
    if (offset > 0) {
        TxArmed = true;
        WriteDoneCount += static_cast<uint32_t>(offset);
        WriteRest.erase(0, offset);
    }
    if (error != 0) {
        NoteDeviceError(error);
        FinishPendingWrite(WriteDoneCount);
        ProcessError(9702, static_cast<uint32_t>(error), 0, "Error getting Overlapped Result");
        Deliver(&TSerialPortNG::OnWriteDone);
        return;
    }
    if (WriteRest.empty()) {
        FinishPendingWrite(WriteDoneCount);
        Deliver(&TSerialPortNG::OnWriteDone);
        return;
    }
    if (GetTickCount() >= WriteDeadline) {
        // Ended short: what the device has not taken by now is dropped.
        const uint32_t written = WriteDoneCount;
        const uint32_t wanted = BytesToWrite;
        FinishPendingWrite(written);
        if (written < wanted)
            ProcessError(9701, ETIMEDOUT, 0, "Error write TimeOut");
        Deliver(&TSerialPortNG::OnWriteDone);
    }
}

void TSerialPortNG::DispatchLineEvents()
{
    const uint32_t events = PendingEvents;
    PendingEvents = 0;
    if (events == 0 || Shared->Destroying)
        return;
    FCommEvent = events;
    const std::shared_ptr<TShared> shared = Shared;
    DeliverFromWorker([this, events, &shared] {
        struct TEntry {
            uint32_t Bit;
            TSerialNotifyEvent TSerialPortNG::*Handler;
        };
        static constexpr TEntry order[] = {
            {evBreak, &TSerialPortNG::OnBreakEvent},     {evCTS, &TSerialPortNG::OnCTSEvent},
            {evDSR, &TSerialPortNG::OnDSREvent},         {evErr, &TSerialPortNG::OnLineErrorEvent},
            {evRing, &TSerialPortNG::OnRingEvent},       {evRLSD, &TSerialPortNG::OnRLSDEvent},
            {evRxChar, &TSerialPortNG::OnRxCharEvent},   {evRxFlag, &TSerialPortNG::OnRxEventCharEvent},
            {evTxEmpty, &TSerialPortNG::OnTxQueueEmptyEvent},
        };
        for (const TEntry& entry : order) {
            if (!(events & entry.Bit))
                continue;
            const TSerialNotifyEvent handler = this->*entry.Handler;
            if (handler)
                handler(this);
            if (shared->Destroying)
                return;  // a handler freed or is freeing the port
        }
        const TSerialNotifyEvent handler = OnCommEvent;
        if (handler)
            handler(this);
    });
}

}  // namespace dedezuviv::device
