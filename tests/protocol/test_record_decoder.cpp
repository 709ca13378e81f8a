// The controller record decoder: framing, field decoding and the record header.
#include "base/Clock.h"
#include "base/FormatSettings.h"
#include "protocol/RecordDecoder.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

using namespace dedezuviv::base;
using namespace dedezuviv::protocol;

using namespace std::string_literals;

namespace {

const TDateTime ReceptionTime = EncodeDateTime(2026, 12, 8, 14, 30, 9);

const char* const Example1 =
    "=MD/p312345/v0102/t+023,45/t-005,00/n1234,5/d12,75/i0110/m21/o1001/xFF/y08.12.26/z14:30:05/"
    "r08.12.26 14:30:07#";

struct TReport {
    std::string Line;
    std::unique_ptr<TDecodedRecord> Record;
};

// A decoder with a handler that keeps a copy of every reported record.
class Decoder : public ::testing::Test {
protected:
    void SetUp() override
    {
        SetGermanFormatSettings();
        SetClockOverride([] { return ReceptionTime; });
        Protocol.SetOnRecord([this](const std::string& line, const TDecodedRecord& record) {
            Reports.push_back({line, std::make_unique<TDecodedRecord>(record)});
        });
    }
    void TearDown() override { SetClockOverride({}); }

    const TDecodedRecord& Last() const { return *Reports.back().Record; }

    TOrvaProtocol Protocol;
    std::vector<TReport> Reports;
};

std::vector<double> Floats(const TDecodedRecord& record, TFieldType type)
{
    std::vector<double> values;
    for (int i = 0; i < record.Counts[type]; ++i) {
        EXPECT_EQ(record.Values[type][i].Kind, vkFloat);
        values.push_back(record.Values[type][i].FloatValue);
    }
    return values;
}

std::vector<int> Integers(const TDecodedRecord& record, TFieldType type)
{
    std::vector<int> values;
    for (int i = 0; i < record.Counts[type]; ++i) {
        EXPECT_EQ(record.Values[type][i].Kind, vkInteger);
        values.push_back(record.Values[type][i].IntValue);
    }
    return values;
}

// Decodes a body into a fresh record.
bool Decode(std::string_view body, TDecodedRecord& record)
{
    TOrvaProtocol::ClearRecord(record);
    return TOrvaProtocol::DecodeRecordText(body, record);
}

bool IsValid(std::string_view body)
{
    auto record = std::make_unique<TDecodedRecord>();
    return Decode(body, *record);
}

}  // namespace

TEST_F(Decoder, StartsEmpty)
{
    uint8_t kind = 99;
    TRecordHeader header;
    header.ID = 5;
    Protocol.GetHeader(kind, header);
    EXPECT_EQ(kind, frNone);
    EXPECT_EQ(header.ID, 0);
    EXPECT_EQ(header.PC, 0);
    for (int t = 0; t < FieldTypeCount; ++t)
        EXPECT_EQ(Protocol.Record().Counts[t], 0);
    // Without a handler a valid record is decoded but reported to nobody.
    TOrvaProtocol silent;
    silent.ProcessData(Example1);
    EXPECT_EQ(silent.Record().Header.Program, 12345);
}

TEST_F(Decoder, FullRecordOfExampleOne)
{
    Protocol.ProcessData(Example1);
    ASSERT_EQ(Reports.size(), 1u);
    EXPECT_EQ(Reports[0].Line, Example1);
    const TDecodedRecord& r = Last();
    EXPECT_EQ(r.Header.ID, 3);
    EXPECT_EQ(r.Header.Program, 12345);
    EXPECT_EQ(r.Header.Subversion, 1);
    EXPECT_EQ(r.Header.Version, 2);
    EXPECT_EQ(Floats(r, ftTemperature), (std::vector<double>{23.45, -5.0}));
    EXPECT_EQ(Floats(r, ftCounter), (std::vector<double>{1234.5}));
    EXPECT_EQ(Floats(r, ftValue), (std::vector<double>{12.75}));
    EXPECT_EQ(Integers(r, ftInput), (std::vector<int>{0, 1, 1, 0}));
    EXPECT_EQ(Integers(r, ftState), (std::vector<int>{2, 1}));
    EXPECT_EQ(Integers(r, ftOutput), (std::vector<int>{1, 0, 0, 1}));
    EXPECT_EQ(Integers(r, ftIntern), (std::vector<int>{255}));
    ASSERT_EQ(r.Counts[ftTime], 1);
    EXPECT_EQ(r.Values[ftTime][0].Kind, vkDateTime);
    EXPECT_EQ(r.Values[ftTime][0].DateTimeValue, EncodeDateTime(2026, 12, 8, 14, 30, 5));
    EXPECT_EQ(r.Header.RT, EncodeDateTime(2026, 12, 8, 14, 30, 5));
    EXPECT_EQ(r.Header.PC, EncodeDateTime(2026, 12, 8, 14, 30, 7));
    uint8_t kind = 0;
    TRecordHeader header;
    Protocol.GetHeader(kind, header);
    EXPECT_EQ(kind, frEquals);
    EXPECT_EQ(header.Program, 12345);
}

TEST_F(Decoder, RecordWithoutTimeGetsReceptionTime)
{
    Protocol.ProcessData("=MD/p312345/t+023,45#");
    ASSERT_EQ(Reports.size(), 1u);
    EXPECT_EQ(Reports[0].Line, "=MD/p312345/t+023,45/r08.12.26 14:30:09#");
    EXPECT_EQ(Last().Header.PC, ReceptionTime);
    EXPECT_EQ(Last().Header.RT, ReceptionTime);
    // Read back from a day file, the appended field gives the same times and the same text.
    TOrvaProtocol reader;
    std::string reread;
    TRecordHeader header;
    reader.SetOnRecord([&](const std::string& line, const TDecodedRecord& record) {
        reread = line;
        header = record.Header;
    });
    SetClockOverride([] { return EncodeDate(2030, 1, 1); });
    reader.ProcessData(Reports[0].Line + "\r\n");
    EXPECT_EQ(reread, Reports[0].Line);
    EXPECT_EQ(header.PC, ReceptionTime);
    EXPECT_EQ(header.RT, ReceptionTime);
}

TEST_F(Decoder, ContinuationRecordsGrowTheDataSet)
{
    Protocol.ProcessData(Example1);
    Protocol.ProcessData("=MR/t+030,00#");
    ASSERT_EQ(Reports.size(), 2u);
    EXPECT_EQ(Reports[1].Line, "=MR/t+030,00#");
    const TDecodedRecord& r = Last();
    EXPECT_EQ(Floats(r, ftTemperature), (std::vector<double>{23.45, -5.0, 30.0}));
    EXPECT_EQ(r.Header.Program, 12345);
    EXPECT_EQ(r.Header.ID, 3);
    EXPECT_EQ(r.Header.PC, EncodeDateTime(2026, 12, 8, 14, 30, 7));
    EXPECT_EQ(r.Header.RT, EncodeDateTime(2026, 12, 8, 14, 30, 5));
    Protocol.ProcessData("=ME/o11#");
    ASSERT_EQ(Reports.size(), 3u);
    EXPECT_EQ(Integers(Last(), ftOutput), (std::vector<int>{1, 0, 0, 1, 1, 1}));
    // The next MD starts a new data set.
    Protocol.ProcessData("=MD/t+001,00/r09.12.26 00:00:01#");
    ASSERT_EQ(Reports.size(), 4u);
    EXPECT_EQ(Floats(Last(), ftTemperature), (std::vector<double>{1.0}));
    EXPECT_EQ(Last().Counts[ftOutput], 0);
    EXPECT_EQ(Last().Header.Program, 0);
    EXPECT_EQ(Last().Header.RT, EncodeDateTime(2026, 12, 9, 0, 0, 1));
}

TEST_F(Decoder, ContinuationWithoutEarlierDataSetGetsReceptionTime)
{
    Protocol.ProcessData("=MR/d1,5#");
    ASSERT_EQ(Reports.size(), 1u);
    EXPECT_EQ(Reports[0].Line, "=MR/d1,5/r08.12.26 14:30:09#");
}

TEST_F(Decoder, InvalidRecordsAreNotReported)
{
    Protocol.ProcessData("=MD/t-075,00#");   // below -70 degrees
    Protocol.ProcessData("=MD/t+23,4/o1x01#");  // five characters of temperature text
    Protocol.ProcessData("=#");
    Protocol.ProcessData("=xx/yy#");  // no type field
    EXPECT_TRUE(Reports.empty());
    // The temperature below -70 is still stored; the o field after the bad t field is not read.
    auto record = std::make_unique<TDecodedRecord>();
    EXPECT_FALSE(Decode("MD/t-075,00", *record));
    EXPECT_EQ(Floats(*record, ftTemperature), (std::vector<double>{-75.0}));
    EXPECT_FALSE(Decode("MD/t+23,4/o1x01", *record));
    EXPECT_EQ(record->Counts[ftTemperature], 0);
    EXPECT_EQ(record->Counts[ftOutput], 0);
    // A valid record after the failures is reported normally.
    Protocol.ProcessData(Example1);
    EXPECT_EQ(Reports.size(), 1u);
}

TEST_F(Decoder, SplittingDownToSingleBytesChangesNothing)
{
    const std::string stream = std::string("\r\n") + Example1 + "\r\n=MR/t+0%30,\r\n00#\r\n=MD/p312345/t+023,45#\r\n" +
                               "junk=MD/t-075,00#\r\n=MD/d1,5/z01:02:03#";
    TOrvaProtocol whole;
    std::vector<std::string> expected;
    whole.SetOnRecord([&](const std::string& line, const TDecodedRecord&) { expected.push_back(line); });
    whole.ProcessData(stream);
    ASSERT_EQ(expected.size(), 4u);
    for (size_t block : {1u, 2u, 3u, 7u, 64u}) {
        TOrvaProtocol split;
        std::vector<std::string> lines;
        std::vector<TRecordHeader> headers;
        split.SetOnRecord([&](const std::string& line, const TDecodedRecord& record) {
            lines.push_back(line);
            headers.push_back(record.Header);
        });
        for (size_t pos = 0; pos < stream.size(); pos += block)
            split.ProcessData(std::string_view(stream).substr(pos, block));
        EXPECT_EQ(lines, expected) << "block size " << block;
        ASSERT_EQ(headers.size(), 4u);
        EXPECT_EQ(headers[3].RT, EncodeTime(1, 2, 3));
        EXPECT_EQ(split.Record().Counts[ftValue], 1);
    }
}

TEST_F(Decoder, LineBreaksAndPercentInsideTheBodyAreDropped)
{
    Protocol.ProcessData("=MD/t+0\r\n23,45/%n1\n2#");
    ASSERT_EQ(Reports.size(), 1u);
    EXPECT_EQ(Reports[0].Line, "=MD/t+023,45/n12/r08.12.26 14:30:09#");
    EXPECT_EQ(Floats(Last(), ftCounter), (std::vector<double>{12.0}));
}

TEST_F(Decoder, FramesOpenedByBlankOrStarNeverComplete)
{
    uint8_t kind = 0;
    TRecordHeader header;
    // A "#" ends such a frame without a report.
    Protocol.ProcessData("*MD/t+001,00#");
    Protocol.GetHeader(kind, header);
    EXPECT_EQ(kind, frStar);
    Protocol.ProcessData(" MD/t+001,00#");
    Protocol.GetHeader(kind, header);
    EXPECT_EQ(kind, frBlank);
    EXPECT_TRUE(Reports.empty());
    // A blank between two records opens a frame; the next "=" abandons it and opens nothing, so the
    // record after it is lost, and the one after that arrives again.
    Protocol.ProcessData("=MD/d1,0# =MD/d2,0#=MD/d3,0#");
    ASSERT_EQ(Reports.size(), 2u);
    EXPECT_EQ(Floats(*Reports[0].Record, ftValue), (std::vector<double>{1.0}));
    EXPECT_EQ(Floats(*Reports[1].Record, ftValue), (std::vector<double>{3.0}));
    Protocol.GetHeader(kind, header);
    EXPECT_EQ(kind, frEquals);
    // CR and LF between records do no harm.
    Reports.clear();
    Protocol.ProcessData("=MD/d1,0#\r\n=MD/d2,0#\n\r=MD/d3,0#");
    EXPECT_EQ(Reports.size(), 3u);
}

TEST_F(Decoder, UnexpectedByteAbandonsTheRecord)
{
    // An "=" inside a record ends it without opening the next record; a cut-off line thus takes the
    // following line with it and the decoder resumes with the line after.
    Protocol.ProcessData("=MD/d1,0\r\n=MD/d2,0#\r\n=MD/d3,0#\r\n");
    ASSERT_EQ(Reports.size(), 1u);
    EXPECT_EQ(Floats(Last(), ftValue), (std::vector<double>{3.0}));
    // Other bytes outside the allowed set abandon too.
    for (const std::string& bad : {"=MD/d1,0!#"s, "=MD/d1,0\t#"s, "=MD/d1,0\x00#"s, "=MD/d\xE4#"s, "=MD/d1_0#"s}) {
        Reports.clear();
        Protocol.ProcessData(bad);
        EXPECT_TRUE(Reports.empty()) << bad;
    }
    // Bytes between records that open no frame are skipped.
    Reports.clear();
    Protocol.ProcessData(std::string("\x00\xFF~!#?", 6) + "=MD/d1,0#");
    EXPECT_EQ(Reports.size(), 1u);
}

TEST_F(Decoder, OverlongLineIsDroppedWithTheRestOfTheBlock)
{
    // 10001 characters are still held; the byte after them overflows the buffer.
    std::string body = "MD/d1,0/";
    body += std::string(MaxLineLength + 1 - body.size(), 'a');
    ASSERT_EQ(body.size(), 10001u);
    Protocol.ProcessData("=" + body + "#");
    EXPECT_TRUE(Reports.empty());
    // The rest of the block after an overflow is dropped, even a complete record.
    Protocol.ProcessData("=" + body + "x#=MD/d2,0#");
    EXPECT_TRUE(Reports.empty());
    // The next block starts fresh.
    Protocol.ProcessData("=MD/d3,0#");
    ASSERT_EQ(Reports.size(), 1u);
    // 10000 characters and the "#" still make a record (the long field is an ignored one).
    std::string longest = "MD/d4,0/";
    longest += std::string(MaxLineLength - longest.size(), 'a');
    Protocol.ProcessData("=" + longest + "#");
    ASSERT_EQ(Reports.size(), 2u);
    EXPECT_EQ(Reports[1].Line, "=" + longest + "/r08.12.26 14:30:09#");
    // A line that reaches the limit bit by bit over many blocks overflows the same way.
    Reports.clear();
    Protocol.ProcessData("=MD/");
    for (int i = 0; i < MaxLineLength + 1 - 3; ++i)
        Protocol.ProcessData("a");
    Protocol.ProcessData("#=MD/d5,0#");
    EXPECT_TRUE(Reports.empty());
    Protocol.ProcessData("=MD/d6,0#");
    EXPECT_EQ(Reports.size(), 1u);
}

TEST_F(Decoder, TwoHundredAndFirstValueIsDropped)
{
    std::string body = "=MD/o" + std::string(150, '1') + "/o" + std::string(51, '0') + "#";
    Protocol.ProcessData(body);
    ASSERT_EQ(Reports.size(), 1u);
    EXPECT_EQ(Last().Counts[ftOutput], MaxValuesPerType);
    EXPECT_EQ(Last().Values[ftOutput][149].IntValue, 1);
    EXPECT_EQ(Last().Values[ftOutput][199].IntValue, 0);
    auto record = std::make_unique<TDecodedRecord>();
    TOrvaProtocol::ClearRecord(*record);
    TFieldValue value;
    value.Kind = vkFloat;
    for (int i = 0; i < 201; ++i) {
        value.FloatValue = i;
        TOrvaProtocol::AddValue(*record, ftCounter, value);
    }
    EXPECT_EQ(record->Counts[ftCounter], 200);
    EXPECT_EQ(record->Values[ftCounter][199].FloatValue, 199.0);
    EXPECT_EQ(record->Counts[ftValue], 0);
}

TEST(DecodeRecordText, TypeField)
{
    EXPECT_FALSE(IsValid(""));
    EXPECT_TRUE(IsValid("MD"));
    EXPECT_TRUE(IsValid("xx/MD/t+001,00"));
    EXPECT_TRUE(IsValid("MDX/t+001,00"));
    EXPECT_FALSE(IsValid("md/t+001,00"));
    EXPECT_FALSE(IsValid("M/D"));
    EXPECT_FALSE(IsValid("t+001,00"));
    // Fields before the type field are ignored, whatever they hold.
    auto record = std::make_unique<TDecodedRecord>();
    EXPECT_TRUE(Decode("t-099,00/p1/MD/d2,5", *record));
    EXPECT_EQ(record->Counts[ftTemperature], 0);
    EXPECT_EQ(Floats(*record, ftValue), (std::vector<double>{2.5}));
}

TEST(DecodeRecordText, FieldBoundaries)
{
    auto record = std::make_unique<TDecodedRecord>();
    // A trailing "/" stays in the last field: the t text has 8 characters then.
    EXPECT_FALSE(Decode("MD/t+001,00/", *record));
    // In a field that may be longer it does harm as well (not a number).
    EXPECT_FALSE(Decode("MD/n1,5/", *record));
    // An empty field or one with an unknown letter changes nothing.
    EXPECT_TRUE(Decode("MD//t+001,00/Q12/ /+5/3/", *record));
    EXPECT_EQ(Floats(*record, ftTemperature), (std::vector<double>{1.0}));
    EXPECT_TRUE(Decode("MD/", *record));
    EXPECT_TRUE(Decode("MD//", *record));
}

TEST(DecodeRecordText, Temperatures)
{
    auto record = std::make_unique<TDecodedRecord>();
    EXPECT_TRUE(Decode("MD/t  12,5 /t-070,00/t1,5E+01", *record));
    EXPECT_EQ(Floats(*record, ftTemperature), (std::vector<double>{12.5, -70.0, 15.0}));
    EXPECT_FALSE(IsValid("MD/t+023.45"));  // the decimal separator is always ","
    EXPECT_FALSE(IsValid("MD/t+0023,45"));
    EXPECT_FALSE(IsValid("MD/tabcdefg"));
    EXPECT_FALSE(IsValid("MD/t-070,01"));
}

TEST(DecodeRecordText, FloatsIgnoreTheProcessDecimalSeparator)
{
    FormatSettings().DecimalSeparator = '.';
    auto record = std::make_unique<TDecodedRecord>();
    EXPECT_TRUE(Decode("MD/n1234,5/d0,75", *record));
    EXPECT_FALSE(IsValid("MD/n1234.5"));
    SetGermanFormatSettings();
    EXPECT_EQ(Floats(*record, ftCounter), (std::vector<double>{1234.5}));
    EXPECT_EQ(Floats(*record, ftValue), (std::vector<double>{0.75}));
    EXPECT_FALSE(IsValid("MD/n"));
    EXPECT_FALSE(IsValid("MD/d1,5x"));
}

TEST(DecodeRecordText, NumbersLongerThanFifteenDigitsAreReadWithoutOverflow)
{
    // More digits than a 64-bit integer holds: read by the general reader, never by integer arithmetic
    // that overflows (the sanitizer build would stop on that).
    auto record = std::make_unique<TDecodedRecord>();
    EXPECT_TRUE(Decode("MD/n1234567890123456789012345/d-99999999999999999999,5/n0000000000000000012,5", *record));
    const std::vector<double> counters = Floats(*record, ftCounter);
    ASSERT_EQ(counters.size(), 2u);
    EXPECT_DOUBLE_EQ(counters[0], 1.234567890123456789012345e24);
    EXPECT_DOUBLE_EQ(counters[1], 12.5);
    EXPECT_EQ(Floats(*record, ftValue), (std::vector<double>{-1e20}));
}

TEST(DecodeRecordText, DigitStrings)
{
    auto record = std::make_unique<TDecodedRecord>();
    // A stray character makes the record invalid, but later digits of the field are still stored.
    EXPECT_FALSE(Decode("MD/i1a2/m5", *record));
    EXPECT_EQ(Integers(*record, ftInput), (std::vector<int>{1, 2}));
    EXPECT_EQ(record->Counts[ftState], 0);
    EXPECT_TRUE(Decode("MD/i/m9870/o", *record));
    EXPECT_EQ(record->Counts[ftInput], 0);
    EXPECT_EQ(Integers(*record, ftState), (std::vector<int>{9, 8, 7, 0}));
    EXPECT_FALSE(IsValid("MD/o1 0"));
}

TEST(DecodeRecordText, HexInternValues)
{
    auto record = std::make_unique<TDecodedRecord>();
    EXPECT_TRUE(Decode("MD/xff/x0/xFFFFFFFF/x7fffffff/x00000000010", *record));
    EXPECT_EQ(Integers(*record, ftIntern), (std::vector<int>{255, 0, -1, 0x7FFFFFFF, 16}));
    EXPECT_FALSE(IsValid("MD/x"));
    EXPECT_FALSE(IsValid("MD/x100000000"));
    EXPECT_FALSE(IsValid("MD/xG1"));
    EXPECT_FALSE(IsValid("MD/x-1"));
    EXPECT_FALSE(IsValid("MD/x 1"));
}

TEST(DecodeRecordText, ProgramAndVersion)
{
    auto record = std::make_unique<TDecodedRecord>();
    EXPECT_TRUE(Decode("MD/p100013/v0102", *record));
    EXPECT_EQ(record->Header.ID, 1);
    EXPECT_EQ(record->Header.Program, 13);
    EXPECT_EQ(record->Header.Subversion, 1);
    EXPECT_EQ(record->Header.Version, 2);
    // Letters in v read as 0 and do no harm.
    EXPECT_TRUE(Decode("MD/vAB07", *record));
    EXPECT_EQ(record->Header.Subversion, 0);
    EXPECT_EQ(record->Header.Version, 7);
    EXPECT_FALSE(IsValid("MD/v010"));
    // A letter in p is invalid; an ID read before the fault stays.
    EXPECT_FALSE(Decode("MD/p41234X", *record));
    EXPECT_EQ(record->Header.ID, 4);
    EXPECT_EQ(record->Header.Program, 0);
    EXPECT_FALSE(Decode("MD/pA12345", *record));
    EXPECT_EQ(record->Header.ID, 0);
    EXPECT_FALSE(IsValid("MD/p12345"));
    EXPECT_FALSE(IsValid("MD/p1234567"));
}

TEST(DecodeRecordText, ReceptionTimeField)
{
    auto record = std::make_unique<TDecodedRecord>();
    EXPECT_TRUE(Decode("MD/r08.12.26 14:30:07", *record));
    EXPECT_EQ(record->Header.PC, EncodeDateTime(2026, 12, 8, 14, 30, 7));
    // The separators may be any characters.
    EXPECT_TRUE(Decode("MD/r08-12-26T14.30.07", *record));
    EXPECT_EQ(record->Header.PC, EncodeDateTime(2026, 12, 8, 14, 30, 7));
    for (const char* bad : {"MD/r31.02.26 14:30:07", "MD/r08.13.26 14:30:07", "MD/r08.12.26 24:00:00",
                            "MD/r08.12.26 14:60:00", "MD/rAB.12.26 14:30:07", "MD/r08.12.26 14:30:0",
                            "MD/r08.12.26 14:30:075"}) {
        EXPECT_FALSE(Decode(bad, *record)) << bad;
        EXPECT_EQ(record->Header.PC, 0) << bad;
    }
    // The r field sets the working time that a later z keeps the date of.
    EXPECT_TRUE(Decode("MD/r08.12.26 14:30:07/z01:02:03", *record));
    EXPECT_EQ(record->Values[ftTime][0].DateTimeValue, EncodeDateTime(2026, 12, 8, 1, 2, 3));
}

TEST(DecodeRecordText, DateAndTimeFields)
{
    auto record = std::make_unique<TDecodedRecord>();
    // y replaces the date and keeps the time; z replaces the time and keeps the date.
    EXPECT_TRUE(Decode("MD/y08.12.26/z14:30:05/y31.01.27/z00:00:01", *record));
    ASSERT_EQ(record->Counts[ftTime], 2);
    EXPECT_EQ(record->Values[ftTime][0].DateTimeValue, EncodeDateTime(2026, 12, 8, 14, 30, 5));
    EXPECT_EQ(record->Values[ftTime][1].DateTimeValue, EncodeDateTime(2027, 1, 31, 0, 0, 1));
    // A z without a date gives a time on 30 December 1899.
    EXPECT_TRUE(Decode("MD/z14:30:05", *record));
    EXPECT_EQ(record->Values[ftTime][0].DateTimeValue, EncodeTime(14, 30, 5));
    // Only the first eight characters of z count.
    EXPECT_TRUE(Decode("MD/y08.12.26/z14:30:05extra", *record));
    EXPECT_EQ(record->Values[ftTime][0].DateTimeValue, EncodeDateTime(2026, 12, 8, 14, 30, 5));
    EXPECT_FALSE(Decode("MD/z25:00:00", *record));
    EXPECT_EQ(record->Counts[ftTime], 0);
    EXPECT_FALSE(IsValid("MD/z14:30"));
    EXPECT_FALSE(IsValid("MD/y08.12.2026"));
    EXPECT_FALSE(IsValid("MD/y29.02.27"));
    EXPECT_TRUE(IsValid("MD/y29.02.28"));
    EXPECT_FALSE(IsValid("MD/yxx.12.26"));
}

TEST(DecodeRecordText, DatesReadOneAfterTheOtherKeepTheirOwnValues)
{
    // The last date read is remembered: a repeated, a changed, an invalid and a repeated invalid date
    // each give what they give alone.
    auto record = std::make_unique<TDecodedRecord>();
    const struct {
        const char* Body;
        bool Valid;
        TDateTime Time;
    } cases[] = {
        {"MD/y08.12.26/z14:30:05", true, EncodeDateTime(2026, 12, 8, 14, 30, 5)},
        {"MD/y08.12.26/z14:30:06", true, EncodeDateTime(2026, 12, 8, 14, 30, 6)},
        {"MD/y09.12.26/z00:00:01", true, EncodeDateTime(2026, 12, 9, 0, 0, 1)},
        {"MD/y08.12.26/z14:30:05", true, EncodeDateTime(2026, 12, 8, 14, 30, 5)},
        {"MD/y29.02.27/z01:00:00", false, 0},
        {"MD/y29.02.27/z01:00:00", false, 0},
        {"MD/y29.02.28/z01:00:00", true, EncodeDateTime(2028, 2, 29, 1, 0, 0)},
        {"MD/y29-02-28/z01:00:00", true, EncodeDateTime(2028, 2, 29, 1, 0, 0)},
        {"MD/r29.02.27 01:00:00", false, 0},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Decode(c.Body, *record), c.Valid) << c.Body;
        if (c.Valid) {
            EXPECT_EQ(record->Values[ftTime][0].DateTimeValue, c.Time) << c.Body;
        }
    }
}

TEST_F(Decoder, RecordTimeIsTheFirstTimeValue)
{
    Protocol.ProcessData("=MD/y08.12.26/z10:15:07/z10:15:08/r08.12.26 10:15:09#");
    ASSERT_EQ(Reports.size(), 1u);
    EXPECT_EQ(Last().Header.RT, EncodeDateTime(2026, 12, 8, 10, 15, 7));
    EXPECT_EQ(Last().Header.PC, EncodeDateTime(2026, 12, 8, 10, 15, 9));
    EXPECT_EQ(Last().Counts[ftTime], 2);
}

TEST(TypeTables, NamesCaptionsUnits)
{
    EXPECT_EQ(FieldTypeNames[ftTemperature], "Temperature");
    EXPECT_EQ(FieldTypeNames[ftIntern], "Intern");
    EXPECT_EQ(FieldTypeCaptions[ftCounter], "Zähler");
    EXPECT_EQ(FieldTypeCaptions[ftOutput], "Relais");
    EXPECT_EQ(FieldTypeUnits[ftTemperature], "°C");
    EXPECT_EQ(FieldTypeUnits[ftValue], "");
    EXPECT_EQ(SystemFieldNames, "Program,Version,Subversion,ID,RT,PC");
}

TEST(TranslateTypeSuffixes, BothDirections)
{
    EXPECT_EQ(TranslateTypeSuffixes(FieldTypeNames, FieldTypeCaptions, "Kessel (temperature)"),
              "Kessel (Temperatur)");
    EXPECT_EQ(TranslateTypeSuffixes(FieldTypeNames, FieldTypeCaptions, "a (Counter), b (OUTPUT) (Intern)"),
              "a (Zähler), b (Relais) (Intern)");
    EXPECT_EQ(TranslateTypeSuffixes(FieldTypeCaptions, FieldTypeNames, "a (ZÄHLER) (zeit)"), "a (Counter) (Time)");
    // Text without a parenthesised type name, or with a bare name, stays as it is.
    EXPECT_EQ(TranslateTypeSuffixes(FieldTypeNames, FieldTypeCaptions, "Temperature (Temperatures) Value"),
              "Temperature (Temperatures) Value");
    EXPECT_EQ(TranslateTypeSuffixes(FieldTypeNames, FieldTypeCaptions, ""), "");
    std::vector<std::string> list = {"Vorlauf (Temperature)", "Pumpe (Output)", "frei"};
    TranslateTypeSuffixesInList(FieldTypeNames, FieldTypeCaptions, list);
    EXPECT_EQ(list, (std::vector<std::string>{"Vorlauf (Temperatur)", "Pumpe (Relais)", "frei"}));
}

TEST_F(Decoder, ResetDecodesWhatFollowsAsANewDecoderDoes)
{
    // A data set that a following "MR" record adds to, and an open frame.
    const std::string before[] = {Example1, Example1 + "=MR/t+030,00"s, "=MR/t+031,00#=MD/p1"s};
    const std::string after = "=MR/t+011,00/y08.12.26/z10:00:00#" + std::string(Example1);
    for (const std::string& text : before) {
        SCOPED_TRACE(text);
        Protocol.ProcessData(text);
        Protocol.Reset();
        Reports.clear();
        Protocol.ProcessData(after);

        TOrvaProtocol fresh;
        std::vector<TReport> expected;
        fresh.SetOnRecord([&expected](const std::string& line, const TDecodedRecord& record) {
            expected.push_back({line, std::make_unique<TDecodedRecord>(record)});
        });
        fresh.ProcessData(after);
        ASSERT_EQ(Reports.size(), expected.size());
        for (size_t i = 0; i < expected.size(); ++i) {
            EXPECT_EQ(Reports[i].Line, expected[i].Line);
            EXPECT_EQ(Floats(*Reports[i].Record, ftTemperature), Floats(*expected[i].Record, ftTemperature));
            EXPECT_EQ(Reports[i].Record->Header.RT, expected[i].Record->Header.RT);
        }
    }
}
