#include "model/LiveLogging.h"

#include "model/DataSource.h"
#include "model/LiveState.h"
#include "model/RecordPublisher.h"
#include "model/Recorder.h"
#include "model/Namespace.h"

#include <memory>

namespace dedezuviv::model {

namespace {

struct TLiveLogging {
    std::unique_ptr<TDataSource> Source;
    TRecorder Recorder;
    uint8_t LastFrameKind = 0;
    TRecordHeader LastHeader;
};

TLiveLogging& Live()
{
    static TLiveLogging live;
    return live;
}

}  // namespace

TDataSource* RunningDataSource() { return Live().Source.get(); }

bool LoggingActive()
{
    const TDataSource* source = RunningDataSource();
    return source != nullptr && source->IsActive();
}

TDataSource* StartRunningDataSource(TPortSettings settings)
{
    // From now on a project that is closed or replaced ends its logging first.
    SetProjectEndingHandler(EndProjectLogging);
    // A loop: events that run while the previous port shuts down may have started another one.
    while (RunningDataSource() != nullptr)
        FreeRunningDataSource();
    Live().Source = std::make_unique<TDataSource>(settings, Live().Recorder);
    TDataSource* source = Live().Source.get();
    source->Start();
    if (RunningDataSource() == source && !source->IsActive())
        FreeRunningDataSource();
    return RunningDataSource();
}

void FreeRunningDataSource()
{
    // Out of the holder first: code that runs while the port shuts down finds no running data source.
    std::unique_ptr<TDataSource> source = std::move(Live().Source);
    if (!source)
        return;
    source->Decoder()->GetHeader(Live().LastFrameKind, Live().LastHeader);
    source.reset();
    PublishLinkLost();
}

void LastDecodedHeader(uint8_t& frameKind, TRecordHeader& header)
{
    if (const TDataSource* source = RunningDataSource()) {
        source->Decoder()->GetHeader(frameKind, header);
        return;
    }
    frameKind = Live().LastFrameKind;
    header = Live().LastHeader;
}

void EndProjectLogging()
{
    // A loop for the same reason as at a start.
    while (RunningDataSource() != nullptr)
        FreeRunningDataSource();
    Live().Recorder = TRecorder();
    Live().LastFrameKind = 0;
    Live().LastHeader = TRecordHeader{};
}

}  // namespace dedezuviv::model
