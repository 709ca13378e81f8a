// dedezuviv-tool plot: the tab "Grafik" of the window rendered into a picture file without a display,
// for reports and scripts. The same reader, chart page and picture code as the window's plot and save
// commands, so both draw the same chart for the same input.
//
// This is the one subcommand that uses the window's code (the chart page is a set of Qt widgets); it
// runs them on Qt's offscreen platform.
#include "Commands.h"
#include "ToolSupport.h"

#include "app/core/ChartActions.h"
#include "app/gui/ChartPage.h"
#include "app/gui/ChartPicture.h"
#include "base/FormatSettings.h"
#include "evaluation/PlotSelections.h"
#include "model/Fields.h"
#include "model/Project.h"

#include <QApplication>

#include <cstdio>
#include <cstdlib>
#include <string>

using namespace dedezuviv::base;
using namespace dedezuviv::model;
using namespace dedezuviv::evaluation;
using namespace dedezuviv::app;
using namespace dedezuviv::gui;

namespace {

const char* const Usage =
    "Aufruf / usage: dedezuviv-tool plot --project DATEI --from YYYY-MM-DDTHH:MM:SS --to YYYY-MM-DDTHH:MM:SS\n"
    "                      (--selection NAME | --fields \"Q1,Q2,...\") [--increment SEKUNDEN]\n"
    "                      [--size BREITExHOEHE] [--markers] AUSGABE\n"
    "\n"
    "Zeichnet die aufgezeichneten Daten des Projekts im Zeitraum wie die Seite \"Grafik\" des Fensters\n"
    "(Temperaturgrafik, darunter die Grafik der Ausgänge) in eine Bilddatei: .png, .svg, .emf (auch .wmf)\n"
    "oder .bmp. --selection nimmt eine im Projekt gespeicherte Feldauswahl (oder \"* Alle definierten\n"
    "Temperaturen *\"), --fields Feldnamen wie im Fenster. --increment ist der kleinste Abstand zweier\n"
    "Datensätze in Sekunden; 0 oder ohne: automatisch wie im Fenster. --size: Bildgröße in Pixeln\n"
    "(Vorgabe 1024x768). Gibt die Zahl der gelesenen Datensätze und der gezeichneten Punkte aus.\n"
    "\n"
    "Draws the project's recorded data of the range as the window's tab \"Grafik\" does (temperature chart,\n"
    "outputs chart below) into a picture: .png, .svg, .emf (also .wmf) or .bmp. --selection takes a field\n"
    "selection stored in the project, --fields field names as the window shows them. --increment is the\n"
    "minimum distance of two records in seconds; 0 or none: automatic, as in the window. --size: picture\n"
    "size in pixels (default 1024x768). Prints the number of records read and points drawn.\n"
    "\n"
    "Exit: 0 gezeichnet, 1 keine Daten im Zeitraum oder Fehler, 2 falscher Aufruf.\n";

bool ParseSize(const std::string& text, int& width, int& height)
{
    char tail = 0;
    if (std::sscanf(text.c_str(), "%dx%d%c", &width, &height, &tail) != 2)
        return false;
    return width >= 100 && height >= 100 && width <= 10000 && height <= 10000;
}

}  // namespace

int RunPlot(int argc, char** argv)
{
    std::string sizeText = "1024x768";
    bool markers = false;
    const TRangeCommand command{
        .Usage = Usage,
        .ExtraOptions = {{.Name = "--size", .Value = &sizeText}, {.Name = "--markers", .Given = &markers}}};
    TRangeOptions options;
    if (const std::optional<int> exitCode = ParseRangeOptions(argc, argv, command, options))
        return *exitCode;
    TChartRequest request;
    std::string selectionName;
    TPlotLook look;
    request.Start = options.Start;
    request.End = options.End;
    request.IncrementSeconds = options.IncrementSeconds;
    int width = 0, height = 0;
    if (!ParseSize(sizeText, width, height))
        return UsageError(Usage, "--size: BREITExHOEHE in Pixeln (100 bis 10000) erwartet / WIDTHxHEIGHT expected");
    const TPictureFormat format = PictureFormatOf(QString::fromStdString(options.Output));
    if (format == TPictureFormat::Unknown)
        return UsageError(Usage, "Unbekanntes Format für Datenexport angegeben!");
    look.Markers = markers;

    LoadFormatSettingsFromEnvironment();
    TStderrDialogs dialogs;
    const std::unique_ptr<TProject> project = LoadToolProject(options.ProjectName);
    if (!project)
        return 1;
    if (options.BySelection) {
        const std::vector<TPlotChoice> choices = PlotChoices(project.get());
        const int index = FindPlotChoice(choices, options.SelectionName);
        if (index < 0) {
            std::fprintf(stderr, "Feldauswahl \"%s\" ist im Projekt nicht vorhanden.\n", options.SelectionName.c_str());
            return 1;
        }
        request.Fields = choices[static_cast<size_t>(index)].Fields;
        selectionName = options.SelectionName;
    } else {
        request.Fields = options.FieldNames;
        // The title names the fields by their plain names.
        for (const std::string& field : request.Fields)
            selectionName += (selectionName.empty() ? "" : ", ") + PlainFieldName(field);
    }

    // The charts are widgets: they need an application, here on the platform without a display. Qt's
    // notes about that platform (no runtime folder, no window sizes) are not the user's concern.
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& message) {
        if (type == QtCriticalMsg || type == QtFatalMsg)
            std::fprintf(stderr, "%s\n", message.toLocal8Bit().constData());
    });
    int qtArgc = 1;
    char qtName[] = "dedezuviv-tool";
    char* qtArgv[] = {qtName, nullptr};
    QApplication application(qtArgc, qtArgv);
    TChartPage page;
    page.setAttribute(Qt::WA_DontShowOnScreen);
    page.resize(width, height);
    page.show();

    TChartReading plot = ReadChart(*project, request, nullptr);
    if (plot.Outcome == TChartOutcome::Read)
        page.ShowSeries(std::move(plot.Series), selectionName, look);
    if (plot.Outcome == TChartOutcome::ReadError) {
        std::fprintf(stderr, "%s\n", plot.ErrorText.c_str());
        return 1;
    }
    std::printf("Datensätze gelesen / records read: %llu\nPunkte gezeichnet / points drawn: %llu\n",
                static_cast<unsigned long long>(plot.RecordsRead), static_cast<unsigned long long>(plot.PointCount));
    if (plot.Outcome == TChartOutcome::NoData) {
        std::fprintf(stderr, "%s\n", NoChartDataMessage);
        return 1;
    }
    const TPictureRenderer render = [&page](QCPPainter& painter, QSize size) { page.Render(painter, size); };
    if (!WritePicture(QString::fromStdString(options.Output), format, render, QSize(width, height))) {
        std::fprintf(stderr, "Fehler beim Schreiben der Datei \"%s\"!\n", options.Output.c_str());
        return 1;
    }
    return 0;
}
