#include "app/gui/DeviceCommands.h"

#include "app/core/DeviceActions.h"
#include "app/gui/CommandHost.h"
#include "app/gui/SerialPortConfigDlg.h"
#include "app/gui/WindowDialog.h"
#include "device/CommPortList.h"
#include "model/LiveState.h"
#include "model/Project.h"
#include "app/gui/Namespace.h"

#include <vector>

namespace dedezuviv::gui {

void AutodetectDevices1Click(ICommandHost& host, bool fromMenu) { DetectDeviceCommand(host, fromMenu); }

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
