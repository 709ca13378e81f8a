#include "model/CardImport.h"

#include "base/ErrorText.h"
#include "base/FormatSettings.h"
#include "base/RegularFile.h"
#include "base/Log.h"
#include "model/DayFiles.h"
#include "model/LiveState.h"
#include "model/Project.h"
#include "model/RecordedDays.h"
#include "model/Recorder.h"
#include "model/Namespace.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <map>
#include <memory>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>
#include <unordered_set>
#include <vector>

namespace dedezuviv::model {

namespace {

// What the controller sent of a record line: the line without its "#" and without a "/r" reception
// time at its end. A record without a reception time of its own gets the time of its decoding appended,
// so the same card record gives a different line on every import; this part stays the same.
std::string_view SentText(std::string_view line)
{
    constexpr size_t ReceptionField = 2 + 17;  // "/r" dd.mm.yy hh:nn:ss
    if (!line.empty() && line.back() == '#')
        line.remove_suffix(1);
    if (line.size() > ReceptionField && line[line.size() - ReceptionField] == '/' &&
        line[line.size() - ReceptionField + 1] == 'r')
        line.remove_suffix(ReceptionField);
    return line;
}

// The lines of one day file: what it held when first touched, and what this import added. A line is
// found by its whole text, or by what the controller sent (SentText), for a record whose reception time
// was appended by this import's decoder.
class TDayLines {
public:
    // Reads the file; false (with ErrorCode) when it exists but cannot be read or is no regular file.
    bool Load(const std::string& fileName, int& errorCode)
    {
        if (!ReadRegularFile(fileName, Content, errorCode)) {
            Content.clear();
            if (errorCode != ENOENT)
                return false;
            errorCode = 0;
        }
        Lines.reserve(Content.size() / 64 + 16);
        Sent.reserve(Content.size() / 64 + 16);
        ForEachLine(Content, [this](std::string_view line, std::string_view) {
            if (!line.empty())
                Insert(line);
        });
        return true;
    }

    bool Contains(std::string_view line, bool receptionTimeAppended) const
    {
        return receptionTimeAppended ? Sent.count(SentText(line)) != 0 : Lines.count(line) != 0;
    }

    // Keeps a copy of the line in blocks of its own, so the sets' views stay valid.
    void Add(std::string_view line)
    {
        constexpr size_t BlockSize = 256 * 1024;
        if (Blocks.empty() || BlockUsed + line.size() > BlockCapacity) {
            BlockCapacity = std::max(BlockSize, line.size());
            Blocks.push_back(std::make_unique<char[]>(BlockCapacity));
            BlockUsed = 0;
            HeldBytes += BlockCapacity;
        }
        char* copy = Blocks.back().get() + BlockUsed;
        std::copy(line.begin(), line.end(), copy);
        BlockUsed += line.size();
        Insert(std::string_view(copy, line.size()));
    }

    // About the memory held: the text and two set entries per line.
    size_t MemoryBytes() const { return Content.size() + HeldBytes + Lines.size() * 2 * PerLineBytes; }

    uint64_t LastUse = 0;
    // Lines of this import not yet appended to the file, each ended by CR LF, and where each starts.
    std::string Pending;
    std::vector<size_t> PendingStarts;

private:
    static constexpr size_t PerLineBytes = 48;

    void Insert(std::string_view line)
    {
        Lines.insert(line);
        Sent.insert(SentText(line));
    }

    std::string Content;
    std::unordered_set<std::string_view> Lines;
    std::unordered_set<std::string_view> Sent;
    std::vector<std::unique_ptr<char[]>> Blocks;
    size_t BlockUsed = 0;
    size_t BlockCapacity = 0;
    size_t HeldBytes = 0;
};

// Takes the due records of the import's recorder: leaves out lines already in their day file and
// appends the others in batches, gathered per day file. Records of a card may jump between days
// (several logs on one card, a clock set back), so every day read stays known for the whole import,
// up to a memory bound; past it the least recently used days are written and dropped (and read
// again when touched again).
class TImportLineWriter : public IRecordLineWriter {
public:
    static constexpr size_t MemoryBound = 96u * 1024 * 1024;
    static constexpr size_t BatchBytes = 256 * 1024;

    // Set by the import for the record whose line comes next.
    bool ReceptionTimeAppended = false;

    void WriteLine(const std::string& fileName, const std::string& line) override
    {
        if (Failed)
            return;
        if (fileName != CurrentName) {
            Current = DayLines(fileName);
            if (Current == nullptr)
                return;
            CurrentName = fileName;
        }
        if (Current->Contains(line, ReceptionTimeAppended)) {
            ++Duplicates;
            return;
        }
        Current->Add(line);
        Current->PendingStarts.push_back(Current->Pending.size());
        Current->Pending += line;
        Current->Pending += "\r\n";
        PendingBytes += line.size() + 2;
        if (PendingBytes >= BatchBytes)
            Flush();
    }

    // Appends the gathered lines to their day files; false once anything failed.
    bool Flush()
    {
        for (auto& [fileName, day] : Days)
            if (!Failed && !day->Pending.empty())
                FlushDay(fileName, *day);
        PendingBytes = 0;
        return !Failed;
    }

    bool Failed = false;
    std::string ErrorText;
    uint64_t Written = 0;
    uint64_t Duplicates = 0;

private:
    void FlushDay(const std::string& fileName, TDayLines& day)
    {
        // One call: the lines land whole, under the file lock, after any unfinished line is cut off.
        std::string& batch = day.Pending;
        batch.resize(batch.size() - 2);  // AppendToDayFile ends the last line
        int errorCode = 0;
        bool written = AppendToDayFile(fileName, batch, errorCode);
        if (written) {
            Written += day.PendingStarts.size();
        } else {
            // The batch did not fit as a whole (a nearly full disk): as many of its lines as fit are kept.
            written = AppendLinesOneByOne(fileName, day, errorCode);
        }
        batch.clear();
        day.PendingStarts.clear();
        if (!written)
            Fail("Fehler beim Schreiben der Datei \"" + fileName + "\"! (" + SystemErrorText(errorCode) + ")");
    }

    bool AppendLinesOneByOne(const std::string& fileName, const TDayLines& day, int& errorCode)
    {
        const std::vector<size_t>& starts = day.PendingStarts;
        for (size_t i = 0; i < starts.size(); ++i) {
            const size_t end = i + 1 < starts.size() ? starts[i + 1] - 2 : day.Pending.size();
            if (!AppendToDayFile(fileName, day.Pending.substr(starts[i], end - starts[i]), errorCode))
                return false;
            ++Written;
        }
        return true;
    }

    TDayLines* DayLines(const std::string& fileName)
    {
        ++UseCounter;
        auto found = Days.find(fileName);
        if (found != Days.end()) {
            found->second->LastUse = UseCounter;
            return found->second.get();
        }
        auto day = std::make_unique<TDayLines>();
        int errorCode = 0;
        if (!day->Load(fileName, errorCode)) {
            // What was gathered for other days is kept.
            if (Flush())
                Fail(DayFileReadError(fileName, errorCode));
            return nullptr;
        }
        if (!KeepWithinMemoryBound(day->MemoryBytes()))
            return nullptr;
        day->LastUse = UseCounter;
        return Days.emplace(fileName, std::move(day)).first->second.get();
    }

    // Drops the least recently used days until Adding more bytes stays within the bound; their lines
    // are written first. False when that failed.
    bool KeepWithinMemoryBound(size_t adding)
    {
        size_t total = adding;
        for (const auto& entry : Days)
            total += entry.second->MemoryBytes();
        if (total > MemoryBound && !Flush())
            return false;
        while (total > MemoryBound && !Days.empty()) {
            auto oldest = std::min_element(Days.begin(), Days.end(), [](const auto& a, const auto& b) {
                return a.second->LastUse < b.second->LastUse;
            });
            total -= oldest->second->MemoryBytes();
            Days.erase(oldest);
        }
        return true;
    }

    // Ends recording: later records of the card are still counted but move no sampling state.
    void Fail(const std::string& text)
    {
        Failed = true;
        ErrorText = text;
        LogMessage(text);
    }

    std::map<std::string, std::unique_ptr<TDayLines>> Days;
    uint64_t UseCounter = 0;
    TDayLines* Current = nullptr;
    std::string CurrentName;
    size_t PendingBytes = 0;  // of the lines gathered in all days
};

std::string FileNameWithoutFolder(const std::string& fileName)
{
    const size_t slash = fileName.find_last_of('/');
    return slash == std::string::npos ? fileName : fileName.substr(slash + 1);
}

std::string Substitute(const char* format, const std::string& value)
{
    std::string text = format;
    const size_t at = text.find("%s");
    if (at != std::string::npos)
        text.replace(at, 2, value);
    return text;
}

class TFileCloser {
public:
    explicit TFileCloser(int fd) : Fd(fd) {}
    ~TFileCloser() { ::close(Fd); }
    TFileCloser(const TFileCloser&) = delete;
    TFileCloser& operator=(const TFileCloser&) = delete;

private:
    int Fd;
};

}  // namespace

std::string CardImportReadingLine(const std::string& fileName)
{
    return Substitute(CardImportMessages::Reading, fileName);
}

std::string CardImportAmountLine(uint64_t bytes)
{
    char number[64];
    std::snprintf(number, sizeof number, "%4.2f", static_cast<double>(bytes) / 1000000.0);
    for (char* c = number; *c; ++c)
        if (*c == '.')
            *c = FormatSettings().DecimalSeparator;
    std::string text = CardImportMessages::Amount;
    text.replace(text.find("%4.2f"), 5, number);
    return text;
}

std::string CardImportDoneLine(uint32_t records, const std::string& fileName)
{
    std::string text = Substitute(CardImportMessages::Done, FileNameWithoutFolder(fileName));
    text.replace(text.find("%d"), 2, std::to_string(records));
    return text;
}

std::string CardImportFailureText(const TCardImportResult& result)
{
    std::string text = CardImportMessages::Failed;
    if (!result.ErrorText.empty())
        text += "\n\r" + result.ErrorText;
    return text;
}

TCardImportResult ImportCardFile(const std::string& fileName, IProgress* progress)
{
    TCardImportResult result;
    TProject* project = CurrentProject();
    if (project == nullptr) {
        result.Result = 1;
        result.ErrorText = "Für diese Funktion muss ein Projekt ausgewählt sein. Legen Sie ggf. neues Projekt an.";
        return result;
    }

    // Only a regular file: a FIFO would block here for ever, a device never end.
    int error = 0;
    const int fd = OpenRegularFile(fileName, O_RDONLY, error);
    if (fd < 0) {
        result.Result = error == ENOENT ? -1 : 1;
        result.ErrorText = error == NotARegularFile || error == EISDIR
                               ? "\"" + fileName + "\" ist keine Datei."
                               : "Die Datei \"" + fileName + "\" kann nicht geöffnet werden: " + SystemErrorText(error);
        return result;
    }
    const TFileCloser closer(fd);
    struct stat info {};
    (void)::fstat(fd, &info);
    result.Bytes = static_cast<uint64_t>(info.st_size);

    // A bare decoder: nothing of a card is shown, acknowledged or published, only recorded.
    TImportLineWriter writer;
    TRecorder recorder;
    recorder.LineWriter = &writer;
    TOrvaProtocol decoder;
    decoder.SetOnRecord([&](const std::string& line, const TDecodedRecord& record) {
        ++result.RecordCount;
        writer.ReceptionTimeAppended = decoder.ReceptionTimeAppended();
        if (!writer.Failed)
            recorder.Record(CurrentProject(), line, record);
    });

    if (progress) {
        progress->AddLine(CardImportReadingLine(fileName));
        progress->AddLine(CardImportAmountLine(result.Bytes));
    }
    const bool savedRecording = project->RecordingToFile;
    project->RecordingToFile = true;

    bool projectGone = false;
    auto showProgress = [&] {
        // Lines gathered so far reach their files before events run (readers, a closing window).
        writer.Flush();
        if (progress) {
            const double done = result.Bytes == 0 ? 100.0 : 100.0 * static_cast<double>(result.BytesRead) /
                                                                static_cast<double>(result.Bytes);
            progress->SetProgress(std::min(done, 100.0));
        }
        projectGone = CurrentProject() != project;
    };
    // The window is kept alive about every 50 ms; not after every block, which would let events run
    // over a million times for a large card.
    TIdleTimer idle(showProgress, 50);

    // Read in large pieces, decoded in blocks as they came off the serial line.
    std::vector<char> buffer(64 * 1024);
    int readError = 0;
    while (!writer.Failed && !projectGone) {
        const ssize_t n = ::read(fd, buffer.data(), buffer.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            readError = errno;
            break;
        }
        if (n == 0)
            break;
        for (size_t at = 0; at < static_cast<size_t>(n) && !writer.Failed && !projectGone;) {
            const size_t size = std::min(CardImportBlockSize, static_cast<size_t>(n) - at);
            decoder.ProcessData(std::string_view(buffer.data() + at, size));
            at += size;
            result.BytesRead += size;
            idle.Check();
        }
    }
    if (!projectGone) {
        writer.Flush();
        showProgress();
    }

    result.Written = writer.Written;
    result.Duplicates = writer.Duplicates;
    if (projectGone) {
        result.Result = 1;
        result.ErrorText = "Das Projekt wurde während des Einlesens geschlossen.";
        return result;
    }
    project->RecordingToFile = savedRecording;

    if (writer.Failed) {
        result.Result = 1;
        result.WriteFailed = true;
        result.ErrorText = writer.ErrorText + "\n\r" + std::to_string(result.Written) +
                           " Datensätze wurden bis dahin im Projektverzeichnis abgelegt.";
        return result;
    }
    if (readError != 0) {
        result.Result = 1;
        result.ErrorText = "Die Datei \"" + fileName + "\" kann nicht gelesen werden: " + SystemErrorText(readError);
        return result;
    }
    if (progress)
        progress->AddLine(CardImportDoneLine(result.RecordCount, fileName));
    return result;
}

}  // namespace dedezuviv::model
