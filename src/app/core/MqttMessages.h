// The texts the MQTT publisher sends, built from the project's field definitions and a decoded record:
// topics, the JSON state, the per-field values and the Home Assistant discovery configs. No network here.
//
// Topics under the prefix (default "dedezuviv/<project name>"):
//   <prefix>/state    {"time":"2026-12-09T20:15:03+01:00","fields":{"Vorlauf":{"value":61.5,"unit":"°C"},...}}
//   <prefix>/status   "online" / "offline"
//   <prefix>/<field>  the bare value, when per-field topics are on
// Discovery: homeassistant/<sensor|binary_sensor>/<node>/<object>/config, one device per prefix.
#pragma once

#include "protocol/RecordDecoder.h"
#include "app/core/Namespace.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace dedezuviv::model {
class TProject;
}  // namespace dedezuviv::model

namespace dedezuviv::app {

struct TMqttMessage {
    std::string Topic;
    std::string Payload;
    bool operator==(const TMqttMessage&) const = default;
};

// One named field as the publisher shows it.
struct TMqttField {
    TFieldType Type = ftTemperature;
    size_t Position = 0;   // index of its value in the record
    std::string Name;      // as defined ("Rücklauf")
    // Its name in the JSON state and in its topic: the name, or the qualified name ("Kessel (Relais)")
    // when the same name is defined under another type as well.
    std::string Key;
    std::string ObjectId;  // unique among the fields: "temperature_Ruecklauf"
    bool operator==(const TMqttField&) const = default;
};

inline constexpr const char* MqttDiscoveryPrefix = "homeassistant";

// The project's named fields in type and list order. A name defined twice in one type counts once (the
// first, as the value lookup does).
std::vector<TMqttField> MqttFields(const TProject& project);

// The text as an id of letters, digits, "_" and "-": umlauts and ß transliterated (Rücklauf ->
// Ruecklauf), every other character "_", runs of "_" as one, none at either end. Empty when nothing is
// left.
std::string MqttId(std::string_view text);
// The text as one topic level: "/", "+", "#" and control characters become "_"; empty gives "_".
std::string MqttTopicLevel(std::string_view text);
// "dedezuviv/<project name as one level>".
std::string DefaultMqttTopicPrefix(const std::string& projectName);
// The prefix itself when set (trailing "/" removed), else the default for the project.
std::string MqttTopicPrefix(const std::string& configuredPrefix, const std::string& projectName);
// Whether the text may be a topic prefix to publish under; Error receives a German reason if not.
bool IsValidMqttTopicPrefix(const std::string& prefix, std::string& error);

std::string MqttStateTopic(const std::string& prefix);
std::string MqttStatusTopic(const std::string& prefix);

// The JSON state of a record: its time (the controller's clock, ISO 8601 with the offset), and every
// field by its key with its value (numbers as numbers, times as ISO text, null when the record has no
// value there) and unit.
std::string MqttStatePayload(const std::vector<TMqttField>& fields, const TDecodedRecord& record);
// The per-field topics, "<prefix>/<key>", in the order of the fields.
std::vector<std::string> MqttFieldTopics(const std::string& prefix, const std::vector<TMqttField>& fields);
// The bare value of each field in the order of the fields; empty where the record has none (nothing
// is sent then: an empty retained message would delete the topic).
std::vector<std::string> MqttFieldValues(const std::vector<TMqttField>& fields, const TDecodedRecord& record);
// The discovery configs of all fields: temperatures as temperature sensors in °C, counters as sensors
// that only increase, inputs and relays as binary sensors, the rest as plain sensors; one device named
// after the project.
std::vector<TMqttMessage> MqttDiscoveryMessages(const std::string& prefix, const std::string& projectName,
                                                const std::vector<TMqttField>& fields);

}  // namespace dedezuviv::app
