// Hand-off from worker threads to the main thread. A worker calls RunInMainThread and is blocked
// until the function has run on the main thread; called on the main thread it runs at once.
#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

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
