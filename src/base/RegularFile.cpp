#include "base/RegularFile.h"
#include "base/Namespace.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace dedezuviv::base {

int OpenRegularFile(const std::string& path, int flags, int& errorCode, int mode)
{
    errorCode = 0;
    struct stat info {};
    if (::stat(path.c_str(), &info) == 0 && !S_ISREG(info.st_mode)) {
        errorCode = S_ISDIR(info.st_mode) ? EISDIR : NotARegularFile;
        return -1;
    }
    int fd;
    do {
        // Non-blocking only while opening: a FIFO put in place after the look above must not block here.
        fd = ::open(path.c_str(), flags | O_NONBLOCK | O_CLOEXEC | O_NOCTTY, mode);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        errorCode = errno == ENXIO ? NotARegularFile : errno;  // ENXIO: a FIFO without reader
        return -1;
    }
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        errorCode = S_ISDIR(info.st_mode) ? EISDIR : NotARegularFile;
        ::close(fd);
        return -1;
    }
    if ((flags & O_NONBLOCK) == 0)
        (void)::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    return fd;
}

bool ReadRegularFile(const std::string& path, std::string& bytes, int& errorCode, size_t maxBytes)
{
    bytes.clear();
    const int fd = OpenRegularFile(path, O_RDONLY, errorCode);
    if (fd < 0)
        return false;
    struct stat info {};
    if (::fstat(fd, &info) == 0 && info.st_size > 0)
        bytes.reserve(maxBytes > 0 ? std::min(maxBytes, static_cast<size_t>(info.st_size))
                                   : static_cast<size_t>(info.st_size));
    char buffer[65536];
    for (;;) {
        size_t want = sizeof buffer;
        if (maxBytes > 0) {
            if (bytes.size() >= maxBytes)
                break;
            want = std::min(want, maxBytes - bytes.size());
        }
        const ssize_t count = ::read(fd, buffer, want);
        if (count < 0 && errno == EINTR)
            continue;
        if (count < 0) {
            errorCode = errno;
            ::close(fd);
            bytes.clear();
            return false;
        }
        if (count == 0)
            break;
        bytes.append(buffer, static_cast<size_t>(count));
    }
    ::close(fd);
    return true;
}

}  // namespace dedezuviv::base
