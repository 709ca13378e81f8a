// dedezuviv-tool project: loads a project file as the program does and prints the project, its field
// selections and table cells as one JSON object; with --import-def first applies a device definition as
// the dataset definition dialog does; with --save writes it again through the normal save.
#include "Commands.h"
#include "ToolSupport.h"

#include "base/FormatSettings.h"
#include "model/DeviceDefinition.h"
#include "model/ProjectFile.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>

using namespace dedezuviv::base;
using namespace dedezuviv::model;

namespace {

const char* const Usage =
    "Aufruf / usage: dedezuviv-tool project DATEI [--import-def DATEI.def] [--save AUSGABE]\n"
    "\n"
    "Lädt die Projektdatei und gibt Projekt, Feldauswahlen und Tabellenzellen als JSON-Objekt aus.\n"
    "Mit --import-def werden vorher Temperaturen und Schaltausgänge aus der Gerätebeschreibung\n"
    "übernommen, wie im Dialog \"Definition des Datensatzes\" mit OK.\n"
    "Mit --save wird das geladene Projekt samt Dialogwerten und Tabelle nach AUSGABE gespeichert.\n"
    "\n"
    "Loads the project file and prints project, field selections and table cells as a JSON object.\n"
    "With --import-def the temperatures and relay outputs of the device definition are taken over\n"
    "first, as in the dataset definition dialog with OK.\n"
    "With --save the loaded project, dialog values and table included, is saved to OUTPUT.\n";

void AppendNumber(std::string& out, double value)
{
    if (!std::isfinite(value)) {
        out += "null";
        return;
    }
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.15g", value);
    out += buffer;
}

void AppendBool(std::string& out, bool value) { out += value ? "true" : "false"; }

void AppendNames(std::string& out, const TNameList& names)
{
    out += '[';
    for (size_t i = 0; i < names.size(); ++i) {
        if (i > 0)
            out += ", ";
        AppendJsonString(out, names[i]);
    }
    out += ']';
}

std::string ProjectJson(const TProject& project, const TDataTable& table)
{
    std::string out = "{";
    const auto key = [&](const char* name) {
        if (out.size() > 1)
            out += ", ";
        AppendJsonString(out, name);
        out += ": ";
    };
    key("Name");
    AppendJsonString(out, project.Name);
    key("Comment");
    AppendJsonString(out, project.Comment);
    key("Port");
    AppendJsonString(out, project.Port.Name);
    key("Baudrate");
    out += std::to_string(project.Port.BaudRate);
    key("SamplingInterval");
    out += std::to_string(project.SamplingInterval);
    key("Root");
    AppendJsonString(out, project.Root);
    key("RecordingToFile");
    AppendBool(out, project.RecordingToFile);
    key("ShowTableGrid");
    AppendBool(out, project.ShowTableGrid);

    key("FieldNames");
    out += '{';
    for (int t = 0; t < FieldTypeCount; ++t) {
        if (t > 0)
            out += ", ";
        AppendJsonString(out, FieldTypeNames[t]);
        out += ": ";
        AppendNames(out, project.FieldNames[t]);
    }
    out += '}';

    key("FieldSelections");
    out += '[';
    for (size_t i = 0; i < project.FieldSelections.size(); ++i) {
        const TFieldSelection& selection = project.FieldSelections[i];
        out += i > 0 ? ", {\"Name\": " : "{\"Name\": ";
        AppendJsonString(out, selection.Name);
        out += ", \"Fields\": ";
        AppendNames(out, selection.List ? *selection.List : TNameList{});
        out += '}';
    }
    out += ']';

    key("Cells");
    out += '[';
    bool first = true;
    table.ForEachCell([&](int col, int row, const TDataField& field) {
        out += first ? "{" : ", {";
        first = false;
        out += "\"Col\": " + std::to_string(col) + ", \"Row\": " + std::to_string(row);
        out += ", \"Fieldname\": ";
        AppendJsonString(out, field.Fieldname);
        out += ", \"CaptionStr\": ";
        AppendJsonString(out, field.CaptionStr);
        out += ", \"UnitStr\": ";
        AppendJsonString(out, field.UnitStr);
        out += ", \"UseFieldnameAsCaption\": ";
        AppendBool(out, field.UseFieldnameAsCaption);
        out += ", \"UseDefaultUnit\": ";
        AppendBool(out, field.UseDefaultUnit);
        out += ", \"FontColor\": " + std::to_string(field.FontColor);
        out += ", \"BoldFont\": ";
        AppendBool(out, field.BoldFont);
        out += ", \"ItalicFont\": ";
        AppendBool(out, field.ItalicFont);
        out += ", \"ActivateMin\": ";
        AppendBool(out, field.ActivateMin);
        out += ", \"ActivateMax\": ";
        AppendBool(out, field.ActivateMax);
        out += ", \"MinFontColor\": " + std::to_string(field.MinFontColor);
        out += ", \"MaxFontColor\": " + std::to_string(field.MaxFontColor);
        out += ", \"MinVal\": ";
        AppendNumber(out, field.MinVal);
        out += ", \"MaxVal\": ";
        AppendNumber(out, field.MaxVal);
        out += '}';
    });
    out += "]}";
    return out;
}

}  // namespace

int RunProject(int argc, char** argv)
{
    std::string fileName;
    std::string saveName;
    bool haveSave = false;
    std::string definitionName;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            std::fputs(Usage, stdout);
            return 0;
        }
        if (arg == "--save") {
            if (i + 1 >= argc)
                return UsageError(Usage, "--save ohne Dateinamen / --save needs a file name");
            saveName = argv[++i];
            haveSave = true;
        } else if (arg == "--import-def") {
            if (i + 1 >= argc)
                return UsageError(Usage, "--import-def ohne Dateinamen / --import-def needs a file name");
            definitionName = argv[++i];
        } else if (arg.size() > 1 && arg[0] == '-') {
            return UsageError(Usage, "Unbekannte Option / unknown option: \"" + std::string(arg) + "\"");
        } else if (fileName.empty()) {
            fileName = std::string(arg);
        } else {
            return UsageError(Usage, "Nur eine Projektdatei / only one project file");
        }
    }
    if (fileName.empty())
        return UsageError(Usage, "Keine Projektdatei angegeben / no project file given");

    LoadFormatSettingsFromEnvironment();
    TStderrDialogs dialogs;

    TProjectView view;
    const std::unique_ptr<TProject> project = LoadToolProject(fileName, &view);
    if (!project)
        return 1;
    if (!definitionName.empty()) {
        const TDeviceDefinition definition = ReadDeviceDefinition(definitionName);
        if (!definition.HasKeys) {
            std::fputs("Keine Feldlisten (Datensatzdefinition) gefunden oder angegebene Datei ist nicht gefunden!\n",
                       stderr);
            return 1;
        }
        for (const std::string& key : definition.SkippedKeys)
            std::fprintf(stderr, "Eintrag \"%s\" übersprungen / entry skipped\n", key.c_str());
        ApplyDeviceDefinition(*project, definition);
    }
    std::printf("%s\n", ProjectJson(*project, view.Table).c_str());

    int exitCode = 0;
    if (haveSave) {
        int result = 0;
        std::string errorText;
        SaveProjectFile(*project, saveName, result, errorText, view);
        if (result != 0) {
            std::fprintf(stderr, "Die Einstellungenen konnten nicht gespeichert werden. %s\n", errorText.c_str());
            exitCode = 1;
        }
    }
    return exitCode;
}
