#include "app/core/DeviceActions.h"

#include "app/core/DeviceSearch.h"
#include "base/DateTime.h"
#include "base/FormatSettings.h"
#include "base/Log.h"
#include "base/MainThread.h"
#include "model/LiveState.h"
#include "model/Project.h"
#include "model/UiInterfaces.h"
#include "app/core/Namespace.h"

#include <string>

namespace dedezuviv::app {

namespace {

// Maximum difference between the controller's clock and the PC clock that needs no question.
constexpr int64_t ClockToleranceSeconds = 5;

bool SearchRunning = false;

// Sets the port of the current project; a changed port is a change of the project.
void SetProjectPort(const std::string& port)
{
    TProject* project = CurrentProject();
    if (project == nullptr)
        return;
    if (project->Port.Name != port)
        project->SetModified(true);
    project->Port.Name = port;
}

}  // namespace

bool AcceptDetectedDevice(const TRecordHeader& header)
{
    DebugInfo("Empfangszeit: " + FormatDateTime("dd.mm.yy hh:nn:ss zzz", header.RT) +
              ", PC-Zeit: " + FormatDateTime("dd.mm.yy hh:nn:ss zzz", header.PC));
    bool accepted = true;
    if (SecondsBetween(header.RT, header.PC) > ClockToleranceSeconds) {
        const std::string question = "Die aktuelle Zeit des angeschlossenen Geräts (" +
                                     FormatDateTime("dd.mm.yy hh:nn:ss", header.RT) +
                                     ") weicht deutlich von der PC-Zeit ab (" +
                                     FormatDateTime("dd.mm.yy hh:nn:ss", header.PC) +
                                     "). Bitte Gerätezeit korrigieren. Erkannte Einstellungen übernehmen?";
        accepted = AskUser(question) == TDialogAnswer::Yes;
    }
    if (header.RT == header.PC)
        InformUser("Das Gerät sendet keine Systemzeit, daher wird die PC-Empfangszeit verwendet.");
    return accepted;
}

void DetectDeviceCommand(IDeviceCommandsHost& host, bool askFirst)
{
    if (SearchRunning)
        return;
    if (host.NoActProject() || !host.ConfirmStopLogging())
        return;
    if (askFirst && AskUser(DetectDeviceQuestion) != TDialogAnswer::Yes)
        return;
    host.ShowTerminalPage();

    std::string port;
    TRecordHeader header;
    uint8_t frameKind = 0;
    {
        const TScopedFlag searching(SearchRunning);
        SearchDevice(port, header, frameKind, true);
    }
    DebugInfo("Autodetect device found: ComStr=" + port);

    if (!port.empty()) {
        if (!AcceptDetectedDevice(header))
            port.clear();
    } else {
        ShowError("Es wurde kein Gerät erkannt!");
    }

    // The project may have been closed while the search let the window run.
    if (!port.empty())
        SetProjectPort(port);
    host.RefreshDisplay();
}

}  // namespace dedezuviv::app
