// INI reader: any bytes parse without crash, every section and key read back is found again by its
// name, and for ASCII input writing the parsed contents and reading them back gives exactly the same
// sections, keys and values. (Other text may change on writing: Windows-1252 cannot hold every
// character, and the rewritten bytes may then read as UTF-8.)
#include "base/IniFile.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

using namespace dedezuviv::base;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    TIniFile ini;
    ini.Parse(std::string_view(reinterpret_cast<const char*>(data), size));

    const auto sections = ini.ReadSections();
    for (const auto& section : sections) {
        if (!ini.SectionExists(section))
            std::abort();
        for (const auto& [key, value] : ini.ReadSectionValues(section)) {
            // The first of duplicate keys counts, so a key read back may stand for an earlier one.
            if (!ini.ValueExists(section, key))
                std::abort();
            ini.ReadInteger(section, key, 0);
            ini.ReadFloat(section, key, 0);
            ini.ReadDateTime(section, key, 0);
            (void)value;
        }
    }

    bool ascii = true;
    for (size_t i = 0; i < size && ascii; ++i)
        ascii = data[i] < 0x80;
    TIniFile again;
    again.Parse(ini.ToBytes());
    if (ascii) {
        if (again.ReadSections() != sections)
            std::abort();
        for (const auto& section : sections)
            if (again.ReadSectionValues(section) != ini.ReadSectionValues(section))
                std::abort();
    }

    ini.WriteString("Fuzz", "Key", "Value");
    if (ini.ReadString("fuzz", "KEY", "") != "Value")
        std::abort();
    return 0;
}
