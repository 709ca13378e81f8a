#include "ToolSupport.h"

#include "export/ExportBatch.h"
#include "export/ExportData.h"
#include "model/IncrementRule.h"
#include "model/ProjectFile.h"

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>

using namespace dedezuviv::model;
using namespace dedezuviv::exports;

const char* const FieldOptionsHelp =
    "--selection nimmt eine im Projekt gespeicherte Feldauswahl; ein Feld darin, das das Projekt nicht mehr\n"
    "definiert, wird als leere Spalte exportiert. --fields nimmt Feldnamen wie im Fenster (\"Kessel\n"
    "(Temperatur)\", \"PC\"); ein Name, den das Projekt nicht definiert, gilt als Tippfehler und wird\n"
    "abgelehnt.\n";
const char* const FieldOptionsHelpEnglish =
    "--selection takes a field selection stored in the project; a field in it that the project no longer\n"
    "defines is exported as an empty column. --fields takes field names as the window shows them; a name\n"
    "the project does not define is taken for a typo and refused.\n";

int UsageError(const char* usage, const std::string& message)
{
    if (!message.empty())
        std::fprintf(stderr, "%s\n\n", message.c_str());
    std::fputs(usage, stderr);
    return 2;
}

bool ParseTimestamp(std::string_view text, TDateTime& value)
{
    if (text.size() != 19 || text[4] != '-' || text[7] != '-' || text[10] != 'T' || text[13] != ':' ||
        text[16] != ':')
        return false;
    auto number = [&](size_t pos, size_t length, int& out) {
        out = 0;
        for (size_t i = pos; i < pos + length; ++i) {
            if (text[i] < '0' || text[i] > '9')
                return false;
            out = out * 10 + (text[i] - '0');
        }
        return true;
    };
    TDateTimeParts parts;
    return number(0, 4, parts.Year) && number(5, 2, parts.Month) && number(8, 2, parts.Day) &&
           number(11, 2, parts.Hour) && number(14, 2, parts.Minute) && number(17, 2, parts.Second) &&
           TryEncodeDateTime(parts, value);
}

TStderrDialogs::TStderrDialogs() { SetUserDialogs(this); }

TStderrDialogs::~TStderrDialogs()
{
    if (UserDialogs() == this)
        SetUserDialogs(nullptr);
}

TDialogAnswer TStderrDialogs::Ask(const std::string& text, bool withCancel)
{
    std::fprintf(stderr, "%s\n", text.c_str());
    return withCancel ? TDialogAnswer::Cancel : TDialogAnswer::No;
}

void TStderrDialogs::Inform(const std::string& text) { std::fprintf(stderr, "%s\n", text.c_str()); }

void TStderrDialogs::Error(const std::string& text) { std::fprintf(stderr, "%s\n", text.c_str()); }

namespace {

std::string Trim(std::string_view text)
{
    size_t begin = 0, end = text.size();
    while (begin < end && (text[begin] == ' ' || text[begin] == '\t'))
        ++begin;
    while (end > begin && (text[end - 1] == ' ' || text[end - 1] == '\t'))
        --end;
    return std::string(text.substr(begin, end - begin));
}

// The comma-separated names, each without surrounding blanks; empty names are left out.
TNameList SplitNames(std::string_view text)
{
    TNameList names;
    size_t start = 0;
    for (;;) {
        const size_t comma = text.find(',', start);
        const size_t end = comma == std::string_view::npos ? text.size() : comma;
        std::string name = Trim(text.substr(start, end - start));
        if (!name.empty())
            names.push_back(std::move(name));
        if (comma == std::string_view::npos)
            return names;
        start = comma + 1;
    }
}

// The fields of the stored selection or of --fields; false after the engine's message and the reason
// went to stderr.
bool ExportFieldsOrReport(const TProject& project, const TRangeOptions& options, TNameList& fields)
{
    fields.clear();
    if (options.BySelection) {
        const bool found = SelectionFields(project, options.SelectionName, fields);
        if (!fields.empty())
            return true;
        std::fprintf(stderr, "%s\n", ExportMessages::NoFields);
        if (!found)
            std::fprintf(stderr, "Feldauswahl \"%s\" ist im Projekt nicht vorhanden.\n", options.SelectionName.c_str());
        return false;
    }
    fields = options.FieldNames;
    const TNameList unknown = UnknownFields(project, fields);
    if (!fields.empty() && unknown.empty())
        return true;
    std::fprintf(stderr, "%s\n", ExportMessages::NoFields);
    std::string names;
    for (const std::string& name : unknown)
        names += (names.empty() ? "\"" : ", \"") + name + "\"";
    if (!names.empty())
        std::fprintf(stderr, "Im Projekt nicht definiert: %s\n", names.c_str());
    return false;
}

// --increment: whole seconds from 0 to one year; no text is 0. The message of a wrong one, else empty.
std::string ParseIncrement(const std::string& text, int64_t& seconds)
{
    seconds = 0;
    if (text.empty())
        return std::string();
    char* end = nullptr;
    errno = 0;
    const long long parsed = std::strtoll(text.c_str(), &end, 10);
    if (end == text.c_str() || *end != '\0' || parsed < 0)
        return "--increment: ganze Sekunden >= 0 erwartet / whole seconds >= 0 expected";
    if (errno == ERANGE || parsed > MaxIncrementSeconds)
        return "--increment: höchstens ein Jahr (" + std::to_string(MaxIncrementSeconds) +
               " Sekunden) / at most one year (" + std::to_string(MaxIncrementSeconds) + " seconds)";
    seconds = parsed;
    return std::string();
}

}  // namespace

std::optional<int> ParseRangeOptions(int argc, char** argv, const TRangeCommand& command, TRangeOptions& options)
{
    const char* const usage = command.Usage;
    std::string from, to, fieldsText, incrementText;
    bool haveSelection = false, haveFields = false;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            std::fputs(usage, stdout);
            return 0;
        }
        auto value = [&](std::string& target) {
            if (i + 1 >= argc)
                return false;
            target = argv[++i];
            return true;
        };
        const TExtraOption* extra = nullptr;
        for (const TExtraOption& option : command.ExtraOptions)
            if (arg == option.Name)
                extra = &option;
        bool ok = true;
        if (arg == "--project")
            ok = value(options.ProjectName);
        else if (arg == "--from")
            ok = value(from);
        else if (arg == "--to")
            ok = value(to);
        else if (arg == "--selection")
            ok = haveSelection = value(options.SelectionName);
        else if (arg == "--fields")
            ok = haveFields = value(fieldsText);
        else if (arg == "--increment")
            ok = value(incrementText);
        else if (extra) {
            ok = extra->Value == nullptr || value(*extra->Value);
            if (ok && extra->Given)
                *extra->Given = true;
        } else if (arg.size() > 1 && arg[0] == '-')
            return UsageError(usage, "Unbekannte Option / unknown option: \"" + std::string(arg) + "\"");
        else if (!command.TakesOutput)
            return UsageError(usage, "Unerwartetes Argument / unexpected argument: \"" + std::string(arg) + "\"");
        else if (options.Output.empty())
            options.Output = std::string(arg);
        else
            return UsageError(usage, "Nur eine Ausgabedatei / only one output file");
        if (!ok)
            return UsageError(usage, std::string(arg) + " ohne Wert / " + std::string(arg) + " needs a value");
    }
    if (options.ProjectName.empty())
        return UsageError(usage, "Keine Projektdatei angegeben (--project) / no project file given");
    for (const TExtraOption& option : command.ExtraOptions)
        if (option.MissingMessage && (option.Value == nullptr || option.Value->empty()))
            return UsageError(usage, option.MissingMessage);
    if (command.TakesOutput && options.Output.empty())
        return UsageError(usage, "Keine Ausgabedatei angegeben / no output file given");
    if (haveSelection == haveFields)
        return UsageError(usage, "Entweder --selection oder --fields angeben / give either --selection or --fields");
    if (!ParseTimestamp(from, options.Start))
        return UsageError(usage, "--from: Zeitpunkt YYYY-MM-DDTHH:MM:SS erwartet / timestamp expected");
    if (!ParseTimestamp(to, options.End))
        return UsageError(usage, "--to: Zeitpunkt YYYY-MM-DDTHH:MM:SS erwartet / timestamp expected");
    if (command.CheckExtraOptions)
        if (const std::string message = command.CheckExtraOptions(); !message.empty())
            return UsageError(usage, message);
    if (const std::string message = ParseIncrement(incrementText, options.IncrementSeconds); !message.empty())
        return UsageError(usage, message);
    options.BySelection = haveSelection;
    if (haveFields)
        options.FieldNames = SplitNames(fieldsText);
    return std::nullopt;
}

std::unique_ptr<TProject> LoadToolProject(const std::string& fileName, TProjectView* view)
{
    TProjectView ownView;
    std::unique_ptr<TProject> project;
    int result = 0;
    std::string errorText;
    LoadProjectFile(project, fileName, result, errorText, view ? *view : ownView);
    if (result != 0 || !project) {
        std::fprintf(stderr, "%s\n", errorText.c_str());
        return nullptr;
    }
    return project;
}

std::unique_ptr<TProject> LoadProjectForExport(const TRangeOptions& options, TNameList& fields)
{
    std::unique_ptr<TProject> project = LoadToolProject(options.ProjectName);
    if (project && !ExportFieldsOrReport(*project, options, fields))
        project.reset();
    return project;
}

namespace {

std::atomic<bool> StopSignalled{false};

extern "C" void NoteToolStopSignal(int) { StopSignalled = true; }

}  // namespace

void InstallToolStopSignals()
{
    struct sigaction action {};
    action.sa_handler = NoteToolStopSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

bool ToolStopRequested() { return StopSignalled.load(); }
