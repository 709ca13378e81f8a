#include "model/DataSource.h"

#include "base/AppGlobals.h"
#include "base/Clock.h"
#include "base/Log.h"
#include "device/SerialPort.h"
#include "model/LiveState.h"
#include "model/RecordPublisher.h"
#include "model/Recorder.h"
#include "model/UiInterfaces.h"
#include "model/Namespace.h"

#include <cstdio>
#include <limits>

namespace dedezuviv::model {

namespace {

// The port's error places of a write: one still in progress, a failed write, its time-out and its
// failed completion.
bool IsWriteErrorPlace(uint32_t place) { return place == 901 || place == 903 || place == 9701 || place == 9702; }

}  // namespace

TDataSource::TDataSource(const TPortSettings& settings, TRecorder& recorder)
    : Recorder(recorder), FDecoder(std::make_shared<TOrvaProtocol>()), FPort(std::make_unique<TSerialPortNG>())
{
    FPort->SetCommPort(settings.Name);
    FPort->SetBaudRate(settings.BaudRate);
    FPort->SetFlowControl(0);
    FPort->SetClusterSize(ClusterSize);
    FPort->OnRxClusterEvent = [this](TSerialPortNG* sender) { HandleReceivedData(sender); };
    const TAliveFlag::TWatch alive = Alive.Watch();
    FDecoder->SetOnRecord([this, alive](const std::string& line, const TDecodedRecord& record) {
        if (alive.Alive())
            HandleRecord(line, record);
    });
}

TDataSource::~TDataSource()
{
    // Handlers that still come in while the port shuts down (its destructor lets a worker blocked
    // in a delivery finish) must find nothing to do.
    Alive.Die();
    FPort->OnRxClusterEvent = nullptr;
    FPort->OnProcessError = nullptr;
    FDecoder.reset();
    FPort.reset();
}

std::string TDataSource::GetPortName() const { return FPort->CommPort(); }

uint32_t TDataSource::GetBaudRate() const { return FPort->BaudRate(); }

bool TDataSource::IsActive() const { return FPort->Active(); }

bool TDataSource::LineLost() const { return FPort->Active() && FPort->LineLost(); }

void TDataSource::Start()
{
    if (FPort->CommPort().empty())
        return;
    FPort->SetActive(false);
    FPort->OnProcessError = [this](TSerialPortNG* sender, uint32_t place, uint32_t code, const std::string& message,
                                   uint8_t noise) {
        if (IsWriteErrorPlace(place))
            ++WriteErrorCount;
        if (DebugMode)
            HandlePortError(sender, place, code, message, noise);
    };
    // Opening switches DTR and RTS on; the controller wants RTS pulsed and then off while logging.
    FPort->SetActive(true);
    FPort->SetRTSState(true);
    FPort->SetRTSState(false);
}

void TDataSource::Stop() { FPort->SetActive(false); }

void TDataSource::HandleReceivedData(TSerialPortNG* port)
{
    // Only the own port feeds the decoder; a receive event that arrives while a block is being decoded
    // leaves its block in the list, and the running feed takes it next.
    if (port == nullptr || port != FPort.get() || Feeding)
        return;
    const TAliveFlag::TWatch alive = Alive.Watch();
    TScopedFlag feeding(Feeding, alive);
    // The decoder stays alive for this call even if a handler frees the data source.
    const std::shared_ptr<TOrvaProtocol> decoder = FDecoder;
    // Normally one block is listed per event; blocks left by an event that came in during decoding
    // are taken here too, so the list never lags behind.
    while (port->FirstClusterSize() >= 0) {
        const std::string data = port->TakeFirstCluster();
        if (data.empty())
            continue;
        decoder->ProcessData(data);
        if (!alive.Alive())
            return;
    }
}

void TDataSource::HandleRecord(const std::string& line, const TDecodedRecord& record)
{
    const TAliveFlag::TWatch alive = Alive.Watch();
    ++RecordCount;

    // Display: a burst of records is recorded and acknowledged without a redraw per record.
    if (IsActive() && MilliSecondsBetween(Now(), LastRecordTime) > DisplayPauseMs) {
        ShowRecord(record);
        if (!alive.Alive())
            return;
        AddTerminalLine(line);
        if (!alive.Alive())
            return;
    }

    Recorder.Record(CurrentProject(), line, record);
    if (!alive.Alive())
        return;

    LastRecordTime = Now();

    if (IsActive()) {
        const std::string ack = AcknowledgementText(LastRecordTime);
        FPort->SendText(ack);
        // The log line ends by itself: without the trailing LF CR, which would break the debug log.
        DebugInfo("Gesendet: " + ack.substr(0, ack.size() - 2));
        PublishRecord(record);
    }
}

void TDataSource::HandlePortError(TSerialPortNG* /*sender*/, uint32_t /*place*/, uint32_t code,
                                  const std::string& message, uint8_t /*noise*/)
{
    const TDateTime now = Now();
    if (MilliSecondsBetween(now, LastErrorTime) > ErrorBurstPauseMs)
        ErrorCount = 0;
    LastErrorTime = now;
    ++ErrorTotal;
    // Saturates: an endless burst must not wrap around and start showing lines again.
    if (ErrorCount < std::numeric_limits<uint32_t>::max())
        ++ErrorCount;
    if (ErrorCount <= ErrorLinesPerBurst)
        DebugInfo(message + " Code=" + std::to_string(code));
    else if (ErrorCount == ErrorLinesPerBurst + 1)
        DebugInfo("Skip repeated messages!");
}

std::string TDataSource::AcknowledgementText(TDateTime time)
{
    const TDateTimeParts parts = DecodeDateTime(time);
    char text[64];
    std::snprintf(text, sizeof text, "ACK %.2d%.2d%.4d %.2d%.2d%.2d\n\r", parts.Day, parts.Month, parts.Year,
                  parts.Hour, parts.Minute, parts.Second);
    return text;
}

}  // namespace dedezuviv::model
