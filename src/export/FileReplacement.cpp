#include "export/FileReplacement.h"
#include "export/Namespace.h"

#include <atomic>
#include <cerrno>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace dedezuviv::exports {

namespace fs = std::filesystem;

namespace {

// Numbers the new files of this process, so that two writers never pick the same name.
std::atomic<unsigned> NewFileCount{0};

std::string NewFileName(const std::string& target)
{
    // Cut long names: the additions must not take the name past the system's limit.
    const fs::path path(target);
    std::string name(1, '.');
    name.append(path.filename().string(), 0, 200)
        .append(".")
        .append(std::to_string(::getpid()))
        .append(".")
        .append(std::to_string(NewFileCount++))
        .append(".tmp");
    return (path.parent_path() / name).string();
}

int SyncFile(const std::string& path)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return errno;
    const int result = ::fsync(fd) == 0 ? 0 : errno;
    ::close(fd);
    return result;
}

}  // namespace

TFileReplacement::TFileReplacement(std::string target) : Target(std::move(target))
{
    std::error_code error;
    if (fs::is_symlink(fs::symlink_status(Target, error))) {
        const fs::path resolved = fs::weakly_canonical(Target, error);
        if (!error)
            Target = resolved.string();
    }
}

TFileReplacement::~TFileReplacement() { Discard(); }

int TFileReplacement::Open(TBufferedFile& file)
{
    struct stat old {};
    if (::stat(Target.c_str(), &old) == 0) {
        if (S_ISDIR(old.st_mode))
            return EISDIR;
        if (!S_ISREG(old.st_mode))
            Direct = true;
        else
            Mode = static_cast<int>(old.st_mode & 07777);
        // A file that may not be written is not replaced either.
        if (::access(Target.c_str(), W_OK) != 0)
            return errno;
    }
    if (!Direct) {
        const int error = OpenNew(file);
        // A folder that takes no new file: the old file may still be written over.
        const bool mayOverwrite = Mode >= 0 && (error == EACCES || error == EPERM);
        if (error == 0 || !mayOverwrite)
            return error;
        Direct = true;
    }
    const int error = file.Create(Target);
    if (error == 0)
        WritePath = Target;
    return error;
}

int TFileReplacement::OpenNew(TBufferedFile& file)
{
    for (;;) {
        const std::string path = NewFileName(Target);
        const int error = file.Create(path, true);
        if (error == EEXIST)
            continue;
        if (error != 0)
            return error;
        WritePath = path;
        if (Mode >= 0)
            ::chmod(path.c_str(), static_cast<mode_t>(Mode));
        return 0;
    }
}

int TFileReplacement::Commit()
{
    if (WritePath.empty())
        return EBADF;
    if (Direct) {
        WritePath.clear();
        return 0;
    }
    int error = SyncFile(WritePath);
    if (error == 0 && ::rename(WritePath.c_str(), Target.c_str()) != 0)
        error = errno;
    if (error != 0) {
        Discard();
        return error;
    }
    WritePath.clear();
    return 0;
}

void TFileReplacement::Discard()
{
    if (WritePath.empty())
        return;
    struct stat written {};
    const bool device =
        ::lstat(WritePath.c_str(), &written) == 0 && (S_ISCHR(written.st_mode) || S_ISBLK(written.st_mode));
    if (!Direct || !device)
        ::unlink(WritePath.c_str());
    WritePath.clear();
}

}  // namespace dedezuviv::exports
