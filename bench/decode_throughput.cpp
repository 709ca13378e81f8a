// Decoder throughput: one year (or the given number of days) of day-file text (a record every 10 seconds) fed in 4096-byte blocks
// to one decoder, compared with a plain newline scan of the same buffer.
#include "base/Clock.h"
#include "protocol/RecordDecoder.h"

#include "BenchText.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <time.h>

using namespace dedezuviv::base;
using namespace dedezuviv::protocol;

namespace {

constexpr size_t BlockSize = 4096;

void AppendFixed(std::string& out, double value, int intDigits)
{
    // "+055,50": sign, zero-padded whole part, "," and two decimals.
    char buffer[32];
    std::snprintf(buffer, sizeof(buffer), "%c%0*.2f", value < 0 ? '-' : '+', intDigits + 3, std::fabs(value));
    for (char* c = buffer; *c; ++c)
        if (*c == '.')
            *c = ',';
    out += buffer;
}

// Day-file lines like the controller sends them, with slowly varying values.
std::string BuildDays(int days, size_t& lines)
{
    std::string text;
    text.reserve(static_cast<size_t>(days) * 8640 * 120);
    lines = 0;
    const TDateTime start = EncodeDate(2026, 1, 1);
    for (int day = 0; day < days; ++day) {
        const TDateTimeParts d = DecodeDateTime(start + day);
        for (int second = 0; second < 86400; second += 10) {
            const double phase = (day * 86400.0 + second) / 86400.0;
            const int h = second / 3600, n = second / 60 % 60, s = second % 60;
            text += "=MD/p100013/v0102/t";
            AppendFixed(text, 55.5 + 10 * std::sin(phase * 6.28), 3);
            text += "/t";
            AppendFixed(text, -2.0 + 12 * std::sin(phase * 6.28 / 365), 3);
            text += "/n";
            char counter[32];
            std::snprintf(counter, sizeof(counter), "%.1f", 12.5 + phase * 3);
            *std::strchr(counter, '.') = ',';
            text += counter;
            text += "/d0,75/i0101/m12/o";
            text += (second / 600) % 2 ? "0110" : "1110";
            text += "/xFF/y";
            AppendTwo(text, d.Day);
            text += '.';
            AppendTwo(text, d.Month);
            text += '.';
            AppendTwo(text, d.Year % 100);
            text += "/z";
            AppendTwo(text, h);
            text += ':';
            AppendTwo(text, n);
            text += ':';
            AppendTwo(text, s);
            text += "/r";
            AppendTwo(text, d.Day);
            text += '.';
            AppendTwo(text, d.Month);
            text += '.';
            AppendTwo(text, d.Year % 100);
            text += ' ';
            AppendTwo(text, h);
            text += ':';
            AppendTwo(text, n);
            text += ':';
            AppendTwo(text, s + 2 > 59 ? 59 : s + 2);
            text += "#\r\n";
            ++lines;
        }
    }
    return text;
}

// CPU time of this thread: on a machine shared with other work it is steadier than the wall clock.
double CpuSeconds()
{
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

}  // namespace

// An optional argument gives the number of days (default a year).
int main(int argc, char** argv)
{
    const int days = argc > 1 ? std::max(1, std::atoi(argv[1])) : 365;
    SetClockOverride([] { return EncodeDateTime(2026, 12, 8, 14, 30, 9); });
    size_t lines = 0;
    std::printf("building %d days of day-file text ...\n", days);
    const std::string text = BuildDays(days, lines);
    const double megabytes = static_cast<double>(text.size()) / 1e6;
    std::printf("%zu lines, %.1f MB, e.g. %.*s\n", lines, megabytes, static_cast<int>(text.find('\r')),
                text.c_str());

    double bestDecode = 1e9, bestDecodeWall = 1e9, bestScan = 1e9;
    size_t records = 0, newlines = 0;
    for (int round = 0; round < 5; ++round) {
        TOrvaProtocol protocol;
        size_t count = 0;
        double sum = 0;
        protocol.SetOnRecord([&](const std::string& line, const TDecodedRecord& record) {
            ++count;
            sum += static_cast<double>(line.size() + record.Counts[ftTemperature]);
        });
        double wall = WallSeconds(), cpu = CpuSeconds();
        for (size_t pos = 0; pos < text.size(); pos += BlockSize)
            protocol.ProcessData(std::string_view(text).substr(pos, BlockSize));
        bestDecode = std::min(bestDecode, CpuSeconds() - cpu);
        bestDecodeWall = std::min(bestDecodeWall, WallSeconds() - wall);
        records = count;
        if (sum < 0)
            std::printf("impossible\n");

        size_t found = 0;
        cpu = CpuSeconds();
        const char* p = text.data();
        const char* end = p + text.size();
        while ((p = static_cast<const char*>(std::memchr(p, '\n', static_cast<size_t>(end - p)))) != nullptr) {
            ++found;
            ++p;
        }
        bestScan = std::min(bestScan, CpuSeconds() - cpu);
        newlines = found;
    }
    const double decodeRate = megabytes / bestDecode, scanRate = megabytes / bestScan;
    std::printf("decoder: %zu records in %.3f s CPU (%.3f s wall): %.0f MB/s, %.0f records/s\n", records, bestDecode,
                bestDecodeWall, decodeRate, static_cast<double>(records) / bestDecode);
    std::printf("memchr newline scan: %zu lines in %.3f s CPU: %.0f MB/s\n", newlines, bestScan, scanRate);
    std::printf("decoder / memchr: %.3f (memchr %.0f times faster)\n", decodeRate / scanRate, scanRate / decodeRate);
    std::printf("target 250 MB/s on one core: %s\n", decodeRate >= 250 ? "met" : "NOT met");
    return records == lines ? 0 : 1;
}
