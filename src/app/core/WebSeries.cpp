#include "app/core/WebSeries.h"

#include "base/Clock.h"
#include "base/JsonText.h"
#include "evaluation/ChartRules.h"
#include "model/Project.h"
#include "app/core/Namespace.h"

#include <charconv>
#include <chrono>
#include <cmath>

namespace dedezuviv::app {

namespace {

constexpr double UnixEpochDays = 25569.0;  // 1970-01-01 as a TDateTime

void AppendNumber(std::string& out, double value, int decimals)
{
    if (!std::isfinite(value)) {
        out += "null";
        return;
    }
    char text[32];
    const auto result = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, decimals);
    std::string_view number(text, static_cast<size_t>(result.ptr - text));
    // "12.500" -> "12.5", "3.000" -> "3"
    if (number.find('.') != std::string_view::npos) {
        while (number.back() == '0')
            number.remove_suffix(1);
        if (number.back() == '.')
            number.remove_suffix(1);
    }
    out += number;
}

// The points of one series in [First, Last): each point when they are no more than the columns, else
// per column the lowest and the highest value (at the column's first and last point time).
void AppendReduced(std::string& x, std::string& y, const TPlotSeries& series, size_t first, size_t last,
                   TDateTime viewStart, TDateTime viewEnd, int width, float factor, float offset)
{
    const auto point = [&](TDateTime time, float value) {
        if (!x.empty() && x.back() != '[')
            x += ',', y += ',';
        AppendNumber(x, WebSeconds(time), 0);
        AppendNumber(y, static_cast<double>(value) * factor + offset, 3);
    };
    if (last - first <= static_cast<size_t>(width) * 2) {
        for (size_t i = first; i < last; ++i)
            point(series.X(i), series.Y(i));
        return;
    }
    const double step = (viewEnd - viewStart) / width;
    size_t begin = first;
    for (int column = 0; column < width && begin < last; ++column) {
        size_t end = column + 1 == width ? last : series.LowerBound(viewStart + step * (column + 1));
        if (end > last)
            end = last;
        if (end <= begin)
            continue;
        float low = 0, high = 0;
        series.ValueRange(begin, end, low, high);
        point(series.X(begin), low);
        point(series.X(end - 1), high);
        begin = end;
    }
}

}  // namespace

double WebSeconds(TDateTime time) { return std::round((time - UnixEpochDays) * 86400.0); }

TDateTime WebDateTime(double seconds) { return seconds / 86400.0 + UnixEpochDays; }

std::string ReducedSeriesJson(const TChartSeries& series, TDateTime viewStart, TDateTime viewEnd, int width,
                              uint64_t records)
{
    std::string out = "{\"from\":";
    AppendNumber(out, WebSeconds(viewStart), 0);
    out += ",\"to\":";
    AppendNumber(out, WebSeconds(viewEnd), 0);
    out += ",\"records\":" + std::to_string(records) + ",\"series\":[";
    int digital = 0;
    for (size_t s = 0; s < series.size(); ++s) {
        const TPlotSeries& one = *series[s];
        const bool isDigital = IsDigitalSeries(one.Title);
        // On/off traces are stacked as the window's outputs chart stacks them.
        const float factor = isDigital ? DigitalScale : 1.0f;
        const float offset = isDigital ? DigitalOffset(digital++) : 0.0f;
        std::string x = "[", y = "[";
        const size_t first = one.LowerBound(viewStart);
        const size_t last = one.UpperBound(viewEnd);
        AppendReduced(x, y, one, first, last, viewStart, viewEnd, width, factor, offset);
        out += s > 0 ? ",{\"name\":" : "{\"name\":";
        AppendJsonString(out, one.Title);
        out += ",\"legend\":";
        AppendJsonString(out, LegendTitle(one.Title));
        out += std::string(",\"chart\":\"") + (isDigital ? "digital" : "analog") + "\"";
        out += std::string(",\"axis\":\"") + (IsTemperatureAxisSeries(one.Title) ? "left" : "right") + "\"";
        out += std::string(",\"step\":") + (isDigital ? "true" : "false");
        out += ",\"x\":" + x + "],\"y\":" + y + "]}";
    }
    double lower = 0, upper = 0;
    DigitalAxisRange(digital, lower, upper);
    out += "],\"digitalRange\":[";
    AppendNumber(out, lower, 1);
    out += ',';
    AppendNumber(out, upper, 1);
    out += "]}";
    return out;
}

bool TWebSeriesReader::Read(const TProject& project, const TWebSeriesRequest& request, std::string& json,
                            std::string& error)
{
    const TChartRequest& reading = request.Reading;
    std::string key = project.GetDataDir() + '\n' + std::to_string(reading.Start) + '\n' +
                      std::to_string(reading.End) + '\n' + std::to_string(reading.IncrementSeconds);
    for (const std::string& field : reading.Fields)
        key += '\n' + field;
    std::lock_guard guard(Lock);
    // A range that reaches the present grows with every record: read again after a while.
    const auto now = std::chrono::steady_clock::now();
    const bool stale = reading.End >= Now() && now - CachedAt > std::chrono::seconds(RefreshSeconds);
    if (key != CachedKey || stale) {
        Cached = ReadChart(project, reading, nullptr);
        CachedKey = Cached.Outcome == TChartOutcome::Read ? key : std::string();
        CachedAt = now;
    }
    if (Cached.Outcome == TChartOutcome::ReadError) {
        error = Cached.ErrorText;
        return false;
    }
    if (Cached.Outcome == TChartOutcome::NoData) {
        error = NoChartDataMessage;
        return false;
    }
    TDateTime viewStart = request.ViewStart, viewEnd = request.ViewEnd;
    if (viewStart == 0 && viewEnd == 0) {
        viewStart = reading.Start;
        viewEnd = reading.End;
    }
    json = ReducedSeriesJson(Cached.Series, viewStart, viewEnd, request.Width, Cached.RecordsRead);
    return true;
}

}  // namespace dedezuviv::app
