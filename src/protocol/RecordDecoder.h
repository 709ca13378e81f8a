// The controller record decoder: frames "=" ... "#" records in a byte stream cut anywhere, decodes
// their fields into a fixed-size record and hands each valid record with its normalised text to the
// owner. Also the field type tables and the type suffix translation of field names.
#pragma once

#include "base/DateTime.h"
#include "protocol/Namespace.h"

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace dedezuviv::protocol {

enum TFieldType : int {
    ftTemperature = 0,
    ftCounter = 1,
    ftValue = 2,
    ftTime = 3,
    ftInput = 4,
    ftState = 5,
    ftOutput = 6,
    ftIntern = 7,
};
constexpr int FieldTypeCount = 8;

using TFieldTypeTable = std::array<std::string, FieldTypeCount>;
// Stored names ("Temperature" ...), display names ("Temperatur" ...) and default units ("°C" ...).
extern const TFieldTypeTable FieldTypeNames;
extern const TFieldTypeTable FieldTypeCaptions;
extern const TFieldTypeTable FieldTypeUnits;

enum TValueKind : uint8_t { vkNone = 0, vkFloat = 1, vkInteger = 2, vkDateTime = 3, vkHex = 4 };

struct TFieldValue {
    double FloatValue = 0;
    int32_t IntValue = 0;
    TDateTime DateTimeValue = 0;
    TValueKind Kind = vkNone;
};

struct TRecordHeader {
    int32_t Program = 0;
    int32_t Version = 0;
    int32_t Subversion = 0;
    int32_t ID = 0;
    TDateTime RT = 0;
    TDateTime PC = 0;
};

constexpr int MaxValuesPerType = 200;
constexpr int MaxLineLength = 10000;
// "Program,Version,Subversion,ID,RT,PC"
extern const std::string SystemFieldNames;

// A plain block without pointers: owners copy it whole.
struct TDecodedRecord {
    TFieldValue Values[FieldTypeCount][MaxValuesPerType];
    uint16_t Counts[FieldTypeCount];
    TRecordHeader Header;
};

enum TFrameKind : uint8_t { frNone = 0, frStar = 1, frBlank = 2, frEquals = 3 };

class TOrvaProtocol {
public:
    // Receives the normalised record text and the decoded record (valid during the call only). The
    // handler must not feed the same decoder again.
    using TRecordHandler = std::function<void(const std::string& line, const TDecodedRecord& record)>;

    TOrvaProtocol();

    // Consumes received bytes; fires the record handler zero or more times before it returns. Blocks
    // may cut a record anywhere. Never throws (only a throwing handler can) and allocates nothing.
    void ProcessData(std::string_view data);
    // Feeds one line of recorded data that starts a record of its own: the same as abandoning an open
    // frame and then ProcessData(line), for a line that is exactly "=", bytes the framing keeps and "#"
    // with a body the line buffer holds. Its body is decoded by DecodeCommonRecordText where it can
    // be. Returns false, having changed nothing, for any other line; the caller then feeds it byte-wise.
    bool ProcessRecordLine(std::string_view line);
    // Back to the state of a new decoder (the handler stays), keeping its buffers.
    void Reset();
    void SetOnRecord(TRecordHandler handler);
    void GetHeader(uint8_t& frameKind, TRecordHeader& header) const;

    const TDecodedRecord& Record() const { return *Decoded; }
    // Whether a frame is open: the bytes fed so far end inside a record that has not completed, been
    // abandoned or overflowed. Readers of recorded data use it to end a frame that a damaged line left
    // open (RecordedDays).
    bool InsideRecord() const { return InRecord; }
    // Whether the line of the record just completed ends with a "/r" reception time that this decoder
    // appended (the record had none of its own). Valid during the record handler.
    bool ReceptionTimeAppended() const { return AppendedReceptionTime; }

    // The steps of decoding, public for tests. FinishRecord completes the body held in the line buffer.
    static bool DecodeRecordText(std::string_view body, TDecodedRecord& record);
    // DecodeRecordText for a body of the shape the controllers write: "MD", "MR" or "ME" first, then
    // fields in their usual forms (temperatures "+ddd,dd", plain decimals, digit strings, "dd.mm.yy",
    // "hh:mm:ss"). True with the same record as DecodeRecordText gives when the body has that shape and
    // is valid; false for every other body, with the record's counts and header as they were (values of
    // an "MD" body may be overwritten, which DecodeRecordText replaces anyway), so that DecodeRecordText
    // on the record then gives exactly what it gives on the record before.
    static bool DecodeCommonRecordText(std::string_view body, TDecodedRecord& record);
    static void ClearRecord(TDecodedRecord& record);
    static void AddValue(TDecodedRecord& record, TFieldType type, const TFieldValue& value);
    void FinishRecord();

private:
    void ClearLine();
    // FinishRecord, with the common-shape decoder tried first when CommonShape is set.
    void CompleteRecord(bool commonShape);

    // "=" followed by the body received so far.
    std::string Line;
    bool InRecord = false;
    bool AppendedReceptionTime = false;
    TFrameKind FrameKind = frNone;
    // On the heap: at about 38 KB the record is too large for the stack of callers that keep a decoder.
    std::unique_ptr<TDecodedRecord> Decoded;
    TRecordHandler OnRecord;
};

std::string TranslateTypeSuffixes(const TFieldTypeTable& fromNames, const TFieldTypeTable& toNames,
                                  const std::string& text);
void TranslateTypeSuffixesInList(const TFieldTypeTable& fromNames, const TFieldTypeTable& toNames,
                                 std::vector<std::string>& list);

}  // namespace dedezuviv::protocol
