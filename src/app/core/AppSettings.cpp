#include "app/core/AppSettings.h"

#include "base/AppGlobals.h"
#include "base/IniFile.h"
#include "model/Project.h"
#include "app/core/Namespace.h"

#include <cstdlib>
#include <filesystem>
#include <unistd.h>

namespace dedezuviv::app {

namespace fs = std::filesystem;

void ReadAppSettings(const std::string& fileName, TAppSettings& settings, std::string& projectFileName,
                     int& errorCode, std::string& errorText)
{
    errorCode = 2;
    errorText = "Fehler aufgetreten. ";
    projectFileName.clear();
    std::error_code error;
    if (!fs::exists(fileName, error)) {
        errorCode = -1;
        errorText = "Datei \"" + fileName + "\" nicht gefunden! ";
        return;
    }
    TIniFile ini(fileName);
    settings.Width = ini.ReadInteger("Screen", "Width", settings.Width);
    settings.Height = ini.ReadInteger("Screen", "Height", settings.Height);
    settings.Left = ini.ReadInteger("Screen", "Left", settings.Left);
    settings.Top = ini.ReadInteger("Screen", "Top", settings.Top);
    projectFileName = ini.ReadString("General", "ProjectFilename", "");
    settings.StandardFontName = ini.ReadString("General", "StandardFontName", settings.StandardFontName);
    settings.StandardFontSize = ini.ReadInteger("General", "StandardFontSize", settings.StandardFontSize);
    settings.StandardFontColor = ini.ReadInteger("General", "StandardFontColor", settings.StandardFontColor);
    errorCode = 0;
    errorText.clear();
}

void WriteAppSettings(const std::string& fileName, const TAppSettings& settings, const TProject* project,
                      int& errorCode, std::string& errorText)
{
    errorCode = 0;
    errorText.clear();
    TIniFile ini(fileName);
    ini.WriteString("Info", "Program", ProgramTitle);
    ini.WriteString("Info", "Copyright", CopyrightLine);
    ini.WriteInteger("Info", "Version", VersionNumber);
    ini.WriteInteger("Screen", "Width", settings.Width);
    ini.WriteInteger("Screen", "Height", settings.Height);
    ini.WriteInteger("Screen", "Left", settings.Left);
    ini.WriteInteger("Screen", "Top", settings.Top);
    ini.WriteString("General", "StandardFontName", settings.StandardFontName);
    ini.WriteInteger("General", "StandardFontSize", settings.StandardFontSize);
    ini.WriteInteger("General", "StandardFontColor", settings.StandardFontColor);
    ini.WriteInteger("General", "maxTerminalLines", 50);
    if (project)
        ini.WriteString("General", "ProjectFilename", project->GetFileName());
    // On a new account the configuration folder may not exist yet.
    std::error_code error;
    const fs::path folder = fs::path(fileName).parent_path();
    if (!folder.empty())
        fs::create_directories(folder, error);
    std::string writeError;
    if (!ini.UpdateFile(writeError)) {
        errorCode = 1;
        errorText = writeError.empty() ? "Fehler aufgetreten. " : writeError;
    }
}

std::string GetProgramDir()
{
    std::error_code error;
    const fs::path exe = fs::read_symlink("/proc/self/exe", error);
    if (error)
        return "./";
    std::string dir = exe.parent_path().string();
    if (dir.empty() || dir.back() != '/')
        dir += '/';
    return dir;
}

std::string FindProgramResource(const std::string& name)
{
    std::error_code error;
    const fs::path besideProgram = fs::path(GetProgramDir()) / name;
    if (fs::exists(besideProgram, error))
        return besideProgram.string();
    // An installed program finds its data folder beside its bin folder, wherever the tree was put.
    const fs::path relocated = fs::path(GetProgramDir()) / ".." / "share" / "dedezuviv" / name;
    if (fs::exists(relocated, error))
        return relocated.lexically_normal().string();
    const fs::path installed = fs::path(DEDEZUVIV_DATA_DIR) / name;
    if (fs::exists(installed, error))
        return installed.string();
    return besideProgram.string();
}

std::string GetSpecialFolderPath(int csidl)
{
    if (csidl != 28)
        return std::string();
    if (const char* config = std::getenv("XDG_CONFIG_HOME"); config && *config == '/')
        return config;
    if (const char* home = std::getenv("HOME"); home && *home)
        return std::string(home) + "/.config";
    return std::string();
}

std::string AppSettingsPath()
{
    if (AppDataDir.find_first_not_of(' ') == std::string::npos)
        return std::string();
    return (fs::path(AppDataDir) / AppSettingsFileName).string();
}

std::string HelpText(const std::string& programFileName)
{
    const std::string lineBreak = "\n\r";
    return ProgramTitle + " " + VersionString + " HELP " + lineBreak + "Command line options: " + lineBreak +
           programFileName +
           "  /PROJECT=\"Project.p-p\" /START /PORT=\"COM1\"|\"COM2|...|\"AUTO\" /Baudrate=9600 /Debug=\"ON\"|\"OFF\" "
           "/EXTRA" +
           lineBreak +
           // The options added since, so that the help names every option the program handles.
           "More options: -headless /TRIGGER=\"Field\" /TCPPORT=4000 /TCPBIND=127.0.0.1 /MQTT=host[:port]|OFF "
           "/MQTTTOPIC=prefix /MQTTUSER=name /MQTTPASSFILE=file /MQTTCAFILE=file /MQTTDISCOVERY=ON|OFF "
           "/MQTTDISCOVERYPREFIX=prefix /MQTTAREA=name /MQTTFIELDTOPICS=ON|OFF "
           "/HTTP=[address:]port|OFF /HTTPTOKENFILE=file /HELP /VERSION" +
           lineBreak + CopyrightLine + lineBreak + WebAddress;
}

}  // namespace dedezuviv::app
