#include "model/DayFiles.h"

#include "model/Project.h"

#include <cerrno>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

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

bool EnsureDataFolder(const std::string& folder, bool& created)
{
    created = false;
    if (folder.empty())
        return true;
    std::error_code error;
    created = std::filesystem::create_directories(folder, error);
    if (error) {
        created = false;
        return false;
    }
    // create_directories reports no error for an existing path that is not a folder in every case.
    return std::filesystem::is_directory(folder, error) && !error;
}

namespace {

// Writes all of Data at the end of the open file. A partly written line is cut off again.
bool WriteWholeLine(int fd, const std::string& data)
{
    size_t written = 0;
    off_t start = -1;
    while (written < data.size()) {
        const ssize_t n = ::write(fd, data.data() + written, data.size() - written);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
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

}  // namespace

bool AppendLineToFile(const std::string& fileName, const std::string& line, bool& folderCreated)
{
    folderCreated = false;
    if (fileName.empty())
        return false;
    if (!EnsureDataFolder(FileFolder(fileName), folderCreated))
        return false;

    int fd;
    do {
        fd = ::open(fileName.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0)
        return false;

    std::string data;
    data.reserve(line.size() + 2);
    data += line;
    data += "\r\n";
    const bool written = WriteWholeLine(fd, data);
    // close() frees the descriptor even when it reports an error (also EINTR on Linux): never repeat it.
    const bool closed = ::close(fd) == 0;
    return written && closed;
}

bool AppendLineToFile(const std::string& fileName, const std::string& line)
{
    bool folderCreated = false;
    return AppendLineToFile(fileName, line, folderCreated);
}
