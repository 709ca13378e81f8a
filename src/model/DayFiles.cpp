#include "model/DayFiles.h"

#include "base/RegularFile.h"

#include "model/Project.h"
#include "model/Namespace.h"

#include <cerrno>
#include <fcntl.h>
#include <filesystem>
#include <string>
#include <string_view>
#include <sys/file.h>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace dedezuviv::model {

std::string TwoDigits(int n)
{
    if (n >= 0 && n < 10)
        return std::string{'0', static_cast<char>('0' + n)};
    return std::to_string(n);
}

std::string DataFileName(const TProject& project, TDateTime time)
{
    int year = 0, month = 0, day = 0;
    DecodeDate(time, year, month, day);
    // Year modulo 100 as a calendar value: never negative, even before year 0.
    const int yy = ((year % 100) + 100) % 100;
    return project.GetDataDir("data") + "/" + TwoDigits(yy) + "-" + TwoDigits(month) + "-" + TwoDigits(day) +
           ".txt";
}

std::string FileFolder(const std::string& fileName)
{
    const size_t slash = fileName.find_last_of('/');
    if (slash == std::string::npos)
        return std::string();
    if (slash == 0)
        return "/";
    return fileName.substr(0, slash);
}

namespace {

// EnsureDataFolder with the system's error code of a failure.
bool MakeDataFolder(const std::string& folder, bool& created, int& errorCode)
{
    created = false;
    errorCode = 0;
    if (folder.empty())
        return true;
    std::error_code error;
    created = std::filesystem::create_directories(folder, error);
    if (error) {
        created = false;
        errorCode = error.value();
        return false;
    }
    // create_directories reports no error for an existing path that is not a folder in every case.
    if (!std::filesystem::is_directory(folder, error) || error) {
        errorCode = ENOTDIR;
        return false;
    }
    return true;
}

}  // namespace

bool EnsureDataFolder(const std::string& folder, bool& created)
{
    int errorCode = 0;
    return MakeDataFolder(folder, created, errorCode);
}

namespace {

// Writes all of Data at the end of the open file. A partly written line is cut off again.
bool WriteWholeLine(int fd, const std::string& data, int& errorCode)
{
    size_t written = 0;
    off_t start = -1;
    while (written < data.size()) {
        const ssize_t n = ::write(fd, data.data() + written, data.size() - written);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            errorCode = n < 0 ? errno : EIO;
            if (written > 0 && start >= 0)
                (void)::ftruncate(fd, start);  // best effort: the failure is reported either way
            return false;
        }
        if (written == 0) {
            // With O_APPEND the offset is now the end of what this write put at the end of the file.
            const off_t end = ::lseek(fd, 0, SEEK_CUR);
            start = end >= 0 ? end - n : -1;
        }
        written += static_cast<size_t>(n);
    }
    return true;
}

// A day file that is a FIFO or a device (a link to /dev/zero) is refused: it would block or swallow
// the lines.
int OpenForAppending(const std::string& fileName, int access, int& errorCode)
{
    return OpenRegularFile(fileName, access | O_APPEND | O_CREAT, errorCode);
}

// A line that a process killed in the middle of its write (or a power failure) left without its line
// end is cut off, so the next line starts on a line of its own and is not lost with the broken one. A
// last line that is a whole record ("=...#") and lacks only its line end (a file saved by an editor)
// gets the line end instead. Only a short tail is looked at: a file whose last line break lies further
// back than any record line is left as it is.
void FinishLastLine(int fd)
{
    constexpr off_t Window = 64 * 1024;
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || info.st_size == 0)
        return;
    char last = 0;
    if (::pread(fd, &last, 1, info.st_size - 1) != 1 || last == '\n')
        return;
    const off_t start = info.st_size > Window ? info.st_size - Window : 0;
    std::string tail(static_cast<size_t>(info.st_size - start), '\0');
    if (::pread(fd, tail.data(), tail.size(), start) != static_cast<ssize_t>(tail.size()))
        return;
    const size_t lineEnd = tail.rfind('\n');
    if (lineEnd == std::string::npos && start > 0)
        return;
    const size_t lineStart = lineEnd == std::string::npos ? 0 : lineEnd + 1;
    std::string_view unfinished(tail);
    unfinished.remove_prefix(lineStart);
    const bool endsRecord = unfinished.back() == '#' ||
                            (unfinished.size() >= 2 && unfinished.substr(unfinished.size() - 2) == "#\r");
    const bool wholeRecord = unfinished.front() == '=' && endsRecord;
    if (wholeRecord) {
        const std::string_view missing = unfinished.back() == '\r' ? "\n" : "\r\n";
        (void)!::write(fd, missing.data(), missing.size());
        return;
    }
    (void)::ftruncate(fd, start + static_cast<off_t>(lineStart));  // best effort: the new line follows either way
}

}  // namespace

bool AppendLineToFile(const std::string& fileName, const std::string& line, bool& folderCreated, int& errorCode)
{
    folderCreated = false;
    errorCode = 0;
    if (fileName.empty()) {
        errorCode = ENOENT;
        return false;
    }
    if (!MakeDataFolder(FileFolder(fileName), folderCreated, errorCode))
        return false;

    // Read access as well, to look at the end of the file; a file that may only be written is still
    // appended to, without that look.
    int fd = OpenForAppending(fileName, O_RDWR, errorCode);
    const bool readable = fd >= 0;
    if (fd < 0 && errorCode == EACCES)
        fd = OpenForAppending(fileName, O_WRONLY, errorCode);
    if (fd < 0)
        return false;

    // One appender at a time (threads or processes of this program), so that the end of the file seen
    // below is not a line another one is still writing.
    int locked;
    do {
        locked = ::flock(fd, LOCK_EX);
    } while (locked != 0 && errno == EINTR);
    if (locked == 0 && readable)
        FinishLastLine(fd);

    std::string data;
    data.reserve(line.size() + 2);
    data += line;
    data += "\r\n";
    const bool written = WriteWholeLine(fd, data, errorCode);
    // close() frees the descriptor (and the lock) even when it reports an error (also EINTR on Linux):
    // never repeat it.
    const bool closed = ::close(fd) == 0;
    if (written && !closed)
        errorCode = errno;
    return written && closed;
}

bool AppendLineToFile(const std::string& fileName, const std::string& line, bool& folderCreated)
{
    int errorCode = 0;
    return AppendLineToFile(fileName, line, folderCreated, errorCode);
}

bool AppendLineToFile(const std::string& fileName, const std::string& line)
{
    bool folderCreated = false;
    return AppendLineToFile(fileName, line, folderCreated);
}

}  // namespace dedezuviv::model
