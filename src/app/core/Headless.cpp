#include "app/core/Headless.h"

#include "app/core/AppSettings.h"
#include "app/core/CommandLine.h"
#include "app/core/DeviceSearch.h"
#include "app/core/LoggingControl.h"
#include "app/core/LogLines.h"
#include "app/core/MqttPublisher.h"
#include "app/core/PortKeeper.h"
#include "app/core/Startup.h"
#include "app/core/TCPDataServer.h"
#include "app/core/WebServer.h"
#include "base/AppGlobals.h"
#include "base/FormatSettings.h"
#include "base/Log.h"
#include "base/MainThread.h"
#include "model/DataSource.h"
#include "model/LiveLogging.h"
#include "model/LiveState.h"
#include "model/Project.h"
#include "model/ProjectFile.h"
#include "model/UiInterfaces.h"
#include "app/core/Namespace.h"

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>

namespace dedezuviv::app {

int HeadlessWatchdogIntervalMs = DefaultHeadlessWatchdogIntervalMs;

namespace {

// How often the loop looks for a stop request between tasks of the port.
constexpr int LoopTimeoutMs = 100;

volatile std::sig_atomic_t SignalStop = 0;
std::atomic<bool> StopRequested{false};

extern "C" void HandleStopSignal(int) { SignalStop = 1; }

bool ShouldStop() { return SignalStop != 0 || StopRequested.load(); }

void WriteLine(std::FILE* stream, const std::string& text)
{
    std::fputs(text.c_str(), stream);
    std::fputc('\n', stream);
    // One line at a time, so that a pipe or the journal sees each line when it happens.
    std::fflush(stream);
}

// Window-less receivers of what the core shows: the terminal on standard output, messages on standard
// error, questions answered with their default (No, or Cancel where offered).
class THeadlessOutput : public IRecordDisplay, public IUserDialogs {
public:
    std::chrono::steady_clock::time_point LastRecord = std::chrono::steady_clock::now();

    void ShowRecord(const TDecodedRecord& record) override
    {
        SetCurrentRecord(record);
        LastRecord = std::chrono::steady_clock::now();
    }
    void AddTerminalLine(const std::string& text) override { WriteLine(stdout, text); }

    TDialogAnswer Ask(const std::string& text, bool withCancel) override
    {
        WriteLine(stderr, text);
        const TDialogAnswer answer = withCancel ? TDialogAnswer::Cancel : TDialogAnswer::No;
        WriteLine(stderr, withCancel ? "(ohne Fenster: Abbrechen)" : "(ohne Fenster: Nein)");
        return answer;
    }
    void Inform(const std::string& text) override { WriteLine(stderr, text); }
    void Error(const std::string& text) override { WriteLine(stderr, text); }
};

class THeadlessStartupHost : public IStartupHost {
public:
    TAppSettings Settings;

    void ShowHelp(const std::string& text) override
    {
        std::string shown = text;
        // The help text breaks its lines with LF CR; a terminal wants LF only.
        for (size_t at = shown.find("\n\r"); at != std::string::npos; at = shown.find("\n\r", at + 1))
            shown.erase(at + 1, 1);
        WriteLine(stdout, shown);
    }
    void AddStartupLine(const std::string& text) override { WriteLine(stdout, text); }
    TAppSettings CurrentSettings() override { return Settings; }
    void ApplySettings(const TAppSettings& settings) override { Settings = settings; }
    std::string SearchDevicePort() override { return SearchDevicePortNonInteractive(); }
    void StartNetworkServer(const std::string& port) override
    {
        MainTCPDataServer().SetPort(port);
        MainTCPDataServer().Activate();
    }
};

void InstallSignalHandlers()
{
    struct sigaction action {};
    action.sa_handler = HandleStopSignal;
    sigemptyset(&action.sa_mask);
    for (const int signal : {SIGINT, SIGTERM, SIGHUP})
        sigaction(signal, &action, nullptr);
    // A reader that goes away (a closed pipe, a TCP client) must not end the logger.
    std::signal(SIGPIPE, SIG_IGN);
}

// Receives until a stop is requested; the keeper reopens a port that is closed or lost its device,
// the watchdog resets an open port that stays silent.
void RunLoggingLoop(TTaskQueueDispatcher& dispatcher, THeadlessOutput& output)
{
    uint32_t recordsSeen = 0;
    while (!ShouldStop()) {
        dispatcher.WaitAndRunTasks(LoopTimeoutMs);
        if (CurrentProject() == nullptr)
            break;
        // Records count as life also when the display pause did not show them (a fast controller).
        if (const TDataSource* source = RunningDataSource(); source && source->RecordCount != recordsSeen) {
            recordsSeen = source->RecordCount;
            output.LastRecord = std::chrono::steady_clock::now();
        }
        if (PortKeeper().Tick())
            output.LastRecord = std::chrono::steady_clock::now();
        if (std::chrono::steady_clock::now() - output.LastRecord <
            std::chrono::milliseconds(HeadlessWatchdogIntervalMs))
            continue;
        // A port without a device, or one that is not open, is the keeper's.
        if (LoggingActive() && !RunningDataSource()->LineLost())
            ResetLogging();
        output.LastRecord = std::chrono::steady_clock::now();
    }
}

void WriteSettings(const TAppSettings& settings)
{
    const std::string settingsFile = AppSettingsPath();
    if (settingsFile.empty())
        return;
    int code = 0;
    std::string text;
    WriteAppSettings(settingsFile, settings, CurrentProject(), code, text);
    if (code != 0)
        ShowError("Die Einstellungenen konnten nicht gespeichert werden.");
}

}  // namespace

bool HeadlessRequested(const std::vector<std::string>& arguments)
{
    for (std::string argument : arguments) {
        for (char& c : argument)
            if (c >= 'A' && c <= 'Z')
                c = static_cast<char>(c - 'A' + 'a');
        if (argument == "-headless" || argument == "/headless" || argument == "--headless")
            return true;
    }
    return false;
}

void RequestHeadlessStop() { StopRequested = true; }

int RunHeadless(const std::vector<std::string>& arguments, const std::string& programFileName)
{
    SignalStop = 0;
    StopRequested = false;
    InstallSignalHandlers();
    LoadFormatSettingsFromEnvironment();
    SetCommandLineArguments(arguments);

    TTaskQueueDispatcher dispatcher;
    THeadlessOutput output;
    SetMainThreadDispatcher(&dispatcher);
    SetRecordDisplay(&output);
    SetUserDialogs(&output);
    SetLogCallbacks(
        [&output](const std::string& text) {
            output.AddTerminalLine(TimeStampedLogLine(text));
            AppendToDebugLog(text);
        },
        [&output](const std::string& text) {
            if (DebugMode) {
                output.AddTerminalLine(TimeStampedLogLine(DebugLogText(text)));
                AppendToDebugLog(DebugLogText(text));
            }
        });

    const auto finish = [&](int code) {
        PortKeeper().Want(false);
        MainTCPDataServer().Deactivate();
        MainMqttPublisher().Stop();
        MainWebServer().Stop();
        dispatcher.RunPendingTasks();
        CloseProject();
        ClearLogCallbacks();
        SetUserDialogs(nullptr);
        SetRecordDisplay(nullptr);
        SetMainThreadDispatcher(nullptr);
        return code;
    };

    THeadlessStartupHost host;
    const TStartupOutcome outcome = RunStartup(host, programFileName);
    if (outcome.HelpShown)
        return finish(1);
    TProject* project = CurrentProject();
    if (project == nullptr) {
        if (!outcome.ProjectFailed)
            ShowError("Kein Projekt angegeben. Ohne Fenster wird das Projekt mit /PROJECT=Datei genannt "
                      "(oder es steht als letztes Projekt in der Einstellungsdatei).");
        return finish(2);
    }
    if (project->Port.Name.find_first_not_of(' ') == std::string::npos) {
        ShowError("Es ist keine serielle Schnittstelle eingestellt! Ohne Fenster wird sie mit /PORT=Name "
                  "oder /PORT=AUTO gewählt.");
        return finish(2);
    }

    // Without a window nobody could press Start: the logger receives in any case; whether it also
    // records is the project's setting, or on with /START.
    if (!LoggingActive())
        StartLogging();
    // Nobody could press Start again: a port that did not open (an adapter not plugged in yet) or that
    // goes away later is tried again until it is there.
    PortKeeper().Want(true);
    if (LoggingActive())
        LogMessage("Logging aktiv (Schnittstelle " + RunningDataSource()->GetPortName() + "), aufzeichnen " +
                   (project->RecordingToFile ? "ein." : "aus (mit /START einschalten)."));
    output.LastRecord = std::chrono::steady_clock::now();

    RunLoggingLoop(dispatcher, output);

    if (LoggingActive())
        StopLogging();
    WriteSettings(host.Settings);
    return finish(0);
}

}  // namespace dedezuviv::app
