#include "model/window/TableClipboard.h"

#include "base/AppGlobals.h"
#include "base/FormatSettings.h"
#include "model/Namespace.h"

namespace dedezuviv::model {

namespace {

constexpr const char* LineBreak = "\n\r";

}  // namespace

std::string TableClipboardText(const std::string& projectName, const std::string& projectComment,
                               TDateTime deviceTime, const TTableTextRows& rows)
{
    std::string text = projectName + '\t' + projectComment + LineBreak;
    text += ProgramTitle + '\t' + WebAddress;
    if (deviceTime != 0)
        text += DateTimeToStr(deviceTime);
    text += LineBreak;
    for (const std::vector<std::string>& row : rows) {
        for (size_t col = 0; col < row.size(); ++col) {
            if (col > 0)
                text += '\t';
            text += row[col];
        }
        text += LineBreak;
    }
    return text;
}

}  // namespace dedezuviv::model
