#include "export/ExportTypes.h"

#include "base/IniFile.h"
#include "base/Log.h"
#include "base/AsciiText.h"
#include "export/Namespace.h"

#include <algorithm>
#include <cstdint>

namespace dedezuviv::exports {

namespace {

TExportTypes& Types()
{
    static TExportTypes types = BuiltInExportTypes();
    return types;
}

TExportType BuiltIn(const char* name, const char* id, int16_t month, int16_t day, int16_t hour, int16_t minute)
{
    TExportType type;
    type.Name = name;
    type.ID = id;
    type.IncMonth = month;
    type.IncDay = day;
    type.IncHour = hour;
    type.IncMin = minute;
    return type;
}

constexpr int32_t LargestStep = INT16_MAX;

// A period step of a section, read as an integer (0 when missing or no number). Steps are held in 16
// bits: a larger number is refused (TooLarge names it) instead of wrapping to a negative step.
int16_t Step(const TIniFile& ini, const std::string& section, const char* key, std::string& tooLarge)
{
    int32_t value = ini.ReadInteger(section, key, 0);
    const std::string text = ini.ReadString(section, key, "");
    // A number of more digits than a 32-bit integer holds is no integer to ReadInteger.
    if (ini.ReadInteger(section, key, 1) != value && text.find_first_not_of("+-0123456789") == std::string::npos &&
        text.find_first_of("0123456789") != std::string::npos)
        value = text[0] == '-' ? -1 : LargestStep + 1;
    if (value > LargestStep && tooLarge.empty())
        tooLarge = std::string(key) + "=" + text + " ist zu groß (höchstens " + std::to_string(LargestStep) + ")";
    return static_cast<int16_t>(std::clamp<int32_t>(value, INT16_MIN, LargestStep));
}

}  // namespace

TExportTypes BuiltInExportTypes()
{
    return {BuiltIn("Monatsverlauf", "Month", 1, 0, 0, 0), BuiltIn("Tagesverlauf", "Day", 0, 1, 0, 0),
            BuiltIn("Stundenverlauf", "Hour", 0, 0, 1, 0), BuiltIn("Minutenverlauf", "Min", 0, 0, 0, 1)};
}

bool ExportTypeAdvances(const TExportType& type)
{
    const int16_t steps[] = {type.IncYear, type.IncMonth, type.IncDay, type.IncHour, type.IncMin};
    bool some = false;
    for (int16_t step : steps) {
        if (step < 0)
            return false;
        some = some || step > 0;
    }
    return some;
}

TExportTypes ReadExportTypes(const std::string& fileName, std::vector<std::string>* skipped)
{
    std::string bytes;
    if (fileName.empty() || !ReadFileBytes(fileName, bytes))
        return BuiltInExportTypes();
    return ExportTypesFromBytes(bytes, fileName, skipped);
}

TExportTypes ExportTypesFromBytes(std::string_view bytes, const std::string& fileName, std::vector<std::string>* skipped)
{
    TIniFile ini;
    // Each section is a type of its own: a second one of the same name (also in another letter case)
    // is left out rather than mixed into the first.
    ini.SetRepeatedSectionsMerged(false);
    ini.Parse(bytes);
    for (const std::string& repeated : ini.RepeatedSections()) {
        LogMessage("Auswertungszeitraum \"" + repeated + "\" in " + fileName +
                   " ausgelassen: ein Abschnitt gleichen Namens steht weiter oben.");
        if (skipped)
            skipped->push_back(repeated);
    }
    TExportTypes types;
    const std::vector<std::string> sections = ini.ReadSections();
    for (size_t position = 0; position < sections.size(); ++position) {
        const std::string& section = sections[position];
        if (section.empty())
            continue;  // keys before the first section line
        TExportType type;
        type.Name = section;
        type.ID = ini.ReadString(section, "ID", "ID" + std::to_string(position));
        std::string tooLarge;
        type.IncYear = Step(ini, section, "IncYear", tooLarge);
        type.IncMonth = Step(ini, section, "IncMonth", tooLarge);
        type.IncDay = Step(ini, section, "IncDay", tooLarge);
        type.IncHour = Step(ini, section, "IncHour", tooLarge);
        type.IncMin = Step(ini, section, "IncMin", tooLarge);
        type.TimeIncMin = ini.ReadInteger(section, "TimeIncMin", 10);
        if (!tooLarge.empty() || !ExportTypeAdvances(type)) {
            const std::string reason = !tooLarge.empty()
                                           ? tooLarge + "."
                                           : "IncYear, IncMonth, IncDay, IncHour und IncMin müssen ganze Zahlen ab 0 "
                                             "sein, mindestens eine davon größer als 0.";
            LogMessage("Auswertungszeitraum \"" + section + "\" in " + fileName + " ausgelassen: " + reason);
            if (skipped)
                skipped->push_back(section);
            continue;
        }
        types.push_back(std::move(type));
    }
    if (types.empty())
        return BuiltInExportTypes();
    return types;
}

const TExportTypes& ExportTypes() { return Types(); }

void LoadExportTypes(const std::string& fileName) { Types() = ReadExportTypes(fileName); }

const TExportType* FindExportType(const TExportTypes& types, const std::string& nameOrId)
{
    for (const TExportType& type : types)
        if (type.Name == nameOrId)
            return &type;
    for (const TExportType& type : types)
        if (type.ID == nameOrId)
            return &type;
    for (const TExportType& type : types)
        if (SameAsciiLetters(type.Name, nameOrId) || SameAsciiLetters(type.ID, nameOrId))
            return &type;
    return nullptr;
}

}  // namespace dedezuviv::exports
