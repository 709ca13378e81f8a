#include "app/core/WebProjectCopy.h"

#include "model/LiveState.h"
#include "model/Project.h"
#include "app/core/Namespace.h"

#include <mutex>

namespace dedezuviv::app {

std::unique_ptr<TProject> CopyCurrentProjectForReading()
{
    std::lock_guard guard(LiveStateLock());
    const TProject* project = CurrentProject();
    if (!project)
        return nullptr;
    auto copy = std::make_unique<TProject>();
    copy->Name = project->Name;
    copy->Comment = project->Comment;
    copy->FileName = project->FileName;
    copy->Root = project->Root;
    copy->SamplingInterval = project->SamplingInterval;
    copy->FieldNames = project->FieldNames;
    for (const TFieldSelection& selection : project->FieldSelections)
        copy->FieldSelections.push_back(selection.List ? TFieldSelection(selection.Name, *selection.List)
                                                       : TFieldSelection(selection.Name));
    return copy;
}

}  // namespace dedezuviv::app
