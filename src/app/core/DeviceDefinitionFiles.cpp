#include "app/core/DeviceDefinitionFiles.h"

#include "app/core/AppSettings.h"
#include "app/core/Namespace.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace dedezuviv::app {

std::string UserDeviceDefinitionDir()
{
    // As the XDG base directory rules say, a relative XDG_DATA_HOME is ignored.
    if (const char* data = std::getenv("XDG_DATA_HOME"); data && *data == '/')
        return std::string(data) + "/dedezuviv/def";
    if (const char* home = std::getenv("HOME"); home && *home)
        return std::string(home) + "/.local/share/dedezuviv/def";
    return std::string();
}

std::string DeviceDefinitionFile(int32_t programNumber)
{
    const std::string name = std::to_string(programNumber) + ".def";
    const std::string userDir = UserDeviceDefinitionDir();
    if (!userDir.empty()) {
        std::error_code error;
        const std::filesystem::path own = std::filesystem::path(userDir) / name;
        if (std::filesystem::is_regular_file(own, error))
            return own.string();
    }
    return FindProgramResource("def/" + name);
}

}  // namespace dedezuviv::app
