#include "model/LiveState.h"

#include "model/Project.h"
#include "model/Namespace.h"

namespace dedezuviv::model {

namespace {

std::unique_ptr<TProject>& ProjectOwner()
{
    static std::unique_ptr<TProject> owner;
    return owner;
}

TDecodedRecord& RecordStorage()
{
    // Value-initialised: every count, value and header field zero.
    static const std::unique_ptr<TDecodedRecord> storage = std::make_unique<TDecodedRecord>();
    return *storage;
}

std::function<void()>& ProjectEndingHandler()
{
    static std::function<void()> handler;
    return handler;
}

}  // namespace

std::mutex& LiveStateLock()
{
    static std::mutex lock;
    return lock;
}

TProject* CurrentProject() { return ProjectOwner().get(); }

bool IsCurrentProject(const TProject* project)
{
    std::lock_guard<std::mutex> guard(LiveStateLock());
    return ProjectOwner().get() == project;
}

void ReplaceCurrentProject(std::unique_ptr<TProject> project)
{
    // Logging ends with the project it belongs to: its port is closed before the project goes.
    if (ProjectEndingHandler())
        ProjectEndingHandler()();
    {
        std::lock_guard<std::mutex> guard(LiveStateLock());
        ProjectOwner().swap(project);
    }
    // Project now holds the previous project; it is freed here, outside the lock.
    project.reset();
}

void CloseCurrentProject() { ReplaceCurrentProject(nullptr); }

void SetProjectEndingHandler(std::function<void()> handler) { ProjectEndingHandler() = std::move(handler); }

const TDecodedRecord& CurrentRecord() { return RecordStorage(); }

void SetCurrentRecord(const TDecodedRecord& record)
{
    TDecodedRecord& storage = RecordStorage();
    if (&record == &storage)
        return;
    std::lock_guard<std::mutex> guard(LiveStateLock());
    storage = record;
}

void ClearCurrentRecord()
{
    TDecodedRecord& storage = RecordStorage();
    std::lock_guard<std::mutex> guard(LiveStateLock());
    // In place: a temporary record would put 38 KB on the stack.
    for (auto& values : storage.Values)
        for (auto& value : values)
            value = TFieldValue{};
    for (auto& count : storage.Counts)
        count = 0;
    storage.Header = TRecordHeader{};
}

}  // namespace dedezuviv::model
