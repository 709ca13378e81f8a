// What the core actions of the window's commands need of the window (or of a test, or of a program
// without a window): the checks a command starts with and the display refresh it ends with. The
// window's command host implements it; each action adds what only it needs in an interface of its own.
#pragma once

#include "app/core/Namespace.h"

namespace dedezuviv::app {

class IActionHost {
public:
    virtual ~IActionHost() = default;
    // Without a current project: its message, then true.
    virtual bool NoActProject() = 0;
    // While the data source receives: asks to stop it; false when the user declines.
    virtual bool ConfirmStopLogging() = 0;
    virtual void RefreshDisplay() = 0;
};

}  // namespace dedezuviv::app
