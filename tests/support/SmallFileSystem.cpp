#include "support/SmallFileSystem.h"

#include <fcntl.h>
#include <sched.h>
#include <string>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

namespace testsupport {

namespace {

bool WriteSmallFile(const char* path, const std::string& text)
{
    const int fd = ::open(path, O_WRONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool ok = ::write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
    ::close(fd);
    return ok;
}

// A mount namespace of its own; without root first a user namespace in which this user is root.
bool EnterPrivateMounts()
{
    if (::geteuid() == 0)
        return ::unshare(CLONE_NEWNS) == 0 && ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0;
    const uid_t uid = ::geteuid();
    const gid_t gid = ::getegid();
    if (::unshare(CLONE_NEWUSER | CLONE_NEWNS) != 0)
        return false;
    WriteSmallFile("/proc/self/setgroups", "deny");
    return WriteSmallFile("/proc/self/uid_map", "0 " + std::to_string(uid) + " 1") &&
           WriteSmallFile("/proc/self/gid_map", "0 " + std::to_string(gid) + " 1");
}

}  // namespace

int InChildOnSmallFileSystem(const std::filesystem::path& folder, size_t bytes, const std::function<int()>& check)
{
    constexpr int Unavailable = 125;
    const pid_t child = ::fork();
    if (child < 0)
        return -1;
    if (child == 0) {
        const std::string options = "size=" + std::to_string(bytes);
        if (!EnterPrivateMounts() || ::mount("tmpfs", folder.c_str(), "tmpfs", 0, options.c_str()) != 0)
            ::_exit(Unavailable);
        ::_exit(check());
    }
    int status = 0;
    if (::waitpid(child, &status, 0) != child || !WIFEXITED(status))
        return -2;
    return WEXITSTATUS(status) == Unavailable ? -1 : WEXITSTATUS(status);
}

}  // namespace testsupport
