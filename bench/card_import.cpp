// Memory-card import: a card log of one year with a record every 10 s (about 3.15 million records) into
// an empty project with a sampling interval of 10 s, so that every record is written; then the same
// file again, where every record is a duplicate. Prints wall time, CPU time of the process and records
// per second for both runs, and the peak resident memory. Then 40,000 records that jump between ten
// days in turn (round robin, as several logs merged on one card give), against the same records in
// date order: a day touched again must not be read again.
//
// Arguments (optional): number of days (default 365), interval between records in seconds (default 10).
#include "base/Clock.h"
#include "base/DateTime.h"
#include "base/FormatSettings.h"
#include "model/CardImport.h"
#include "model/DayFiles.h"
#include "model/LiveState.h"
#include "model/Project.h"

#include "BenchText.h"

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <sys/resource.h>
#include <time.h>
#include <unistd.h>

using namespace dedezuviv::base;
using namespace dedezuviv::model;

namespace {

double CpuSeconds()
{
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

// A record as a controller writes it to its card, with its own time and reception time.
void AppendRecord(std::string& out, const TDateTimeParts& t, long index)
{
    char values[160];
    std::snprintf(values, sizeof values, "=MD/p100013/v0102/t+0%02ld,%02ld/t-0%02ld,50/n%ld,5/d0,75/i0101/m12/o0110/xFF",
                  45 + index % 30, index % 100, index % 20, 1000 + index / 360);
    out += values;
    AppendRecordTimes(out, t.Day, t.Month, t.Year, t.Hour * 3600 + t.Minute * 60 + t.Second);
}

void Report(const char* name, const TCardImportResult& result, double wall, double cpu)
{
    std::printf("%-22s result %d, %u records decoded, %llu written, %llu duplicates\n", name, result.Result,
                result.RecordCount, static_cast<unsigned long long>(result.Written),
                static_cast<unsigned long long>(result.Duplicates));
    std::printf("%-22s wall %.2f s, CPU %.2f s, %.0f records/s (CPU)\n", "", wall, cpu,
                cpu > 0 ? result.RecordCount / cpu : 0.0);
}

// Imports the records (index, time) into a fresh project in Folder, twice; true when the second run
// adds nothing.
template <typename TimeOf>
bool ImportOrder(const char* name, const std::filesystem::path& folder, long records, TimeOf timeOf)
{
    std::filesystem::create_directories(folder);
    const std::string card = (folder / "LOG.l00").string();
    std::string bytes;
    for (long i = 0; i < records; ++i)
        AppendRecord(bytes, DecodeDateTime(timeOf(i)), i);
    if (std::FILE* out = std::fopen(card.c_str(), "wb")) {
        std::fwrite(bytes.data(), 1, bytes.size(), out);
        std::fclose(out);
    }
    auto project = std::make_unique<TProject>();
    project->Root = (folder / "projekt").string();
    project->SamplingInterval = 0;
    ReplaceCurrentProject(std::move(project));
    double wall = WallSeconds(), cpu = CpuSeconds();
    const TCardImportResult first = ImportCardFile(card, nullptr);
    Report(name, first, WallSeconds() - wall, CpuSeconds() - cpu);
    wall = WallSeconds();
    cpu = CpuSeconds();
    const TCardImportResult again = ImportCardFile(card, nullptr);
    Report("  and again:", again, WallSeconds() - wall, CpuSeconds() - cpu);
    CloseCurrentProject();
    return first.Result == 0 && again.Result == 0 && again.Written == 0;
}

}  // namespace

int main(int argc, char** argv)
{
    const int days = argc > 1 ? std::atoi(argv[1]) : 365;
    const int step = argc > 2 ? std::atoi(argv[2]) : 10;
    SetGermanFormatSettings();

    const std::filesystem::path root =
        std::filesystem::temp_directory_path() / ("dedezuviv-bench-card-" + std::to_string(::getpid()));
    std::filesystem::create_directories(root);
    const std::string card = (root / "LOG.l00").string();

    // The card file, written in pieces.
    {
        std::FILE* out = std::fopen(card.c_str(), "wb");
        if (out == nullptr) {
            std::perror(card.c_str());
            return 1;
        }
        const TDateTime start = EncodeDateTime(2025, 1, 1, 0, 0, 0);
        const long records = static_cast<long>(days) * 86400 / step;
        std::string piece;
        for (long i = 0; i < records; ++i) {
            AppendRecord(piece, DecodeDateTime(IncSecond(start, i * step)), i);
            if (piece.size() > (1 << 20)) {
                std::fwrite(piece.data(), 1, piece.size(), out);
                piece.clear();
            }
        }
        std::fwrite(piece.data(), 1, piece.size(), out);
        std::fclose(out);
    }
    std::printf("card file: %d days at %d s, %.1f MB\n", days, step,
                static_cast<double>(std::filesystem::file_size(card)) / 1e6);

    auto project = std::make_unique<TProject>();
    project->Root = (root / "projekt").string();
    project->SamplingInterval = step;
    ReplaceCurrentProject(std::move(project));

    double wall = WallSeconds(), cpu = CpuSeconds();
    const TCardImportResult first = ImportCardFile(card, nullptr);
    Report("empty project:", first, WallSeconds() - wall, CpuSeconds() - cpu);

    wall = WallSeconds();
    cpu = CpuSeconds();
    const TCardImportResult again = ImportCardFile(card, nullptr);
    Report("same file again:", again, WallSeconds() - wall, CpuSeconds() - cpu);

    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("peak RSS %.1f MB\n", static_cast<double>(usage.ru_maxrss) / 1024.0);
    CloseCurrentProject();

    constexpr long Records = 40000;
    constexpr int Days = 10;
    const TDateTime june = EncodeDateTime(2025, 6, 1, 0, 0, 0);
    const bool roundRobin = ImportOrder("10 days round robin:", root / "round", Records, [&](long i) {
        return IncSecond(june + static_cast<double>(i % Days), i / Days * 10);
    });
    const bool dateOrder = ImportOrder("10 days in order:", root / "order", Records, [&](long i) {
        const long perDay = Records / Days;
        return IncSecond(june + static_cast<double>(i / perDay), i % perDay * 10);
    });

    std::error_code error;
    std::filesystem::remove_all(root, error);
    return first.Result == 0 && again.Result == 0 && again.Written == 0 && roundRobin && dateOrder ? 0 : 1;
}
