#include "model/IncrementRule.h"
#include "model/Namespace.h"

#include <algorithm>

namespace dedezuviv::model {

TIncrementRule::TIncrementRule(TDateTime start, TDateTime end, int64_t incrementSeconds)
    : StartMs(DateTimeToMs(start)), EndMs(DateTimeToMs(end)),
      // Beyond the largest accepted increment every range holds one record at most: a century is as
      // good, and the sums below cannot overflow.
      IncrementMs(std::clamp<int64_t>(incrementSeconds, 0, 100 * MaxIncrementSeconds) * 1000)
{
}

bool TIncrementRule::Take(TDateTime time)
{
    const int64_t ms = DateTimeToMs(time);
    if (ms < StartMs || ms > EndMs)
        return false;
    if (AnyTaken && ms >= LastMs && ms < LastMs + IncrementMs)
        return false;
    LastMs = ms;
    AnyTaken = true;
    return true;
}

TDateTime TIncrementRule::NextTime() const
{
    const int64_t next = AnyTaken ? LastMs + IncrementMs : StartMs;
    return static_cast<double>(next) / MSecsPerDay;
}

}  // namespace dedezuviv::model
