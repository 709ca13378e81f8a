#include "model/DeviceDefinition.h"

#include "base/IniFile.h"
#include "base/Log.h"
#include "model/DefinitionText.h"
#include "model/Namespace.h"

#include <algorithm>

namespace dedezuviv::model {

namespace {

constexpr const char* SectionVersionExport = "Version Export";
constexpr const char* ControlCircuitPrefix = "RKREIS";

bool StartsWith(const std::string& text, const std::string& prefix)
{
    return text.compare(0, prefix.size(), prefix) == 0;
}

// A count read from the file, within 0 and MaxDefinitionEntries.
int EntryCount(const TIniFile& ini, const char* key, const std::string& fileName)
{
    const int32_t count = ini.ReadInteger(SectionVersionExport, key, 0);
    if (count > MaxDefinitionEntries) {
        LogMessage("Gerätebeschreibung \"" + fileName + "\": " + key + "=" + std::to_string(count) +
                   " auf " + std::to_string(MaxDefinitionEntries) + " begrenzt.");
        return MaxDefinitionEntries;
    }
    return std::max(count, 0);
}

TNameList NumberedNames(const char* letter, int count)
{
    TNameList names;
    names.reserve(static_cast<size_t>(count) + 2);
    for (int k = 1; k <= count; ++k)
        names.push_back(letter + std::to_string(k));
    return names;
}

std::string InitialRelayName(size_t index) { return "R" + std::to_string(index + 1); }

// The name a key gives ("EA_<name>"). A comma would split it into two names in the dataset definition
// and shift every later name by one, so commas are left out, with a log line naming the key.
std::string NameOfKey(const std::string& key, const std::string& fileName)
{
    std::string name = key.substr(3);
    if (name.find(',') == std::string::npos)
        return name;
    std::erase(name, ',');
    LogMessage("Gerätebeschreibung \"" + fileName + "\": Kommas im Namen des Eintrags \"" + key +
               "\" ausgelassen (Feldnamen enthalten keine Kommas).");
    return name;
}

}  // namespace

void ExpandControlCircuits(TNameList& outputs)
{
    // An expansion needs the entry after the next one; a circuit at the end of a list has none.
    for (size_t i = 0; i + 2 < outputs.size();) {
        const std::string circuit = outputs[i];
        if (StartsWith(circuit, ControlCircuitPrefix) && outputs[i + 1] == InitialRelayName(i + 1)) {
            outputs[i] = circuit + "_WAERMER";
            outputs[i + 1] = circuit + "_KAELTER";
            outputs[i + 2] = circuit;
            i += 3;
        } else {
            ++i;
        }
    }
}

TDeviceDefinition ReadDeviceDefinition(const std::string& fileName)
{
    std::string bytes;
    if (!ReadFileBytes(fileName, bytes))
        bytes.clear();
    return DeviceDefinitionFromBytes(bytes, fileName);
}

TDeviceDefinition DeviceDefinitionFromBytes(std::string_view bytes, const std::string& fileName)
{
    TDeviceDefinition definition;
    TIniFile ini;
    ini.Parse(bytes);
    const std::vector<std::string> keys = ini.ReadSection(SectionVersionExport);
    definition.HasKeys = !keys.empty();

    const int inputs = EntryCount(ini, "MESSEINGAENGE", fileName);
    const int relays = EntryCount(ini, "RELAISAUSGAENGE", fileName);
    definition.Temperatures = NumberedNames("E", inputs);
    definition.Outputs = NumberedNames("R", relays);
    definition.Outputs.emplace_back();
    definition.Outputs.emplace_back();

    for (const std::string& key : keys) {
        const bool input = StartsWith(key, "EA_");
        const bool relay = StartsWith(key, "AR_");
        if (!input && !relay)
            continue;
        const int32_t position = ini.ReadInteger(SectionVersionExport, key, 0);
        if (position < 0)
            continue;
        // The two entries after the relays are the room of control circuits, not outputs of the device.
        const int count = input ? inputs : relays;
        if (position == 0 || position > count) {
            definition.SkippedKeys.push_back(key);
            LogMessage("Gerätebeschreibung \"" + fileName + "\": Eintrag \"" + key + "=" +
                       ini.ReadString(SectionVersionExport, key, "") + "\" übersprungen (Position außerhalb 1 bis " +
                       std::to_string(count) + ").");
            continue;
        }
        TNameList& list = input ? definition.Temperatures : definition.Outputs;
        list[static_cast<size_t>(position) - 1] = NameOfKey(key, fileName);
    }
    ExpandControlCircuits(definition.Outputs);
    return definition;
}

bool ApplyDeviceDefinition(TProject& project, const TDeviceDefinition& definition)
{
    TDefinitionTexts texts = DefinitionTextsFromProject(project);
    texts[ftTemperature] = NamesToCommaText(definition.Temperatures);
    texts[ftOutput] = NamesToCommaText(definition.Outputs);
    return StoreDefinitionTexts(project, texts);
}

}  // namespace dedezuviv::model
