// The progress window of a command's run (export, batch export, chart), as the core actions drive it:
// they open it when the run begins, write its lines, ask it whether the user cancelled, and close it
// before their first message (the progress window disables the main window, and a message box of a
// disabled window could not be answered). Every member may be empty: no lines, never cancelled,
// nothing to open or close.
#pragma once

#include "app/core/Namespace.h"

#include <functional>
#include <string>

namespace dedezuviv::model {
class IProgress;
class TProject;
}  // namespace dedezuviv::model

namespace dedezuviv::app {

struct TActionProgress {
    IProgress* Lines = nullptr;
    std::function<bool()> CancelRequested{};
    std::function<void()> Open{};
    std::function<void()> Close{};

    void OpenWindow() const
    {
        if (Open)
            Open();
    }
    void CloseWindow() const
    {
        if (Close)
            Close();
    }
};

// A line into Lines when there are lines.
void AddProgressLine(IProgress* lines, const std::string& text);

// Whether the project a run began with is still there. Only the current project can go away (the
// user closes or replaces it while the run lets window events run, and it is freed); a project that was
// not current at the start (a program without window) never does.
class TProjectWatch {
public:
    explicit TProjectWatch(const TProject& project);
    // True once the project went away: it must not be touched any more.
    bool Gone() const;
    // The cancel rule of the run: the user's request (may be empty), or the project went away.
    std::function<bool()> CancelRule(std::function<bool()> cancelRequested) const;

private:
    const TProject* Project;
    bool WasCurrent;
};

}  // namespace dedezuviv::app
