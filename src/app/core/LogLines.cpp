#include "app/core/LogLines.h"

#include "base/AppGlobals.h"
#include "base/Clock.h"
#include "base/FormatSettings.h"
#include "model/DayFiles.h"
#include "model/LiveState.h"
#include "model/Project.h"

namespace {

// Built by appending: g++ 12 warns falsely (-Wrestrict) about "<" + std::string temporaries.
std::string Stamped(const std::string& stamp, const std::string& text)
{
    std::string line(1, '<');
    line += stamp;
    line += "> ";
    line += text;
    return line;
}

}  // namespace

std::string TimeStampedLogLine(const std::string& text) { return Stamped(DateTimeToStr(Now()), text); }

void AppendToDebugLog(const std::string& text)
{
    if (!DebugMode)
        return;
    if (TProject* project = CurrentProject())
        AppendLineToFile(project->GetDataDir() + "/debug.log", Stamped(DateToStr(Now()), text));
}

std::string DebugLogText(const std::string& text)
{
    std::string line = " <Debug Info> ";
    line += text;
    return line;
}
