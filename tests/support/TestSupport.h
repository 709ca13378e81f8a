// Helpers shared by the test executables.
#pragma once

#include <filesystem>
#include <functional>
#include <string>
#include <utility>
#include <vector>

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

// Central European time with its summer time (TZ given by rule, so that no zone database is needed)
// for the object's lifetime; the zone before is restored at destruction.
class CentralEuropeanTime {
public:
    CentralEuropeanTime();
    ~CentralEuropeanTime();
    CentralEuropeanTime(const CentralEuropeanTime&) = delete;
    CentralEuropeanTime& operator=(const CentralEuropeanTime&) = delete;

private:
    std::string Saved;
    bool HadZone = false;
};

std::string ReadFile(const std::filesystem::path& path);
// Whether Part stands anywhere in Text.
bool Contains(const std::string& text, const std::string& part);
// Waits until the condition holds, at most the given time; false when the time ran out.
bool WaitFor(const std::function<bool()>& condition, int timeoutMs = 10000);
void WriteFile(const std::filesystem::path& path, const std::string& bytes);

// Paths of the build's programs (dedezuviv-tool, dedezuviv-simulator) and of the source tree.
std::filesystem::path ToolPath(const std::string& name);
std::filesystem::path SourcePath(const std::string& relative);
// The logger program itself (dedezuviv) in the build tree.
std::filesystem::path LoggerPath();
// A copy of a program of the build in Folder, for a test that runs it as another user: the build tree
// may lie where that user cannot enter (a checkout under /root or in a "mktemp -d" folder). Folder must
// be open to that user; the copy may be run by everyone. Empty when it cannot be copied.
std::filesystem::path CopyForOtherUsers(const std::filesystem::path& program, const std::filesystem::path& folder);

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

// A program of the build running in the background; stopped with SIGTERM (and waited for) at
// destruction. Its output is discarded, or written to the given files.
class BackgroundProgram {
public:
    struct Options {
        std::vector<std::pair<std::string, std::string>> Environment;  // set in the child
        std::vector<std::string> Unset;                                  // removed in the child
        std::filesystem::path StdoutFile, StderrFile;                    // empty = /dev/null
    };
    BackgroundProgram() = default;
    ~BackgroundProgram() { Stop(); }
    BackgroundProgram(const BackgroundProgram&) = delete;
    BackgroundProgram& operator=(const BackgroundProgram&) = delete;
    bool Start(const std::filesystem::path& program, const std::vector<std::string>& args);
    bool Start(const std::filesystem::path& program, const std::vector<std::string>& args, const Options& options);
    void Signal(int signal) const;
    // The process id while it runs (-1 before the start and after the end).
    int ProcessId() const { return Pid; }
    // Waits for the end; the exit code, 128 + signal number when a signal ended it, or -1 when it was
    // still running after the time (it is killed then).
    int Wait(int timeoutMs);
    void Stop();

private:
    int Pid = -1;
};

// A run of dedezuviv-tool with the given arguments (already quoted for the shell), its output kept in
// files of dir; stdin from stdinFile when given. LC_ALL=C: German number and date forms whatever the
// machine's locale.
struct ToolRun {
    int ExitCode = -1;
    std::string Out, Err;
};
ToolRun RunTool(const TempDir& dir, const std::string& arguments, const std::string& stdinFile = "");
// The text quoted for the shell.
std::string ShellQuote(const std::string& text);

// The simulator on the given device (one end of a pty pair), with extra options; returns once it has
// opened the device (false when it did not within 10 s).
bool StartSimulator(BackgroundProgram& simulator, const std::string& device,
                    const std::vector<std::string>& extra = {});

}  // namespace testsupport
