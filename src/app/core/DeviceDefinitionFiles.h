// Where the device definition file of a controller lies: named after its program number ("13.def"),
// in the user's own folder $XDG_DATA_HOME/dedezuviv/def (default ~/.local/share/dedezuviv/def) first,
// so a user can add or correct a definition, then in the folder "def" of the program's resources.
#pragma once

#include "app/core/Namespace.h"

#include <cstdint>
#include <string>

namespace dedezuviv::app {

// The full path of the file for the program number: the first folder that holds it, else the path in
// the program's resources (which then does not exist).
std::string DeviceDefinitionFile(int32_t programNumber);

// The user's folder of definitions; empty when neither XDG_DATA_HOME nor HOME is set.
std::string UserDeviceDefinitionDir();

}  // namespace dedezuviv::app
