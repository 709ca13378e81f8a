// The commands of the page "Tabelle": editing a cell by double click (the cell dialog), the project
// labels that open the project settings, and the two table-to-clipboard entries of the menu "Export".
#pragma once

#include "app/gui/Namespace.h"

namespace dedezuviv::gui {

class ICommandHost;
class TCellContentDlg;

// The grid's double click: the cell dialog for the current cell; OK stores the settings, "Löschen &&
// OK" empties the cell, "Abbrechen" leaves it. Without a project only the message.
void EditDataField(ICommandHost& host);
// The table's texts as shown (the whole grid, or the selected rectangle) to the clipboard.
void CopyTableToClipboard(ICommandHost& host, bool selectionOnly);
// "Tabelle in Zwischenablage kopieren".
void CopyTableToClipboardClick(ICommandHost& host);
// "Selektierte Tabellenfelder --> Clipboard" (an entry that is present but hidden).
void CopySelectedTabFieldsToClipbrdClick(ICommandHost& host);
// The window's one cell dialog, made at first use.
TCellContentDlg& CellContentDlg(ICommandHost& host);
// Connects the grid's double click and the clicks on the project labels (the project settings,
// NameLabelClick of the project commands), and declares the two entries of the menu "Export".
void InstallTableCommands(ICommandHost& host);

}  // namespace dedezuviv::gui
