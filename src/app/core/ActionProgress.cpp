#include "app/core/ActionProgress.h"

#include "model/LiveState.h"
#include "model/UiInterfaces.h"
#include "app/core/Namespace.h"

#include <utility>

namespace dedezuviv::app {

void AddProgressLine(IProgress* lines, const std::string& text)
{
    if (lines)
        lines->AddLine(text);
}

// Asked under the lock: the web view's exports start on its own threads, with a copy of the project.
TProjectWatch::TProjectWatch(const TProject& project) : Project(&project), WasCurrent(IsCurrentProject(&project)) {}

bool TProjectWatch::Gone() const { return WasCurrent && CurrentProject() != Project; }

std::function<bool()> TProjectWatch::CancelRule(std::function<bool()> cancelRequested) const
{
    return [watch = *this, cancelRequested = std::move(cancelRequested)] {
        return (cancelRequested && cancelRequested()) || watch.Gone();
    };
}

}  // namespace dedezuviv::app
