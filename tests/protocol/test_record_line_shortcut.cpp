// Whole record lines in one step (ProcessRecordLine, DecodeCommonRecordText) against the byte-wise
// framing and the general field decoder: the same records, values, refusals and decoder state for
// damaged, cut, odd and ordinary lines, and for every line of the fuzz corpora.
#include "base/Clock.h"
#include "base/FormatSettings.h"
#include "protocol/RecordDecoder.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

using namespace dedezuviv::base;
using namespace dedezuviv::protocol;
using testsupport::ReadFile;
using testsupport::SourcePath;

namespace {

const std::string Ordinary =
    "=MD/p100013/v0102/t+023,45/t-005,00/t+000,00/n1234,5/d0,75/i0110/m21/o1001/xFF/y08.12.26/z14:30:05/"
    "r08.12.26 14:30:07#";
const std::string Addition = "=MR/t+011,00/n7/i1/z14:30:06/r08.12.26 14:30:08#";
// A byte no record holds: it abandons an open frame, as the day-file reader does at a line start.
const std::string FrameBreak("\x01", 1);

// Every bit of a decoded record (values up to the counts) as text, doubles exactly.
std::string Describe(const TDecodedRecord& record)
{
    char buffer[160];
    const TRecordHeader& h = record.Header;
    std::snprintf(buffer, sizeof buffer, "P%d V%d S%d I%d RT%a PC%a |", h.Program, h.Version, h.Subversion, h.ID,
                  h.RT, h.PC);
    std::string text = buffer;
    for (int type = 0; type < FieldTypeCount; ++type) {
        text += " " + std::to_string(record.Counts[type]) + ":";
        for (int i = 0; i < record.Counts[type]; ++i) {
            const TFieldValue& v = record.Values[type][i];
            std::snprintf(buffer, sizeof buffer, " %d/%a/%d/%a", static_cast<int>(v.Kind), v.FloatValue, v.IntValue,
                          v.DateTimeValue);
            text += buffer;
        }
    }
    return text;
}

// A decoder fed line by line that logs every record it reports and its state after each line.
class LineFeeder {
public:
    explicit LineFeeder(bool shortcut) : Shortcut(shortcut)
    {
        Decoder.SetOnRecord([this](const std::string& line, const TDecodedRecord& record) {
            Log += "record " + line + " " + Describe(record) + "\n";
        });
    }
    void Feed(const std::string& line)
    {
        if (Shortcut && Decoder.ProcessRecordLine(line)) {
            ++Shortcuts;
        } else {
            if (Decoder.InsideRecord())
                Decoder.ProcessData(FrameBreak);
            Decoder.ProcessData(line);
        }
        uint8_t kind = 0;
        TRecordHeader header;
        Decoder.GetHeader(kind, header);
        Log += "state " + std::to_string(Decoder.InsideRecord()) + " " + std::to_string(kind) + " " +
               Describe(Decoder.Record()) + "\n";
    }

    const bool Shortcut;
    TOrvaProtocol Decoder;
    std::string Log;
    int Shortcuts = 0;
};

// Feeds the lines to a byte-wise decoder and to one taking whole lines; both logs must agree. The
// number of lines taken in one step.
int ExpectSameDecoding(const std::vector<std::string>& lines, const std::string& what)
{
    LineFeeder bytewise(false), whole(true);
    for (const std::string& line : lines) {
        bytewise.Feed(line);
        whole.Feed(line);
    }
    EXPECT_EQ(bytewise.Log, whole.Log) << what;
    return whole.Shortcuts;
}

// The common-shape decoder on a body from a given record state, with the general decoder after it where
// it declines, gives exactly what the general decoder alone gives.
void ExpectSameBody(const std::string& body, const TDecodedRecord& before, const std::string& what)
{
    auto general = std::make_unique<TDecodedRecord>(before);
    auto combined = std::make_unique<TDecodedRecord>(before);
    const bool generalOk = TOrvaProtocol::DecodeRecordText(body, *general);
    bool combinedOk = TOrvaProtocol::DecodeCommonRecordText(body, *combined);
    if (!combinedOk) {
        EXPECT_EQ(Describe(before).substr(0, Describe(before).find('|')),
                  Describe(*combined).substr(0, Describe(*combined).find('|')))
            << what;
        EXPECT_EQ(0, std::memcmp(before.Counts, combined->Counts, sizeof before.Counts)) << what;
        combinedOk = TOrvaProtocol::DecodeRecordText(body, *combined);
    }
    EXPECT_EQ(generalOk, combinedOk) << what;
    EXPECT_EQ(Describe(*general), Describe(*combined)) << what;
}

// Record states a body may meet: empty, and holding the values of an earlier record.
std::vector<std::unique_ptr<TDecodedRecord>> States()
{
    std::vector<std::unique_ptr<TDecodedRecord>> states;
    states.push_back(std::make_unique<TDecodedRecord>());
    TOrvaProtocol::ClearRecord(*states.back());
    states.push_back(std::make_unique<TDecodedRecord>(*states.back()));
    TOrvaProtocol::DecodeRecordText(Ordinary.substr(1, Ordinary.size() - 2), *states.back());
    return states;
}

void ExpectSameForLine(const std::string& line, int* shortcuts = nullptr)
{
    const int taken = ExpectSameDecoding({Ordinary, line, Addition, line}, line);
    if (shortcuts)
        *shortcuts += taken;
    const std::string body = line.size() >= 2 && line.front() == '=' && line.back() == '#'
                                 ? line.substr(1, line.size() - 2)
                                 : line;
    for (const auto& state : States())
        ExpectSameBody(body, *state, line);
}

class RecordLineShortcut : public ::testing::Test {
protected:
    void SetUp() override
    {
        SetGermanFormatSettings();
        SetClockOverride([] { return EncodeDateTime(2026, 12, 8, 14, 30, 9); });
    }
    void TearDown() override { SetClockOverride({}); }
};

TEST_F(RecordLineShortcut, OrdinaryLinesAreTakenWholeWithTheSameRecords)
{
    int shortcuts = 0;
    for (const std::string& line : {Ordinary, Addition, std::string("=ME/t+001,00/z00:00:00/r01.01.00 00:00:00#"),
                                    std::string("=MD/q17/Text/t+100,00#")})
        ExpectSameForLine(line, &shortcuts);
    // Every line of these sequences (the case line twice among the ordinary ones) goes the short way.
    EXPECT_EQ(shortcuts, 4 * 4);
}

TEST_F(RecordLineShortcut, OddFieldFormsDecodeAsTheGeneralDecoderDoes)
{
    const char* const fields[] = {
        "t+20,5",      "t 020,00",   "t0020,00",    "t-070,01",   "t-070,00",   "t+999,99",   "t-000,00",
        "t+020,00x",   "t+02O,00",   "t+020.00",    "t",          "n",          "n,5",        "n5,",
        "n-0",         "n+0,0",      "n123456789012345", "n1234567890123456", "n1,5e3", "n 5", "n1,2,3",
        "d0,75",       "d-,5",       "i",           "i01a",       "m",          "o9",         "i0123456789",
        "x",           "xFFFFFFFF",  "x100000000",  "xg",         "x00000000FF", "xaBc",      "x-1",
        "p12345",      "p1234567",   "p 12345",     "p+12345",    "p999999",    "v12",        "v1a02",
        "v 1 2",       "v+102",      "r31.02.26 10:00:00",        "r08.12.26 24:00:00",       "r08/12/26 10:00:00",
        "r08.12.26 10:00",           "r08.12.2610:00:00x",        "r08-12-26T10:00:00",       "r 8.12.26 10:00:00",
        "y29.02.25",   "y29.02.24",  "y08-12-26",   "y8.12.26",   "y08.12.2026", "z14:30",    "z14:30:05,5",
        "z25:00:00",   "z14-30-05",  "z 4:30:05",   "q123",       "Mxyz",       "MD",         "7",
        " blank",      "Z",          "P123",        "T+020,00"};
    const std::string head = "=MD/p100013/v0102/t+020,00/y08.12.26/z14:30:05/";
    const std::string tail = "/n1/r08.12.26 14:30:07#";
    for (const char* field : fields) {
        ExpectSameForLine(head + field + tail);
        ExpectSameForLine(head + field + "#");
        ExpectSameForLine("=MR/" + std::string(field) + "#");
    }
}

TEST_F(RecordLineShortcut, DamagedFramesAndOddRecordTypesDecodeAsTheGeneralDecoderDoes)
{
    const std::string body = Ordinary.substr(1, Ordinary.size() - 2);
    const std::string lines[] = {
        "",                  "=",               "#",                     "=#",            "==MD/t+020,00#",
        "=MD#",              "=MD/#",           "=MR#",                  "=ME/#",         "=MX/t+020,00#",
        "=MDX/t+020,00#",    "=md/t+020,00#",   "=M/t+020,00#",          "=/MD/t+020,00#", "=q1/MD/t+020,00#",
        "=MD//t+020,00#",    "=MD/t+020,00/#",  "=MD/t+020,00//#",       "*" + body + "#", " " + body + "#",
        "=" + body + "#=MR/t+001,00#",          "=" + body + "#junk",    "junk=" + body + "#",
        "=" + body,          "=" + body + "%#", "=MD/t+0%20,00#",        "=MD/t+020,00\t#",
        "=MD/t+020,00" + std::string("\xC3\xA4") + "#",                  "=MD/t+020,00" + std::string(1, '\0') + "#",
        "=" + body + "##",   "=MD/t+020,00#/r08.12.26 14:30:07#"};
    for (const std::string& line : lines)
        ExpectSameForLine(line);
}

TEST_F(RecordLineShortcut, CutAndJunkAtEveryPositionDecodeAsTheGeneralDecoderDoes)
{
    for (const std::string& line : {Ordinary, Addition}) {
        for (size_t cut = 0; cut <= line.size(); ++cut) {
            ExpectSameForLine(line.substr(0, cut));
            ExpectSameForLine(line.substr(0, cut) + "#");
            for (const char* junk : {"/", "#", "=", "%", ",", "-", "9", "x", " ", "\x7F", "//"}) {
                std::string damaged = line;
                damaged.insert(cut, junk);
                ExpectSameForLine(damaged);
                if (cut < line.size()) {
                    damaged = line;
                    damaged.replace(cut, 1, junk);
                    ExpectSameForLine(damaged);
                }
            }
        }
    }
}

TEST_F(RecordLineShortcut, LongLinesAndFullValueListsDecodeAsTheGeneralDecoderDoes)
{
    // Bodies around the longest the line buffer holds, and more values of one type than a record keeps.
    std::string fill = "MD";
    while (fill.size() < static_cast<size_t>(MaxLineLength) + 20)
        fill += "/t+001,25";
    for (int delta = -12; delta <= 12; ++delta) {
        const size_t length = static_cast<size_t>(MaxLineLength + delta);
        std::string body = fill.substr(0, length);
        ExpectSameForLine("=" + body + "#");
        body.back() = 'q';
        ExpectSameForLine("=" + body + "#");
    }
    std::string digits = "=MD/i";
    for (int i = 0; i < 450; ++i)
        digits += static_cast<char>('0' + i % 10);
    ExpectSameForLine(digits + "/z10:00:00#");
}

TEST_F(RecordLineShortcut, FuzzCorporaDecodeAsTheGeneralDecoderDoes)
{
    int files = 0;
    for (const char* corpus : {"fuzz/corpus/decoder", "fuzz/corpus/dayfiles"}) {
        for (const auto& entry : std::filesystem::directory_iterator(SourcePath(corpus))) {
            const std::string bytes = ReadFile(entry.path());
            std::vector<std::string> lines;
            size_t start = 0;
            for (size_t i = 0; i <= bytes.size(); ++i) {
                if (i == bytes.size() || bytes[i] == '\n' || bytes[i] == '\r') {
                    lines.push_back(bytes.substr(start, i - start));
                    start = i + 1;
                }
            }
            ExpectSameDecoding(lines, entry.path().string());
            for (const std::string& line : lines)
                ExpectSameForLine(line);
            ++files;
        }
    }
    EXPECT_GE(files, 10);
}

}  // namespace
