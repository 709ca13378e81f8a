// dedezuviv-tool export-batch: the window's "Batch-Export" on the command line, for cron
// jobs. The same period loop (TExportBatch), the same file names, the same closed periods and the same
// period types ("exportdef.cfg" of the user, then of the program, else the four built-in types).
// SIGINT and SIGTERM stop it after the file being written is complete.
#include "Commands.h"
#include "ToolSupport.h"

#include "app/core/ExportDefinitionFiles.h"
#include "base/FormatSettings.h"
#include "base/Log.h"
#include "export/ExportBatch.h"
#include "model/ProjectFile.h"
#include "model/UiInterfaces.h"

#include <atomic>
#include <csignal>
#include <signal.h>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

const char* const Usage =
    "Aufruf / usage: dedezuviv-tool export-batch --project DATEI --type NAME --from YYYY-MM-DDTHH:MM:SS\n"
    "                      --to YYYY-MM-DDTHH:MM:SS (--selection NAME | --fields \"Q1,Q2,...\")\n"
    "                      [--format csv|xls|dat|wk1] [--mask MASKE] [--folder VERZEICHNIS]\n"
    "                      [--increment SEKUNDEN]\n"
    "\n"
    "Schreibt wie \"Batch-Export\" im Fenster eine Datei je Zeitraum (--type: Name oder ID eines\n"
    "Auswertungszeitraums, z. B. Tagesverlauf oder Day) von --from bis --to. Jeder Zeitraum ist\n"
    "geschlossen: ein Datensatz genau auf der Grenze steht in beiden Dateien. Dateinamen aus der Maske\n"
    "(Vorgabe %TYP_%JAHR-%MONAT-%TAG-%STUNDE%MIN; Platzhalter %ID %TYP %JAHR %MONAT %TAG %STUNDE %MIN\n"
    "%YEAR %MONTH %DAY %HOUR) und der Endung des Formats (Vorgabe xls), im Ordner --folder (Vorgabe: der\n"
    "Ordner \"export\" des Projekts). --increment: kleinster Abstand zweier Datensätze in Sekunden;\n"
    "0 oder ohne: automatisch wie im Fenster. Eine Zeile je Datei mit ihrer Datensatzzahl, dann die Summe.\n"
    "Zeiträume aus $XDG_CONFIG_HOME/dedezuviv/exportdef.cfg, sonst exportdef.cfg des Programms, sonst\n"
    "Monatsverlauf, Tagesverlauf, Stundenverlauf, Minutenverlauf. Gestern als Tag, für cron:\n"
    "  dedezuviv-tool export-batch --project Haus.p-p --type Day --selection Heizkreis \\\n"
    "      --from \"$(date -d yesterday +%FT00:00:00)\" --to \"$(date +%FT00:00:00)\"\n"
    "\n"
    "Writes one file per period as the window's batch export does (--type: name or ID of a period type)\n"
    "from --from to --to; periods are closed, so a record on a boundary is in both files. File names from\n"
    "the mask and the format's extension, in --folder (default: the project's \"export\" folder). One line\n"
    "per file with its record count, then the total. SIGINT/SIGTERM stop after the current file.\n"
    "\n"
    "Exit: 0 alle Zeiträume geschrieben (auch ohne Datensatz), 1 ein Zeitraum fehlgeschlagen, Abbruch\n"
    "oder anderer Fehler, 2 falscher Aufruf.\n";

std::atomic<bool> StopRequested{false};

extern "C" void OnStopSignal(int) { StopRequested = true; }

std::string Trim(std::string_view text)
{
    size_t begin = 0, end = text.size();
    while (begin < end && (text[begin] == ' ' || text[begin] == '\t'))
        ++begin;
    while (end > begin && (text[end - 1] == ' ' || text[end - 1] == '\t'))
        --end;
    return std::string(text.substr(begin, end - begin));
}

TNameList SplitNames(std::string_view text)
{
    TNameList names;
    size_t start = 0;
    while (start <= text.size()) {
        const size_t comma = text.find(',', start);
        const size_t end = comma == std::string_view::npos ? text.size() : comma;
        std::string name = Trim(text.substr(start, end - start));
        if (!name.empty())
            names.push_back(std::move(name));
        if (comma == std::string_view::npos)
            break;
        start = comma + 1;
    }
    return names;
}

// Progress lines on stdout, as the window's progress window shows them; the bar is not shown.
class TStdoutProgress : public IProgress {
public:
    void AddLine(const std::string& text) override
    {
        std::fputs(text.c_str(), stdout);
        std::fputc('\n', stdout);
        std::fflush(stdout);
    }
    void AppendToLastLine(const std::string&) override {}
    void SetProgress(double) override {}
};

}  // namespace

int RunExportBatch(int argc, char** argv)
{
    std::string projectName, typeName, from, to, selectionName, fieldsText, formatName = "xls",
        mask = DefaultBatchMask, folder, incrementText;
    bool haveSelection = false, haveFields = false, haveFolder = false;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            std::fputs(Usage, stdout);
            return 0;
        }
        auto value = [&](std::string& target) {
            if (i + 1 >= argc)
                return false;
            target = argv[++i];
            return true;
        };
        bool ok = true;
        if (arg == "--project")
            ok = value(projectName);
        else if (arg == "--type")
            ok = value(typeName);
        else if (arg == "--from")
            ok = value(from);
        else if (arg == "--to")
            ok = value(to);
        else if (arg == "--selection")
            ok = haveSelection = value(selectionName);
        else if (arg == "--fields")
            ok = haveFields = value(fieldsText);
        else if (arg == "--format")
            ok = value(formatName);
        else if (arg == "--mask")
            ok = value(mask);
        else if (arg == "--folder")
            ok = haveFolder = value(folder);
        else if (arg == "--increment")
            ok = value(incrementText);
        else if (arg.size() > 1 && arg[0] == '-')
            return UsageError(Usage, "Unbekannte Option / unknown option: \"" + std::string(arg) + "\"");
        else
            return UsageError(Usage, "Unerwartetes Argument / unexpected argument: \"" + std::string(arg) + "\"");
        if (!ok)
            return UsageError(Usage, std::string(arg) + " ohne Wert / " + std::string(arg) + " needs a value");
    }
    if (projectName.empty())
        return UsageError(Usage, "Keine Projektdatei angegeben (--project) / no project file given");
    if (typeName.empty())
        return UsageError(Usage, "Kein Auswertungszeitraum angegeben (--type) / no period type given");
    if (haveSelection == haveFields)
        return UsageError(Usage, "Entweder --selection oder --fields angeben / give either --selection or --fields");
    TDateTime startTime = 0, endTime = 0;
    if (!ParseTimestamp(from, startTime))
        return UsageError(Usage, "--from: Zeitpunkt YYYY-MM-DDTHH:MM:SS erwartet / timestamp expected");
    if (!ParseTimestamp(to, endTime))
        return UsageError(Usage, "--to: Zeitpunkt YYYY-MM-DDTHH:MM:SS erwartet / timestamp expected");
    TExportFormat format = efXLS;
    if (!ExportFormatFromName(formatName, format))
        return UsageError(Usage, "--format: csv, xls, dat oder wk1 erwartet / csv, xls, dat or wk1 expected");
    if (mask.empty())
        return UsageError(Usage, "--mask: leere Maske / empty mask");
    if (haveFolder && folder.empty())
        return UsageError(Usage, "--folder: leerer Ordner / empty folder");
    int64_t increment = 0;
    if (!incrementText.empty()) {
        char* end = nullptr;
        const long long parsed = std::strtoll(incrementText.c_str(), &end, 10);
        if (end == incrementText.c_str() || *end != '\0' || parsed < 0)
            return UsageError(Usage, "--increment: ganze Sekunden >= 0 erwartet / whole seconds >= 0 expected");
        increment = parsed;
    }

    // A size limit (ulimit -f) must give the write error and its message, not end the program.
    std::signal(SIGXFSZ, SIG_IGN);
    LoadFormatSettingsFromEnvironment();
    TStderrDialogs dialogs;
    // Log lines (a period type left out of exportdef.cfg) go to stderr.
    struct TStderrLog {
        TStderrLog()
        {
            SetLogCallbacks([](const std::string& text) { std::fprintf(stderr, "%s\n", text.c_str()); }, nullptr);
        }
        ~TStderrLog() { ClearLogCallbacks(); }
    } log;

    LoadProgramExportTypes();
    const TExportType* type = FindExportType(ExportTypes(), typeName);
    if (type == nullptr) {
        std::string names;
        for (const TExportType& known : ExportTypes())
            names += (names.empty() ? "" : ", ") + known.Name + " (" + known.ID + ")";
        std::fprintf(stderr, "Auswertungszeitraum \"%s\" unbekannt. Vorhanden: %s\n", typeName.c_str(), names.c_str());
        return 1;
    }

    TProjectView view;
    std::unique_ptr<TProject> project;
    int result = 0;
    std::string errorText;
    LoadProjectFile(project, projectName, result, errorText, view);
    if (result != 0 || !project) {
        std::fprintf(stderr, "%s\n", errorText.c_str());
        return 1;
    }

    TNameList fields;
    if (haveSelection) {
        const bool found = SelectionFields(*project, selectionName, fields);
        if (fields.empty()) {
            std::fprintf(stderr, "%s\n", ExportMessages::NoFields);
            if (!found)
                std::fprintf(stderr, "Feldauswahl \"%s\" ist im Projekt nicht vorhanden.\n", selectionName.c_str());
            return 1;
        }
    } else {
        fields = SplitNames(fieldsText);
        const TNameList unknown = UnknownFields(*project, fields);
        if (fields.empty() || !unknown.empty()) {
            std::fprintf(stderr, "%s\n", ExportMessages::NoFields);
            std::string names;
            for (const std::string& name : unknown)
                names += (names.empty() ? "\"" : ", \"") + name + "\"";
            if (!names.empty())
                std::fprintf(stderr, "Im Projekt nicht definiert: %s\n", names.c_str());
            return 1;
        }
    }

    struct sigaction action {};
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);

    TStdoutProgress progress;
    TExportBatch batch;
    batch.Project = project.get();
    batch.Type = *type;
    batch.Fields = fields;
    batch.Format = format;
    batch.Mask = mask;
    batch.Folder = haveFolder ? folder : project->GetDataDir("export");
    batch.Start = startTime;
    batch.End = endTime;
    batch.Increment = ExportIncrement(increment, startTime, endTime, fields.size());
    batch.Progress = &progress;
    batch.Cancelled = [] { return StopRequested.load(); };
    const TBatchResult outcome = batch.Run();

    std::string message = BatchResultMessage(outcome, project->GetDataDir("data"));
    for (size_t at = message.find("\n\r"); at != std::string::npos; at = message.find("\n\r", at))
        message.replace(at, 2, "\n");
    const bool failed = outcome.Failed > 0 || outcome.Cancelled;
    // A cancelled batch has said so in its last line already.
    if (!(outcome.Cancelled && outcome.Failed == 0))
        std::fprintf(failed ? stderr : stdout, "%s\n", message.c_str());
    if (std::fflush(stdout) != 0)
        return 1;
    return failed ? 1 : 0;
}
