// The MQTT publisher's texts (ids, state JSON, discovery configs) and its settings, without a broker.
#include "app/core/CommandLine.h"
#include "app/core/MqttMessages.h"
#include "app/core/MqttSettings.h"
#include "base/DateTime.h"
#include "app/core/MqttDiscovery.h"
#include "model/Project.h"
#include "model/window/DataTable.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <map>
#include <regex>
#include <set>
#include <filesystem>
#include <sys/stat.h>

using namespace dedezuviv::base;
using namespace dedezuviv::model;
using namespace dedezuviv::app;

namespace {

TFieldValue Float(double value)
{
    TFieldValue v;
    v.Kind = vkFloat;
    v.FloatValue = value;
    return v;
}

TFieldValue Integer(int value)
{
    TFieldValue v;
    v.Kind = vkInteger;
    v.IntValue = value;
    return v;
}

std::unique_ptr<TDecodedRecord> EmptyRecord()
{
    auto record = std::make_unique<TDecodedRecord>();
    TOrvaProtocol::ClearRecord(*record);
    return record;
}

TEST(MqttTexts, IdsHoldOnlyLettersDigitsUnderscoreAndHyphen)
{
    EXPECT_EQ(MqttId("Rücklauf"), "Ruecklauf");
    EXPECT_EQ(MqttId("Außen Fühler"), "Aussen_Fuehler");
    EXPECT_EQ(MqttId("Öl-Kessel ÄÜ"), "Oel-Kessel_AeUe");
    EXPECT_EQ(MqttId("  Vorlauf  (°C)/2 "), "Vorlauf_C_2");
    EXPECT_EQ(MqttId("__a__b__"), "a_b");
    EXPECT_EQ(MqttId("°€"), "");
    EXPECT_EQ(MqttId(std::string("a\xff" "b")), "a_b");  // a stray byte is one character
}

TEST(MqttTexts, FieldsAreUniqueAndNamesSharedByTypesAreQualified)
{
    TProject project;
    project.FieldNames[ftTemperature] = {"Vorlauf", "Rücklauf", "", "vorlauf", "Vorlauf 1", "Vorlauf_1"};
    project.FieldNames[ftOutput] = {"Pumpe", "Vorlauf"};
    const std::vector<TMqttField> fields = MqttFields(project);
    ASSERT_EQ(fields.size(), 6u);  // the second "vorlauf" of the temperatures is the first one's
    EXPECT_EQ(fields[0].Key, "Vorlauf (Temperatur)");
    EXPECT_EQ(fields[1].Key, "Rücklauf");
    EXPECT_EQ(fields[1].ObjectId, "temperature_Ruecklauf");
    EXPECT_EQ(fields[2].Position, 4u);
    EXPECT_EQ(fields[5].Key, "Vorlauf (Relais)");
    EXPECT_EQ(fields[5].Position, 1u);
    std::set<std::string> ids;
    for (const TMqttField& field : fields)
        EXPECT_TRUE(ids.insert(field.ObjectId).second) << field.ObjectId;
    // Two names that transliterate alike both carry a hash of their exact name.
    EXPECT_EQ(fields[2].ObjectId, "temperature_Vorlauf_1_" + MqttShortHash("Vorlauf 1"));
    EXPECT_EQ(fields[3].ObjectId, "temperature_Vorlauf_1_" + MqttShortHash("Vorlauf_1"));
}

// Home Assistant continues an entity's history under its id: when fields are renamed, removed or
// reordered, an id that stays must stay with its field.
TEST(MqttTexts, AnIdNeverMovesToAnotherField)
{
    using Names = std::vector<std::string>;
    const std::vector<std::pair<Names, Names>> edits = {
        {{"Vorlauf 1", "Vorlauf_1"}, {"VL", "Vorlauf_1"}},
        {{"Vorlauf 1", "Vorlauf_1"}, {"Vorlauf_1", "Vorlauf 1"}},
        {{"Vorlauf 1", "Vorlauf_1", "Vorlauf-1"}, {"Vorlauf_1"}},
        {{"Vorlauf_1"}, {"Vorlauf 1", "Vorlauf_1"}},
        {{"°", "€"}, {"€"}},
        {{"Rücklauf", "Ruecklauf"}, {"Ruecklauf", "Rücklauf", "Rueck lauf"}},
    };
    const auto idsOf = [](const Names& names) {
        TProject project;
        project.FieldNames[ftTemperature] = names;
        std::map<std::string, std::string> fieldOfId;
        for (const TMqttField& field : MqttFields(project))
            fieldOfId[field.ObjectId] = field.Name;
        return fieldOfId;
    };
    for (const auto& [before, after] : edits) {
        const std::map<std::string, std::string> old = idsOf(before);
        for (const auto& [id, name] : idsOf(after)) {
            if (old.count(id) != 0) {
                EXPECT_EQ(old.at(id), name) << id;
            }
        }
    }
}

TEST(MqttTexts, UnitsComeFromTheDataTable)
{
    TProject project;
    project.FieldNames[ftCounter] = {"Brennerstunden", "Starts"};
    project.FieldNames[ftValue] = {"Leistung"};
    TDataTable table;
    const auto cell = [&](int row, const std::string& name, const std::string& unit, bool defaultUnit) {
        auto field = std::make_unique<TDataField>();
        field->Fieldname = name;
        field->UnitStr = unit;
        field->UseDefaultUnit = defaultUnit;
        table.SetCell(0, row, std::move(field));
    };
    cell(0, "Brennerstunden (Zähler)", "kWh", true);  // shown with the type's unit: not its unit
    cell(1, "brennerstunden (Zähler)", " h ", false);
    cell(2, "Leistung (Wert)", "kW", false);
    cell(3, "Leistung (Wert)", "W", false);  // the first cell counts
    const std::vector<TMqttField> fields = MqttFields(project, table);
    ASSERT_EQ(fields.size(), 3u);
    EXPECT_EQ(fields[0].Unit, "h");
    EXPECT_EQ(fields[1].Unit, "");
    EXPECT_EQ(fields[2].Unit, "kW");
}

TEST(MqttTexts, StateHasTheRecordTimeWithItsOffsetAndNumbersAsNumbers)
{
    const testsupport::CentralEuropeanTime zone;
    TProject project;
    project.FieldNames[ftTemperature] = {"Vorlauf", "Außen"};
    project.FieldNames[ftCounter] = {"Brennerstunden"};
    project.FieldNames[ftOutput] = {"Pumpe"};
    project.FieldNames[ftIntern] = {"Fehler \"x\""};  // not a name character, but never trusted
    auto record = EmptyRecord();
    TOrvaProtocol::AddValue(*record, ftTemperature, Float(61.5));
    TOrvaProtocol::AddValue(*record, ftTemperature, Float(-3.25));
    TOrvaProtocol::AddValue(*record, ftCounter, Float(12345));
    TOrvaProtocol::AddValue(*record, ftOutput, Integer(1));
    record->Header.RT = EncodeDateTime(2026, 7, 1, 14, 30, 5);
    const std::vector<TMqttField> fields = MqttFields(project);
    EXPECT_EQ(MqttStatePayload(fields, *record),
              "{\"time\":\"2026-07-01T14:30:05+02:00\",\"fields\":{"
              "\"Vorlauf\":{\"value\":61.5,\"unit\":\"°C\"},"
              "\"Außen\":{\"value\":-3.25,\"unit\":\"°C\"},"
              "\"Brennerstunden\":{\"value\":12345,\"unit\":\"\"},"
              "\"Pumpe\":{\"value\":1,\"unit\":\"\"},"
              "\"Fehler \\\"x\\\"\":{\"value\":null,\"unit\":\"\"}}}");

    record->Header.RT = EncodeDateTime(2026, 12, 9, 20, 15, 3);
    EXPECT_NE(MqttStatePayload(fields, *record).find("\"time\":\"2026-12-09T20:15:03+01:00\""), std::string::npos);

    // Per-field topics: bare values, none for a field without value.
    EXPECT_EQ(MqttFieldTopics("dedezuviv/Haus", fields)[1], "dedezuviv/Haus/Außen");
    EXPECT_EQ(MqttFieldValues(fields, *record),
              (std::vector<std::string>{"61.5", "-3.25", "12345", "1", ""}));
}

TEST(MqttTexts, DiscoveryConfigsFollowTheFieldTypes)
{
    TProject project;
    project.FieldNames[ftTemperature] = {"Rücklauf"};
    project.FieldNames[ftCounter] = {"Brennerstarts"};
    project.FieldNames[ftInput] = {"Störung"};
    project.FieldNames[ftOutput] = {"Brenner"};
    project.FieldNames[ftState] = {"Betriebsart"};
    const std::string prefix = "dedezuviv/Haus Müller";
    TMqttDevice device;
    device.Name = "Haus Müller";
    const std::vector<TMqttMessage> all = MqttDiscoveryMessages("homeassistant", prefix, device, MqttFields(project));
    ASSERT_EQ(all.size(), 10u);  // the fields, then the logger's five diagnostic entities
    const std::vector<TMqttMessage> configs(all.begin(), all.begin() + 5);
    const std::regex topic("homeassistant/(sensor|binary_sensor)/[A-Za-z0-9_-]+/[A-Za-z0-9_-]+/config");
    std::set<std::string> uniqueIds;
    for (const TMqttMessage& config : configs) {
        EXPECT_TRUE(std::regex_match(config.Topic, topic)) << config.Topic;
        const std::smatch id = [&] {
            std::smatch match;
            std::regex_search(config.Payload, match, std::regex("\"unique_id\":\"([^\"]+)\""));
            return match;
        }();
        ASSERT_FALSE(id.empty()) << config.Payload;
        EXPECT_TRUE(uniqueIds.insert(id[1]).second);
        EXPECT_NE(config.Payload.find("\"state_topic\":\"dedezuviv/Haus Müller/state\""), std::string::npos);
        EXPECT_NE(config.Payload.find("\"availability\":[{\"topic\":\"dedezuviv/Haus Müller/status\"},"
                                      "{\"topic\":\"dedezuviv/Haus Müller/link\"}],\"availability_mode\":\"all\""),
                  std::string::npos);
        EXPECT_NE(config.Payload.find("\"device\":{\"identifiers\":[\"dedezuviv_Haus_Mueller\"],\"name\":\"Haus Müller\""),
                  std::string::npos);
    }
    EXPECT_EQ(configs[0].Topic, "homeassistant/sensor/dedezuviv_Haus_Mueller/temperature_Ruecklauf/config");
    EXPECT_NE(configs[0].Payload.find("\"device_class\":\"temperature\",\"unit_of_measurement\":\"°C\""),
              std::string::npos);
    EXPECT_NE(configs[0].Payload.find("\"value_template\":\"{{ value_json.fields[\\\"Rücklauf\\\"].value }}\""),
              std::string::npos);
    EXPECT_NE(configs[1].Payload.find("\"state_class\":\"total_increasing\""), std::string::npos);
    EXPECT_EQ(configs[2].Topic, "homeassistant/binary_sensor/dedezuviv_Haus_Mueller/input_Stoerung/config");
    EXPECT_NE(configs[2].Payload.find("{% set v = value_json.fields[\\\"Störung\\\"].value %}"
                                      "{{ 'None' if v is none else ('ON' if v else 'OFF') }}"),
              std::string::npos);
    // Types in their order: the state before the relay.
    EXPECT_EQ(configs[3].Topic, "homeassistant/sensor/dedezuviv_Haus_Mueller/state_Betriebsart/config");
    EXPECT_EQ(configs[3].Payload.find("state_class"), std::string::npos);
    EXPECT_EQ(configs[4].Topic, "homeassistant/binary_sensor/dedezuviv_Haus_Mueller/output_Brenner/config");
}

TEST(MqttTexts, DeviceAndStateClassesFollowTheUnit)
{
    struct Row {
        TFieldType Type;
        const char* Name;
        const char* Unit;
        const char* DeviceClass;
        const char* StateClass;
    };
    const Row rows[] = {
        {ftTemperature, "Kessel", "°C", "temperature", "measurement"},
        {ftTemperature, "Kessel", "Grad", "", "measurement"},
        {ftCounter, "Brennerstunden", "h", "duration", "total_increasing"},
        {ftValue, "Laufzeit", "min", "duration", "measurement"},
        {ftValue, "Wärmemenge", "kWh", "energy", "total_increasing"},
        {ftCounter, "Gaszähler", "m³", "gas", "total_increasing"},
        {ftCounter, "Kaltwasser", "m³", "water", "total_increasing"},
        {ftValue, "Ventil", "%", "", "measurement"},
        {ftValue, "Leistung", "kW", "power", "measurement"},
        {ftCounter, "Starts", "", "", "total_increasing"},
        {ftTime, "Uhrzeit", "", "timestamp", ""},
        {ftState, "Betriebsart", "h", "", ""},
        {ftIntern, "Fehler", "", "", ""},
    };
    for (const Row& row : rows) {
        TMqttField field;
        field.Type = row.Type;
        field.Name = row.Name;
        field.Unit = row.Unit;
        const TMqttSensorClass classes = MqttSensorClass(field);
        EXPECT_EQ(classes.DeviceClass, row.DeviceClass) << row.Name << " " << row.Unit;
        EXPECT_EQ(classes.StateClass, row.StateClass) << row.Name << " " << row.Unit;
    }
}

TEST(MqttTexts, TopicPrefixes)
{
    const std::string hash = MqttShortHash("/home/a/Haus.p-p");
    EXPECT_EQ(DefaultMqttTopicPrefix("a/b+c#", "/home/a/Haus.p-p", "pc"), "dedezuviv/pc-a_b_c_-" + hash);
    EXPECT_EQ(DefaultMqttTopicPrefix("Project", "/home/a/x/../Haus.p-p", "pc"), "dedezuviv/pc-Project-" + hash);
    // Two loggers, or two projects of one name on one computer, never share the default.
    EXPECT_NE(DefaultMqttTopicPrefix("Project", "/home/a/Haus.p-p", "pc"),
              DefaultMqttTopicPrefix("Project", "/home/b/Haus.p-p", "pc"));
    EXPECT_NE(DefaultMqttTopicPrefix("Project", "/home/a/Haus.p-p", "pc"),
              DefaultMqttTopicPrefix("Project", "/home/a/Haus.p-p", "nas"));
    EXPECT_EQ(MqttTopicPrefix("haus/heizung/", "X", "/a.p-p"), "haus/heizung");
    EXPECT_EQ(MqttTopicPrefix("", "X", "/a.p-p"), DefaultMqttTopicPrefix("X", "/a.p-p"));
    EXPECT_EQ(MqttNodeId("dedezuviv/pc-Haus-3f09a2"), "dedezuviv_pc-Haus-3f09a2");
    std::string error;
    EXPECT_TRUE(IsValidMqttTopicPrefix("haus/heizung", error));
    EXPECT_FALSE(IsValidMqttTopicPrefix("haus/+", error));
    EXPECT_FALSE(IsValidMqttTopicPrefix("haus/#", error));
    EXPECT_FALSE(IsValidMqttTopicPrefix("$SYS/x", error));
    EXPECT_NE(error.find("$"), std::string::npos);
}

TEST(MqttSettingsTest, BrokerAddresses)
{
    std::string host, error;
    int port = 0;
    EXPECT_TRUE(ParseMqttBroker("localhost", false, host, port, error));
    EXPECT_EQ(host + ":" + std::to_string(port), "localhost:1883");
    EXPECT_TRUE(ParseMqttBroker(" broker.lan:1884 ", false, host, port, error));
    EXPECT_EQ(host + ":" + std::to_string(port), "broker.lan:1884");
    EXPECT_TRUE(ParseMqttBroker("broker.lan", true, host, port, error));
    EXPECT_EQ(port, 8883);
    EXPECT_TRUE(ParseMqttBroker("[::1]:2000", false, host, port, error));
    EXPECT_EQ(host + ":" + std::to_string(port), "::1:2000");
    EXPECT_TRUE(ParseMqttBroker("fd00::5", false, host, port, error));
    EXPECT_EQ(host + ":" + std::to_string(port), "fd00::5:1883");
    for (const char* bad : {"", ":1883", "h:0", "h:65536", "h:12a", "h:", "[::1", "[::1]x"}) {
        error.clear();
        EXPECT_FALSE(ParseMqttBroker(bad, false, host, port, error)) << bad;
        EXPECT_NE(error.find("MQTT-Broker"), std::string::npos) << bad;
    }
}

TEST(MqttSettingsTest, CommandLineOverridesTheSettingsFile)
{
    testsupport::TempDir dir;
    const std::string file = (dir / "dedezuviv.cfg").string();
    TMqttSettings stored;
    stored.Broker = "nas:1883";
    stored.TopicPrefix = "haus";
    stored.User = "logger";
    stored.FieldTopics = true;
    stored.DiscoveryPrefix = "ha/";
    stored.Area = "Keller";
    std::string error;
    ASSERT_TRUE(WriteMqttSettings(file, stored, error)) << error;
    EXPECT_EQ(ReadMqttSettings(file), stored);

    EXPECT_EQ(ReadMqttSettings(file).EffectiveDiscoveryPrefix(), "ha");
    EXPECT_EQ(ReadMqttSettings((dir / "none.cfg").string()).EffectiveDiscoveryPrefix(), "homeassistant");

    SetCommandLineArguments({"/MQTT=127.0.0.1:2883", "/MQTTDISCOVERY=OFF", "/MQTTFIELDTOPICS=off",
                             "/MQTTDISCOVERYPREFIX=hass", "/MQTTAREA=Heizraum"});
    TMqttSettings effective = ApplyMqttCommandLine(ReadMqttSettings(file));
    EXPECT_EQ(effective.EffectiveDiscoveryPrefix(), "hass");
    EXPECT_EQ(effective.Area, "Heizraum");
    EXPECT_EQ(effective.Broker, "127.0.0.1:2883");
    EXPECT_EQ(effective.TopicPrefix, "haus");
    EXPECT_FALSE(effective.Discovery);
    EXPECT_FALSE(effective.FieldTopics);

    SetCommandLineArguments({"/MQTT=OFF"});
    EXPECT_FALSE(ApplyMqttCommandLine(ReadMqttSettings(file)).Enabled());
    SetCommandLineArguments({});
    EXPECT_FALSE(ReadMqttSettings((dir / "none.cfg").string()).Enabled());
}

TEST(MqttSettingsTest, PasswordFromTheEnvironmentOrItsOwnFile)
{
    testsupport::TempDir dir;
    const auto passFile = dir / "mqtt.pass";
    testsupport::WriteFile(passFile, "geheim\r\nzweite Zeile\n");
    chmod(passFile.c_str(), 0600);
    TMqttSettings settings;
    settings.PasswordFile = passFile.string();
    std::string password, error, warning;
    unsetenv(MqttPasswordVariable);
    ASSERT_TRUE(ReadMqttPassword(settings, password, error, warning));
    EXPECT_EQ(password, "geheim");
    EXPECT_TRUE(warning.empty());

    chmod(passFile.c_str(), 0644);
    ASSERT_TRUE(ReadMqttPassword(settings, password, error, warning));
    EXPECT_NE(warning.find("chmod 600"), std::string::npos);

    setenv(MqttPasswordVariable, "aus der Umgebung", 1);
    ASSERT_TRUE(ReadMqttPassword(settings, password, error, warning));
    EXPECT_EQ(password, "aus der Umgebung");
    unsetenv(MqttPasswordVariable);

    settings.PasswordFile = (dir / "fehlt.pass").string();
    EXPECT_FALSE(ReadMqttPassword(settings, password, error, warning));
    EXPECT_NE(error.find("fehlt.pass"), std::string::npos);
}

TEST(MqttSettingsTest, PasswordFileMustBeARegularFileWithAShortFirstLine)
{
    testsupport::TempDir dir;
    unsetenv(MqttPasswordVariable);
    const auto fifo = dir / "fifo.pass";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    const auto longLine = dir / "lang.pass";
    testsupport::WriteFile(longLine, std::string(5000, 'x'));
    const auto endless = dir / "null.pass";
    std::filesystem::create_symlink("/dev/zero", endless);
    for (const auto& path : {dir.Path(), fifo, longLine, endless}) {
        TMqttSettings settings;
        settings.PasswordFile = path.string();
        std::string password = "vorher", error, warning;
        EXPECT_FALSE(ReadMqttPassword(settings, password, error, warning)) << path;
        EXPECT_NE(error.find(path.string()), std::string::npos) << error;
    }
    // A long file whose first line is short is fine.
    const auto big = dir / "gross.pass";
    testsupport::WriteFile(big, "kurz\n" + std::string(100000, 'y'));
    TMqttSettings settings;
    settings.PasswordFile = big.string();
    std::string password, error, warning;
    ASSERT_TRUE(ReadMqttPassword(settings, password, error, warning)) << error;
    EXPECT_EQ(password, "kurz");
}

}  // namespace
