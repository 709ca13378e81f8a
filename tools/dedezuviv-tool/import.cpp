// dedezuviv-tool import: the memory-card import of the window on the command line. Each card file is
// recorded into the project's day files by the project's sampling interval and trigger; lines already
// recorded are not added again. Card files are never deleted here.
#include "Commands.h"
#include "ToolSupport.h"

#include "base/FormatSettings.h"
#include "model/CardImport.h"
#include "model/LiveState.h"
#include "model/Project.h"
#include "model/ProjectFile.h"

#include <csignal>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

using namespace dedezuviv::base;
using namespace dedezuviv::model;

namespace {

const char* const Usage =
    "Aufruf / usage: dedezuviv-tool import --project DATEI KARTE.l00 [KARTE2.l00 ...]\n"
    "\n"
    "Liest Datenlogs einer Speicherkarte in die Tagesdateien des Projekts ein (Intervall und Trigger des\n"
    "Projekts gelten, schon vorhandene Zeilen werden nicht nochmals abgelegt). Die Dateien bleiben stehen.\n"
    "\n"
    "Records memory-card data logs into the project's day files (the project's interval and trigger\n"
    "apply, lines already recorded are not added again). The card files are not deleted.\n";

// Replaces the window's line breaks (LF CR) for a terminal.
std::string ForTerminal(std::string text)
{
    for (size_t at = text.find("\n\r"); at != std::string::npos; at = text.find("\n\r", at + 1))
        text.erase(at + 1, 1);
    return text;
}

}  // namespace

int RunImport(int argc, char** argv)
{
    std::string projectName;
    std::vector<std::string> cards;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            std::fputs(Usage, stdout);
            return 0;
        }
        if (arg == "--project") {
            if (i + 1 >= argc)
                return UsageError(Usage, "--project ohne Wert / --project needs a value");
            projectName = argv[++i];
        } else if (arg.size() > 1 && arg[0] == '-') {
            return UsageError(Usage, "Unbekannte Option / unknown option: \"" + std::string(arg) + "\"");
        } else {
            cards.emplace_back(arg);
        }
    }
    if (projectName.empty())
        return UsageError(Usage, "Keine Projektdatei angegeben (--project) / no project file given");
    if (cards.empty())
        return UsageError(Usage, "Keine Kartendatei angegeben / no card file given");

    // A size limit (ulimit -f) must give the write error and its message, not end the program.
    std::signal(SIGXFSZ, SIG_IGN);
    LoadFormatSettingsFromEnvironment();
    TStderrDialogs dialogs;

    TProjectView view;
    std::unique_ptr<TProject> project;
    int result = 0;
    std::string errorText;
    LoadProjectFile(project, projectName, result, errorText, view);
    if (result != 0 || !project) {
        std::fprintf(stderr, "%s\n", ForTerminal(errorText).c_str());
        return 1;
    }
    ReplaceCurrentProject(std::move(project));

    int exitCode = 0;
    for (const std::string& card : cards) {
        const TCardImportResult imported = ImportCardFile(card, nullptr);
        std::printf("%s: %u Datensätze gelesen / records decoded, %llu geschrieben / written, %llu schon vorhanden "
                    "/ already recorded\n",
                    card.c_str(), imported.RecordCount, static_cast<unsigned long long>(imported.Written),
                    static_cast<unsigned long long>(imported.Duplicates));
        if (imported.Result != 0) {
            std::fprintf(stderr, "%s\n", ForTerminal(CardImportFailureText(imported)).c_str());
            exitCode = 1;
            // After a write failure the next files would fail the same way.
            if (imported.WriteFailed)
                break;
        }
    }
    std::fflush(stdout);
    CloseCurrentProject();
    return exitCode;
}
