// dedezuviv-tool def: reads a device definition file as the dataset definition dialog does and prints
// the temperature and relay names a project would hold after the import (and OK), as JSON, so that a
// definition can be checked before it is used.
#include "Commands.h"
#include "ToolSupport.h"

#include "model/DefinitionText.h"
#include "model/DeviceDefinition.h"

#include <cstdio>
#include <string>
#include <string_view>

using namespace dedezuviv::model;

namespace {

const char* const Usage =
    "Aufruf / usage: dedezuviv-tool def DATEI.def\n"
    "\n"
    "Liest die Gerätebeschreibung und gibt die Namen der Temperaturen und Schaltausgänge, die ein Projekt\n"
    "nach dem Import erhielte, als JSON aus; dazu die übersprungenen Einträge.\n"
    "\n"
    "Reads the device definition and prints the temperature and relay names a project would get from\n"
    "the import as JSON, with the entries that were skipped.\n";

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

// The names as the dialog stores them after OK: through the comma text and its rules.
TNameList StoredNames(const TNameList& names, bool& dropped)
{
    int droppedHere = 0;
    TNameList stored = CommaTextToNames(NamesToCommaText(names), droppedHere);
    dropped = dropped || droppedHere != 0;
    return stored;
}

std::string DefinitionJson(const TDeviceDefinition& definition)
{
    bool dropped = false;
    const TNameList temperatures = StoredNames(definition.Temperatures, dropped);
    const TNameList outputs = StoredNames(definition.Outputs, dropped);
    std::string out = "{\"FieldNames\": {";
    AppendJsonString(out, FieldTypeNames[ftTemperature]);
    out += ": ";
    AppendNames(out, temperatures);
    out += ", ";
    AppendJsonString(out, FieldTypeNames[ftOutput]);
    out += ": ";
    AppendNames(out, outputs);
    out += "}, \"SkippedKeys\": ";
    AppendNames(out, definition.SkippedKeys);
    out += ", \"DroppedCharacters\": ";
    out += dropped ? "true" : "false";
    out += '}';
    return out;
}

}  // namespace

int RunDef(int argc, char** argv)
{
    std::string fileName;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            std::fputs(Usage, stdout);
            return 0;
        }
        if (arg.size() > 1 && arg[0] == '-')
            return UsageError(Usage, "Unbekannte Option / unknown option: \"" + std::string(arg) + "\"");
        if (!fileName.empty())
            return UsageError(Usage, "Nur eine Gerätebeschreibung / only one device definition");
        fileName = std::string(arg);
    }
    if (fileName.empty())
        return UsageError(Usage, "Keine Gerätebeschreibung angegeben / no device definition given");

    const TDeviceDefinition definition = ReadDeviceDefinition(fileName);
    if (!definition.HasKeys) {
        std::fputs("Keine Feldlisten (Datensatzdefinition) gefunden oder angegebene Datei ist nicht gefunden!\n", stderr);
        return 1;
    }
    std::printf("%s\n", DefinitionJson(definition).c_str());
    return 0;
}
