// The MQTT publisher against a real mosquitto broker: the logger without a window runs against the
// simulator, a subscriber made with libmosquitto reads what reaches the broker.
#include "app/core/MqttPublisher.h"
#include "base/JsonText.h"
#include "base/Log.h"
#include "base/MainThread.h"
#include "model/LiveState.h"
#include "model/Project.h"
#include "support/TestPorts.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <mosquitto.h>

#include <algorithm>
#include <arpa/inet.h>
#include <chrono>
#include <condition_variable>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <map>
#include <mutex>
#include <set>
#include <netinet/in.h>
#include <regex>
#include <sstream>
#include <sys/stat.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

using namespace dedezuviv::base;
using namespace dedezuviv::model;
using namespace dedezuviv::app;

namespace {

using testsupport::BackgroundProgram;
using testsupport::ReadFile;
namespace fs = std::filesystem;

constexpr const char* BrokerProgram = "/usr/sbin/mosquitto";

bool WaitUntil(const std::function<bool()>& ready, int timeoutMs)
{
    for (int waited = 0; waited < timeoutMs && !ready(); waited += 50)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    return ready();
}

bool PortAccepts(int port)
{
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const bool accepted = connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)) == 0;
    close(fd);
    return accepted;
}

// A broker of its own on the given port (local connections only, anonymous), ready when Start returns.
class Broker {
public:
    explicit Broker(int port, std::string configFile = "") : Port(port), ConfigFile(std::move(configFile)) {}
    bool Start()
    {
        const std::vector<std::string> args = ConfigFile.empty() ? std::vector<std::string>{"-p", std::to_string(Port)}
                                                                 : std::vector<std::string>{"-c", ConfigFile};
        return Process.Start(BrokerProgram, args) && WaitUntil([this] { return PortAccepts(Port); }, 10000);
    }
    void Stop() { Process.Stop(); }

private:
    int Port;
    std::string ConfigFile;
    BackgroundProgram Process;
};

// Collects every message of the subscribed topics, with its retained flag.
class Subscriber {
public:
    struct Message {
        std::string Topic, Payload;
        bool Retained = false;
    };

    Subscriber()
    {
        static std::once_flag once;
        std::call_once(once, [] { mosquitto_lib_init(); });
        Client = mosquitto_new(nullptr, true, this);
        mosquitto_message_callback_set(Client, [](mosquitto*, void* self, const mosquitto_message* message) {
            auto* subscriber = static_cast<Subscriber*>(self);
            std::lock_guard<std::mutex> guard(subscriber->Lock);
            subscriber->Received.push_back(
                {message->topic, std::string(static_cast<const char*>(message->payload), message->payloadlen),
                 message->retain});
            subscriber->Arrived.notify_all();
        });
        mosquitto_connect_callback_set(Client, [](mosquitto* client, void* self, int code) {
            if (code != 0)
                return;
            for (const std::string& topic : static_cast<Subscriber*>(self)->Topics)
                mosquitto_subscribe(client, nullptr, topic.c_str(), 1);
        });
    }
    ~Subscriber()
    {
        mosquitto_disconnect(Client);
        mosquitto_loop_stop(Client, false);
        mosquitto_destroy(Client);
    }
    // Subscribes again after every reconnection, so a restarted broker is followed.
    bool Connect(int port, std::vector<std::string> topics)
    {
        Topics = std::move(topics);
        mosquitto_reconnect_delay_set(Client, 1, 1, false);
        return mosquitto_connect(Client, "127.0.0.1", port, 10) == MOSQ_ERR_SUCCESS &&
               mosquitto_loop_start(Client) == MOSQ_ERR_SUCCESS;
    }
    // The first message from the given index on that matches.
    bool WaitFor(const std::function<bool(const Message&)>& matches, int timeoutMs, Message* found = nullptr,
                 size_t from = 0)
    {
        std::unique_lock<std::mutex> guard(Lock);
        return Arrived.wait_for(guard, std::chrono::milliseconds(timeoutMs), [&] {
            for (size_t i = from; i < Received.size(); ++i)
                if (matches(Received[i])) {
                    if (found)
                        *found = Received[i];
                    return true;
                }
            return false;
        });
    }
    void Publish(const std::string& topic, const std::string& payload, bool retain = false)
    {
        mosquitto_publish(Client, nullptr, topic.c_str(), static_cast<int>(payload.size()), payload.data(), 1, retain);
    }
    size_t Count()
    {
        std::lock_guard<std::mutex> guard(Lock);
        return Received.size();
    }
    std::vector<Message> Messages()
    {
        std::lock_guard<std::mutex> guard(Lock);
        return Received;
    }

private:
    mosquitto* Client = nullptr;
    std::vector<std::string> Topics;
    std::mutex Lock;
    std::condition_variable Arrived;
    std::vector<Message> Received;
};

std::function<bool(const Subscriber::Message&)> Topic(const std::string& topic, const std::string& payload = "")
{
    return [=](const Subscriber::Message& message) {
        return message.Topic == topic && (payload.empty() || message.Payload == payload);
    };
}

std::function<bool(const Subscriber::Message&)> Cleared(const std::string& topic)
{
    return [=](const Subscriber::Message& message) { return message.Topic == topic && message.Payload.empty(); };
}

// What the broker retains under the filters, read by a subscriber of its own: the broker sends the
// retained messages of a subscription before any message published after it, so they are complete
// once the reader's own marker comes back.
std::map<std::string, std::string> RetainedMessages(int port, std::vector<std::string> filters)
{
    const std::string marker = "test/marker/" + std::to_string(getpid());
    filters.push_back(marker);
    Subscriber reader;
    if (!reader.Connect(port, filters))
        return {};
    Subscriber::Message found;
    for (int attempt = 0; attempt < 100; ++attempt) {
        reader.Publish(marker, "end");
        if (reader.WaitFor(Topic(marker, "end"), 200, &found))
            break;
    }
    std::map<std::string, std::string> retained;
    for (const Subscriber::Message& message : reader.Messages()) {
        if (message.Topic == marker)
            break;
        if (message.Retained)
            retained[message.Topic] = message.Payload;
    }
    return retained;
}

std::string JsonObjectOf(const std::map<std::string, std::string>& members)
{
    std::string out = "{";
    for (const auto& [name, value] : members) {
        if (out.size() > 1)
            out += ",\n";
        AppendJsonString(out, name);
        out += ':';
        AppendJsonString(out, value);
    }
    return out + "}";
}

// The publisher inside the test program, with a project of one temperature open, publishing under
// "test/haus".
struct PublisherInTheTest {
    TTaskQueueDispatcher Dispatcher;
    PublisherInTheTest()
    {
        SetMainThreadDispatcher(&Dispatcher);
        auto project = std::make_unique<TProject>();
        project->Name = "Haus";
        project->FieldNames[ftTemperature] = {"Kessel"};
        ReplaceCurrentProject(std::move(project));
    }
    ~PublisherInTheTest()
    {
        CloseCurrentProject();
        SetMainThreadDispatcher(nullptr);
    }
    TMqttSettings Settings(int brokerPort) const
    {
        TMqttSettings settings;
        settings.Broker = "127.0.0.1:" + std::to_string(brokerPort);
        settings.TopicPrefix = "test/haus";
        return settings;
    }
};

size_t CountOf(const std::string& text, const std::string& part)
{
    size_t count = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++count;
    return count;
}

size_t DayFileLineCount(const fs::path& folder)
{
    size_t lines = 0;
    std::error_code error;
    if (fs::is_directory(folder, error))
        for (const auto& entry : fs::directory_iterator(folder))
            lines += CountOf(ReadFile(entry.path()), "\n");
    return lines;
}

struct MqttBrokerTest : ::testing::Test {
    testsupport::TempDir Dir;
    fs::path Project = Dir / "Haus.p-p";
    fs::path Out = Dir / "out.txt";
    int BrokerPort = testsupport::FreeTcpPort();

    void SetUp() override
    {
        ASSERT_TRUE(fs::exists(BrokerProgram)) << "mosquitto fehlt: scripts/install-deps.sh installiert es";
        ASSERT_GT(BrokerPort, 0);
        testsupport::WriteFile(Project, "[General]\r\nName=Haus\r\nSamplingInterval=0\r\n"
                                        "[Field Definitions]\r\nTemperature=Aussen,Kessel,Vorlauf,Rücklauf\r\n"
                                        "Counter=Brennerstunden\r\nInput=Raumthermostat\r\nOutput=Brenner\r\n");
    }

    bool StartLogger(BackgroundProgram& logger, const std::string& device, std::vector<std::string> extra,
                     const fs::path& project = {}, const fs::path& out = {})
    {
        std::vector<std::string> args = {"-headless", "/PROJECT=" + (project.empty() ? Project : project).string(),
                                         "/PORT=" + device, "/START", "/MQTT=127.0.0.1:" + std::to_string(BrokerPort)};
        args.insert(args.end(), extra.begin(), extra.end());
        BackgroundProgram::Options options;
        options.Environment = {{"XDG_CONFIG_HOME", (Dir / "config").string()}, {"HOME", Dir.Path().string()}};
        options.Unset = {"DISPLAY", "WAYLAND_DISPLAY", "DEDEZUVIV_MQTT_PASSWORD"};
        options.StdoutFile = out.empty() ? Out : out;
        options.StderrFile = Dir / "err.txt";
        return logger.Start(testsupport::LoggerPath(), args, options);
    }
    std::string LoggerOutput() { return ReadFile(Out) + ReadFile(Dir / "err.txt"); }
    // A broker, a watcher of the topics and the logger on the simulator's line, stopped in reverse order.
    struct Run {
        Broker Server;
        Subscriber Watcher;
        testsupport::PtyPair Pty;
        BackgroundProgram Simulator, Logger;
        explicit Run(int port) : Server(port) {}
    };
    ::testing::AssertionResult StartRun(Run& run, std::vector<std::string> topics, std::vector<std::string> extra)
    {
        if (!run.Server.Start() || !run.Watcher.Connect(BrokerPort, std::move(topics)))
            return ::testing::AssertionFailure() << "broker or watcher";
        if (!run.Pty.Start() || !testsupport::StartSimulator(run.Simulator, run.Pty.EndB(), {"--interval", "0.3"}))
            return ::testing::AssertionFailure() << "line or simulator";
        if (!StartLogger(run.Logger, run.Pty.EndA(), std::move(extra)))
            return ::testing::AssertionFailure() << "logger";
        return ::testing::AssertionSuccess();
    }
    // The topic prefix and node the logger chooses for the project by default.
    std::string Prefix() const { return DefaultMqttTopicPrefix("Haus", Project.string()); }
    std::string Node() const { return MqttNodeId(Prefix()); }
};

TEST_F(MqttBrokerTest, HeadlessLoggerPublishesStateDiscoveryAndItsLastWill)
{
    Run run(BrokerPort);
    ASSERT_TRUE(StartRun(run, {"dedezuviv/#"}, {"/MQTTFIELDTOPICS=ON"}));
    Subscriber& watcher = run.Watcher;
    BackgroundProgram& logger = run.Logger;

    Subscriber::Message state;
    ASSERT_TRUE(watcher.WaitFor(Topic(Prefix() + "/state"), 20000, &state)) << LoggerOutput();
    const std::string number = "-?[0-9]+(\\.[0-9]+)?(E-?[0-9]+)?";
    EXPECT_TRUE(std::regex_match(state.Payload,
                                 std::regex("\\{\"time\":\"20[0-9]{2}-[0-9]{2}-[0-9]{2}T[0-9]{2}:[0-9]{2}:[0-9]{2}"
                                            "[+-][0-9]{2}:[0-9]{2}\",\"fields\":\\{\"Aussen\":\\{\"value\":" +
                                            number + ",\"unit\":\"°C\"\\},.*\"Brenner\":\\{\"value\":[01],"
                                            "\"unit\":\"\"\\}\\}\\}")))
        << state.Payload;
    EXPECT_TRUE(watcher.WaitFor(Topic(Prefix() + "/status", "online"), 5000));
    Subscriber::Message kessel;
    ASSERT_TRUE(watcher.WaitFor(Topic(Prefix() + "/Kessel"), 5000, &kessel));
    EXPECT_TRUE(std::regex_match(kessel.Payload, std::regex(number))) << kessel.Payload;

    // Whoever subscribes later gets the retained discovery configs and the latest state at once.
    Subscriber later;
    ASSERT_TRUE(later.Connect(BrokerPort, {"homeassistant/#", Prefix() + "/state"}));
    Subscriber::Message config;
    ASSERT_TRUE(later.WaitFor(Topic("homeassistant/sensor/" + Node() + "/temperature_Ruecklauf/config"), 10000,
                              &config));
    EXPECT_TRUE(config.Retained);
    EXPECT_NE(config.Payload.find("\"device_class\":\"temperature\""), std::string::npos) << config.Payload;
    ASSERT_TRUE(later.WaitFor(Topic("homeassistant/binary_sensor/" + Node() + "/output_Brenner/config"), 5000,
                              &config));
    EXPECT_TRUE(config.Retained);
    ASSERT_TRUE(later.WaitFor(Topic("homeassistant/sensor/" + Node() + "/counter_Brennerstunden/config"), 5000,
                              &config));
    EXPECT_NE(config.Payload.find("\"state_class\":\"total_increasing\""), std::string::npos);
    ASSERT_TRUE(later.WaitFor(Topic(Prefix() + "/state"), 5000, &state));
    EXPECT_TRUE(state.Retained);

    // Killed without a chance to say goodbye: the broker publishes the last will.
    const size_t before = watcher.Count();
    logger.Signal(SIGKILL);
    logger.Wait(10000);
    EXPECT_TRUE(watcher.WaitFor(Topic(Prefix() + "/status", "offline"), 10000, nullptr, before));
    EXPECT_NE(ReadFile(Out).find("> MQTT-Verbindung zu 127.0.0.1:" + std::to_string(BrokerPort) +
                                 " hergestellt, Themen unter " + Prefix() + "/.\n"),
              std::string::npos)
        << LoggerOutput();
}

TEST_F(MqttBrokerTest, BrokerAwayNeitherHoldsUpTheLineNorLosesRecords)
{
    testsupport::PtyPair pty;
    ASSERT_TRUE(pty.Start());
    BackgroundProgram simulator;
    BackgroundProgram::Options simOptions;
    simOptions.StdoutFile = Dir / "simulator.txt";
    // The controller waits 2 s for each acknowledgement and reports any that come late or not at all.
    ASSERT_TRUE(simulator.Start(testsupport::ToolPath("dedezuviv-simulator"),
                                {"--device", pty.EndB(), "--interval", "0.1", "--expect-acks", "--ack-timeout", "2"},
                                simOptions));
    BackgroundProgram logger;
    ASSERT_TRUE(StartLogger(logger, pty.EndA(), {}));
    const std::string brokerText = "127.0.0.1:" + std::to_string(BrokerPort);
    const fs::path data = Dir / "Haus" / "data";

    // No broker at the start.
    ASSERT_TRUE(WaitUntil([&] { return ReadFile(Out).find("nicht möglich") != std::string::npos; }, 15000))
        << LoggerOutput();
    ASSERT_TRUE(WaitUntil([&] { return DayFileLineCount(data) >= 10; }, 15000)) << LoggerOutput();

    Broker broker(BrokerPort);
    ASSERT_TRUE(broker.Start());
    Subscriber watcher;
    ASSERT_TRUE(watcher.Connect(BrokerPort, {Prefix() + "/#"}));
    ASSERT_TRUE(watcher.WaitFor(Topic(Prefix() + "/status", "online"), 20000)) << LoggerOutput();

    // The broker goes away and comes back.
    broker.Stop();
    ASSERT_TRUE(WaitUntil([&] { return ReadFile(Out).find("unterbrochen") != std::string::npos; }, 15000))
        << LoggerOutput();
    const size_t linesWhileAway = DayFileLineCount(data);
    ASSERT_TRUE(WaitUntil([&] { return DayFileLineCount(data) >= linesWhileAway + 10; }, 15000));
    ASSERT_TRUE(broker.Start());
    ASSERT_TRUE(WaitUntil([&] { return CountOf(ReadFile(Out), "hergestellt") >= 2; }, 30000)) << LoggerOutput();
    const size_t before = watcher.Count();
    EXPECT_TRUE(watcher.WaitFor(Topic(Prefix() + "/state"), 10000, nullptr, before));

    simulator.Signal(SIGTERM);
    EXPECT_EQ(simulator.Wait(15000), 0) << ReadFile(Dir / "simulator.txt");
    logger.Signal(SIGTERM);
    EXPECT_EQ(logger.Wait(15000), 0);

    // Every record was acknowledged in time and recorded once.
    const std::string report = ReadFile(Dir / "simulator.txt");
    std::smatch counts;
    ASSERT_TRUE(std::regex_search(report, counts, std::regex("missing=([0-9]+).*\nrecords=([0-9]+) acks=([0-9]+) bad=0")))
        << report;
    EXPECT_EQ(counts[1], "0");
    EXPECT_EQ(counts[2], counts[3]);
    EXPECT_EQ(DayFileLineCount(data), std::stoul(counts[2]));
    // One line per change of the connection, not one per record.
    const std::string out = ReadFile(Out);
    EXPECT_EQ(CountOf(out, "nicht möglich"), 1u) << out;
    EXPECT_EQ(CountOf(out, "MQTT-Verbindung zu " + brokerText + " unterbrochen"), 1u) << out;
    EXPECT_EQ(CountOf(out, "hergestellt"), 2u) << out;
}

// A broker that asks for TLS and a password: the publisher checks the broker's certificate against the
// CA file, logs in with the password from its file, and says why when the password is wrong.
TEST_F(MqttBrokerTest, TlsWithUserAndPasswordFile)
{
    const std::string d = Dir.Path().string();
    const std::string make =
        "cd " + testsupport::ShellQuote(d) +
        " && openssl req -x509 -newkey rsa:2048 -nodes -keyout ca.key -out ca.crt -days 2 -subj /CN=TestCA"
        " && openssl req -newkey rsa:2048 -nodes -keyout server.key -out server.csr -subj /CN=localhost"
        " && echo subjectAltName=DNS:localhost,IP:127.0.0.1 > ext.cnf"
        " && openssl x509 -req -in server.csr -CA ca.crt -CAkey ca.key -CAcreateserial -out server.crt -days 2"
        " -extfile ext.cnf && touch passwd && mosquitto_passwd -b passwd logger 'ge heim' && chmod 600 passwd";
    ASSERT_EQ(std::system((make + " >/dev/null 2>&1").c_str()), 0) << "openssl oder mosquitto_passwd fehlt";
    testsupport::WriteFile(Dir / "broker.conf",
                           "listener " + std::to_string(BrokerPort) + " 127.0.0.1\ncafile " + d + "/ca.crt\ncertfile " + d +
                               "/server.crt\nkeyfile " + d + "/server.key\nallow_anonymous false\npassword_file " + d +
                               "/passwd\nuser root\n");
    Broker broker(BrokerPort, d + "/broker.conf");
    ASSERT_TRUE(broker.Start());
    testsupport::WriteFile(Dir / "mqtt.pass", "ge heim\n");
    chmod((Dir / "mqtt.pass").c_str(), 0600);
    testsupport::WriteFile(Dir / "falsch.pass", "falsch\n");
    chmod((Dir / "falsch.pass").c_str(), 0600);

    testsupport::PtyPair pty;
    ASSERT_TRUE(pty.Start());
    BackgroundProgram simulator;
    ASSERT_TRUE(testsupport::StartSimulator(simulator, pty.EndB(), {"--interval", "0.3"}));
    const auto runLogger = [&](const std::string& passFile, const std::string& expected) {
        BackgroundProgram logger;
        ASSERT_TRUE(StartLogger(logger, pty.EndA(),
                                {"/MQTTCAFILE=" + d + "/ca.crt", "/MQTTUSER=logger", "/MQTTPASSFILE=" + passFile}));
        EXPECT_TRUE(WaitUntil([&] { return ReadFile(Out).find(expected) != std::string::npos; }, 20000))
            << LoggerOutput();
        logger.Signal(SIGTERM);
        EXPECT_EQ(logger.Wait(15000), 0);
    };
    // The broker is named by the address its certificate holds.
    runLogger(d + "/mqtt.pass", "> MQTT-Verbindung zu 127.0.0.1:" + std::to_string(BrokerPort) + " hergestellt");
    runLogger(d + "/falsch.pass", "nicht möglich: Broker lehnt ab: ");
}

// The publisher inside the test program (also run under ThreadSanitizer): records handed over faster
// than they can be sent replace each other, and a stop says goodbye.
TEST_F(MqttBrokerTest, PublisherSendsTheLatestStateAndSaysOfflineOnStop)
{
    TTaskQueueDispatcher dispatcher;
    SetMainThreadDispatcher(&dispatcher);
    std::vector<std::string> log;
    SetLogCallbacks([&log](const std::string& text) { log.push_back(text); }, nullptr);
    auto project = std::make_unique<TProject>();
    project->Name = "Haus";
    project->FieldNames[ftTemperature] = {"Kessel"};
    ReplaceCurrentProject(std::move(project));
    TMqttPublisher publisher;
    TMqttSettings settings;
    settings.Broker = "127.0.0.1:0";
    EXPECT_FALSE(publisher.Start(settings));
    EXPECT_FALSE(publisher.Running());
    ASSERT_FALSE(log.empty());
    EXPECT_EQ(log.back(), "MQTT-Broker \"127.0.0.1:0\": ungültiger Port \"0\" (1 bis 65535). MQTT bleibt aus.");

    Broker broker(BrokerPort);
    ASSERT_TRUE(broker.Start());
    Subscriber watcher;
    ASSERT_TRUE(watcher.Connect(BrokerPort, {"test/haus/#"}));
    settings.Broker = "127.0.0.1:" + std::to_string(BrokerPort);
    settings.TopicPrefix = "test/haus/";
    ASSERT_TRUE(publisher.Start(settings));
    ASSERT_TRUE(WaitUntil([&] { return publisher.Connected(); }, 15000));

    auto record = std::make_unique<TDecodedRecord>();
    TOrvaProtocol::ClearRecord(*record);
    record->Counts[ftTemperature] = 1;
    record->Values[ftTemperature][0].Kind = vkFloat;
    constexpr int Records = 2000;
    for (int i = 1; i <= Records; ++i) {
        record->Values[ftTemperature][0].FloatValue = i;
        publisher.PublishRecord(*record);
    }
    const auto isState = Topic("test/haus/state");
    EXPECT_TRUE(watcher.WaitFor(
        [&](const Subscriber::Message& m) { return isState(m) && m.Payload.find("\"value\":2000,") != std::string::npos; },
        15000));
    const std::vector<Subscriber::Message> received = watcher.Messages();
    EXPECT_LT(std::count_if(received.begin(), received.end(), isState), Records / 2);

    const size_t before = watcher.Count();
    publisher.Stop();
    EXPECT_FALSE(publisher.Running());
    EXPECT_TRUE(watcher.WaitFor(Topic("test/haus/status", "offline"), 10000, nullptr, before));
    dispatcher.RunPendingTasks();
    EXPECT_NE(std::find(log.begin(), log.end(),
                        "MQTT-Verbindung zu " + settings.Broker + " hergestellt, Themen unter test/haus/."),
              log.end());
    CloseCurrentProject();
    ClearLogCallbacks();
    SetMainThreadDispatcher(nullptr);
}

// The controller's cable pulled: the logger stays online, but the link goes offline, so Home
// Assistant shows the values as unavailable (availability "all" of status and link) instead of the
// last temperatures; with the cable back the link is online again.
TEST_F(MqttBrokerTest, ValuesAreUnavailableWhileTheControllerLinkIsPulled)
{
    Run run(BrokerPort);
    ASSERT_TRUE(StartRun(run, {Prefix() + "/#"}, {}));
    Subscriber& watcher = run.Watcher;
    const std::string link = Prefix() + "/link";
    ASSERT_TRUE(watcher.WaitFor(Topic(link, "online"), 20000)) << LoggerOutput();

    size_t before = watcher.Count();
    run.Simulator.Stop();
    run.Pty.Stop();
    ASSERT_TRUE(watcher.WaitFor(Topic(link, "offline"), 20000, nullptr, before)) << LoggerOutput();
    const std::map<std::string, std::string> retained = RetainedMessages(BrokerPort, {Prefix() + "/#"});
    EXPECT_EQ(retained.at(Prefix() + "/status"), "online");
    EXPECT_EQ(retained.at(link), "offline");

    ASSERT_TRUE(run.Pty.Start());
    ASSERT_TRUE(testsupport::StartSimulator(run.Simulator, run.Pty.EndB(), {"--interval", "0.3"}));
    before = watcher.Count();
    ASSERT_TRUE(watcher.WaitFor(Topic(link, "online"), 30000, nullptr, before)) << LoggerOutput();
    EXPECT_TRUE(watcher.WaitFor(Topic(Prefix() + "/state"), 10000, nullptr, before));
    for (const Subscriber::Message& message : watcher.Messages())
        EXPECT_FALSE(message.Topic == Prefix() + "/status" && message.Payload == "offline");
}

// The default project name is the same for everyone who keeps it: two loggers with it, even on one
// computer, are two devices with their own topics and ids, and one stopping leaves the other online.
TEST_F(MqttBrokerTest, TwoLoggersWithTheSameProjectNameStayTwoDevices)
{
    Broker broker(BrokerPort);
    ASSERT_TRUE(broker.Start());
    Subscriber watcher;
    ASSERT_TRUE(watcher.Connect(BrokerPort, {"dedezuviv/#"}));
    struct Logger {
        fs::path Project, Out;
        std::string Prefix;
        testsupport::PtyPair Pty;
        BackgroundProgram Simulator, Program;
    };
    Logger loggers[2];
    for (int i = 0; i < 2; ++i) {
        Logger& logger = loggers[i];
        const fs::path folder = Dir / ("logger" + std::to_string(i));
        fs::create_directories(folder);
        logger.Project = folder / "Projekt.p-p";
        logger.Out = folder / "out.txt";
        testsupport::WriteFile(logger.Project, "[General]\r\nName=Project\r\nSamplingInterval=0\r\n"
                                               "[Field Definitions]\r\nTemperature=Kessel\r\nOutput=Brenner\r\n");
        logger.Prefix = DefaultMqttTopicPrefix("Project", logger.Project.string());
        ASSERT_TRUE(logger.Pty.Start());
        ASSERT_TRUE(testsupport::StartSimulator(logger.Simulator, logger.Pty.EndB(), {"--interval", "0.3"}));
        ASSERT_TRUE(StartLogger(logger.Program, logger.Pty.EndA(), {}, logger.Project, logger.Out));
    }
    ASSERT_NE(loggers[0].Prefix, loggers[1].Prefix);
    for (const Logger& logger : loggers)
        ASSERT_TRUE(watcher.WaitFor(Topic(logger.Prefix + "/state"), 20000)) << ReadFile(logger.Out);

    std::set<std::string> uniqueIds;
    size_t configs = 0;
    const std::regex uniqueId("\"unique_id\":\"([^\"]+)\"");
    for (const auto& [topic, payload] : RetainedMessages(BrokerPort, {"homeassistant/#"})) {
        std::smatch match;
        ASSERT_TRUE(std::regex_search(payload, match, uniqueId)) << payload;
        EXPECT_TRUE(uniqueIds.insert(match[1]).second) << match[1];
        ++configs;
    }
    EXPECT_EQ(configs, 2u * (2 + 5));  // two fields and five diagnostics each

    const size_t before = watcher.Count();
    loggers[0].Program.Signal(SIGTERM);
    EXPECT_EQ(loggers[0].Program.Wait(15000), 0);
    ASSERT_TRUE(watcher.WaitFor(Topic(loggers[0].Prefix + "/status", "offline"), 10000, nullptr, before));
    EXPECT_TRUE(watcher.WaitFor(Topic(loggers[1].Prefix + "/state"), 10000, nullptr, watcher.Count()));
    for (const Subscriber::Message& message : watcher.Messages())
        EXPECT_FALSE(message.Topic == loggers[1].Prefix + "/status" && message.Payload == "offline");
}

// Entities of fields removed or renamed while the logger was stopped are cleared when it starts
// again; configs of other nodes are none of its business.
TEST_F(MqttBrokerTest, RestartClearsTheConfigsOfRemovedAndRenamedFields)
{
    Broker broker(BrokerPort);
    ASSERT_TRUE(broker.Start());
    Subscriber watcher;
    ASSERT_TRUE(watcher.Connect(BrokerPort, {"homeassistant/#"}));
    const std::string foreign = "homeassistant/sensor/other_node/temperature_Kessel/config";
    watcher.Publish(foreign, "{\"state_topic\":\"x\"}", true);
    const std::string configs = "homeassistant/sensor/" + Node() + "/";
    testsupport::PtyPair pty;
    ASSERT_TRUE(pty.Start());
    BackgroundProgram simulator;
    ASSERT_TRUE(testsupport::StartSimulator(simulator, pty.EndB(), {"--interval", "0.3"}));
    {
        BackgroundProgram logger;
        ASSERT_TRUE(StartLogger(logger, pty.EndA(), {}));
        ASSERT_TRUE(watcher.WaitFor(Topic(configs + "temperature_Vorlauf/config"), 20000)) << LoggerOutput();
        logger.Signal(SIGTERM);
        ASSERT_EQ(logger.Wait(15000), 0);
    }
    testsupport::WriteFile(Project, "[General]\r\nName=Haus\r\nSamplingInterval=0\r\n"
                                    "[Field Definitions]\r\nTemperature=Aussen,Kesseltemperatur,Rücklauf\r\n"
                                    "Counter=Brennerstunden\r\nInput=Raumthermostat\r\nOutput=Brenner\r\n");
    const size_t before = watcher.Count();
    BackgroundProgram logger;
    ASSERT_TRUE(StartLogger(logger, pty.EndA(), {}));
    ASSERT_TRUE(watcher.WaitFor(Cleared(configs + "temperature_Vorlauf/config"), 20000, nullptr, before))
        << LoggerOutput();
    ASSERT_TRUE(watcher.WaitFor(Cleared(configs + "temperature_Kessel/config"), 5000, nullptr, before));
    ASSERT_TRUE(watcher.WaitFor(Topic(configs + "temperature_Kesseltemperatur/config"), 5000, nullptr, before));

    const std::map<std::string, std::string> retained = RetainedMessages(BrokerPort, {"homeassistant/#"});
    std::set<std::string> objects;
    for (const auto& [topic, payload] : retained)
        if (topic.rfind("homeassistant/", 0) == 0 && topic.find("/" + Node() + "/") != std::string::npos)
            objects.insert(topic.substr(topic.find(Node()) + Node().size() + 1));
    EXPECT_EQ(objects, (std::set<std::string>{"temperature_Aussen/config", "temperature_Kesseltemperatur/config",
                                              "temperature_Ruecklauf/config", "counter_Brennerstunden/config",
                                              "input_Raumthermostat/config", "output_Brenner/config",
                                              "logger_running/config", "logger_link/config",
                                              "logger_last_record/config", "logger_records_today/config",
                                              "logger_ack_errors/config"}));
    EXPECT_EQ(retained.count(foreign), 1u);

    // Discovery switched off: none of the node's entities stays behind.
    logger.Signal(SIGTERM);
    ASSERT_EQ(logger.Wait(15000), 0);
    ASSERT_TRUE(StartLogger(logger, pty.EndA(), {"/MQTTDISCOVERY=OFF"}));
    ASSERT_TRUE(watcher.WaitFor(Cleared(configs + "temperature_Kesseltemperatur/config"), 20000, nullptr, before))
        << LoggerOutput();
    // Only the other node's config is left (the clears leave in one burst; the broker may still be at it).
    EXPECT_TRUE(WaitUntil([&] { return RetainedMessages(BrokerPort, {"homeassistant/#"}).size() == 1; }, 10000));
}

// Every config the logger publishes, checked against Home Assistant's keys and device-class, unit and
// state-class combinations, and every template rendered with Jinja2 against the published state:
// names with quotes, apostrophes, braces and backslashes from a project file, units from the data
// table, a field the record has no value for.
TEST_F(MqttBrokerTest, EveryPublishedConfigIsValidForHomeAssistantAndItsTemplatesRender)
{
    testsupport::WriteFile(
        Project,
        "[General]\r\nName=Haus\r\nSamplingInterval=0\r\n"
        "[Field Definitions]\r\n"
        "Temperature=Aussen,/Kessel's Fühler/,/Vorlauf \"neu\", {{ x }} {% \\ %} a//b/,Rücklauf\r\n"
        "Counter=Brennerstunden,Gas\r\nValue=Ventil\r\nTime=Uhrzeit\r\n"
        "Input=Raumthermostat,Störung,Tür,Fenster,Fehlt\r\nState=Betriebsart\r\nOutput=Brenner\r\nIntern=Fehler\r\n"
        "[Data Table]\r\nCount=3\r\n"
        "Cell0_Col=0\r\nCell0_Row=0\r\nCell0_Fieldname=Brennerstunden (Counter)\r\nCell0_UnitStr=h\r\n"
        "Cell0_UseDefaultUnit=0\r\n"
        "Cell1_Col=0\r\nCell1_Row=1\r\nCell1_Fieldname=Gas (Counter)\r\nCell1_UnitStr=m³\r\nCell1_UseDefaultUnit=0\r\n"
        "Cell2_Col=0\r\nCell2_Row=2\r\nCell2_Fieldname=Ventil (Value)\r\nCell2_UnitStr=%\r\nCell2_UseDefaultUnit=0\r\n");
    Run run(BrokerPort);
    ASSERT_TRUE(StartRun(run, {"#"}, {}));
    Subscriber& watcher = run.Watcher;
    ASSERT_TRUE(watcher.WaitFor(Topic(Prefix() + "/diagnostics"), 20000)) << LoggerOutput();
    ASSERT_TRUE(watcher.WaitFor(Topic(Prefix() + "/link", "online"), 10000));

    const std::map<std::string, std::string> retained = RetainedMessages(BrokerPort, {"#"});
    const fs::path published = Dir / "published.json";
    testsupport::WriteFile(published, JsonObjectOf(retained));
    const fs::path rendered = Dir / "rendered.json";
    const std::string command = "python3 " + testsupport::ShellQuote(testsupport::SourcePath("tests/app/ha_discovery_check.py").string()) +
                                " " + testsupport::ShellQuote(published.string()) + " > " +
                                testsupport::ShellQuote(rendered.string()) + " 2> " +
                                testsupport::ShellQuote((Dir / "problems.txt").string());
    EXPECT_EQ(std::system(command.c_str()), 0) << ReadFile(Dir / "problems.txt") << ReadFile(published);
    const std::string states = ReadFile(rendered);
    const std::string config = "homeassistant/sensor/" + Node() + "/";
    const std::string binary = "homeassistant/binary_sensor/" + Node() + "/";
    const std::string number = "\"-?[0-9]+(\\.[0-9]+)?\"";
    const auto stateOf = [&](const std::string& topic, const std::string& pattern) {
        const std::regex expected("\"" + topic + "config\": " + pattern);
        EXPECT_TRUE(std::regex_search(states, expected)) << topic << "\n" << states;
    };
    stateOf(config + "temperature_Kessel_s_Fuehler/", number);
    stateOf(config + "temperature_Vorlauf_neu_x_a_b/", number);
    stateOf(config + "counter_Brennerstunden/", number);
    stateOf(binary + "input_Raumthermostat/", "\"(ON|OFF)\"");
    stateOf(binary + "input_Fehlt/", "\"None\"");  // the record has no value for it: unknown, not off
    stateOf(config + "logger_last_record/", "\"20[0-9-]+T[0-9:]+[+-][0-9:]+\"");
    stateOf(binary + "logger_link/", "\"online\"");
    EXPECT_NE(retained.at(config + "counter_Brennerstunden/config")
                  .find("\"device_class\":\"duration\",\"unit_of_measurement\":\"h\",\"state_class\":\"total_increasing\""),
              std::string::npos);
    EXPECT_NE(retained.at(config + "counter_Gas/config").find("\"device_class\":\"gas\""), std::string::npos);
    EXPECT_NE(retained.at(config + "temperature_Aussen/config").find("\"model\":\"Programm "), std::string::npos)
        << retained.at(config + "temperature_Aussen/config");
}

// Home Assistant announces itself after each of its starts; the logger sends the configs again,
// under the discovery prefix it is given.
TEST_F(MqttBrokerTest, ConfigsAreSentAgainWhenHomeAssistantAnnouncesItself)
{
    const PublisherInTheTest inTheTest;
    Broker broker(BrokerPort);
    ASSERT_TRUE(broker.Start());
    Subscriber watcher;
    ASSERT_TRUE(watcher.Connect(BrokerPort, {"hass/#"}));
    TMqttPublisher publisher;
    TMqttSettings settings = inTheTest.Settings(BrokerPort);
    settings.DiscoveryPrefix = "hass/";
    ASSERT_TRUE(publisher.Start(settings));
    const std::string config = "hass/sensor/test_haus/temperature_Kessel/config";
    ASSERT_TRUE(watcher.WaitFor(Topic(config), 15000));
    for (int start = 0; start < 2; ++start) {
        const size_t before = watcher.Count();
        watcher.Publish("hass/status", "online");
        EXPECT_TRUE(watcher.WaitFor(Topic(config), 10000, nullptr, before + 1));
    }
    publisher.Stop();
}

// The link follows the records: online with a record, offline after the silence limit without one,
// and at once when the port is closed.
TEST_F(MqttBrokerTest, TheLinkFollowsTheRecords)
{
    const PublisherInTheTest inTheTest;
    Broker broker(BrokerPort);
    ASSERT_TRUE(broker.Start());
    Subscriber watcher;
    ASSERT_TRUE(watcher.Connect(BrokerPort, {"test/haus/link"}));
    TMqttPublisher publisher;
    publisher.LinkSilenceMs = 3000;
    ASSERT_TRUE(publisher.Start(inTheTest.Settings(BrokerPort)));
    ASSERT_TRUE(watcher.WaitFor(Topic("test/haus/link", "offline"), 15000));  // no record yet

    auto record = std::make_unique<TDecodedRecord>();
    TOrvaProtocol::ClearRecord(*record);
    const auto expect = [&](const char* state, const std::function<void()>& action) {
        const size_t before = watcher.Count();
        action();
        EXPECT_TRUE(watcher.WaitFor(Topic("test/haus/link", state), 10000, nullptr, before)) << state;
    };
    expect("online", [&] { publisher.PublishRecord(*record); });
    expect("offline", [] {});  // silence
    expect("online", [&] { publisher.PublishRecord(*record); });
    // Closed right after a record: offline long before the silence limit.
    const auto closed = std::chrono::steady_clock::now();
    expect("offline", [&] {
        publisher.PublishRecord(*record);
        publisher.PublishLinkLost();
    });
    EXPECT_LT(std::chrono::steady_clock::now() - closed, std::chrono::milliseconds(publisher.LinkSilenceMs));
    publisher.Stop();
}

}  // namespace
