#include "app/core/AutostartEntry.h"
#include "app/core/Namespace.h"

#include <string_view>

namespace dedezuviv::app {

namespace {

bool HasAnyOf(std::string_view text, std::string_view characters)
{
    return text.find_first_of(characters) != std::string_view::npos;
}

std::string DoublePercent(const std::string& text)
{
    std::string result;
    for (char c : text) {
        result += c;
        if (c == '%')
            result += '%';
    }
    return result;
}

}  // namespace

const std::vector<std::string>& AutostartChoiceTexts()
{
    static const std::vector<std::string> texts = {
        "aktuell gewähltes Projekt und aktuell gewählte Schnittstelle beutzen",
        "aktuelles Projekt aber automatisch detektierte Schnittstelle benutzen",
        "immer letztes Projekt und Schnittstelle benutzen",
    };
    return texts;
}

std::string QuotedOptionValue(const std::string& value)
{
    std::string result = "\"";
    for (char c : value) {
        result += c;
        if (c == '"')
            result += '"';
    }
    return result + '"';
}

std::vector<std::string> AutostartArguments(int choice, const std::string& projectFileName)
{
    switch (choice) {
    case 0:
        return {"/PROJECT=" + QuotedOptionValue(projectFileName), "/START"};
    case 1:
        return {"/PROJECT=" + QuotedOptionValue(projectFileName), "/PORT=" + QuotedOptionValue("AUTO"), "/START"};
    default:
        return {"/START"};
    }
}

std::string ArgumentsText(const std::vector<std::string>& arguments)
{
    std::string text;
    for (const std::string& argument : arguments)
        text += ' ' + argument;
    return text;
}

bool ChoiceNeedsProject(int choice) { return choice == 0 || choice == 1; }

std::string DesktopExecArgument(const std::string& argument)
{
    // The reserved characters of the Exec key; an empty argument needs quotes to exist at all.
    static constexpr std::string_view Reserved = " \t\n\"'\\><~|&;$*?#()`";
    if (!argument.empty() && !HasAnyOf(argument, Reserved))
        return DoublePercent(argument);
    std::string quoted = "\"";
    for (char c : argument) {
        if (c == '"' || c == '`' || c == '$' || c == '\\')
            quoted += '\\';
        quoted += c;
    }
    return DoublePercent(quoted + '"');
}

std::string DesktopStringValue(const std::string& text)
{
    std::string result;
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\\')
            result += "\\\\";
        else if (c == '\n')
            result += "\\n";
        else if (c == '\t')
            result += "\\t";
        else if (c == '\r')
            result += "\\r";
        else if (c == ' ' && i == 0)
            result += "\\s";
        else
            result += c;
    }
    return result;
}

std::string AutostartDesktopEntry(const std::string& programPath, const std::string& programDir,
                                  const std::vector<std::string>& arguments)
{
    std::string exec = DesktopExecArgument(programPath);
    for (const std::string& argument : arguments)
        exec += ' ' + DesktopExecArgument(argument);
    std::string text = "[Desktop Entry]\n";
    text += "Type=Application\n";
    text += "Name=" + DesktopStringValue(AutostartLinkName) + "\n";
    text += "Comment=" + DesktopStringValue(AutostartLinkName) + "\n";
    text += "Exec=" + DesktopStringValue(exec) + "\n";
    text += "Path=" + DesktopStringValue(programDir) + "\n";
    text += "Icon=dedezuviv\n";
    text += "Terminal=false\n";
    text += "X-GNOME-Autostart-enabled=true\n";
    return text;
}

std::string SystemdExecArgument(const std::string& argument)
{
    std::string escaped;
    for (char c : argument) {
        if (c == '%')
            escaped += "%%";
        else if (c == '$')
            escaped += "$$";
        else
            escaped += c;
    }
    static constexpr std::string_view Special = " \t\n\r\"'\\;";
    if (!argument.empty() && !HasAnyOf(argument, Special))
        return escaped;
    std::string quoted = "\"";
    for (char c : escaped) {
        if (c == '"' || c == '\\')
            quoted += '\\';
        if (c == '\n')
            quoted += "\\n";
        else if (c == '\r')
            quoted += "\\r";
        else if (c == '\t')
            quoted += "\\t";
        else
            quoted += c;
    }
    return quoted + '"';
}

namespace {

// ExecStart and WorkingDirectory of the headless program with the arguments.
std::string SystemdServiceLines(const std::string& programPath, const std::string& programDir,
                                const std::vector<std::string>& arguments)
{
    std::string exec = SystemdExecArgument(programPath) + " -headless";
    for (const std::string& argument : arguments)
        exec += ' ' + SystemdExecArgument(argument);
    std::string workingDirectory;
    for (char c : programDir)
        workingDirectory += c == '%' ? std::string("%%") : std::string(1, c);
    return "ExecStart=" + exec + "\n" + "WorkingDirectory=" + workingDirectory + "\n";
}

}  // namespace

const char* const AutostartSystemdMarker =
    "# Written by \"Autostart-Eintrag anlegen\" of DEDEZUviv; \"Autostart-Eintrag löschen\" removes it.";

std::string AutostartSystemdDropIn(const std::string& programPath, const std::string& programDir,
                                   const std::vector<std::string>& arguments)
{
    std::string text = std::string(AutostartSystemdMarker) + "\n";
    text += "[Service]\n";
    text += "ExecStart=\n";
    text += SystemdServiceLines(programPath, programDir, arguments);
    return text;
}

std::string AutostartSystemdUnit(const std::string& programPath, const std::string& programDir,
                                 const std::vector<std::string>& arguments)
{
    std::string text = std::string(AutostartSystemdMarker) + "\n";
    text += "[Unit]\n";
    text += "Description=" + std::string(AutostartLinkName) + " (ohne Fenster)\n";
    text += "After=network.target\n\n";
    text += "[Service]\n";
    text += "Type=simple\n";
    text += SystemdServiceLines(programPath, programDir, arguments);
    // SIGTERM ends logging cleanly; a missing project or port (exit 2) and the help text (exit 1) do
    // not get better by restarting.
    text += "KillSignal=SIGTERM\nTimeoutStopSec=20\nRestart=on-failure\nRestartSec=30\nRestartPreventExitStatus=1 2\n\n";
    text += "[Install]\n";
    text += "WantedBy=default.target\n";
    return text;
}

}  // namespace dedezuviv::app
