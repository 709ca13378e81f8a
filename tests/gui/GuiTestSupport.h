// Support for the window tests: one QApplication (offscreen) for the whole test program, scripted
// answers to the program's message boxes, and waiting while events are processed.
#pragma once

#include "model/UiInterfaces.h"

#include <deque>
#include <functional>
#include <string>
#include <vector>

namespace guitest {

// Records every question and message; questions take their answers from a queue (No when empty).
class ScriptedDialogs : public IUserDialogs {
public:
    struct Entry {
        std::string Kind;  // "ask", "inform" or "error"
        std::string Text;
    };
    TDialogAnswer Ask(const std::string& text, bool withCancel) override;
    void Inform(const std::string& text) override;
    void Error(const std::string& text) override;

    std::deque<TDialogAnswer> Answers;
    std::vector<Entry> Shown;
    int Count(const std::string& kind) const;
    bool Contains(const std::string& kind, const std::string& text) const;
};

// Processes window events and worker tasks until the condition holds or the time is up.
bool WaitUntil(const std::function<bool()>& condition, int timeoutMs);
// Processes events for the given time.
void Pump(int milliseconds);

}  // namespace guitest
