// The window's project commands: the menu "Projekt" (new, load, save, clone) and, in the menu
// "Einstellungen", the dataset definition and the project settings.
#pragma once

class TMainPrgForm;
class TProjectGeneralDlg;
class TVarConfigDlg;

// "Neues Projekt anlegen" (Ctrl+N).
void NewProject1Click(TMainPrgForm& window);
// "Projekt laden".
void LoadProject(TMainPrgForm& window);
// "Projekt speichern" (Ctrl+S).
void Save1Click(TMainPrgForm& window);
// "Projekt klonen".
void SaveAs1Click(TMainPrgForm& window);
// "Projekteinstellungen bearbeiten".
void GeneralSetup1Click(TMainPrgForm& window);
// A click on the project's name, comment or folder above the data table: the project settings.
void NameLabelClick(TMainPrgForm& window);
// "Datensatz-Definition bearbeiten".
void DatasetDefinitionsClick(TMainPrgForm& window);

// The window's one settings dialog and one dataset definition dialog, made at first use.
TProjectGeneralDlg& ProjectGeneralDlg(TMainPrgForm& window);
TVarConfigDlg& VarConfigDlg(TMainPrgForm& window);

// Connects the four entries of "Projekt" and the two of "Einstellungen".
void InstallProjectCommands(TMainPrgForm& window);
