// The MQTT publisher: sends every live record to a broker, for home-automation systems, without the
// logger ever waiting for the network.
//
// The main thread only builds the texts of a record (MqttMessages) and puts them into an outbox that
// holds the latest state alone; a background thread owns the libmosquitto client, connects, sends what
// the outbox holds once the previous state has left, and reconnects after a failure with a growing
// pause (1 s doubling up to 30 s). While the broker is away, newer records replace older ones in the
// outbox, so nothing piles up. The connection and its loss are logged once each, not per record.
//
// On connecting it publishes "<prefix>/status" = "online" (retained; "offline" is the last will and is
// published on a clean stop), the discovery configs (retained) and the latest state (retained).
#pragma once

#include "app/core/MqttMessages.h"
#include "app/core/MqttSettings.h"
#include "model/Fields.h"
#include "model/RecordPublisher.h"
#include "app/core/Namespace.h"

#include <array>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

struct mosquitto;

namespace dedezuviv::app {

class TMqttPublisher : public IRecordPublisher {
public:
    static constexpr int FirstRetryDelayMs = 1000;
    static constexpr int LongestRetryDelayMs = 30000;
    // A broker that accepts the connection but does not answer it within this time counts as away.
    static constexpr int ConnectTimeoutMs = 10000;
    static constexpr int KeepAliveSeconds = 30;

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

private:
    // The texts of the field definitions and of the latest record.
    struct TTexts {
        std::vector<TMqttMessage> Discovery;
        std::vector<std::string> FieldTopics;
        std::string State;  // empty before the first record
        std::vector<std::string> FieldValues;
    };
    struct TOutbox {
        std::string Prefix;
        TTexts Texts;
        bool DefinitionsChanged = false;
        bool StateChanged = false;
    };

    void Run();
    // One connection attempt, with the instance created for it; false with the reason when it failed.
    bool Connect(const std::string& prefix, std::string& reason);
    // Serves the connection until it ends, the prefix changes or a stop is asked.
    void Serve(const std::string& prefix);
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
    std::string BuiltName;
    std::array<TNameList, FieldTypeCount> BuiltNames;
    std::vector<TMqttField> BuiltFields;
    std::string BuiltPrefix;

    std::mutex Lock;
    std::condition_variable Wake;
    TOutbox Outbox;  // under Lock
    bool StopAsked = false;  // under Lock

    // Worker thread only.
    mosquitto* Client = nullptr;
    // What was taken from the outbox last, sent again whole after a reconnection.
    TTexts Taken;
    std::vector<std::string> PublishedDiscoveryTopics;
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
