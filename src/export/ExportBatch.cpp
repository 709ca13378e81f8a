#include "export/ExportBatch.h"

#include "base/FormatSettings.h"
#include "base/Log.h"
#include "base/AsciiText.h"
#include "export/BatchDayReader.h"
#include "model/DayFiles.h"
#include "model/Project.h"
#include "model/RecordedDays.h"
#include "model/UiInterfaces.h"
#include "export/Namespace.h"

#include <algorithm>
#include <optional>

namespace dedezuviv::exports {

namespace {

// Position of the first occurrence of Pattern (ASCII letter case ignored), or npos.
size_t FindIgnoringCase(const std::string& text, std::string_view pattern)
{
    if (pattern.empty() || text.size() < pattern.size())
        return std::string::npos;
    for (size_t at = 0; at + pattern.size() <= text.size(); ++at) {
        size_t i = 0;
        while (i < pattern.size() && LowerAscii(text[at + i]) == LowerAscii(pattern[i]))
            ++i;
        if (i == pattern.size())
            return at;
    }
    return std::string::npos;
}

void ReplaceFirst(std::string& text, std::string_view placeholder, const std::string& value)
{
    const size_t at = FindIgnoringCase(text, placeholder);
    if (at != std::string::npos)
        text.replace(at, placeholder.size(), value);
}

// A type's name or ID as part of a file name, which must stay in the folder the mask names: "/" and
// "\\" (which would make or leave a folder) become "_", and so does every "." of a run of dots ("..").
std::string FileNamePart(std::string text)
{
    char previous = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        const bool inDotRun = c == '.' && (previous == '.' || (i + 1 < text.size() && text[i + 1] == '.'));
        if (c == '/' || c == '\\' || inDotRun)
            text[i] = '_';
        previous = c;
    }
    return text;
}

std::string JoinNames(const TNameList& names)
{
    std::string text;
    for (const std::string& name : names)
        text += (text.empty() ? "" : ",") + name;
    return text;
}

// The bar within one period: the engine's percent of the period mapped onto the period's share of
// the whole range. Its per-day lines are not shown.
class TPeriodProgress : public IProgress {
public:
    TPeriodProgress(IProgress& outer, double base, double share) : Outer(outer), Base(base), Share(share) {}
    void AddLine(const std::string&) override {}
    void AppendToLastLine(const std::string&) override {}
    void SetProgress(double percent) override
    {
        Outer.SetProgress(Base + Share * std::clamp(percent, 0.0, 100.0) / 100.0);
    }

private:
    IProgress& Outer;
    double Base, Share;
};

const char* const WriteFailedLine = "Fehler beim Schreiben der Datei \"%s\"!";
const char* const CancelledText = "Batch-Export abgebrochen: %d Dateien geschrieben (%d Datensätze).";

}  // namespace

std::string BatchFileName(const std::string& mask, const TExportType& type, TDateTime periodStart)
{
    const TDateTimeParts p = DecodeDateTime(periodStart);
    std::string name = mask;
    ReplaceFirst(name, "%ID", FileNamePart(type.ID));
    ReplaceFirst(name, "%DAY", TwoDigits(p.Day));
    ReplaceFirst(name, "%MONTH", TwoDigits(p.Month));
    ReplaceFirst(name, "%YEAR", std::to_string(p.Year));
    ReplaceFirst(name, "%HOUR", TwoDigits(p.Hour));
    ReplaceFirst(name, "%MIN", TwoDigits(p.Minute));
    ReplaceFirst(name, "%TYP", FileNamePart(type.Name));
    ReplaceFirst(name, "%TAG", TwoDigits(p.Day));
    ReplaceFirst(name, "%MONAT", TwoDigits(p.Month));
    ReplaceFirst(name, "%JAHR", std::to_string(p.Year));
    ReplaceFirst(name, "%STUNDE", TwoDigits(p.Hour));
    return name;
}

TDateTime NextPeriodStart(TDateTime periodStart, const TExportType& type)
{
    TDateTime next = periodStart;
    if (type.IncYear != 0)
        next = IncMonth(next, 12 * type.IncYear);
    if (type.IncMonth != 0)
        next = IncMonth(next, type.IncMonth);
    if (type.IncDay != 0)
        next = IncSecond(next, static_cast<int64_t>(type.IncDay) * 86400);
    if (type.IncHour != 0 || type.IncMin != 0)
        next = IncSecond(next, static_cast<int64_t>(type.IncHour) * 3600 + static_cast<int64_t>(type.IncMin) * 60);
    return next;
}

int64_t BatchIncrement(int64_t increment, TDateTime start, TDateTime end, size_t fieldCount, TExportFormat format,
                       const TExportType& type)
{
    if (increment > 0)
        return increment;
    // Periods of days, hours and minutes are all alike; months and years differ, so walk them as Run does.
    int64_t longest = 0;
    const bool calendar = type.IncYear != 0 || type.IncMonth != 0;
    for (TDateTime t = start; t < end;) {
        const TDateTime next = NextPeriodStart(t, type);
        if (next <= t)
            break;
        longest = std::max(longest, ExportSpanMs(t, next));
        if (!calendar)
            break;
        t = next;
    }
    return ExportIncrement(increment, start, end, fieldCount, format, longest);
}

std::string JoinPath(const std::string& folder, const std::string& name)
{
    std::string path = folder;
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    if (path == "/")
        return path + name;
    return path + "/" + name;
}

TBatchResult TExportBatch::Run()
{
    TBatchResult result;
    DebugInfo(JoinNames(Fields));
    if (Folder.empty()) {
        result.NoFolder = true;
        return result;
    }
    if (Progress) {
        Progress->AddLine("Auswertung von " + DateTimeToStr(Start) + " bis " + DateTimeToStr(End) + ":");
        Progress->AddLine(FormatMessage("Minimales Zeitinkrement = %d s", Increment));
    }

    // Part of the range done at a time, 0 to 100: by whole minutes, by milliseconds
    // for a range under one minute.
    const int64_t totalMinutes = MinutesBetween(Start, End);
    const int64_t totalMs = MilliSecondsBetween(Start, End);
    auto percentAt = [&](TDateTime t) {
        double done = 0;
        if (totalMinutes > 0)
            done = 100.0 * static_cast<double>(MinutesBetween(Start, t)) / static_cast<double>(totalMinutes);
        else if (totalMs > 0)
            done = 100.0 * static_cast<double>(MilliSecondsBetween(Start, t)) / static_cast<double>(totalMs);
        return std::min(done, 100.0);
    };

    const std::string extension = ExportFormatExtension(Format);
    TExportData exporter;
    TBatchDayReader dayReader;
    exporter.DayReader = &dayReader;
    exporter.Threads = Threads;
    exporter.CancelRequested = Cancelled;
    TDateTime t = Start;
    while (t < End) {
        if (Cancelled && Cancelled()) {
            result.Cancelled = true;
            break;
        }
        const double base = percentAt(t);
        if (Progress)
            Progress->SetProgress(base);
        // SetProgress lets window events run: the user may have cancelled meanwhile.
        if (Cancelled && Cancelled()) {
            result.Cancelled = true;
            break;
        }
        TBatchFile file;
        file.FileName = BatchFileName(Mask, Type, t) + "." + extension;
        file.Path = JoinPath(Folder, file.FileName);
        file.Start = t;
        file.End = NextPeriodStart(t, Type);
        if (file.End <= t) {
            // A period that does not advance: stop instead of writing the same file for ever.
            file.ErrorText = "Der Auswertungszeitraum \"" + Type.Name + "\" führt nicht über " + DateTimeToStr(t) +
                             " hinaus.";
            if (Progress) {
                Progress->AddLine(FormatMessage(WriteFailedLine, file.Path));
                Progress->AddLine(file.ErrorText);
            }
            ++result.Failed;
            result.Files.push_back(std::move(file));
            break;
        }
        DebugInfo("BatchExport: Datei " + file.Path + " ... ");
        std::optional<TPeriodProgress> periodProgress;
        if (Progress)
            periodProgress.emplace(*Progress, base, percentAt(std::min(file.End, End)) - base);
        IProgress* inner = periodProgress ? &*periodProgress : nullptr;
        if (exporter.Export(Project, inner, file.Path, Format, file.Start, file.End, Increment, Fields) != 0) {
            if (exporter.WasCancelled) {
                // The unfinished file is gone; the files written before it stay.
                result.Cancelled = true;
                break;
            }
            file.ErrorText = exporter.ErrorText;
            ++result.Failed;
            if (Progress) {
                Progress->AddLine(FormatMessage(WriteFailedLine, file.Path));
                if (!file.ErrorText.empty())
                    Progress->AddLine(file.ErrorText);
            }
        } else {
            file.Ok = true;
            file.RecordCount = exporter.RecordCount;
            result.Total += exporter.RecordCount;
            if (Progress)
                Progress->AddLine(FormatMessage(ExportMessages::FileDone, file.FileName, exporter.RecordCount));
            DebugInfo(" ok (" + std::to_string(exporter.RecordCount) + " Datensätze).");
        }
        t = file.End;
        result.Files.push_back(std::move(file));
    }
    if (result.Cancelled && Progress)
        Progress->AddLine(CancelledMessage(result));
    else if (Progress)
        Progress->SetProgress(100);
    if (result.Total != 0)
        DebugInfo(FormatMessage(ExportMessages::BatchDone, result.Total));
    return result;
}

bool BatchResultIsFailure(const TBatchResult& result) { return result.Total != 0 && result.Failed > 0; }

std::string BatchResultMessage(const TBatchResult& result, const std::string& dataDir)
{
    std::string message;
    if (result.Total == 0)
        message = FormatMessage(ExportMessages::NoData, dataDir);
    else if (result.Failed > 0)
        message = ExportMessages::Failed;
    else
        message = FormatMessage(ExportMessages::BatchDone, result.Total);
    if (result.Cancelled)
        message = CancelledMessage(result) + (result.Failed > 0 ? std::string("\n\r") + ExportMessages::Failed : "");
    return message;
}

std::string CancelledMessage(const TBatchResult& result)
{
    return FormatMessage(FormatMessage(CancelledText, result.Written()).c_str(), result.Total);
}

bool SelectionFields(const TProject& project, const std::string& name, TNameList& fields)
{
    const TFieldSelection* found = nullptr;
    for (const TFieldSelection& selection : project.FieldSelections)
        if (selection.Name == name) {
            found = &selection;
            break;
        }
    if (!found)
        for (const TFieldSelection& selection : project.FieldSelections)
            if (SameAsciiLetters(selection.Name, name)) {
                found = &selection;
                break;
            }
    if (!found)
        return false;
    fields = found->List ? *found->List : TNameList();
    return true;
}

TNameList UnknownFields(const TProject& project, const TNameList& fields)
{
    TNameList unknown;
    const TFieldLookup lookup(&project, fields);
    for (size_t i = 0; i < fields.size(); ++i)
        if (SystemFieldIndex(fields[i]) < 0 && lookup.FieldType(i) < 0)
            unknown.push_back(fields[i]);
    return unknown;
}

}  // namespace dedezuviv::exports
