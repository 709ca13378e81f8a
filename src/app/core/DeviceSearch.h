// The device search: listens on every serial port of the machine in turn for a valid controller record
// and takes the first port on which one arrives (after asking the user, when the search is interactive).
#pragma once

#include "protocol/RecordDecoder.h"
#include "app/core/Namespace.h"

#include <cstdint>
#include <string>
#include <vector>

namespace dedezuviv::app {

// How long the search listens on one port, in milliseconds. A controller that sends a record only every
// 10 seconds may be missed. Tests shorten it.
constexpr int DefaultDeviceSearchListeningTimeMs = 6000;
extern int DeviceSearchListeningTimeMs;

// Tries the ports of GetSerialPortNames one after the other, each with a port of its own at 9600 baud
// and a bare decoder. Results: the chosen port name (empty when none was found or accepted), the
// header of the record that identified the controller and the decoder's frame kind (0 when none).
// Interactive asks for every port found whether to take it; otherwise the first port with a record is
// taken.
// Runs on the main thread and lets pending messages run while it listens.
void SearchDevice(std::string& PortName, TRecordHeader& Header, uint8_t& FrameKind, bool Interactive);

// The search without questions, for the start-up option /PORT=AUTO: the port found, or empty.
std::string SearchDevicePortNonInteractive();

// A received block as log lines: split at CR and LF (empty pieces dropped), control characters
// replaced by "?", 8-bit text that is not UTF-8 read as Windows-1252.
std::vector<std::string> ReceivedTextLines(const std::string& data);

}  // namespace dedezuviv::app
