// Which records of a time range a reader takes: the one rule of the export and the charts.
//
// A record is taken when its time lies in [start, end] and either no record was taken yet, or it is
// at least the increment later than the last record taken, or it is earlier than that record (a clock
// set back, the hour that repeats when summer time ends): the thinning then goes on from it. So the
// increment counts from the last record taken, a gap in the data is followed by one record and then
// the usual spacing, and a stretch of time that comes twice is read twice. Increment 0 takes every
// record of the range. Times are compared at whole milliseconds (the precision of the records).
#pragma once

#include "base/DateTime.h"
#include "model/Namespace.h"

#include <cstdint>

namespace dedezuviv::model {

// The largest increment the commands accept: one year of 366 days.
inline constexpr int64_t MaxIncrementSeconds = 366LL * 86400;

class TIncrementRule {
public:
    // A negative increment counts as 0; one beyond MaxIncrementSeconds takes one record per range.
    TIncrementRule(TDateTime start, TDateTime end, int64_t incrementSeconds);

    // Whether the record of that time is taken; a taken record becomes the last one taken.
    bool Take(TDateTime time);
    // The earliest time a record later than the last one taken may have; the start before any was
    // taken.
    TDateTime NextTime() const;

private:
    int64_t StartMs, EndMs, IncrementMs;
    int64_t LastMs = 0;
    bool AnyTaken = false;
};

}  // namespace dedezuviv::model
