// The charts of the web view: the recorded data of a range read with the window's chart reader, kept
// for the next request of the same range (zooming and panning ask for parts of it), and reduced to at
// most two points per pixel column (the column's lowest and highest value, as the window's chart draws
// a dense line), so that a year of records arrives as a few thousand points.
#pragma once

#include "app/core/ChartActions.h"
#include "base/DateTime.h"
#include "app/core/Namespace.h"

#include <chrono>
#include <memory>
#include <mutex>
#include <string>

namespace dedezuviv::app {

struct TWebSeriesRequest {
    TChartRequest Reading;          // fields, read range and increment
    TDateTime ViewStart = 0, ViewEnd = 0;  // the part shown; both 0: the read range
    int Width = 1000;               // pixel columns
};

// The reduced series as JSON: {"from":t,"to":t,"records":n,"series":[{"name","legend","chart":"analog"|
// "digital","axis":"left"|"right","step":bool,"x":[...],"y":[...]}...],"digitalRange":[lo,hi]}; times as
// seconds of civil time since 1970-01-01 (the local time the day files hold, as if it were UTC).
std::string ReducedSeriesJson(const TChartSeries& series, TDateTime viewStart, TDateTime viewEnd, int width,
                              uint64_t records);

// Reads ranges and keeps the last reading. Any thread; one reading at a time.
class TWebSeriesReader {
public:
    // The JSON of the request for the project, or false with the German message (no data, a read
    // error) in Error.
    bool Read(const TProject& project, const TWebSeriesRequest& request, std::string& json, std::string& error);

    // A kept reading of a range that reaches the present is read again after this time.
    static constexpr int RefreshSeconds = 30;

private:
    std::mutex Lock;
    std::chrono::steady_clock::time_point CachedAt;
    std::string CachedKey;
    TChartReading Cached;
};

// TDateTime <-> seconds of civil time since 1970-01-01.
double WebSeconds(TDateTime time);
TDateTime WebDateTime(double seconds);

}  // namespace dedezuviv::app
