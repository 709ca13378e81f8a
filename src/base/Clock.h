// The PC clock. Everything that asks for "now" goes through here so tests can fix the time.
#pragma once

#include "base/DateTime.h"
#include "base/Namespace.h"

#include <cstdint>
#include <ctime>
#include <functional>
#include <string>

namespace dedezuviv::base {

// Local civil time now, to the millisecond.
TDateTime Now();
// Replaces the clock (an empty function restores the system clock). Not for use while threads run.
void SetClockOverride(std::function<TDateTime()> clock);
// The system's local time regardless of any override.
TDateTime SystemNow();
// Converts a Unix time in milliseconds to local civil TDateTime.
TDateTime UnixMsToDateTime(int64_t unixMs);
// The calendar fields of a local civil time as the C library holds them (tm_isdst unknown, -1).
std::tm LocalTimeParts(TDateTime value);
// A local civil time as ISO 8601 with the zone's offset at that time, to the second:
// "2026-07-01T14:30:05+02:00". For the hour that occurs twice when the clocks go back, and for one
// they skip, the offset is the one the system's calendar chooses.
std::string LocalTimeToIso8601(TDateTime value);

// Monotonic milliseconds for intervals (never jumps with the wall clock).
uint64_t GetTickCount();

}  // namespace dedezuviv::base
