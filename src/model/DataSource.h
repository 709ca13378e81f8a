// TDataSource: one serial port and one record decoder while logging runs, made from the project's port
// settings. It opens and closes the port, feeds every received block to the decoder, shows each decoded
// record, hands it to the recorder (the day files) and acknowledges it to the controller with the PC's
// date and time. The running one is held by model/LiveLogging.h.
//
// All of it runs on the main thread: the port's worker hands its events over through the main-thread
// dispatcher and waits until the handler has returned.
#pragma once

#include "base/DateTime.h"
#include "base/MainThread.h"
#include "model/PortSettings.h"
#include "protocol/RecordDecoder.h"
#include "model/Namespace.h"

#include <cstdint>
#include <memory>
#include <string>

namespace dedezuviv::device {
class TSerialPortNG;
}  // namespace dedezuviv::device

namespace dedezuviv::model {

class TRecorder;

class TDataSource {
public:
    // The port's block size (all other port properties but name, baud rate and flow control keep the
    // port's defaults).
    static constexpr uint16_t ClusterSize = 300;
    // Records that follow their predecessor within this time are recorded and acknowledged, not shown.
    static constexpr int64_t DisplayPauseMs = 600;
    // Port errors closer together than this belong to one burst.
    static constexpr int64_t ErrorBurstPauseMs = 500;
    // Error lines shown per burst before the notice "Skip repeated messages!".
    static constexpr uint32_t ErrorLinesPerBurst = 9;

    // A new decoder and a closed port with the settings; records go to the recorder (not owned, it
    // outlives the data source).
    TDataSource(const TPortSettings& settings, TRecorder& recorder);
    ~TDataSource();
    TDataSource(const TDataSource&) = delete;
    TDataSource& operator=(const TDataSource&) = delete;

    TDateTime LastErrorTime = 0;  // PC time of the previous port error report
    uint32_t ErrorCount = 0;      // error reports in the current burst
    uint64_t ErrorTotal = 0;      // error reports since creation (a failed acknowledgement among them)

    TSerialPortNG* Port() const { return FPort.get(); }
    TOrvaProtocol* Decoder() const { return FDecoder.get(); }

    uint32_t RecordCount = 0;     // records handled since creation
    uint32_t WriteErrorCount = 0; // writes to the port that failed (acknowledgements not sent)
    TDateTime LastRecordTime = 0; // PC time at which the previous record was handled

    std::string GetPortName() const;
    uint32_t GetBaudRate() const;
    bool IsActive() const;            // the port is open
    // The port is open but its device went away (hang-up); opening it again finds the device when
    // it is back.
    bool LineLost() const;

    // With a port name opens the port (RTS on and off again, DTR stays on). Whether the port opened is
    // read afterwards with IsActive().
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
    TRecorder& Recorder;
    // Shared so that the decoder stays alive for a ProcessData that is still running when the data
    // source is freed from inside one of its handlers.
    std::shared_ptr<TOrvaProtocol> FDecoder;
    std::unique_ptr<TSerialPortNG> FPort;
    // Gone when the data source is freed; handlers check it after calls that may run other code.
    TAliveFlag Alive;
    // Set while received bytes are being fed to the decoder: a receive event delivered meanwhile
    // (a handler that lets pending events run) leaves its block in the list for the running feed.
    bool Feeding = false;
};

}  // namespace dedezuviv::model
