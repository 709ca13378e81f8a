// Hand-off from worker threads to the main thread, and the rules of re-entrancy that follow from it.
//
// A worker calls RunInMainThread and is blocked until the function has run on the main thread; called
// on the main thread it runs at once.
//
// Re-entrancy
// -----------
// Everything of a project (data source, day files, live state, the window) lives on the main thread,
// and the main thread runs nested event loops. While one of the calls below is on the stack, any
// queued main-thread task may run inside it: a serial port delivery (received data, so a record is
// decoded, shown, recorded and acknowledged), a network value request, a timer of the window, a
// menu command of the user:
//   - ProcessMessages() (and the progress window's SetProgress, which calls it),
//   - TSerialPortNG::SetActive(false) / its destructor while the worker is inside a delivery (the close
//     pumps messages while it waits for the worker to let go),
//   - the device search (it listens on the ports for seconds and keeps the window alive),
//   - every question or message box (a modal dialog runs its own event loop),
//   - long work with a progress window: export, charts, card import. Records that arrive meanwhile
//     are handled as usual (recorded and acknowledged), so logging never pauses for them.
// After such a call a caller must assume that any handler ran: the current project may have been
// replaced or closed, a data source or port freed or reopened, logging started or stopped. It re-reads
// what it needs (CurrentProject(), RunningDataSource()) instead of keeping pointers across the call,
// and an object whose own handler made the call checks that it still exists (TAliveFlag below) before
// it touches its members again.
//
// Handlers do not throw. One that does anyway is logged with LogMessage and the worker waiting for it is
// released; the exception goes no further.
#pragma once

#include "base/Namespace.h"

#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

namespace dedezuviv::base {

class IMainThreadDispatcher {
public:
    virtual ~IMainThreadDispatcher() = default;
    // Runs fn on the main thread and returns when it has run.
    virtual void RunInMainThread(const std::function<void()>& fn) = 0;
    // Queues fn to run on the main thread later and returns at once (for threads that must not wait).
    virtual void PostToMainThread(std::function<void()> fn) = 0;
    // Lets pending main-thread work (and, in the window, pending window events) run. Main thread only.
    virtual void ProcessMessages() = 0;
    virtual bool IsMainThread() const = 0;
};

// The dispatcher in use; with none installed, handlers run in the calling thread.
void SetMainThreadDispatcher(IMainThreadDispatcher* dispatcher);
IMainThreadDispatcher* MainThreadDispatcher();
// RunInMainThread through the installed dispatcher, or directly without one.
void RunInMainThread(const std::function<void()>& fn);
// PostToMainThread through the installed dispatcher; without one fn is dropped, as nobody would run it.
void PostToMainThread(std::function<void()> fn);
// ProcessMessages of the installed dispatcher; nothing without one.
void ProcessMessages();
// Runs a main-thread handler; an exception it lets out is written to the log and goes no further.
void RunHandlerLoggingExceptions(const std::function<void()>& fn);

// A dispatcher built on a task queue: workers enqueue and wait, the main thread runs the queued
// tasks in RunPendingTasks. The thread that constructs it is the main thread. Subclasses override
// WakeMainThread to make their event loop call RunPendingTasks soon (the window posts an event).
class TTaskQueueDispatcher : public IMainThreadDispatcher {
public:
    TTaskQueueDispatcher();
    ~TTaskQueueDispatcher() override;

    void RunInMainThread(const std::function<void()>& fn) override;
    void PostToMainThread(std::function<void()> fn) override;
    void ProcessMessages() override { RunPendingTasks(); }
    bool IsMainThread() const override { return std::this_thread::get_id() == MainThreadId; }

    // Runs every queued task; returns how many ran. Main thread only.
    int RunPendingTasks();
    // Waits up to timeoutMs for a task and runs all that are queued; returns how many ran.
    int WaitAndRunTasks(int timeoutMs);
    // Tasks queued and not run yet (for tests that wait until a worker is blocked on the main thread).
    size_t PendingTaskCount();

protected:
    virtual void WakeMainThread() {}

private:
    struct Task {
        const std::function<void()>* Fn = nullptr;
        bool Done = false;
        // Posted tasks are owned by the queue and nobody waits for them.
        bool Posted = false;
        std::function<void()> Owned;
    };
    std::thread::id MainThreadId;
    std::mutex Lock;
    std::condition_variable TaskQueued;
    std::condition_variable TaskDone;
    std::deque<Task*> Queue;
};

// Tells code that ran a nested event loop whether the object that started it still exists. The object
// holds a TAliveFlag member; before the nested call the code takes a Watch(), after it checks
// Alive() and returns at once when the object is gone. Main thread only.
class TAliveFlag {
public:
    class TWatch {
    public:
        TWatch() = default;  // watches nothing: never alive
        bool Alive() const { return !State.expired(); }

    private:
        friend class TAliveFlag;
        explicit TWatch(std::weak_ptr<const bool> state) : State(std::move(state)) {}
        std::weak_ptr<const bool> State;
    };

    TAliveFlag() : State(std::make_shared<const bool>(true)) {}
    TAliveFlag(const TAliveFlag&) = delete;
    TAliveFlag& operator=(const TAliveFlag&) = delete;

    TWatch Watch() const { return TWatch(State); }
    // Marks the owner as gone before its destructor has finished (for handlers it still runs then).
    void Die() { State.reset(); }

private:
    std::shared_ptr<const bool> State;
};

// Sets a flag for the length of a scope, e.g. "a feed (or a search) is running" so that a nested
// handler does not start a second one. With a watch, the flag is left alone at the end when its owner
// has been freed meanwhile.
class TScopedFlag {
public:
    explicit TScopedFlag(bool& flag) : Flag(flag) { Flag = true; }
    TScopedFlag(bool& flag, TAliveFlag::TWatch owner) : Flag(flag), Owner(std::move(owner)), Watched(true)
    {
        Flag = true;
    }
    ~TScopedFlag()
    {
        if (!Watched || Owner.Alive())
            Flag = false;
    }
    TScopedFlag(const TScopedFlag&) = delete;
    TScopedFlag& operator=(const TScopedFlag&) = delete;

private:
    bool& Flag;
    TAliveFlag::TWatch Owner;
    bool Watched = false;
};

}  // namespace dedezuviv::base
