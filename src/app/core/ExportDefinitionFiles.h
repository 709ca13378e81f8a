// Where the batch-export types "exportdef.cfg" are read from: the user's own file
// $XDG_CONFIG_HOME/dedezuviv/exportdef.cfg (default ~/.config/dedezuviv/exportdef.cfg) first, so a
// user can define periods without root, then the program's resources (beside the program, then the
// installed data folder).
#pragma once

#include "app/core/Namespace.h"

#include <string>

namespace dedezuviv::app {

// The user's file (whether or not it exists); empty when neither XDG_CONFIG_HOME nor HOME is set.
std::string UserExportDefinitionFile();
// The first of the places above that holds the file; else the path beside the program (which then
// does not exist, and the built-in types are used).
std::string ExportDefinitionFile();
// ExportTypes := the types of ExportDefinitionFile() (LoadExportTypes). Returns the file's path.
std::string LoadProgramExportTypes();

}  // namespace dedezuviv::app
