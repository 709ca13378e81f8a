// The namespace of this layer (the window),
// and the layers below it whose names it uses unqualified.
#pragma once

#include "app/core/Namespace.h"

namespace dedezuviv::gui {
using namespace dedezuviv::app;
}  // namespace dedezuviv::gui
