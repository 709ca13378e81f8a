// The web view's view of the live state, kept so that the server's threads never touch the project,
// the record or the data table themselves and the main thread never waits for them.
//
// The main thread hands over every acknowledged record (it listens beside the MQTT publisher) and every
// log line: it builds their JSON texts at once (a few microseconds) and appends them as events to a
// ring that the server's threads read under the feed's own lock. A server thread that wants the whole
// live state posts a refresh to the main thread and waits a moment for it; when the main thread is busy
// it answers with the last state built.
#pragma once

#include "model/RecordPublisher.h"
#include "app/core/Namespace.h"

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace dedezuviv::app {

// One event as a stream sends it ("id: N", "event: record" or "log", "data: <JSON>", blank line),
// built once and shared by every stream.
struct TWebEvent {
    uint64_t Sequence = 0;
    std::shared_ptr<const std::string> Text;
};

// Figures for /metrics, updated on the main thread.
struct TWebCounters {
    uint64_t Records = 0;       // records acknowledged while the web view ran
    bool LoggingActive = false;
    bool LineLost = false;
    uint64_t PortErrors = 0;    // errors the running port reported (failed acknowledgements among them)
    double LastRecordTime = 0;  // the controller's time of the last record (TDateTime)
    // Every named numeric field of the last record: type name, field name, value, and whether the type
    // only counts up.
    struct TGauge {
        std::string Type, Name;
        double Value = 0;
        bool Counter = false;
    };
    std::vector<TGauge> Fields;
};

class TWebLiveFeed : public IRecordPublisher, public std::enable_shared_from_this<TWebLiveFeed> {
public:
    // Events kept for clients that read a little behind; one further behind has lost events.
    static constexpr size_t RingSize = 4096;
    static constexpr size_t LogLinesKept = 40;

    // Main thread: listens to records and log lines from now on, and builds the first state.
    void Attach();
    // Main thread: listens no more; waiting readers are released.
    void Detach();

    void PublishRecord(const TDecodedRecord& record) override;
    void AddLogLine(const std::string& line);

    // Any thread: the whole live state as JSON ({"project":...,"log":[...]}), refreshed by the main
    // thread when it answers within WaitMs.
    std::string LiveJson(int waitMs);
    // Any thread: the figures, refreshed by the main thread when it answers within WaitMs.
    TWebCounters Counters(int waitMs);

    // Any thread: the events after Sequence (all kept ones for 0 = none seen), waiting up to WaitMs for
    // one. False when events after Sequence were dropped from the ring already (the reader was too
    // slow) or the feed was detached.
    bool WaitEvents(uint64_t sequence, int waitMs, std::vector<TWebEvent>& events);
    // The sequence number of the newest event (0 before the first).
    uint64_t LastSequence();

private:
    // Main thread: rebuilds the state from the open project and the last record.
    void Rebuild();
    // Any thread: asks the main thread for a rebuild (one for many askers) and waits up to WaitMs for
    // it; returns with Lock held.
    std::unique_lock<std::mutex> Refreshed(int waitMs);
    void Append(std::string name, std::string data);

    std::mutex Lock;
    std::condition_variable Changed;
    std::deque<TWebEvent> Ring;          // under Lock
    uint64_t Sequence = 0;               // under Lock
    std::string State;                   // under Lock: project, logging state and record
    std::deque<std::string> LogLines;    // under Lock
    TWebCounters Figures;                // under Lock
    uint64_t Builds = 0;                 // under Lock: how often State was built
    bool RefreshPosted = false;          // under Lock: a rebuild waits in the main thread's queue
    bool Attached = false;               // under Lock

    // Main thread only.
    std::unique_ptr<TDecodedRecord> LastRecord;
    uint64_t RecordCount = 0;
};

}  // namespace dedezuviv::app
