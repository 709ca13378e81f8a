#include "base/IniFile.h"
#include "base/RegularFile.h"

#include "base/AsciiText.h"
#include "base/ErrorText.h"
#include "base/FormatSettings.h"
#include "base/NumberText.h"
#include "base/TextEncoding.h"
#include "base/Namespace.h"

#include <atomic>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace dedezuviv::base {

namespace {

// Names and values lose these around them.
std::string_view TrimIni(std::string_view text) { return TrimBlanks(text, " \t\v\f"); }

// A value is one line in the file: line breaks inside become blanks.
std::string OneLine(std::string_view value)
{
    std::string result(value);
    for (char& c : result)
        if (c == '\r' || c == '\n')
            c = ' ';
    return result;
}

}  // namespace

std::string FoldIniName(std::string_view name)
{
    std::string folded(name);
    for (size_t i = 0; i < folded.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(folded[i]);
        if (c >= 'A' && c <= 'Z') {
            folded[i] = static_cast<char>(c + ('a' - 'A'));
        } else if (c == 0xC3 && i + 1 < folded.size()) {
            // UTF-8 of U+00C0 to U+00DE (Latin-1 capitals, without U+00D7 the multiplication sign).
            const unsigned char next = static_cast<unsigned char>(folded[i + 1]);
            if (next >= 0x80 && next <= 0x9E && next != 0x97)
                folded[i + 1] = static_cast<char>(next + 0x20);
            ++i;
        }
    }
    return folded;
}

bool SameIniName(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && FoldIniName(a) == FoldIniName(b);
}

TIniFile::TIniFile(std::filesystem::path fileName) : Path(std::move(fileName)) { Load(); }

void TIniFile::Clear()
{
    Sections.clear();
    SectionIndex.clear();
    Repeated.clear();
}

bool TIniFile::Load()
{
    std::string bytes;
    if (!ReadFileBytes(Path, bytes)) {
        Clear();
        return false;
    }
    Parse(bytes);
    return true;
}

void TIniFile::Parse(std::string_view bytes)
{
    Clear();
    std::string text = DecodeText8(bytes);
    std::string_view rest(text);
    if (rest.substr(0, 3) == "\xEF\xBB\xBF")
        rest.remove_prefix(3);

    constexpr size_t LeftOut = SIZE_MAX - 1;  // the lines of a repeated section that is not merged
    size_t current = SIZE_MAX;
    while (!rest.empty()) {
        const size_t lineEnd = rest.find_first_of("\r\n");
        std::string_view line = TrimIni(rest.substr(0, lineEnd));
        rest.remove_prefix(lineEnd == std::string_view::npos ? rest.size() : lineEnd + 1);
        if (line.empty() || line.front() == ';')
            continue;
        if (line.front() == '[') {
            const size_t close = line.rfind(']');
            if (close != std::string_view::npos) {
                const std::string_view name = TrimIni(line.substr(1, close - 1));
                std::string folded = FoldIniName(name);
                const auto found = SectionIndex.find(folded);
                if (found != SectionIndex.end() && !MergeRepeated) {
                    current = LeftOut;
                    Repeated.emplace_back(name);
                } else if (found != SectionIndex.end()) {
                    current = found->second;
                } else {
                    current = Sections.size();
                    Sections.push_back(TSection{std::string(name), true, {}, {}});
                    SectionIndex.emplace(std::move(folded), current);
                }
                continue;
            }
            // "[" without "]": read as an ordinary line, as Windows does.
        }
        const size_t equals = line.find('=');
        if (equals == std::string_view::npos)
            continue;
        const std::string_view key = TrimIni(line.substr(0, equals));
        if (key.empty() || current == LeftOut)
            continue;
        if (current == SIZE_MAX) {
            current = Sections.size();
            Sections.push_back(TSection{std::string(), false, {}, {}});
        }
        TSection& section = Sections[current];
        // Duplicate keys: the first one counts.
        const auto [position, added] = section.Index.try_emplace(FoldIniName(key), section.Entries.size());
        if (added)
            section.Entries.emplace_back(std::string(key), std::string(TrimIni(line.substr(equals + 1))));
    }
}

std::string TIniFile::ToBytes() const
{
    std::string text;
    bool first = true;
    for (const TSection& section : Sections) {
        if (!section.HasHeader && section.Entries.empty())
            continue;
        if (!first)
            text += "\r\n";
        first = false;
        if (section.HasHeader) {
            text += '[';
            text += section.Name;
            text += "]\r\n";
        }
        for (const auto& [key, value] : section.Entries) {
            text += key;
            text += '=';
            text += value;
            text += "\r\n";
        }
    }
    return EncodeText8(text);
}

bool TIniFile::UpdateFile(std::string& errorText) const { return WriteFileAtomic(Path, ToBytes(), errorText); }

const TIniFile::TSection* TIniFile::FindSection(std::string_view section) const
{
    const auto found = SectionIndex.find(FoldIniName(section));
    return found == SectionIndex.end() ? nullptr : &Sections[found->second];
}

TIniFile::TSection& TIniFile::SectionForWriting(std::string_view section)
{
    const std::string name(TrimIni(OneLine(section)));
    std::string folded = FoldIniName(name);
    const auto found = SectionIndex.find(folded);
    if (found != SectionIndex.end())
        return Sections[found->second];
    SectionIndex.emplace(std::move(folded), Sections.size());
    Sections.push_back(TSection{name, true, {}, {}});
    return Sections.back();
}

const std::string* TIniFile::FindValue(std::string_view section, std::string_view key) const
{
    const TSection* found = FindSection(section);
    if (!found)
        return nullptr;
    const auto entry = found->Index.find(FoldIniName(key));
    return entry == found->Index.end() ? nullptr : &found->Entries[entry->second].second;
}

void TIniFile::RebuildSectionIndex()
{
    SectionIndex.clear();
    for (size_t i = 0; i < Sections.size(); ++i)
        if (Sections[i].HasHeader)
            SectionIndex.emplace(FoldIniName(Sections[i].Name), i);
}

bool TIniFile::SectionExists(std::string_view section) const { return FindSection(section) != nullptr; }

bool TIniFile::ValueExists(std::string_view section, std::string_view key) const
{
    return FindValue(section, key) != nullptr;
}

std::vector<std::string> TIniFile::ReadSections() const
{
    std::vector<std::string> names;
    for (const TSection& section : Sections)
        if (section.HasHeader)
            names.push_back(section.Name);
    return names;
}

std::vector<std::string> TIniFile::ReadSection(std::string_view section) const
{
    std::vector<std::string> keys;
    if (const TSection* found = FindSection(section))
        for (const auto& entry : found->Entries)
            keys.push_back(entry.first);
    return keys;
}

std::vector<std::pair<std::string, std::string>> TIniFile::ReadSectionValues(std::string_view section) const
{
    const TSection* found = FindSection(section);
    return found ? found->Entries : std::vector<std::pair<std::string, std::string>>{};
}

std::string TIniFile::ReadString(std::string_view section, std::string_view key, std::string_view defaultValue) const
{
    const std::string* value = FindValue(section, key);
    return value ? *value : std::string(defaultValue);
}

int32_t TIniFile::ReadInteger(std::string_view section, std::string_view key, int32_t defaultValue) const
{
    const std::string* text = FindValue(section, key);
    int32_t value = defaultValue;
    if (text && !text->empty() && TryStrToInt(*text, value))
        return value;
    return defaultValue;
}

bool TIniFile::ReadBool(std::string_view section, std::string_view key, bool defaultValue) const
{
    return ReadInteger(section, key, defaultValue ? 1 : 0) != 0;
}

double TIniFile::ReadFloat(std::string_view section, std::string_view key, double defaultValue) const
{
    const std::string* text = FindValue(section, key);
    double value = defaultValue;
    if (text && !text->empty() && TryStrToFloat(*text, value))
        return value;
    return defaultValue;
}

TDateTime TIniFile::ReadDateTime(std::string_view section, std::string_view key, TDateTime defaultValue) const
{
    const std::string* text = FindValue(section, key);
    TDateTime value = defaultValue;
    if (text && !text->empty() && TryStrToDateTime(*text, value))
        return value;
    return defaultValue;
}

void TIniFile::WriteString(std::string_view section, std::string_view key, std::string_view value)
{
    TSection& target = SectionForWriting(section);
    const std::string cleanKey(TrimIni(OneLine(key)));
    const auto [position, added] = target.Index.try_emplace(FoldIniName(cleanKey), target.Entries.size());
    if (added)
        target.Entries.emplace_back(cleanKey, OneLine(value));
    else
        target.Entries[position->second].second = OneLine(value);
}

void TIniFile::WriteInteger(std::string_view section, std::string_view key, int32_t value)
{
    WriteString(section, key, std::to_string(value));
}

void TIniFile::WriteBool(std::string_view section, std::string_view key, bool value)
{
    WriteString(section, key, value ? "1" : "0");
}

void TIniFile::WriteFloat(std::string_view section, std::string_view key, double value)
{
    WriteString(section, key, FloatToStr(value));
}

void TIniFile::WriteDateTime(std::string_view section, std::string_view key, TDateTime value)
{
    WriteString(section, key, DateTimeToStr(value));
}

void TIniFile::EraseSection(std::string_view section)
{
    const auto found = SectionIndex.find(FoldIniName(section));
    if (found == SectionIndex.end())
        return;
    Sections.erase(Sections.begin() + static_cast<std::ptrdiff_t>(found->second));
    RebuildSectionIndex();
}

void TIniFile::DeleteKey(std::string_view section, std::string_view key)
{
    const auto found = SectionIndex.find(FoldIniName(section));
    if (found == SectionIndex.end())
        return;
    TSection& target = Sections[found->second];
    const auto entry = target.Index.find(FoldIniName(key));
    if (entry == target.Index.end())
        return;
    target.Entries.erase(target.Entries.begin() + static_cast<std::ptrdiff_t>(entry->second));
    target.Index.clear();
    for (size_t i = 0; i < target.Entries.size(); ++i)
        target.Index.emplace(FoldIniName(target.Entries[i].first), i);
}

bool ReadFileBytes(const std::filesystem::path& path, std::string& bytes)
{
    int errorCode = 0;
    return ReadRegularFile(path.string(), bytes, errorCode);
}

bool WriteFileAtomic(const std::filesystem::path& path, std::string_view bytes, std::string& errorText)
{
    namespace fs = std::filesystem;
    static std::atomic<unsigned> counter{0};
    errorText.clear();

    // Through a symbolic link the file it points to is replaced, not the link.
    fs::path target = path;
    std::error_code ec;
    if (fs::is_symlink(target, ec)) {
        const fs::path resolved = fs::weakly_canonical(target, ec);
        if (!ec)
            target = resolved;
    }
    const fs::path folder = target.has_parent_path() ? target.parent_path() : fs::path(".");
    const auto fail = [&](const std::string& what, int code) {
        errorText = "Datei \"" + path.string() + "\" konnte nicht geschrieben werden (" + what + ": " +
                    SystemErrorText(code) + ")";
        return false;
    };

    struct stat old {};
    const bool hadOld = ::stat(target.c_str(), &old) == 0;
    if (hadOld && S_ISDIR(old.st_mode))
        return fail("Verzeichnis", EISDIR);

    fs::path temporary;
    int fd = -1;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        std::string name(1, '.');
        name += target.filename().string();
        name += '.';
        name += std::to_string(::getpid());
        name += '.';
        name += std::to_string(counter++);
        name += ".tmp";
        temporary = folder / name;
        fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST)
            return fail("Öffnen", errno);
    }
    if (fd < 0)
        return fail("Öffnen", EEXIST);
    const auto abandon = [&](const std::string& what) {
        const int code = errno;
        ::close(fd);
        ::unlink(temporary.c_str());
        return fail(what, code);
    };
    if (hadOld)
        ::fchmod(fd, old.st_mode & 07777);

    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t count = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (count < 0) {
            if (errno == EINTR)
                continue;
            return abandon("Schreiben");
        }
        done += static_cast<size_t>(count);
    }
    if (::fsync(fd) != 0)
        return abandon("Sichern auf den Datenträger");
    if (::close(fd) != 0) {
        const int code = errno;
        ::unlink(temporary.c_str());
        return fail("Schließen", code);
    }
    if (::rename(temporary.c_str(), target.c_str()) != 0) {
        const int code = errno;
        ::unlink(temporary.c_str());
        return fail("Umbenennen", code);
    }
    // The rename itself reaches the disk with the folder.
    const int dirFd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd >= 0) {
        ::fsync(dirFd);
        ::close(dirFd);
    }
    return true;
}

bool DeleteIniFile(const std::filesystem::path& path)
{
    std::error_code ec;
    std::filesystem::remove(path, ec);
    return !ec;
}

}  // namespace dedezuviv::base
