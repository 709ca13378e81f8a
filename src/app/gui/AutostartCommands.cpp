#include "app/gui/AutostartCommands.h"

#include "app/core/Autostart.h"
#include "app/gui/AutoStartDlg.h"
#include "app/gui/CommandHost.h"
#include "app/gui/WindowDialog.h"
#include "model/LiveState.h"
#include "app/gui/Namespace.h"

namespace dedezuviv::gui {

TAutoStartDlg& AutoStartDlg(ICommandHost& host) { return WindowDialog<TAutoStartDlg>(host.DialogParent()); }

void AddAutostartEntry1Click(ICommandHost& host)
{
    TAutoStartDlg& dialog = AutoStartDlg(host);
    dialog.Prepare();
    if (dialog.exec() != QDialog::Accepted)
        return;
    AddAutostartEntry(dialog.ChosenIndex(), dialog.ChosenScope(), CurrentProject());
}

void DeleteAutostartEntry1Click(ICommandHost&) { DeleteAutostartEntries(); }

void InstallAutostartCommands(ICommandHost& host)
{
    const QString tools = QStringLiteral("Werkzeuge");
    host.AddMenuRows({
        {tools, QStringLiteral("Autostart-Eintrag anlegen"), {}, [&host] { AddAutostartEntry1Click(host); }},
        {tools, QStringLiteral("Autostart-Eintrag löschen"), {}, [&host] { DeleteAutostartEntry1Click(host); }},
    });
}

}  // namespace dedezuviv::gui
