#include "protocol/RecordDecoder.h"

#include "base/Clock.h"
#include "base/NumberText.h"
#include "protocol/Namespace.h"

#include <bit>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace dedezuviv::protocol {

const TFieldTypeTable FieldTypeNames = {"Temperature", "Counter", "Value", "Time",
                                        "Input",       "State",   "Output", "Intern"};
const TFieldTypeTable FieldTypeCaptions = {"Temperatur", "Zähler",  "Wert",   "Zeit",
                                           "Eingang",    "Zustand", "Relais", "Intern"};
const TFieldTypeTable FieldTypeUnits = {"°C", "", "", "", "", "", "", ""};

const std::string SystemFieldNames = "Program,Version,Subversion,ID,RT,PC";

namespace {

// What the framing does with a byte inside a record.
enum TByteClass : uint8_t {
    bcOther = 0,  // abandons the record
    bcPlain = 1,  // kept in the line: blank, "+" to ":", letters
    bcSkip = 2,   // CR, LF and "%" are dropped
    bcHash = 3,   // ends a record
};

struct TByteTables {
    uint8_t InRecord[256];
    // Frame kind opened by a byte outside a record (frNone for all other bytes).
    uint8_t FrameStart[256];
};

constexpr TByteTables MakeByteTables()
{
    TByteTables tables{};
    for (int c = 0; c < 256; ++c) {
        uint8_t cls = bcOther;
        if (c == ' ' || (c >= 0x2B && c <= 0x3A) || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'))
            cls = bcPlain;
        else if (c == '\n' || c == '\r' || c == '%')
            cls = bcSkip;
        else if (c == '#')
            cls = bcHash;
        tables.InRecord[c] = cls;
        tables.FrameStart[c] = frNone;
    }
    tables.FrameStart[static_cast<uint8_t>('=')] = frEquals;
    tables.FrameStart[static_cast<uint8_t>(' ')] = frBlank;
    tables.FrameStart[static_cast<uint8_t>('*')] = frStar;
    return tables;
}

constexpr TByteTables ByteTables = MakeByteTables();

// Eight bytes at a time (after sixteen at a time where SSE2 is available): on little-endian machines the
// scans below test a whole 64-bit word per step and find the first byte of interest from the lowest
// flagged byte; elsewhere they go byte by byte.
constexpr bool WordScan = std::endian::native == std::endian::little;
constexpr uint64_t EachByte(uint8_t value) { return 0x0101010101010101ull * value; }
constexpr uint64_t HighBits = EachByte(0x80);

uint64_t LoadWord(const unsigned char* bytes)
{
    uint64_t word;
    std::memcpy(&word, bytes, sizeof(word));
    return word;
}

// High bit of every zero byte of the word. Bytes above the first zero byte may be flagged wrongly,
// so only the lowest flag is exact, which is all the scans use.
uint64_t ZeroBytes(uint64_t word) { return (word - EachByte(1)) & ~word & HighBits; }

// High bit of every byte of the word, all of whose bytes are below 0x80, that lies strictly between
// low and high (high at most 0x80). Exact per byte: no step carries into the next byte.
uint64_t BytesBetween(uint64_t word, uint8_t low, uint8_t high)
{
    return (EachByte(static_cast<uint8_t>(127 + high)) - word) & (word + EachByte(static_cast<uint8_t>(127 - low))) &
           HighBits;
}

// High bit of every byte that the framing keeps in the line (bcPlain): a blank, 0x2B to 0x3A, letters.
uint64_t PlainBytes(uint64_t word)
{
    const uint64_t low7 = word & EachByte(0x7F);
    const uint64_t plain = BytesBetween(low7, 0x1F, 0x21) | BytesBetween(low7, 0x2A, 0x3B) |
                           BytesBetween(low7 | EachByte(0x20), 0x60, 0x7B);
    return plain & ~word;
}

size_t FirstFlaggedByte(uint64_t flags) { return static_cast<size_t>(std::countr_zero(flags)) / 8; }

// End of the run of plain bytes starting at pos, at most limit.
size_t PlainRunEnd(const unsigned char* bytes, size_t pos, size_t limit)
{
#if defined(__SSE2__)
    // Sixteen bytes at a time. The compares are signed, so bytes from 0x80 on are none of these.
    const __m128i blank = _mm_set1_epi8(' '), beforePlus = _mm_set1_epi8(0x2A), afterColon = _mm_set1_epi8(0x3B),
                  caseBit = _mm_set1_epi8(0x20), beforeA = _mm_set1_epi8('a' - 1), afterZ = _mm_set1_epi8('z' + 1);
    while (pos + 16 <= limit) {
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + pos));
        const __m128i signs = _mm_and_si128(_mm_cmpgt_epi8(b, beforePlus), _mm_cmplt_epi8(b, afterColon));
        const __m128i folded = _mm_or_si128(b, caseBit);
        const __m128i letters = _mm_and_si128(_mm_cmpgt_epi8(folded, beforeA), _mm_cmplt_epi8(folded, afterZ));
        const __m128i plain = _mm_or_si128(_mm_or_si128(signs, letters), _mm_cmpeq_epi8(b, blank));
        const unsigned other = ~static_cast<unsigned>(_mm_movemask_epi8(plain)) & 0xFFFFu;
        if (other != 0)
            return pos + static_cast<size_t>(std::countr_zero(other));
        pos += 16;
    }
#endif
    if constexpr (WordScan) {
        while (pos + 8 <= limit) {
            const uint64_t other = ~PlainBytes(LoadWord(bytes + pos)) & HighBits;
            if (other != 0)
                return pos + FirstFlaggedByte(other);
            pos += 8;
        }
    }
    while (pos < limit && ByteTables.InRecord[bytes[pos]] == bcPlain)
        ++pos;
    return pos;
}

// Position of the first "/" at or after pos, or size.
size_t FindSlash(const char* text, size_t pos, size_t size)
{
    if constexpr (WordScan) {
        const unsigned char* bytes = reinterpret_cast<const unsigned char*>(text);
        while (pos + 8 <= size) {
            const uint64_t slashes = ZeroBytes(LoadWord(bytes + pos) ^ EachByte('/'));
            if (slashes != 0)
                return pos + FirstFlaggedByte(slashes);
            pos += 8;
        }
    }
    while (pos < size && text[pos] != '/')
        ++pos;
    return pos;
}

TFieldValue MakeFloat(double value)
{
    TFieldValue v;
    v.FloatValue = value;
    v.Kind = vkFloat;
    return v;
}

TFieldValue MakeInteger(int32_t value)
{
    TFieldValue v;
    v.IntValue = value;
    v.Kind = vkInteger;
    return v;
}

TFieldValue MakeDateTime(TDateTime value)
{
    TFieldValue v;
    v.DateTimeValue = value;
    v.Kind = vkDateTime;
    return v;
}

// An integer as the record fields read it (TryStrToInt). Plain digit strings, by far the most common
// case, are converted here directly with the same result.
bool ReadInteger(std::string_view text, int32_t& value)
{
    if (!text.empty() && text.size() <= 9) {
        int32_t result = 0;
        size_t i = 0;
        for (; i < text.size(); ++i) {
            const unsigned digit = static_cast<unsigned char>(text[i]) - static_cast<unsigned>('0');
            if (digit > 9)
                break;
            result = result * 10 + static_cast<int32_t>(digit);
        }
        if (i == text.size()) {
            value = result;
            return true;
        }
    }
    return TryStrToInt(text, value);
}

// A number with "," as decimal separator in the usual form, a sign, digits and a decimal part with at
// most 15 digits in all: the digits are an exact integer and dividing it by an exact power of ten rounds
// correctly, so the result equals the general reader's (TryTextToFloat). False for any other form.
// The mantissa is unsigned so that a long digit string wraps harmlessly; it is only used when it
// holds at most 15 digits.
bool ReadPlainFloat(std::string_view text, double& value)
{
    static constexpr double PowersOfTen[] = {1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                             1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
    const char* const p = text.data();
    const size_t n = text.size();
    size_t i = 0;
    bool negative = false;
    if (i < n && (p[i] == '+' || p[i] == '-')) {
        negative = p[i] == '-';
        ++i;
    }
    uint64_t mantissa = 0;
    const size_t first = i;
    for (unsigned digit; i < n && (digit = static_cast<unsigned char>(p[i]) - static_cast<unsigned>('0')) <= 9; ++i)
        mantissa = mantissa * 10 + digit;
    size_t digits = i - first, decimals = 0;
    if (i < n && p[i] == ',') {
        const size_t fraction = ++i;
        for (unsigned digit; i < n && (digit = static_cast<unsigned char>(p[i]) - static_cast<unsigned>('0')) <= 9; ++i)
            mantissa = mantissa * 10 + digit;
        decimals = i - fraction;
        digits += decimals;
    }
    if (i == n && digits > 0 && digits <= 15) {
        const double magnitude = static_cast<double>(mantissa) / PowersOfTen[decimals];
        value = negative ? -magnitude : magnitude;
        return true;
    }
    return false;
}

// A number with "," as decimal separator (TryTextToFloat), the usual form converted directly.
bool ReadFloat(std::string_view text, double& value)
{
    return ReadPlainFloat(text, value) || TryTextToFloat(text, ',', value);
}

unsigned DigitAt(const char* p, size_t pos)
{
    return static_cast<unsigned>(static_cast<unsigned char>(p[pos])) - static_cast<unsigned>('0');
}

// The seven characters at p in the form the controller sends a temperature, sign, three digits, ","
// and two digits, as hundredths; false for any other form.
bool PlainTemperatureHundredths(const char* p, unsigned& hundredths)
{
    if ((p[0] != '+' && p[0] != '-') || p[4] != ',')
        return false;
    const unsigned d1 = DigitAt(p, 1), d2 = DigitAt(p, 2), d3 = DigitAt(p, 3), d5 = DigitAt(p, 5), d6 = DigitAt(p, 6);
    if (d1 > 9 || d2 > 9 || d3 > 9 || d5 > 9 || d6 > 9)
        return false;
    hundredths = d1 * 10000 + d2 * 1000 + d3 * 100 + d5 * 10 + d6;
    return true;
}

// The value of such a temperature, with the same arithmetic as ReadPlainFloat.
double PlainTemperatureValue(bool negative, unsigned hundredths)
{
    const double magnitude = static_cast<double>(hundredths) / 1e2;
    return negative ? -magnitude : magnitude;
}

// A temperature in the controller's form read in one step; false for any other form.
bool ReadPlainTemperature(const char* p, double& value)
{
    unsigned hundredths = 0;
    if (!PlainTemperatureHundredths(p, hundredths))
        return false;
    value = PlainTemperatureValue(p[0] == '-', hundredths);
    return true;
}

// A temperature text of exactly 7 characters: the controller's form directly, any other through ReadFloat.
bool ReadTemperature(std::string_view text, double& value)
{
    return ReadPlainTemperature(text.data(), value) || ReadFloat(text, value);
}

// A two-character position of a date or time field, read as a decimal integer (TryStrToInt): a digit
// pair directly, any other form (a blank, a sign, "$") through the general reader.
bool ReadPosition(std::string_view text, size_t pos, int& value)
{
    const unsigned high = DigitAt(text.data(), pos), low = DigitAt(text.data(), pos + 1);
    if (high <= 9 && low <= 9) {
        value = static_cast<int>(high * 10 + low);
        return true;
    }
    int32_t v = 0;
    if (!TryStrToInt(text.substr(pos, 2), v))
        return false;
    value = v;
    return true;
}

// Day, month and two-digit year at the given positions; the year counts from 2000.
bool ReadDateFields(std::string_view text, size_t dayPos, size_t monthPos, size_t yearPos, TDateTime& date)
{
    int day = 0, month = 0, year = 0;
    return ReadPosition(text, dayPos, day) && ReadPosition(text, monthPos, month) &&
           ReadPosition(text, yearPos, year) && TryEncodeDate(2000 + year, month, day, date);
}

// ReadDateFields for the six characters at the positions, remembered for the last such text read on this
// thread: every record carries its date twice, and a day file holds one date.
bool ReadDate(std::string_view text, size_t dayPos, size_t monthPos, size_t yearPos, TDateTime& date)
{
    struct TLastDate {
        uint64_t Key = 0;  // the six characters; 0 before the first date (a text never has zero bytes there)
        bool Ok = false;
        TDateTime Date = 0;
    };
    thread_local TLastDate last;
    auto pair = [&](size_t pos) {
        return static_cast<uint64_t>(static_cast<unsigned char>(text[pos])) << 8 |
               static_cast<unsigned char>(text[pos + 1]);
    };
    const uint64_t key = pair(dayPos) << 32 | pair(monthPos) << 16 | pair(yearPos);
    if (key != last.Key || key == 0) {
        last.Key = key;
        last.Ok = ReadDateFields(text, dayPos, monthPos, yearPos, last.Date);
    }
    if (last.Ok)
        date = last.Date;
    return last.Ok;
}

bool ReadTime(std::string_view text, size_t hourPos, size_t minutePos, size_t secondPos, TDateTime& time)
{
    int hour = 0, minute = 0, second = 0;
    return ReadPosition(text, hourPos, hour) && ReadPosition(text, minutePos, minute) &&
           ReadPosition(text, secondPos, second) && TryEncodeTime(hour, minute, second, 0, time);
}

// The text read as if "$" stood before it: one or more hexadecimal digits whose value fits 32 bits
// (FFFFFFFF is -1). Parsed in place so that no "$" + text copy is made.
bool ReadHex(std::string_view text, int32_t& value)
{
    if (text.empty())
        return false;
    uint64_t result = 0;
    for (char c : text) {
        int digit;
        if (c >= '0' && c <= '9')
            digit = c - '0';
        else if (c >= 'a' && c <= 'f')
            digit = c - 'a' + 10;
        else if (c >= 'A' && c <= 'F')
            digit = c - 'A' + 10;
        else
            return false;
        result = result * 16 + static_cast<uint64_t>(digit);
        if (result > 0xFFFFFFFFull)
            return false;
    }
    value = static_cast<int32_t>(static_cast<uint32_t>(result));
    return true;
}

// Whether the characters at p are decimal digits, except those at the given separator positions, which
// must equal the pattern: "dd.mm.yy", "hh:mm:ss" and "dd.mm.yy hh:mm:ss" in the common record shape.
bool MatchesDigitPattern(const char* p, std::string_view pattern)
{
    for (size_t i = 0; i < pattern.size(); ++i) {
        if (pattern[i] == 'd' ? DigitAt(p, i) > 9 : p[i] != pattern[i])
            return false;
    }
    return true;
}

// Whether a field of a body of N characters ends before position End: at the end of the body or before
// a "/" (the body of the common shape never ends with one).
bool FieldEndsAt(const char* p, size_t n, size_t end) { return end == n || (end < n && p[end] == '/'); }

void AppendTwoDigits(char*& out, int value)
{
    *out++ = static_cast<char>('0' + value / 10 % 10);
    *out++ = static_cast<char>('0' + value % 10);
}

// Compares one character of two UTF-8 texts without regard to case; advances both positions. ASCII
// letters and the Latin-1 letters (two-byte sequences C3 80..9E / C3 A0..BE, so "Ä" matches "ä")
// fold; every other byte must match exactly.
bool FoldedCharEqual(std::string_view a, size_t& i, std::string_view b, size_t& j)
{
    auto lowerAscii = [](unsigned char c) { return (c >= 'A' && c <= 'Z') ? static_cast<unsigned char>(c + 32) : c; };
    const unsigned char ca = static_cast<unsigned char>(a[i]);
    const unsigned char cb = static_cast<unsigned char>(b[j]);
    if (ca == 0xC3 && cb == 0xC3 && i + 1 < a.size() && j + 1 < b.size()) {
        auto lowerLatin = [](unsigned char c) {
            return (c >= 0x80 && c <= 0x9E && c != 0x97) ? static_cast<unsigned char>(c + 0x20) : c;
        };
        const bool same = lowerLatin(static_cast<unsigned char>(a[i + 1])) ==
                          lowerLatin(static_cast<unsigned char>(b[j + 1]));
        i += 2;
        j += 2;
        return same;
    }
    ++i;
    ++j;
    return lowerAscii(ca) == lowerAscii(cb);
}

// True if pattern stands in text at pos, compared without regard to case; length is the number of
// bytes of text it covers.
bool MatchesFolded(std::string_view text, size_t pos, std::string_view pattern, size_t& length)
{
    size_t i = pos, j = 0;
    while (j < pattern.size()) {
        if (i >= text.size())
            return false;
        if (!FoldedCharEqual(text, i, pattern, j))
            return false;
    }
    length = i - pos;
    return true;
}

}  // namespace

TOrvaProtocol::TOrvaProtocol() : Decoded(std::make_unique<TDecodedRecord>())
{
    ClearRecord(*Decoded);
    // Room for the longest line plus "=", "#" and an appended "/r" time, so that the buffer never
    // grows while records are decoded.
    Line.reserve(MaxLineLength + 64);
    ClearLine();
}

// The line buffer always starts with the "=" of the normalised text, so that completing a record
// does not have to shift the body; the body is what follows it.
void TOrvaProtocol::ClearLine() { Line.assign(1, '='); }

void TOrvaProtocol::Reset()
{
    ClearRecord(*Decoded);
    ClearLine();
    InRecord = false;
    FrameKind = frNone;
}

void TOrvaProtocol::SetOnRecord(TRecordHandler handler) { OnRecord = std::move(handler); }

void TOrvaProtocol::GetHeader(uint8_t& frameKind, TRecordHeader& header) const
{
    frameKind = FrameKind;
    header = Decoded->Header;
}

void TOrvaProtocol::ProcessData(std::string_view data)
{
    const unsigned char* bytes = reinterpret_cast<const unsigned char*>(data.data());
    const size_t size = data.size();
    size_t i = 0;
    while (i < size) {
        if (!InRecord) {
            // Outside a record every byte is consumed; only "=", a blank or "*" opens a frame.
            ClearLine();
            while (i < size && ByteTables.FrameStart[bytes[i]] == frNone)
                ++i;
            if (i == size)
                break;
            FrameKind = static_cast<TFrameKind>(ByteTables.FrameStart[bytes[i]]);
            InRecord = true;
            ++i;
            continue;
        }
        const size_t bodyLength = Line.size() - 1;
        if (bodyLength > static_cast<size_t>(MaxLineLength)) {
            // Overflow: no controller sends such a record; the rest of this block is dropped too.
            ClearLine();
            InRecord = false;
            return;
        }
        switch (ByteTables.InRecord[bytes[i]]) {
        case bcPlain: {
            // Appends the whole run of plain characters at once, but never beyond the length at
            // which the next byte is taken as an overflow.
            const size_t room = static_cast<size_t>(MaxLineLength) + 1 - bodyLength;
            const size_t limit = (size - i < room) ? size : i + room;
            const size_t end = PlainRunEnd(bytes, i + 1, limit);
            Line.append(reinterpret_cast<const char*>(bytes + i), end - i);
            i = end;
            break;
        }
        case bcSkip:
            ++i;
            break;
        case bcHash:
            ++i;
            if (FrameKind == frEquals)
                FinishRecord();
            ClearLine();
            InRecord = false;
            break;
        default:
            // An unexpected byte abandons the record and is not examined again, so an "=" inside a
            // record does not open the next one.
            ++i;
            ClearLine();
            InRecord = false;
            break;
        }
    }
}

bool TOrvaProtocol::ProcessRecordLine(std::string_view line)
{
    const size_t n = line.size();
    if (n < 2 || line[0] != '=' || line[n - 1] != '#' || n - 2 > static_cast<size_t>(MaxLineLength) ||
        PlainRunEnd(reinterpret_cast<const unsigned char*>(line.data()), 1, n - 1) != n - 1)
        return false;
    // An open frame is abandoned; the "=" opens the record, the body is kept whole and "#" ends it.
    FrameKind = frEquals;
    Line.assign(line.data(), n - 1);
    CompleteRecord(true);
    ClearLine();
    InRecord = false;
    return true;
}

void TOrvaProtocol::FinishRecord() { CompleteRecord(false); }

void TOrvaProtocol::CompleteRecord(bool commonShape)
{
    TDecodedRecord& record = *Decoded;
    const std::string_view body = std::string_view(Line).substr(1);
    const bool ok = (commonShape && DecodeCommonRecordText(body, record)) || DecodeRecordText(body, record);
    TRecordHeader& header = record.Header;
    header.RT = 0;
    if (record.Counts[ftTime] >= 1)
        header.RT = record.Values[ftTime][0].DateTimeValue;
    AppendedReceptionTime = header.PC == 0;
    if (header.PC == 0) {
        header.PC = Now();
        const TDateTimeParts p = DecodeDateTime(header.PC);
        char text[20];
        char* out = text;
        *out++ = '/';
        *out++ = 'r';
        AppendTwoDigits(out, p.Day);
        *out++ = '.';
        AppendTwoDigits(out, p.Month);
        *out++ = '.';
        AppendTwoDigits(out, p.Year % 100);
        *out++ = ' ';
        AppendTwoDigits(out, p.Hour);
        *out++ = ':';
        AppendTwoDigits(out, p.Minute);
        *out++ = ':';
        AppendTwoDigits(out, p.Second);
        Line.append(text, static_cast<size_t>(out - text));
    }
    Line.push_back('#');
    if (ok) {
        if (header.RT == 0)
            header.RT = header.PC;
        if (OnRecord)
            OnRecord(Line, record);
    }
}

void TOrvaProtocol::ClearRecord(TDecodedRecord& record)
{
    // Only the counts and the header: entries beyond a count are never read, and a data set is
    // cleared at every "MD" record, so the 38 KB of values are not wiped each time.
    for (auto& count : record.Counts)
        count = 0;
    record.Header = TRecordHeader{};
}

void TOrvaProtocol::AddValue(TDecodedRecord& record, TFieldType type, const TFieldValue& value)
{
    if (type < 0 || type >= FieldTypeCount)
        return;
    uint16_t& count = record.Counts[type];
    if (count >= MaxValuesPerType)
        return;
    record.Values[type][count] = value;
    ++count;
}

bool TOrvaProtocol::DecodeRecordText(std::string_view body, TDecodedRecord& record)
{
    if (body.empty())
        return false;
    bool valid = false;
    bool typeFound = false;
    // The working date-time is kept as its date and its time of day, whose sum it is. Dates are whole
    // days and times whole seconds, so the sum splits back into exactly these two parts and keeping
    // them apart gives the same values as taking the date or time of the sum.
    TDateTime workDate = 0, workTime = 0;
    const size_t n = body.size();
    size_t start = 0;
    while (start < n) {
        // A field ends before a "/", or with the last character (a "/" there stays in the field).
        size_t end = FindSlash(body.data(), start, n);
        size_t next = end + 1;
        if (end + 1 >= n) {
            end = n;
            next = n;
        }
        const std::string_view field = body.substr(start, end - start);
        start = next;

        if (!typeFound) {
            if (field.size() >= 2 && field[0] == 'M') {
                if (field[1] == 'D') {
                    ClearRecord(record);
                    valid = true;
                    typeFound = true;
                } else if (field[1] == 'R' || field[1] == 'E') {
                    valid = true;
                    typeFound = true;
                }
            }
            continue;
        }
        if (!valid)
            break;
        if (field.empty())
            continue;
        const std::string_view text = field.substr(1);
        switch (field[0]) {
        case 't': {
            double value = 0;
            if (text.size() != 7 || !ReadTemperature(text, value)) {
                valid = false;
                break;
            }
            AddValue(record, ftTemperature, MakeFloat(value));
            if (value < -70.0)
                valid = false;
            break;
        }
        case 'n':
        case 'd': {
            double value = 0;
            if (!ReadFloat(text, value)) {
                valid = false;
                break;
            }
            AddValue(record, field[0] == 'n' ? ftCounter : ftValue, MakeFloat(value));
            break;
        }
        case 'i':
        case 'm':
        case 'o': {
            const TFieldType type = field[0] == 'i' ? ftInput : field[0] == 'm' ? ftState : ftOutput;
            for (char c : text) {
                if (c >= '0' && c <= '9')
                    AddValue(record, type, MakeInteger(c - '0'));
                else
                    valid = false;
            }
            break;
        }
        case 'x': {
            int32_t value = 0;
            if (!ReadHex(text, value)) {
                valid = false;
                break;
            }
            AddValue(record, ftIntern, MakeInteger(value));
            break;
        }
        case 'p': {
            if (text.size() != 6) {
                valid = false;
                break;
            }
            int32_t id = 0, program = 0;
            if (!ReadInteger(text.substr(0, 1), id)) {
                valid = false;
                break;
            }
            record.Header.ID = id;
            if (!ReadInteger(text.substr(1, 5), program)) {
                valid = false;
                break;
            }
            record.Header.Program = program;
            break;
        }
        case 'v': {
            if (text.size() != 4) {
                valid = false;
                break;
            }
            int32_t subversion = 0, version = 0;
            record.Header.Subversion = ReadInteger(text.substr(0, 2), subversion) ? subversion : 0;
            record.Header.Version = ReadInteger(text.substr(2, 2), version) ? version : 0;
            break;
        }
        case 'r': {
            if (text.size() != 17) {
                valid = false;
                break;
            }
            // Date and time are set one after the other; a fault in one leaves the other in place.
            workDate = 0;
            workTime = 0;
            TDateTime date = 0, time = 0;
            if (ReadDate(text, 0, 3, 6, date))
                workDate = date;
            else
                valid = false;
            if (ReadTime(text, 9, 12, 15, time))
                workTime = time;
            else
                valid = false;
            if (valid)
                record.Header.PC = workDate + workTime;
            break;
        }
        case 'y': {
            TDateTime date = 0;
            if (text.size() != 8 || !ReadDate(text, 0, 3, 6, date)) {
                valid = false;
                break;
            }
            workDate = date;
            break;
        }
        case 'z': {
            TDateTime time = 0;
            if (text.size() < 8 || !ReadTime(text, 0, 3, 6, time)) {
                valid = false;
                break;
            }
            workTime = time;
            AddValue(record, ftTime, MakeDateTime(workDate + workTime));
            break;
        }
        default:
            break;
        }
    }
    return typeFound && valid;
}

bool TOrvaProtocol::DecodeCommonRecordText(std::string_view body, TDecodedRecord& record)
{
    const char* const p = body.data();
    const size_t n = body.size();
    // The record type as the first field, and no "/" as the last character (it would belong to the last
    // field there).
    if (n < 3 || p[0] != 'M' || (p[1] != 'D' && p[1] != 'R' && p[1] != 'E') || p[2] != '/' || p[n - 1] == '/')
        return false;
    const TRecordHeader savedHeader = record.Header;
    auto refuse = [&] {
        record.Header = savedHeader;
        return false;
    };
    // The counts are kept here and stored at the end: the record's own would be read again after every
    // value written (the value's kind byte may alias them).
    uint16_t counts[FieldTypeCount];
    std::memcpy(counts, record.Counts, sizeof counts);
    auto add = [&](TFieldType type, const TFieldValue& value) {
        if (counts[type] < MaxValuesPerType)
            record.Values[type][counts[type]++] = value;
    };
    if (p[1] == 'D') {
        record.Header = TRecordHeader{};
        std::memset(counts, 0, sizeof counts);
    }
    TDateTime workDate = 0, workTime = 0;
    // The last "hh:mm:ss" read in this body and its time: the reception time usually repeats the clock.
    uint64_t timeKey = 0;
    TDateTime timeValue = 0;
    auto readClock = [&](const char* at, TDateTime& time) {
        uint64_t key;
        std::memcpy(&key, at, 8);
        if (key != timeKey) {
            TDateTime value = 0;
            if (!ReadTime(std::string_view(at, 8), 0, 3, 6, value))
                return false;
            timeKey = key;
            timeValue = value;
        }
        time = timeValue;
        return true;
    };
    size_t pos = 3;
    while (pos < n) {
        const char kind = p[pos];
        const size_t text = pos + 1;
        size_t end;
        switch (kind) {
        case 't': {
            end = text + 7;
            // Below -70 (the general decoder's refusal) is more than 7000 hundredths below zero: the
            // quotient rounds to a double below -70 exactly then.
            unsigned hundredths = 0;
            if (!FieldEndsAt(p, n, end) || !PlainTemperatureHundredths(p + text, hundredths))
                return refuse();
            const bool negative = p[text] == '-';
            if (negative && hundredths > 7000)
                return refuse();
            add(ftTemperature, MakeFloat(PlainTemperatureValue(negative, hundredths)));
            break;
        }
        case 'n':
        case 'd': {
            end = FindSlash(p, text, n);
            double value = 0;
            if (!ReadPlainFloat(body.substr(text, end - text), value))
                return refuse();
            add(kind == 'n' ? ftCounter : ftValue, MakeFloat(value));
            break;
        }
        case 'i':
        case 'm':
        case 'o': {
            const TFieldType type = kind == 'i' ? ftInput : kind == 'm' ? ftState : ftOutput;
            end = text;
            for (unsigned digit; end < n && (digit = DigitAt(p, end)) <= 9; ++end)
                add(type, MakeInteger(static_cast<int32_t>(digit)));
            if (!FieldEndsAt(p, n, end))
                return refuse();
            break;
        }
        case 'x': {
            end = FindSlash(p, text, n);
            int32_t value = 0;
            if (!ReadHex(body.substr(text, end - text), value))
                return refuse();
            add(ftIntern, MakeInteger(value));
            break;
        }
        case 'p': {
            end = text + 6;
            if (!FieldEndsAt(p, n, end) || !MatchesDigitPattern(p + text, "dddddd"))
                return refuse();
            record.Header.ID = static_cast<int32_t>(DigitAt(p, text));
            int32_t program = 0;
            ReadInteger(body.substr(text + 1, 5), program);
            record.Header.Program = program;
            break;
        }
        case 'v': {
            end = text + 4;
            if (!FieldEndsAt(p, n, end) || !MatchesDigitPattern(p + text, "dddd"))
                return refuse();
            record.Header.Subversion = static_cast<int32_t>(DigitAt(p, text) * 10 + DigitAt(p, text + 1));
            record.Header.Version = static_cast<int32_t>(DigitAt(p, text + 2) * 10 + DigitAt(p, text + 3));
            break;
        }
        case 'r': {
            end = text + 17;
            TDateTime date = 0, time = 0;
            if (!FieldEndsAt(p, n, end) || !MatchesDigitPattern(p + text, "dd.dd.dd dd:dd:dd") ||
                !ReadDate(body.substr(text, 17), 0, 3, 6, date) || !readClock(p + text + 9, time))
                return refuse();
            workDate = date;
            workTime = time;
            record.Header.PC = workDate + workTime;
            break;
        }
        case 'y': {
            end = text + 8;
            TDateTime date = 0;
            if (!FieldEndsAt(p, n, end) || !MatchesDigitPattern(p + text, "dd.dd.dd") ||
                !ReadDate(body.substr(text, 8), 0, 3, 6, date))
                return refuse();
            workDate = date;
            break;
        }
        case 'z': {
            end = text + 8;
            TDateTime time = 0;
            if (!FieldEndsAt(p, n, end) || !MatchesDigitPattern(p + text, "dd:dd:dd") || !readClock(p + text, time))
                return refuse();
            workTime = time;
            add(ftTime, MakeDateTime(workDate + workTime));
            break;
        }
        case '/':
            return refuse();  // an empty field
        default:
            // Any other field is ignored.
            end = FindSlash(p, text, n);
            break;
        }
        pos = end + 1;
    }
    std::memcpy(record.Counts, counts, sizeof counts);
    return true;
}

std::string TranslateTypeSuffixes(const TFieldTypeTable& fromNames, const TFieldTypeTable& toNames,
                                  const std::string& text)
{
    std::string result = text;
    for (int i = 0; i < FieldTypeCount; ++i) {
        const std::string from = "(" + fromNames[i] + ")";
        const std::string to = "(" + toNames[i] + ")";
        std::string out;
        size_t pos = 0;
        bool changed = false;
        while (pos < result.size()) {
            size_t length = 0;
            if (result[pos] == '(' && MatchesFolded(result, pos, from, length)) {
                out += to;
                pos += length;
                changed = true;
            } else {
                out += result[pos++];
            }
        }
        if (changed)
            result = std::move(out);
    }
    return result;
}

void TranslateTypeSuffixesInList(const TFieldTypeTable& fromNames, const TFieldTypeTable& toNames,
                                 std::vector<std::string>& list)
{
    for (auto& line : list)
        line = TranslateTypeSuffixes(fromNames, toNames, line);
}

}  // namespace dedezuviv::protocol
