// The MQTT publisher: sends every live record to a broker, for home-automation systems, without the
// logger ever waiting for the network.
//
// The main thread only builds the texts of a record (MqttMessages) and puts them into an outbox that
// holds the latest state alone; a background thread owns the libmosquitto client, connects, sends what
// the outbox holds once the previous state has left, and reconnects after a failure with a growing
// pause (1 s doubling up to 30 s). While the broker is away, newer records replace older ones in the
// outbox, so nothing piles up. The connection and its loss are logged once each, not per record.
//
// On connecting it publishes the controller link ("<prefix>/link", retained), "<prefix>/status" =
// "online" (retained; "offline" is the last will and is published on a clean stop), clears the
// retained discovery configs of its node that it no longer defines (removed or renamed fields: it
// reads them with a short subscription that ends when its own "online" comes back), and publishes
// the discovery configs (retained) and the latest state and diagnostics (retained). The configs are
// built as soon as a project is there, again when the fields, their units or the controller (from
// the record header) change, and sent again whenever Home Assistant announces itself.
//
// The link is "online" while records come: it goes "offline" when none came within the port's
// silence limit, and at once when the port is closed (logging stopped, the device gone).
#pragma once

#include "app/core/MqttDiscovery.h"
#include "app/core/MqttMessages.h"
#include "app/core/MqttSettings.h"
#include "model/Fields.h"
#include "model/RecordPublisher.h"
#include "app/core/Namespace.h"

#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

struct mosquitto;

namespace dedezuviv::model {
class TDataSource;
}  // namespace dedezuviv::model

namespace dedezuviv::app {

class TMqttPublisher : public IRecordPublisher {
public:
    static constexpr int FirstRetryDelayMs = 1000;
    static constexpr int LongestRetryDelayMs = 30000;
    // A broker that accepts the connection but does not answer it within this time counts as away.
    static constexpr int ConnectTimeoutMs = 10000;
    static constexpr int KeepAliveSeconds = 30;
    // How long the retained configs of the own node are collected at most after connecting.
    static constexpr int RetainedConfigWaitMs = 3000;
    // Without a record for this long the controller link counts as lost (the port watchdog's limit).
    // Tests shorten it before Start.
    int LinkSilenceMs = 20000;

    TMqttPublisher() = default;
    ~TMqttPublisher() override;
    TMqttPublisher(const TMqttPublisher&) = delete;
    TMqttPublisher& operator=(const TMqttPublisher&) = delete;

    // Starts publishing with these settings (a running publisher is stopped first) and installs itself
    // as the record publisher. Unusable settings (broker text, topic, password or CA file) are logged
    // with their reason and give false; nothing runs then. Main thread.
    bool Start(const TMqttSettings& settings);
    // Publishes "offline", disconnects and ends the thread (within about 2 s even when the broker
    // hangs). Main thread.
    void Stop();
    bool Running() const { return Worker.joinable(); }
    // Whether the broker has accepted the connection right now.
    bool Connected() const { return IsConnected; }

    // Puts the record's texts into the outbox (main thread, after the record was acknowledged).
    void PublishRecord(const TDecodedRecord& record) override;
    // The port was closed: the link is reported lost until the next record.
    void PublishLinkLost() override;

private:
    // The texts of the field definitions and of the latest record.
    struct TTexts {
        bool DefinitionsKnown = false;  // the definitions below were built from a project
        std::vector<TMqttMessage> Discovery;
        std::vector<std::string> FieldTopics;
        std::string State;  // empty before the first record
        std::vector<std::string> FieldValues;
        std::string Diagnostics;
    };
    struct TOutbox {
        std::string Prefix;
        TTexts Texts;
        bool DefinitionsChanged = false;
        bool StateChanged = false;
        bool RecordsFlowing = false;
        std::chrono::steady_clock::time_point LastRecordAt;
    };

    // Builds the definition texts again when the project's fields, units, name or file, or the
    // controller changed; true then (main thread).
    bool BuildDefinitions(const TProject& project, const TRecordHeader& header, TTexts& texts);
    // Hands built definitions to the worker (main thread).
    void PostDefinitions(TTexts&& texts);

    void Run();
    // One connection attempt, with the instance created for it; false with the reason when it failed.
    bool Connect(const std::string& prefix, std::string& reason);
    // Serves the connection until it ends, the prefix changes or a stop is asked.
    void Serve(const std::string& prefix);
    // Reads which configs of the own node the broker retains, announcing "online" meanwhile; false
    // when the connection broke.
    bool CollectRetainedConfigs(const std::string& prefix);
    void HandleMessage(const std::string& topic, const std::string& payload, bool retained);
    // Publishes the link state when it changed (or always).
    void PublishLink(const std::string& prefix, bool always);
    // Publishes what changed in the outbox (everything after connecting) when it is for this prefix.
    void SendOutbox(const std::string& prefix, bool everything);
    void Publish(const std::string& topic, const std::string& payload, bool retain);
    void Disconnect(const std::string& prefix);
    void FreeClient();
    // Waits up to the given time for a stop request; true when one came.
    bool WaitForStop(int milliseconds);
    std::string BrokerText() const;

    // Settings and what they resolve to; fixed while the thread runs.
    TMqttSettings Settings;
    std::string Host;
    int Port = MqttDefaultPort;
    std::string Password;

    // Main thread: the project state the last texts were built from.
    bool Built = false;
    std::vector<TMqttField> BuiltFields;
    TMqttDevice BuiltDevice;
    std::string BuiltPrefix;
    // Main thread: the records since local midnight, and the failed acknowledgements since the start
    // (each data source counts its own; the one counted last is only compared, never used).
    long RecordsToday = 0;
    long RecordsDay = -1;
    long AckErrors = 0;
    const TDataSource* CountedSource = nullptr;
    uint32_t CountedSourceErrors = 0;

    std::mutex Lock;
    std::condition_variable Wake;
    TOutbox Outbox;  // under Lock
    bool StopAsked = false;  // under Lock

    // Worker thread only.
    mosquitto* Client = nullptr;
    // What was taken from the outbox last, sent again whole after a reconnection.
    TTexts Taken;
    std::vector<std::string> PublishedDiscoveryTopics;
    // Configs of the own node the broker retained when the connection began.
    std::set<std::string> RetainedConfigs;
    std::string ConfigFilter;
    std::string StatusTopic;
    std::string BirthTopic;
    bool Collecting = false;
    bool OwnOnlineSeen = false;
    bool BirthSeen = false;
    std::string PublishedLink;
    std::string LastFailure;
    int ConnackCode = -1;  // set by the connect callback

    std::atomic<bool> IsConnected{false};
    std::thread Worker;
};

// The program's one publisher.
TMqttPublisher& MainMqttPublisher();

// Whether the settings can be used: the broker text and the topic prefix; Error receives the German
// reason if not. Settings without a broker are usable (they switch the publisher off).
bool CheckMqttSettings(const TMqttSettings& settings, std::string& error);
// The settings dialog's OK: writes the [MQTT] section of the settings file and restarts the program's
// publisher with the new settings (or stops it when no broker is set). False with the reason when the
// settings are not usable or cannot be written; nothing changes then.
bool ApplyMqttSettings(const TMqttSettings& settings, const std::string& settingsFile, std::string& error);

}  // namespace dedezuviv::app
