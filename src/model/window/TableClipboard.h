// The data table as tab-separated text for the clipboard: two header lines (project name and comment;
// program title, web address and the device time of the current record), then one line per row of
// the copied range. Line breaks are LF CR, in this order.
#pragma once

#include "base/DateTime.h"
#include "model/Namespace.h"

#include <string>
#include <vector>

namespace dedezuviv::model {

// The copied rows from top to bottom, each with its cell texts from left to right.
using TTableTextRows = std::vector<std::vector<std::string>>;

// DeviceTime 0 leaves the time out; otherwise it follows the web address directly, as the locale's
// short date and long time.
std::string TableClipboardText(const std::string& projectName, const std::string& projectComment,
                               TDateTime deviceTime, const TTableTextRows& rows);

}  // namespace dedezuviv::model
