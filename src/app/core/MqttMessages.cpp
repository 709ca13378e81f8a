#include "app/core/MqttMessages.h"

#include "base/AsciiText.h"
#include "base/Clock.h"
#include "base/JsonText.h"
#include "base/NumberText.h"
#include "model/Fields.h"
#include "model/Project.h"
#include "model/window/DataTable.h"
#include "app/core/Namespace.h"

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <map>
#include <set>

namespace dedezuviv::app {

namespace {

std::string LowerAscii(std::string text)
{
    for (char& c : text)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return text;
}

bool IsAsciiIdChar(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' || c == '-';
}

// The bytes of the UTF-8 character at text[pos] (1 for a byte that starts none).
size_t CharLength(std::string_view text, size_t pos)
{
    const unsigned char lead = static_cast<unsigned char>(text[pos]);
    const size_t length = lead < 0x80 ? 1 : (lead >> 5) == 0x6 ? 2 : (lead >> 4) == 0xE ? 3 : (lead >> 3) == 0x1E ? 4 : 1;
    return pos + length <= text.size() ? length : 1;
}

const char* Transliteration(std::string_view character)
{
    static const std::pair<const char*, const char*> table[] = {
        {"Ä", "Ae"}, {"Ö", "Oe"}, {"Ü", "Ue"}, {"ä", "ae"}, {"ö", "oe"}, {"ü", "ue"}, {"ß", "ss"}};
    for (const auto& [from, to] : table)
        if (character == from)
            return to;
    return nullptr;
}

// A value as JSON: numbers as numbers, times as ISO text, null for none.
void AppendJsonValue(std::string& out, const TFieldValue& value)
{
    switch (value.Kind) {
    case vkFloat:
        if (std::isfinite(value.FloatValue))
            out += FloatToText(value.FloatValue, '.');
        else
            out += "null";
        return;
    case vkInteger:
    case vkHex:
        out += std::to_string(value.IntValue);
        return;
    case vkDateTime:
        if (value.DateTimeValue == 0)
            out += "null";
        else
            AppendJsonString(out, LocalTimeToIso8601(value.DateTimeValue));
        return;
    default:
        out += "null";
    }
}

// The bare value of a per-field topic (never empty: an empty retained message would delete the topic).
std::string PlainValueText(const TFieldValue& value)
{
    std::string json;
    AppendJsonValue(json, value);
    if (json.size() >= 2 && json.front() == '"')
        return json.substr(1, json.size() - 2);
    return json;
}

const TFieldValue* RecordValue(const TDecodedRecord& record, const TMqttField& field)
{
    const size_t count = std::min<size_t>(record.Counts[field.Type], MaxValuesPerType);
    return field.Position < count ? &record.Values[field.Type][field.Position] : nullptr;
}

}  // namespace

std::vector<TMqttField> MqttFields(const TProject& project)
{
    std::vector<TMqttField> fields;
    for (int t = 0; t < FieldTypeCount; ++t) {
        std::set<std::string> seen;
        const TNameList& names = project.FieldNames[t];
        for (size_t p = 0; p < names.size(); ++p) {
            if (names[p].empty() || !seen.insert(LowerAscii(names[p])).second)
                continue;
            TMqttField field;
            field.Type = static_cast<TFieldType>(t);
            field.Position = p;
            field.Name = names[p];
            field.Unit = FieldTypeUnits[t];
            fields.push_back(std::move(field));
        }
    }
    // A name under several types is told apart by its type in the state and in topics.
    std::map<std::string, int> typesPerName;
    for (const TMqttField& field : fields)
        ++typesPerName[LowerAscii(field.Name)];
    // An id comes from the field alone: ids that would coincide carry a hash of the exact name, so
    // renaming or removing one field never hands its id (and its history) to another.
    std::map<std::string, int> fieldsPerId;
    for (TMqttField& field : fields) {
        const bool shared = typesPerName[LowerAscii(field.Name)] > 1;
        field.Key = shared ? QualifiedFieldName(field.Name, field.Type) : field.Name;
        field.ObjectId = LowerAscii(FieldTypeNames[field.Type]) + "_" + MqttId(field.Name);
        ++fieldsPerId[field.ObjectId];
    }
    for (TMqttField& field : fields)
        if (fieldsPerId[field.ObjectId] > 1 || field.ObjectId.back() == '_')
            field.ObjectId += (field.ObjectId.back() == '_' ? "" : "_") + MqttShortHash(field.Name);
    return fields;
}

std::vector<TMqttField> MqttFields(const TProject& project, const TDataTable& table)
{
    std::vector<TMqttField> fields = MqttFields(project);
    for (TMqttField& field : fields) {
        bool found = false;
        table.ForEachCell([&](int, int, const TDataField& cell) {
            const std::string unit = std::string(TrimBlanks(cell.UnitStr));
            if (found || cell.UseDefaultUnit || unit.empty() ||
                !MatchesQualifiedName(cell.Fieldname, field.Name, field.Type))
                return;
            field.Unit = unit;
            found = true;
        });
    }
    return fields;
}

std::string MqttShortHash(std::string_view text)
{
    uint32_t hash = 2166136261u;
    for (const char c : text) {
        hash ^= static_cast<unsigned char>(c);
        hash *= 16777619u;
    }
    char digits[16];
    std::snprintf(digits, sizeof digits, "%06x", static_cast<unsigned>(hash & 0xFFFFFFu));
    return digits;
}

std::string MqttId(std::string_view text)
{
    std::string id;
    for (size_t pos = 0; pos < text.size();) {
        const size_t length = CharLength(text, pos);
        const std::string_view character = text.substr(pos, length);
        pos += length;
        if (length == 1 && IsAsciiIdChar(character[0]) && character[0] != '_')
            id += character[0];
        else if (const char* replacement = Transliteration(character))
            id += replacement;
        else if (!id.empty() && id.back() != '_')
            id += '_';
    }
    while (!id.empty() && id.back() == '_')
        id.pop_back();
    return id;
}

std::string MqttTopicLevel(std::string_view text)
{
    std::string level;
    for (const char c : text)
        level += (c == '/' || c == '+' || c == '#' || static_cast<unsigned char>(c) < 0x20) ? '_' : c;
    return level.empty() ? "_" : level;
}

std::string DefaultMqttTopicPrefix(const std::string& projectName, const std::string& projectFile,
                                   const std::string& hostName)
{
    std::string path;
    if (!projectFile.empty()) {
        std::error_code ignored;
        path = std::filesystem::absolute(projectFile, ignored).lexically_normal().string();
    }
    return "dedezuviv/" + MqttTopicLevel(hostName + "-" + projectName + "-" + MqttShortHash(path));
}

std::string DefaultMqttTopicPrefix(const std::string& projectName, const std::string& projectFile)
{
    char host[256] = {};
    if (gethostname(host, sizeof host - 1) != 0)
        host[0] = '\0';
    std::string shortName = host;
    shortName = shortName.substr(0, shortName.find('.'));
    return DefaultMqttTopicPrefix(projectName, projectFile, shortName.empty() ? "localhost" : shortName);
}

std::string MqttTopicPrefix(const std::string& configuredPrefix, const std::string& projectName,
                            const std::string& projectFile)
{
    std::string prefix = configuredPrefix;
    while (prefix.size() > 1 && prefix.back() == '/')
        prefix.pop_back();
    return prefix.empty() ? DefaultMqttTopicPrefix(projectName, projectFile) : prefix;
}

std::string MqttNodeId(const std::string& prefix)
{
    const std::string node = MqttId(prefix);
    return node.empty() ? "dedezuviv" : node;
}

bool IsValidMqttTopicPrefix(const std::string& prefix, std::string& error)
{
    if (prefix.find_first_of("+#") != std::string::npos) {
        error = "Das MQTT-Thema \"" + prefix + "\" darf weder \"+\" noch \"#\" enthalten.";
        return false;
    }
    if (!prefix.empty() && prefix[0] == '$') {
        error = "Das MQTT-Thema \"" + prefix + "\" darf nicht mit \"$\" beginnen (dem Broker vorbehalten).";
        return false;
    }
    if (std::any_of(prefix.begin(), prefix.end(), [](char c) { return static_cast<unsigned char>(c) < 0x20; })) {
        error = "Das MQTT-Thema enthält Steuerzeichen.";
        return false;
    }
    return true;
}

std::string MqttStateTopic(const std::string& prefix) { return prefix + "/state"; }

std::string MqttStatusTopic(const std::string& prefix) { return prefix + "/status"; }

std::string MqttLinkTopic(const std::string& prefix) { return prefix + "/link"; }

std::string MqttDiagnosticsTopic(const std::string& prefix) { return prefix + "/diagnostics"; }

std::string MqttStatePayload(const std::vector<TMqttField>& fields, const TDecodedRecord& record)
{
    std::string out;
    out.reserve(64 + fields.size() * 48);
    out += "{\"time\":";
    if (record.Header.RT == 0)
        out += "null";
    else
        AppendJsonString(out, LocalTimeToIso8601(record.Header.RT));
    out += ",\"fields\":{";
    for (size_t i = 0; i < fields.size(); ++i) {
        if (i > 0)
            out += ',';
        AppendJsonString(out, fields[i].Key);
        out += ":{\"value\":";
        const TFieldValue* value = RecordValue(record, fields[i]);
        if (value)
            AppendJsonValue(out, *value);
        else
            out += "null";
        out += ",\"unit\":";
        AppendJsonString(out, fields[i].Unit);
        out += '}';
    }
    out += "}}";
    return out;
}

std::vector<std::string> MqttFieldTopics(const std::string& prefix, const std::vector<TMqttField>& fields)
{
    std::vector<std::string> topics;
    topics.reserve(fields.size());
    for (const TMqttField& field : fields)
        topics.push_back(prefix + "/" + MqttTopicLevel(field.Key));
    return topics;
}

std::vector<std::string> MqttFieldValues(const std::vector<TMqttField>& fields, const TDecodedRecord& record)
{
    std::vector<std::string> values(fields.size());
    for (size_t i = 0; i < fields.size(); ++i) {
        const TFieldValue* value = RecordValue(record, fields[i]);
        if (value == nullptr || value->Kind == vkNone)
            continue;
        std::string text = PlainValueText(*value);
        if (text != "null")
            values[i] = std::move(text);
    }
    return values;
}

std::string MqttDiagnosticsPayload(TDateTime lastRecord, long recordsToday, long ackErrors)
{
    std::string out = "{\"last_record\":";
    if (lastRecord == 0)
        out += "null";
    else
        AppendJsonString(out, LocalTimeToIso8601(lastRecord));
    out += ",\"records_today\":" + std::to_string(recordsToday) + ",\"ack_errors\":" + std::to_string(ackErrors) + "}";
    return out;
}

}  // namespace dedezuviv::app
