// dedezuviv-tool export-batch: the window's "Batch-Export" on the command line, for cron
// jobs. The same run (RunBatchExport: increment, folder, period loop), the same file names, the same closed periods and the same
// period types ("exportdef.cfg" of the user, then of the program, else the four built-in types).
// SIGINT and SIGTERM stop it at once; the unfinished file is removed, the files written before stay.
#include "Commands.h"
#include "ToolSupport.h"

#include "app/core/ExportActions.h"
#include "app/core/ExportDefinitionFiles.h"
#include "base/FormatSettings.h"
#include "base/Log.h"
#include "model/Project.h"
#include "model/UiInterfaces.h"

#include <csignal>
#include <signal.h>
#include <cstdio>
#include <string>

using namespace dedezuviv::base;
using namespace dedezuviv::model;
using namespace dedezuviv::app;

namespace {

const std::string Usage = std::string(
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
    "Ordner \"export\" des Projekts). --to darf nicht vor --from liegen. --increment: kleinster Abstand\n"
    "zweier Datensätze in Sekunden, höchstens ein Jahr (31622400); 0 oder ohne: automatisch wie im Fenster.\n"
    "Eine Zeile je Datei mit ihrer Datensatzzahl, dann die Summe.\n") +
    FieldOptionsHelp +
    "Zeiträume aus $XDG_CONFIG_HOME/dedezuviv/exportdef.cfg, sonst exportdef.cfg des Programms, sonst\n"
    "Monatsverlauf, Tagesverlauf, Stundenverlauf, Minutenverlauf. Gestern als Tag, für cron:\n"
    "  dedezuviv-tool export-batch --project Haus.p-p --type Day --selection Heizkreis \\\n"
    "      --from \"$(date -d yesterday +%FT00:00:00)\" --to \"$(date +%FT00:00:00)\"\n"
    "\n"
    "Writes one file per period as the window's batch export does (--type: name or ID of a period type)\n"
    "from --from to --to (not before it); periods are closed, so a record on a boundary is in both files.\n"
    "File names from the mask and the format's extension, in --folder (default: the project's \"export\"\n"
    "folder). --increment: at most one year (31622400 seconds). One line per file with its record count,\n"
    "then the total. SIGINT/SIGTERM stop at once and remove the unfinished file.\n" +
    FieldOptionsHelpEnglish +
    "\n"
    "Exit: 0 alle Zeiträume geschrieben (auch ohne Datensatz), 1 ein Zeitraum fehlgeschlagen, Abbruch\n"
    "oder anderer Fehler, 2 falscher Aufruf.\n";


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
    std::string typeName, formatName = ExportFormatExtension(DefaultExportFormat), mask = DefaultBatchMask, folder;
    bool haveFolder = false;
    TExportFormat format = DefaultExportFormat;
    const TRangeCommand command{
        .Usage = Usage.c_str(),
        .ExtraOptions = {{.Name = "--type",
                          .Value = &typeName,
                          .MissingMessage = "Kein Auswertungszeitraum angegeben (--type) / no period type given"},
                         {.Name = "--format", .Value = &formatName},
                         {.Name = "--mask", .Value = &mask},
                         {.Name = "--folder", .Value = &folder, .Given = &haveFolder}},
        .TakesOutput = false,
        .CheckExtraOptions = [&]() -> std::string {
            if (!ExportFormatFromName(formatName, format))
                return "--format: " + ExportFormatNames(" oder ") + " erwartet / " + ExportFormatNames(" or ") +
                       " expected";
            if (mask.empty())
                return "--mask: leere Maske / empty mask";
            if (haveFolder && folder.empty())
                return "--folder: leerer Ordner / empty folder";
            return "";
        }};
    TRangeOptions options;
    if (const std::optional<int> exitCode = ParseRangeOptions(argc, argv, command, options))
        return *exitCode;

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

    if (const std::string error = ExportRangeError(options.Start, options.End); !error.empty()) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }

    TNameList fields;
    const std::unique_ptr<TProject> project = LoadProjectForExport(options, fields);
    if (!project)
        return 1;

    InstallToolStopSignals();

    TStdoutProgress progress;
    const TBatchResult outcome = RunBatchExport(*project,
                                                {.Type = type,
                                                 .Fields = fields,
                                                 .Format = format,
                                                 .Mask = mask,
                                                 .Start = options.Start,
                                                 .End = options.End,
                                                 .IncrementSeconds = options.IncrementSeconds,
                                                 .Folder = haveFolder ? std::optional(folder) : std::nullopt},
                                                &progress, [] { return ToolStopRequested(); });

    std::string message = BatchResultMessage(outcome, project->GetDataDir("data"));
    // The message's line breaks "\n\r" become "\n": the "\r" goes.
    for (size_t at = message.find("\n\r"); at != std::string::npos; at = message.find("\n\r", at))
        message.erase(at + 1, 1);
    const bool failed = outcome.Failed > 0 || outcome.Cancelled;
    // A cancelled batch has said so in its last line already.
    if (!(outcome.Cancelled && outcome.Failed == 0))
        std::fprintf(failed ? stderr : stdout, "%s\n", message.c_str());
    if (std::fflush(stdout) != 0)
        return 1;
    return failed ? 1 : 0;
}
