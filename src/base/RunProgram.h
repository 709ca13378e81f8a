// Runs another program and waits for it, collecting what it writes to standard output and error.
#pragma once

#include "base/Namespace.h"

#include <string>
#include <vector>

namespace dedezuviv::base {

struct TProgramRun {
    bool Started = false;  // false when the program could not be run at all (not found, not executable)
    int ExitCode = -1;     // the exit status, or -1 when it ended by a signal or did not start
    std::string Output;    // standard output and standard error together
    std::string StartError;  // why it did not start
};

// Arguments[0] is the program, looked up in PATH when it holds no "/".
TProgramRun RunProgram(const std::vector<std::string>& arguments);

}  // namespace dedezuviv::base
