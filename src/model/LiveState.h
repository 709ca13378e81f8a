// The state that the main thread replaces while other threads (the network value server) read it: the
// one open project (CurrentProject) and the main window's last shown record (CurrentRecord).
//
// Rules:
// - Only the main thread replaces or changes them. It may read them without the lock.
// - Any other thread reads them only while holding LiveStateLock(), and keeps no pointer or reference
//   to them after releasing it (copy what is needed).
// - The main thread holds the lock while it changes anything of the current project that other threads
//   read (the field definitions); ReplaceCurrentProject, CloseCurrentProject and SetCurrentRecord take
//   it themselves.
// - A project leaving CurrentProject is freed after the lock has been released: a reader holding the
//   lock sees either the old, still complete project or the new one, never a freed one. Its logging
//   (model/LiveLogging.h: the running data source with its serial port) ends before the lock is taken,
//   through the project-ending handler, so the port is closed first and never under the lock.
// - The lock is not recursive: code holding it must not call the functions below that take it.
// - The program closes the project (CloseCurrentProject) before it ends; a project still open at exit
//   is freed with the other static objects.
#pragma once

#include "protocol/RecordDecoder.h"
#include "model/Namespace.h"

#include <functional>
#include <memory>
#include <mutex>

namespace dedezuviv::model {

class TProject;

std::mutex& LiveStateLock();

// The open project, or nullptr when none is open (at start).
TProject* CurrentProject();
// Whether Project is the open project; any thread (takes the lock, so it must not be held).
bool IsCurrentProject(const TProject* project);
// Makes Project the open project (nullptr closes) and frees the previous one. Main thread only.
void ReplaceCurrentProject(std::unique_ptr<TProject> project);
// Runs first whenever the open project is closed or replaced (main thread). The logging of the project,
// which lives above this unit, installs it, so that its port never outlives the project.
void SetProjectEndingHandler(std::function<void()> handler);
// Frees the open project; CurrentProject() is nullptr afterwards. Main thread only.
void CloseCurrentProject();

// The main window's copy of the last shown record, all zero (no values, no header) at start. It lives on
// the heap: at about 38 KB it is too large to be copied through the stack carelessly.
const TDecodedRecord& CurrentRecord();
// Copies Record into CurrentRecord under the lock. Main thread only.
void SetCurrentRecord(const TDecodedRecord& record);
// Resets CurrentRecord to all zero under the lock. Main thread only.
void ClearCurrentRecord();

}  // namespace dedezuviv::model
