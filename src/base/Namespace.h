// The namespace of this layer (helpers that know nothing of projects).
#pragma once

namespace dedezuviv::base {
}  // namespace dedezuviv::base
