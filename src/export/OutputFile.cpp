#include "export/OutputFile.h"
#include "export/Namespace.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace dedezuviv::exports {

TBufferedFile::TBufferedFile() : Storage(new char[BufferSize]), Buffer(Storage.get()) {}

TBufferedFile::~TBufferedFile()
{
    if (Fd >= 0)
        ::close(Fd);
}

int TBufferedFile::Create(const std::string& fileName, bool newOnly)
{
    const int flags = O_WRONLY | O_CREAT | O_CLOEXEC | (newOnly ? O_EXCL : O_TRUNC);
    int fd;
    do {
        fd = ::open(fileName.c_str(), flags, 0666);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        FirstError = errno;
        return FirstError;
    }
    Fd = fd;
    FirstError = 0;
    Used = 0;
    Total = 0;
    return 0;
}

bool TBufferedFile::WriteOut(const char* data, size_t size)
{
    if (FirstError != 0)
        return false;
    if (Fd < 0) {
        FirstError = EBADF;
        return false;
    }
    const unsigned long long from = Total;
    while (size > 0) {
        const ssize_t n = ::write(Fd, data, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            FirstError = errno;
            return false;
        }
        if (n == 0) {  // nothing taken: as good as a full disk
            FirstError = ENOSPC;
            return false;
        }
        data += n;
        size -= static_cast<size_t>(n);
        Total += static_cast<unsigned long long>(n);
    }
    // The disk starts on these bytes now, while the export goes on, instead of all at once when the
    // finished file is synced. Only a hint: a pipe or a device refuses it, and that changes nothing.
    (void)::sync_file_range(Fd, static_cast<off_t>(from), static_cast<off_t>(Total - from), SYNC_FILE_RANGE_WRITE);
    return true;
}

int TBufferedFile::Flush()
{
    if (Used > 0) {
        WriteOut(Buffer, Used);
        Used = 0;
    }
    return FirstError;
}

void TBufferedFile::WriteSlow(const void* data, size_t size)
{
    Flush();
    if (size >= BufferSize) {
        WriteOut(static_cast<const char*>(data), size);
        return;
    }
    std::memcpy(Buffer, data, size);
    Used = size;
}

int TBufferedFile::Close()
{
    Flush();
    if (Fd >= 0) {
        // close() frees the descriptor even when it reports an error: never repeat it.
        if (::close(Fd) != 0 && FirstError == 0)
            FirstError = errno;
        Fd = -1;
    }
    return FirstError;
}

}  // namespace dedezuviv::exports
