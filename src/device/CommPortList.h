// Names of the serial ports present on this machine, for the port settings dialog and the device search.
//
// Source: the kernel's list of terminal devices (/sys/class/tty). A terminal with a "device" link is
// backed by real hardware (USB adapters, on-board UARTs, modems); virtual consoles and pseudo terminals
// have none. Legacy ttyS entries the kernel creates for every possible 8250 port are left out when no
// UART answers there (type 0). Each device is listed once: by its stable link in /dev/serial/by-id/
// when it has one (it keeps its name when a USB adapter is plugged in again, the ttyUSB number may
// not), else by its device path such as "/dev/ttyS0".
#pragma once

#include "device/Namespace.h"

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace dedezuviv::device {

// Where the two trees are looked up; tests point them at a fake tree.
struct TSerialPortRoots {
    std::filesystem::path SysClassTty = "/sys/class/tty";
    std::filesystem::path Dev = "/dev";
};

// Appends the machine's serial port names that the list does not hold yet (exact comparison), in a
// stable order: the devices sorted by their kernel name (digit runs compared as numbers, so ttyS2
// comes before ttyS10), each shown by its stable name; then by-id links to devices the kernel list
// does not show. The list is neither cleared nor sorted; names that
// are no longer present stay in it. Reads only, opens no port (except for the rare ttyS entry that
// has no "type" file, which is asked once with TIOCGSERIAL). Nothing is reported on failure.
void GetSerialPortNames(std::vector<std::string>& list, const TSerialPortRoots& roots);
// The same for the real system trees, or for the source installed with SetSerialPortNamesSource.
void GetSerialPortNames(std::vector<std::string>& list);

// The names found in the given trees, in the order described above.
std::vector<std::string> ScanSerialPortNames(const TSerialPortRoots& roots);

// Replaces the source of GetSerialPortNames(list) for the whole process (an empty function restores
// the system trees). Lets tests of the device search offer ports of their own, such as pty links.
void SetSerialPortNamesSource(std::function<std::vector<std::string>()> source);

// The device a stable link leads to ("/dev/ttyUSB0" for a by-id link), for showing beside it; empty
// when the name is no link or leads nowhere.
std::string KernelPortName(const std::string& portName);

// Orders names with digit runs compared by value ("ttyS2" < "ttyS10"); ties by plain comparison.
bool SerialPortNameLess(const std::string& a, const std::string& b);

}  // namespace dedezuviv::device
