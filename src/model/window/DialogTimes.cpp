#include "model/window/DialogTimes.h"

#include "model/DayFiles.h"
#include "model/Namespace.h"

#include <string>

namespace dedezuviv::model {

TDateTime CombineDateTime(TDateTime date, TDateTime time)
{
    int hour = 0, minute = 0, second = 0, millisecond = 0;
    DecodeTime(time, hour, minute, second, millisecond);
    return DateOf(date) + EncodeTime(hour, minute, second, 0);
}

namespace {

int64_t GroupValue(std::string_view text, size_t first)
{
    int64_t value = 0;
    bool digits = false;
    for (size_t i = first; i < first + 2 && i < text.size(); ++i) {
        const char c = text[i];
        if (c >= '0' && c <= '9') {
            value = value * 10 + (c - '0');
            digits = true;
        } else if (c != ' ' && c != '_') {
            return 0;
        }
    }
    return digits ? value : 0;
}

}  // namespace

int64_t ParseIncrement(std::string_view text)
{
    return GroupValue(text, 0) * 3600 + GroupValue(text, 3) * 60 + GroupValue(text, 6);
}

std::string IncrementText(int64_t seconds)
{
    if (seconds < 0)
        seconds = 0;
    if (seconds > 99 * 3600 + 59 * 60 + 59)
        seconds = 99 * 3600 + 59 * 60 + 59;
    return TwoDigits(static_cast<int>(seconds / 3600)) + ":" + TwoDigits(static_cast<int>(seconds / 60 % 60)) + ":" +
           TwoDigits(static_cast<int>(seconds % 60));
}

}  // namespace dedezuviv::model
