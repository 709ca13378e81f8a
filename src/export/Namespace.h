// The namespace of this layer (the export engine and its writers),
// and the layers below it whose names it uses unqualified.
#pragma once

#include "model/Namespace.h"

namespace dedezuviv::exports {
using namespace dedezuviv::model;
}  // namespace dedezuviv::exports
