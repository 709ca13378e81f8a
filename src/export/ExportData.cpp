#include "export/ExportData.h"

#include "base/AppGlobals.h"
#include "base/AsciiText.h"
#include "base/Clock.h"
#include "base/ErrorText.h"
#include "base/MainThread.h"
#include "export/BatchDayReader.h"
#include "export/ExportInterface.h"
#include "model/DayFiles.h"
#include "model/Project.h"
#include "model/UiInterfaces.h"
#include "export/Namespace.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <filesystem>
#include <system_error>

namespace dedezuviv::exports {

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

// Rows of the header block above the column names (WriteHeaderBlock).
constexpr int64_t HeaderBlockRows = 6;

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

int64_t ExportSpanMs(TDateTime from, TDateTime to) { return DateTimeToMs(to) - DateTimeToMs(from); }

int64_t SheetIncrement(TExportFormat format, int64_t spanMs)
{
    const TExportFormatRow* row = ExportFormatRow(format);
    if (row == nullptr || row->MaxRows <= 0 || spanMs < 0)
        return 0;
    const int64_t dataRows = row->MaxRows - (row->NoHeader ? 0 : HeaderBlockRows) - 1;
    if (spanMs / 1000 + 1 <= dataRows)
        return 0;
    // step > SpanMs / (1000 x rows): SpanMs / step < 1000 x rows, so at most rows grid points.
    return spanMs / (1000 * dataRows) + 1;
}

int64_t ExportIncrement(int64_t increment, TDateTime startTime, TDateTime endTime, size_t fieldCount,
                        TExportFormat format, int64_t fileSpanMs)
{
    if (increment > 0)
        return increment;
    const int64_t perField = 30000000 / static_cast<int64_t>(std::max<size_t>(fieldCount, 1));
    const double seconds = (endTime - startTime) * 86400.0;
    const double automatic = std::nearbyint(seconds / static_cast<double>(std::max<int64_t>(perField, 1)));
    const int64_t byValues = automatic > 0 ? static_cast<int64_t>(automatic) : 0;
    const int64_t span = fileSpanMs < 0 ? ExportSpanMs(startTime, endTime) : fileSpanMs;
    return std::max(byValues, SheetIncrement(format, span));
}

TExportData::TExportData() = default;

TExportData::~TExportData() = default;

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

    if (ExportFormatRow(format) == nullptr) {
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

    Taking = TIncrementRule(StartTime, EndTime, MinIncrement);
    DaysDone = 0;
    TotalMinutes = MinutesBetween(StartTime, EndTime);

    const std::vector<TRecordedDay> days = RecordedDays(*project, StartTime, EndTime, TDayWalk::CalendarDays);
    const TFieldLookup lookup(project, Fields);
    bool read = false;
    std::string readError;
    if (Writer->GetError() == 0 && DayReader != nullptr) {
        DayReader->Threads = Threads;
        DayReader->IdleIntervalMs = IdleIntervalMs;
        read = DayReader->Read(days, lookup, Fields, *this, StartTime, EndTime);
        readError = DayReader->ErrorText;
    } else if (Writer->GetError() == 0) {
        // Rows made by the decoding workers where the format writes them as plain bytes.
        const std::unique_ptr<IRecordFormatter> rowText = Writer->RowFormatter(Fields.size());
        TRecordedDataReader reader;
        reader.Formatter = rowText.get();
        reader.Threads = Threads;
        reader.IdleIntervalMs = IdleIntervalMs;
        read = reader.Read(days, lookup, *this);
        readError = reader.ErrorText;
    }
    NextTime = Taking.NextTime();

    // Only a complete file takes the place of the target; anything else is removed with the writer,
    // and an earlier file of that name stays as it was.
    if (!WasCancelled && (read || readError.empty()))
        Writer->Commit();
    else
        Writer->Close();
    int32_t result = -1;
    if (WasCancelled) {
        ErrorText = FormatMessage(ExportMessages::Cancelled, fileName);
    } else if (!read && !readError.empty()) {
        ErrorText = readError;
    } else if (Writer->GetError() != 0) {
        ErrorText = WriteFailure(format);
    } else {
        RecordCount = Writer->Row - firstDataRow;
        result = 0;
    }
    Writer.reset();
    LogBox = nullptr;
    return result;
}

std::string TExportData::WriteFailure(TExportFormat format) const
{
    if (Writer->Error == -1) {
        const TExportFormatRow& row = *ExportFormatRow(format);
        return "Die Exportdatei \"" + Writer->FileName() +
               "\" kann nicht geschrieben werden: mehr Zeilen oder Spalten, als das " + UpperAscii(row.Extension) +
               "-Format fassen kann (höchstens " + std::to_string(row.MaxRows) + " Zeilen und " +
               std::to_string(row.MaxColumns) + " Spalten).";
    }
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
    if (!Taking.Take(header.RT))
        return true;
    Writer->WriteRecordRow(header.RT, values, Fields.size());
    return Writer->GetError() == 0;
}

bool TExportData::FormattedRecord(const TRecordHeader& header, const TFieldValue* /*values*/,
                                  std::string_view text)
{
    if (WasCancelled)
        return false;
    if (!Taking.Take(header.RT))
        return true;
    Writer->WriteRowText(text);
    return Writer->GetError() == 0;
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

}  // namespace dedezuviv::exports
