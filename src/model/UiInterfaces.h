// What the core needs of a window, as small interfaces. The window implements them, the headless
// runner and the tests implement them without Qt. With no receiver installed, calls do nothing
// (questions then answer with their default).
#pragma once

#include "protocol/RecordDecoder.h"
#include "model/Namespace.h"

#include <string>

namespace dedezuviv::model {

// The live display of the main window.
class IRecordDisplay {
public:
    virtual ~IRecordDisplay() = default;
    // The record becomes the window's current record (field list, table, watchdog).
    virtual void ShowRecord(const TDecodedRecord& record) = 0;
    // One line in the terminal, without time stamp.
    virtual void AddTerminalLine(const std::string& text) = 0;
};

enum class TDialogAnswer { Yes, No, Cancel, Ok };

// Every message box of the program.
class IUserDialogs {
public:
    virtual ~IUserDialogs() = default;
    // A question with Yes and No (and Cancel when withCancel).
    virtual TDialogAnswer Ask(const std::string& text, bool withCancel) = 0;
    // A plain message with OK.
    virtual void Inform(const std::string& text) = 0;
    // An error message with OK.
    virtual void Error(const std::string& text) = 0;
};

// The progress window of long operations.
class IProgress {
public:
    virtual ~IProgress() = default;
    virtual void AddLine(const std::string& text) = 0;
    virtual void AppendToLastLine(const std::string& text) = 0;
    // Percent of the work done, 0 to 100; also lets pending window events run.
    virtual void SetProgress(double percent) = 0;
};

void SetRecordDisplay(IRecordDisplay* display);
IRecordDisplay* RecordDisplay();
void SetUserDialogs(IUserDialogs* dialogs);
IUserDialogs* UserDialogs();

// Shortcuts that do nothing without a receiver. Ask answers No (Cancel when withCancel) then.
void ShowRecord(const TDecodedRecord& record);
void AddTerminalLine(const std::string& text);
TDialogAnswer AskUser(const std::string& text, bool withCancel = false);
void InformUser(const std::string& text);
void ShowError(const std::string& text);

}  // namespace dedezuviv::model
