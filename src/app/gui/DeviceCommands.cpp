#include "app/gui/DeviceCommands.h"

#include "app/core/DeviceSearch.h"
#include "app/gui/CommandHost.h"
#include "app/gui/SerialPortConfigDlg.h"
#include "app/gui/WindowDialog.h"
#include "base/DateTime.h"
#include "base/FormatSettings.h"
#include "base/Log.h"
#include "base/MainThread.h"
#include "device/CommPortList.h"
#include "model/LiveState.h"
#include "model/Project.h"
#include "model/UiInterfaces.h"
#include "app/gui/Namespace.h"

#include <vector>

namespace dedezuviv::gui {

namespace {

// Maximum difference between the controller's clock and the PC clock that needs no question.
constexpr int64_t ClockToleranceSeconds = 5;

// Set while a search runs: the window stays responsive meanwhile, and a second search started from it
// (F9 again, or the start command) would listen on the ports the first one holds open.
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

void AutodetectDevices1Click(ICommandHost& host, bool fromMenu)
{
    if (SearchRunning)
        return;
    if (host.NoActProject() || !host.ConfirmStopLogging())
        return;
    if (fromMenu &&
        AskUser("Automatische Erkennung angeschlossener Geräte jetzt starten (bitte Gerät anschliessen)? ") !=
            TDialogAnswer::Yes)
        return;
    host.ShowTerminalTab();

    std::string port;
    TRecordHeader header;
    uint8_t frameKind = 0;
    {
        const TScopedFlag searching(SearchRunning);
        SearchDevice(port, header, frameKind, true);
    }
    DebugInfo("Autodetect device found: ComStr=" + port);

    if (!port.empty()) {
        DebugInfo("Empfangszeit: " + FormatDateTime("dd.mm.yy hh:nn:ss zzz", header.RT) +
                  ", PC-Zeit: " + FormatDateTime("dd.mm.yy hh:nn:ss zzz", header.PC));
        if (SecondsBetween(header.RT, header.PC) > ClockToleranceSeconds) {
            const std::string question = "Die aktuelle Zeit des angeschlossenen Geräts (" +
                                         FormatDateTime("dd.mm.yy hh:nn:ss", header.RT) +
                                         ") weicht deutlich von der PC-Zeit ab (" +
                                         FormatDateTime("dd.mm.yy hh:nn:ss", header.PC) +
                                         "). Bitte Gerätezeit korrigieren. Erkannte Einstellungen übernehmen?";
            if (AskUser(question) != TDialogAnswer::Yes)
                port.clear();
        }
        if (header.RT == header.PC)
            InformUser("Das Gerät sendet keine Systemzeit, daher wird die PC-Empfangszeit verwendet.");
    } else {
        ShowError("Es wurde kein Gerät erkannt!");
    }

    // The project may have been closed while the search let the window run.
    if (!port.empty())
        SetProjectPort(port);
    host.RefreshDisplay();
}

TSerialPortConfigDlg& SerialPortConfigDlg(ICommandHost& host)
{
    return WindowDialog<TSerialPortConfigDlg>(host.DialogParent());
}

void SerialPortConfiguration1Click(ICommandHost& host)
{
    if (host.NoActProject() || !host.ConfirmStopLogging())
        return;
    TSerialPortConfigDlg& dialog = SerialPortConfigDlg(host);
    std::vector<std::string> found;
    GetSerialPortNames(found);
    dialog.AddPortNames(found);
    dialog.SelectPort(CurrentProject()->Port.Name);

    if (dialog.exec() == QDialog::Accepted) {
        // The project may have been closed while the dialog was open.
        if (TProject* project = CurrentProject()) {
            project->SetModified(true);
            const std::string port = dialog.SelectedPort();
            if (!port.empty())
                project->Port.Name = port;
        }
    }
    host.RefreshDisplay();
}

void InstallDeviceCommands(ICommandHost& host)
{
    const QString settings = QStringLiteral("Einstellungen");
    host.AddMenuRows({
        {settings, QStringLiteral("Angeschlossenes Gerät automatisch erkennen"), QKeySequence(Qt::Key_F9),
         [&host] { AutodetectDevices1Click(host, true); }},
        {settings, QStringLiteral("Schnittstelle einstellen"), {}, [&host] { SerialPortConfiguration1Click(host); }},
    });
    host.SetDeviceSearchCommand([&host] { AutodetectDevices1Click(host, false); });
}

}  // namespace dedezuviv::gui
