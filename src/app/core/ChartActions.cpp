#include "app/core/ChartActions.h"

#include "base/AppGlobals.h"
#include "base/FormatSettings.h"
#include "base/Log.h"
#include "evaluation/ChartReader.h"
#include "evaluation/ChartRules.h"
#include "model/UiInterfaces.h"
#include "app/core/Namespace.h"

#include <cstdio>

namespace dedezuviv::app {

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

// The increment the chart uses: the given one, or the automatic one when it is not above 0.
double ChartIncrement(const TChartRequest& request)
{
    if (request.IncrementSeconds > 0)
        return static_cast<double>(request.IncrementSeconds);
    return AutomaticIncrement(request.Start, request.End, static_cast<int>(request.Fields.size()));
}

}  // namespace

TChartReading ReadChart(const TProject& project, const TChartRequest& request, IProgress* lines)
{
    TChartReading reading;
    const double increment = ChartIncrement(request);
    if (request.IncrementSeconds <= 0 && DebugMode)
        DebugInfo(IncrementLogText(increment));

    TGenPlotData reader;
    const bool ok =
        reader.ReadSeries(project, lines, request.Start, request.End, ReaderIncrement(increment), request.Fields);
    reading.RecordsRead = reader.RecordsRead;
    if (!ok) {
        reading.Outcome = TChartOutcome::ReadError;
        reading.ErrorText = reader.ErrorText;
        return reading;
    }
    reading.PointCount = reader.PointCount;
    if (reader.PointCount == 0)
        return reading;
    reading.Outcome = TChartOutcome::Read;
    reading.Series = reader.TakeSeries();
    return reading;
}

TChartOutcome ChartCommand(const TProject& project, const TChartRequest& request, const TActionProgress& progress,
                           const std::function<void(TChartSeries series)>& show)
{
    progress.OpenWindow();
    AddProgressLine(progress.Lines, "Datenaufbereitung wird gestartet...");
    TChartReading reading = ReadChart(project, request, progress.Lines);
    if (reading.Outcome == TChartOutcome::Read && show)
        show(std::move(reading.Series));
    progress.CloseWindow();

    if (reading.Outcome == TChartOutcome::NoData)
        InformUser(NoChartDataMessage);
    else if (reading.Outcome == TChartOutcome::ReadError)
        ShowError(reading.ErrorText);
    return reading.Outcome;
}

}  // namespace dedezuviv::app
