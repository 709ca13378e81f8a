// The program's standard font for the field list, the data table and the project labels.
#pragma once

#include <QFont>

#include <cstdint>

struct TStandardFont {
    QFont Font;
    int32_t Color = 0;  // $00BBGGRR
};

// Initially the system's menu font.
TStandardFont& StandardFont();
