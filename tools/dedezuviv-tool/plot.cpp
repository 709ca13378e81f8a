// dedezuviv-tool plot: the tab "Grafik" of the window rendered into a picture file without a display,
// for reports and scripts. The same reader, chart page and picture code as the window's plot and save
// commands, so both draw the same chart for the same input.
//
// This is the one subcommand that uses the window's code (the chart page is a set of Qt widgets); it
// runs them on Qt's offscreen platform.
#include "Commands.h"
#include "ToolSupport.h"

#include "app/gui/ChartPage.h"
#include "app/gui/ChartPicture.h"
#include "app/gui/ChartPlot.h"
#include "base/FormatSettings.h"
#include "evaluation/PlotSelections.h"
#include "model/Fields.h"
#include "model/ProjectFile.h"

#include <QApplication>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

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

std::string Trim(std::string_view text)
{
    size_t begin = 0, end = text.size();
    while (begin < end && (text[begin] == ' ' || text[begin] == '\t'))
        ++begin;
    while (end > begin && (text[end - 1] == ' ' || text[end - 1] == '\t'))
        --end;
    return std::string(text.substr(begin, end - begin));
}

// The comma-separated names, each without surrounding blanks; empty names are left out.
TNameList SplitNames(std::string_view text)
{
    TNameList names;
    size_t start = 0;
    for (;;) {
        const size_t comma = text.find(',', start);
        std::string name = Trim(text.substr(start, comma == std::string_view::npos ? std::string_view::npos : comma - start));
        if (!name.empty())
            names.push_back(std::move(name));
        if (comma == std::string_view::npos)
            return names;
        start = comma + 1;
    }
}

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
    std::string projectName, from, to, selectionName, fieldsText, incrementText, sizeText = "1024x768", output;
    bool haveSelection = false, haveFields = false, markers = false;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            std::fputs(Usage, stdout);
            return 0;
        }
        auto value = [&](std::string& target) {
            if (i + 1 >= argc)
                return false;
            target = argv[++i];
            return true;
        };
        bool ok = true;
        if (arg == "--project")
            ok = value(projectName);
        else if (arg == "--from")
            ok = value(from);
        else if (arg == "--to")
            ok = value(to);
        else if (arg == "--selection")
            ok = haveSelection = value(selectionName);
        else if (arg == "--fields")
            ok = haveFields = value(fieldsText);
        else if (arg == "--increment")
            ok = value(incrementText);
        else if (arg == "--size")
            ok = value(sizeText);
        else if (arg == "--markers")
            markers = true;
        else if (arg.size() > 1 && arg[0] == '-')
            return UsageError(Usage, "Unbekannte Option / unknown option: \"" + std::string(arg) + "\"");
        else if (output.empty())
            output = std::string(arg);
        else
            return UsageError(Usage, "Nur eine Ausgabedatei / only one output file");
        if (!ok)
            return UsageError(Usage, std::string(arg) + " ohne Wert / " + std::string(arg) + " needs a value");
    }
    if (projectName.empty())
        return UsageError(Usage, "Keine Projektdatei angegeben (--project) / no project file given");
    if (output.empty())
        return UsageError(Usage, "Keine Ausgabedatei angegeben / no output file given");
    if (haveSelection == haveFields)
        return UsageError(Usage, "Entweder --selection oder --fields angeben / give either --selection or --fields");
    TPlotRequest request;
    if (!ParseTimestamp(from, request.Start))
        return UsageError(Usage, "--from: Zeitpunkt YYYY-MM-DDTHH:MM:SS erwartet / timestamp expected");
    if (!ParseTimestamp(to, request.End))
        return UsageError(Usage, "--to: Zeitpunkt YYYY-MM-DDTHH:MM:SS erwartet / timestamp expected");
    if (!incrementText.empty()) {
        char* end = nullptr;
        const long long parsed = std::strtoll(incrementText.c_str(), &end, 10);
        if (end == incrementText.c_str() || *end != '\0' || parsed < 0)
            return UsageError(Usage, "--increment: ganze Sekunden >= 0 erwartet / whole seconds >= 0 expected");
        request.IncrementSeconds = parsed;
    }
    int width = 0, height = 0;
    if (!ParseSize(sizeText, width, height))
        return UsageError(Usage, "--size: BREITExHOEHE in Pixeln (100 bis 10000) erwartet / WIDTHxHEIGHT expected");
    const TPictureFormat format = PictureFormatOf(QString::fromStdString(output));
    if (format == TPictureFormat::Unknown)
        return UsageError(Usage, "Unbekanntes Format für Datenexport angegeben!");
    request.Look.Markers = markers;

    LoadFormatSettingsFromEnvironment();
    TStderrDialogs dialogs;
    TProjectView view;
    std::unique_ptr<TProject> project;
    int result = 0;
    std::string errorText;
    LoadProjectFile(project, projectName, result, errorText, view);
    if (result != 0 || !project) {
        std::fprintf(stderr, "%s\n", errorText.c_str());
        return 1;
    }
    if (haveSelection) {
        const std::vector<TPlotChoice> choices = PlotChoices(project.get());
        const int index = FindPlotChoice(choices, selectionName);
        if (index < 0) {
            std::fprintf(stderr, "Feldauswahl \"%s\" ist im Projekt nicht vorhanden.\n", selectionName.c_str());
            return 1;
        }
        request.Fields = choices[static_cast<size_t>(index)].Fields;
        request.SelectionName = selectionName;
    } else {
        request.Fields = SplitNames(fieldsText);
        // The title names the fields by their plain names.
        for (const std::string& field : request.Fields)
            request.SelectionName += (request.SelectionName.empty() ? "" : ", ") + PlainFieldName(field);
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

    const TPlotResult plot = ReadAndShowChart(page, *project, nullptr, request);
    if (plot.Outcome == TPlotOutcome::ReadError) {
        std::fprintf(stderr, "%s\n", plot.ErrorText.c_str());
        return 1;
    }
    std::printf("Datensätze gelesen / records read: %llu\nPunkte gezeichnet / points drawn: %llu\n",
                static_cast<unsigned long long>(plot.RecordsRead), static_cast<unsigned long long>(plot.PointCount));
    if (plot.Outcome == TPlotOutcome::NoData) {
        std::fprintf(stderr, "Es wurden keine Daten im angegebenen Zeitraum gefunden!\n");
        return 1;
    }
    const TPictureRenderer render = [&page](QCPPainter& painter, QSize size) { page.Render(painter, size); };
    if (!WritePicture(QString::fromStdString(output), format, render, QSize(width, height))) {
        std::fprintf(stderr, "Fehler beim Schreiben der Datei \"%s\"!\n", output.c_str());
        return 1;
    }
    return 0;
}
