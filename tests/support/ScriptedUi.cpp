#include "support/ScriptedUi.h"

namespace testsupport {

TDialogAnswer ScriptedDialogs::Ask(const std::string& text, bool withCancel)
{
    Shown.push_back({"ask", text});
    if (Answers.empty())
        return withCancel ? TDialogAnswer::Cancel : TDialogAnswer::No;
    const TDialogAnswer answer = Answers.front();
    Answers.pop_front();
    return answer;
}

void ScriptedDialogs::Inform(const std::string& text) { Shown.push_back({"inform", text}); }

void ScriptedDialogs::Error(const std::string& text) { Shown.push_back({"error", text}); }

int ScriptedDialogs::Count(const std::string& kind) const
{
    int n = 0;
    for (const Entry& e : Shown)
        n += e.Kind == kind;
    return n;
}

bool ScriptedDialogs::Contains(const std::string& kind, const std::string& text) const
{
    for (const Entry& e : Shown)
        if (e.Kind == kind && e.Text == text)
            return true;
    return false;
}

void PrintTo(const ScriptedDialogs::Entry& entry, std::ostream* out) { *out << entry.Kind << ": " << entry.Text; }

void RecordingProgress::AppendToLastLine(const std::string& text)
{
    if (Lines.empty())
        Lines.emplace_back();
    Lines.back() += text;
}

}  // namespace testsupport
