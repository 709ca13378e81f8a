// The settings of one occupied cell of the main window's data table.
#pragma once

#include "model/Namespace.h"

#include <cstdint>
#include <string>

namespace dedezuviv::model {

// Colours are 32-bit values with red in the lowest byte, green in the next and blue in the third.
using TCellColor = int32_t;
constexpr TCellColor CellColorBlack = 0;
constexpr TCellColor CellColorBlue = 16711680;  // 0xFF0000
constexpr TCellColor CellColorRed = 255;

class TDataField {
public:
    // Fields in their fixed order.
    std::string Fieldname;             // qualified field name, display form
    std::string UnitStr;               // unit used when UseDefaultUnit is false
    std::string CaptionStr;            // caption used when UseFieldnameAsCaption is false
    bool UseFieldnameAsCaption = true;
    bool UseDefaultUnit = true;
    bool ActivateMin = false;
    bool ActivateMax = false;
    double MinVal = 0.0;
    double MaxVal = 0.5;
    bool BoldFont = false;
    bool ItalicFont = false;
    TCellColor FontColor = CellColorBlack;
    TCellColor MinFontColor = CellColorBlue;
    TCellColor MaxFontColor = CellColorRed;
    TCellColor DisplayColor = CellColorBlack;  // chosen at each refresh of the table, never stored

    // The stored settings equal (DisplayColor is not compared).
    bool SameSettings(const TDataField& other) const;
};

}  // namespace dedezuviv::model
