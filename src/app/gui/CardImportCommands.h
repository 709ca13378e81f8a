// The window's memory-card import: "Daten von SD-Karte einlesen" in the menus "Datenaufzeichnung" and
// "Werkzeuge". The import itself is the core's (model/CardImport); this adds the checks, the file
// dialog, the progress window and the question whether to delete the card file.
#pragma once

#include "app/gui/Namespace.h"

namespace dedezuviv::gui {

class ICommandHost;

void SDCardImportClick(ICommandHost& host);
// Declares both menu entries.
void InstallCardImportCommands(ICommandHost& host);

}  // namespace dedezuviv::gui
