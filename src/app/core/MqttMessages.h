// The texts the MQTT publisher sends, built from the project's field definitions and a decoded record:
// topics, the JSON state, the per-field values and the Home Assistant discovery configs. No network here.
//
// Topics under the prefix (default "dedezuviv/<host>-<project name>-<hash of the project file's path>"):
//   <prefix>/state        {"time":"2026-12-09T20:15:03+01:00","fields":{"Vorlauf":{"value":61.5,"unit":"°C"},...}}
//   <prefix>/status       "online" / "offline": the logger itself (its last will says "offline")
//   <prefix>/link         "online" while records come from the controller, else "offline"
//   <prefix>/diagnostics  {"last_record":"2026-12-09T20:15:04+01:00","records_today":812,"ack_errors":0}
//   <prefix>/<field>      the bare value, when per-field topics are on
// The discovery configs are built in MqttDiscovery.
#pragma once

#include "protocol/RecordDecoder.h"
#include "app/core/Namespace.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace dedezuviv::model {
class TProject;
class TDataTable;
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
    // Unique among the fields and made from the field alone (its type and its exact name):
    // "temperature_Ruecklauf"; names that transliterate alike get a short hash of the exact name as
    // well ("temperature_Vorlauf_1_3f09a2").
    std::string ObjectId;
    // The unit the project shows it with (a data table cell's own unit text), else the type's.
    std::string Unit;
    bool operator==(const TMqttField&) const = default;
};

// The project's named fields in type and list order. A name defined twice in one type counts once (the
// first, as the value lookup does). With a data table, a field takes the unit text of the first cell
// that shows it with its own unit.
std::vector<TMqttField> MqttFields(const TProject& project);
std::vector<TMqttField> MqttFields(const TProject& project, const TDataTable& table);

// Six hexadecimal digits of a hash of the text (FNV-1a): the same text always gives the same digits.
std::string MqttShortHash(std::string_view text);

// The text as an id of letters, digits, "_" and "-": umlauts and ß transliterated (Rücklauf ->
// Ruecklauf), every other character "_", runs of "_" as one, none at either end. Empty when nothing is
// left.
std::string MqttId(std::string_view text);
// The text as one topic level: "/", "+", "#" and control characters become "_"; empty gives "_".
std::string MqttTopicLevel(std::string_view text);
// "dedezuviv/<host>-<project name>-<hash of the project file's absolute path>" as one level below
// "dedezuviv": two loggers never share it, also not two on one computer whose projects have the same
// name. The host is the short host name.
std::string DefaultMqttTopicPrefix(const std::string& projectName, const std::string& projectFile,
                                   const std::string& hostName);
std::string DefaultMqttTopicPrefix(const std::string& projectName, const std::string& projectFile);
// The prefix itself when set (trailing "/" removed), else the default for the project.
std::string MqttTopicPrefix(const std::string& configuredPrefix, const std::string& projectName,
                            const std::string& projectFile);
// The node id of the prefix: the prefix as an id ("dedezuviv/pc-Haus-3f09a2" -> "dedezuviv_pc-Haus-3f09a2").
std::string MqttNodeId(const std::string& prefix);
// Whether the text may be a topic prefix to publish under; Error receives a German reason if not.
bool IsValidMqttTopicPrefix(const std::string& prefix, std::string& error);

std::string MqttStateTopic(const std::string& prefix);
std::string MqttStatusTopic(const std::string& prefix);
std::string MqttLinkTopic(const std::string& prefix);
std::string MqttDiagnosticsTopic(const std::string& prefix);
inline constexpr const char* MqttOnline = "online";
inline constexpr const char* MqttOffline = "offline";

// The JSON state of a record: its time (the controller's clock, ISO 8601 with the offset), and every
// field by its key with its value (numbers as numbers, times as ISO text, null when the record has no
// value there) and its unit.
std::string MqttStatePayload(const std::vector<TMqttField>& fields, const TDecodedRecord& record);
// The per-field topics, "<prefix>/<key>", in the order of the fields.
std::vector<std::string> MqttFieldTopics(const std::string& prefix, const std::vector<TMqttField>& fields);
// The bare value of each field in the order of the fields; empty where the record has none (nothing
// is sent then: an empty retained message would delete the topic).
std::vector<std::string> MqttFieldValues(const std::vector<TMqttField>& fields, const TDecodedRecord& record);
// The logger's own figures: the PC time of the last record (0: none yet), the records received since
// local midnight and the acknowledgements that could not be written since the logger started.
std::string MqttDiagnosticsPayload(TDateTime lastRecord, long recordsToday, long ackErrors);

}  // namespace dedezuviv::app
