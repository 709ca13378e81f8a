// The window's interfaces for tests, without Qt: message boxes with scripted answers, and a progress
// window that keeps its lines.
#pragma once

#include "model/UiInterfaces.h"

#include <deque>
#include <ostream>
#include <string>
#include <vector>

using namespace dedezuviv::model;

namespace testsupport {

// Records every question and message; questions take their answers from a queue (No, or Cancel when
// offered, once it is empty).
class ScriptedDialogs : public IUserDialogs {
public:
    struct Entry {
        std::string Kind;  // "ask", "inform" or "error"
        std::string Text;
        bool operator==(const Entry&) const = default;
    };
    TDialogAnswer Ask(const std::string& text, bool withCancel) override;
    void Inform(const std::string& text) override;
    void Error(const std::string& text) override;

    std::deque<TDialogAnswer> Answers;
    std::vector<Entry> Shown;
    int Count(const std::string& kind) const;
    bool Contains(const std::string& kind, const std::string& text) const;
};

// For GoogleTest's messages.
void PrintTo(const ScriptedDialogs::Entry& entry, std::ostream* out);

// The progress window as lines of text.
class RecordingProgress : public IProgress {
public:
    void AddLine(const std::string& text) override { Lines.push_back(text); }
    void AppendToLastLine(const std::string& text) override;
    void SetProgress(double) override {}

    std::vector<std::string> Lines;
};

}  // namespace testsupport
