// The window's project commands: the menu "Projekt" (new, load, save, clone) and, in the menu
// "Einstellungen", the dataset definition and the project settings.
#pragma once

#include "app/gui/Namespace.h"

namespace dedezuviv::gui {

class ICommandHost;
class TProjectGeneralDlg;
class TVarConfigDlg;

// "Neues Projekt anlegen" (Ctrl+N).
void NewProject1Click(ICommandHost& host);
// "Projekt laden".
void LoadProject(ICommandHost& host);
// "Projekt speichern" (Ctrl+S).
void Save1Click(ICommandHost& host);
// "Projekt klonen".
void SaveAs1Click(ICommandHost& host);
// "Projekteinstellungen bearbeiten".
void GeneralSetup1Click(ICommandHost& host);
// A click on the project's name, comment or folder above the data table: the project settings.
void NameLabelClick(ICommandHost& host);
// "Datensatz-Definition bearbeiten".
void DatasetDefinitionsClick(ICommandHost& host);

// The window's one settings dialog and one dataset definition dialog, made at first use.
TProjectGeneralDlg& ProjectGeneralDlg(ICommandHost& host);
TVarConfigDlg& VarConfigDlg(ICommandHost& host);

// Declares the four entries of "Projekt" and the two of "Einstellungen", and gives the window the
// saving for its close.
void InstallProjectCommands(ICommandHost& host);

}  // namespace dedezuviv::gui
