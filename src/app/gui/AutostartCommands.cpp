#include "app/gui/AutostartCommands.h"

#include "app/core/Autostart.h"
#include "app/gui/AutoStartDlg.h"
#include "app/gui/MainWindow.h"
#include "app/gui/WindowDialog.h"
#include "model/LiveState.h"


TAutoStartDlg& AutoStartDlg(TMainPrgForm& window) { return WindowDialog<TAutoStartDlg>(window); }

void AddAutostartEntry1Click(TMainPrgForm& window)
{
    TAutoStartDlg& dialog = AutoStartDlg(window);
    dialog.Prepare();
    if (dialog.exec() != QDialog::Accepted)
        return;
    AddAutostartEntry(dialog.ChosenIndex(), dialog.ChosenScope(), CurrentProject());
}

void DeleteAutostartEntry1Click(TMainPrgForm&) { DeleteAutostartEntries(); }

void InstallAutostartCommands(TMainPrgForm& window)
{
    const QString tools = QStringLiteral("Werkzeuge");
    window.ConnectEntry(tools, QStringLiteral("Autostart-Eintrag anlegen"), [&window] { AddAutostartEntry1Click(window); });
    window.ConnectEntry(tools, QStringLiteral("Autostart-Eintrag löschen"),
                        [&window] { DeleteAutostartEntry1Click(window); });
}
