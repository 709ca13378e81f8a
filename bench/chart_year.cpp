// Charts over a year: a year of day files (a record every 10 seconds with 8 temperatures, so the
// automatic increment keeps every record: about 25 million points) read into chart series, compared
// with "cat" of the same files; the memory the points take; and the time of a redraw of the chart with
// the whole year in it, after zooming and scrolling.
//
// Usage: bench_chart_year [--days N] [--data FOLDER] [--size WIDTHxHEIGHT]
// The day files are made once in FOLDER (default /tmp/dedezuviv-chart-bench) and reused.
#include "app/gui/ChartPage.h"
#include "app/gui/ChartWidget.h"
#include "app/gui/SeriesPlottable.h"
#include "base/DateTime.h"
#include "evaluation/ChartRules.h"
#include "evaluation/ChartReader.h"
#include "model/DayFiles.h"
#include "model/Project.h"

#include "BenchText.h"
#include "YearOfDayFiles.h"

#include <QApplication>
#include <QElapsedTimer>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

using namespace dedezuviv::base;
using namespace dedezuviv::model;
using namespace dedezuviv::evaluation;
using namespace dedezuviv::gui;

namespace fs = std::filesystem;

namespace {

using benchdata::EnsureDayFiles;
using benchdata::Temperatures;

// A line of /proc/self/status in kilobytes ("VmRSS", "VmHWM").
long StatusKb(const char* key)
{
    std::ifstream status("/proc/self/status");
    std::string line;
    const size_t length = std::strlen(key);
    while (std::getline(status, line))
        if (line.compare(0, length, key) == 0 && line.size() > length && line[length] == ':')
            return std::atol(line.c_str() + length + 1);
    return 0;
}

double CatSeconds(const std::vector<std::string>& files)
{
    std::string command = "cat";
    for (const std::string& file : files)
        command += " '" + file + "'";
    command += " > /dev/null";
    const double start = WallSeconds();
    if (std::system(command.c_str()) != 0)
        std::printf("cat failed\n");
    return WallSeconds() - start;
}

// CPU time of this thread: on a machine shared with other work it is steadier than the wall clock.
double CpuMs()
{
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) * 1e3 + static_cast<double>(ts.tv_nsec) * 1e-6;
}

// The best of a few redraws of a chart (its replot, painted at once), wall clock; CpuBest receives the
// best thread CPU time.
double BestRedrawMs(TChartWidget& chart, double* cpuBest = nullptr)
{
    double best = 1e9, cpu = 1e9;
    for (int i = 0; i < 7; ++i) {
        QElapsedTimer timer;
        timer.start();
        const double cpuStart = CpuMs();
        chart.replot(QCustomPlot::rpImmediateRefresh);
        cpu = std::min(cpu, CpuMs() - cpuStart);
        best = std::min(best, static_cast<double>(timer.nsecsElapsed()) / 1e6);
    }
    if (cpuBest)
        *cpuBest = cpu;
    return best;
}

}  // namespace

int main(int argc, char** argv)
{
    int days = 365, width = 1200, height = 800;
    std::string folder = "/tmp/dedezuviv-chart-bench";
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--days") == 0)
            days = std::max(1, std::atoi(argv[i + 1]));
        else if (std::strcmp(argv[i], "--data") == 0)
            folder = argv[i + 1];
        else if (std::strcmp(argv[i], "--size") == 0)
            std::sscanf(argv[i + 1], "%dx%d", &width, &height);
    }
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication application(argc, argv);

    TProject project;
    project.Root = folder;
    for (int t = 0; t < Temperatures; ++t) {
        // Appended, not "T" + number: GCC 12 warns (-Wrestrict) about the inlined insert at -O3.
        std::string name = "T";
        name += std::to_string(t + 1);
        project.FieldNames[ftTemperature].push_back(name);
    }
    std::vector<std::string> fields;
    for (const std::string& name : project.FieldNames[ftTemperature])
        fields.push_back(QualifiedFieldName(name, ftTemperature));
    const TDateTime first = EncodeDate(2025, 1, 1);
    const std::vector<std::string> files = EnsureDayFiles(project, first, days);
    uintmax_t bytes = 0;
    for (const std::string& file : files)
        bytes += fs::file_size(file);

    // cat twice: the first run brings the files into the page cache for both.
    CatSeconds(files);
    const double cat = CatSeconds(files);

    const TDateTime start = first, end = first + days - 1.0 / 86400;
    const int64_t increment = ReaderIncrement(AutomaticIncrement(start, end, Temperatures));
    const long rssBefore = StatusKb("VmRSS");
    TGenPlotData reader;
    timespec cpuStart{}, cpuEnd{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &cpuStart);
    const double readStart = WallSeconds();
    reader.ReadSeries(project, nullptr, start, end, increment, fields);
    const double read = WallSeconds() - readStart;
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &cpuEnd);
    const double readCpu = static_cast<double>(cpuEnd.tv_sec - cpuStart.tv_sec) +
                           static_cast<double>(cpuEnd.tv_nsec - cpuStart.tv_nsec) * 1e-9;
    const long rssAfter = StatusKb("VmRSS"), peak = StatusKb("VmHWM");
    const double points = static_cast<double>(reader.PointCount);
    size_t seriesBytes = 0;
    for (const auto& series : reader.Series)
        seriesBytes += series->MemoryBytes();
    if (!reader.Series.empty())
        seriesBytes += reader.Series[0]->TimeColumn()->MemoryBytes();

    std::printf("%d days, %zu files, %.0f MB, automatic increment %lld s\n", days, files.size(), bytes / 1e6,
                static_cast<long long>(increment));
    std::printf("records read %llu, accepted %llu, points %.0f\n", static_cast<unsigned long long>(reader.RecordsRead),
                static_cast<unsigned long long>(reader.AcceptedRecords), points);
    std::printf("reading into series: %.3f s (target <= 2 s); cat of the same files: %.3f s; ratio %.1f\n", read, cat,
                read / cat);
    std::printf("reading in CPU time of all threads: %.3f s (%.1f cores busy on average)\n", readCpu, readCpu / read);
    std::printf("memory: series %.2f bytes per point; RSS growth %.2f bytes per point; peak RSS %.0f MB "
                "(%.0f MB before reading)\n",
                seriesBytes / points, (rssAfter - rssBefore) * 1024.0 / points, peak / 1024.0, rssBefore / 1024.0);

    TChartPage page;
    page.setAttribute(Qt::WA_DontShowOnScreen);
    page.resize(width, height);
    page.show();
    QApplication::processEvents();
    const double showStart = WallSeconds();
    page.ShowSeries(reader.TakeSeries(), "Jahr", {});
    const double shown = WallSeconds() - showStart;
    TChartWidget& chart = *page.ChartFormStd;
    const QCPRange year = chart.xAxis->range();

    double fullCpu = 0;
    const double full = BestRedrawMs(chart, &fullCpu);
    // Zoom to a month in the middle, scroll by 100 pixels, zoom to a day; back to the year (undo).
    chart.SetTimeRange(QCPRange(year.lower + 180, year.lower + 210));
    page.Chart_Zoom(&chart);
    const double month = BestRedrawMs(chart);
    chart.ScrollBy(QPoint(100, 0));
    page.Chart_Zoom(&chart);
    const double scrolled = BestRedrawMs(chart);
    chart.SetTimeRange(QCPRange(year.lower + 200, year.lower + 201));
    page.Chart_Zoom(&chart);
    const double day = BestRedrawMs(chart);
    page.Chart_UndoZoom(&chart);
    const double undone = BestRedrawMs(chart);
    const double worst = std::max({full, month, scrolled, day, undone});
    // The chart without its lines: what axes, grid, legend and the copy to the screen cost.
    for (TSeriesPlottable* series : chart.SeriesList())
        series->setVisible(false);
    const double frame = BestRedrawMs(chart);
    std::printf("chart %dx%d: first setup %.0f ms; redraw (target <= 50 ms) whole year %.1f ms, month %.1f ms, "
                "scrolled %.1f ms, day %.1f ms, after undo %.1f ms; worst %.1f ms (of it %.1f ms without the lines)\n",
                width, height, shown * 1000, full, month, scrolled, day, undone, worst, frame);
    std::printf("whole year redraw in CPU time of the drawing thread: %.1f ms\n", fullCpu);
    std::printf("peak RSS at the end %.0f MB\n", StatusKb("VmHWM") / 1024.0);
    return 0;
}
