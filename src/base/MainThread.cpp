#include "base/MainThread.h"

#include "base/Log.h"
#include "base/Namespace.h"

#include <chrono>
#include <exception>
#include <string>

namespace dedezuviv::base {

namespace {
IMainThreadDispatcher* CurrentDispatcher = nullptr;
}  // namespace

void RunHandlerLoggingExceptions(const std::function<void()>& fn)
{
    // The worker waiting for this task must be released whatever the handler does, so nothing
    // escapes; but a fault must be seen, not swallowed.
    try {
        fn();
    } catch (const std::exception& error) {
        LogMessage(std::string("Interner Fehler in einer Ereignisbehandlung: ") + error.what());
    } catch (...) {
        LogMessage("Interner Fehler in einer Ereignisbehandlung: unbekannte Ausnahme");
    }
}

void SetMainThreadDispatcher(IMainThreadDispatcher* dispatcher)
{
    CurrentDispatcher = dispatcher;
    if (dispatcher)
        SetLogHandOff([] { return !CurrentDispatcher || CurrentDispatcher->IsMainThread(); },
                      [](std::function<void()> fn) { PostToMainThread(std::move(fn)); });
    else
        SetLogHandOff(nullptr, nullptr);
}
IMainThreadDispatcher* MainThreadDispatcher() { return CurrentDispatcher; }

void RunInMainThread(const std::function<void()>& fn)
{
    if (CurrentDispatcher)
        CurrentDispatcher->RunInMainThread(fn);
    else
        fn();
}

void ProcessMessages()
{
    // Work that runs on another thread (a reading of the web view) must never run main-thread tasks.
    if (CurrentDispatcher && CurrentDispatcher->IsMainThread())
        CurrentDispatcher->ProcessMessages();
}

void PostToMainThread(std::function<void()> fn)
{
    if (CurrentDispatcher)
        CurrentDispatcher->PostToMainThread(std::move(fn));
}

TTaskQueueDispatcher::TTaskQueueDispatcher() : MainThreadId(std::this_thread::get_id()) {}

TTaskQueueDispatcher::~TTaskQueueDispatcher()
{
    // Tasks still queued are run here so no worker stays blocked on a dispatcher that is gone.
    RunPendingTasks();
}

void TTaskQueueDispatcher::RunInMainThread(const std::function<void()>& fn)
{
    if (IsMainThread()) {
        fn();
        return;
    }
    Task task;
    task.Fn = &fn;
    std::unique_lock<std::mutex> guard(Lock);
    Queue.push_back(&task);
    TaskQueued.notify_all();
    guard.unlock();
    WakeMainThread();
    guard.lock();
    TaskDone.wait(guard, [&] { return task.Done; });
}

void TTaskQueueDispatcher::PostToMainThread(std::function<void()> fn)
{
    if (!fn)
        return;
    auto* task = new Task;
    task->Posted = true;
    task->Owned = std::move(fn);
    task->Fn = &task->Owned;
    {
        std::lock_guard<std::mutex> guard(Lock);
        Queue.push_back(task);
    }
    TaskQueued.notify_all();
    WakeMainThread();
}

int TTaskQueueDispatcher::RunPendingTasks()
{
    int count = 0;
    for (;;) {
        Task* task = nullptr;
        {
            std::lock_guard<std::mutex> guard(Lock);
            if (Queue.empty())
                break;
            task = Queue.front();
            Queue.pop_front();
        }
        RunHandlerLoggingExceptions(*task->Fn);
        ++count;
        if (task->Posted) {
            delete task;
            continue;
        }
        {
            std::lock_guard<std::mutex> guard(Lock);
            task->Done = true;
        }
        TaskDone.notify_all();
    }
    return count;
}

int TTaskQueueDispatcher::WaitAndRunTasks(int timeoutMs)
{
    {
        std::unique_lock<std::mutex> guard(Lock);
        TaskQueued.wait_for(guard, std::chrono::milliseconds(timeoutMs), [&] { return !Queue.empty(); });
    }
    return RunPendingTasks();
}

size_t TTaskQueueDispatcher::PendingTaskCount()
{
    std::lock_guard<std::mutex> guard(Lock);
    return Queue.size();
}

}  // namespace dedezuviv::base
