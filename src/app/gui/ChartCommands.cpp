#include "app/gui/ChartCommands.h"

#include "app/core/FileChooser.h"
#include "app/gui/ChartPage.h"
#include "app/gui/ChartPicture.h"
#include "app/gui/ChartPlot.h"
#include "app/gui/ChartWidget.h"
#include "app/gui/ProgressWindow.h"
#include "app/gui/MainWindow.h"
#include "app/gui/PlotDlg.h"
#include "app/gui/WindowDialog.h"
#include "model/LiveState.h"
#include "model/Project.h"
#include "model/ProjectFile.h"
#include "model/UiInterfaces.h"
#include "model/window/DialogTimes.h"

#include <QApplication>
#include <QClipboard>
#include <QTabWidget>

#include <filesystem>

namespace {

const char* const NoChartText = "Es existiert keine Grafik zum Kopieren.";
const char* const SaveFilter =
    "Bitmap (*.bmp)|*.bmp|Erweiterte Metadateien (*.emf)|*.emf|Metadateien (*.wmf)|*.wmf|"
    "PNG-Bilder (*.png)|*.png|SVG-Vektorgrafiken (*.svg)|*.svg";

TPictureRenderer ChartRenderer(TChartWidget& chart)
{
    return [&chart](QCPPainter& painter, QSize size) { chart.RenderTo(painter, size); };
}

// The chart has been hidden by the layout (the outputs chart without digital series).
bool ChartHidden(const TChartWidget& chart) { return chart.isHidden(); }

void CopyChart(TChartWidget& chart)
{
    if (ChartHidden(chart)) {
        ShowError(NoChartText);
        return;
    }
    QApplication::clipboard()->setMimeData(PictureMimeData(ChartRenderer(chart), chart.size()));
}

void SaveChart(TChartWidget& chart, bool checkVisible)
{
    if (checkVisible && ChartHidden(chart)) {
        ShowError(NoChartText);
        return;
    }
    const std::string chosen = ChooseSaveFile("Grafik speichern", SaveFilter, "emf");
    if (chosen.empty())
        return;
    SaveChartPicture(chart, chosen);
}

}  // namespace

TPlotEditDlg& PlotEditDlg(TMainPrgForm& window) { return WindowDialog<TPlotEditDlg>(window); }

bool SaveChartPicture(TChartWidget& chart, const std::string& fileName)
{
    // The chosen name with its extension in lower case.
    const std::filesystem::path chosen(fileName);
    std::string extension = chosen.extension().string();
    for (char& c : extension)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    const std::filesystem::path target = chosen.parent_path() / (chosen.stem().string() + extension);
    const QString name = QString::fromStdString(target.string());
    const TPictureFormat format = PictureFormatOf(name);
    if (format == TPictureFormat::Unknown) {
        ShowError("Unbekanntes Format für Datenexport angegeben!");
        return false;
    }
    if (!WritePicture(name, format, ChartRenderer(chart), chart.size())) {
        ShowError("Fehler beim Schreiben der Datei \"" + fileName + "\"!");
        return false;
    }
    return true;
}

void PlotDataClick(TMainPrgForm& window)
{
    if (window.NoActProject())
        return;
    TPlotEditDlg& dialog = PlotEditDlg(window);
    dialog.LoadFromStates(MainView().Dialogs.PlotEditDlg);
    dialog.FormActivate(CurrentProject());
    const bool confirmed = dialog.exec() == QDialog::Accepted;
    dialog.SaveToStates(MainView().Dialogs.PlotEditDlg);
    // The project may have been closed while the dialog was open.
    TProject* project = CurrentProject();
    if (!confirmed || project == nullptr)
        return;

    const int index = dialog.SelectedIndex();
    window.SelectionIndex = index;
    TPlotRequest request;
    if (index >= 0 && index < static_cast<int>(dialog.Choices().size())) {
        request.Fields = dialog.Choices()[static_cast<size_t>(index)].Fields;
        request.SelectionName = dialog.Choices()[static_cast<size_t>(index)].Name;
    }
    request.Start = dialog.StartTime();
    request.End = dialog.EndTime();
    request.IncrementSeconds = ParseIncrement(dialog.IncrementText().toStdString());
    request.Look.Markers = dialog.MarkersCB->isChecked();
    request.Look.Look3D = dialog.Look3DCB->isChecked();

    TPlotResult result;
    {
        // The progress window closes (and the main window is enabled again) whatever happens.
        struct TOpenLogBox {
            TLogBox& Box;
            explicit TOpenLogBox(TLogBox& box) : Box(box) { Box.Open(); }
            ~TOpenLogBox() { Box.Close(); }
        } open(*window.LogBox);
        window.LogBox->AddLine("Datenaufbereitung wird gestartet...");
        result = ReadAndShowChart(*window.ChartPage, *project, window.LogBox, request);
    }

    switch (result.Outcome) {
    case TPlotOutcome::Shown: window.Pages->setCurrentWidget(window.ChartPage); break;
    case TPlotOutcome::NoData: InformUser("Es wurden keine Daten im angegebenen Zeitraum gefunden!"); break;
    case TPlotOutcome::ReadError: ShowError(result.ErrorText); break;
    }
}

void StopAndPlotMeasurementClick(TMainPrgForm& window)
{
    if (!window.StopAndEvaluate())
        return;
    TPlotEditDlg& dialog = PlotEditDlg(window);
    dialog.LoadFromStates(MainView().Dialogs.PlotEditDlg);
    const TDateTime start = dialog.StartTime();
    const QString increment = dialog.IncrementText();
    dialog.SetStartTime(CurrentProject()->RecordStart);
    dialog.SetIncrementText(QStringLiteral("00:00:01"));
    dialog.SaveToStates(MainView().Dialogs.PlotEditDlg);
    PlotDataClick(window);
    dialog.SetStartTime(start);
    dialog.SetIncrementText(increment);
    dialog.SaveToStates(MainView().Dialogs.PlotEditDlg);
}

void StdCopyToClp1Click(TMainPrgForm& window) { CopyChart(*window.ChartPage->ChartFormStd); }

void CopyRelaisChartToClipbrdClick(TMainPrgForm& window) { CopyChart(*window.ChartPage->ChartFormRelais); }

void SaveChartAsFileClick(TMainPrgForm& window) { SaveChart(*window.ChartPage->ChartFormStd, false); }

void SaveRelChartAsFileClick(TMainPrgForm& window) { SaveChart(*window.ChartPage->ChartFormRelais, true); }

void InstallChartCommands(TMainPrgForm& window)
{
    // The plot dialog's current values go to its stored section now, so that a project saved before
    // the dialog is first used (or loaded without the section) still gets the section.
    TPlotEditDlg& plot = PlotEditDlg(window);
    plot.LoadFromStates(MainView().Dialogs.PlotEditDlg);
    plot.SaveToStates(MainView().Dialogs.PlotEditDlg);

    const QString chart = QStringLiteral("Grafik");
    window.ConnectEntry(chart, QStringLiteral("Grafische Auswertung erstellen"), [&window] { PlotDataClick(window); });
    window.ConnectEntry(chart, QStringLiteral("Temperaturgrafik in Zwischenablage kopieren"),
                        [&window] { StdCopyToClp1Click(window); });
    window.ConnectEntry(chart, QStringLiteral("Temperaturgrafik speichern"), [&window] { SaveChartAsFileClick(window); });
    window.ConnectEntry(chart, QStringLiteral("Grafik der Ausgänge in Zwischenablage kopieren"),
                        [&window] { CopyRelaisChartToClipbrdClick(window); });
    window.ConnectEntry(chart, QStringLiteral("Grafik der Ausgänge speichern"),
                        [&window] { SaveRelChartAsFileClick(window); });
    window.ConnectEntry(QStringLiteral("Datenaufzeichnung"), QStringLiteral("Laufende Messung anhalten und grafisch auswerten"),
                        [&window] { StopAndPlotMeasurementClick(window); });
    QObject::connect(window.ChartPage, &TChartPage::NewChartRequested, &window, [&window] { PlotDataClick(window); });
}
