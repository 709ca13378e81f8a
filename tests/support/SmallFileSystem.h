// A really full disk for tests: a tiny tmpfs mounted over a folder, private to a child process (a
// mount namespace of its own, inside a user namespace when the tests do not run as root), so that
// writes fail with ENOSPC on a regular file as they do on a full data disk.
#pragma once

#include <cstddef>
#include <filesystem>
#include <functional>

namespace testsupport {

// Mounts a tmpfs of about Bytes over Folder (which must exist) in a child process and gives the exit
// code of Check run there; -1 when the system allows no such mount (the caller skips). The parent sees
// nothing of what the child wrote there.
int InChildOnSmallFileSystem(const std::filesystem::path& folder, size_t bytes, const std::function<int()>& check);

}  // namespace testsupport
