// The Home Assistant discovery configs of one logger: one device (the controller, named after the
// project) with an entity per field and the logger's diagnostic entities, all retained under
//   <discovery prefix>/<sensor|binary_sensor>/<node>/<object>/config
//
// Values are available only while both the logger ("<prefix>/status") and the controller link
// ("<prefix>/link") say "online" (availability_mode "all"): when records stop coming, the last values
// are shown as unavailable instead of live. Keys inside the templates are JSON string literals, which
// Jinja reads as its own string literals, so any character of a field name is safe there.
#pragma once

#include "app/core/MqttMessages.h"
#include "app/core/MqttSettings.h"
#include "app/core/Namespace.h"

#include <string>
#include <vector>

namespace dedezuviv::app {

// What the configs say about the device.
struct TMqttDevice {
    std::string Name;       // the project's name
    std::string Model;      // the controller's program from the record header; empty while unknown
    std::string SwVersion;  // its version and subversion
    std::string Area = MqttDefaultArea;
    bool operator==(const TMqttDevice&) const = default;
};

// The device of a project with the controller of a record header (Program 0: not known yet).
TMqttDevice MqttDeviceOf(const std::string& projectName, const TRecordHeader& header, const std::string& area);

// How Home Assistant is to show a field: its device class and state class (empty: none).
struct TMqttSensorClass {
    std::string DeviceClass;
    std::string StateClass;
};
// Temperatures and values are measurements, counters only increase; the unit names the device class
// where Home Assistant has one for it (h -> duration, kWh -> energy, m³ -> gas or water, W -> power,
// °C -> temperature ...); times are timestamps; states, inputs, relays and intern fields have none.
TMqttSensorClass MqttSensorClass(const TMqttField& field);

// The configs of all fields, then of the diagnostic entities.
std::vector<TMqttMessage> MqttDiscoveryMessages(const std::string& discoveryPrefix, const std::string& prefix,
                                                const TMqttDevice& device, const std::vector<TMqttField>& fields);
// The filter that matches every config of the logger's node, whichever entities it once had.
std::string MqttNodeConfigFilter(const std::string& discoveryPrefix, const std::string& prefix);
// Where Home Assistant announces itself ("online" after each start).
std::string MqttBirthTopic(const std::string& discoveryPrefix);

}  // namespace dedezuviv::app
