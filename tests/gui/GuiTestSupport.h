// Support for the window tests and the documentation's pictures: scripted answers to the program's
// message boxes and file dialogs, a dialog acted on once it is shown, and waiting while events are
// processed. (The one QApplication of the test program is made in GuiTestEnvironment.cpp.)
#pragma once

#include "app/core/FileChooser.h"
#include "base/DateTime.h"
#include "support/ScriptedUi.h"

#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

using namespace dedezuviv::base;
using namespace dedezuviv::app;

class QDateEdit;
class QDialog;
class QTimeEdit;
namespace dedezuviv::model { class TProject; }

namespace guitest {

using ScriptedDialogs = testsupport::ScriptedDialogs;

// File dialogs answered from a queue (cancelled when it is empty); every call is kept.
class ScriptedFiles : public IFileChooser {
public:
    struct Call {
        std::string Kind;  // "open", "save" or "folder"
        std::string Title, Filter;
        std::string Extra;  // the save dialog's default extension, the folder dialog's start
    };
    std::string ChooseOpenFile(const std::string& title, const std::string& filter) override;
    std::string ChooseSaveFile(const std::string& title, const std::string& filter,
                               const std::string& extension) override;
    std::string ChooseFolder(const std::string& title, const std::string& root) override;

    std::deque<std::string> Answers;
    std::vector<Call> Calls;

private:
    std::string Next();
};

// Runs Command; once Dialog is shown meanwhile (looked for every few milliseconds while events run,
// as anything before its modal loop may let events run too), Act runs on it, and a dialog still open
// afterwards is cancelled. Returns whether the dialog was shown.
bool WithDialog(QDialog& dialog, const std::function<void()>& act, const std::function<void()>& command);

// The project of the export commands' tests and pictures: "Haus" with three temperatures and a
// burner, and the field selections "Temperaturen", "Kessel" and "Leer" (the last without a list).
std::unique_ptr<TProject> ExportProject(const std::string& fileName);

// Sets a dialog's date and time pickers to a moment.
void SetPickers(QDateEdit* date, QTimeEdit* time, TDateTime value);

// Processes window events and worker tasks until the condition holds or the time is up.
bool WaitUntil(const std::function<bool()>& condition, int timeoutMs);
// Processes events for the given time.
void Pump(int milliseconds);

}  // namespace guitest
