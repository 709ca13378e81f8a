// Whether another process holds a serial port, so that the device search can pass it by instead of
// listening on (and acknowledging to) a line that another program is using.
#pragma once

#include "device/Namespace.h"

#include <filesystem>
#include <string>

namespace dedezuviv::device {

// Folders of UUCP lock files ("LCK..ttyUSB0" holding the owner's process id); tests use their own.
struct TPortLockDirs {
    std::filesystem::path Primary = "/run/lock";
    std::filesystem::path Legacy = "/var/lock";
};

// True when a live process other than this one holds a UUCP lock file for the port's device, or
// has the device open for exclusive use (TIOCEXCL or flock). Opens the device briefly for the second
// check; a port that cannot be opened for other reasons counts as free (opening it will say why).
bool PortInUseByOtherProcess(const std::string& portName, const TPortLockDirs& dirs = {});

}  // namespace dedezuviv::device
