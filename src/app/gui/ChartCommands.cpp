#include "app/gui/ChartCommands.h"

#include "app/core/ChartActions.h"
#include "app/core/FileChooser.h"
#include "app/gui/ActionLogBox.h"
#include "app/gui/ChartPage.h"
#include "app/gui/ChartPicture.h"
#include "app/gui/ChartWidget.h"
#include "app/gui/CommandHost.h"
#include "app/gui/PlotDlg.h"
#include "app/gui/WindowDialog.h"
#include "base/Clock.h"
#include "model/LiveState.h"
#include "model/Project.h"
#include "model/ProjectFile.h"
#include "model/UiInterfaces.h"
#include "model/window/DialogTimes.h"
#include "app/gui/Namespace.h"

#include <QApplication>
#include <QClipboard>

#include <filesystem>

namespace dedezuviv::gui {

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

TPlotEditDlg& PlotEditDlg(ICommandHost& host) { return WindowDialog<TPlotEditDlg>(host.DialogParent()); }

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

void PlotDataClick(ICommandHost& host)
{
    if (host.NoActProject())
        return;
    TPlotEditDlg& dialog = PlotEditDlg(host);
    dialog.LoadFromStates(MainView().Dialogs.PlotEditDlg);
    dialog.FormActivate(CurrentProject());
    const bool confirmed = dialog.exec() == QDialog::Accepted;
    dialog.SaveToStates(MainView().Dialogs.PlotEditDlg);
    // The project may have been closed while the dialog was open.
    TProject* project = CurrentProject();
    if (!confirmed || project == nullptr)
        return;

    const int index = dialog.SelectedIndex();
    host.SetSelectionIndex(index);
    const bool chosen = index >= 0 && index < static_cast<int>(dialog.Choices().size());
    const TPlotChoice choice = chosen ? dialog.Choices()[static_cast<size_t>(index)] : TPlotChoice();
    const TPlotLook look{.Markers = dialog.MarkersCB->isChecked(), .Look3D = dialog.Look3DCB->isChecked()};
    TActionLogBox log(host.ProgressWindow(), false);
    const TChartOutcome outcome =
        ChartCommand(*project,
                     {.Fields = choice.Fields,
                      .Start = dialog.StartTime(),
                      .End = dialog.EndTime(),
                      .IncrementSeconds = ParseIncrement(dialog.IncrementText().toStdString())},
                     log.Progress(),
                     [&](TChartSeries series) { host.ChartTab().ShowSeries(std::move(series), choice.Name, look); });
    if (outcome == TChartOutcome::Read)
        host.ShowChartTab();
}

void StopAndPlotMeasurementClick(ICommandHost& host)
{
    if (!host.StopAndEvaluate())
        return;
    TPlotEditDlg& dialog = PlotEditDlg(host);
    dialog.LoadFromStates(MainView().Dialogs.PlotEditDlg);
    const TDateTime start = dialog.StartTime();
    const QString increment = dialog.IncrementText();
    // The measurement just stopped: from its start up to now, every second. The end stays where the
    // dialog leaves it, like any end the user sets.
    dialog.SetStartTime(CurrentProject()->RecordStart);
    dialog.SetEndTime(Now());
    dialog.SetIncrementText(QStringLiteral("00:00:01"));
    dialog.SaveToStates(MainView().Dialogs.PlotEditDlg);
    PlotDataClick(host);
    dialog.SetStartTime(start);
    dialog.SetIncrementText(increment);
    dialog.SaveToStates(MainView().Dialogs.PlotEditDlg);
}

void StdCopyToClp1Click(ICommandHost& host) { CopyChart(*host.ChartTab().ChartFormStd); }

void CopyRelaisChartToClipbrdClick(ICommandHost& host) { CopyChart(*host.ChartTab().ChartFormRelais); }

void SaveChartAsFileClick(ICommandHost& host) { SaveChart(*host.ChartTab().ChartFormStd, false); }

void SaveRelChartAsFileClick(ICommandHost& host) { SaveChart(*host.ChartTab().ChartFormRelais, true); }

void InstallChartCommands(ICommandHost& host)
{
    // The plot dialog's current values go to its stored section now, so that a project saved before
    // the dialog is first used (or loaded without the section) still gets the section.
    TPlotEditDlg& plot = PlotEditDlg(host);
    plot.LoadFromStates(MainView().Dialogs.PlotEditDlg);
    plot.SaveToStates(MainView().Dialogs.PlotEditDlg);

    const QString chart = QStringLiteral("Grafik");
    host.AddMenuRows({
        {chart, QStringLiteral("Grafische Auswertung erstellen"), QKeySequence(Qt::CTRL | Qt::Key_P),
         [&host] { PlotDataClick(host); }},
        {chart, QStringLiteral("Temperaturgrafik in Zwischenablage kopieren"), {}, [&host] { StdCopyToClp1Click(host); }},
        {chart, QStringLiteral("Temperaturgrafik speichern"), {}, [&host] { SaveChartAsFileClick(host); }},
        {chart, QStringLiteral("Grafik der Ausgänge in Zwischenablage kopieren"), {},
         [&host] { CopyRelaisChartToClipbrdClick(host); }},
        {chart, QStringLiteral("Grafik der Ausgänge speichern"), {}, [&host] { SaveRelChartAsFileClick(host); }},
        {QStringLiteral("Datenaufzeichnung"), QStringLiteral("Laufende Messung anhalten und grafisch auswerten"),
         QKeySequence(Qt::CTRL | Qt::Key_M), [&host] { StopAndPlotMeasurementClick(host); }},
    });
    QObject::connect(&host.ChartTab(), &TChartPage::NewChartRequested, &host.ChartTab(),
                     [&host] { PlotDataClick(host); });
}

}  // namespace dedezuviv::gui
