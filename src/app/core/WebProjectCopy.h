// A copy of the open project's parts that reading recorded data needs (names, data folder, field
// definitions, selections), taken under the live-state lock, so that a server thread can read and
// export for as long as it takes while the main thread replaces or changes the project.
#pragma once

#include "app/core/Namespace.h"

#include <memory>

namespace dedezuviv::model {
class TProject;
}  // namespace dedezuviv::model

namespace dedezuviv::app {

// The copy, or nullptr when no project is open. Any thread; takes LiveStateLock().
std::unique_ptr<TProject> CopyCurrentProjectForReading();

}  // namespace dedezuviv::app
