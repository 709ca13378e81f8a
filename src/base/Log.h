// The two process-wide log callbacks through which the non-window code writes to the log. The window
// (or the headless runner) registers them at start-up; with none registered nothing is output.
// Both are called on the main thread; a line written by another thread is handed to the main thread
// (see SetLogHandOff).
#pragma once

#include "base/Namespace.h"

#include <functional>
#include <string>

namespace dedezuviv::base {

using TLogCallback = std::function<void(const std::string&)>;

void SetLogCallbacks(TLogCallback logMessage, TLogCallback debugInfo);
void ClearLogCallbacks();

// A time-stamped line in the log.
void LogMessage(const std::string& text);
// A debug line (the receiver decides whether debug mode shows it).
void DebugInfo(const std::string& text);
// A second receiver of every log line (not debug lines), besides the registered one: the web view
// shows the log's last lines. Main thread only; nullptr removes it.
void SetLogMirror(TLogCallback mirror);
// How a line written on another thread (a reading or export of the web view) reaches the main thread:
// OnMainThread tells whether the caller runs there, Post queues work for it. The main-thread
// dispatcher installs both (base/MainThread.h); without them lines are written where they are called.
void SetLogHandOff(std::function<bool()> onMainThread, std::function<void(std::function<void()>)> post);

}  // namespace dedezuviv::base
