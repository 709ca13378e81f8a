#include "base/BuildInfo.h"

#include "base/AsciiText.h"
#include "base/Namespace.h"

namespace dedezuviv::base {

// Written by the build (generated BuildInfoValues.cpp).
extern const char BuildVersion[];
extern const char BuildCommit[];

std::string BuildVersionText() { return BuildVersion; }

std::string BuildCommitText() { return BuildCommit; }

std::string VersionWithCommit()
{
    const std::string commit = BuildCommitText();
    return commit.empty() ? BuildVersionText() : BuildVersionText() + " (git " + commit + ")";
}

std::string VersionLine(const std::string& programName) { return programName + " " + VersionWithCommit(); }

bool IsVersionArgument(std::string_view argument)
{
    if (argument == "--version")
        return true;
    if (argument.empty() || (argument[0] != '-' && argument[0] != '/'))
        return false;
    return UpperAscii(std::string(argument.substr(1))) == "VERSION";
}

}  // namespace dedezuviv::base
