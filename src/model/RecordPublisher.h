// Where live records go besides the window: a publisher (the MQTT client) receives every record the
// logger handles from its controller, shown or not, on the main thread. Records of the device search
// and of a memory-card import are not live and are not handed on.
#pragma once

#include "protocol/RecordDecoder.h"
#include "model/Namespace.h"

namespace dedezuviv::model {

class IRecordPublisher {
public:
    virtual ~IRecordPublisher() = default;
    // Called after the record was recorded and acknowledged; must return quickly (the serial line
    // waits for the main thread).
    virtual void PublishRecord(const TDecodedRecord& record) = 0;
    // Called when the port was closed (logging stopped, the device gone): no records come until the
    // next one is published.
    virtual void PublishLinkLost() {}
};

// Installs the publisher (nullptr removes it). Main thread only.
void SetRecordPublisher(IRecordPublisher* publisher);
IRecordPublisher* RecordPublisher();
// Further receivers of the same records beside the publisher (the web view). Main thread only.
void AddRecordListener(IRecordPublisher* listener);
void RemoveRecordListener(IRecordPublisher* listener);
// Hands the record to the installed publisher and the listeners.
void PublishRecord(const TDecodedRecord& record);
// Tells the installed publisher that the port was closed; nothing without one.
void PublishLinkLost();

}  // namespace dedezuviv::model
