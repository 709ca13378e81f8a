#include "model/UiInterfaces.h"
#include "model/Namespace.h"

namespace dedezuviv::model {

namespace {
IRecordDisplay* CurrentDisplay = nullptr;
IUserDialogs* CurrentDialogs = nullptr;
}  // namespace

void SetRecordDisplay(IRecordDisplay* display) { CurrentDisplay = display; }
IRecordDisplay* RecordDisplay() { return CurrentDisplay; }
void SetUserDialogs(IUserDialogs* dialogs) { CurrentDialogs = dialogs; }
IUserDialogs* UserDialogs() { return CurrentDialogs; }

void ShowRecord(const TDecodedRecord& record)
{
    if (CurrentDisplay)
        CurrentDisplay->ShowRecord(record);
}

void AddTerminalLine(const std::string& text)
{
    if (CurrentDisplay)
        CurrentDisplay->AddTerminalLine(text);
}

TDialogAnswer AskUser(const std::string& text, bool withCancel)
{
    if (CurrentDialogs)
        return CurrentDialogs->Ask(text, withCancel);
    return withCancel ? TDialogAnswer::Cancel : TDialogAnswer::No;
}

void InformUser(const std::string& text)
{
    if (CurrentDialogs)
        CurrentDialogs->Inform(text);
}

void ShowError(const std::string& text)
{
    if (CurrentDialogs)
        CurrentDialogs->Error(text);
}

}  // namespace dedezuviv::model
