// Field names: qualified names ("Kessel (Temperatur)"), cleaning and splitting of name lists and the
// six system fields.
#pragma once

#include "protocol/RecordDecoder.h"
#include "model/Namespace.h"

#include <array>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace dedezuviv::model {

using TNameList = std::vector<std::string>;

// The system fields every record carries without definition and without type suffix, in their fixed
// order: Program, Version, Subversion, ID, RT, PC.
constexpr int SystemFieldCount = 6;
extern const std::array<std::string, SystemFieldCount> SystemFields;

// Index 0..5 of a system field (compared in ASCII upper case), or -1.
int SystemFieldIndex(std::string_view name);

// Name + " (" + display name of the type + ")". An invalid type gives the name unchanged.
std::string QualifiedFieldName(const std::string& name, TFieldType type);

// The text before the first "(", without the one blank that separates it from the bracket; the whole
// text when it contains no "(".
std::string PlainFieldName(const std::string& qualifiedName);

// Whether the UTF-8 character starting at text[pos] may stand in a field name; Length receives the
// number of bytes of that character (1 for a byte that starts no valid sequence). The comma is not a
// name character.
bool IsFieldNameCharAt(std::string_view text, size_t pos, size_t& length);

// The text without every character that a field name may not contain (blank, "-", "0"-"9", "A"-"Z",
// "_", "a"-"z", Ä Ö Ü ä ö ü and ß stay, and so do commas). A character of several bytes is dropped whole;
// bytes that form no valid UTF-8 character are dropped one by one. Dropped is 1 when anything was
// removed, else 0.
std::string CleanFieldName(std::string_view text, int& dropped);

// Appends the comma-separated names of Text to List, cleaned as above. A comma ends the current name
// even when it is empty; at the end the current name is added only when it is not empty:
// "a,,b" gives a, "", b; "a,b," gives a, b; ",a" gives "", a. Dropped as above.
void SplitFieldNames(std::string_view text, TNameList& list, int& dropped);
// The same for an owned list that may not exist yet (it is created first).
void SplitFieldNames(std::string_view text, std::unique_ptr<TNameList>& list, int& dropped);

// Case-insensitive order for name lists shown to the user: ASCII letters without case, the umlauts
// sorted with their base letter (ä as a, ß as ss); names equal in that respect are ordered by their
// bytes so the order is always the same. Negative, 0 or positive like strcmp.
int CompareFieldNames(std::string_view a, std::string_view b);
void SortFieldNames(TNameList& list);

// Whether Text equals the qualified name of the definition Name of the given type, comparing ASCII
// letters without case (the search rule of GetFieldValue, model/FieldValue.h). An empty Name never matches.
bool MatchesQualifiedName(std::string_view text, std::string_view name, TFieldType type);

}  // namespace dedezuviv::model
