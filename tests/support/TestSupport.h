// Helpers shared by the test executables.
#pragma once

#include <filesystem>
#include <string>

namespace testsupport {

// A fresh folder under the system's temporary folder, removed with everything in it at destruction.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::filesystem::path& Path() const { return Root; }
    std::filesystem::path operator/(const std::string& name) const { return Root / name; }

private:
    std::filesystem::path Root;
};

std::string ReadFile(const std::filesystem::path& path);
void WriteFile(const std::filesystem::path& path, const std::string& bytes);

// Paths of the build's programs (dedezuviv-tool, dedezuviv-simulator) and of the source tree.
std::filesystem::path ToolPath(const std::string& name);
std::filesystem::path SourcePath(const std::string& relative);

// Two linked pseudo-terminals made by socat, as the two ends of a serial cable. Start() returns false
// when socat is missing or the links do not appear within five seconds.
class PtyPair {
public:
    PtyPair();
    ~PtyPair();
    PtyPair(const PtyPair&) = delete;
    PtyPair& operator=(const PtyPair&) = delete;
    bool Start();
    void Stop();
    // The links (symlinks to the /dev/pts devices) of the two ends.
    const std::string& EndA() const { return PathA; }
    const std::string& EndB() const { return PathB; }

private:
    TempDir Dir;
    std::string PathA, PathB;
    int Pid = -1;
};

}  // namespace testsupport
