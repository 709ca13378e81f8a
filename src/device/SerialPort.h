// TSerialPortNG: the serial line. Opens one device, applies the line settings, receives bytes in a
// worker thread and hands them to the main thread in blocks (clusters), finishes writes in the worker
// within a timeout derived from the baud rate, drives the RTS, DTR and BREAK lines and reports every
// problem through one error event with a place number, a system error code, a fixed English text and
// a noise level (0 error, 1 warning, 2 message).
//
// Linux: the device is a terminal opened with open(O_NONBLOCK) and made exclusive (TIOCEXCL, flock);
// the worker waits with poll() for at most 75 ms at a time. Events and errors reach the main thread
// through the main-thread dispatcher (base/MainThread.h); the worker waits until the handler returned.
#pragma once

#include "device/Namespace.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <shared_mutex>
#include <string>
#include <thread>

namespace dedezuviv::device {

// The device path for a port name: a path with "/" stays as given, a Windows name COMn (any case) is
// /dev/ttyS<n-1>, any other bare name gets "/dev/" in front. Only the first 79 characters count.
std::string DevicePathForPort(const std::string& commPort);

// One block of received bytes.
struct TSerialCluster {
    std::string Data;
    uint32_t Size = 0;
    uint32_t CommError = 0; // line error flags seen when it was read
};

class TSerialPortNG;
using TSerialNotifyEvent = std::function<void(TSerialPortNG* Sender)>;
using TNotifyErrorEvent =
    std::function<void(TSerialPortNG* Sender, uint32_t Place, uint32_t Code, const std::string& Msg, uint8_t Noise)>;

// FlowControl bits (the layout of the Windows line-settings flags).
enum : uint32_t {
    fcOutxCtsFlow = 0x4,
    fcOutxDsrFlow = 0x8,
    fcDtrControlEnable = 0x10,
    fcDtrControlHandshake = 0x20,
    fcDsrSensitivity = 0x40,
    fcTXContinueOnXoff = 0x80,
    fcOutX = 0x100,
    fcInX = 0x200,
    fcRtsControlEnable = 0x1000,
    fcRtsControlHandshake = 0x2000,
    fcRtsControlToggle = 0x3000,
    fcAbortOnError = 0x4000,
};

// Line event bits (CommEvent).
enum : uint32_t {
    evRxChar = 0x1,
    evRxFlag = 0x2,
    evTxEmpty = 0x4,
    evCTS = 0x8,
    evDSR = 0x10,
    evRLSD = 0x20,
    evBreak = 0x40,
    evErr = 0x80,
    evRing = 0x100,
};

// Modem status bits (ModemState) and line error flags (CommError).
enum : uint32_t { msCTSOn = 0x10, msDSROn = 0x20, msRingOn = 0x40, msRLSDOn = 0x80 };
enum : uint32_t { ceRxOver = 0x1, ceOverrun = 0x2, ceRxParity = 0x4, ceFrame = 0x8, ceBreak = 0x10 };

class TSerialPortNG {
public:
    TSerialPortNG();
    virtual ~TSerialPortNG();
    TSerialPortNG(const TSerialPortNG&) = delete;
    TSerialPortNG& operator=(const TSerialPortNG&) = delete;

    // The character time (µs) for a baud rate, from the table used while XTOAuto is on.
    static uint32_t CharDelayTimeFor(uint32_t baudRate);

    // ---- settings (main thread) ----
    const std::string& CommPort() const { return FCommPort; }
    void SetCommPort(const std::string& value);
    uint32_t BaudRate() const { return FBaudRate; }
    void SetBaudRate(uint32_t value);
    uint8_t ParityType() const { return FParityType; }
    void SetParityType(uint8_t value);
    char ParityErrorChar() const { return FParityErrorChar; }
    void SetParityErrorChar(char value);
    bool ParityErrorReplacement() const { return FParityErrorReplacement; }
    void SetParityErrorReplacement(bool value);
    uint8_t StopBits() const { return FStopBits; }
    void SetStopBits(uint8_t value);
    uint8_t DataBits() const { return FDataBits; }
    void SetDataBits(uint8_t value);
    char XONChar() const { return FXONChar; }
    void SetXONChar(char value);
    char XOFFChar() const { return FXOFFChar; }
    void SetXOFFChar(char value);
    uint8_t XONLimDiv() const { return FXONLimDiv; }
    void SetXONLimDiv(uint8_t value);
    uint8_t XOFFLimDiv() const { return FXOFFLimDiv; }
    void SetXOFFLimDiv(uint8_t value);
    uint32_t FlowControl() const { return FFlowControl; }
    void SetFlowControl(uint32_t value);
    bool StripNullChars() const { return FStripNullChars; }
    void SetStripNullChars(bool value);
    char EventChar() const { return FEventChar; }
    void SetEventChar(char value);
    uint32_t RTOCharDelayTime() const { return FRTOCharDelayTime; }
    void SetRTOCharDelayTime(uint32_t value);
    uint16_t RTOExtraDelayTime() const { return FRTOExtraDelayTime; }
    void SetRTOExtraDelayTime(uint16_t value);
    uint32_t WTOCharDelayTime() const { return FWTOCharDelayTime; }
    void SetWTOCharDelayTime(uint32_t value);
    uint16_t WTOExtraDelayTime() const { return FWTOExtraDelayTime; }
    void SetWTOExtraDelayTime(uint16_t value);
    bool XTOAuto() const { return FXTOAuto; }
    void SetXTOAuto(bool value);
    uint16_t ClusterSize() const { return FClusterSize; }
    void SetClusterSize(uint16_t value);
    // Linux keeps fixed driver queues: the sizes are stored (and scale the XON/XOFF limits) only.
    uint16_t RxQueueSize() const { return FRxQueueSize; }
    void SetRxQueueSize(uint16_t value);
    uint16_t TxQueueSize() const { return FTxQueueSize; }
    void SetTxQueueSize(uint16_t value);
    uint8_t ErrorNoise() const { return FErrorNoise; }
    void SetErrorNoise(uint8_t value);
    bool ReadRequest() const { return FReadRequest; }
    void SetReadRequest(bool value);
    bool ThreadQuietMode() const { return FThreadQuietMode; }
    void SetThreadQuietMode(bool value) { FThreadQuietMode = value; }

    bool Active() const { return FActive; }
    // The device went away while the port was active (hang-up: a USB adapter pulled); its descriptor
    // has been released. The port stays active until closed; opening it again finds the device when
    // it is back. Cleared by a successful open.
    bool LineLost() const { return FLineLost; }
    void SetActive(bool value);

    // Output lines: act only while open (then also when unchanged).
    bool RTSState() const { return FRTSState; }
    void SetRTSState(bool value);
    bool DTRState() const { return FDTRState; }
    void SetDTRState(bool value);
    bool BREAKState() const { return FBREAKState; }
    void SetBREAKState(bool value);

    // ---- status from the worker's last poll (read-only) ----
    uint32_t ModemState() const { return FModemState; }
    bool CTSState() const { return (FModemState & msCTSOn) != 0; }
    bool DSRState() const { return (FModemState & msDSROn) != 0; }
    bool RingState() const { return (FModemState & msRingOn) != 0; }
    bool RLSDState() const { return (FModemState & msRLSDOn) != 0; }
    uint32_t CommError() const { return FCommError; }
    uint32_t CommStateFlags() const { return FCommStateFlags; }
    uint32_t CommStateInQueue() const { return FCommStateInQueue; }
    uint32_t CommStateOutQueue() const { return FCommStateOutQueue; }
    uint32_t CommEvent() const { return FCommEvent; }
    bool SendInProgress() const { return FSendInProgress; }
    uint32_t WrittenBytes() const { return FWrittenBytes; }
    // The file descriptor of the open device, -1 while closed.
    int ComHandle() const;

    // ---- sending (main thread) ----
    void SendData(const void* buffer, uint32_t size);
    void SendText(const std::string& text);

    // ---- receiving (main thread) ----
    int FirstClusterSize();
    std::string TakeFirstCluster();

    // ---- events ----
    TSerialNotifyEvent OnRxClusterEvent;
    TNotifyErrorEvent OnProcessError;
    TSerialNotifyEvent OnCommEvent;
    TSerialNotifyEvent OnCommStat;
    TSerialNotifyEvent OnTxQueueEmptyEvent;
    TSerialNotifyEvent OnWriteDone;
    TSerialNotifyEvent OnBreakEvent;
    TSerialNotifyEvent OnCTSEvent;
    TSerialNotifyEvent OnDSREvent;
    TSerialNotifyEvent OnLineErrorEvent;
    TSerialNotifyEvent OnRingEvent;
    TSerialNotifyEvent OnRIEvent;
    TSerialNotifyEvent OnRLSDEvent;
    TSerialNotifyEvent OnRxCharEvent;
    TSerialNotifyEvent OnRxEventCharEvent;

    // ---- diagnostics ----
    bool WorkerRunning() const { return FWorkerRunning; }
    bool Destroying() const;
    // CPU time the worker thread has used so far, in nanoseconds.
    uint64_t WorkerCpuTimeNs() const;
    // Passes of the worker loop so far (each pass waits at least once unless there is work).
    uint64_t WorkerPasses() const { return FWorkerPasses; }

protected:
    // Reports a problem (see the class comment); filtered by ErrorNoise, silent while destroying.
    void ProcessError(uint32_t place, uint32_t code, uint8_t noise, const std::string& msg);
    // Lists a cluster of the given bytes and delivers OnRxClusterEvent (nothing while destroying).
    void MakeCluster(const char* data, uint32_t size, uint32_t commError);

private:
    struct TShared;       // flags that outlive the port for a worker still inside a delivery
    struct TPortAbandoned {};

    void Open();
    void Close();
    void ApplySettings();
    void RecomputeCharDelays();
    void ApplyIfOpen();
    void Wake();
    void WaitForWake(int timeoutMs);
    bool WaitWhileWorkerRunning(int totalMs);
    bool OnWorkerThread() const;
    bool MayPumpMessages() const;

    // Runs fn with the device descriptor under the device lock (shared); EBADF while closed.
    template <class F> int WithDevice(F&& fn);
    // Closes the descriptor (ending exclusive use) under the device lock; 0 or the error of close.
    int ReleaseDevice();
    // Switches RTS or DTR (modemBit) or, with modemBit 0, the break state; a failure is reported at
    // setPlace when setting and setPlace + 1 when clearing.
    void SwitchLine(bool value, int modemBit, uint32_t setPlace, const char* failure, bool& state);
    // Writes what the device takes now without waiting, from bytes[done] on; done counts up. Returns
    // 0, errorWhenClosed when the port is closed, or the error that ended the write.
    int WriteWhatFits(const char* bytes, size_t size, size_t& done, int errorWhenClosed);

    // Worker side.
    static void WorkerEntry(TSerialPortNG* self, std::shared_ptr<TShared> shared);
    void Execute();
    void ResetWorkerState();
    void PollStatus();
    int ReadLineStatus(uint32_t& inQueue, uint32_t& outQueue, uint32_t& errors, uint32_t& events);
    void ReadRule();
    void WaitForLine();
    void CheckPendingWrite();
    void FinishPendingWrite(uint32_t written);
    void DispatchLineEvents();
    void NoteDeviceError(int error);
    void DeliverFromWorker(const std::function<void()>& call);
    void Deliver(const TSerialNotifyEvent TSerialPortNG::*handler);

    // Settings (main thread only unless atomic: the worker reads the atomic ones).
    std::string FCommPort = "COM1";
    uint32_t FBaudRate = 9600;
    uint8_t FParityType = 0;
    char FParityErrorChar = 0;
    bool FParityErrorReplacement = false;
    uint8_t FStopBits = 0;
    uint8_t FDataBits = 8;
    char FXONChar = 17;
    char FXOFFChar = 19;
    uint8_t FXONLimDiv = 33;
    uint8_t FXOFFLimDiv = 33;
    uint32_t FFlowControl = 0;
    std::atomic<bool> FStripNullChars{false};
    std::atomic<char> FEventChar{0};
    std::atomic<uint32_t> FRTOCharDelayTime{1100};
    std::atomic<uint16_t> FRTOExtraDelayTime{250};
    uint32_t FWTOCharDelayTime = 1100;
    uint16_t FWTOExtraDelayTime = 250;
    bool FXTOAuto = true;
    std::atomic<uint16_t> FClusterSize{3072};
    uint16_t FRxQueueSize = 4096;
    uint16_t FTxQueueSize = 4096;
    std::atomic<uint8_t> FErrorNoise{255};
    std::atomic<bool> FReadRequest{false};
    std::atomic<bool> FActive{false};
    bool FRTSState = true;
    bool FDTRState = true;
    bool FBREAKState = false;
    std::atomic<bool> FThreadQuietMode{false};
    std::atomic<bool> FLineLost{false};

    // Status written by the worker.
    std::atomic<uint32_t> FModemState{0};
    std::atomic<uint32_t> FCommError{0};
    std::atomic<uint32_t> FCommStateFlags{0};
    std::atomic<uint32_t> FCommStateInQueue{0};
    std::atomic<uint32_t> FCommStateOutQueue{0};
    std::atomic<uint32_t> FCommEvent{0};
    std::atomic<uint32_t> FWrittenBytes{0};

    // The device. Fd changes only under the exclusive lock; every use holds the shared lock.
    mutable std::shared_mutex DeviceLock;
    int Fd = -1;
    int WakeFd = -1;                      // eventfd that cuts the worker's waits short
    std::atomic<uint32_t> OpenGeneration{0};

    // The pending write: filled by SendData before SendInProgress is set, then the worker's alone.
    std::atomic<bool> FSendInProgress{false};
    std::string WriteRest;                // bytes not yet written
    uint32_t BytesToWrite = 0;
    uint32_t WriteDoneCount = 0;
    uint64_t WriteDeadline = 0;           // GetTickCount() at which the write is ended short
    std::atomic<bool> TxArmed{false};     // bytes were written; the next empty send queue is an event

    // Received clusters.
    std::mutex ClusterLock;
    std::deque<std::unique_ptr<TSerialCluster>> Clusters;

    // The worker.
    std::shared_ptr<TShared> Shared;
    std::atomic<bool> FWorkerRunning{false};
    std::atomic<bool> Terminated{false};
    std::atomic<bool> WorkerExited{false};
    std::atomic<uint64_t> FWorkerPasses{0};
    std::atomic<uint64_t> FinalCpuNs{0};
    std::thread Worker;
    std::mutex IdleLock;
    std::condition_variable IdleChanged;

    // Worker-only state.
    uint32_t SeenGeneration = 0;
    uint64_t LastQuietTime = 0;
    bool HungUp = false;
    bool ModemLinesSupported = true;
    bool CountersSupported = true;
    bool HaveCounters = false;
    uint32_t LastCounters[6] = {};
    uint32_t PendingEvents = 0;
    uint32_t ErrorsSinceRead = 0;
    uint32_t RxCompareQueue = 0;
    struct {
        uint32_t Place = 0;
        uint32_t Code = 0;
        std::string Msg;
        uint8_t Noise = 0;
    } PendingError;
};

}  // namespace dedezuviv::device
