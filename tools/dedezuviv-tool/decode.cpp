// dedezuviv-tool decode: feeds a capture of the controller's serial line (or day files) to one record
// decoder and prints every reported record as its normalised text, a TAB and the decoded values as a
// JSON object.
#include "Commands.h"
#include "ToolSupport.h"

#include "base/Clock.h"
#include "base/DateTime.h"
#include "protocol/RecordDecoder.h"

#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

using namespace dedezuviv::base;
using namespace dedezuviv::protocol;

namespace {

constexpr size_t DefaultBlockSize = 4096;
constexpr size_t MaxBlockSize = 64u * 1024 * 1024;

const char* const Usage =
    "Aufruf / usage: dedezuviv-tool decode [--now YYYY-MM-DDTHH:MM:SS] [--block N] [DATEI...]\n"
    "\n"
    "Liest die Bytes der Dateien (ohne Datei oder mit \"-\": die Standardeingabe) in Blöcken von N Bytes\n"
    "(Vorgabe 4096) in einen Dekodierer und gibt jeden gültigen Datensatz als Zeile aus: der normierte\n"
    "Text, ein Tabulator und die Werte als JSON-Objekt. --now legt die Uhrzeit des PCs fest.\n"
    "\n"
    "Feeds the bytes of the files (none or \"-\": standard input) in blocks of N bytes (default 4096)\n"
    "to one decoder and prints each valid record as a line: the normalised text, a TAB and the values\n"
    "as a JSON object (times as \"YYYY-MM-DDTHH:MM:SS\", an unset time as null). --now fixes the PC\n"
    "clock.\n";

bool ParseBlockSize(std::string_view text, size_t& value)
{
    size_t result = 0;
    const auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), result);
    if (ec != std::errc() || ptr != text.data() + text.size() || result < 1 || result > MaxBlockSize)
        return false;
    value = result;
    return true;
}

void AppendTime(std::string& out, TDateTime value)
{
    if (value == 0 || !std::isfinite(value)) {
        out += "null";
        return;
    }
    const TDateTimeParts p = DecodeDateTime(value);
    char buffer[32];
    std::snprintf(buffer, sizeof(buffer), "%04d-%02d-%02dT%02d:%02d:%02d", p.Year, p.Month, p.Day, p.Hour, p.Minute,
                  p.Second);
    AppendJsonString(out, buffer);
}

void AppendFloat(std::string& out, double value)
{
    if (!std::isfinite(value)) {
        out += "null";
        return;
    }
    char buffer[32];
    const auto result = std::to_chars(buffer, buffer + sizeof(buffer), value);
    out.append(buffer, result.ptr);
}

void AppendValue(std::string& out, const TFieldValue& value)
{
    switch (value.Kind) {
    case vkFloat: AppendFloat(out, value.FloatValue); break;
    case vkInteger:
    case vkHex: out += std::to_string(value.IntValue); break;
    case vkDateTime: AppendTime(out, value.DateTimeValue); break;
    default: out += "null"; break;
    }
}

void AppendRecordLine(std::string& out, const std::string& line, const TDecodedRecord& record)
{
    out += line;
    out += '\t';
    const TRecordHeader& h = record.Header;
    out += "{\"Program\":" + std::to_string(h.Program) + ",\"Version\":" + std::to_string(h.Version) +
           ",\"Subversion\":" + std::to_string(h.Subversion) + ",\"ID\":" + std::to_string(h.ID) + ",\"RT\":";
    AppendTime(out, h.RT);
    out += ",\"PC\":";
    AppendTime(out, h.PC);
    for (int type = 0; type < FieldTypeCount; ++type) {
        out += ',';
        AppendJsonString(out, FieldTypeNames[type]);
        out += ":[";
        const int count = record.Counts[type] <= MaxValuesPerType ? record.Counts[type] : MaxValuesPerType;
        for (int i = 0; i < count; ++i) {
            if (i > 0)
                out += ',';
            AppendValue(out, record.Values[type][i]);
        }
        out += ']';
    }
    out += "}\n";
}

// Reads one input in blocks and feeds them to the decoder; false if it cannot be read to its end.
bool FeedInput(const std::string& name, TOrvaProtocol& protocol, std::vector<char>& block, std::string& output,
               bool& writeFailed)
{
    const bool isStdin = name == "-";
    const int fd = isStdin ? STDIN_FILENO : open(name.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct stat info {};
    // A live stream (pipe, terminal, serial line) is printed as it comes; a file in large writes.
    const bool live = fstat(fd, &info) == 0 && !S_ISREG(info.st_mode);
    bool ok = true;
    for (;;) {
        const ssize_t got = read(fd, block.data(), block.size());
        if (got < 0) {
            if (errno == EINTR)
                continue;
            ok = false;
            break;
        }
        if (got == 0)
            break;
        protocol.ProcessData(std::string_view(block.data(), static_cast<size_t>(got)));
        if (!output.empty() && (live || output.size() >= 65536)) {
            if (std::fwrite(output.data(), 1, output.size(), stdout) != output.size())
                writeFailed = true;
            output.clear();
            if (live && std::fflush(stdout) != 0)
                writeFailed = true;
        }
        if (writeFailed)
            break;
    }
    if (!isStdin)
        close(fd);
    return ok;
}

}  // namespace

int RunDecode(int argc, char** argv)
{
    size_t blockSize = DefaultBlockSize;
    bool haveNow = false;
    TDateTime now = 0;
    std::vector<std::string> files;
    bool optionsDone = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (optionsDone || arg == "-" || arg.empty() || arg[0] != '-') {
            files.push_back(arg);
            continue;
        }
        if (arg == "--") {
            optionsDone = true;
            continue;
        }
        if (arg == "-h" || arg == "--help") {
            std::fputs(Usage, stdout);
            return 0;
        }
        std::string name = arg, value;
        bool hasValue = false;
        const size_t equals = arg.find('=');
        if (equals != std::string::npos) {
            name = arg.substr(0, equals);
            value = arg.substr(equals + 1);
            hasValue = true;
        }
        if (name != "--now" && name != "--block")
            return UsageError(Usage, "Unbekannte Option / unknown option: " + arg);
        if (!hasValue) {
            if (i + 1 >= argc)
                return UsageError(Usage, "Wert fehlt / missing value: " + name);
            value = argv[++i];
        }
        if (name == "--now") {
            if (!ParseTimestamp(value, now))
                return UsageError(Usage, "Ungültige Zeit / invalid time: \"" + value + "\" (YYYY-MM-DDTHH:MM:SS)");
            haveNow = true;
        } else if (!ParseBlockSize(value, blockSize)) {
            return UsageError(Usage, "Ungültige Blockgröße / invalid block size: \"" + value + "\"");
        }
    }
    if (files.empty())
        files.push_back("-");
    if (haveNow)
        SetClockOverride([now] { return now; });

    std::string output;
    TOrvaProtocol protocol;
    protocol.SetOnRecord(
        [&output](const std::string& line, const TDecodedRecord& record) { AppendRecordLine(output, line, record); });
    std::vector<char> block(blockSize);
    bool writeFailed = false;
    int result = 0;
    for (const std::string& file : files) {
        if (!FeedInput(file, protocol, block, output, writeFailed)) {
            // What was decoded before stays ahead of the message.
            if (!output.empty() && std::fwrite(output.data(), 1, output.size(), stdout) != output.size())
                writeFailed = true;
            output.clear();
            std::fflush(stdout);
            if (file == "-")
                std::fputs("Die Standardeingabe kann nicht gelesen werden.\n", stderr);
            else
                std::fprintf(stderr, "Datei \"%s\" kann nicht gelesen werden.\n", file.c_str());
            result = 1;
        }
        if (writeFailed)
            break;
    }
    if (!writeFailed && !output.empty() && std::fwrite(output.data(), 1, output.size(), stdout) != output.size())
        writeFailed = true;
    if (std::fflush(stdout) != 0 || std::ferror(stdout))
        writeFailed = true;
    if (writeFailed) {
        std::fputs("Die Ausgabe kann nicht geschrieben werden.\n", stderr);
        return 1;
    }
    return result;
}
