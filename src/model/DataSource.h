// TDataSource: ties one serial port and one record decoder to the current project. It opens and
// closes the port, feeds every received block to the decoder, shows each decoded record, writes it to
// the day file when the sampling interval and the trigger allow, and acknowledges it to the controller
// with the PC's date and time.
//
// All of it runs on the main thread: the port's worker hands its events over through the main-thread
// dispatcher and waits until the handler has returned.
#pragma once

#include "base/DateTime.h"
#include "base/MainThread.h"
#include "protocol/RecordDecoder.h"

#include <cstdint>
#include <memory>
#include <string>

class TSerialPortNG;

// Takes the lines of due records in place of the day files (the card import: it leaves out lines that
// already stand in their file and writes the others in batches per day file). It reports its own
// write failures.
class IRecordLineWriter {
public:
    virtual ~IRecordLineWriter() = default;
    virtual void WriteLine(const std::string& fileName, const std::string& line) = 0;
};

class TDataSource {
public:
    // Port settings made by the data source (all other port properties keep the port's defaults).
    static constexpr uint32_t DefaultBaudRate = 9600;
    static constexpr uint16_t DefaultClusterSize = 300;
    // Records that follow their predecessor within this time are recorded and acknowledged, not shown.
    static constexpr int64_t DisplayPauseMs = 600;
    // Port errors closer together than this belong to one burst.
    static constexpr int64_t ErrorBurstPauseMs = 500;
    // Error lines shown per burst before the notice "Skip repeated messages!".
    static constexpr uint32_t ErrorLinesPerBurst = 9;

    TDataSource();
    ~TDataSource();
    TDataSource(const TDataSource&) = delete;
    TDataSource& operator=(const TDataSource&) = delete;

    TDateTime LastErrorTime = 0;  // PC time of the previous port error report
    uint32_t ErrorCount = 0;      // error reports in the current burst

    TSerialPortNG* Port() const { return FPort.get(); }
    TOrvaProtocol* Decoder() const { return FDecoder.get(); }

    uint32_t RecordCount = 0;     // records handled since creation
    // Off for a data source that only listens (the device search): its records never reach the
    // project's day files, whatever the project's recording switch says.
    bool MayRecordToFile = true;
    TDateTime LastRecordTime = 0; // PC time at which the previous record was handled
    // Not owned. When set, due records go to it instead of being appended to their day file at once;
    // the sampling state (LastSaved, RecordStart) moves on either way.
    IRecordLineWriter* LineWriter = nullptr;

    // A new decoder and a new port with the old port's name, baud rate and cluster size (empty, 9600
    // and 300 when there was none). Each logging run thus starts with empty buffers. The port is closed.
    void RecreatePort();

    // The port name as given: a device path, a bare name under /dev or an old Windows name COMn.
    void SetPortName(const std::string& name);
    std::string GetPortName() const;  // empty without port
    void SetBaudRate(uint32_t rate);
    uint32_t GetBaudRate() const;     // 0 without port
    void SetClusterSize(uint16_t size);  // 0 is ignored
    bool IsActive() const;            // the port is open
    // The port is open but its device went away (hang-up); opening it again finds the device when
    // it is back.
    bool LineLost() const;

    // Installs the record handler; with a port name opens the port (RTS on and off again, DTR stays on).
    // Whether the port opened is read afterwards with IsActive().
    void Start();
    // Closes the port.
    void Stop();

    // Event handlers of the port and the decoder.
    void HandleReceivedData(TSerialPortNG* port);
    void HandleRecord(const std::string& line, const TDecodedRecord& record);
    void HandlePortError(TSerialPortNG* sender, uint32_t place, uint32_t code, const std::string& message,
                         uint8_t noise);

    // The acknowledgement for a PC time: "ACK ddmmyyyy hhnnss" followed by LF and CR.
    static std::string AcknowledgementText(TDateTime time);

private:
    void RecordToFile(const std::string& line, const TDecodedRecord& record);
    // The log lines of day-file writing: a failure with its reason (then at most one a minute while
    // it goes on), and one line when writing works again.
    void ReportWriteResult(const std::string& fileName, bool written, int errorCode);
    static constexpr int64_t WriteFailureReportSeconds = 60;
    bool WriteFailing = false;
    TDateTime LastWriteFailureReport = 0;

    // Shared so that a decoder stays alive for a ProcessData that is still running when the decoder
    // is replaced (RecreatePort) or the data source is freed from inside one of its handlers.
    std::shared_ptr<TOrvaProtocol> FDecoder;
    std::unique_ptr<TSerialPortNG> FPort;
    // Gone when the data source is freed; handlers check it after calls that may run other code.
    TAliveFlag Alive;
    // Set while received bytes are being fed to the decoder: a receive event delivered meanwhile
    // (a handler that lets pending events run) leaves its block in the list for the running feed.
    bool Feeding = false;
    // The record handler is on the current decoder (installed by Start, once per decoder).
    bool RecordHandlerInstalled = false;
};
