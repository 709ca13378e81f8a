#include "app/core/DeviceSearch.h"

#include "base/Clock.h"
#include "base/Log.h"
#include "base/MainThread.h"
#include "base/TextEncoding.h"
#include "device/CommPortList.h"
#include "device/PortInUse.h"
#include "device/SerialPort.h"
#include "model/UiInterfaces.h"
#include "app/core/Namespace.h"

#include <chrono>
#include <memory>
#include <thread>

namespace dedezuviv::app {

int DeviceSearchListeningTimeMs = DefaultDeviceSearchListeningTimeMs;

namespace {

constexpr uint16_t SearchClusterSize = 50;
constexpr uint32_t SearchBaudRate = 9600;

// Listens on one port; true when a controller record arrived. Header and frame kind are then those
// of the decoder after the last record. A bare port and decoder: a controller found while searching is
// not the project's, so nothing of it is recorded, shown as a record or acknowledged.
bool ListenOnPort(const std::string& name, TRecordHeader& header, uint8_t& frameKind)
{
    TSerialPortNG port;
    port.SetClusterSize(SearchClusterSize);
    // Linux port names are case-sensitive: the name is used as the list gives it.
    port.SetCommPort(name);
    port.SetBaudRate(SearchBaudRate);
    port.SetFlowControl(0);
    TOrvaProtocol decoder;
    uint32_t records = 0;
    decoder.SetOnRecord([&records](const std::string&, const TDecodedRecord&) { ++records; });
    frameKind = 0;
    // The line sequence of a logging start: RTS pulsed and then off, DTR on.
    port.SetActive(true);
    port.SetRTSState(true);
    port.SetRTSState(false);
    if (!port.Active())
        return false;

    const uint64_t start = GetTickCount();
    const auto elapsed = [start] { return static_cast<int64_t>(GetTickCount() - start); };
    while (elapsed() < DeviceSearchListeningTimeMs && records == 0) {
        if (port.FirstClusterSize() > 0) {
            const std::string data = port.TakeFirstCluster();
            for (const std::string& line : ReceivedTextLines(data))
                LogMessage(line);
            decoder.ProcessData(data);
        }
        // The window stays responsive.
        ProcessMessages();
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }

    const bool found = records > 0;
    if (found)
        decoder.GetHeader(frameKind, header);
    port.SetActive(false);
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

}  // namespace dedezuviv::app
