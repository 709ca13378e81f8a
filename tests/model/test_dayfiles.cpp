// Day file names and appending lines: folder creation, failures that must report false without leaving
// a descriptor or a half line behind, and concurrent appenders.
#include "base/RegularFile.h"
#include "model/DayFiles.h"
#include "model/Project.h"

#include "support/SmallFileSystem.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <dirent.h>
#include <fcntl.h>
#include <grp.h>
#include <filesystem>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

using namespace dedezuviv::base;
using namespace dedezuviv::model;

namespace fs = std::filesystem;
using testsupport::ReadFile;
using testsupport::TempDir;
using testsupport::WriteFile;

namespace {

int OpenDescriptorCount()
{
    int count = 0;
    for ([[maybe_unused]] const auto& entry : fs::directory_iterator("/proc/self/fd"))
        ++count;
    return count;
}

// Whether the file permissions of this process are enforced (they are not for root).
bool PermissionsEnforced(const fs::path& scratch)
{
    const fs::path dir = scratch / "probe";
    fs::create_directory(dir);
    ::chmod(dir.c_str(), 0555);
    const int fd = ::open((dir / "x").c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
    if (fd >= 0)
        ::close(fd);
    ::chmod(dir.c_str(), 0755);
    fs::remove_all(dir);
    return fd < 0;
}

std::vector<std::string> Lines(const std::string& content)
{
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < content.size()) {
        const size_t end = content.find("\r\n", start);
        if (end == std::string::npos) {
            lines.push_back(content.substr(start) + "<unterminated>");
            break;
        }
        lines.push_back(content.substr(start, end - start));
        start = end + 2;
    }
    return lines;
}

}  // namespace

TEST(DayFiles, TwoDigits)
{
    EXPECT_EQ(TwoDigits(0), "00");
    EXPECT_EQ(TwoDigits(7), "07");
    EXPECT_EQ(TwoDigits(10), "10");
    EXPECT_EQ(TwoDigits(99), "99");
    EXPECT_EQ(TwoDigits(2026), "2026");
    EXPECT_EQ(TwoDigits(-3), "-3");
}

TEST(DayFiles, FileNameOfTheRecordDay)
{
    TProject project;
    project.FileName = "/home/anna/Anlagen/Haus1.p-p";
    EXPECT_EQ(DataFileName(project, EncodeDateTime(2026, 12, 8, 10, 15, 7)),
              "/home/anna/Anlagen/Haus1/data/26-12-08.txt");
    project.Root = "/srv/log/";
    EXPECT_EQ(DataFileName(project, EncodeDateTime(2009, 3, 5, 0, 0, 0)), "/srv/log/data/09-03-05.txt");
    EXPECT_EQ(DataFileName(project, EncodeDateTime(2000, 1, 1, 12, 0, 0)), "/srv/log/data/00-01-01.txt");
    // Two records a few seconds apart across midnight belong to two days, also at the turn of a year.
    EXPECT_EQ(DataFileName(project, EncodeDateTime(2026, 12, 31, 23, 59, 58)), "/srv/log/data/26-12-31.txt");
    EXPECT_EQ(DataFileName(project, EncodeDateTime(2027, 1, 1, 0, 0, 3)), "/srv/log/data/27-01-01.txt");
    // The last millisecond of a day still belongs to it.
    EXPECT_EQ(DataFileName(project, EncodeDateTime(2026, 2, 28, 23, 59, 59, 999)), "/srv/log/data/26-02-28.txt");
}

TEST(DayFiles, FolderPart)
{
    EXPECT_EQ(FileFolder("/a/b/c.txt"), "/a/b");
    EXPECT_EQ(FileFolder("/c.txt"), "/");
    EXPECT_EQ(FileFolder("c.txt"), "");
    EXPECT_EQ(FileFolder("a/c.txt"), "a");
}

TEST(DayFiles, AppendCreatesFoldersAndEndsLinesWithCrLf)
{
    TempDir dir;
    TProject project;
    project.Root = dir.Path().string();
    const std::string before = DataFileName(project, EncodeDateTime(2026, 12, 8, 23, 59, 58));
    const std::string after = DataFileName(project, EncodeDateTime(2026, 12, 9, 0, 0, 3));

    bool created = false;
    EXPECT_TRUE(AppendLineToFile(before, "=MD/t+055,50#", created));
    EXPECT_TRUE(created);
    EXPECT_TRUE(AppendLineToFile(before, "=MD/t+056,00#", created));
    EXPECT_FALSE(created);
    EXPECT_TRUE(AppendLineToFile(after, "=MD/t+057,00#", created));
    EXPECT_FALSE(created);

    EXPECT_EQ(ReadFile(dir / "data/26-12-08.txt"), "=MD/t+055,50#\r\n=MD/t+056,00#\r\n");
    EXPECT_EQ(ReadFile(dir / "data/26-12-09.txt"), "=MD/t+057,00#\r\n");
    EXPECT_EQ((fs::status(dir / "data/26-12-08.txt").permissions() & fs::perms::owner_write), fs::perms::owner_write);

    // Several missing levels at once.
    EXPECT_TRUE(AppendLineToFile((dir / "x/y/z/debug.log").string(), ""));
    EXPECT_EQ(ReadFile(dir / "x/y/z/debug.log"), "\r\n");
}

TEST(DayFiles, EnsureFolderReportsCreationOnce)
{
    TempDir dir;
    bool created = false;
    const std::string folder = (dir / "Haus1/data").string();
    EXPECT_TRUE(EnsureDataFolder(folder, created));
    EXPECT_TRUE(created);
    EXPECT_TRUE(EnsureDataFolder(folder, created));
    EXPECT_FALSE(created);
    EXPECT_TRUE(EnsureDataFolder("", created));
    EXPECT_FALSE(created);
    WriteFile(dir / "plain", "x");
    EXPECT_FALSE(EnsureDataFolder((dir / "plain").string(), created));
    EXPECT_FALSE(EnsureDataFolder((dir / "plain/data").string(), created));
    EXPECT_FALSE(created);
}

TEST(DayFiles, AppendWithoutFolderPartWritesIntoTheWorkingFolder)
{
    TempDir dir;
    const fs::path previous = fs::current_path();
    fs::current_path(dir.Path());
    const bool ok = AppendLineToFile("26-12-08.txt", "=MD#");
    fs::current_path(previous);
    EXPECT_TRUE(ok);
    EXPECT_EQ(ReadFile(dir / "26-12-08.txt"), "=MD#\r\n");
}

TEST(DayFiles, FailuresReportFalseAndLeakNoDescriptor)
{
    TempDir dir;
    WriteFile(dir / "plain", "keep");
    fs::create_directory(dir / "folder");
    const int before = OpenDescriptorCount();
    for (int i = 0; i < 20; ++i) {
        bool created = true;
        EXPECT_FALSE(AppendLineToFile("", "x"));
        // The folder part is a regular file (also fails for root).
        EXPECT_FALSE(AppendLineToFile((dir / "plain/data/26-12-08.txt").string(), "x", created));
        EXPECT_FALSE(created);
        // The file name is a folder.
        EXPECT_FALSE(AppendLineToFile((dir / "folder").string(), "x"));
        // A name longer than any file system allows.
        EXPECT_FALSE(AppendLineToFile((dir / std::string(300, 'n')).string(), "x"));
        // No folder can be made under /proc, not even by root.
        EXPECT_FALSE(AppendLineToFile("/proc/dedezuviv-test/data/26-12-08.txt", "x"));
        // A full disk: every write to /dev/full fails with ENOSPC.
        EXPECT_FALSE(AppendLineToFile("/dev/full", "=MD/t+055,50#"));
        EXPECT_TRUE(AppendLineToFile((dir / "ok.txt").string(), "x"));
    }
    EXPECT_EQ(OpenDescriptorCount(), before);
    EXPECT_EQ(ReadFile(dir / "plain"), "keep");
    EXPECT_EQ(Lines(ReadFile(dir / "ok.txt")).size(), 20u);
}

namespace {

// The permission checks; returns a bit per failed expectation so a child process can report them.
int ReadOnlyChecks(const fs::path& dir)
{
    int failures = 0;
    // Read-only data folder: the file cannot be created.
    fs::create_directories(dir / "ro/data");
    ::chmod((dir / "ro/data").c_str(), 0555);
    if (AppendLineToFile((dir / "ro/data/26-12-08.txt").string(), "x"))
        failures |= 1;
    // Data root without any permission: the data folder cannot be created.
    bool created = true;
    fs::create_directory(dir / "noperm");
    ::chmod((dir / "noperm").c_str(), 0000);
    if (AppendLineToFile((dir / "noperm/data/26-12-08.txt").string(), "x", created) || created)
        failures |= 2;
    // An existing file without write permission keeps its content.
    WriteFile(dir / "locked.txt", "alt\r\n");
    ::chmod((dir / "locked.txt").c_str(), 0444);
    if (AppendLineToFile((dir / "locked.txt").string(), "x"))
        failures |= 4;
    ::chmod((dir / "ro/data").c_str(), 0755);
    ::chmod((dir / "noperm").c_str(), 0755);
    ::chmod((dir / "locked.txt").c_str(), 0644);
    if (ReadFile(dir / "locked.txt") != "alt\r\n")
        failures |= 8;
    return failures;
}

}  // namespace

TEST(DayFiles, ReadOnlyAndInaccessibleFolders)
{
    TempDir dir;
    if (PermissionsEnforced(dir.Path())) {
        EXPECT_EQ(ReadOnlyChecks(dir.Path()), 0);
        return;
    }
    // Root ignores file permissions: run the checks in a child that has become the unprivileged user
    // "nobody" (65534), in a folder it may use.
    if (::geteuid() != 0)
        GTEST_SKIP() << "file permissions are not enforced and this user cannot change to another";
    const fs::path work = dir / "nobody";
    fs::create_directory(work);
    ::chown(work.c_str(), 65534, 65534);
    ::chmod(dir.Path().c_str(), 0755);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (::setgroups(0, nullptr) != 0 || ::setgid(65534) != 0 || ::setuid(65534) != 0)
            ::_exit(100);
        if (!PermissionsEnforced(work))
            ::_exit(101);
        ::_exit(ReadOnlyChecks(work));
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    if (WEXITSTATUS(status) == 100 || WEXITSTATUS(status) == 101)
        GTEST_SKIP() << "could not run as an unprivileged user (code " << WEXITSTATUS(status) << ")";
    EXPECT_EQ(WEXITSTATUS(status), 0) << "failed checks (bits): 1 read-only folder, 2 folder without "
                                         "permission, 4 read-only file, 8 file content changed";
}

// A file size limit lets the first write put only part of the line into the file and fails the next one
// (EFBIG); the line must be cut off again. Runs in a child process because the limit is process-wide.
TEST(DayFiles, ShortWriteLeavesNoHalfLine)
{
    TempDir dir;
    const fs::path file = dir / "26-12-08.txt";
    WriteFile(file, "=MD/t+010,00#\r\n");
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::signal(SIGXFSZ, SIG_IGN);
        rlimit limit{};
        limit.rlim_cur = limit.rlim_max = 15 + 5;
        if (::setrlimit(RLIMIT_FSIZE, &limit) != 0)
            ::_exit(3);
        const bool ok = AppendLineToFile(file.string(), "=MD/t+020,00/t+030,00#");
        ::_exit(ok ? 1 : 0);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "1: reported success, 3: limit not set";
    EXPECT_EQ(ReadFile(file), "=MD/t+010,00#\r\n");
    // The next line fits again.
    EXPECT_TRUE(AppendLineToFile(file.string(), "=MD#"));
    EXPECT_EQ(ReadFile(file), "=MD/t+010,00#\r\n=MD#\r\n");
}

TEST(DayFiles, ConcurrentAppendersNeverMixLines)
{
    TempDir dir;
    const std::string file = (dir / "data/26-12-08.txt").string();
    constexpr int LinesPerWriter = 1500;
    // Line lengths vary per writer and line so that a mixed line could not look whole by chance.
    auto lineOf = [](int writer, int n) {
        return "=MD/w" + std::to_string(writer) + "/n" + std::to_string(n) + "/" +
               std::string(static_cast<size_t>(20 + (n * 7 + writer * 13) % 400), static_cast<char>('a' + writer)) +
               "#";
    };
    auto write = [&](int writer) {
        int failures = 0;
        for (int n = 0; n < LinesPerWriter; ++n)
            if (!AppendLineToFile(file, lineOf(writer, n)))
                ++failures;
        return failures;
    };

    // Two processes.
    std::vector<pid_t> children;
    for (int writer = 0; writer < 2; ++writer) {
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0)
            ::_exit(write(writer) == 0 ? 0 : 1);
        children.push_back(child);
    }
    // And two threads of this process at the same time.
    int threadFailures[2] = {0, 0};
    std::thread t2([&] { threadFailures[0] = write(2); });
    std::thread t3([&] { threadFailures[1] = write(3); });
    t2.join();
    t3.join();
    for (pid_t child : children) {
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    EXPECT_EQ(threadFailures[0], 0);
    EXPECT_EQ(threadFailures[1], 0);

    const std::vector<std::string> lines = Lines(ReadFile(file));
    ASSERT_EQ(lines.size(), 4u * LinesPerWriter);
    int next[4] = {0, 0, 0, 0};
    for (const std::string& line : lines) {
        ASSERT_GE(line.size(), 6u) << line;
        const int writer = line[5] - '0';
        ASSERT_TRUE(writer >= 0 && writer < 4) << line;
        // Each writer's lines are whole and in its own order.
        ASSERT_EQ(line, lineOf(writer, next[writer])) << "mixed or damaged line";
        ++next[writer];
    }
}

// A process killed in the middle of a line (or a power failure) leaves the line unfinished; the next
// append must not glue its record to it.
TEST(DayFiles, UnfinishedLastLineIsCutOffBeforeTheNextLine)
{
    TempDir dir;
    const fs::path file = dir / "26-12-08.txt";
    WriteFile(file, "=MD/t+010,00#\r\n=MD/t+02");
    ASSERT_TRUE(AppendLineToFile(file.string(), "=MD/t+030,00#"));
    EXPECT_EQ(ReadFile(file), "=MD/t+010,00#\r\n=MD/t+030,00#\r\n");
    // Cut between CR and LF.
    WriteFile(file, "=MD/a#\r\n=MD/b#\r");
    ASSERT_TRUE(AppendLineToFile(file.string(), "=MD/c#"));
    EXPECT_EQ(ReadFile(file), "=MD/a#\r\n=MD/b#\r\n=MD/c#\r\n");
    // A whole record without its line end (an editor dropped it) is kept.
    WriteFile(file, "=MD/a#\r\n=MD/b#");
    ASSERT_TRUE(AppendLineToFile(file.string(), "=MD/c#"));
    EXPECT_EQ(ReadFile(file), "=MD/a#\r\n=MD/b#\r\n=MD/c#\r\n");
    // The very first line unfinished.
    WriteFile(file, "=MD/t+0");
    ASSERT_TRUE(AppendLineToFile(file.string(), "=MD#"));
    EXPECT_EQ(ReadFile(file), "=MD#\r\n");
    // Far more than a line without any line break is no unfinished record: left alone.
    const std::string blob(70000, 'x');
    WriteFile(file, blob);
    ASSERT_TRUE(AppendLineToFile(file.string(), "=MD#"));
    EXPECT_EQ(ReadFile(file), blob + "=MD#\r\n");
}

// Killed while appending (kill -9 of the logger): a write of a line that crosses a page of the file can
// be cut by the kernel when the signal arrives, so the file may end in an unfinished line. All lines
// before it are whole, and the next append (the restarted logger) cuts it off: from then on the file
// holds whole lines only.
TEST(DayFiles, KillDuringAppendingLeavesWholeLinesForTheNextAppender)
{
    TempDir dir;
    const std::string file = (dir / "data/26-12-08.txt").string();
    const std::string line = "=MD/p100013/" + std::string(600, 't') + "#";  // lines cross page boundaries
    const auto size = [&] { return fs::exists(file) ? fs::file_size(file) : 0; };
    for (int round = 0; round < 20; ++round) {
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            for (;;)
                AppendLineToFile(file, line);
        }
        // Let it write for a moment that differs from round to round, then kill it.
        const uintmax_t before = size();
        while (size() < before + 602 * static_cast<uintmax_t>(1 + round % 7))
            std::this_thread::yield();
        ::kill(child, SIGKILL);
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        std::vector<std::string> lines = Lines(ReadFile(file));
        // An unfinished last line can only be the start of a line.
        const std::string mark = "<unterminated>";
        if (!lines.empty() && lines.back().size() >= mark.size() &&
            lines.back().substr(lines.back().size() - mark.size()) == mark) {
            const std::string rest = lines.back().substr(0, lines.back().size() - mark.size());
            EXPECT_EQ(line.rfind(rest, 0), 0u) << "round " << round;
            lines.pop_back();
        }
        for (const std::string& written : lines)
            ASSERT_EQ(written, line) << "round " << round;
    }
    ASSERT_TRUE(AppendLineToFile(file, line));
    for (const std::string& written : Lines(ReadFile(file)))
        ASSERT_EQ(written, line);
}

// The reason of a failure, for a log line that says why (a full disk is not a missing folder).
TEST(DayFiles, FailuresTellTheirReason)
{
    TempDir dir;
    WriteFile(dir / "plain", "keep");
    fs::create_directory(dir / "folder");
    bool created = false;
    int code = -1;
    EXPECT_TRUE(AppendLineToFile((dir / "ok.txt").string(), "x", created, code));
    EXPECT_EQ(code, 0);
    // A device is no day file (it would swallow the lines or never take them): refused unwritten.
    EXPECT_FALSE(AppendLineToFile("/dev/full", "=MD#", created, code));
    EXPECT_EQ(code, NotARegularFile);
    EXPECT_FALSE(AppendLineToFile((dir / "folder").string(), "x", created, code));
    EXPECT_EQ(code, EISDIR);
    EXPECT_FALSE(AppendLineToFile((dir / "plain/data/26-12-08.txt").string(), "x", created, code));
    EXPECT_EQ(code, ENOTDIR);
    EXPECT_FALSE(AppendLineToFile("", "x", created, code));
    EXPECT_NE(code, 0);

    // Beyond a file size limit (in a child: the limit is process-wide).
    const fs::path file = dir / "limited.txt";
    WriteFile(file, "=MD/t+010,00#\r\n");
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::signal(SIGXFSZ, SIG_IGN);
        rlimit limit{};
        limit.rlim_cur = limit.rlim_max = 20;
        if (::setrlimit(RLIMIT_FSIZE, &limit) != 0)
            ::_exit(3);
        bool folder = false;
        int error = 0;
        const bool ok = AppendLineToFile(file.string(), "=MD/t+020,00#", folder, error);
        ::_exit(!ok && error == EFBIG ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_EQ(ReadFile(file), "=MD/t+010,00#\r\n");
}

TEST(DayFiles, AFullDiskTellsItsReasonAndKeepsWholeLines)
{
    TempDir dir;
    const int failures = testsupport::InChildOnSmallFileSystem(dir.Path(), 8 * 1024, [&]() -> int {
        const std::string file = (dir / "data/26-12-08.txt").string();
        const std::string line = "=MD/p100013/v0102/t+055,50/t-012,30/y08.12.26/z10:15:07/r08.12.26 10:15:09#";
        bool created = false;
        int code = 0;
        int written = 0;
        while (written < 10000 && AppendLineToFile(file, line, created, code))
            ++written;
        const std::string content = ReadFile(file);
        int bits = 0;
        if (code != ENOSPC)
            bits |= 1;
        if (content.size() != static_cast<size_t>(written) * (line.size() + 2))
            bits |= 2;
        return bits;
    });
    if (failures == -1)
        GTEST_SKIP() << "no private tmpfs can be mounted here";
    EXPECT_EQ(failures, 0) << "bits: 1 not ENOSPC, 2 a partial line stayed";
}
