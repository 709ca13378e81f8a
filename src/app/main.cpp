// dedezuviv: the logger with its window, or without one after "-headless" or when there is no display.
#include "app/core/Headless.h"
#include "base/BuildInfo.h"
#ifdef DEDEZUVIV_WITH_WINDOW
#include "app/gui/GuiMain.h"
#endif

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

using namespace dedezuviv::app;
using namespace dedezuviv::base;

#ifdef DEDEZUVIV_WITH_WINDOW
using namespace dedezuviv::gui;

namespace {

bool EnvironmentSet(const char* name)
{
    const char* value = std::getenv(name);
    return value != nullptr && *value != '\0';
}

// A window needs an X or Wayland display, or a Qt platform chosen explicitly (such as offscreen).
bool DisplayAvailable()
{
    return EnvironmentSet("DISPLAY") || EnvironmentSet("WAYLAND_DISPLAY") || EnvironmentSet("QT_QPA_PLATFORM");
}

}  // namespace
#endif

int main(int argc, char** argv)
{
    // A file size limit (ulimit -f) must make a write fail like a full disk does, which the logger
    // reports and survives, instead of ending the process.
    std::signal(SIGXFSZ, SIG_IGN);
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    const std::string programName = std::filesystem::path(argc > 0 ? argv[0] : "dedezuviv").filename().string();
    for (const std::string& argument : arguments)
        if (IsVersionArgument(argument)) {
            std::printf("%s\n", VersionLine(programName).c_str());
            return 0;
        }
#ifdef DEDEZUVIV_WITH_WINDOW
    if (HeadlessRequested(arguments))
        return RunHeadless(arguments, programName);
    if (!DisplayAvailable()) {
        std::fputs("Keine grafische Anzeige gefunden (DISPLAY und WAYLAND_DISPLAY sind nicht gesetzt): "
                   "der Logger läuft ohne Fenster, wie mit -headless.\n",
                   stderr);
        return RunHeadless(arguments, programName);
    }
    return RunWindowProgram(argc, argv);
#else
    // Built without the window: always the headless logger.
    return RunHeadless(arguments, programName);
#endif
}
