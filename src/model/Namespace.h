// The namespace of this layer (project, fields, data source, day files, project file, window state),
// and the layers below it whose names it uses unqualified.
#pragma once

#include "protocol/Namespace.h"
#include "device/Namespace.h"

namespace dedezuviv::model {
using namespace dedezuviv::protocol;
using namespace dedezuviv::device;
}  // namespace dedezuviv::model
