#include "device/PortInUse.h"

#include "device/SerialPort.h"
#include "device/Namespace.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <fstream>
#include <sys/file.h>
#include <unistd.h>

namespace dedezuviv::device {

namespace fs = std::filesystem;

namespace {

// The process id of a UUCP lock file: ten ASCII digits by convention, or a binary int of old tools.
pid_t LockOwner(const fs::path& lockFile)
{
    std::ifstream in(lockFile, std::ios::binary);
    if (!in)
        return 0;
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (text.size() == sizeof(int)) {
        int binary = 0;
        std::copy(text.begin(), text.end(), reinterpret_cast<char*>(&binary));
        return binary;
    }
    long pid = 0;
    bool digits = false;
    for (const char c : text) {
        if (c >= '0' && c <= '9') {
            pid = pid * 10 + (c - '0');
            digits = true;
            if (pid > 1 << 22)
                return 0;
        } else if (digits) {
            break;
        }
    }
    return static_cast<pid_t>(pid);
}

bool ProcessAlive(pid_t pid) { return pid > 0 && (kill(pid, 0) == 0 || errno == EPERM); }

bool LockedByUucpFile(const std::string& deviceName, const TPortLockDirs& dirs)
{
    for (const fs::path& dir : {dirs.Primary, dirs.Legacy}) {
        const pid_t owner = LockOwner(dir / ("LCK.." + deviceName));
        if (owner != getpid() && ProcessAlive(owner))
            return true;
    }
    return false;
}

}  // namespace

bool PortInUseByOtherProcess(const std::string& portName, const TPortLockDirs& dirs)
{
    const std::string path = DevicePathForPort(portName);
    std::error_code error;
    // Lock files name the kernel device ("ttyUSB0"), also when the port is given by a stable link.
    const fs::path device = fs::weakly_canonical(path, error);
    if (LockedByUucpFile((error ? fs::path(path) : device).filename().string(), dirs))
        return true;

    const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return errno == EBUSY;  // TIOCEXCL of another process
    const bool locked = flock(fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK;
    ::close(fd);
    return locked;
}

}  // namespace dedezuviv::device
