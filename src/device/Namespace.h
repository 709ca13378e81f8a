// The namespace of this layer (the serial line and the port list),
// and the layers below it whose names it uses unqualified.
#pragma once

#include "base/Namespace.h"

namespace dedezuviv::device {
using namespace dedezuviv::base;
}  // namespace dedezuviv::device
