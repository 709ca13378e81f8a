// The version the programs are built as (from CMakeLists.txt) and the git commit of the build.
#pragma once

#include "base/Namespace.h"

#include <string>
#include <string_view>

namespace dedezuviv::base {

// "1.250"; the same text as VersionString.
std::string BuildVersionText();
// The commit ("1a2b3c4d5e6f", "-dirty" appended for changed files), empty when built outside a checkout.
std::string BuildCommitText();
// "1.250 (git 1a2b3c4d5e6f)", or "1.250" without a commit: what --version and the Info box show.
std::string VersionWithCommit();
// The line --version prints: "dedezuviv 1.250 (git 1a2b3c4d5e6f)".
std::string VersionLine(const std::string& programName);
// True for "--version", and for "-version" and "/version" in any case (the logger's option forms).
bool IsVersionArgument(std::string_view argument);

}  // namespace dedezuviv::base
