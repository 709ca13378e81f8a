#include "evaluation/ChartReader.h"

#include "model/UiInterfaces.h"
#include "evaluation/Namespace.h"

#include <filesystem>
#include <thread>

namespace dedezuviv::evaluation {

float PlotValue(const TFieldValue& value)
{
    switch (value.Kind) {
    case vkFloat: return static_cast<float>(value.FloatValue);
    case vkInteger:
    case vkHex: return static_cast<float>(value.IntValue);
    case vkDateTime: return static_cast<float>(value.DateTimeValue);
    case vkNone: break;
    }
    return 0.0f;
}

TGenPlotData::TGenPlotData() = default;

TGenPlotData::~TGenPlotData() = default;

std::vector<std::unique_ptr<TPlotSeries>> TGenPlotData::TakeSeries() { return std::move(Series); }

bool TGenPlotData::ReadSeries(const TProject& project, IProgress* logBox, TDateTime startTime, TDateTime endTime,
                              int64_t minIncrement, const std::vector<std::string>& fields)
{
    Fields = fields;
    StartTime = startTime;
    EndTime = endTime;
    MinIncrement = minIncrement;
    LogBox = logBox;
    PointCount = 0;
    AcceptedRecords = 0;
    RecordsRead = 0;
    ErrorCode = 0;
    ErrorText.clear();
    Times = std::make_shared<TTimeColumn>();
    Series.clear();
    for (const std::string& field : Fields)
        Series.push_back(std::make_unique<TPlotSeries>(field, Times));
    Taking = TIncrementRule(StartTime, EndTime, MinIncrement);
    NextTime = StartTime;
    Percent = 0;

    TRecordedDataReader reader;
    const unsigned cores = std::thread::hardware_concurrency();
    reader.Threads = Threads != 0 ? Threads : (cores > 2 ? static_cast<int>(cores) - 1 : 1);
    const bool ok = reader.Read(RecordedDays(project, StartTime, EndTime, TDayWalk::EveryMinute),
                                TFieldLookup(&project, Fields), *this);
    RecordsRead = reader.RecordCount;
    OrderByTime(*Times, Series);
    if (!ok) {
        ErrorCode = reader.ErrorCode;
        ErrorText = reader.ErrorText;
    } else if (LogBox) {
        LogBox->AddLine("Einlesen aller Daten beendet.");
    }
    LogBox = nullptr;
    return ok;
}

void TGenPlotData::AddRecord(const TRecordHeader& header, const TFieldValue* values)
{
    if (!Taking.Take(header.RT))
        return;
    if (!Series.empty()) {
        Times->PushBack(header.RT);
        for (size_t i = 0; i < Series.size(); ++i)
            Series[i]->AddValue(PlotValue(values[i]));
        PointCount += Series.size();
    }
    ++AcceptedRecords;
    NextTime = Taking.NextTime();
}

void TGenPlotData::DayBegin(const TRecordedDay& day)
{
    if (!LogBox)
        return;
    const double s1 = static_cast<double>(SecondsBetween(StartTime, day.Time));
    const double s2 = static_cast<double>(SecondsBetween(StartTime, EndTime));
    Percent = 100.0 * s1 / (s2 + 1);
    LogBox->SetProgress(Percent);
    LogBox->AddLine("Lese Daten aus Datei " + std::filesystem::path(day.FileName).filename().string() + " ...");
}

bool TGenPlotData::Record(const TRecordHeader& header, const TFieldValue* values)
{
    AddRecord(header, values);
    return true;
}

void TGenPlotData::DayEnd(const TRecordedDay& day, uint64_t lines, bool)
{
    if (LogBox && day.Exists)
        LogBox->AppendToLastLine("OK (" + std::to_string(lines) + " Datensätze geprüft).");
}

void TGenPlotData::Idle()
{
    // Keeps the window alive between files: the bar stays, pending messages run.
    if (LogBox)
        LogBox->SetProgress(Percent);
}

}  // namespace dedezuviv::evaluation
