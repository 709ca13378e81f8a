// The project file (".p-p"): loading, saving and closing a project, with the main window's part of
// the file (the four dialog sections and the data table).
//
// The file holds, in the order of writing: [Info] (program, copyright, version, date of saving),
// [General] (port, baud rate, name, comment, sampling interval, data root, recording, table grid),
// [Field Definitions] (one name list per field type), [Export Setup] (the field selections), the four
// dialog sections and [Data Table] (the occupied cells). Field names in the file carry the stored type
// names ("Kessel (Temperature)"); in memory the display names ("Kessel (Temperatur)").
#pragma once

#include "model/Project.h"
#include "model/window/DataTable.h"
#include "model/window/DialogStates.h"
#include "model/Namespace.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace dedezuviv::base {
class TIniFile;
}  // namespace dedezuviv::base

namespace dedezuviv::model {

// What the project file needs of the main window; the window implements it.
class IProjectWindow {
public:
    virtual ~IProjectWindow() = default;
    // The temperature chart without series, its title the two lines "- Keine Grafik ausgewählt -" and
    // "Mit Click auf diesen Text oder durch Menüpunkt "Grafik erzeugen" neue Grafik erzeugen!", the
    // left, right and bottom axes hidden.
    virtual void ClearChart() = 0;
    // Redraws the field list, the table and the status line.
    virtual void RefreshDisplay() = 0;
};

// The parts of the main window that the project file reads and writes, held in the core: the data
// table, the dialogs' last settings, and the window itself when there is one.
struct TProjectView {
    TDataTable Table;
    TDialogStates Dialogs;
    IProjectWindow* Window = nullptr;
};

// The program's one view (the main window's).
TProjectView& MainView();


// Loads the file into a new project stored in Project. Result 0 on success; -1 with ErrorText
// "Projekt mit Dateinamen "<file>" nicht gefunden! " when the file does not exist (Project is freed, the
// table and chart stay); 2 when it exists but cannot be read (the same). Otherwise the previous project
// is closed (CloseProject), the file read, the dialog values and the table loaded (LoadViewSettings)
// and, for a file of version 100, the user told to check the data path.
void LoadProjectFile(std::unique_ptr<TProject>& project, const std::string& fileName, int& result,
                     std::string& errorText, TProjectView& view);
// The same for the open project (CurrentProject): the new project becomes the open one before the
// display is refreshed.
void LoadProjectFile(const std::string& fileName, int& result, std::string& errorText,
                     TProjectView& view = MainView());

// Writes the project and the view to the file: a temporary file in the same folder, synced and renamed
// over the old one, so a failed save leaves the previous file intact. Result 0 and Modified cleared on
// success; non-zero with ErrorText when the file cannot be written (Modified stays). The project's
// file name is not changed.
void SaveProjectFile(TProject& project, const std::string& fileName, int& result, std::string& errorText,
                     const TProjectView& view = MainView());

// Clears the chart, frees every cell of the table, frees the project and sets it to none.
void CloseProject(std::unique_ptr<TProject>& project, TProjectView& view);
// The same for the open project.
void CloseProject(TProjectView& view = MainView());

// The four dialog sections (PlotEditDlg, ExportBatchDlg, ExportSelectionDlg, ExportDlg), every control
// with a value (its dialog's start value when it has none), and [Data Table].
void SaveViewSettings(TIniFile& ini, const TProjectView& view);
// The dialog sections that exist in the file, then the stored cells (entries without a valid column
// and row, or outside the 10 by 50 cells, are skipped); finally the display is refreshed.
void LoadViewSettings(const TIniFile& ini, TProjectView& view);

// The project part of the file ([Info], [General], [Field Definitions], [Export Setup]) on its own.
// ReadProjectSections returns the [Info] version.
int32_t ReadProjectSections(const TIniFile& ini, TProject& project);
void WriteProjectSections(TIniFile& ini, const TProject& project);

}  // namespace dedezuviv::model
