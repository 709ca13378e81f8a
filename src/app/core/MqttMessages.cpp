#include "app/core/MqttMessages.h"

#include "base/AppGlobals.h"
#include "base/Clock.h"
#include "base/JsonText.h"
#include "base/NumberText.h"
#include "model/Fields.h"
#include "model/Project.h"
#include "app/core/Namespace.h"

#include <algorithm>
#include <cmath>
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

bool IsBinary(TFieldType type) { return type == ftInput || type == ftOutput; }

void AppendMember(std::string& out, const char* name, const std::string& text)
{
    if (out.back() != '{')
        out += ',';
    AppendJsonString(out, name);
    out += ':';
    AppendJsonString(out, text);
}

std::string DiscoveryConfig(const std::string& prefix, const std::string& projectName, const std::string& node,
                            const TMqttField& field)
{
    // Field names hold only letters, digits, blanks, "-", "_" and umlauts, so they sit safely inside a
    // single-quoted template string.
    const std::string value = "value_json.fields['" + field.Key + "'].value";
    std::string out = "{";
    AppendMember(out, "name", field.Key);
    AppendMember(out, "unique_id", node + "_" + field.ObjectId);
    AppendMember(out, "state_topic", MqttStateTopic(prefix));
    AppendMember(out, "availability_topic", MqttStatusTopic(prefix));
    if (IsBinary(field.Type)) {
        AppendMember(out, "value_template", "{{ 'ON' if " + value + " else 'OFF' }}");
    } else {
        AppendMember(out, "value_template", "{{ " + value + " }}");
        if (field.Type == ftTemperature) {
            AppendMember(out, "device_class", "temperature");
            AppendMember(out, "unit_of_measurement", "°C");
            AppendMember(out, "state_class", "measurement");
        } else if (field.Type == ftCounter) {
            AppendMember(out, "state_class", "total_increasing");
        } else if (field.Type == ftValue) {
            AppendMember(out, "state_class", "measurement");
        }
    }
    out += ",\"device\":{\"identifiers\":[";
    AppendJsonString(out, node);
    out += "]";
    AppendMember(out, "name", projectName);
    AppendMember(out, "manufacturer", "DEDEZUviv");
    AppendMember(out, "model", ProgramTitle);
    AppendMember(out, "sw_version", VersionString);
    out += "}}";
    return out;
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
            fields.push_back(std::move(field));
        }
    }
    // A name under several types is told apart by its type in the state and in topics.
    std::map<std::string, int> typesPerName;
    for (const TMqttField& field : fields)
        ++typesPerName[LowerAscii(field.Name)];
    std::set<std::string> objectIds;
    for (TMqttField& field : fields) {
        const bool shared = typesPerName[LowerAscii(field.Name)] > 1;
        field.Key = shared ? QualifiedFieldName(field.Name, field.Type) : field.Name;
        const std::string base = LowerAscii(FieldTypeNames[field.Type]) + "_" + MqttId(field.Name);
        std::string id = base;
        for (int n = 2; !objectIds.insert(id).second; ++n)
            id = base + "_" + std::to_string(n);
        field.ObjectId = id;
    }
    return fields;
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

std::string DefaultMqttTopicPrefix(const std::string& projectName)
{
    return "dedezuviv/" + MqttTopicLevel(projectName);
}

std::string MqttTopicPrefix(const std::string& configuredPrefix, const std::string& projectName)
{
    std::string prefix = configuredPrefix;
    while (prefix.size() > 1 && prefix.back() == '/')
        prefix.pop_back();
    return prefix.empty() ? DefaultMqttTopicPrefix(projectName) : prefix;
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
        AppendJsonString(out, FieldTypeUnits[fields[i].Type]);
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

std::vector<TMqttMessage> MqttDiscoveryMessages(const std::string& prefix, const std::string& projectName,
                                                const std::vector<TMqttField>& fields)
{
    std::string node = MqttId(prefix);
    if (node.empty())
        node = "dedezuviv";
    std::vector<TMqttMessage> messages;
    for (const TMqttField& field : fields) {
        const char* component = IsBinary(field.Type) ? "binary_sensor" : "sensor";
        messages.push_back({std::string(MqttDiscoveryPrefix) + "/" + component + "/" + node + "/" + field.ObjectId +
                                "/config",
                            DiscoveryConfig(prefix, projectName, node, field)});
    }
    return messages;
}

}  // namespace dedezuviv::app
