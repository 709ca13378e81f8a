#include "ToolSupport.h"

#include <cstdio>

int UsageError(const char* usage, const std::string& message)
{
    if (!message.empty())
        std::fprintf(stderr, "%s\n\n", message.c_str());
    std::fputs(usage, stderr);
    return 2;
}

bool ParseTimestamp(std::string_view text, TDateTime& value)
{
    if (text.size() != 19 || text[4] != '-' || text[7] != '-' || text[10] != 'T' || text[13] != ':' ||
        text[16] != ':')
        return false;
    auto number = [&](size_t pos, size_t length, int& out) {
        out = 0;
        for (size_t i = pos; i < pos + length; ++i) {
            if (text[i] < '0' || text[i] > '9')
                return false;
            out = out * 10 + (text[i] - '0');
        }
        return true;
    };
    TDateTimeParts parts;
    return number(0, 4, parts.Year) && number(5, 2, parts.Month) && number(8, 2, parts.Day) &&
           number(11, 2, parts.Hour) && number(14, 2, parts.Minute) && number(17, 2, parts.Second) &&
           TryEncodeDateTime(parts, value);
}

TStderrDialogs::TStderrDialogs() { SetUserDialogs(this); }

TStderrDialogs::~TStderrDialogs()
{
    if (UserDialogs() == this)
        SetUserDialogs(nullptr);
}

TDialogAnswer TStderrDialogs::Ask(const std::string& text, bool withCancel)
{
    std::fprintf(stderr, "%s\n", text.c_str());
    return withCancel ? TDialogAnswer::Cancel : TDialogAnswer::No;
}

void TStderrDialogs::Inform(const std::string& text) { std::fprintf(stderr, "%s\n", text.c_str()); }

void TStderrDialogs::Error(const std::string& text) { std::fprintf(stderr, "%s\n", text.c_str()); }
