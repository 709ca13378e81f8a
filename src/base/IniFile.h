// INI files as Windows reads and writes them: "[section]" lines, "key=value" lines, lookup of sections
// and keys without regard to letter case, the order of sections and keys kept. Used for the project
// file, the settings file, the device definitions and exportdef.cfg.
//
// Reading: keys, values and section names are trimmed; lines whose first non-blank character is ";"
// are comments; lines without "=" that are no section line are ignored; of duplicate keys in a section
// the first one counts (as on Windows); a section that appears twice is one section (its later keys
// are added unless the key already exists). Keys before the first section line belong to a nameless
// section that is kept on writing but cannot be addressed by name. The bytes are taken as UTF-8 when
// the whole file is valid UTF-8, otherwise as Windows-1252; in memory all text is UTF-8.
//
// Writing: Windows-1252 with CR LF line ends, a blank line between sections. When some value (or name)
// has a character outside Windows-1252, the whole file is written as UTF-8 instead, so nothing becomes
// "?"; files that fit stay Windows-1252 for older installations. Writing a key that exists
// updates its value in place; a new key goes to the end of its section, a new section to the end of
// the file. Nothing reaches the disk before UpdateFile, which replaces the file atomically.
#pragma once

#include "base/DateTime.h"
#include "base/Namespace.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

namespace dedezuviv::base {

class TIniFile {
public:
    TIniFile() = default;
    // Reads the file if it exists and can be read; otherwise the INI starts empty.
    explicit TIniFile(std::filesystem::path fileName);

    const std::filesystem::path& FileName() const { return Path; }
    void SetFileName(std::filesystem::path fileName) { Path = std::move(fileName); }

    // Replaces the contents by the INI text in the given bytes (any bytes: never fails).
    void Parse(std::string_view bytes);
    // Replaces the contents by the file's; false (and empty contents) when it cannot be read.
    bool Load();
    // The contents as file bytes: Windows-1252 (or UTF-8 when needed, see above), CR LF.
    std::string ToBytes() const;
    // Writes the contents to FileName through a temporary file in the same folder that is synced
    // and renamed over the old file, so a failed write leaves the old file as it was.
    bool UpdateFile(std::string& errorText) const;
    void Clear();

    // Whether a section that appears again later in the file takes the later keys (the default, as on
    // Windows). When not, the later appearance is left out whole and named in RepeatedSections (as
    // written there); for files where each section is an entry of its own. Applies to the next Parse.
    void SetRepeatedSectionsMerged(bool merged) { MergeRepeated = merged; }
    const std::vector<std::string>& RepeatedSections() const { return Repeated; }

    bool SectionExists(std::string_view section) const;
    bool ValueExists(std::string_view section, std::string_view key) const;
    // Section names, and the key names of one section, in file order.
    std::vector<std::string> ReadSections() const;
    std::vector<std::string> ReadSection(std::string_view section) const;
    // The (key, value) pairs of one section in file order.
    std::vector<std::pair<std::string, std::string>> ReadSectionValues(std::string_view section) const;

    std::string ReadString(std::string_view section, std::string_view key, std::string_view defaultValue) const;
    // Decimal, or hexadecimal after "$" or "0x"; missing, empty or unreadable gives the default.
    int32_t ReadInteger(std::string_view section, std::string_view key, int32_t defaultValue) const;
    // An integer, non-zero = true.
    bool ReadBool(std::string_view section, std::string_view key, bool defaultValue) const;
    // The system's decimal separator, "," or "."
    double ReadFloat(std::string_view section, std::string_view key, double defaultValue) const;
    // The system's or the German date and time form.
    TDateTime ReadDateTime(std::string_view section, std::string_view key, TDateTime defaultValue) const;

    // Values are one line: line breaks in a value are written as blanks.
    void WriteString(std::string_view section, std::string_view key, std::string_view value);
    void WriteInteger(std::string_view section, std::string_view key, int32_t value);
    void WriteBool(std::string_view section, std::string_view key, bool value);
    // General format, up to 15 significant digits, the system's decimal separator.
    void WriteFloat(std::string_view section, std::string_view key, double value);
    // The system's short date and long time; the time is left out at midnight.
    void WriteDateTime(std::string_view section, std::string_view key, TDateTime value);

    void EraseSection(std::string_view section);
    void DeleteKey(std::string_view section, std::string_view key);

private:
    struct TSection {
        std::string Name;
        bool HasHeader = true;  // false for the nameless keys before the first section line
        std::vector<std::pair<std::string, std::string>> Entries;
        std::unordered_map<std::string, size_t> Index;  // folded key -> position in Entries
    };

    const TSection* FindSection(std::string_view section) const;
    TSection& SectionForWriting(std::string_view section);
    const std::string* FindValue(std::string_view section, std::string_view key) const;
    void RebuildSectionIndex();

    std::filesystem::path Path;
    std::vector<TSection> Sections;
    std::unordered_map<std::string, size_t> SectionIndex;  // folded name -> position in Sections
    bool MergeRepeated = true;
    std::vector<std::string> Repeated;
};

// Letter case folding for INI names: ASCII letters and the Latin-1 letters of UTF-8 text.
std::string FoldIniName(std::string_view name);
bool SameIniName(std::string_view a, std::string_view b);

// Reads a whole file; false when it does not exist, is no regular file or cannot be read.
bool ReadFileBytes(const std::filesystem::path& path, std::string& bytes);
// Writes a file through a temporary file in the same folder (created with the old file's
// permissions), fsync and rename, so the old file stays intact until the new one is complete.
bool WriteFileAtomic(const std::filesystem::path& path, std::string_view bytes, std::string& errorText);
// Deletes an INI file; a missing file is no error.
bool DeleteIniFile(const std::filesystem::path& path);

}  // namespace dedezuviv::base
