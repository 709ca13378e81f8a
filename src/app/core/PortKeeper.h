// Keeps logging going when the line goes away and comes back: a USB adapter pulled and plugged in
// again, an adapter that was not plugged in yet when logging was started with /START. While logging
// is wanted, a port that is closed or whose device hung up is opened again every few seconds; the
// measurement goes on (RecordStart stays), so the day files show a gap of only the time unplugged.
// Each attempt opens a fresh data source with the current project's port settings (the running one of
// model/LiveLogging.h). One policy for the window (a timer) and the headless logger (its loop). Main
// thread only.
#pragma once

#include "app/core/Namespace.h"

#include <cstdint>

namespace dedezuviv::app {

class TPortKeeper {
public:
    static constexpr int DefaultRetryIntervalMs = 3000;
    int RetryIntervalMs = DefaultRetryIntervalMs;  // tests shorten it

    // Logging was started (or asked for at start-up): keep the port open from now on. A stop ends it.
    void Want(bool wanted);
    bool Wanted() const { return IsWanted; }

    // Looks at the running data source's port; called often (every 100 ms to 1 s), it reopens at most
    // once per interval. True when it opened the port again. Nothing without a project.
    bool Tick();

private:
    bool IsWanted = false;
    bool OutageReported = false;
    uint64_t LastAttempt = 0;
};

// The keeper of the current project's logging.
TPortKeeper& PortKeeper();

}  // namespace dedezuviv::app
