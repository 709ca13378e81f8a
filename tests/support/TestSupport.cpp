#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <ctime>
#include <csignal>
#include <fcntl.h>
#include <fstream>
#include <random>
#include <sstream>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace testsupport {

bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

bool WaitFor(const std::function<bool()>& condition, int timeoutMs)
{
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > until)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

TempDir::TempDir()
{
    std::random_device random;
    for (;;) {
        Root = std::filesystem::temp_directory_path() /
               ("dedezuviv-test-" + std::to_string(getpid()) + "-" + std::to_string(random()));
        std::error_code error;
        if (std::filesystem::create_directory(Root, error))
            break;
    }
}

TempDir::~TempDir()
{
    std::error_code error;
    // Folders a test made read-only are made writable again so they can be removed.
    for (auto it = std::filesystem::recursive_directory_iterator(Root, error);
         !error && it != std::filesystem::recursive_directory_iterator(); it.increment(error))
        std::filesystem::permissions(it->path(), std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add, error);
    std::filesystem::permissions(Root, std::filesystem::perms::owner_all, std::filesystem::perm_options::add, error);
    std::filesystem::remove_all(Root, error);
}

CentralEuropeanTime::CentralEuropeanTime()
{
    if (const char* zone = std::getenv("TZ")) {
        Saved = zone;
        HadZone = true;
    }
    setenv("TZ", "CET-1CEST,M3.5.0,M10.5.0/3", 1);
    tzset();
}

CentralEuropeanTime::~CentralEuropeanTime()
{
    if (HadZone)
        setenv("TZ", Saved.c_str(), 1);
    else
        unsetenv("TZ");
    tzset();
}

std::string ReadFile(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

void WriteFile(const std::filesystem::path& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}

std::filesystem::path ToolPath(const std::string& name) { return std::filesystem::path(DEDEZUVIV_TOOL_DIR) / name; }

std::filesystem::path CopyForOtherUsers(const std::filesystem::path& program, const std::filesystem::path& folder)
{
    std::error_code error;
    const std::filesystem::path copy = folder / program.filename();
    std::filesystem::copy_file(program, copy, std::filesystem::copy_options::overwrite_existing, error);
    if (error)
        return {};
    std::filesystem::permissions(copy, std::filesystem::perms(0755), error);
    return error ? std::filesystem::path() : copy;
}

std::filesystem::path LoggerPath() { return std::filesystem::path(DEDEZUVIV_BINARY_DIR) / "dedezuviv"; }

std::filesystem::path SourcePath(const std::string& relative)
{
    return std::filesystem::path(DEDEZUVIV_SOURCE_DIR) / relative;
}

PtyPair::PtyPair() = default;

PtyPair::~PtyPair() { Stop(); }

bool PtyPair::Start()
{
    Stop();
    PathA = (Dir / "ttyA").string();
    PathB = (Dir / "ttyB").string();
    const std::string a = "pty,raw,echo=0,link=" + PathA;
    const std::string b = "pty,raw,echo=0,link=" + PathB;
    Pid = fork();
    if (Pid == 0) {
        // Debian 12's socat (1.7.4) knows no "-d0"; without -d it reports only errors.
        execlp("socat", "socat", a.c_str(), b.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    if (Pid < 0)
        return false;
    for (int i = 0; i < 500; ++i) {
        if (std::filesystem::exists(PathA) && std::filesystem::exists(PathB))
            return true;
        int status = 0;
        if (waitpid(Pid, &status, WNOHANG) == Pid) {
            Pid = -1;
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    Stop();
    return false;
}

void PtyPair::Stop()
{
    if (Pid > 0) {
        kill(Pid, SIGTERM);
        int status = 0;
        waitpid(Pid, &status, 0);
        Pid = -1;
    }
}

bool BackgroundProgram::Start(const std::filesystem::path& program, const std::vector<std::string>& args)
{
    return Start(program, args, Options{});
}

bool BackgroundProgram::Start(const std::filesystem::path& program, const std::vector<std::string>& args,
                              const Options& options)
{
    Stop();
    std::vector<std::string> all = {program.string()};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& arg : all)
        argv.push_back(arg.data());
    argv.push_back(nullptr);
    const std::string out = options.StdoutFile.empty() ? "/dev/null" : options.StdoutFile.string();
    const std::string err = options.StderrFile.empty() ? "/dev/null" : options.StderrFile.string();
    Pid = fork();
    if (Pid == 0) {
        for (const auto& [name, value] : options.Environment)
            setenv(name.c_str(), value.c_str(), 1);
        for (const std::string& name : options.Unset)
            unsetenv(name.c_str());
        dup2(open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644), 1);
        dup2(open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644), 2);
        execv(argv[0], argv.data());
        _exit(127);
    }
    return Pid > 0;
}

void BackgroundProgram::Signal(int signal) const
{
    if (Pid > 0)
        kill(Pid, signal);
}

int BackgroundProgram::Wait(int timeoutMs)
{
    if (Pid <= 0)
        return -1;
    int status = 0;
    for (int waited = 0; waited <= timeoutMs; waited += 10) {
        if (waitpid(Pid, &status, WNOHANG) == Pid) {
            Pid = -1;
            return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    kill(Pid, SIGKILL);
    waitpid(Pid, &status, 0);
    Pid = -1;
    return -1;
}

void BackgroundProgram::Stop()
{
    if (Pid > 0) {
        kill(Pid, SIGTERM);
        int status = 0;
        waitpid(Pid, &status, 0);
        Pid = -1;
    }
}

bool StartSimulator(BackgroundProgram& simulator, const std::string& device, const std::vector<std::string>& extra)
{
    std::vector<std::string> args = {"--device", device};
    args.insert(args.end(), extra.begin(), extra.end());
    // Ready once it has opened the device and says so in its first line; a test that listens right
    // away would otherwise race the start of the program on a busy machine.
    char pattern[] = "/tmp/dedezuviv-simulator-XXXXXX";
    const int fd = mkstemp(pattern);
    if (fd < 0)
        return false;
    ::close(fd);
    const std::filesystem::path report = pattern;
    BackgroundProgram::Options options;
    options.StdoutFile = report;
    bool ready = simulator.Start(ToolPath("dedezuviv-simulator"), args, options);
    for (int waited = 0; ready && ReadFile(report).find("DEVICE ") == std::string::npos; waited += 10) {
        if (waited >= 10000)
            ready = false;
        else
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    std::error_code error;
    std::filesystem::remove(report, error);  // the running program keeps writing into its open file
    return ready;
}

std::string ShellQuote(const std::string& text)
{
    std::string quoted = "'";
    for (char c : text)
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

ToolRun RunTool(const TempDir& dir, const std::string& arguments, const std::string& stdinFile)
{
    const std::filesystem::path tool = ToolPath("dedezuviv-tool");
    EXPECT_TRUE(std::filesystem::exists(tool)) << tool << " is built together with the tests";
    const std::string out = (dir / "stdout").string(), err = (dir / "stderr").string();
    std::string command = "LC_ALL=C " + ShellQuote(tool.string()) + " " + arguments + " >" + ShellQuote(out) +
                          " 2>" + ShellQuote(err);
    if (!stdinFile.empty())
        command += " <" + ShellQuote(stdinFile);
    const int status = std::system(command.c_str());
    ToolRun run;
    run.ExitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    run.Out = ReadFile(out);
    run.Err = ReadFile(err);
    return run;
}

}  // namespace testsupport
