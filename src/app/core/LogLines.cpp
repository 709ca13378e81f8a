#include "app/core/LogLines.h"

#include "base/AppGlobals.h"
#include "base/Clock.h"
#include "base/FormatSettings.h"
#include "model/DayFiles.h"
#include "model/LiveState.h"
#include "model/Project.h"
#include "app/core/Namespace.h"

#include <cstdio>
#include <sys/stat.h>

namespace dedezuviv::app {

int64_t DebugLogSizeLimit = 4 * 1024 * 1024;

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
        AppendLineRotating(project->GetDataDir() + "/debug.log", Stamped(DateToStr(Now()), text), DebugLogSizeLimit);
}

bool AppendLineRotating(const std::string& fileName, const std::string& line, int64_t sizeLimit)
{
    struct stat info {};
    const int64_t lineSize = static_cast<int64_t>(line.size()) + 2;
    if (::stat(fileName.c_str(), &info) == 0 && info.st_size > 0 && info.st_size + lineSize > sizeLimit)
        std::rename(fileName.c_str(), (fileName + ".1").c_str());
    return AppendLineToFile(fileName, line);
}

std::string DebugLogText(const std::string& text)
{
    std::string line = " <Debug Info> ";
    line += text;
    return line;
}

}  // namespace dedezuviv::app
