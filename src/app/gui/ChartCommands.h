// The main window's chart commands (menu "Grafik" and "Laufende Messung anhalten und grafisch
// auswerten"): a new chart through the plot dialog, and copying and saving the two charts as pictures.
#pragma once

#include "app/gui/Namespace.h"

#include <string>

namespace dedezuviv::gui {

class ICommandHost;
class TPlotEditDlg;
class TChartWidget;

// "Grafische Auswertung erstellen" (and a click on a chart's title).
void PlotDataClick(ICommandHost& host);
// "Laufende Messung anhalten und grafisch auswerten": stops logging, then the plot dialog starts at the
// beginning of the recording with an increment of one second; the dialog's own start and increment
// are put back afterwards.
void StopAndPlotMeasurementClick(ICommandHost& host);
// "Temperaturgrafik in Zwischenablage kopieren" / "Grafik der Ausgänge in Zwischenablage kopieren".
void StdCopyToClp1Click(ICommandHost& host);
void CopyRelaisChartToClipbrdClick(ICommandHost& host);
// "Temperaturgrafik speichern" / "Grafik der Ausgänge speichern".
void SaveChartAsFileClick(ICommandHost& host);
void SaveRelChartAsFileClick(ICommandHost& host);

// Saves a chart under a file name as the save command does after its dialog: the format from the
// extension; errors are shown. False when nothing was written.
bool SaveChartPicture(TChartWidget& chart, const std::string& fileName);

// The window's one plot dialog, made at first use.
TPlotEditDlg& PlotEditDlg(ICommandHost& host);

// Declares the chart entries of the menus "Grafik" and "Datenaufzeichnung" and connects the title
// clicks.
void InstallChartCommands(ICommandHost& host);

}  // namespace dedezuviv::gui
