// The commands of the page "Tabelle": editing a cell by double click (the cell dialog), the project
// labels that open the project settings, and the two table-to-clipboard entries of the menu "Export".
#pragma once

class QObject;
class TCellContentDlg;
class TMainPrgForm;

// The grid's double click: the cell dialog for the current cell; OK stores the settings, "Löschen &&
// OK" empties the cell, "Abbrechen" leaves it. Without a project only the message.
void EditDataField(TMainPrgForm& window);
// The table's texts as shown (the whole grid, or the selected rectangle) to the clipboard.
void CopyTableToClipboard(TMainPrgForm& window, bool selectionOnly);
// "Tabelle in Zwischenablage kopieren".
void CopyTableToClipboardClick(TMainPrgForm& window);
// "Selektierte Tabellenfelder --> Clipboard" (an entry that is present but hidden).
void CopySelectedTabFieldsToClipbrdClick(TMainPrgForm& window);
// The window's one cell dialog, made at first use.
TCellContentDlg& CellContentDlg(TMainPrgForm& window);
// Connects the grid's double click, the clicks on the project labels (the project settings,
// NameLabelClick of the project commands) and the two entries of the menu "Export".
void InstallTableCommands(TMainPrgForm& window);
