// The namespace of this layer (start-up, settings, logging control, servers, core actions),
// and the layers below it whose names it uses unqualified.
#pragma once

#include "export/Namespace.h"
#include "evaluation/Namespace.h"

namespace dedezuviv::app {
using namespace dedezuviv::exports;
using namespace dedezuviv::evaluation;
}  // namespace dedezuviv::app
