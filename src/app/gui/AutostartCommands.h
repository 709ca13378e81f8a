// The autostart commands of the menu "Werkzeuge": "Autostart-Eintrag anlegen" and
// "Autostart-Eintrag löschen".
#pragma once

class TAutoStartDlg;
class TMainPrgForm;

void AddAutostartEntry1Click(TMainPrgForm& window);
void DeleteAutostartEntry1Click(TMainPrgForm& window);
// The window's one autostart dialog, made at first use.
TAutoStartDlg& AutoStartDlg(TMainPrgForm& window);
void InstallAutostartCommands(TMainPrgForm& window);
