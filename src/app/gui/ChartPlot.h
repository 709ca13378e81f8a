// Reading a chart's data and showing it on the tab "Grafik": the part of the plot command after the
// dialog, shared by the window and "dedezuviv-tool plot" so that both draw the same chart.
#pragma once

#include "app/gui/ChartPage.h"
#include "base/DateTime.h"
#include "app/gui/Namespace.h"

#include <cstdint>
#include <string>
#include <vector>

namespace dedezuviv::model {
class IProgress;
class TProject;
}  // namespace dedezuviv::model

namespace dedezuviv::gui {

struct TPlotRequest {
    std::vector<std::string> Fields;  // qualified names, in series order
    std::string SelectionName;        // for the title "Grafik für Auswahl "..."" 
    TDateTime Start = 0, End = 0;
    int64_t IncrementSeconds = 0;     // 0 or less: the automatic increment
    TPlotLook Look;
};

enum class TPlotOutcome { Shown, NoData, ReadError };

struct TPlotResult {
    TPlotOutcome Outcome = TPlotOutcome::NoData;
    std::string ErrorText;      // ReadError: the message to show
    double Increment = 0;       // seconds, before rounding for the reader
    uint64_t RecordsRead = 0;   // valid records in the files read
    uint64_t Records = 0;       // records accepted
    uint64_t PointCount = 0;    // points of all series
};

// The increment the plot uses: the given one, or the automatic one when it is not above 0.
double PlotIncrement(int64_t incrementSeconds, TDateTime start, TDateTime end, int fieldCount);

// Reads the range (progress lines into Progress when given) and, when records were found, replaces
// the charts' series. Without data or on a read error the charts keep what they show.
TPlotResult ReadAndShowChart(TChartPage& page, const TProject& project, IProgress* progress,
                             const TPlotRequest& request);

}  // namespace dedezuviv::gui
