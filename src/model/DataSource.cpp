#include "model/DataSource.h"

#include "base/AppGlobals.h"
#include "base/Clock.h"
#include "base/ErrorText.h"
#include "base/Log.h"
#include "device/SerialPort.h"
#include "model/DayFiles.h"
#include "model/Fields.h"
#include "model/LiveState.h"
#include "model/Project.h"
#include "model/RecordPublisher.h"
#include "model/UiInterfaces.h"

#include <cstdio>
#include <limits>

TDataSource::TDataSource() { RecreatePort(); }

TDataSource::~TDataSource()
{
    // Handlers that still come in while the port shuts down (its destructor lets a worker blocked
    // in a delivery finish) must find nothing to do.
    Alive.Die();
    if (FPort) {
        FPort->OnRxClusterEvent = nullptr;
        FPort->OnProcessError = nullptr;
    }
    FDecoder.reset();
    FPort.reset();
}

void TDataSource::RecreatePort()
{
    FDecoder = std::make_shared<TOrvaProtocol>();
    RecordHandlerInstalled = false;

    std::string name;
    uint32_t rate = DefaultBaudRate;
    uint16_t clusterSize = DefaultClusterSize;
    if (FPort) {
        name = FPort->CommPort();
        rate = FPort->BaudRate();
        clusterSize = FPort->ClusterSize();
        // Taken out first, so that nothing delivered while it shuts down reaches it through FPort.
        std::unique_ptr<TSerialPortNG> old = std::move(FPort);
        old->OnRxClusterEvent = nullptr;
        old->OnProcessError = nullptr;
        old.reset();
    }

    FPort = std::make_unique<TSerialPortNG>();
    FPort->SetCommPort(name);
    FPort->SetBaudRate(rate);
    FPort->SetFlowControl(0);
    FPort->SetClusterSize(clusterSize);
    FPort->OnRxClusterEvent = [this](TSerialPortNG* sender) { HandleReceivedData(sender); };
}

void TDataSource::SetPortName(const std::string& name)
{
    if (FPort)
        FPort->SetCommPort(name);
}

std::string TDataSource::GetPortName() const { return FPort ? FPort->CommPort() : std::string(); }

void TDataSource::SetBaudRate(uint32_t rate)
{
    if (FPort)
        FPort->SetBaudRate(rate);
}

uint32_t TDataSource::GetBaudRate() const { return FPort ? FPort->BaudRate() : 0; }

void TDataSource::SetClusterSize(uint16_t size)
{
    if (FPort && size != 0)
        FPort->SetClusterSize(size);
}

bool TDataSource::IsActive() const { return FPort && FPort->Active(); }

bool TDataSource::LineLost() const { return FPort && FPort->Active() && FPort->LineLost(); }

void TDataSource::Start()
{
    // Installed once per decoder: replacing the handler of a decoder that is running it (Start from
    // inside a record handler) would free the function being executed.
    if (FDecoder && !RecordHandlerInstalled) {
        const TAliveFlag::TWatch alive = Alive.Watch();
        FDecoder->SetOnRecord([this, alive](const std::string& line, const TDecodedRecord& record) {
            if (alive.Alive())
                HandleRecord(line, record);
        });
        RecordHandlerInstalled = true;
    }
    if (!FPort || FPort->CommPort().empty())
        return;
    FPort->SetActive(false);
    if (DebugMode)
        FPort->OnProcessError = [this](TSerialPortNG* sender, uint32_t place, uint32_t code,
                                       const std::string& message, uint8_t noise) {
            HandlePortError(sender, place, code, message, noise);
        };
    // Opening switches DTR and RTS on; the controller wants RTS pulsed and then off while logging.
    FPort->SetActive(true);
    FPort->SetRTSState(true);
    FPort->SetRTSState(false);
}

void TDataSource::Stop()
{
    if (FPort)
        FPort->SetActive(false);
}

void TDataSource::HandleReceivedData(TSerialPortNG* port)
{
    // Only the own, current port feeds the decoder; a receive event that arrives while a block is
    // being decoded leaves its block in the list, and the running feed takes it next.
    if (port == nullptr || port != FPort.get() || Feeding)
        return;
    const TAliveFlag::TWatch alive = Alive.Watch();
    TScopedFlag feeding(Feeding, alive);
    // Normally one block is listed per event; blocks left by an event that came in during decoding
    // are taken here too, so the list never lags behind.
    while (port == FPort.get() && port->FirstClusterSize() >= 0) {
        const std::string data = port->TakeFirstCluster();
        if (data.empty())
            continue;
        // The decoder stays alive for this call even if a handler replaces it or frees the data source.
        const std::shared_ptr<TOrvaProtocol> decoder = FDecoder;
        if (!decoder)
            return;
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

    RecordToFile(line, record);
    if (!alive.Alive())
        return;

    LastRecordTime = Now();

    if (IsActive()) {
        const std::string ack = AcknowledgementText(LastRecordTime);
        FPort->SendText(ack);
        // The log line ends by itself: without the trailing LF CR, which would break the debug log.
        DebugInfo("Gesendet: " + ack.substr(0, ack.size() - 2));
        // Live records only: the device search's listening source does not publish.
        if (MayRecordToFile)
            PublishRecord(record);
    }
}

void TDataSource::RecordToFile(const std::string& line, const TDecodedRecord& record)
{
    TProject* project = CurrentProject();
    if (project == nullptr || !project->RecordingToFile || !MayRecordToFile)
        return;
    const TDateTime recordTime = record.Header.RT;

    bool due = project->SamplingInterval <= 0 ||
               SecondsBetween(project->LastSaved, recordTime) >= project->SamplingInterval;

    if (!project->TriggerField.empty()) {
        int fieldType = -1;
        TFieldValue value;
        GetFieldValue(project, record, project->TriggerField, fieldType, value);
        // Only a defined field with a number decides; system fields (type -1) and unknown names do not.
        if (fieldType != -1) {
            if (value.Kind == vkInteger && !(value.IntValue > 0))
                due = false;
            else if (value.Kind == vkFloat && !(value.FloatValue > 0.0))
                due = false;
        }
    }
    if (!due)
        return;

    project->LastSaved = recordTime;
    if (project->RecordStart == 0)
        project->RecordStart = recordTime;

    const std::string fileName = DataFileName(*project, recordTime);
    if (LineWriter) {
        LineWriter->WriteLine(fileName, line);
        return;
    }
    bool folderCreated = false;
    int errorCode = 0;
    const bool written = AppendLineToFile(fileName, line, folderCreated, errorCode);
    if (folderCreated) {
        const std::string folder = FileFolder(fileName);
        DebugInfo("Datenverzeichnis " + folder + (folder.back() == '/' ? "" : "/") + " neu angelegt");
    }
    ReportWriteResult(fileName, written, errorCode);
}

void TDataSource::ReportWriteResult(const std::string& fileName, bool written, int errorCode)
{
    const TDateTime now = Now();
    if (written) {
        if (WriteFailing) {
            LogMessage("Die Datei \"" + fileName + "\" wird wieder geschrieben.");
            WriteFailing = false;
        }
        return;
    }
    // A full disk fails every record: the first failure and then one line a minute, with the reason.
    if (WriteFailing && SecondsBetween(now, LastWriteFailureReport) < WriteFailureReportSeconds)
        return;
    LogMessage("Fehler beim Schreiben der Datei \"" + fileName + "\"! (" + SystemErrorText(errorCode) + ")");
    WriteFailing = true;
    LastWriteFailureReport = now;
}

void TDataSource::HandlePortError(TSerialPortNG* /*sender*/, uint32_t /*place*/, uint32_t code,
                                  const std::string& message, uint8_t /*noise*/)
{
    const TDateTime now = Now();
    if (MilliSecondsBetween(now, LastErrorTime) > ErrorBurstPauseMs)
        ErrorCount = 0;
    LastErrorTime = now;
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
