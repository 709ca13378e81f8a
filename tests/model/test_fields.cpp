// Field names: qualification, cleaning, splitting, sorting and the value lookup in a decoded record.
#include "model/FieldValue.h"
#include "model/Fields.h"
#include "model/Project.h"

#include <gtest/gtest.h>

#include <memory>

using namespace dedezuviv::model;

namespace {

std::unique_ptr<TDecodedRecord> EmptyRecord() { return std::make_unique<TDecodedRecord>(); }

void PutFloat(TDecodedRecord& record, TFieldType type, double value)
{
    auto& slot = record.Values[type][record.Counts[type]++];
    slot.Kind = vkFloat;
    slot.FloatValue = value;
}

void PutInt(TDecodedRecord& record, TFieldType type, int32_t value)
{
    auto& slot = record.Values[type][record.Counts[type]++];
    slot.Kind = vkInteger;
    slot.IntValue = value;
}

}  // namespace

TEST(FieldNames, QualifiedAndPlainNames)
{
    EXPECT_EQ(QualifiedFieldName("Kessel", ftTemperature), "Kessel (Temperatur)");
    EXPECT_EQ(QualifiedFieldName("Brenner", ftOutput), "Brenner (Relais)");
    EXPECT_EQ(QualifiedFieldName("Zähler 1", ftCounter), "Zähler 1 (" + FieldTypeCaptions[ftCounter] + ")");
    EXPECT_EQ(QualifiedFieldName("X", static_cast<TFieldType>(8)), "X");

    EXPECT_EQ(PlainFieldName("Außen"), "Außen");
    EXPECT_EQ(PlainFieldName("Vorlauf (Wert)"), "Vorlauf");
    EXPECT_EQ(PlainFieldName("Warm Wasser (Temperatur)"), "Warm Wasser");
    EXPECT_EQ(PlainFieldName("Kessel(Temperatur)"), "Kessel");  // no blank before the bracket
    EXPECT_EQ(PlainFieldName("(Temperatur)"), "");
    EXPECT_EQ(PlainFieldName(""), "");
    for (int t = 0; t < FieldTypeCount; ++t)
        EXPECT_EQ(PlainFieldName(QualifiedFieldName("Rücklauf 2", static_cast<TFieldType>(t))), "Rücklauf 2");
}

TEST(FieldNames, TypeSuffixesTranslateBetweenStoredAndDisplayForm)
{
    EXPECT_EQ(TranslateTypeSuffixes(FieldTypeCaptions, FieldTypeNames, "Brenner (Relais)"), "Brenner (Output)");
    EXPECT_EQ(TranslateTypeSuffixes(FieldTypeNames, FieldTypeCaptions, "Brenner (Output)"), "Brenner (Relais)");
    EXPECT_EQ(TranslateTypeSuffixes(FieldTypeNames, FieldTypeCaptions, "Puffer (Intern)"), "Puffer (Intern)");
    EXPECT_EQ(TranslateTypeSuffixes(FieldTypeCaptions, FieldTypeNames, "Puffer (Intern)"), "Puffer (Intern)");
}

TEST(FieldNames, SystemFieldsMatchTheDecoderList)
{
    std::string joined;
    for (const auto& name : SystemFields)
        joined += (joined.empty() ? "" : ",") + name;
    EXPECT_EQ(joined, SystemFieldNames);
    EXPECT_EQ(SystemFieldIndex("rt"), 4);
    EXPECT_EQ(SystemFieldIndex("SUBVERSION"), 2);
    EXPECT_EQ(SystemFieldIndex("RT "), -1);
    EXPECT_EQ(SystemFieldIndex(""), -1);
}

TEST(FieldNames, CleanKeepsAllowedCharactersAndCommas)
{
    int dropped = 7;
    EXPECT_EQ(CleanFieldName("Kessel 1,Vorlauf-Temp_2", dropped), "Kessel 1,Vorlauf-Temp_2");
    EXPECT_EQ(dropped, 0);
    EXPECT_EQ(CleanFieldName("ÄÖÜäöü", dropped), "ÄÖÜäöü");
    EXPECT_EQ(dropped, 0);
    EXPECT_EQ(CleanFieldName("", dropped), "");
    EXPECT_EQ(dropped, 0);
}

TEST(FieldNames, CleanDropsOtherCharactersWhole)
{
    int dropped = 0;
    // ß is a name character like the umlauts; ç and É share their lead byte 0xC3 and must still go whole.
    EXPECT_EQ(CleanFieldName("Außen", dropped), "Außen");
    EXPECT_EQ(dropped, 0);
    EXPECT_EQ(CleanFieldName("Façade", dropped), "Faade");
    EXPECT_EQ(dropped, 1);
    EXPECT_EQ(CleanFieldName("Éa", dropped), "a");
    EXPECT_EQ(dropped, 1);
    EXPECT_EQ(CleanFieldName("T(1)\t: 5 €/h 🔥", dropped), "T1 5 h ");
    EXPECT_EQ(dropped, 1);
    EXPECT_EQ(CleanFieldName("a;b.c", dropped), "abc");
    EXPECT_EQ(dropped, 1);
}

TEST(FieldNames, CleanDropsBrokenUtf8ByteByByte)
{
    int dropped = 0;
    // A Windows-1252 ä, a lone lead byte before an ASCII letter, a truncated sequence at the end, a stray
    // continuation byte, and a lead byte followed by a complete umlaut.
    EXPECT_EQ(CleanFieldName("K\xE4se", dropped), "Kse");
    EXPECT_EQ(dropped, 1);
    EXPECT_EQ(CleanFieldName("\xC3" "A", dropped), "A");
    EXPECT_EQ(CleanFieldName("ab\xC3", dropped), "ab");
    EXPECT_EQ(CleanFieldName("a\x84z", dropped), "az");
    EXPECT_EQ(CleanFieldName("\xC3\xC3\xA4", dropped), "ä");
    EXPECT_EQ(dropped, 1);
    EXPECT_EQ(CleanFieldName(std::string("a\0b", 3), dropped), "ab");
    EXPECT_EQ(dropped, 1);
}

TEST(FieldNames, SplitKeepsPositionsOfEmptyNames)
{
    int dropped = 5;
    TNameList list;
    SplitFieldNames("a,,b", list, dropped);
    EXPECT_EQ(list, (TNameList{"a", "", "b"}));
    EXPECT_EQ(dropped, 0);

    list.clear();
    SplitFieldNames("a,b,", list, dropped);
    EXPECT_EQ(list, (TNameList{"a", "b"}));

    list.clear();
    SplitFieldNames(",a", list, dropped);
    EXPECT_EQ(list, (TNameList{"", "a"}));

    list.clear();
    SplitFieldNames(",", list, dropped);
    EXPECT_EQ(list, (TNameList{""}));

    list.clear();
    SplitFieldNames("", list, dropped);
    EXPECT_TRUE(list.empty());
}

TEST(FieldNames, SplitAppendsCleanedNames)
{
    int dropped = 0;
    TNameList list{"Alt"};
    SplitFieldNames("Au(ß)en, Kessel,Vorlauf!", list, dropped);
    // Blanks are name characters: the blank after the comma stays.
    EXPECT_EQ(list, (TNameList{"Alt", "Außen", " Kessel", "Vorlauf"}));
    EXPECT_EQ(dropped, 1);

    // A name made only of dropped characters still takes its position when a comma follows.
    list.clear();
    SplitFieldNames("ç,x", list, dropped);
    EXPECT_EQ(list, (TNameList{"", "x"}));

    std::unique_ptr<TNameList> owned;
    SplitFieldNames("Kühl,Heiß€", owned, dropped);
    ASSERT_TRUE(owned);
    EXPECT_EQ(*owned, (TNameList{"Kühl", "Heiß"}));
    EXPECT_EQ(dropped, 1);
    SplitFieldNames("Drei", owned, dropped);
    EXPECT_EQ(owned->size(), 3u);
    EXPECT_EQ(dropped, 0);
}

TEST(FieldNames, SortIgnoresCaseAndSortsUmlautsWithTheirLetter)
{
    TNameList list{"Zentral", "außen", "Brenner", "Äußere", "aussen", "b", "B", "Öl"};
    SortFieldNames(list);
    EXPECT_EQ(list, (TNameList{"aussen", "außen", "Äußere", "B", "b", "Brenner", "Öl", "Zentral"}));
    EXPECT_LT(CompareFieldNames("id", "PC"), 0);
    EXPECT_GT(CompareFieldNames("Zentral", "Äußen"), 0);
    EXPECT_EQ(CompareFieldNames("RT", "RT"), 0);
}

TEST(FieldNames, QualifiedMatchIgnoresAsciiCaseOnly)
{
    EXPECT_TRUE(MatchesQualifiedName("kessel (temperatur)", "Kessel", ftTemperature));
    EXPECT_TRUE(MatchesQualifiedName("KESSEL (TEMPERATUR)", "Kessel", ftTemperature));
    EXPECT_FALSE(MatchesQualifiedName("Kessel", "Kessel", ftTemperature));
    EXPECT_FALSE(MatchesQualifiedName("Kessel (Temperature)", "Kessel", ftTemperature));
    EXPECT_FALSE(MatchesQualifiedName("Kessel  (Temperatur)", "Kessel", ftTemperature));
    EXPECT_FALSE(MatchesQualifiedName("Kessel (Temperatur) ", "Kessel", ftTemperature));
    // Only ASCII letters fold: Ä and ä are different.
    EXPECT_FALSE(MatchesQualifiedName("äußen (Temperatur)", "Äußen", ftTemperature));
    EXPECT_TRUE(MatchesQualifiedName("ÄUßEN (temperatur)", "Äußen", ftTemperature));
    // An empty definition has no lookup by name.
    EXPECT_FALSE(MatchesQualifiedName(" (Temperatur)", "", ftTemperature));
}

TEST(FieldValue, PositionsBeyondTheRecordAndEmptyEntries)
{
    TProject project;
    project.FieldNames[ftTemperature] = {"A", "", "C"};
    auto record = EmptyRecord();
    PutFloat(*record, ftTemperature, 21.5);
    PutFloat(*record, ftTemperature, 30.0);

    int type = 99;
    TFieldValue value;
    EXPECT_TRUE(GetFieldValue(&project, *record, "A (Temperatur)", type, value));
    EXPECT_EQ(type, ftTemperature);
    EXPECT_EQ(value.Kind, vkFloat);
    EXPECT_DOUBLE_EQ(value.FloatValue, 21.5);

    EXPECT_FALSE(GetFieldValue(&project, *record, "C (Temperatur)", type, value));
    EXPECT_EQ(type, -1);
    EXPECT_EQ(value.Kind, vkNone);

    EXPECT_FALSE(GetFieldValue(&project, *record, " (Temperatur)", type, value));
    EXPECT_EQ(value.Kind, vkNone);
    EXPECT_EQ(project.GetAllFieldNames(true, false), (TNameList{"A (Temperatur)", "C (Temperatur)"}));
}

TEST(FieldValue, CaseAndQualification)
{
    TProject project;
    project.FieldNames[ftTemperature] = {"Kessel"};
    auto record = EmptyRecord();
    PutFloat(*record, ftTemperature, 64.0);

    int type = -5;
    TFieldValue value;
    EXPECT_TRUE(GetFieldValue(&project, *record, "kessel (temperatur)", type, value));
    EXPECT_EQ(type, ftTemperature);
    EXPECT_DOUBLE_EQ(value.FloatValue, 64.0);
    EXPECT_FALSE(GetFieldValue(&project, *record, "KESSEL", type, value));
    EXPECT_EQ(type, -1);
    EXPECT_EQ(value.Kind, vkNone);
    EXPECT_FALSE(GetFieldValue(&project, *record, "Kessel (Temperature)", type, value));
}

TEST(FieldValue, SystemFieldsWithAndWithoutProject)
{
    auto record = EmptyRecord();
    record->Header.Program = 13;
    record->Header.Version = 2;
    record->Header.Subversion = 1;
    record->Header.ID = 7;
    record->Header.RT = 46364.5;
    record->Header.PC = 46364.75;

    TProject project;
    int type = 3;
    TFieldValue value;
    for (const char* name : {"rt", "RT", "Rt"}) {
        EXPECT_TRUE(GetFieldValue(&project, *record, name, type, value)) << name;
        EXPECT_EQ(type, -1);
        EXPECT_EQ(value.Kind, vkDateTime);
        EXPECT_DOUBLE_EQ(value.DateTimeValue, 46364.5);
    }
    EXPECT_TRUE(GetFieldValue(nullptr, *record, "pc", type, value));
    EXPECT_DOUBLE_EQ(value.DateTimeValue, 46364.75);
    const std::pair<const char*, int32_t> integers[] = {
        {"Program", 13}, {"version", 2}, {"SUBVERSION", 1}, {"id", 7}};
    for (const auto& [name, expected] : integers) {
        EXPECT_TRUE(GetFieldValue(nullptr, *record, name, type, value)) << name;
        EXPECT_EQ(value.Kind, vkInteger);
        EXPECT_EQ(value.IntValue, expected);
        EXPECT_EQ(type, -1);
    }
    // Without a project only system fields are found.
    EXPECT_FALSE(GetFieldValue(nullptr, *record, "Kessel (Temperatur)", type, value));
}

TEST(FieldValue, SamePlainNameInTwoTypesAndFirstMatchWins)
{
    TProject project;
    project.FieldNames[ftTemperature] = {"Pumpe"};
    project.FieldNames[ftOutput] = {"Brenner", "Pumpe", "Pumpe"};
    auto record = EmptyRecord();
    PutFloat(*record, ftTemperature, 40.0);
    PutInt(*record, ftOutput, 0);
    PutInt(*record, ftOutput, 1);
    PutInt(*record, ftOutput, 0);

    int type = -1;
    TFieldValue value;
    EXPECT_TRUE(GetFieldValue(&project, *record, "Pumpe (Temperatur)", type, value));
    EXPECT_EQ(type, ftTemperature);
    EXPECT_DOUBLE_EQ(value.FloatValue, 40.0);
    EXPECT_TRUE(GetFieldValue(&project, *record, "Pumpe (Relais)", type, value));
    EXPECT_EQ(type, ftOutput);
    EXPECT_EQ(value.IntValue, 1);  // position 1, not the duplicate at position 2
}

TEST(FieldValue, FirstMatchDecidesEvenWithoutValue)
{
    // The first "X" lies beyond the record's values; the later one at position 0 is not consulted.
    TProject project;
    project.FieldNames[ftValue] = {"a", "b", "X", "X"};
    auto record = EmptyRecord();
    PutFloat(*record, ftValue, 1.0);
    PutFloat(*record, ftValue, 2.0);
    int type = 0;
    TFieldValue value;
    EXPECT_FALSE(GetFieldValue(&project, *record, QualifiedFieldName("X", ftValue), type, value));
    EXPECT_EQ(type, -1);
}

TEST(FieldValue, CountBeyondTheRecordCapacityIsCapped)
{
    TProject project;
    project.FieldNames[ftIntern].assign(MaxValuesPerType + 5, "n");
    project.FieldNames[ftIntern].back() = "last";
    auto record = EmptyRecord();
    record->Counts[ftIntern] = 60000;  // a corrupt count must not read past the array
    int type = 0;
    TFieldValue value;
    EXPECT_FALSE(GetFieldValue(&project, *record, "last (Intern)", type, value));
    EXPECT_EQ(type, -1);
}
