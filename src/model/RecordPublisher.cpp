#include "model/RecordPublisher.h"
#include "model/Namespace.h"

#include <algorithm>
#include <vector>

namespace dedezuviv::model {

namespace {

IRecordPublisher* InstalledPublisher = nullptr;
std::vector<IRecordPublisher*> Listeners;

}  // namespace

void SetRecordPublisher(IRecordPublisher* publisher) { InstalledPublisher = publisher; }

IRecordPublisher* RecordPublisher() { return InstalledPublisher; }

void AddRecordListener(IRecordPublisher* listener)
{
    if (listener && std::find(Listeners.begin(), Listeners.end(), listener) == Listeners.end())
        Listeners.push_back(listener);
}

void RemoveRecordListener(IRecordPublisher* listener)
{
    std::erase(Listeners, listener);
}

void PublishRecord(const TDecodedRecord& record)
{
    if (InstalledPublisher)
        InstalledPublisher->PublishRecord(record);
    for (IRecordPublisher* listener : Listeners)
        listener->PublishRecord(record);
}

void PublishLinkLost()
{
    if (InstalledPublisher)
        InstalledPublisher->PublishLinkLost();
}

}  // namespace dedezuviv::model
