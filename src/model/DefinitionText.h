// The dataset definition as the user edits it: the names of one field type as one line of comma text,
// and the way such a line is taken back into the project's name lists.
#pragma once

#include "model/Fields.h"
#include "model/Namespace.h"

#include <array>
#include <string>
#include <string_view>

namespace dedezuviv::model {

class TProject;

// The names joined with ","; a name that holds a blank, a comma, a double quote or a control character
// is enclosed in double quotes (an inner double quote doubled). An empty name gives nothing between its
// commas, so the list R1, "", "" reads "R1,,".
std::string NamesToCommaText(const TNameList& names);

// The names of an edited line: every character that a field name may not contain is dropped (the double
// quotes of quoted names among them, while the blanks inside names stay), then the text is split at
// every comma (SplitFieldNames): "a,,b" gives a, "", b; "a," gives a; " b" keeps its leading blank.
// Dropped is 1 when characters other than double quotes were dropped: the quotes are the comma text's
// own and losing them is no loss.
TNameList CommaTextToNames(std::string_view text, int& dropped);

// One line per field type, indexed by TFieldType.
using TDefinitionTexts = std::array<std::string, FieldTypeCount>;

TDefinitionTexts DefinitionTextsFromProject(const TProject& project);

// Replaces the eight name lists of the project by the names of the lines, in type order, and marks the
// project modified whether anything changed or not. The lists are replaced under the lock of the live
// state, as the network value server reads them. Returns whether any line lost characters (other than
// double quotes); the lists are stored in any case.
bool StoreDefinitionTexts(TProject& project, const TDefinitionTexts& texts);

}  // namespace dedezuviv::model
