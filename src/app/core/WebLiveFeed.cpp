#include "app/core/WebLiveFeed.h"

#include "app/core/LogLines.h"
#include "app/core/MqttMessages.h"
#include "app/core/WebLiveJson.h"
#include "base/JsonText.h"
#include "base/Log.h"
#include "base/MainThread.h"
#include "model/DataSource.h"
#include "model/LiveLogging.h"
#include "model/LiveState.h"
#include "model/Project.h"
#include "model/ProjectFile.h"
#include "app/core/Namespace.h"

#include <chrono>

namespace dedezuviv::app {

namespace {

// The numeric values of the project's named fields in the record.
std::vector<TWebCounters::TGauge> FieldGauges(const TProject* project, const TDecodedRecord& record)
{
    std::vector<TWebCounters::TGauge> gauges;
    if (!project)
        return gauges;
    for (const TMqttField& field : MqttFields(*project)) {
        if (field.Position >= record.Counts[field.Type])
            continue;
        const TFieldValue& value = record.Values[field.Type][field.Position];
        double number = 0;
        if (value.Kind == vkFloat)
            number = value.FloatValue;
        else if (value.Kind == vkInteger || value.Kind == vkHex)
            number = static_cast<double>(value.IntValue);
        else
            continue;
        gauges.push_back({FieldTypeNames[field.Type], field.Name, number, field.Type == ftCounter});
    }
    return gauges;
}

TWebLoggingState LoggingState(uint64_t records)
{
    TWebLoggingState state;
    state.Records = records;
    const TProject* project = CurrentProject();
    state.Recording = project && project->RecordingToFile;
    if (const TDataSource* source = RunningDataSource()) {
        state.Active = source->IsActive();
        state.PortErrors = source->ErrorTotal;
        state.LineLost = source->LineLost();
        state.Port = source->GetPortName();
    } else if (project) {
        state.Port = project->Port.Name;
    }
    return state;
}

}  // namespace

void TWebLiveFeed::Attach()
{
    {
        std::lock_guard guard(Lock);
        Attached = true;
    }
    AddRecordListener(this);
    SetLogMirror([this](const std::string& text) { AddLogLine(TimeStampedLogLine(text)); });
    Rebuild();
}

void TWebLiveFeed::Detach()
{
    RemoveRecordListener(this);
    SetLogMirror(nullptr);
    std::lock_guard guard(Lock);
    Attached = false;
    Changed.notify_all();
}

void TWebLiveFeed::PublishRecord(const TDecodedRecord& record)
{
    if (!LastRecord)
        LastRecord = std::make_unique<TDecodedRecord>();
    *LastRecord = record;
    ++RecordCount;
    const TProject* project = CurrentProject();
    std::string data = WebRecordJson(project, MainView().Table, record, RecordCount);
    std::vector<TWebCounters::TGauge> gauges = FieldGauges(project, record);
    const TWebLoggingState state = LoggingState(RecordCount);
    std::string live = WebLiveJson(project, state, data);
    {
        std::lock_guard guard(Lock);
        Figures.Records = RecordCount;
        Figures.LoggingActive = state.Active;
        Figures.LineLost = state.LineLost;
        Figures.PortErrors = state.PortErrors;
        Figures.LastRecordTime = record.Header.RT;
        Figures.Fields = std::move(gauges);
        State = std::move(live);
        ++Builds;
    }
    Append("record", std::move(data));
}

void TWebLiveFeed::AddLogLine(const std::string& line)
{
    {
        std::lock_guard guard(Lock);
        LogLines.push_back(line);
        while (LogLines.size() > LogLinesKept)
            LogLines.pop_front();
    }
    std::string data;
    AppendJsonString(data, line);
    Append("log", std::move(data));
}

void TWebLiveFeed::Rebuild()
{
    const TProject* project = CurrentProject();
    const TDecodedRecord& record = LastRecord ? *LastRecord : CurrentRecord();
    const TWebLoggingState state = LoggingState(RecordCount);
    std::string live = WebLiveJson(project, state, WebRecordJson(project, MainView().Table, record, RecordCount));
    std::lock_guard guard(Lock);
    Figures.LoggingActive = state.Active;
    Figures.LineLost = state.LineLost;
    Figures.PortErrors = state.PortErrors;
    State = std::move(live);
    ++Builds;
    RefreshPosted = false;
    Changed.notify_all();
}

void TWebLiveFeed::Append(std::string name, std::string data)
{
    std::lock_guard guard(Lock);
    ++Sequence;
    Ring.push_back({Sequence, std::make_shared<const std::string>("id: " + std::to_string(Sequence) + "\nevent: " +
                                                                  name + "\ndata: " + data + "\n\n")});
    while (Ring.size() > RingSize)
        Ring.pop_front();
    Changed.notify_all();
}

std::unique_lock<std::mutex> TWebLiveFeed::Refreshed(int waitMs)
{
    uint64_t builds = 0;
    bool post = false;
    {
        std::lock_guard guard(Lock);
        builds = Builds;
        // Many clients asking at once share one rebuild.
        post = !RefreshPosted;
        RefreshPosted = true;
    }
    if (post)
        PostToMainThread([weak = weak_from_this()] {
            if (const std::shared_ptr<TWebLiveFeed> self = weak.lock())
                self->Rebuild();
        });
    std::unique_lock guard(Lock);
    Changed.wait_for(guard, std::chrono::milliseconds(waitMs), [&] { return Builds != builds || !Attached; });
    return guard;
}

std::string TWebLiveFeed::LiveJson(int waitMs)
{
    const std::unique_lock guard = Refreshed(waitMs);
    std::string out = State.empty() ? std::string("{") : State.substr(0, State.size() - 1);
    out += State.empty() ? "\"log\":[" : ",\"log\":[";
    for (size_t i = 0; i < LogLines.size(); ++i) {
        if (i > 0)
            out += ',';
        AppendJsonString(out, LogLines[i]);
    }
    out += "]}";
    return out;
}

TWebCounters TWebLiveFeed::Counters(int waitMs)
{
    const std::unique_lock guard = Refreshed(waitMs);
    return Figures;
}

bool TWebLiveFeed::WaitEvents(uint64_t sequence, int waitMs, std::vector<TWebEvent>& events)
{
    events.clear();
    std::unique_lock guard(Lock);
    Changed.wait_for(guard, std::chrono::milliseconds(waitMs), [&] { return Sequence > sequence || !Attached; });
    if (!Attached)
        return false;
    if (!Ring.empty() && sequence + 1 < Ring.front().Sequence && sequence != 0)
        return false;
    for (const TWebEvent& event : Ring)
        if (event.Sequence > sequence)
            events.push_back(event);
    return true;
}

uint64_t TWebLiveFeed::LastSequence()
{
    std::lock_guard guard(Lock);
    return Sequence;
}

}  // namespace dedezuviv::app
