#include "app/gui/CardImportCommands.h"

#include "app/core/FileChooser.h"
#include "app/gui/CommandHost.h"
#include "app/gui/ProgressWindow.h"
#include "base/ErrorText.h"
#include "base/MainThread.h"
#include "model/CardImport.h"
#include "model/UiInterfaces.h"
#include "app/gui/Namespace.h"

#include <cerrno>
#include <cstdio>
#include <string>

namespace dedezuviv::gui {

namespace {

// Set while an import runs: its progress window lets events run, and a second import started from
// them would write into the same files and move the same sampling state.
bool ImportRunning = false;

}  // namespace

void SDCardImportClick(ICommandHost& host)
{
    if (ImportRunning)
        return;
    if (host.NoActProject() || !host.ConfirmStopLogging())
        return;
    const std::string fileName = ChooseOpenFile(CardImportMessages::FileDialogTitle, CardImportMessages::FileFilter);
    if (fileName.empty())
        return;

    const TScopedFlag running(ImportRunning);
    TLogBox& log = host.ProgressWindow();
    log.Open();
    TCardImportResult result = ImportCardFile(fileName, &log);
    if (result.Result == 0) {
        // The card file goes only after a complete import; a failed one is never offered for deletion.
        if (AskUser(CardImportMessages::DeleteQuestion) == TDialogAnswer::Yes && std::remove(fileName.c_str()) != 0) {
            result.Result = 1;
            result.ErrorText = "Die Datei \"" + fileName + "\" kann nicht gelöscht werden: " + SystemErrorText(errno);
        }
    }
    if (result.Result != 0)
        ShowError(CardImportFailureText(result));
    log.Close();
    host.RefreshDisplay();
}

void InstallCardImportCommands(ICommandHost& host)
{
    const QString caption = QStringLiteral("Daten von SD-Karte einlesen");
    host.AddMenuRows({
        {QStringLiteral("Datenaufzeichnung"), caption, {}, [&host] { SDCardImportClick(host); }},
        {QStringLiteral("Werkzeuge"), caption, {}, [&host] { SDCardImportClick(host); }},
    });
}

}  // namespace dedezuviv::gui
