// Support for the window tests: one QApplication (offscreen) for the whole test program, scripted
// answers to the program's message boxes, and waiting while events are processed.
#pragma once

#include "support/ScriptedUi.h"

#include <functional>
#include <string>

namespace guitest {

using ScriptedDialogs = testsupport::ScriptedDialogs;

// Processes window events and worker tasks until the condition holds or the time is up.
bool WaitUntil(const std::function<bool()>& condition, int timeoutMs);
// Processes events for the given time.
void Pump(int milliseconds);

}  // namespace guitest
