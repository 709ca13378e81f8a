// The window's memory-card import: "Daten von SD-Karte einlesen" in the menus "Datenaufzeichnung" and
// "Werkzeuge". The import itself is the core's (model/CardImport); this adds the checks, the file
// dialog, the progress window and the question whether to delete the card file.
#pragma once

class TMainPrgForm;

void SDCardImportClick(TMainPrgForm& window);
// Connects both menu entries.
void InstallCardImportCommands(TMainPrgForm& window);
