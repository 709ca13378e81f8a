// The namespace of this layer (the record decoder),
// and the layers below it whose names it uses unqualified.
#pragma once

#include "base/Namespace.h"

namespace dedezuviv::protocol {
using namespace dedezuviv::base;
}  // namespace dedezuviv::protocol
