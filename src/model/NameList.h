// The list encoding of the project file for field definitions and field selections: entries joined
// by ",", an entry that holds a blank, a control character, "," or "/" enclosed in "/" with every "/"
// inside doubled. The entries Außen, Warm Wasser and Kessel are written "Außen,/Warm Wasser/,Kessel".
#pragma once

#include "model/Namespace.h"

#include <string>
#include <string_view>
#include <vector>

namespace dedezuviv::model {

// An empty list gives an empty text; a list of exactly one empty entry gives "//".
std::string EncodeNameList(const std::vector<std::string>& names);

// Blanks and control characters before an entry are skipped; an entry that starts with "/" runs to
// the closing "/" (a doubled "/" stands for one; with no closing "/" to the end of the text); any
// other entry runs up to the next ",", blank or control character; blanks after an entry are
// skipped; two commas in a row give an empty entry, and a "," at the very end a final empty entry.
std::vector<std::string> DecodeNameList(std::string_view text);

}  // namespace dedezuviv::model
