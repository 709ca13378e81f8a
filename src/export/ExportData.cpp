#include "export/ExportData.h"

#include "base/AppGlobals.h"
#include "base/Clock.h"
#include "base/ErrorText.h"
#include "base/FormatSettings.h"
#include "base/MainThread.h"
#include "base/TextEncoding.h"
#include "model/DayFiles.h"
#include "model/Project.h"
#include "model/UiInterfaces.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <filesystem>
#include <system_error>

namespace ExportMessages {
const char* const UnknownFormat = "Unbekanntes Format für Datenexport angegeben!";
const char* const NoFields = "Angegebene Felder für Export sind in aufgezeichneten Daten nicht vorhanden!";
const char* const NoData =
    "Es konnten keine Daten exportiert werden. Entweder sind keine Daten vorhanden im angegebenen Zeitraum "
    "(im Verzeichnis %s) oder es traten Schreibfehler auf!";
const char* const FileDone = "Export in Datei %s erfolgreich abgeschlossen  (%d Datensätze).";
const char* const BatchDone = "Export der Daten erfolgreich abgeschlossen (%d Datensätze).";
const char* const Failed = "Fehler bei Export aufgetreten!";
const char* const ReadingFile = "Lese Daten aus Datei %s ...";
const char* const Cancelled = "Export abgebrochen; die unvollständige Datei \"%s\" wurde gelöscht.";
}  // namespace ExportMessages

namespace {

int64_t ToMs(TDateTime value) { return std::llround(value * MSecsPerDay); }

bool IsAscii(const char* text, size_t size)
{
    for (size_t i = 0; i < size; ++i)
        if (static_cast<unsigned char>(text[i]) >= 0x80)
            return false;
    return true;
}

std::string Replace(const std::string& text, const char* placeholder, const std::string& value)
{
    const size_t at = text.find(placeholder);
    if (at == std::string::npos)
        return text;
    std::string out;
    out.reserve(text.size() + value.size());
    out.append(text, 0, at);
    out.append(value);
    out.append(text, at + 2, std::string::npos);
    return out;
}

}  // namespace

std::string FormatMessage(const char* format, const std::string& text) { return Replace(format, "%s", text); }

std::string FormatMessage(const char* format, int64_t number)
{
    return Replace(format, "%d", std::to_string(number));
}

std::string FormatMessage(const char* format, const std::string& text, int64_t number)
{
    return Replace(Replace(format, "%s", text), "%d", std::to_string(number));
}

std::optional<TExportFormat> ExportFormatFromFileName(const std::string& fileName)
{
    const std::string name = std::filesystem::path(fileName).filename().string();
    const size_t dot = name.find_last_of('.');
    if (dot == std::string::npos)
        return std::nullopt;
    std::string extension = name.substr(dot);
    for (char& c : extension)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c + 32);
    if (extension == ".csv")
        return efCSV;
    if (extension == ".dat")
        return efDAT;
    if (extension == ".xls")
        return efXLS;
    if (extension == ".wk1")
        return efWK1;
    return std::nullopt;
}

int64_t ExportIncrement(int64_t increment, TDateTime startTime, TDateTime endTime, size_t fieldCount)
{
    if (increment > 0)
        return increment;
    const int64_t perField = 30000000 / static_cast<int64_t>(std::max<size_t>(fieldCount, 1));
    const double seconds = (endTime - startTime) * 86400.0;
    const double automatic = std::nearbyint(seconds / static_cast<double>(std::max<int64_t>(perField, 1)));
    return automatic > 0 ? static_cast<int64_t>(automatic) : 0;
}

// --- TExportInterface -----------------------------------------------------------------------------

TExportInterface::TExportInterface(const std::string& fileName, uint16_t /*columns*/)
    : File(fileName), DateTimes(FormatSettings())
{
}

void TExportInterface::NewLine()
{
    ++Row;
    Col = 0;
}

void TExportInterface::SkipCell() { ++Col; }

std::string TExportInterface::DateTimeText(TDateTime value) { return DateTimes.Format(value); }

void TExportInterface::WriteDateTime(TDateTime value) { WriteText(DateTimeText(value)); }

void TExportInterface::WriteHeader(const std::string& text) { WriteText(text); }

void TExportInterface::WriteTitle(const std::string& text) { WriteText(text); }

// --- TCSVExport -----------------------------------------------------------------------------------

TCSVExport::TCSVExport(const std::string& fileName, uint16_t columns)
    : TExportInterface(fileName, columns), SystemDecimalSeparator(FormatSettings().DecimalSeparator)
{
    Separator.assign(1, ';');
    DecimalSeparator.clear();
    QuoteChar.assign(1, '"');
    if (const int error = Out.Create(fileName); error != 0) {
        Error = 1;
        SystemError = error;
    }
}

TCSVExport::~TCSVExport() { Close(); }

void TCSVExport::CheckWrite()
{
    if (Out.Error() != 0 && Error == 0) {
        Error = Out.Error();
        SystemError = Out.Error();
    }
}

void TCSVExport::BeginField()
{
    if (Col > 0)
        Out.Write(Separator.data(), Separator.size());
}

void TCSVExport::WriteField(const char* text, size_t size)
{
    if (Separator.size() <= 1 && QuoteChar.size() <= 1 && size <= 256) {
        // The usual case (one-character separator and quote): straight into the output buffer.
        char* p = Out.Reserve(size + 3);
        char* const start = p;
        if (Col > 0 && !Separator.empty())
            *p++ = Separator[0];
        if (!QuoteChar.empty())
            *p++ = QuoteChar[0];
        for (size_t i = 0; i < size; ++i)
            p[i] = text[i];
        p += size;
        if (!QuoteChar.empty())
            *p++ = QuoteChar[0];
        Out.Commit(static_cast<size_t>(p - start));
        ++Col;
        return;
    }
    BeginField();
    Out.Write(QuoteChar.data(), QuoteChar.size());
    Out.Write(text, size);
    Out.Write(QuoteChar.data(), QuoteChar.size());
    ++Col;
}

void TCSVExport::WriteNumber(double value)
{
    const char separator = DecimalSeparator.empty() ? SystemDecimalSeparator : DecimalSeparator[0];
    if (Separator.size() <= 1 && QuoteChar.size() <= 1) {
        // The number's text is made in the output buffer itself.
        char* p = Out.Reserve(64 + 3);
        char* const start = p;
        if (Col > 0 && !Separator.empty())
            *p++ = Separator[0];
        if (!QuoteChar.empty())
            *p++ = QuoteChar[0];
        p += NumberText(value, separator, p);
        if (!QuoteChar.empty())
            *p++ = QuoteChar[0];
        Out.Commit(static_cast<size_t>(p - start));
        ++Col;
        return;
    }
    char text[64];
    WriteField(text, NumberText(value, separator, text));
}

void TCSVExport::WriteText(const std::string& text)
{
    if (IsAscii(text.data(), text.size())) {
        WriteField(text.data(), text.size());
    } else {
        const std::string ansi = Utf8ToCp1252(text);
        WriteField(ansi.data(), ansi.size());
    }
}

void TCSVExport::WriteDateTime(TDateTime value)
{
    char stack[128];
    if (DateTimes.MaxLength() <= sizeof stack) {
        const size_t n = DateTimes.Format(value, stack);
        if (IsAscii(stack, n)) {
            WriteField(stack, n);
            return;
        }
        WriteText(std::string(stack, n));
        return;
    }
    WriteText(DateTimeText(value));
}

void TCSVExport::NewLine()
{
    Out.Put('\r');
    Out.Put('\n');
    TExportInterface::NewLine();
    CheckWrite();
}

void TCSVExport::SkipCell()
{
    BeginField();
    ++Col;
}

int32_t TCSVExport::GetError()
{
    CheckWrite();
    return Error;
}

void TCSVExport::Close()
{
    if (Closed)
        return;
    Closed = true;
    if (Out.IsOpen())
        Out.Close();
    CheckWrite();
}

// --- TXLSExport -----------------------------------------------------------------------------------

TXLSExport::TXLSExport(const std::string& fileName, uint16_t columns) : TExportInterface(fileName, columns)
{
    if (const int error = Out.Create(fileName); error != 0) {
        Error = 1;
        SystemError = error;
        return;
    }
    Biff = std::make_unique<TBiffFile>(Out);
    Biff->AddFont(TBiffFont{"Arial", 10, false, false, false, false});
    Biff->AddFont(TBiffFont{"Arial", 12, false, true, false, false});
    Biff->AddFont(TBiffFont{"Arial", 12, true, false, false, false});
    const int c = columns >= 4 ? columns : 4;
    Biff->WriteDimensions(0, 0xFFFE, 0, static_cast<uint16_t>(c - 1));
    Row = 0;
    Col = 0;
    Biff->SetColWidth(0, 4000);
    for (int col = 1; col <= c - 1; ++col)
        Biff->SetColWidth(static_cast<uint8_t>(col), 2000);
    CheckWrite();
}

TXLSExport::~TXLSExport() { Close(); }

void TXLSExport::CheckWrite()
{
    if (Out.Error() != 0 && Error == 0) {
        Error = Out.Error();
        SystemError = Out.Error();
    }
}

bool TXLSExport::CanWriteCell()
{
    if (!Biff)
        return false;
    if (Col > 65534) {
        Error = -1;
        return false;
    }
    return true;
}

void TXLSExport::WriteNumber(double value)
{
    if (!CanWriteCell())
        return;
    Biff->WriteNumber(static_cast<uint16_t>(Row), static_cast<uint16_t>(Col), 0, value);
    ++Col;
}

void TXLSExport::WriteText(const std::string& text)
{
    if (!CanWriteCell())
        return;
    Biff->WriteLabel(static_cast<uint16_t>(Row), static_cast<uint16_t>(Col), 0, text);
    ++Col;
}

void TXLSExport::WriteHeader(const std::string& text)
{
    if (!CanWriteCell())
        return;
    Biff->WriteLabel(static_cast<uint16_t>(Row), static_cast<uint16_t>(Col), 0x0100, text);
    ++Col;
}

void TXLSExport::WriteTitle(const std::string& text)
{
    if (!CanWriteCell())
        return;
    Biff->WriteLabel(static_cast<uint16_t>(Row), static_cast<uint16_t>(Col), 0x0200, text);
    ++Col;
}

void TXLSExport::WriteDateTime(TDateTime value) { WriteText(DateTimeText(value)); }

void TXLSExport::NewLine()
{
    if (Row > 65534) {
        Error = -1;
        return;
    }
    TExportInterface::NewLine();
}

int32_t TXLSExport::GetError()
{
    CheckWrite();
    return Error;
}

void TXLSExport::Close()
{
    if (Closed)
        return;
    Closed = true;
    Biff.reset();  // EOF
    if (Out.IsOpen())
        Out.Close();
    CheckWrite();
}

// --- TWKExport ------------------------------------------------------------------------------------

TWKExport::TWKExport(const std::string& fileName, uint16_t columns) : TExportInterface(fileName, columns)
{
    Error = 0;
    if (const int error = Out.Create(fileName); error != 0) {
        Error = 1;
        SystemError = error;
        return;
    }
    WK = std::make_unique<TWKFile>(Out);
    CheckWrite();
}

TWKExport::~TWKExport() { Close(); }

void TWKExport::CheckWrite()
{
    if (Out.Error() != 0 && Error == 0) {
        Error = Out.Error();
        SystemError = Out.Error();
    }
}

void TWKExport::WriteNumber(double value)
{
    if (WK)
        WK->WriteNumber(static_cast<uint16_t>(Row), static_cast<uint16_t>(Col), TWKFile::NumberFormat, value);
    ++Col;
}

void TWKExport::WriteText(const std::string& text)
{
    if (WK)
        WK->WriteLabel(static_cast<uint16_t>(Row), static_cast<uint16_t>(Col), TWKFile::DefaultFormat, text);
    ++Col;
}

int32_t TWKExport::GetError()
{
    CheckWrite();
    return Error;
}

void TWKExport::Close()
{
    if (Closed)
        return;
    Closed = true;
    WK.reset();  // EOF
    if (Out.IsOpen())
        Out.Close();
    CheckWrite();
}

std::unique_ptr<TExportInterface> CreateExportWriter(TExportFormat format, const std::string& fileName,
                                                     uint16_t columns)
{
    switch (format) {
    case efXLS: return std::make_unique<TXLSExport>(fileName, columns);
    case efCSV:
    case efDAT: return std::make_unique<TCSVExport>(fileName, columns);
    case efWK1: return std::make_unique<TWKExport>(fileName, columns);
    }
    return nullptr;
}

// --- TExportData ----------------------------------------------------------------------------------

int32_t TExportData::Export(const TProject* project, IProgress* logBox, const std::string& fileName,
                            TExportFormat format, TDateTime startTime, TDateTime endTime, int64_t minIncrement,
                            const TNameList& fields)
{
    ErrorText.clear();
    WasCancelled = false;
    StartTime = startTime;
    EndTime = endTime;
    MinIncrement = minIncrement;
    Fields = fields;
    LogBox = logBox;

    if (format != efXLS && format != efCSV && format != efDAT && format != efWK1) {
        ErrorText = ExportMessages::UnknownFormat;
        return -1;
    }
    if (project == nullptr) {
        ErrorText = "Kein Projekt geöffnet.";
        return -1;
    }
    const std::string folder = FileFolder(fileName);
    if (!folder.empty()) {
        std::error_code error;
        std::filesystem::create_directories(folder, error);
        if (!error && !std::filesystem::is_directory(folder, error))
            error = std::make_error_code(std::errc::not_a_directory);
        if (error) {
            std::error_code ignored;
            const bool fileInTheWay = std::filesystem::exists(folder, ignored) &&
                                      !std::filesystem::is_directory(folder, ignored);
            ErrorText = "Das Verzeichnis \"" + folder + "\" für die Exportdatei kann nicht angelegt werden: " +
                        (fileInTheWay ? std::string("Es gibt dort bereits eine Datei dieses Namens")
                                      : SystemErrorText(error.value()));
            return -1;
        }
    }

    const size_t columns = std::min<size_t>(fields.size() + 1, 0xFFFF);
    Writer = CreateExportWriter(format, fileName, static_cast<uint16_t>(columns));
    if (format == efDAT) {
        Writer->Separator.assign(1, ',');
        Writer->DecimalSeparator.assign(1, '.');
        Writer->QuoteChar.clear();
        Writer->NoHeader = true;
    }
    if (Writer->GetError() != 0) {
        ErrorText = "Die Exportdatei \"" + fileName + "\" kann nicht angelegt werden: " +
                    SystemErrorText(Writer->SystemError);
        Writer.reset();
        return -1;
    }

    if (!Writer->NoHeader)
        WriteHeaderBlock(project);
    Writer->WriteHeader("Zeit");
    for (const std::string& field : Fields)
        Writer->WriteHeader(PlainFieldName(field));
    Writer->NewLine();
    const int32_t firstDataRow = Writer->Row;

    StartMs = ToMs(StartTime);
    EndMs = ToMs(EndTime);
    NextMs = StartMs;
    DaysDone = 0;
    TotalMinutes = MinutesBetween(StartTime, EndTime);

    const std::vector<TRecordedDay> days = RecordedDays(*project, StartTime, EndTime, TDayWalk::CalendarDays);
    const TFieldLookup lookup(project, Fields);
    TRecordedDataReader reader;
    reader.Threads = Threads;
    reader.IdleIntervalMs = IdleIntervalMs;
    const bool read = Writer->GetError() == 0 && reader.Read(days, lookup, *this);
    NextTime = static_cast<double>(NextMs) / MSecsPerDay;

    Writer->Close();
    int32_t result = -1;
    if (WasCancelled) {
        std::error_code ignored;
        std::filesystem::remove(fileName, ignored);
        ErrorText = FormatMessage(ExportMessages::Cancelled, fileName);
    } else if (!read && !reader.ErrorText.empty()) {
        ErrorText = reader.ErrorText;
    } else if (Writer->GetError() != 0) {
        ErrorText = WriteFailure();
    } else {
        RecordCount = Writer->Row - firstDataRow;
        result = 0;
    }
    Writer.reset();
    LogBox = nullptr;
    return result;
}

std::string TExportData::WriteFailure() const
{
    if (Writer->Error == -1)
        return "Die Exportdatei \"" + Writer->FileName() +
               "\" kann nicht geschrieben werden: mehr Zeilen oder Spalten, als das XLS-Format fassen kann "
               "(höchstens 65535).";
    return "Fehler beim Schreiben der Exportdatei \"" + Writer->FileName() +
           "\": " + SystemErrorText(Writer->SystemError != 0 ? Writer->SystemError : EIO);
}

void TExportData::WriteHeaderBlock(const TProject* project)
{
    TExportInterface& w = *Writer;
    w.WriteTitle(ProgramTitle);
    w.NewLine();
    w.WriteText(WebAddress);
    w.NewLine();
    std::string projectFile = project->GetFileName();
    if (!projectFile.empty()) {
        std::error_code error;
        const std::filesystem::path absolute = std::filesystem::absolute(projectFile, error);
        if (!error)
            projectFile = absolute.lexically_normal().string();
    }
    w.WriteText("Projekt-Datei:");
    w.WriteText(projectFile);
    w.NewLine();
    w.WriteText("Name:");
    w.WriteText(project->GetName());
    w.NewLine();
    w.WriteText("Export am: ");
    w.WriteDateTime(Now());
    w.NewLine();
    w.WriteText("Von:");
    w.WriteDateTime(StartTime);
    w.WriteText("Bis:");
    w.WriteDateTime(EndTime);
    w.NewLine();
}

bool TExportData::Record(const TRecordHeader& header, const TFieldValue* values)
{
    if (WasCancelled)
        return false;
    const int64_t t = ToMs(header.RT);
    if (t < NextMs || t > EndMs || t < StartMs)
        return true;
    TExportInterface& w = *Writer;
    w.WriteDateTime(header.RT);
    const size_t count = Fields.size();
    for (size_t i = 0; i < count; ++i) {
        const TFieldValue& value = values[i];
        switch (value.Kind) {
        case vkFloat: w.WriteNumber(value.FloatValue); break;
        case vkInteger:
        case vkHex: w.WriteNumber(static_cast<double>(value.IntValue)); break;
        case vkDateTime: w.WriteDateTime(value.DateTimeValue); break;
        default: w.SkipCell(); break;
        }
    }
    w.NewLine();
    NextMs += MinIncrement * 1000;
    return w.GetError() == 0;
}

void TExportData::DayBegin(const TRecordedDay& day)
{
    if (LogBox)
        LogBox->AddLine(FormatMessage(ExportMessages::ReadingFile,
                                      std::filesystem::path(day.FileName).filename().string()));
}

void TExportData::DayEnd(const TRecordedDay& /*day*/, uint64_t /*lines*/, bool /*ok*/)
{
    ++DaysDone;
    if (LogBox) {
        // 100 x m1 / m2 with m1 the whole minutes of the days done; a range under one minute is done.
        double percent = 100.0;
        if (TotalMinutes > 0)
            percent =
                std::min(100.0, 100.0 * static_cast<double>(DaysDone * 1440) / static_cast<double>(TotalMinutes));
        LogBox->SetProgress(percent);
    }
    CheckCancel();
}

void TExportData::Idle()
{
    ProcessMessages();
    CheckCancel();
}

void TExportData::CheckCancel()
{
    if (CancelRequested && CancelRequested())
        WasCancelled = true;
}
