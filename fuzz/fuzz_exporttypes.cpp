// Export-type file (exportdef.cfg): any bytes read without crash; every type taken advances a period,
// no two types share a name (letter case aside), and a batch file name made with a type's name and ID
// stays in the folder its mask names.
#include "base/IniFile.h"
#include "export/ExportBatch.h"
#include "export/ExportTypes.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <set>
#include <string_view>

using namespace dedezuviv::base;
using namespace dedezuviv::exports;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    std::vector<std::string> skipped;
    const TExportTypes types = ExportTypesFromBytes(bytes, "exportdef.cfg", &skipped);
    if (types.empty())
        std::abort();
    std::set<std::string> names;
    for (const TExportType& type : types) {
        if (!ExportTypeAdvances(type))
            std::abort();
        if (!names.insert(FoldIniName(type.Name)).second)
            std::abort();
        // Name or ID alone as a path part, between separators: never a folder step up or down.
        for (const char* mask : {"ziel/%ID-%TYP.csv", "ziel/%TYP/x", "ziel/%ID/x"}) {
            const std::string file = BatchFileName(mask, type, 45000.5);
            const std::string middle = file.substr(5, file.rfind('/') == 4 ? std::string::npos : file.rfind('/') - 5);
            if (std::count(file.begin(), file.end(), '/') != std::count(mask, mask + std::strlen(mask), '/') ||
                middle == ".." || file.find('\\') != std::string::npos)
                std::abort();
        }
        // The next period starts after this one.
        if (!(NextPeriodStart(45000.5, type) > 45000.5))
            std::abort();
    }
    return 0;
}
