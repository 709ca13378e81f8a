// The program's standard font for the field list, the data table and the project labels.
#pragma once

#include <QColor>
#include <QFont>

#include <cstdint>

struct TStandardFont {
    QFont Font;
    int32_t Color = 0;  // $00BBGGRR
};

// Initially the system's menu font.
TStandardFont& StandardFont();
// A stored colour value $00BBGGRR as a colour.
QColor ColorFromValue(int32_t value);
