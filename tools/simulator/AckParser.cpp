#include "AckParser.h"

#include "base/DateTime.h"

#include <cstdio>

using namespace dedezuviv::base;

std::string EscapeBytes(const std::string& bytes)
{
    std::string result;
    for (unsigned char c : bytes) {
        if (c == '\r')
            result += "\\r";
        else if (c == '\n')
            result += "\\n";
        else if (c == '\\')
            result += "\\\\";
        else if (c < 0x20 || c >= 0x7F) {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02X", c);
            result += hex;
        } else
            result += static_cast<char>(c);
    }
    return result;
}

TAckCheck TAckParser::CheckText(const std::string& text)
{
    TAckCheck check;
    check.Text = EscapeBytes(text);
    auto digits = [&](size_t from, size_t count) {
        for (size_t i = from; i < from + count; ++i)
            if (text[i] < '0' || text[i] > '9')
                return false;
        return true;
    };
    auto number = [&](size_t from, size_t count) {
        int value = 0;
        for (size_t i = from; i < from + count; ++i)
            value = value * 10 + (text[i] - '0');
        return value;
    };
    if (text.size() != 19) {
        check.Reason = "Länge " + std::to_string(text.size()) + " statt 19 Zeichen";
        return check;
    }
    if (text.compare(0, 4, "ACK ") != 0 || text[12] != ' ' || !digits(4, 8) || !digits(13, 6)) {
        check.Reason = "nicht in der Form \"ACK ttmmjjjj hhmmss\"";
        return check;
    }
    const int day = number(4, 2), month = number(6, 2), year = number(8, 4);
    const int hour = number(13, 2), minute = number(15, 2), second = number(17, 2);
    if (!IsValidDate(year, month, day)) {
        check.Reason = "kein gültiges Datum";
        return check;
    }
    if (!IsValidTime(hour, minute, second, 0)) {
        check.Reason = "keine gültige Uhrzeit";
        return check;
    }
    std::tm parts{};
    parts.tm_year = year - 1900;
    parts.tm_mon = month - 1;
    parts.tm_mday = day;
    parts.tm_hour = hour;
    parts.tm_min = minute;
    parts.tm_sec = second;
    parts.tm_isdst = -1;
    check.Time = std::mktime(&parts);
    check.Ok = true;
    return check;
}

void TAckParser::Complete(bool terminatorOk, std::vector<TAckCheck>& results)
{
    TAckCheck check = CheckText(Text);
    if (check.Ok && !terminatorOk) {
        check.Ok = false;
        check.Reason = SawLineFeed ? "CR fehlt nach LF" : "Zeilenende LF CR fehlt";
    }
    results.push_back(check);
    Text.clear();
    SawLineFeed = false;
}

void TAckParser::Feed(const char* data, size_t size, std::vector<TAckCheck>& results)
{
    for (size_t i = 0; i < size; ++i) {
        const char c = data[i];
        if (SawLineFeed) {
            if (Discarding) {
                // The line end of a message already reported as too long.
                Discarding = false;
                SawLineFeed = false;
                Text.clear();
                if (c == '\r')
                    continue;
            } else if (c == '\r') {
                Complete(true, results);
                continue;
            } else {
                Complete(false, results);  // the byte belongs to the next message
            }
        }
        if (c == '\n') {
            if (!Discarding && !Text.empty() && Text.back() == '\r') {
                // CR LF instead of LF CR: judged at once, no CR is going to follow.
                Text.pop_back();
                TAckCheck check = CheckText(Text);
                check.Ok = false;
                check.Reason = "Zeilenende CR LF statt LF CR";
                results.push_back(check);
                Text.clear();
                continue;
            }
            SawLineFeed = true;
            continue;
        }
        if (Discarding)
            continue;
        Text += c;
        if (Text.size() > MaxMessageLength) {
            TAckCheck check;
            check.Text = EscapeBytes(Text.substr(0, 40)) + "...";
            check.Reason = "mehr als " + std::to_string(MaxMessageLength) + " Zeichen ohne Zeilenende";
            results.push_back(check);
            Text.clear();
            Discarding = true;
        }
    }
}

void TAckParser::Flush(std::vector<TAckCheck>& results)
{
    if (Discarding) {
        Discarding = false;
        SawLineFeed = false;
        Text.clear();
        return;
    }
    if (!Text.empty() || SawLineFeed)
        Complete(false, results);
}
