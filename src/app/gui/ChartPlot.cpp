#include "app/gui/ChartPlot.h"

#include "base/AppGlobals.h"
#include "base/FormatSettings.h"
#include "base/Log.h"
#include "evaluation/ChartRules.h"
#include "evaluation/ChartReader.h"
#include "app/gui/Namespace.h"

#include <cstdio>

namespace dedezuviv::gui {

namespace {

std::string IncrementLogText(double seconds)
{
    char number[64];
    std::snprintf(number, sizeof(number), "%.2f", seconds);
    for (char* c = number; *c; ++c)
        if (*c == '.')
            *c = FormatSettings().DecimalSeparator;
    return std::string("Inkrement =") + number + " s";
}

}  // namespace

double PlotIncrement(int64_t incrementSeconds, TDateTime start, TDateTime end, int fieldCount)
{
    if (incrementSeconds > 0)
        return static_cast<double>(incrementSeconds);
    return AutomaticIncrement(start, end, fieldCount);
}

TPlotResult ReadAndShowChart(TChartPage& page, const TProject& project, IProgress* progress,
                             const TPlotRequest& request)
{
    TPlotResult result;
    result.Increment =
        PlotIncrement(request.IncrementSeconds, request.Start, request.End, static_cast<int>(request.Fields.size()));
    if (request.IncrementSeconds <= 0 && DebugMode)
        DebugInfo(IncrementLogText(result.Increment));

    TGenPlotData reader;
    if (!reader.ReadSeries(project, progress, request.Start, request.End, ReaderIncrement(result.Increment),
                           request.Fields)) {
        result.RecordsRead = reader.RecordsRead;
        result.Outcome = TPlotOutcome::ReadError;
        result.ErrorText = reader.ErrorText;
        return result;
    }
    result.RecordsRead = reader.RecordsRead;
    result.Records = reader.AcceptedRecords;
    result.PointCount = reader.PointCount;
    if (reader.PointCount == 0) {
        result.Outcome = TPlotOutcome::NoData;
        return result;
    }
    page.ShowSeries(reader.TakeSeries(), request.SelectionName, request.Look);
    result.Outcome = TPlotOutcome::Shown;
    return result;
}

}  // namespace dedezuviv::gui
