#include "model/RecordPublisher.h"

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
