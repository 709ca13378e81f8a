// "Grafische Auswertung erstellen" after its dialog, without the window: the increment, the reading of
// the range and the messages. The window passes what its dialog chose, its progress window and where
// the series go (its chart page); dedezuviv-tool plot reads the same way and prints its own texts.
#pragma once

#include "app/core/ActionProgress.h"
#include "base/DateTime.h"
#include "evaluation/PlotSeries.h"
#include "model/Fields.h"
#include "app/core/Namespace.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace dedezuviv::model {
class IProgress;
class TProject;
}  // namespace dedezuviv::model

namespace dedezuviv::app {

inline constexpr const char* NoChartDataMessage = "Es wurden keine Daten im angegebenen Zeitraum gefunden!";

struct TChartRequest {
    TNameList Fields{};  // qualified names, in series order
    TDateTime Start = 0, End = 0;
    int64_t IncrementSeconds = 0;  // 0 or less: the automatic increment
};

using TChartSeries = std::vector<std::unique_ptr<TPlotSeries>>;

enum class TChartOutcome { Read, NoData, ReadError };

struct TChartReading {
    TChartOutcome Outcome = TChartOutcome::NoData;
    std::string ErrorText;     // ReadError: the message to show
    uint64_t RecordsRead = 0;  // valid records in the files read
    uint64_t PointCount = 0;   // points of all series
    TChartSeries Series;       // Read: one series per field
};

// Reads the range with the given or the automatic increment (the automatic one as a debug line in
// debug mode); progress lines into Lines when given. No message.
TChartReading ReadChart(const TProject& project, const TChartRequest& request, IProgress* lines);

// The command: the progress window with "Datenaufbereitung wird gestartet...", the reading, the
// series handed to Show while the progress window is still open; then, with it closed, the no-data
// information or the read error. The charts keep what they show unless there were points.
TChartOutcome ChartCommand(const TProject& project, const TChartRequest& request, const TActionProgress& progress,
                           const std::function<void(TChartSeries series)>& show);

}  // namespace dedezuviv::app
