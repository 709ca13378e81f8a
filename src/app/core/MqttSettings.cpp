#include "app/core/MqttSettings.h"

#include "base/AsciiText.h"
#include "app/core/CommandLine.h"
#include "base/ErrorText.h"
#include "base/RegularFile.h"
#include "base/IniFile.h"
#include "app/core/Namespace.h"

#include <cstdlib>
#include <filesystem>
#include <sys/stat.h>

namespace dedezuviv::app {

namespace {

constexpr const char* Section = "MQTT";

bool IsOff(const std::string& value)
{
    std::string upper = std::string(TrimBlanks(value));
    for (char& c : upper)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return upper == "OFF" || upper == "0" || upper == "NO" || upper == "NEIN";
}

// An option that is present switches on unless its value says off ("/MQTTFIELDTOPICS", "=ON", "=OFF").
void ApplySwitch(const char* name, bool& setting)
{
    std::string value;
    if (GetCommandLineOption(name, "", value))
        setting = !IsOff(value);
}

void ApplyText(const char* name, std::string& setting)
{
    std::string value;
    if (GetCommandLineOption(name, "", value))
        setting = std::string(TrimBlanks(value));
}

}  // namespace

std::string TMqttSettings::EffectiveDiscoveryPrefix() const
{
    std::string prefix = std::string(TrimBlanks(DiscoveryPrefix));
    while (!prefix.empty() && prefix.back() == '/')
        prefix.pop_back();
    return prefix.empty() ? std::string(MqttDefaultDiscoveryPrefix) : prefix;
}

bool ParseMqttBroker(const std::string& broker, bool tls, std::string& host, int& port, std::string& error)
{
    const std::string text = std::string(TrimBlanks(broker));
    host.clear();
    port = tls ? MqttDefaultTlsPort : MqttDefaultPort;
    std::string portText;
    if (!text.empty() && text[0] == '[') {
        const size_t close = text.find(']');
        if (close == std::string::npos) {
            error = "MQTT-Broker \"" + text + "\": \"]\" fehlt.";
            return false;
        }
        host = text.substr(1, close - 1);
        if (close + 1 < text.size()) {
            if (text[close + 1] != ':') {
                error = "MQTT-Broker \"" + text + "\": nach \"]\" darf nur \":Port\" folgen.";
                return false;
            }
            portText = text.substr(close + 2);
        }
    } else {
        const size_t colon = text.find(':');
        // A bare IPv6 address has several colons: no port can be told apart then.
        if (colon != std::string::npos && text.find(':', colon + 1) == std::string::npos) {
            host = text.substr(0, colon);
            portText = text.substr(colon + 1);
        } else {
            host = text;
        }
    }
    if (host.empty()) {
        error = "MQTT-Broker \"" + text + "\": kein Rechnername angegeben.";
        return false;
    }
    // "host:" names an empty port, which is as wrong as a bad one.
    if (!portText.empty() || text.back() == ':') {
        long value = 0;
        bool digits = !portText.empty() && portText.size() <= 5;
        for (const char c : portText) {
            digits = digits && c >= '0' && c <= '9';
            if (digits)
                value = value * 10 + (c - '0');
        }
        if (!digits || value < 1 || value > 65535) {
            error = "MQTT-Broker \"" + text + "\": ungültiger Port \"" + portText + "\" (1 bis 65535).";
            return false;
        }
        port = static_cast<int>(value);
    }
    return true;
}

TMqttSettings ReadMqttSettings(const std::string& settingsFile)
{
    TMqttSettings settings;
    if (settingsFile.empty())
        return settings;
    const TIniFile ini(settingsFile);
    settings.Broker = std::string(TrimBlanks(ini.ReadString(Section, "Broker", "")));
    settings.TopicPrefix = std::string(TrimBlanks(ini.ReadString(Section, "Topic", "")));
    settings.User = ini.ReadString(Section, "User", "");
    settings.PasswordFile = ini.ReadString(Section, "PasswordFile", "");
    settings.CAFile = ini.ReadString(Section, "CAFile", "");
    settings.Discovery = ini.ReadBool(Section, "Discovery", settings.Discovery);
    settings.DiscoveryPrefix = std::string(TrimBlanks(ini.ReadString(Section, "DiscoveryPrefix", "")));
    settings.Area = std::string(TrimBlanks(ini.ReadString(Section, "Area", settings.Area)));
    settings.FieldTopics = ini.ReadBool(Section, "FieldTopics", settings.FieldTopics);
    return settings;
}

bool WriteMqttSettings(const std::string& settingsFile, const TMqttSettings& settings, std::string& error)
{
    TIniFile ini(settingsFile);
    ini.WriteString(Section, "Broker", std::string(TrimBlanks(settings.Broker)));
    ini.WriteString(Section, "Topic", std::string(TrimBlanks(settings.TopicPrefix)));
    ini.WriteString(Section, "User", settings.User);
    ini.WriteString(Section, "PasswordFile", settings.PasswordFile);
    ini.WriteString(Section, "CAFile", settings.CAFile);
    ini.WriteBool(Section, "Discovery", settings.Discovery);
    ini.WriteString(Section, "DiscoveryPrefix", std::string(TrimBlanks(settings.DiscoveryPrefix)));
    ini.WriteString(Section, "Area", std::string(TrimBlanks(settings.Area)));
    ini.WriteBool(Section, "FieldTopics", settings.FieldTopics);
    std::error_code ignored;
    const std::filesystem::path folder = std::filesystem::path(settingsFile).parent_path();
    if (!folder.empty())
        std::filesystem::create_directories(folder, ignored);
    return ini.UpdateFile(error);
}

TMqttSettings ApplyMqttCommandLine(TMqttSettings settings)
{
    std::string broker;
    if (GetCommandLineOption("mqtt", "", broker))
        settings.Broker = IsOff(broker) ? std::string() : std::string(TrimBlanks(broker));
    ApplyText("mqtttopic", settings.TopicPrefix);
    ApplyText("mqttuser", settings.User);
    ApplyText("mqttpassfile", settings.PasswordFile);
    ApplyText("mqttcafile", settings.CAFile);
    ApplySwitch("mqttdiscovery", settings.Discovery);
    ApplyText("mqttdiscoveryprefix", settings.DiscoveryPrefix);
    ApplyText("mqttarea", settings.Area);
    ApplySwitch("mqttfieldtopics", settings.FieldTopics);
    return settings;
}

bool ReadMqttPassword(const TMqttSettings& settings, std::string& password, std::string& error,
                      std::string& warning)
{
    password.clear();
    error.clear();
    warning.clear();
    if (const char* fromEnvironment = std::getenv(MqttPasswordVariable)) {
        password = fromEnvironment;
        return true;
    }
    if (settings.PasswordFile.empty())
        return true;
    // A regular file only (not /dev/zero, a FIFO or a folder), and only its first line, at most 4 KB.
    constexpr size_t LongestLine = 4096;
    std::string bytes;
    int errorCode = 0;
    if (!ReadRegularFile(settings.PasswordFile, bytes, errorCode, LongestLine + 1)) {
        error = "MQTT-Passwortdatei \"" + settings.PasswordFile + "\" kann nicht gelesen werden: " +
                SystemErrorText(errorCode);
        return false;
    }
    const size_t lineEnd = bytes.find('\n');
    if (lineEnd == std::string::npos && bytes.size() > LongestLine) {
        error = "MQTT-Passwortdatei \"" + settings.PasswordFile + "\": die erste Zeile ist länger als " +
                std::to_string(LongestLine) + " Bytes.";
        return false;
    }
    password = bytes.substr(0, lineEnd);
    if (!password.empty() && password.back() == '\r')
        password.pop_back();
    struct stat status {};
    if (stat(settings.PasswordFile.c_str(), &status) == 0 && (status.st_mode & (S_IRGRP | S_IROTH)) != 0)
        warning = "Die MQTT-Passwortdatei \"" + settings.PasswordFile +
                  "\" ist auch für andere Benutzer lesbar (chmod 600 empfohlen).";
    return true;
}

}  // namespace dedezuviv::app
