// Device definition files (".def"): the names of a controller's temperature inputs and relay outputs,
// as its maker describes them. Only the section [Version Export] is read:
//   MESSEINGAENGE=n      n temperature inputs, named E1 ... En until a key names them
//   RELAISAUSGAENGE=m    m relay outputs, named R1 ... Rm until a key names them
//   EA_<name>=k          temperature input k (from 1) is called <name>
//   AR_<name>=k          relay output k (from 1) is called <name>
// Prefixes are compared with their exact case; other keys are ignored. A comma in a name is left out
// (with a log line), as commas separate names.
#pragma once

#include "model/Fields.h"
#include "model/Namespace.h"

#include <string>
#include <string_view>
#include <vector>

namespace dedezuviv::model {

class TProject;

struct TDeviceDefinition {
    // Temperature names, one per measurement input.
    TNameList Temperatures;
    // Relay names, one per relay output, control circuits expanded, then two entries that are empty
    // unless a circuit at the second-to-last output reached into them.
    TNameList Outputs;
    // Whether [Version Export] held any key at all; without one the file defines nothing.
    bool HasKeys = false;
    // "EA_" and "AR_" keys that named no entry: position 0, not a number, or beyond the number of
    // inputs or outputs. Each is also written to the log.
    std::vector<std::string> SkippedKeys;
};

// The highest number of inputs or outputs taken from a file: a record carries at most this many
// values of one type, and a wild count must not allocate without bound.
constexpr int MaxDefinitionEntries = 200;

// Reads the file; a missing or unreadable file reads as one without keys. Negative positions are
// skipped silently; a later key for the same position overwrites an earlier one.
TDeviceDefinition ReadDeviceDefinition(const std::string& fileName);
// The same from the file's bytes; FileName only names the file in log lines.
TDeviceDefinition DeviceDefinitionFromBytes(std::string_view bytes, const std::string& fileName);

// Expands control circuits in a relay list: a relay whose name begins with "RKREIS" and whose next
// relay still holds its initial name ("R" and its own position from 1) drives the valve of the
// circuit, so relay i becomes <name>_WAERMER, relay i+1 <name>_KAELTER and relay i+2 the circuit
// <name>. The scan goes in ascending order up to the second-to-last entry and continues after the
// three relays of an expanded circuit, so one circuit expands once.
void ExpandControlCircuits(TNameList& outputs);

// What the dataset definition dialog stores after an import and OK: the temperature and relay lists of
// the definition, and the project's other six lists unchanged, each taken through the edit-text rules
// (so names lose the characters names may not contain). The project is marked modified. Returns
// whether characters were dropped.
bool ApplyDeviceDefinition(TProject& project, const TDeviceDefinition& definition);

}  // namespace dedezuviv::model
