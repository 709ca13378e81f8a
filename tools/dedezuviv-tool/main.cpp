// dedezuviv-tool: the logger's work on the command line, one subcommand per task.
#include "Commands.h"

#include "base/BuildInfo.h"

#include <cstdio>
#include <cstring>

namespace {

struct TCommand {
    const char* Name;
    int (*Run)(int argc, char** argv);
    const char* Synopsis;
};

// One line per subcommand.
const TCommand Commands[] = {
    {"decode", RunDecode,
     "decode [--now YYYY-MM-DDTHH:MM:SS] [--block N] [DATEI...]\n"
     "      Reglerdatensätze dekodieren / decode controller records"},
    {"project", RunProject, "project DATEI [--import-def DATEI.def] [--save AUSGABE]\n      Projektdatei als JSON ausgeben / print a project file as JSON"},
    {"export", RunExport,
     "export --project DATEI --from ZEIT --to ZEIT (--selection NAME | --fields \"Q1,...\")\n"
     "         [--increment SEKUNDEN] AUSGABE.csv|.dat|.xls|.wk1\n"
     "      Aufgezeichnete Daten exportieren / export recorded data"},
    {"export-batch", RunExportBatch,
     "export-batch --project DATEI --type NAME --from ZEIT --to ZEIT (--selection NAME | --fields \"Q1,...\")\n"
     "         [--format csv|xls|dat|wk1] [--mask MASKE] [--folder VERZEICHNIS] [--increment SEKUNDEN]\n"
     "      Eine Datei je Zeitraum exportieren (Batch-Export) / one file per period (batch export)"},
    {"def", RunDef, "def DATEI.def\n      Namen aus einer Gerätebeschreibung als JSON / names of a device definition as JSON"},
    {"import", RunImport, "import --project DATEI KARTE.l00 [KARTE2.l00 ...]\n      Datenlogs der Speicherkarte einlesen / import memory-card data logs"},
#ifdef DEDEZUVIV_TOOL_PLOT
    {"plot", RunPlot,
     "plot --project DATEI --from ZEIT --to ZEIT (--selection NAME | --fields \"Q1,...\") [--increment SEKUNDEN]\n"
     "         [--size BREITExHOEHE] AUSGABE.png|.svg|.emf|.bmp\n"
     "      Grafik der aufgezeichneten Daten ohne Bildschirm / chart of recorded data without a display"},
#endif
};

void PrintUsage(std::FILE* out)
{
    std::fputs("Aufruf / usage: dedezuviv-tool BEFEHL [OPTIONEN] / COMMAND [OPTIONS]\n\nBefehle / commands:\n",
               out);
    for (const TCommand& command : Commands)
        std::fprintf(out, "  %s\n", command.Synopsis);
    std::fputs("\nOptionen / options:\n"
               "  -h, --help  diese Hilfe / this help (BEFEHL --help: die des Befehls / of the command)\n"
               "  --version   Version des Programms / the program's version\n",
               out);
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        PrintUsage(stderr);
        return 2;
    }
    if (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0 || std::strcmp(argv[1], "help") == 0) {
        PrintUsage(stdout);
        return 0;
    }
    if (std::strcmp(argv[1], "--version") == 0) {
        std::printf("%s\n", dedezuviv::base::VersionLine("dedezuviv-tool").c_str());
        return 0;
    }
    for (const TCommand& command : Commands) {
        if (std::strcmp(argv[1], command.Name) == 0)
            return command.Run(argc - 1, argv + 1);
    }
    std::fprintf(stderr, "Unbekannter Befehl / unknown command: \"%s\"\n\n", argv[1]);
    PrintUsage(stderr);
    return 2;
}
