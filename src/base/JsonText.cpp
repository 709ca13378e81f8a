#include "base/JsonText.h"
#include "base/Namespace.h"

#include <cstdio>

namespace dedezuviv::base {

namespace {

bool NeedsEscape(unsigned char c) { return c < 0x20 || c == '"' || c == '\\'; }

}  // namespace

void AppendJsonString(std::string& out, std::string_view text)
{
    out += '"';
    size_t runStart = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (!NeedsEscape(c))
            continue;
        // Plain characters go over in one piece: messages with many fields are built per record.
        out.append(text.data() + runStart, i - runStart);
        runStart = i + 1;
        switch (c) {
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        default: {
            char buffer[8];
            std::snprintf(buffer, sizeof(buffer), "\\u%04x", c);
            out += buffer;
        }
        }
    }
    out.append(text.data() + runStart, text.size() - runStart);
    out += '"';
}

}  // namespace dedezuviv::base
