// The main window's export commands and the field selection editor: the menu
// "Export" ("Feldauswahl erstellen/bearbeiten", "Exportieren in Datei", "Batch-Export"), the same
// editor entry of the menu "Grafik", and "Laufende Messung anhalten und exportieren".
//
// The checks, progress lines and messages after the dialogs are the core actions' (ExportActions.h).
//
// Choices made here, and why:
// - Both progress windows have "Abbrechen": the export stops at once and its unfinished file is
//   removed (see TExportData::CancelRequested).
// - "exportdef.cfg" is read from the user's folder first (ExportDefinitionFile).
// - Every export dialog gives its current values to the stored sections once at installation (the
//   chart commands do the same for the plot dialog), so a project saved before a dialog was opened, or
//   loaded without its section, still gets all four sections in the order of the project file.
// - The batch dialog's format is restored from a loaded project also before its first opening
//   (filling the format list only at the first opening would lose the format of a project loaded
//   before it).
#pragma once

#include "app/gui/Namespace.h"

namespace dedezuviv::gui {

class ICommandHost;
class TExportBatchDlg;
class TExportDlg;
class TFieldListEditorDlg;

// "Feldauswahl erstellen/bearbeiten" (both menus).
void EditFieldSelectionClick(ICommandHost& host);
// "Exportieren in Datei".
void ExportDataClick(ICommandHost& host);
// "Batch-Export".
void ExportBatchModeClick(ICommandHost& host);
// "Laufende Messung anhalten und exportieren": stops logging, then the export command with its
// dialog as last used.
void StopAndExportMeasurementClick(ICommandHost& host);

// The window's dialogs, made at first use (at installation).
TFieldListEditorDlg& FieldListEditorDlg(ICommandHost& host);
TExportDlg& ExportDlg(ICommandHost& host);
TExportBatchDlg& ExportBatchDlg(ICommandHost& host);

// Loads the period types ("exportdef.cfg"), makes the dialogs, gives their values to the stored
// sections and declares the menu entries.
void InstallExportCommands(ICommandHost& host);

}  // namespace dedezuviv::gui
