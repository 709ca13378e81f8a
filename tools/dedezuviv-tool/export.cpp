// dedezuviv-tool export: the export engine of the window on the command line, for cron jobs
// and scripts. The same TExportData::Export with the same automatic increment as the
// window's "Exportieren in Datei", so both give the same file for the same input.
#include "Commands.h"
#include "ToolSupport.h"

#include "base/FormatSettings.h"
#include "export/ExportData.h"
#include "model/Fields.h"
#include "model/ProjectFile.h"
#include "model/RecordedDays.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

const char* const Usage =
    "Aufruf / usage: dedezuviv-tool export --project DATEI --from YYYY-MM-DDTHH:MM:SS --to YYYY-MM-DDTHH:MM:SS\n"
    "                      (--selection NAME | --fields \"Q1,Q2,...\") [--increment SEKUNDEN] AUSGABE\n"
    "\n"
    "Exportiert die aufgezeichneten Daten des Projekts im Zeitraum in eine Tabellendatei. Das Format folgt\n"
    "der Endung von AUSGABE: .csv, .dat, .xls oder .wk1. --selection nimmt eine im Projekt gespeicherte\n"
    "Feldauswahl, --fields Feldnamen wie im Fenster (\"Kessel (Temperatur)\", \"PC\"). --increment ist der\n"
    "kleinste Abstand zweier exportierter Datensätze in Sekunden; 0 oder ohne: automatisch wie im Fenster.\n"
    "Zahlen und Datumsangaben in der Form der Systemeinstellungen.\n"
    "\n"
    "Exports the project's recorded data of the range to a table file. The format follows OUTPUT's\n"
    "extension: .csv, .dat, .xls or .wk1. --selection takes a field selection stored in the project,\n"
    "--fields field names as the window shows them. --increment is the minimum distance of two exported\n"
    "records in seconds; 0 or none: automatic, as in the window. Numbers and dates as the system settings.\n"
    "\n"
    "Exit: 0 exportiert (auch ohne Datensatz), 1 Fehler, 2 falscher Aufruf.\n";

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

bool SameIgnoringAsciiCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z')
            x = static_cast<char>(x + 32);
        if (y >= 'A' && y <= 'Z')
            y = static_cast<char>(y + 32);
        if (x != y)
            return false;
    }
    return true;
}

const TFieldSelection* FindSelection(const TProject& project, const std::string& name)
{
    for (const TFieldSelection& selection : project.FieldSelections)
        if (selection.Name == name)
            return &selection;
    for (const TFieldSelection& selection : project.FieldSelections)
        if (SameIgnoringAsciiCase(selection.Name, name))
            return &selection;
    return nullptr;
}

// Whether the name is a system field or a defined field of the project.
bool IsKnownField(const TProject& project, const std::string& name)
{
    const TFieldLookup lookup(&project, {name});
    if (SystemFieldIndex(name) >= 0)
        return true;
    return lookup.FieldType(0) >= 0;
}

}  // namespace

int RunExport(int argc, char** argv)
{
    std::string projectName, from, to, selectionName, fieldsText, incrementText, output;
    bool haveSelection = false, haveFields = false;
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
        else if (arg == "--from")
            ok = value(from);
        else if (arg == "--to")
            ok = value(to);
        else if (arg == "--selection")
            ok = haveSelection = value(selectionName);
        else if (arg == "--fields")
            ok = haveFields = value(fieldsText);
        else if (arg == "--increment")
            ok = value(incrementText);
        else if (arg.size() > 1 && arg[0] == '-')
            return UsageError(Usage, "Unbekannte Option / unknown option: \"" + std::string(arg) + "\"");
        else if (output.empty())
            output = std::string(arg);
        else
            return UsageError(Usage, "Nur eine Ausgabedatei / only one output file");
        if (!ok)
            return UsageError(Usage, std::string(arg) + " ohne Wert / " + std::string(arg) + " needs a value");
    }
    if (projectName.empty())
        return UsageError(Usage, "Keine Projektdatei angegeben (--project) / no project file given");
    if (output.empty())
        return UsageError(Usage, "Keine Ausgabedatei angegeben / no output file given");
    if (haveSelection == haveFields)
        return UsageError(Usage, "Entweder --selection oder --fields angeben / give either --selection or --fields");
    TDateTime startTime = 0, endTime = 0;
    if (!ParseTimestamp(from, startTime))
        return UsageError(Usage, "--from: Zeitpunkt YYYY-MM-DDTHH:MM:SS erwartet / timestamp expected");
    if (!ParseTimestamp(to, endTime))
        return UsageError(Usage, "--to: Zeitpunkt YYYY-MM-DDTHH:MM:SS erwartet / timestamp expected");
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

    const std::optional<TExportFormat> format = ExportFormatFromFileName(output);
    if (!format) {
        std::fprintf(stderr, "%s\n", ExportMessages::UnknownFormat);
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
        const TFieldSelection* selection = FindSelection(*project, selectionName);
        if (selection && selection->List)
            fields = *selection->List;
        if (fields.empty()) {
            std::fprintf(stderr, "%s\n", ExportMessages::NoFields);
            if (!selection)
                std::fprintf(stderr, "Feldauswahl \"%s\" ist im Projekt nicht vorhanden.\n", selectionName.c_str());
            return 1;
        }
    } else {
        fields = SplitNames(fieldsText);
        std::string unknown;
        for (const std::string& name : fields)
            if (!IsKnownField(*project, name))
                unknown += (unknown.empty() ? "\"" : ", \"") + name + "\"";
        if (fields.empty() || !unknown.empty()) {
            std::fprintf(stderr, "%s\n", ExportMessages::NoFields);
            if (!unknown.empty())
                std::fprintf(stderr, "Im Projekt nicht definiert: %s\n", unknown.c_str());
            return 1;
        }
    }

    increment = ExportIncrement(increment, startTime, endTime, fields.size());
    TExportData exporter;
    if (exporter.Export(project.get(), nullptr, output, *format, startTime, endTime, increment, fields) != 0) {
        std::fprintf(stderr, "%s\n%s\n", ExportMessages::Failed, exporter.ErrorText.c_str());
        return 1;
    }
    std::printf("%s\n", FormatMessage(ExportMessages::FileDone, output, exporter.RecordCount).c_str());
    if (std::fflush(stdout) != 0)
        return 1;
    return 0;
}
