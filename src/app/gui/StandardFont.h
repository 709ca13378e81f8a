// The program's standard font for the field list, the data table and the project labels.
#pragma once

#include "app/gui/Namespace.h"

#include <QColor>
#include <QFont>
#include <QWidget>

#include <cstdint>

namespace dedezuviv::gui {

struct TStandardFont {
    QFont Font;
    int32_t Color = 0;  // $00BBGGRR
};

// Initially the system's menu font.
TStandardFont& StandardFont();
// A stored colour value $00BBGGRR as a colour; a system colour ($FF in the top byte and a Windows
// colour index below, as the settings files of older installations hold the menu font's colour) as
// the matching colour of the application's palette.
QColor ColorFromValue(int32_t value);
// Gives the widget the colour of the standard font for its text.
void ApplyStandardFontColor(QWidget& widget);

}  // namespace dedezuviv::gui
