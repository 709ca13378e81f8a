// The recorded-data reader of the charts: reads the day files a time range touches (one-minute walk,
// each file once, in date order, through one decoder whose state carries over between files) and
// turns the records into one line series per field: X the record time (RT), Y the field's value.
//
// Which records are accepted is the rule the export uses too (TIncrementRule): a record in
// [StartTime, EndTime] at least MinIncrement seconds after the last one accepted, or earlier than that
// one (a clock set back, the hour that repeats when summer time ends). NextTime is the earliest time of
// the next later record. The points are put in time order at the end of the reading. A field without
// a value in a record gives 0. Values are held in single precision.
#pragma once

#include "base/DateTime.h"
#include "evaluation/PlotSeries.h"
#include "model/IncrementRule.h"
#include "model/RecordedDays.h"
#include "evaluation/Namespace.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace dedezuviv::model {
class IProgress;
class TProject;
}  // namespace dedezuviv::model

namespace dedezuviv::evaluation {

class TGenPlotData : private IRecordedDataSink {
public:
    TGenPlotData();
    ~TGenPlotData() override;
    TGenPlotData(const TGenPlotData&) = delete;
    TGenPlotData& operator=(const TGenPlotData&) = delete;

    std::vector<std::string> Fields;
    TDateTime StartTime = 0;
    TDateTime EndTime = 0;
    int64_t MinIncrement = 0;
    TDateTime NextTime = 0;
    // One series per field, same order, titled with the field's qualified name.
    std::vector<std::unique_ptr<TPlotSeries>> Series;
    // Points added to all series together.
    uint64_t PointCount = 0;
    // Records accepted (points per series), and valid records decoded from the files read.
    uint64_t AcceptedRecords = 0;
    uint64_t RecordsRead = 0;
    // Worker threads for decoding ahead (1: none). The result does not depend on it. 0 chooses: none
    // on a machine of one or two cores, where decoding on the calling thread alone is faster (records
    // decoded ahead cost processor time to hand over) and leaves a core to the logger; else one fewer
    // than the cores.
    int Threads = 0;

    // Reads the range and fills Series. LogBox may be null (no lines, no progress). False when a day
    // file could not be read: ErrorText holds the message, the series are incomplete and must not be
    // shown. True also when nothing was accepted (PointCount 0).
    bool ReadSeries(const TProject& project, IProgress* logBox, TDateTime startTime, TDateTime endTime,
                    int64_t minIncrement, const std::vector<std::string>& fields);
    int ErrorCode = 0;
    std::string ErrorText;

    // Hands the series over; the reader keeps none.
    std::vector<std::unique_ptr<TPlotSeries>> TakeSeries();

    // One decoded record with the values of the fields, in field order.
    void AddRecord(const TRecordHeader& header, const TFieldValue* values);

private:
    void DayBegin(const TRecordedDay& day) override;
    bool Record(const TRecordHeader& header, const TFieldValue* values) override;
    void DayEnd(const TRecordedDay& day, uint64_t lines, bool ok) override;
    void Idle() override;

    IProgress* LogBox = nullptr;
    TIncrementRule Taking{0, 0, 0};
    std::shared_ptr<TTimeColumn> Times;
    double Percent = 0;
};

// The Y value of a field value as the chart draws it: float, integer, hexadecimal and date-time values
// as numbers (a date-time as its day count), no value as 0; in single precision.
float PlotValue(const TFieldValue& value);

}  // namespace dedezuviv::evaluation
