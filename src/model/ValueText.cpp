#include "model/ValueText.h"

#include "base/FormatSettings.h"
#include "base/NumberText.h"
#include "model/Namespace.h"

namespace dedezuviv::model {

std::string ValueToText(const TFieldValue& value)
{
    switch (value.Kind) {
    case vkFloat:
        return FloatToText(value.FloatValue, FormatSettings().DecimalSeparator);
    case vkInteger:
        return std::to_string(value.IntValue);
    case vkDateTime:
        if (value.DateTimeValue == 0)
            return "---";
        return DateTimeToStr(value.DateTimeValue);
    case vkHex: {
        static const char digits[] = "0123456789ABCDEF";
        uint32_t bits = static_cast<uint32_t>(value.IntValue);
        char buffer[8];
        int count = 0;
        do {
            buffer[count++] = digits[bits & 0xF];
            bits >>= 4;
        } while (bits != 0);
        if (count < 2)
            buffer[count++] = '0';
        std::string text;
        while (count > 0)
            text += buffer[--count];
        return text;
    }
    default:
        return "-";
    }
}

}  // namespace dedezuviv::model
