// The namespace of this layer (the recorded-data reader for the charts),
// and the layers below it whose names it uses unqualified.
#pragma once

#include "model/Namespace.h"

namespace dedezuviv::evaluation {
using namespace dedezuviv::model;
}  // namespace dedezuviv::evaluation
