#include "app/core/Startup.h"

#include "base/AsciiText.h"
#include "app/core/CommandLine.h"
#include "app/core/MqttPublisher.h"
#include "app/core/PortKeeper.h"
#include "app/core/TCPDataServer.h"
#include "app/core/WebServer.h"
#include "base/AppGlobals.h"
#include "base/Log.h"
#include "base/NumberText.h"
#include "model/LiveLogging.h"
#include "model/LiveState.h"
#include "model/ProjectFile.h"
#include "model/UiInterfaces.h"
#include "app/core/Namespace.h"

namespace dedezuviv::app {

bool IsAutoPortOption(const std::string& value)
{
    const std::string upper = UpperAscii(std::string(TrimBlanks(value)));
    return upper == "AUTO" || upper == "A";
}

TStartupOutcome RunStartup(IStartupHost& host, const std::string& programFileName)
{
    TStartupOutcome outcome;
    std::string value;
    if (GetCommandLineOption("help", "h", value)) {
        host.ShowHelp(HelpText(programFileName));
        outcome.HelpShown = true;
        return outcome;
    }

    DebugMode = IsCommandLineSwitchOn("debug", "d");

    std::string projectFile;
    AppDataDir = GetSpecialFolderPath(28);
    if (!AppSettingsPath().empty()) {
        TAppSettings settings = host.CurrentSettings();
        int code = 0;
        std::string text;
        // A missing file on the first start is normal: its error is not shown.
        ReadAppSettings(AppSettingsPath(), settings, projectFile, code, text);
        if (code == 0)
            host.ApplySettings(settings);
    }

    if (GetCommandLineOption("project", "p", value))
        projectFile = value;
    projectFile = std::string(TrimBlanks(projectFile));

    if (!projectFile.empty()) {
        host.AddStartupLine("Lade Projekt-Datei=" + projectFile);
        int result = 0;
        std::string errorText;
        LoadProjectFile(projectFile, result, errorText);
        if (result != 0) {
            ShowError(errorText);
            CloseCurrentProject();
            projectFile.clear();
            outcome.ProjectFailed = true;
        }
    }
    outcome.ProjectFileName = projectFile;

    TProject* project = CurrentProject();
    if (GetCommandLineOption("port", "", value) && project) {
        // Linux port names are case-sensitive: only the word AUTO is compared without case.
        const std::string port = IsAutoPortOption(value) ? host.SearchDevicePort() : value;
        project = CurrentProject();
        if (project)
            project->Port.Name = port;
    }

    host.ShowTerminalPage();

    if (GetCommandLineOption("baudrate", "b", value) && project)
        project->Port.BaudRate = static_cast<uint32_t>(StrToIntDef(TrimBlanks(value), 9600));

    if (IsCommandLineSwitchOn("start", "s") && project) {
        project->RecordingToFile = true;
        StartRunningDataSource(project->Port);
        // Also when the port did not open yet: the keeper tries again until the adapter is there.
        PortKeeper().Want(true);
    }

    if (GetCommandLineOption("trigger", "", value) && project) {
        project->TriggerField = value;
        LogMessage("Trigger für Speichern aktiviert: \"" + value + "\" > 0");
    }

    if (GetCommandLineOption("tcpport", "", value)) {
        std::string port(TrimBlanks(value));
        if (port.empty())
            port = "4000";
        LogMessage("Starte Netzwerkzugriff auf Port " + port + " ...");
        std::string address;  // "/TCPBIND=127.0.0.1": only this local address listens
        MainTCPDataServer().SetBindAddress(GetCommandLineOption("tcpbind", "", address) ? address : std::string());
        host.StartNetworkServer(port);
    }

    // The MQTT publisher: the settings file's [MQTT] section, overridden by the command line.
    const TMqttSettings mqtt = ApplyMqttCommandLine(ReadMqttSettings(AppSettingsPath()));
    if (mqtt.Enabled())
        MainMqttPublisher().Start(mqtt);
    // The web view: the [HTTP] section, overridden by /HTTP= and /HTTPTOKENFILE=.
    StartWebViewFromSettings(AppSettingsPath());
    return outcome;
}

}  // namespace dedezuviv::app
