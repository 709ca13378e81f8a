// Helpers the subcommands of dedezuviv-tool share: wrong-use messages, time stamps on the command
// line, JSON strings, the program's messages on stderr, and the range-and-fields options and project
// loading of export, export-batch and plot.
#pragma once

#include "base/DateTime.h"
#include "base/JsonText.h"
#include "model/Fields.h"
#include "model/UiInterfaces.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

using namespace dedezuviv::base;
using namespace dedezuviv::model;

namespace dedezuviv::model { class TProject; }
namespace dedezuviv::model { struct TProjectView; }

// The lines of --help on --selection and --fields of export and export-batch, German and English.
extern const char* const FieldOptionsHelp;
extern const char* const FieldOptionsHelpEnglish;

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

// What --project, --from, --to, --selection or --fields, --increment and the output file say.
struct TRangeOptions {
    std::string ProjectName;
    TDateTime Start = 0, End = 0;
    bool BySelection = false;  // --selection given; otherwise --fields was
    std::string SelectionName;
    TNameList FieldNames;          // --fields split at its commas, without blanks, empty names left out
    int64_t IncrementSeconds = 0;  // 0: the automatic increment
    std::string Output;            // the positional argument, for a subcommand that takes one
};

// An option only one subcommand has: with a value (Value set) or a flag (Value null).
struct TExtraOption {
    std::string_view Name;
    std::string* Value = nullptr;
    bool* Given = nullptr;  // may be null; true once the option (with its value) was given
    // When set, the option is required: wrong use with this message when its value is missing or empty,
    // checked right after --project.
    const char* MissingMessage = nullptr;
};

struct TRangeCommand {
    const char* Usage = "";
    std::vector<TExtraOption> ExtraOptions{};
    // true: exactly one positional argument, the output file; false: none at all.
    bool TakesOutput = true;
    // May be empty: checks (and converts) the values of the extra options after --to and before --increment;
    // returns the message of the first wrong one, empty when all are right.
    std::function<std::string()> CheckExtraOptions{};
};

// The arguments after the subcommand name (argv[0]), checked in this order: --project given, the
// required extra options, the output file, exactly one of --selection and --fields, --from, --to,
// CheckExtraOptions, --increment (whole seconds from 0 to one year, MaxIncrementSeconds).
// Returns the exit code when the subcommand ends here: 0 after --help (usage on stdout), 2 on wrong use
// (message and usage on stderr); nothing when it goes on.
std::optional<int> ParseRangeOptions(int argc, char** argv, const TRangeCommand& command, TRangeOptions& options);

// The project file read as the window reads it (messages through the installed dialogs); null after
// the reason went to stderr. View, when given, receives the window state the file holds.
std::unique_ptr<TProject> LoadToolProject(const std::string& fileName, TProjectView* view = nullptr);

// The project and the fields to export: those of the stored selection, or the names of --fields.
// Null when the project cannot be read, when there is no field, or when a name is neither a system
// field nor defined in the project; the export engine's message and the reason are then on stderr.
std::unique_ptr<TProject> LoadProjectForExport(const TRangeOptions& options, TNameList& fields);

// SIGINT and SIGTERM only note the request (long exports ask for it and stop cleanly).
void InstallToolStopSignals();
bool ToolStopRequested();
