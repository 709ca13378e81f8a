#include "app/core/MqttPublisher.h"

#include "base/Clock.h"
#include "base/ErrorText.h"
#include "base/Log.h"
#include "base/MainThread.h"
#include "model/DataSource.h"
#include "model/LiveLogging.h"
#include "model/LiveState.h"
#include "model/Project.h"
#include "model/ProjectFile.h"
#include "app/core/Namespace.h"

#include <mosquitto.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <fcntl.h>
#include <functional>
#include <memory>
#include <mutex>
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace dedezuviv::app {

namespace {

using Clock = std::chrono::steady_clock;

// Slices of waiting, so that a stop request is seen within this time.
constexpr int StopCheckMs = 100;
// How long a clean stop waits for "offline" to leave.
constexpr int FlushOnStopMs = 1000;

void LogFromWorker(const std::string& text)
{
    PostToMainThread([text] { LogMessage(text); });
}

void InitLibraryOnce()
{
    static std::once_flag once;
    std::call_once(once, [] { mosquitto_lib_init(); });
}

std::string ConnackText(int code)
{
    switch (code) {
    case 1: return "Protokollversion nicht unterstützt";
    case 2: return "Client-Kennung abgelehnt";
    case 3: return "Broker nicht verfügbar";
    case 4: return "Benutzername oder Passwort falsch";
    case 5: return "nicht berechtigt";
    default: return "Verbindung abgelehnt (Code " + std::to_string(code) + ")";
    }
}

// The reason of a failed library call: errno's text for system errors, else the library's own.
std::string ClientErrorText(int code)
{
    if (code == MOSQ_ERR_ERRNO)
        return SystemErrorText(errno);
    if (code == MOSQ_ERR_CONN_LOST || code == MOSQ_ERR_NO_CONN)
        return "Verbindung verloren";
    if (code == MOSQ_ERR_TLS)
        return "TLS-Fehler (Zertifikat oder CA-Datei prüfen)";
    if (code == MOSQ_ERR_CONN_REFUSED)
        return "vom Broker abgelehnt";
    if (code == MOSQ_ERR_AUTH)
        return "Benutzername oder Passwort falsch";
    return std::string("Fehler der MQTT-Bibliothek: ") + mosquitto_strerror(code);
}

// Whether a TCP connection to the broker can be opened within the time. libmosquitto connects
// blocking, which can take minutes for an address that does not answer; this check keeps the
// attempt short and lets a stop request through.
// A name lookup on a thread of its own: the resolver may wait for an unreachable name server for
// tens of seconds, and a stop (the window closing, new settings) must not wait that long. An
// abandoned lookup finishes by itself and frees its result.
struct TNameLookup {
    std::mutex Lock;
    std::condition_variable Done;
    bool Finished = false;
    int Result = EAI_FAIL;
    addrinfo* Addresses = nullptr;
    ~TNameLookup()
    {
        if (Addresses)
            freeaddrinfo(Addresses);
    }
};

std::shared_ptr<TNameLookup> LookUp(const std::string& host, int port, int timeoutMs,
                                    const std::function<bool()>& stopAsked)
{
    auto lookup = std::make_shared<TNameLookup>();
    std::thread([lookup, host, service = std::to_string(port)] {
        addrinfo hints{};
        hints.ai_family = AF_UNSPEC;
        hints.ai_socktype = SOCK_STREAM;
        addrinfo* addresses = nullptr;
        const int result = getaddrinfo(host.c_str(), service.c_str(), &hints, &addresses);
        std::lock_guard<std::mutex> guard(lookup->Lock);
        lookup->Result = result;
        lookup->Addresses = addresses;
        lookup->Finished = true;
        lookup->Done.notify_all();
    }).detach();
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    std::unique_lock<std::mutex> guard(lookup->Lock);
    while (!lookup->Finished && Clock::now() < deadline && !stopAsked())
        lookup->Done.wait_for(guard, std::chrono::milliseconds(StopCheckMs));
    return lookup->Finished ? lookup : nullptr;
}

bool BrokerReachable(const std::string& host, int port, int timeoutMs, const std::function<bool()>& stopAsked,
                     std::string& reason)
{
    const std::shared_ptr<TNameLookup> lookup = LookUp(host, port, timeoutMs, stopAsked);
    if (!lookup || lookup->Result != 0) {
        reason = lookup ? "Rechnername \"" + host + "\" nicht gefunden"
                        : "keine Antwort bei der Namensauflösung von \"" + host + "\"";
        return false;
    }
    addrinfo* addresses = lookup->Addresses;
    reason = "Zeitüberschreitung";
    bool reachable = false;
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    for (addrinfo* address = addresses; address != nullptr && !reachable; address = address->ai_next) {
        const int fd = socket(address->ai_family, address->ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC,
                              address->ai_protocol);
        if (fd < 0)
            continue;
        int error = 0;
        if (connect(fd, address->ai_addr, address->ai_addrlen) != 0) {
            error = errno;
            while (error == EINPROGRESS && Clock::now() < deadline && !stopAsked()) {
                pollfd waiting{fd, POLLOUT, 0};
                if (poll(&waiting, 1, StopCheckMs) > 0) {
                    socklen_t length = sizeof(error);
                    getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length);
                }
            }
        }
        close(fd);
        if (error == 0)
            reachable = true;
        else if (error != EINPROGRESS)
            reason = SystemErrorText(error);
    }
    return reachable;
}

}  // namespace

TMqttPublisher::~TMqttPublisher() { Stop(); }

bool TMqttPublisher::Start(const TMqttSettings& settings)
{
    Stop();
    std::string error;
    std::string host;
    int port = 0;
    if (!CheckMqttSettings(settings, error) ||
        !ParseMqttBroker(settings.Broker, !settings.CAFile.empty(), host, port, error)) {
        LogMessage(error + " MQTT bleibt aus.");
        return false;
    }
    std::string password;
    std::string warning;
    if (!ReadMqttPassword(settings, password, error, warning)) {
        LogMessage(error + ". MQTT bleibt aus.");
        return false;
    }
    if (!warning.empty())
        LogMessage(warning);
    if (!settings.CAFile.empty() && access(settings.CAFile.c_str(), R_OK) != 0) {
        LogMessage("MQTT-CA-Datei \"" + settings.CAFile + "\" kann nicht gelesen werden: " +
                   SystemErrorText(errno) + ". MQTT bleibt aus.");
        return false;
    }
    InitLibraryOnce();

    Settings = settings;
    Host = host;
    Port = port;
    Password = password;
    Built = false;
    BuiltFields.clear();
    CountedSource = nullptr;
    CountedSourceErrors = 0;
    Taken = TTexts{};
    {
        std::lock_guard<std::mutex> guard(Lock);
        Outbox = TOutbox{};
        StopAsked = false;
        // Without a project the default prefix is not known yet: the first record brings it.
        if (!Settings.TopicPrefix.empty())
            Outbox.Prefix = MqttTopicPrefix(Settings.TopicPrefix, std::string(), std::string());
    }
    // With a project the configs go out at once, so the entities (and the link sensor) are there
    // before the first record.
    if (const TProject* project = CurrentProject()) {
        uint8_t frameKind = 0;
        TRecordHeader header;
        LastDecodedHeader(frameKind, header);
        TTexts texts;
        BuildDefinitions(*project, header, texts);
        PostDefinitions(std::move(texts));
    }
    PublishedDiscoveryTopics.clear();
    LogMessage("Starte MQTT-Verbindung zu " + BrokerText() + " ...");
    Worker = std::thread([this] { Run(); });
    SetRecordPublisher(this);
    return true;
}

void TMqttPublisher::Stop()
{
    if (RecordPublisher() == this)
        SetRecordPublisher(nullptr);
    if (!Worker.joinable())
        return;
    {
        std::lock_guard<std::mutex> guard(Lock);
        StopAsked = true;
    }
    Wake.notify_all();
    Worker.join();
}

bool TMqttPublisher::BuildDefinitions(const TProject& project, const TRecordHeader& header, TTexts& texts)
{
    std::vector<TMqttField> fields = MqttFields(project, MainView().Table);
    TMqttDevice device = MqttDeviceOf(project.Name, header, Settings.Area);
    // A record without a header does not make the controller unknown again.
    if (device.Model.empty() && Built) {
        device.Model = BuiltDevice.Model;
        device.SwVersion = BuiltDevice.SwVersion;
    }
    const std::string prefix = MqttTopicPrefix(Settings.TopicPrefix, project.Name, project.FileName);
    if (Built && fields == BuiltFields && device == BuiltDevice && prefix == BuiltPrefix)
        return false;
    Built = true;
    BuiltFields = std::move(fields);
    BuiltDevice = std::move(device);
    BuiltPrefix = prefix;
    texts.DefinitionsKnown = true;
    if (Settings.Discovery)
        texts.Discovery =
            MqttDiscoveryMessages(Settings.EffectiveDiscoveryPrefix(), BuiltPrefix, BuiltDevice, BuiltFields);
    if (Settings.FieldTopics)
        texts.FieldTopics = MqttFieldTopics(BuiltPrefix, BuiltFields);
    return true;
}

void TMqttPublisher::PostDefinitions(TTexts&& texts)
{
    {
        std::lock_guard<std::mutex> guard(Lock);
        Outbox.Prefix = BuiltPrefix;
        Outbox.Texts.DefinitionsKnown = true;
        Outbox.Texts.Discovery = std::move(texts.Discovery);
        Outbox.Texts.FieldTopics = std::move(texts.FieldTopics);
        Outbox.DefinitionsChanged = true;
    }
    Wake.notify_all();
}

void TMqttPublisher::PublishRecord(const TDecodedRecord& record)
{
    const TProject* project = CurrentProject();
    if (project == nullptr || !Worker.joinable())
        return;
    // The texts that depend on the definitions are built again only when they change.
    TTexts texts;
    if (BuildDefinitions(*project, record.Header, texts))
        PostDefinitions(std::move(texts));
    const TDateTime now = Now();
    const long day = static_cast<long>(std::floor(now));
    if (day != RecordsDay) {
        RecordsDay = day;
        RecordsToday = 0;
    }
    ++RecordsToday;
    if (const TDataSource* source = RunningDataSource()) {
        if (source != CountedSource || source->WriteErrorCount < CountedSourceErrors) {
            CountedSource = source;
            CountedSourceErrors = 0;
        }
        AckErrors += static_cast<long>(source->WriteErrorCount - CountedSourceErrors);
        CountedSourceErrors = source->WriteErrorCount;
    }
    texts.State = MqttStatePayload(BuiltFields, record);
    if (Settings.FieldTopics)
        texts.FieldValues = MqttFieldValues(BuiltFields, record);
    texts.Diagnostics = MqttDiagnosticsPayload(now, RecordsToday, AckErrors);
    {
        std::lock_guard<std::mutex> guard(Lock);
        Outbox.Texts.State = std::move(texts.State);
        Outbox.Texts.FieldValues = std::move(texts.FieldValues);
        Outbox.Texts.Diagnostics = std::move(texts.Diagnostics);
        Outbox.StateChanged = true;
        Outbox.RecordsFlowing = true;
        Outbox.LastRecordAt = Clock::now();
    }
    Wake.notify_all();
}

void TMqttPublisher::PublishLinkLost()
{
    {
        std::lock_guard<std::mutex> guard(Lock);
        Outbox.RecordsFlowing = false;
    }
    Wake.notify_all();
}

std::string TMqttPublisher::BrokerText() const
{
    const bool v6 = Host.find(':') != std::string::npos;
    return (v6 ? "[" + Host + "]" : Host) + ":" + std::to_string(Port);
}

bool TMqttPublisher::WaitForStop(int milliseconds)
{
    std::unique_lock<std::mutex> guard(Lock);
    return Wake.wait_for(guard, std::chrono::milliseconds(milliseconds), [this] { return StopAsked; });
}

void TMqttPublisher::Run()
{
    int retryDelayMs = FirstRetryDelayMs;
    bool failureReported = false;
    for (;;) {
        std::string prefix;
        {
            std::unique_lock<std::mutex> guard(Lock);
            Wake.wait(guard, [this] { return StopAsked || !Outbox.Prefix.empty(); });
            if (StopAsked)
                break;
            prefix = Outbox.Prefix;
        }
        std::string reason;
        if (Connect(prefix, reason)) {
            LogFromWorker("MQTT-Verbindung zu " + BrokerText() + " hergestellt, Themen unter " + prefix + "/.");
            retryDelayMs = FirstRetryDelayMs;
            failureReported = false;
            Serve(prefix);
            if (Client == nullptr)
                continue;  // a clean end: stop asked or the prefix changed
            reason = LastFailure;
            FreeClient();
            LogFromWorker("MQTT-Verbindung zu " + BrokerText() + " unterbrochen: " + reason +
                          ". Neuer Versuch im Hintergrund.");
            failureReported = true;
        } else {
            FreeClient();
            if (WaitForStop(0))
                break;  // the attempt was cut short by the stop, not by the broker
            if (!failureReported)
                LogFromWorker("MQTT-Verbindung zu " + BrokerText() + " nicht möglich: " + reason +
                              ". Neuer Versuch im Hintergrund.");
            failureReported = true;
        }
        if (WaitForStop(retryDelayMs))
            break;
        retryDelayMs = std::min(retryDelayMs * 2, LongestRetryDelayMs);
    }
    FreeClient();
}

bool TMqttPublisher::Connect(const std::string& prefix, std::string& reason)
{
    FreeClient();
    const auto stopAsked = [this] {
        std::lock_guard<std::mutex> guard(Lock);
        return StopAsked;
    };
    if (!BrokerReachable(Host, Port, ConnectTimeoutMs, stopAsked, reason))
        return false;

    Client = mosquitto_new(nullptr, true, this);
    if (Client == nullptr) {
        reason = SystemErrorText(errno);
        return false;
    }
    mosquitto_connect_callback_set(Client, [](mosquitto*, void* self, int code) {
        static_cast<TMqttPublisher*>(self)->ConnackCode = code;
    });
    mosquitto_message_callback_set(Client, [](mosquitto*, void* self, const mosquitto_message* message) {
        static_cast<TMqttPublisher*>(self)->HandleMessage(
            message->topic, std::string(static_cast<const char*>(message->payload), message->payloadlen),
            message->retain);
    });
    const std::string offline = MqttOffline;
    mosquitto_will_set(Client, MqttStatusTopic(prefix).c_str(), static_cast<int>(offline.size()), offline.data(), 1,
                       true);
    if (!Settings.User.empty())
        mosquitto_username_pw_set(Client, Settings.User.c_str(), Password.empty() ? nullptr : Password.c_str());
    if (!Settings.CAFile.empty()) {
        const int tls = mosquitto_tls_set(Client, Settings.CAFile.c_str(), nullptr, nullptr, nullptr, nullptr);
        if (tls != MOSQ_ERR_SUCCESS) {
            reason = "TLS mit \"" + Settings.CAFile + "\" nicht möglich: " + ClientErrorText(tls);
            return false;
        }
    }
    ConnackCode = -1;
    const int code = mosquitto_connect(Client, Host.c_str(), Port, KeepAliveSeconds);
    if (code != MOSQ_ERR_SUCCESS) {
        reason = ClientErrorText(code);
        return false;
    }
    // The broker's answer comes through the loop.
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(ConnectTimeoutMs);
    while (ConnackCode < 0) {
        const int loop = mosquitto_loop(Client, StopCheckMs, 1);
        if (loop != MOSQ_ERR_SUCCESS) {
            // A refusal ends the loop as well; the broker's answer tells why.
            reason = ConnackCode > 0 ? "Broker lehnt ab: " + ConnackText(ConnackCode) : ClientErrorText(loop);
            return false;
        }
        if (Clock::now() > deadline) {
            reason = "keine Antwort des Brokers";
            return false;
        }
        if (stopAsked()) {
            reason = "Programmende";
            return false;
        }
    }
    if (ConnackCode != 0) {
        reason = "Broker lehnt ab: " + ConnackText(ConnackCode);
        return false;
    }
    return true;
}

void TMqttPublisher::Serve(const std::string& prefix)
{
    IsConnected = true;
    PublishLink(prefix, true);
    if (!CollectRetainedConfigs(prefix)) {
        IsConnected = false;
        return;
    }
    SendOutbox(prefix, true);
    for (;;) {
        const int loop = mosquitto_loop(Client, StopCheckMs, 1);
        if (loop != MOSQ_ERR_SUCCESS) {
            IsConnected = false;
            LastFailure = ClientErrorText(loop);
            return;
        }
        bool endHere = false;
        {
            std::lock_guard<std::mutex> guard(Lock);
            endHere = StopAsked || Outbox.Prefix != prefix;
        }
        if (endHere) {
            Disconnect(prefix);
            return;
        }
        // Home Assistant (re)started: it wants the configs again.
        if (BirthSeen) {
            BirthSeen = false;
            SendOutbox(prefix, true);
        }
        // What the broker has not taken yet stays in the library; newer records wait in the outbox,
        // replacing each other, until it has.
        if (!mosquitto_want_write(Client))
            SendOutbox(prefix, false);
        PublishLink(prefix, false);
    }
}

bool TMqttPublisher::CollectRetainedConfigs(const std::string& prefix)
{
    const std::string discoveryPrefix = Settings.EffectiveDiscoveryPrefix();
    ConfigFilter = MqttNodeConfigFilter(discoveryPrefix, prefix);
    StatusTopic = MqttStatusTopic(prefix);
    BirthTopic = MqttBirthTopic(discoveryPrefix);
    RetainedConfigs.clear();
    OwnOnlineSeen = false;
    BirthSeen = false;
    Collecting = true;
    // The broker sends what it retains for a subscription before it forwards the "online" published
    // after it, so that message ends the list.
    mosquitto_subscribe(Client, nullptr, ConfigFilter.c_str(), 0);
    mosquitto_subscribe(Client, nullptr, StatusTopic.c_str(), 0);
    Publish(StatusTopic, MqttOnline, true);
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(RetainedConfigWaitMs);
    bool connected = true;
    while (!OwnOnlineSeen && Clock::now() < deadline && !WaitForStop(0)) {
        const int loop = mosquitto_loop(Client, StopCheckMs, 1);
        if (loop != MOSQ_ERR_SUCCESS) {
            LastFailure = ClientErrorText(loop);
            connected = false;
            break;
        }
    }
    Collecting = false;
    // Without the end of the list nothing is known to be stale.
    if (!OwnOnlineSeen)
        RetainedConfigs.clear();
    if (!connected)
        return false;
    mosquitto_unsubscribe(Client, nullptr, ConfigFilter.c_str());
    mosquitto_unsubscribe(Client, nullptr, StatusTopic.c_str());
    if (Settings.Discovery)
        mosquitto_subscribe(Client, nullptr, BirthTopic.c_str(), 0);
    return true;
}

void TMqttPublisher::HandleMessage(const std::string& topic, const std::string& payload, bool retained)
{
    // Forwarded messages come without the retained flag; those sent for a new subscription with it.
    if (Collecting && topic == StatusTopic && !retained && payload == MqttOnline) {
        OwnOnlineSeen = true;
        return;
    }
    bool matches = false;
    if (Collecting && retained && !payload.empty() &&
        mosquitto_topic_matches_sub(ConfigFilter.c_str(), topic.c_str(), &matches) == MOSQ_ERR_SUCCESS && matches) {
        RetainedConfigs.insert(topic);
        return;
    }
    if (topic == BirthTopic && !retained && payload == MqttOnline)
        BirthSeen = true;
}

void TMqttPublisher::PublishLink(const std::string& prefix, bool always)
{
    std::string link;
    {
        std::lock_guard<std::mutex> guard(Lock);
        const bool flowing = Outbox.RecordsFlowing &&
                             Clock::now() - Outbox.LastRecordAt < std::chrono::milliseconds(LinkSilenceMs);
        link = flowing ? MqttOnline : MqttOffline;
    }
    if (!always && link == PublishedLink)
        return;
    Publish(MqttLinkTopic(prefix), link, true);
    PublishedLink = link;
}

void TMqttPublisher::SendOutbox(const std::string& prefix, bool everything)
{
    bool definitions = everything;
    bool state = everything;
    {
        std::lock_guard<std::mutex> guard(Lock);
        // Texts of another project wait for the connection under its prefix.
        if (Outbox.Prefix != prefix)
            return;
        // Taken, not copied: the main thread replaces them with the next record anyway.
        if (Outbox.DefinitionsChanged) {
            Taken.DefinitionsKnown = Outbox.Texts.DefinitionsKnown;
            Taken.Discovery = std::move(Outbox.Texts.Discovery);
            Taken.FieldTopics = std::move(Outbox.Texts.FieldTopics);
            Outbox.DefinitionsChanged = false;
            definitions = true;
        }
        if (Outbox.StateChanged) {
            Taken.State = std::move(Outbox.Texts.State);
            Taken.FieldValues = std::move(Outbox.Texts.FieldValues);
            Taken.Diagnostics = std::move(Outbox.Texts.Diagnostics);
            Outbox.StateChanged = false;
            state = true;
        }
    }
    // Before the project's fields are known nothing can be told stale.
    if (definitions && Taken.DefinitionsKnown) {
        // Entities of fields that are no longer defined (now, or by an earlier run) are removed by an
        // empty config.
        std::vector<std::string> topics;
        for (const TMqttMessage& message : Taken.Discovery)
            topics.push_back(message.Topic);
        std::set<std::string> stale = std::move(RetainedConfigs);
        RetainedConfigs.clear();
        stale.insert(PublishedDiscoveryTopics.begin(), PublishedDiscoveryTopics.end());
        for (const std::string& old : stale)
            if (std::find(topics.begin(), topics.end(), old) == topics.end())
                Publish(old, std::string(), true);
        for (const TMqttMessage& message : Taken.Discovery)
            Publish(message.Topic, message.Payload, true);
        PublishedDiscoveryTopics = std::move(topics);
    }
    if (state && !Taken.State.empty()) {
        if (Taken.FieldValues.size() == Taken.FieldTopics.size())
            for (size_t i = 0; i < Taken.FieldValues.size(); ++i)
                if (!Taken.FieldValues[i].empty())
                    Publish(Taken.FieldTopics[i], Taken.FieldValues[i], true);
        Publish(MqttStateTopic(prefix), Taken.State, true);
        Publish(MqttDiagnosticsTopic(prefix), Taken.Diagnostics, true);
    }
}

void TMqttPublisher::Publish(const std::string& topic, const std::string& payload, bool retain)
{
    if (Client == nullptr)
        return;
    mosquitto_publish(Client, nullptr, topic.c_str(), static_cast<int>(payload.size()),
                      payload.empty() ? nullptr : payload.data(), 0, retain);
}

void TMqttPublisher::Disconnect(const std::string& prefix)
{
    Publish(MqttLinkTopic(prefix), MqttOffline, true);
    Publish(MqttStatusTopic(prefix), MqttOffline, true);
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(FlushOnStopMs);
    while (mosquitto_want_write(Client) && Clock::now() < deadline)
        if (mosquitto_loop(Client, 50, 1) != MOSQ_ERR_SUCCESS)
            break;
    mosquitto_disconnect(Client);
    mosquitto_loop(Client, 50, 1);
    IsConnected = false;
    FreeClient();
}

void TMqttPublisher::FreeClient()
{
    if (Client == nullptr)
        return;
    mosquitto_destroy(Client);
    Client = nullptr;
    ConnackCode = -1;
}

TMqttPublisher& MainMqttPublisher()
{
    static TMqttPublisher publisher;
    return publisher;
}

bool CheckMqttSettings(const TMqttSettings& settings, std::string& error)
{
    std::string host;
    int port = 0;
    if (settings.Enabled() && !ParseMqttBroker(settings.Broker, !settings.CAFile.empty(), host, port, error))
        return false;
    return (settings.TopicPrefix.empty() || IsValidMqttTopicPrefix(settings.TopicPrefix, error)) &&
           IsValidMqttTopicPrefix(settings.EffectiveDiscoveryPrefix(), error);
}

bool ApplyMqttSettings(const TMqttSettings& settings, const std::string& settingsFile, std::string& error)
{
    if (!CheckMqttSettings(settings, error))
        return false;
    if (!settingsFile.empty() && !WriteMqttSettings(settingsFile, settings, error)) {
        error = "Die MQTT-Einstellungen konnten nicht gespeichert werden: " + error;
        return false;
    }
    MainMqttPublisher().Stop();
    if (settings.Enabled())
        MainMqttPublisher().Start(settings);
    return true;
}

}  // namespace dedezuviv::app
