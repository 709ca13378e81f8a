// Helpers the subcommands of dedezuviv-tool share: wrong-use messages, time stamps on the command
// line, JSON strings, and the program's messages on stderr.
#pragma once

#include "base/DateTime.h"
#include "base/JsonText.h"
#include "model/UiInterfaces.h"

#include <string>
#include <string_view>

// Prints the message (when not empty) and the usage text on stderr; returns the exit code of wrong use (2).
int UsageError(const char* usage, const std::string& message);

// "YYYY-MM-DDTHH:MM:SS", nothing else; false when the text or the date is not valid.
bool ParseTimestamp(std::string_view text, TDateTime& value);

// Messages of the program go to stderr; a question is answered No (Cancel when offered), as nobody is
// there to answer it. Installed for the lifetime of the object.
class TStderrDialogs : public IUserDialogs {
public:
    TStderrDialogs();
    ~TStderrDialogs() override;
    TStderrDialogs(const TStderrDialogs&) = delete;
    TStderrDialogs& operator=(const TStderrDialogs&) = delete;

    TDialogAnswer Ask(const std::string& text, bool withCancel) override;
    void Inform(const std::string& text) override;
    void Error(const std::string& text) override;
};
