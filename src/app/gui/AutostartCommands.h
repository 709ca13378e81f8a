// The autostart commands of the menu "Werkzeuge": "Autostart-Eintrag anlegen" and
// "Autostart-Eintrag löschen".
#pragma once

#include "app/gui/Namespace.h"

namespace dedezuviv::gui {

class ICommandHost;
class TAutoStartDlg;

void AddAutostartEntry1Click(ICommandHost& host);
void DeleteAutostartEntry1Click(ICommandHost& host);
// The window's one autostart dialog, made at first use.
TAutoStartDlg& AutoStartDlg(ICommandHost& host);
// Declares the two entries of the menu "Werkzeuge".
void InstallAutostartCommands(ICommandHost& host);

}  // namespace dedezuviv::gui
