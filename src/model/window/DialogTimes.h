// Time helpers of the evaluation dialogs (plot, export, batch export): a range end from a date picker
// and a time picker, and the minimum time increment typed as "hh:mm:ss".
#pragma once

#include "base/DateTime.h"
#include "model/Namespace.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace dedezuviv::model {

// The date of Date plus the hours, minutes and seconds of Time; milliseconds are dropped.
TDateTime CombineDateTime(TDateTime date, TDateTime time);

// The masked increment text "hh:mm:ss": characters 1-2, 4-5 and 7-8 read as whole numbers, giving
// hh * 3600 + mm * 60 + ss seconds. Blanks and the mask's "_" inside a group are ignored (" 5" and
// "5_" are 5); a group holding anything else, or nothing, counts 0.
int64_t ParseIncrement(std::string_view text);

// "hh:mm:ss" of whole seconds, each part two digits (hours beyond 99 are cut to 99:59:59).
std::string IncrementText(int64_t seconds);

}  // namespace dedezuviv::model
