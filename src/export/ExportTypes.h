// The period types of the batch export: how far one file reaches (years, months, days,
// hours and minutes, added in this order), read from "exportdef.cfg" or the four built-in types.
//
// "exportdef.cfg" is an INI file; every section is one type, in file order, named after the section:
//   [Woche]
//   ID=Week        ("ID" + the section's position when missing)
//   IncDay=7       (IncYear, IncMonth, IncDay, IncHour, IncMin: 0 when missing)
//   TimeIncMin=10  (kept, not used by the export)
//
// Choices made here, and why:
// - A type that would not advance a period (all five steps 0, or any step below 0) would make the batch
//   loop run for ever. It is left out of the list, with a log line that names it; a file whose every
//   type is left out gives the built-in types, as a file without types does.
// - A section whose name repeats an earlier one (letter case aside) is left out with a log line; the
//   two are not merged into one type.
// - Steps are held in 16 bits. A step beyond 32767 is refused with a line that says it is too large
//   (it does not wrap to a negative step).
#pragma once

#include "export/Namespace.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace dedezuviv::exports {

struct TExportType {
    std::string Name;  // shown in "Auswertungszeitraum:"; replaces "%TYP" in file names
    std::string ID;    // replaces "%ID" in file names
    int16_t IncYear = 0;
    int16_t IncMonth = 0;
    int16_t IncDay = 0;
    int16_t IncHour = 0;
    int16_t IncMin = 0;
    double TimeIncMin = 10;  // read and kept; the export does not use it
};

using TExportTypes = std::vector<TExportType>;

inline constexpr const char* ExportDefinitionFileName = "exportdef.cfg";

// "Monatsverlauf" (Month), "Tagesverlauf" (Day), "Stundenverlauf" (Hour), "Minutenverlauf" (Min).
TExportTypes BuiltInExportTypes();

// Whether a period of this type ends after it begins (some step above 0, none below 0).
bool ExportTypeAdvances(const TExportType& type);

// The types of the file, or the built-in types when the file is missing, has no section or no type
// that advances. Types that do not advance are left out; each is named in Skipped (when given) and
// in a log line "Auswertungszeitraum "<name>" in <file> ausgelassen: ...".
TExportTypes ReadExportTypes(const std::string& fileName, std::vector<std::string>* skipped = nullptr);
// The same from the file's bytes; FileName only names the file in log lines.
TExportTypes ExportTypesFromBytes(std::string_view bytes, const std::string& fileName,
                                  std::vector<std::string>* skipped = nullptr);

// The program's types, filled once at start by LoadExportTypes (the built-in types before that).
const TExportTypes& ExportTypes();
// ExportTypes := ReadExportTypes(FileName). An empty name gives the built-in types.
void LoadExportTypes(const std::string& fileName);

// The type of that name, else of that ID (exactly, then ignoring ASCII letter case), or nullptr.
const TExportType* FindExportType(const TExportTypes& types, const std::string& nameOrId);

}  // namespace dedezuviv::exports
