// Export throughput: one year of day files at 10 s (3,153,600 records with 8 temperature fields, about
// 530 MB) generated in a temporary folder, then exported to CSV with every record, timed against
// reading the same files with `cat` in the same run; the peak resident memory of the export; and XLS and
// WK1 files of one month; a batch of minute files over six hours beside one export of those hours. Each
// export runs in a child process so that its peak memory is its own.
//
//   bench_export_throughput [DAYS] [--keep]     (default 365 days; --keep leaves the folder)
#include "base/Clock.h"
#include "base/FormatSettings.h"
#include "export/ExportBatch.h"
#include "export/ExportData.h"
#include "model/DayFiles.h"
#include "model/Project.h"

#include "BenchText.h"

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

using namespace dedezuviv::base;
using namespace dedezuviv::model;
using namespace dedezuviv::exports;

namespace fs = std::filesystem;

namespace {

double Seconds(std::chrono::steady_clock::time_point since)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

// The day files of Days days from 1 January 2025, a record every 10 s with 8 temperatures, counter,
// value, inputs, states, outputs, intern, controller time and reception time: the data source's lines.
uint64_t WriteYear(const TProject& project, int days)
{
    uint64_t bytes = 0;
    const TDateTime first = EncodeDate(2025, 1, 1);
    fs::create_directories(project.GetDataDir("data"));
    std::string text;
    for (int d = 0; d < days; ++d) {
        text.clear();
        const TDateTimeParts date = DecodeDateTime(first + d);
        for (int s = 0; s < 86400; s += 10) {
            const double phase = (d * 86400.0 + s) / 86400.0;
            text += "=MD/p100013/v0102";
            for (int t = 0; t < 8; ++t) {
                text += "/t";
                AppendTemperature(text, 20.0 + 10 * t + 8 * std::sin(phase * 6.283 + t));
            }
            text += "/n12,5/d0,75/i0101/m12/o0110/xFF";
            AppendRecordTimes(text, date.Day, date.Month, date.Year, s);
        }
        std::FILE* file = std::fopen(DataFileName(project, first + d).c_str(), "wb");
        if (!file || std::fwrite(text.data(), 1, text.size(), file) != text.size() || std::fclose(file) != 0) {
            std::fprintf(stderr, "cannot write the day files\n");
            std::exit(1);
        }
        bytes += text.size();
    }
    return bytes;
}

struct TRun {
    bool Ok = false;
    double Seconds = 0;
    double PeakMiB = 0;
    double CpuSeconds = 0;  // user + system time of the export's process
    int Records = 0;
    unsigned long long Bytes = 0;
    int Files = 0;  // of a batch
};

// Work run in a child process, so that its peak resident memory and its CPU time are its own: the
// child's TRun with those two filled in.
TRun RunInChild(const std::function<TRun()>& work)
{
    int pipeFds[2];
    if (::pipe(pipeFds) != 0)
        return {};
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(pipeFds[0]);
        const TRun run = work();
        (void)!::write(pipeFds[1], &run, sizeof run);
        ::_exit(0);
    }
    ::close(pipeFds[1]);
    TRun run;
    if (::read(pipeFds[0], &run, sizeof run) != static_cast<ssize_t>(sizeof run))
        run = TRun{};
    ::close(pipeFds[0]);
    int status = 0;
    rusage usage{};
    ::wait4(child, &status, 0, &usage);
    run.PeakMiB = static_cast<double>(usage.ru_maxrss) / 1024.0;
    run.CpuSeconds = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                     static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    return run;
}

TNameList BenchFields()
{
    TNameList fields;
    for (const char* name : {"T1", "T2", "T3", "T4", "T5", "T6", "T7", "T8"})
        fields.push_back(std::string(name) + " (Temperatur)");
    return fields;
}

// One export in a child process: its time, records and the child's peak resident memory.
TRun ExportInChild(const TProject& project, const std::string& file, TExportFormat format, TDateTime start,
                   TDateTime end, int64_t increment, int threads)
{
    TRun run = RunInChild([&] {
        TExportData engine;
        engine.Threads = threads;
        const auto begin = std::chrono::steady_clock::now();
        const int32_t result = engine.Export(&project, nullptr, file, format, start, end, increment, BenchFields());
        TRun done;
        done.Seconds = Seconds(begin);
        done.Ok = result == 0;
        done.Records = engine.RecordCount;
        if (!done.Ok)
            std::fprintf(stderr, "export failed: %s\n", engine.ErrorText.c_str());
        return done;
    });
    std::error_code error;
    run.Bytes = fs::file_size(file, error);
    return run;
}

// A batch of minute files (CSV, every record) over the range in a child process.
TRun BatchInChild(const TProject& project, const std::string& folder, TDateTime start, TDateTime end)
{
    return RunInChild([&] {
        TExportBatch batch;
        batch.Project = &project;
        batch.Type.Name = "Minuten";
        batch.Type.IncMin = 1;
        batch.Fields = BenchFields();
        batch.Format = efCSV;
        batch.Folder = folder;
        batch.Start = start;
        batch.End = end;
        const auto begin = std::chrono::steady_clock::now();
        const TBatchResult result = batch.Run();
        TRun done;
        done.Seconds = Seconds(begin);
        done.Ok = result.Failed == 0 && !result.Files.empty();
        done.Records = static_cast<int>(result.Total);
        done.Files = static_cast<int>(result.Files.size());
        return done;
    });
}

double CatSeconds(const std::string& folder)
{
    const std::string command = "cat " + folder + "/*.txt > /dev/null";
    const auto begin = std::chrono::steady_clock::now();
    if (std::system(command.c_str()) != 0)
        std::fprintf(stderr, "cat failed\n");
    return Seconds(begin);
}

}  // namespace

int main(int argc, char** argv)
{
    int days = 365;
    bool keep = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--keep") == 0)
            keep = true;
        else
            days = std::max(1, std::atoi(argv[i]));
    }
    SetGermanFormatSettings();
    SetClockOverride([] { return EncodeDateTime(2026, 1, 1, 12, 0, 0); });

    char pattern[] = "/tmp/dedezuviv-export-bench-XXXXXX";
    if (!::mkdtemp(pattern)) {
        std::perror("mkdtemp");
        return 1;
    }
    const fs::path root = pattern;
    TProject project;
    project.SetFileName((root / "Bench.p-p").string());
    project.FieldNames[ftTemperature] = {"T1", "T2", "T3", "T4", "T5", "T6", "T7", "T8"};

    std::printf("writing %d days of day files (a record every 10 s, 8 temperatures) ...\n", days);
    std::fflush(stdout);
    const auto writing = std::chrono::steady_clock::now();
    const uint64_t bytes = WriteYear(project, days);
    const uint64_t records = static_cast<uint64_t>(days) * 8640;
    std::printf("%llu records, %.1f MB in %.1f s\n", static_cast<unsigned long long>(records), bytes / 1e6,
                Seconds(writing));
    const std::string folder = project.GetDataDir("data");
    double load[3] = {0, 0, 0};
    if (std::FILE* f = std::fopen("/proc/loadavg", "r")) {
        if (std::fscanf(f, "%lf %lf %lf", &load[0], &load[1], &load[2]) != 3)
            load[0] = 0;
        std::fclose(f);
    }
    std::printf("cores: %u, load average %.2f (other work on the machine slows the timings)\n",
                std::thread::hardware_concurrency(), load[0]);

    // Warm the page cache, then time cat and the export (best of three each).
    CatSeconds(folder);
    double cat = 1e9;
    for (int i = 0; i < 3; ++i)
        cat = std::min(cat, CatSeconds(folder));
    std::printf("cat of the day files: %.3f s (%.0f MB/s)\n", cat, bytes / 1e6 / cat);

    const TDateTime start = EncodeDate(2025, 1, 1), end = start + days - 1.0 / 86400;
    const std::string csv = (root / "year.csv").string();
    for (int threads : {1, 0}) {
        TRun best;
        for (int i = 0; i < 3; ++i) {
            const TRun run = ExportInChild(project, csv, efCSV, start, end, 0, threads);
            if (!run.Ok) {
                std::fprintf(stderr, "the CSV export failed\n");
                return 1;
            }
            if (i == 0 || run.Seconds < best.Seconds)
                best = run;
            best.PeakMiB = std::max(best.PeakMiB, run.PeakMiB);
        }
        std::printf("CSV, every record, %s: %d records, %.1f MB in %.3f s (%.2f M records/s), %.1f x cat, "
                    "CPU %.2f s, peak RSS %.1f MiB\n",
                    threads == 1 ? "one thread" : "chunks decoded ahead", best.Records, best.Bytes / 1e6, best.Seconds,
                    best.Records / best.Seconds / 1e6, best.Seconds / cat, best.CpuSeconds, best.PeakMiB);
        if (best.Records != static_cast<int>(records))
            std::fprintf(stderr, "expected %llu records\n", static_cast<unsigned long long>(records));
    }

    // A month to XLS and WK1 with the automatic increment (their sheets hold 16384 and 8192 rows), and
    // to CSV with every record.
    const TDateTime monthEnd = std::min(start + 31, end);
    struct {
        const char* Name;
        TExportFormat Format;
        int64_t Increment;
    } const monthly[] = {{"month.xls", efXLS, ExportIncrement(0, start, monthEnd, 8, efXLS)},
                         {"month.wk1", efWK1, ExportIncrement(0, start, monthEnd, 8, efWK1)},
                         {"month.csv", efCSV, 0}};
    for (const auto& m : monthly) {
        const TRun run = ExportInChild(project, (root / m.Name).string(), m.Format, start, monthEnd, m.Increment, 0);
        std::printf("%-14s increment %2lld s: %s, %d records, %.1f MB in %.3f s (CPU %.2f s), peak RSS %.1f MiB\n",
                    m.Name, static_cast<long long>(m.Increment), run.Ok ? "ok" : "FAILED", run.Records,
                    run.Bytes / 1e6, run.Seconds, run.CpuSeconds, run.PeakMiB);
    }

    // Six hours of the first day as 360 minute files, and as one file: each day file is read once
    // per batch, so the batch costs about the one export plus creating its files.
    const TDateTime batchStart = start + 0.25, batchEnd = start + 0.5;
    const TRun single =
        ExportInChild(project, (root / "six-hours.csv").string(), efCSV, batchStart, batchEnd, 0, 0);
    TRun batch;
    for (int i = 0; i < 3; ++i) {
        const TRun run = BatchInChild(project, (root / "minutes").string(), batchStart, batchEnd);
        if (i == 0 || !run.Ok || run.Seconds < batch.Seconds)
            batch = run;
        if (!run.Ok)
            break;
    }
    std::printf("batch of minute files over 6 hours: %s, %d files, %d records in %.3f s (CPU %.2f s), peak RSS "
                "%.1f MiB; one export of the 6 hours: %d records in %.3f s\n",
                batch.Ok ? "ok" : "FAILED", batch.Files, batch.Records, batch.Seconds, batch.CpuSeconds,
                batch.PeakMiB, single.Records, single.Seconds);

    if (keep) {
        std::printf("kept %s\n", root.c_str());
    } else {
        std::error_code error;
        fs::remove_all(root, error);
    }
    return 0;
}
