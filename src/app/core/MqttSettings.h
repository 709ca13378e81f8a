// The settings of the MQTT publisher: the section [MQTT] of the settings file, the command-line options
// that override it for one run, and the password, which is read from the environment or from a file of
// its own and never stored in the settings file or taken from the command line (where every user of the
// machine could read it).
//
// Settings file:                Command line:
//   [MQTT]
//   Broker=host[:port]            /MQTT=host[:port]       (/MQTT=OFF: no publisher for this run)
//   Topic=prefix                  /MQTTTOPIC=prefix       (empty: dedezuviv/<host>-<project>-<hash>)
//   User=name                     /MQTTUSER=name
//   PasswordFile=path             /MQTTPASSFILE=path      (DEDEZUVIV_MQTT_PASSWORD goes first)
//   CAFile=path                   /MQTTCAFILE=path        (TLS with this CA; port 8883 then)
//   Discovery=1                   /MQTTDISCOVERY=OFF      (Home Assistant discovery configs)
//   DiscoveryPrefix=homeassistant /MQTTDISCOVERYPREFIX=p  (where Home Assistant looks for them)
//   Area=Heizung                  /MQTTAREA=name          (the area Home Assistant suggests)
//   FieldTopics=0                 /MQTTFIELDTOPICS=ON     (one topic per field besides the state)
#pragma once

#include "app/core/Namespace.h"

#include <string>

namespace dedezuviv::app {

inline constexpr const char* MqttPasswordVariable = "DEDEZUVIV_MQTT_PASSWORD";
inline constexpr int MqttDefaultPort = 1883;
inline constexpr int MqttDefaultTlsPort = 8883;
inline constexpr const char* MqttDefaultDiscoveryPrefix = "homeassistant";
inline constexpr const char* MqttDefaultArea = "Heizung";

struct TMqttSettings {
    std::string Broker;  // "host", "host:port", "[v6-address]:port"; empty = no publisher
    std::string TopicPrefix;
    std::string User;
    std::string PasswordFile;
    std::string CAFile;
    bool Discovery = true;
    std::string DiscoveryPrefix;  // empty = "homeassistant"
    std::string Area = MqttDefaultArea;
    bool FieldTopics = false;

    // The discovery prefix to publish under: the setting without trailing "/", or the default.
    std::string EffectiveDiscoveryPrefix() const;

    bool Enabled() const { return Broker.find_first_not_of(' ') != std::string::npos; }
    bool operator==(const TMqttSettings&) const = default;
};

// Host and port of a broker text. A missing port gives the default (1883, 8883 with TLS). False with a
// German reason for an empty host, a port that is no number from 1 to 65535, or an unclosed "[".
bool ParseMqttBroker(const std::string& broker, bool tls, std::string& host, int& port, std::string& error);

// The [MQTT] section of the settings file; defaults for what it does not hold (also without file).
TMqttSettings ReadMqttSettings(const std::string& settingsFile);
// Writes the section, leaving the rest of the file as it is. False with the reason on failure.
bool WriteMqttSettings(const std::string& settingsFile, const TMqttSettings& settings, std::string& error);
// The settings with the command line's options applied over them.
TMqttSettings ApplyMqttCommandLine(TMqttSettings settings);

// The password: the environment variable when it is set, else the first line of the password file
// (without its line end), else empty. False with a German reason when the file cannot be read.
// Warning receives a note when the file can be read by other users.
bool ReadMqttPassword(const TMqttSettings& settings, std::string& password, std::string& error,
                      std::string& warning);

}  // namespace dedezuviv::app
