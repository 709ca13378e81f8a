#include "app/core/DeviceSearch.h"

#include "base/Clock.h"
#include "base/Log.h"
#include "base/MainThread.h"
#include "base/TextEncoding.h"
#include "device/CommPortList.h"
#include "device/PortInUse.h"
#include "device/SerialPort.h"
#include "model/DataSource.h"
#include "model/UiInterfaces.h"

#include <chrono>
#include <memory>
#include <thread>

int DeviceSearchListeningTimeMs = DefaultDeviceSearchListeningTimeMs;

namespace {

constexpr uint16_t SearchClusterSize = 50;
constexpr uint32_t SearchBaudRate = 9600;

// Listens on one port; true when a controller record arrived. Header and frame kind are then those
// of the decoder after the last record.
bool ListenOnPort(const std::string& name, TRecordHeader& header, uint8_t& frameKind)
{
    auto source = std::make_unique<TDataSource>();
    // A controller found while searching is not the project's: nothing of it goes into the day files.
    source->MayRecordToFile = false;
    source->SetClusterSize(SearchClusterSize);
    // Linux port names are case-sensitive: the name is used as the list gives it.
    source->SetPortName(name);
    source->SetBaudRate(SearchBaudRate);
    frameKind = 0;
    source->Start();
    if (!source->IsActive())
        return false;

    const uint64_t start = GetTickCount();
    const auto elapsed = [start] { return static_cast<int64_t>(GetTickCount() - start); };
    while (elapsed() < DeviceSearchListeningTimeMs && source->RecordCount == 0) {
        TSerialPortNG* port = source->Port();
        if (port != nullptr && port->FirstClusterSize() > 0) {
            const std::string data = port->TakeFirstCluster();
            for (const std::string& line : ReceivedTextLines(data))
                LogMessage(line);
            source->Decoder()->ProcessData(data);
        }
        // The window stays responsive, and the data source's own receive handler may feed the decoder.
        ProcessMessages();
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }

    const bool found = source->RecordCount > 0;
    if (found)
        source->Decoder()->GetHeader(frameKind, header);
    source->Stop();
    return found;
}

}  // namespace

std::vector<std::string> ReceivedTextLines(const std::string& data)
{
    std::vector<std::string> lines;
    std::string line;
    const auto flush = [&] {
        if (!line.empty())
            lines.push_back(DecodeText8(line));
        line.clear();
    };
    for (const char c : data) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte == '\r' || byte == '\n')
            flush();
        else if (byte < 0x20 || byte == 0x7F)
            line += '?';
        else
            line += c;
    }
    flush();
    return lines;
}

void SearchDevice(std::string& PortName, TRecordHeader& Header, uint8_t& FrameKind, bool Interactive)
{
    PortName.clear();
    Header = TRecordHeader{};
    FrameKind = 0;
    std::vector<std::string> names;
    GetSerialPortNames(names);

    for (const std::string& name : names) {
        if (PortInUseByOtherProcess(name)) {
            LogMessage("Schnittstelle " + name + " wird von einem anderen Programm benutzt und übersprungen.");
            continue;
        }
        LogMessage("Starte automatische Erkennung für Schnittstelle " + name + " ...");
        TRecordHeader header;
        uint8_t frameKind = 0;
        if (!ListenOnPort(name, header, frameKind))
            continue;
        if (frameKind == 0)
            continue;
        Header = header;
        FrameKind = frameKind;
        const std::string text = "Gerät an Schnittstelle " + name + " gefunden (ID " + std::to_string(header.ID) +
                                 " und Programm " + std::to_string(header.Program) + ").";
        LogMessage(text);
        if (!Interactive) {
            PortName = name;
            break;
        }
        if (AskUser(text + "\n\r" + "Schnittstelle übernehmen (bei nein wird weitergesucht)?") ==
            TDialogAnswer::Yes) {
            PortName = name;
            break;
        }
    }

    if (PortName.empty())
        LogMessage("Es wurde kein Gerät erkannt!");
}

std::string SearchDevicePortNonInteractive()
{
    std::string portName;
    TRecordHeader header;
    uint8_t frameKind = 0;
    SearchDevice(portName, header, frameKind, false);
    return portName;
}
