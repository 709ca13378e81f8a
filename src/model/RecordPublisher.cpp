#include "model/RecordPublisher.h"
#include "model/Namespace.h"

namespace dedezuviv::model {

namespace {

IRecordPublisher* InstalledPublisher = nullptr;

}  // namespace

void SetRecordPublisher(IRecordPublisher* publisher) { InstalledPublisher = publisher; }

IRecordPublisher* RecordPublisher() { return InstalledPublisher; }

void PublishRecord(const TDecodedRecord& record)
{
    if (InstalledPublisher)
        InstalledPublisher->PublishRecord(record);
}

void PublishLinkLost()
{
    if (InstalledPublisher)
        InstalledPublisher->PublishLinkLost();
}

}  // namespace dedezuviv::model
