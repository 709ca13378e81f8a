// dedezuviv-tool export: the window's "Exportieren in Datei" on the command line, for cron jobs
// and scripts. The same checks and export (ExportToFile) with the same automatic increment, so both
// give the same file for the same input.
#include "Commands.h"
#include "ToolSupport.h"

#include "app/core/ExportActions.h"
#include "base/FormatSettings.h"
#include "model/Project.h"

#include <csignal>
#include <cstdio>
#include <string>

using namespace dedezuviv::base;
using namespace dedezuviv::model;
using namespace dedezuviv::app;

namespace {

const std::string Usage = std::string(
    "Aufruf / usage: dedezuviv-tool export --project DATEI --from YYYY-MM-DDTHH:MM:SS --to YYYY-MM-DDTHH:MM:SS\n"
    "                      (--selection NAME | --fields \"Q1,Q2,...\") [--increment SEKUNDEN] AUSGABE\n"
    "\n"
    "Exportiert die aufgezeichneten Daten des Projekts im Zeitraum in eine Tabellendatei. Das Format folgt\n"
    "der Endung von AUSGABE: .csv, .dat, .xls oder .wk1. --to darf nicht vor --from liegen.\n") +
    FieldOptionsHelp +
    "--increment ist der kleinste Abstand zweier exportierter Datensätze in Sekunden, höchstens ein Jahr\n"
    "(31622400); 0 oder ohne: automatisch wie im Fenster. Zahlen und Datumsangaben in der Form der\n"
    "Systemeinstellungen.\n"
    "\n"
    "Exports the project's recorded data of the range to a table file. The format follows OUTPUT's\n"
    "extension: .csv, .dat, .xls or .wk1. --to must not lie before --from.\n" +
    FieldOptionsHelpEnglish +
    "--increment is the minimum distance of two exported records in seconds, at most one year (31622400);\n"
    "0 or none: automatic, as in the window. Numbers and dates as the system settings.\n"
    "\n"
    "SIGINT/SIGTERM brechen ab und löschen die unvollständige Datei. / SIGINT/SIGTERM stop and remove the\n"
    "unfinished file.\n"
    "\n"
    "Exit: 0 exportiert (auch ohne Datensatz), 1 Fehler oder Abbruch, 2 falscher Aufruf.\n";

}  // namespace

int RunExport(int argc, char** argv)
{
    TRangeOptions options;
    if (const std::optional<int> exitCode = ParseRangeOptions(argc, argv, {.Usage = Usage.c_str()}, options))
        return *exitCode;

    // A size limit (ulimit -f) must give the write error and its message, not end the program.
    std::signal(SIGXFSZ, SIG_IGN);
    LoadFormatSettingsFromEnvironment();
    TStderrDialogs dialogs;

    std::string formatMessage;
    if (!ExportFileFormat(options.Output, formatMessage)) {
        std::fprintf(stderr, "%s\n", formatMessage.c_str());
        return 1;
    }

    TNameList fields;
    const std::unique_ptr<TProject> project = LoadProjectForExport(options, fields);
    if (!project)
        return 1;

    // A stop signal ends the export at once and removes the unfinished file.
    InstallToolStopSignals();
    const TExportFileResult result = ExportToFile(*project,
                                                  {.FileName = options.Output,
                                                   .Fields = fields,
                                                   .Start = options.Start,
                                                   .End = options.End,
                                                   .IncrementSeconds = options.IncrementSeconds},
                                                  nullptr, [] { return ToolStopRequested(); });
    if (result.Outcome == TExportFileOutcome::Cancelled || result.Outcome == TExportFileOutcome::EndBeforeStart) {
        std::fprintf(stderr, "%s\n", result.ErrorText.c_str());
        return 1;
    }
    if (result.Outcome != TExportFileOutcome::Written) {
        std::fprintf(stderr, "%s\n%s\n", ExportMessages::Failed, result.ErrorText.c_str());
        return 1;
    }
    std::printf("%s\n", FormatMessage(ExportMessages::FileDone, options.Output, result.RecordCount).c_str());
    if (std::fflush(stdout) != 0)
        return 1;
    return 0;
}
