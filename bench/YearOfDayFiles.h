// A year (or any number of days) of day files as the logger writes them: a record every 10 seconds
// with 8 temperatures, made once in a folder and reused by the benchmarks that read long ranges.
#pragma once

#include "base/DateTime.h"
#include "model/DayFiles.h"
#include "model/Project.h"

#include "BenchText.h"

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace benchdata {

using namespace dedezuviv::base;
using namespace dedezuviv::model;

constexpr int Temperatures = 8;
constexpr int StepSeconds = 10;

// The day files of the year, as the logger writes them; made once.
inline std::vector<std::string> EnsureDayFiles(const TProject& project, TDateTime first, int days)
{
    std::vector<std::string> files;
    const std::filesystem::path marker = std::filesystem::path(project.GetDataDir()) / ("complete-" + std::to_string(days));
    const bool complete = std::filesystem::exists(marker);
    if (!complete)
        std::printf("writing %d day files of %d temperatures every %d s into %s ...\n", days, Temperatures,
                    StepSeconds, project.GetDataDir("data").c_str());
    std::string text;
    for (int day = 0; day < days; ++day) {
        const TDateTime date = first + day;
        const std::string file = DataFileName(project, date);
        files.push_back(file);
        if (complete)
            continue;
        const TDateTimeParts d = DecodeDateTime(date);
        text.clear();
        for (int second = 0; second < 86400; second += StepSeconds) {
            const double phase = (day * 86400.0 + second) / 86400.0;
            text += "=MD/p100013/v0102";
            for (int t = 0; t < Temperatures; ++t) {
                text += "/t";
                AppendTemperature(text, 40 + 5 * t + 12 * std::sin(phase * 6.283 * (1 + t) + t) +
                                            3 * std::sin(second * 0.011 * (t + 1)));
            }
            AppendRecordTimes(text, d.Day, d.Month, d.Year, second);
        }
        bool created = false;
        EnsureDataFolder(FileFolder(file), created);
        std::ofstream(file, std::ios::binary).write(text.data(), static_cast<std::streamsize>(text.size()));
    }
    if (!complete)
        std::ofstream(marker) << "ok\n";
    return files;
}

}  // namespace benchdata
