#include "app/core/MqttDiscovery.h"

#include "base/AppGlobals.h"
#include "base/JsonText.h"
#include "app/core/Namespace.h"

#include <cctype>

namespace dedezuviv::app {

namespace {

// A JSON object written member by member.
class TJsonObject {
public:
    TJsonObject& Text(const char* name, const std::string& value)
    {
        Name(name);
        AppendJsonString(Out, value);
        return *this;
    }
    // A member whose value is JSON already (an object, an array).
    TJsonObject& Raw(const char* name, const std::string& json)
    {
        Name(name);
        Out += json;
        return *this;
    }
    std::string Done() const { return Out + "}"; }

private:
    void Name(const char* name)
    {
        if (Out.size() > 1)
            Out += ',';
        AppendJsonString(Out, name);
        Out += ':';
    }
    std::string Out = "{";
};

bool IsBinary(TFieldType type) { return type == ftInput || type == ftOutput; }

bool IsNumeric(TFieldType type) { return type == ftTemperature || type == ftCounter || type == ftValue; }

std::string JsonText(const std::string& text)
{
    std::string out;
    AppendJsonString(out, text);
    return out;
}

// The units Home Assistant knows a device class for; the state class where the device class needs
// one (nullptr: the field type's). Source: the sensor integration's device class table,
// https://www.home-assistant.io/integrations/sensor/#device-class
struct TUnitClass {
    const char* Unit;
    const char* DeviceClass;
    const char* StateClass;
};
constexpr TUnitClass UnitClasses[] = {
    {"°C", "temperature", "measurement"}, {"°F", "temperature", "measurement"}, {"K", "temperature", "measurement"},
    {"d", "duration", nullptr},           {"h", "duration", nullptr},           {"min", "duration", nullptr},
    {"s", "duration", nullptr},           {"Wh", "energy", "total_increasing"}, {"kWh", "energy", "total_increasing"},
    {"MWh", "energy", "total_increasing"}, {"m³", "gas", "total_increasing"},   {"W", "power", "measurement"},
    {"kW", "power", "measurement"},       {"bar", "pressure", "measurement"},  {"mbar", "pressure", "measurement"},
    {"%", "", "measurement"},
};

bool NamesWater(const std::string& name)
{
    std::string lower;
    for (const char c : name)
        lower += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return lower.find("wasser") != std::string::npos || lower.find("water") != std::string::npos;
}

std::string Availability(const std::string& prefix, bool withLink)
{
    std::string out = "[{\"topic\":" + JsonText(MqttStatusTopic(prefix)) + "}";
    if (withLink)
        out += ",{\"topic\":" + JsonText(MqttLinkTopic(prefix)) + "}";
    return out + "]";
}

std::string DeviceBlock(const std::string& node, const TMqttDevice& device)
{
    TJsonObject out;
    out.Raw("identifiers", "[" + JsonText(node) + "]").Text("name", device.Name).Text("manufacturer", "DEDEZUviv");
    if (!device.Model.empty())
        out.Text("model", device.Model).Text("sw_version", device.SwVersion);
    if (!device.Area.empty())
        out.Text("suggested_area", device.Area);
    return out.Done();
}

std::string OriginBlock() { return TJsonObject().Text("name", ProgramTitle).Text("sw_version", VersionString).Done(); }

// The members every config ends with.
void AppendDevice(TJsonObject& config, const std::string& node, const TMqttDevice& device)
{
    config.Raw("device", DeviceBlock(node, device)).Raw("origin", OriginBlock());
}

std::string FieldConfig(const std::string& prefix, const std::string& node, const TMqttDevice& device,
                        const TMqttField& field)
{
    const std::string value = "value_json.fields[" + JsonText(field.Key) + "].value";
    TJsonObject config;
    config.Text("name", field.Key)
        .Text("unique_id", node + "_" + field.ObjectId)
        .Text("state_topic", MqttStateTopic(prefix))
        .Raw("availability", Availability(prefix, true))
        .Text("availability_mode", "all");
    if (IsBinary(field.Type)) {
        // "None" makes Home Assistant show unknown; OFF would claim a value the record does not have.
        config.Text("value_template",
                    "{% set v = " + value + " %}{{ 'None' if v is none else ('ON' if v else 'OFF') }}");
    } else {
        config.Text("value_template", "{{ " + value + " }}");
        const TMqttSensorClass classes = MqttSensorClass(field);
        if (!classes.DeviceClass.empty())
            config.Text("device_class", classes.DeviceClass);
        if (!field.Unit.empty() && classes.DeviceClass != "timestamp")
            config.Text("unit_of_measurement", field.Unit);
        if (!classes.StateClass.empty())
            config.Text("state_class", classes.StateClass);
    }
    AppendDevice(config, node, device);
    return config.Done();
}

struct TDiagnostic {
    const char* Component;
    const char* ObjectId;
    const char* Name;
    const char* DeviceClass;
    const char* StateClass;
    const char* Template;  // nullptr: the payload itself, "online" is on
};

// The logger's own entities. "Logger läuft" follows the status topic itself and so has no
// availability; the link sensor must stay available while the link is down, to show it.
constexpr TDiagnostic Diagnostics[] = {
    {"binary_sensor", "logger_running", "Logger läuft", "running", "", nullptr},
    {"binary_sensor", "logger_link", "Verbindung zum Regler", "connectivity", "", nullptr},
    {"sensor", "logger_last_record", "Letzter Datensatz", "timestamp", "", "{{ value_json.last_record }}"},
    {"sensor", "logger_records_today", "Datensätze heute", "", "total_increasing", "{{ value_json.records_today }}"},
    {"sensor", "logger_ack_errors", "Quittungsfehler", "", "total_increasing", "{{ value_json.ack_errors }}"},
};

std::string DiagnosticConfig(const std::string& prefix, const std::string& node, const TMqttDevice& device,
                             const TDiagnostic& entity)
{
    const std::string objectId = entity.ObjectId;
    TJsonObject config;
    config.Text("name", entity.Name).Text("unique_id", node + "_" + objectId).Text("entity_category", "diagnostic");
    if (objectId == "logger_running") {
        config.Text("state_topic", MqttStatusTopic(prefix));
    } else {
        config.Text("state_topic", objectId == "logger_link" ? MqttLinkTopic(prefix) : MqttDiagnosticsTopic(prefix))
            .Raw("availability", Availability(prefix, false));
    }
    if (entity.Template == nullptr)
        config.Text("payload_on", MqttOnline).Text("payload_off", MqttOffline);
    else
        config.Text("value_template", entity.Template);
    if (*entity.DeviceClass != '\0')
        config.Text("device_class", entity.DeviceClass);
    if (*entity.StateClass != '\0')
        config.Text("state_class", entity.StateClass);
    AppendDevice(config, node, device);
    return config.Done();
}

std::string ConfigTopic(const std::string& discoveryPrefix, const char* component, const std::string& node,
                        const std::string& objectId)
{
    return discoveryPrefix + "/" + component + "/" + node + "/" + objectId + "/config";
}

}  // namespace

TMqttDevice MqttDeviceOf(const std::string& projectName, const TRecordHeader& header, const std::string& area)
{
    TMqttDevice device;
    device.Name = projectName;
    device.Area = area;
    if (header.Program != 0) {
        device.Model = "Programm " + std::to_string(header.Program);
        device.SwVersion = std::to_string(header.Version) + "." + std::to_string(header.Subversion);
    }
    return device;
}

TMqttSensorClass MqttSensorClass(const TMqttField& field)
{
    if (field.Type == ftTime)
        return {"timestamp", ""};
    if (!IsNumeric(field.Type))
        return {};
    TMqttSensorClass classes;
    classes.StateClass = field.Type == ftCounter ? "total_increasing" : "measurement";
    for (const TUnitClass& unit : UnitClasses) {
        if (field.Unit != unit.Unit)
            continue;
        classes.DeviceClass = unit.DeviceClass;
        if (classes.DeviceClass == "gas" && NamesWater(field.Name))
            classes.DeviceClass = "water";
        if (unit.StateClass != nullptr)
            classes.StateClass = unit.StateClass;
        break;
    }
    return classes;
}

std::vector<TMqttMessage> MqttDiscoveryMessages(const std::string& discoveryPrefix, const std::string& prefix,
                                                const TMqttDevice& device, const std::vector<TMqttField>& fields)
{
    const std::string node = MqttNodeId(prefix);
    std::vector<TMqttMessage> messages;
    for (const TMqttField& field : fields)
        messages.push_back({ConfigTopic(discoveryPrefix, IsBinary(field.Type) ? "binary_sensor" : "sensor", node,
                                        field.ObjectId),
                            FieldConfig(prefix, node, device, field)});
    for (const TDiagnostic& entity : Diagnostics)
        messages.push_back({ConfigTopic(discoveryPrefix, entity.Component, node, entity.ObjectId),
                            DiagnosticConfig(prefix, node, device, entity)});
    return messages;
}

std::string MqttNodeConfigFilter(const std::string& discoveryPrefix, const std::string& prefix)
{
    return discoveryPrefix + "/+/" + MqttNodeId(prefix) + "/+/config";
}

std::string MqttBirthTopic(const std::string& discoveryPrefix) { return discoveryPrefix + "/status"; }

}  // namespace dedezuviv::app
