// What the MQTT publisher costs the main thread per record: the texts of a record (JSON state,
// per-field values) built and put into the outbox, while the publisher's thread runs. The serial line
// waits for the main thread, so this is the publisher's share of the time between two records.
//
// Figures for a small project (the demo's 20 fields) and the largest one (200 fields of each of the
// eight types), with per-field topics on. The broker is a closed local port unless one is given
// ("bench_mqtt_publish 127.0.0.1:1883"), so the thread keeps trying to connect meanwhile.
#include "app/core/MqttPublisher.h"
#include "base/MainThread.h"
#include "model/LiveState.h"
#include "model/Project.h"

#include <arpa/inet.h>
#include <chrono>
#include <cstdio>
#include <memory>
#include <netinet/in.h>
#include <string>
#include <sys/socket.h>
#include <unistd.h>

using namespace dedezuviv::base;
using namespace dedezuviv::model;
using namespace dedezuviv::app;

namespace {

// A local port nobody listens on: bound, never listened to, closed at the end.
int ClosedPort(int& socketToClose)
{
    socketToClose = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(socketToClose, reinterpret_cast<sockaddr*>(&address), sizeof(address));
    socklen_t length = sizeof(address);
    getsockname(socketToClose, reinterpret_cast<sockaddr*>(&address), &length);
    return ntohs(address.sin_port);
}

void Measure(const char* title, int fieldsPerType, int typeCount, const std::string& broker)
{
    auto project = std::make_unique<TProject>();
    project->Name = "Haus";
    auto record = std::make_unique<TDecodedRecord>();
    TOrvaProtocol::ClearRecord(*record);
    for (int t = 0; t < typeCount; ++t) {
        for (int i = 0; i < fieldsPerType; ++i) {
            project->FieldNames[t].push_back("Feld " + std::to_string(t) + "_" + std::to_string(i));
            TFieldValue value;
            value.Kind = t == ftTemperature || t == ftCounter ? vkFloat : vkInteger;
            value.FloatValue = 12.5 + i;
            value.IntValue = i % 2;
            TOrvaProtocol::AddValue(*record, static_cast<TFieldType>(t), value);
        }
    }
    ReplaceCurrentProject(std::move(project));

    TMqttSettings settings;
    settings.Broker = broker;
    settings.FieldTopics = true;
    TMqttPublisher publisher;
    publisher.Start(settings);
    constexpr int Records = 20000;
    const auto started = std::chrono::steady_clock::now();
    for (int i = 0; i < Records; ++i) {
        record->Values[ftTemperature][0].FloatValue = i * 0.01;
        record->Header.RT = 46000 + i / 86400.0;
        publisher.PublishRecord(*record);
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    publisher.Stop();
    CloseCurrentProject();
    std::printf("%-38s %5d fields: %8.1f us per record on the main thread\n", title, fieldsPerType * typeCount,
                seconds / Records * 1e6);
}

}  // namespace

int main(int argc, char** argv)
{
    TTaskQueueDispatcher dispatcher;  // takes the publisher's log lines; nobody shows them
    SetMainThreadDispatcher(&dispatcher);
    int closed = -1;
    const std::string broker = argc > 1 ? argv[1] : "127.0.0.1:" + std::to_string(ClosedPort(closed));
    std::printf("Broker %s\n", broker.c_str());
    Measure("demo-sized project", 5, 4, broker);
    Measure("largest project (200 of each type)", 200, 8, broker);
    SetMainThreadDispatcher(nullptr);
    if (closed >= 0)
        close(closed);
    return 0;
}
