#include "device/CommPortList.h"
#include "device/Namespace.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <fcntl.h>
#include <fstream>
#include <linux/serial.h>
#include <mutex>
#include <sys/ioctl.h>
#include <unistd.h>

namespace dedezuviv::device {

namespace fs = std::filesystem;

namespace {

std::mutex SourceLock;
std::function<std::vector<std::string>()> SourceOverride;

bool EntryExists(const fs::path& path)
{
    std::error_code error;
    return fs::symlink_status(path, error).type() != fs::file_type::not_found && !error;
}

// The first line of a small sysfs attribute without surrounding white space; false when unreadable.
bool ReadAttribute(const fs::path& path, std::string& value)
{
    std::ifstream in(path);
    if (!in)
        return false;
    std::getline(in, value);
    if (in.bad())
        return false;
    while (!value.empty() && std::isspace(static_cast<unsigned char>(value.back())))
        value.pop_back();
    size_t start = 0;
    while (start < value.size() && std::isspace(static_cast<unsigned char>(value[start])))
        ++start;
    value.erase(0, start);
    return true;
}

bool IsLegacySerialName(const std::string& name)
{
    if (name.size() <= 4 || name.compare(0, 4, "ttyS") != 0)
        return false;
    return std::all_of(name.begin() + 4, name.end(), [](char c) { return std::isdigit(static_cast<unsigned char>(c)); });
}

// Whether a legacy ttyS entry has a UART behind it. The kernel's "type" attribute tells without
// touching the port; only when it is missing the device is asked. A device that cannot be asked for a
// reason other than "no such hardware" is kept: better one port too many than a real one hidden.
bool LegacyPortHasUart(const fs::path& sysEntry, const fs::path& devicePath)
{
    std::string type;
    if (ReadAttribute(sysEntry / "type", type))
        return type != "0";
    const int fd = open(devicePath.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return !(errno == EIO || errno == ENXIO || errno == ENODEV || errno == ENOENT);
    serial_struct info{};
    const int result = ioctl(fd, TIOCGSERIAL, &info);
    close(fd);
    if (result != 0)
        return true;
    return info.type != PORT_UNKNOWN;
}

void AppendAbsent(std::vector<std::string>& list, const std::vector<std::string>& names)
{
    for (const std::string& name : names)
        if (std::find(list.begin(), list.end(), name) == list.end())
            list.push_back(name);
}

}  // namespace

bool SerialPortNameLess(const std::string& a, const std::string& b)
{
    size_t i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        const bool digitA = std::isdigit(static_cast<unsigned char>(a[i]));
        const bool digitB = std::isdigit(static_cast<unsigned char>(b[j]));
        if (digitA && digitB) {
            size_t endA = i, endB = j;
            while (endA < a.size() && std::isdigit(static_cast<unsigned char>(a[endA])))
                ++endA;
            while (endB < b.size() && std::isdigit(static_cast<unsigned char>(b[endB])))
                ++endB;
            // Compare the runs by value: skip leading zeros, then the longer run is the larger number.
            size_t startA = i, startB = j;
            while (startA + 1 < endA && a[startA] == '0')
                ++startA;
            while (startB + 1 < endB && b[startB] == '0')
                ++startB;
            const size_t lengthA = endA - startA, lengthB = endB - startB;
            if (lengthA != lengthB)
                return lengthA < lengthB;
            const int order = a.compare(startA, lengthA, b, startB, lengthB);
            if (order != 0)
                return order < 0;
            i = endA;
            j = endB;
            continue;
        }
        if (a[i] != b[j])
            return static_cast<unsigned char>(a[i]) < static_cast<unsigned char>(b[j]);
        ++i;
        ++j;
    }
    if ((a.size() - i) != (b.size() - j))
        return (a.size() - i) < (b.size() - j);
    return a < b;  // equal by value ("ttyS01" and "ttyS1"): fall back to the plain order
}

std::vector<std::string> ScanSerialPortNames(const TSerialPortRoots& roots)
{
    std::vector<std::string> devices;
    std::error_code error;
    for (auto it = fs::directory_iterator(roots.SysClassTty, error); !error && it != fs::directory_iterator();
         it.increment(error)) {
        const fs::path entry = it->path();
        const std::string name = entry.filename().string();
        if (!EntryExists(entry / "device"))
            continue;  // virtual consoles, pseudo terminals, the console itself
        const fs::path devicePath = roots.Dev / name;
        if (!EntryExists(devicePath))
            continue;  // no device file to open (for example in a container that shares /sys only)
        if (IsLegacySerialName(name) && !LegacyPortHasUart(entry, devicePath))
            continue;
        devices.push_back(devicePath.string());
    }
    std::sort(devices.begin(), devices.end(), SerialPortNameLess);

    // The stable links, by the device they lead to; the first in name order wins when a device has
    // several.
    std::vector<std::string> links;
    error.clear();
    const fs::path byId = roots.Dev / "serial" / "by-id";
    for (auto it = fs::directory_iterator(byId, error); !error && it != fs::directory_iterator(); it.increment(error)) {
        std::error_code targetError;
        // A link whose device has gone (udev has not cleaned up yet) cannot be opened: leave it out.
        if (fs::exists(it->path(), targetError))
            links.push_back(it->path().string());
    }
    std::sort(links.begin(), links.end(), SerialPortNameLess);

    // Each device once: by its stable link when it has one (a replugged USB adapter may come back
    // as another ttyUSB number, its by-id name stays), else by its device path.
    std::vector<std::string> names;
    std::vector<bool> linkUsed(links.size(), false);
    for (const std::string& device : devices) {
        std::error_code canonicalError;
        const fs::path target = fs::weakly_canonical(device, canonicalError);
        std::string shown = device;
        for (size_t i = 0; i < links.size(); ++i) {
            std::error_code linkError;
            if (!linkUsed[i] && fs::weakly_canonical(links[i], linkError) == target && !linkError) {
                shown = links[i];
                linkUsed[i] = true;
                break;
            }
        }
        names.push_back(shown);
    }
    // Links to devices the kernel list does not show stay offered, after the others.
    for (size_t i = 0; i < links.size(); ++i) {
        std::error_code canonicalError;
        const fs::path target = fs::weakly_canonical(links[i], canonicalError);
        const bool duplicate = std::any_of(links.begin(), links.begin() + static_cast<std::ptrdiff_t>(i),
                                           [&](const std::string& earlier) {
                                               std::error_code e;
                                               return fs::weakly_canonical(earlier, e) == target;
                                           });
        if (!linkUsed[i] && !duplicate)
            names.push_back(links[i]);
    }
    return names;
}

std::string KernelPortName(const std::string& portName)
{
    std::error_code error;
    if (!fs::is_symlink(portName, error))
        return std::string();
    const fs::path target = fs::weakly_canonical(portName, error);
    if (error)
        return std::string();
    return target.string();
}

void GetSerialPortNames(std::vector<std::string>& list, const TSerialPortRoots& roots)
{
    AppendAbsent(list, ScanSerialPortNames(roots));
}

void GetSerialPortNames(std::vector<std::string>& list)
{
    std::function<std::vector<std::string>()> source;
    {
        std::lock_guard<std::mutex> guard(SourceLock);
        source = SourceOverride;
    }
    if (source) {
        AppendAbsent(list, source());
        return;
    }
    GetSerialPortNames(list, TSerialPortRoots{});
}

void SetSerialPortNamesSource(std::function<std::vector<std::string>()> source)
{
    std::lock_guard<std::mutex> guard(SourceLock);
    SourceOverride = std::move(source);
}

}  // namespace dedezuviv::device
