// Fuzz target for the record decoder: any bytes, cut into blocks of sizes taken from the input, must
// neither crash nor leak, must give the same records as one undivided call, and every reported value
// must have a text form. Fed line by line, whole record lines taken in one step (ProcessRecordLine)
// must give the same records and decoder state as the byte-wise framing.
#include "base/Clock.h"
#include "base/FormatSettings.h"
#include "model/ValueText.h"
#include "protocol/RecordDecoder.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

using namespace dedezuviv::base;
using namespace dedezuviv::protocol;
using namespace dedezuviv::model;

namespace {

struct TSeen {
    std::string Line;
    TRecordHeader Header;
    uint16_t Counts[FieldTypeCount];
    std::vector<std::string> Texts;
};

void Check(bool condition)
{
    if (!condition)
        std::abort();
}

void Collect(TOrvaProtocol& protocol, std::vector<TSeen>& seen)
{
    protocol.SetOnRecord([&seen](const std::string& line, const TDecodedRecord& record) {
        Check(line.size() >= 2 && line.front() == '=' && line.back() == '#');
        TSeen item;
        item.Line = line;
        item.Header = record.Header;
        for (int type = 0; type < FieldTypeCount; ++type) {
            Check(record.Counts[type] <= MaxValuesPerType);
            item.Counts[type] = record.Counts[type];
            for (int i = 0; i < record.Counts[type]; ++i)
                item.Texts.push_back(ValueToText(record.Values[type][i]));
        }
        Check(record.Header.PC != 0 && record.Header.RT != 0);
        seen.push_back(std::move(item));
    });
}

bool SameHeader(const TRecordHeader& a, const TRecordHeader& b)
{
    return a.Program == b.Program && a.Version == b.Version && a.Subversion == b.Subversion && a.ID == b.ID &&
           a.RT == b.RT && a.PC == b.PC;
}

// Bit for bit.
bool SameValue(const TFieldValue& a, const TFieldValue& b)
{
    return a.Kind == b.Kind && a.IntValue == b.IntValue &&
           std::memcmp(&a.FloatValue, &b.FloatValue, sizeof a.FloatValue) == 0 &&
           std::memcmp(&a.DateTimeValue, &b.DateTimeValue, sizeof a.DateTimeValue) == 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const bool initialised = [] {
        SetGermanFormatSettings();
        SetClockOverride([] { return EncodeDateTime(2026, 12, 8, 14, 30, 9); });
        return true;
    }();
    (void)initialised;
    if (size < 2)
        return 0;
    // The first two bytes choose the block sizes; the rest is the received stream.
    const size_t firstBlock = data[0] % 32 + 1;
    const size_t step = data[1] % 8;
    const std::string_view stream(reinterpret_cast<const char*>(data + 2), size - 2);

    TOrvaProtocol whole, split;
    std::vector<TSeen> wholeSeen, splitSeen;
    Collect(whole, wholeSeen);
    Collect(split, splitSeen);
    whole.ProcessData(stream);
    size_t block = firstBlock;
    for (size_t pos = 0; pos < stream.size();) {
        const size_t length = block < stream.size() - pos ? block : stream.size() - pos;
        split.ProcessData(stream.substr(pos, length));
        pos += length;
        block = (block + step) % 97 + 1;
    }

    // Only an overflow (more than 10001 characters in one record) depends on where blocks end.
    if (stream.size() <= static_cast<size_t>(MaxLineLength) + 1) {
        Check(wholeSeen.size() == splitSeen.size());
        for (size_t i = 0; i < wholeSeen.size(); ++i) {
            Check(wholeSeen[i].Line == splitSeen[i].Line);
            Check(SameHeader(wholeSeen[i].Header, splitSeen[i].Header));
            Check(wholeSeen[i].Texts == splitSeen[i].Texts);
            for (int type = 0; type < FieldTypeCount; ++type)
                Check(wholeSeen[i].Counts[type] == splitSeen[i].Counts[type]);
        }
        uint8_t kindA = 0, kindB = 0;
        TRecordHeader headerA, headerB;
        whole.GetHeader(kindA, headerA);
        split.GetHeader(kindB, headerB);
        Check(kindA == kindB && SameHeader(headerA, headerB));
    }

    // Line by line, as the day-file reader feeds lines: in one step where possible, else byte-wise after
    // abandoning an open frame.
    {
        TOrvaProtocol bytewise, lines;
        std::vector<TSeen> bytewiseSeen, linesSeen;
        Collect(bytewise, bytewiseSeen);
        Collect(lines, linesSeen);
        const std::string_view frameBreak("\x01", 1);
        size_t start = 0;
        for (size_t i = 0; i <= stream.size(); ++i) {
            if (i < stream.size() && stream[i] != '\n' && stream[i] != '\r')
                continue;
            const std::string_view line = stream.substr(start, i - start);
            start = i + 1;
            if (bytewise.InsideRecord())
                bytewise.ProcessData(frameBreak);
            bytewise.ProcessData(line);
            if (!lines.ProcessRecordLine(line)) {
                if (lines.InsideRecord())
                    lines.ProcessData(frameBreak);
                lines.ProcessData(line);
            }
            Check(bytewise.InsideRecord() == lines.InsideRecord());
            uint8_t kindA = 0, kindB = 0;
            TRecordHeader headerA, headerB;
            bytewise.GetHeader(kindA, headerA);
            lines.GetHeader(kindB, headerB);
            Check(kindA == kindB && SameHeader(headerA, headerB));
            for (int type = 0; type < FieldTypeCount; ++type) {
                Check(bytewise.Record().Counts[type] == lines.Record().Counts[type]);
                for (int v = 0; v < bytewise.Record().Counts[type]; ++v)
                    Check(SameValue(bytewise.Record().Values[type][v], lines.Record().Values[type][v]));
            }
        }
        Check(bytewiseSeen.size() == linesSeen.size());
        for (size_t i = 0; i < bytewiseSeen.size(); ++i) {
            Check(bytewiseSeen[i].Line == linesSeen[i].Line);
            Check(SameHeader(bytewiseSeen[i].Header, linesSeen[i].Header));
            Check(bytewiseSeen[i].Texts == linesSeen[i].Texts);
        }
    }

    // The body decoder and the text helpers on the raw bytes as well.
    static TDecodedRecord record;
    TOrvaProtocol::ClearRecord(record);
    TOrvaProtocol::DecodeRecordText(stream, record);
    for (int type = 0; type < FieldTypeCount; ++type) {
        Check(record.Counts[type] <= MaxValuesPerType);
        for (int i = 0; i < record.Counts[type]; ++i)
            ValueToText(record.Values[type][i]);
    }
    TFieldValue hex;
    hex.Kind = static_cast<TValueKind>(data[0] % 6);
    hex.IntValue = static_cast<int32_t>(size * 2654435761u);
    hex.FloatValue = static_cast<double>(size) / 7;
    hex.DateTimeValue = static_cast<double>(data[1]) * 400.5;
    ValueToText(hex);
    const std::string text(stream.substr(0, 256));
    TranslateTypeSuffixes(FieldTypeNames, FieldTypeCaptions, text);
    TranslateTypeSuffixes(FieldTypeCaptions, FieldTypeNames, text);
    return 0;
}
