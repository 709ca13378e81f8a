// The PC clock. Everything that asks for "now" goes through here so tests can fix the time.
#pragma once

#include "base/DateTime.h"

#include <cstdint>
#include <functional>

// Local civil time now, to the millisecond.
TDateTime Now();
// Replaces the clock (an empty function restores the system clock). Not for use while threads run.
void SetClockOverride(std::function<TDateTime()> clock);
// The system's local time regardless of any override.
TDateTime SystemNow();
// Converts a Unix time in milliseconds to local civil TDateTime.
TDateTime UnixMsToDateTime(int64_t unixMs);

// Monotonic milliseconds for intervals (never jumps with the wall clock).
uint64_t GetTickCount();
