#include "app/core/ExportDefinitionFiles.h"

#include "app/core/AppSettings.h"
#include "export/ExportTypes.h"
#include "app/core/Namespace.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace dedezuviv::app {

std::string UserExportDefinitionFile()
{
    // As the XDG base directory rules say, a relative XDG_CONFIG_HOME is ignored.
    std::string folder;
    if (const char* config = std::getenv("XDG_CONFIG_HOME"); config && *config == '/')
        folder = config;
    else if (const char* home = std::getenv("HOME"); home && *home)
        folder = std::string(home) + "/.config";
    if (folder.empty())
        return std::string();
    return folder + "/dedezuviv/" + ExportDefinitionFileName;
}

std::string ExportDefinitionFile()
{
    const std::string own = UserExportDefinitionFile();
    std::error_code error;
    if (!own.empty() && std::filesystem::is_regular_file(own, error))
        return own;
    return FindProgramResource(ExportDefinitionFileName);
}

std::string LoadProgramExportTypes()
{
    const std::string file = ExportDefinitionFile();
    LoadExportTypes(file);
    return file;
}

}  // namespace dedezuviv::app
