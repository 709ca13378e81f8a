// The core's UTF-8 text as a Qt string, for the window's sources that convert many texts.
#pragma once

#include "app/gui/Namespace.h"

#include <QString>

#include <string>

namespace dedezuviv::gui {

inline QString Q(const std::string& text) { return QString::fromStdString(text); }

}  // namespace dedezuviv::gui
