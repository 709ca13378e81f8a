#include "app/core/Autostart.h"
#include "base/ErrorText.h"

#include "app/core/AppSettings.h"
#include "app/core/AutostartEntry.h"
#include "base/IniFile.h"
#include "base/RunProgram.h"
#include "model/Project.h"
#include "model/UiInterfaces.h"
#include "app/core/Namespace.h"

#include <filesystem>
#include <fstream>
#include <system_error>

namespace dedezuviv::app {

namespace fs = std::filesystem;

namespace {

constexpr const char* LineBreak = "\n\r";
constexpr const char* DropInFolderName = "dedezuviv.service.d";
constexpr const char* DropInFileName = "autostart.conf";

const char* const NoProjectForChoiceMessage =
    "Für diese Auswahl muss ein gespeichertes Projekt geöffnet sein. Legen Sie ggf. neues Projekt an oder "
    "wählen Sie \"immer letztes Projekt und Schnittstelle benutzen\".";

std::string TrimmedOutput(std::string text)
{
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' '))
        text.pop_back();
    return text;
}

std::string PathError(const fs::path& path, const std::error_code& error)
{
    return path.string() + ": " + SystemErrorText(error.value());
}

bool Exists(const fs::path& path)
{
    std::error_code error;
    return fs::exists(fs::symlink_status(path, error));
}

// Removes the file; Reason says why it is still there.
bool RemoveFile(const fs::path& path, std::string& reason)
{
    std::error_code error;
    fs::remove(path, error);
    if (Exists(path)) {
        reason = PathError(path, error);
        return false;
    }
    return true;
}

bool WriteEntryFile(const fs::path& path, const std::string& text, std::string& reason)
{
    std::error_code error;
    fs::create_directories(path.parent_path(), error);
    if (error) {
        reason = PathError(path.parent_path(), error);
        return false;
    }
    std::string errorText;
    if (!WriteFileAtomic(path, text, errorText)) {
        reason = errorText;
        return false;
    }
    return Exists(path);
}

TProgramRun Systemctl(const TAutostartPlaces& places, std::vector<std::string> arguments)
{
    arguments.insert(arguments.begin(), {places.Systemctl, "--user"});
    return RunProgram(arguments);
}

std::string SystemctlMissing(const TAutostartPlaces& places, const TProgramRun& run)
{
    return "systemd ist auf diesem Rechner nicht vorhanden (" + places.Systemctl + ": " + run.StartError + ").";
}

std::string SystemctlFailed(const std::string& command, const TProgramRun& run)
{
    const std::string output = TrimmedOutput(run.Output);
    return "systemctl --user " + command + " " + AutostartServiceName + ": " +
           (output.empty() ? "Fehlercode " + std::to_string(run.ExitCode) : output);
}

// The drop-in and its folder go; the folder stays when it holds other drop-ins of the user.
void RemoveDropIn(const fs::path& dropIn)
{
    std::error_code error;
    fs::remove(dropIn, error);
    fs::remove(dropIn.parent_path(), error);  // only when empty
}

// The unit this program writes beside the user's drop-ins when none is installed.
fs::path OwnUnitPath(const TAutostartPlaces& places) { return fs::path(places.SystemdUserFolder) / AutostartServiceName; }

bool UnitIsInstalled(const TAutostartPlaces& places)
{
    for (const std::string& folder : places.SystemdUnitFolders)
        if (Exists(fs::path(folder) / AutostartServiceName))
            return true;
    return Exists(OwnUnitPath(places));
}

// The unit in the user's folder goes when this program wrote it; one the user wrote stays.
void RemoveOwnUnit(const TAutostartPlaces& places)
{
    const fs::path unit = OwnUnitPath(places);
    std::ifstream file(unit);
    std::string firstLine;
    std::getline(file, firstLine);
    file.close();
    if (firstLine == AutostartSystemdMarker) {
        std::error_code error;
        fs::remove(unit, error);
    }
}

bool CreateSystemdEntry(const fs::path& dropIn, const std::string& targetPath, const std::string& targetDir,
                        const std::vector<std::string>& arguments, std::string& reason,
                        const TAutostartPlaces& places)
{
    if (!UnitIsInstalled(places) &&
        !WriteEntryFile(OwnUnitPath(places), AutostartSystemdUnit(targetPath, targetDir, arguments), reason))
        return false;
    if (!WriteEntryFile(dropIn, AutostartSystemdDropIn(targetPath, targetDir, arguments), reason)) {
        RemoveOwnUnit(places);
        return false;
    }
    const TProgramRun enable = Systemctl(places, {"enable", AutostartServiceName});
    if (!enable.Started || enable.ExitCode != 0) {
        reason = enable.Started ? SystemctlFailed("enable", enable) : SystemctlMissing(places, enable);
        RemoveDropIn(dropIn);
        RemoveOwnUnit(places);
        return false;
    }
    // A running service manager reads the new drop-in only after a reload; without one there is
    // nothing to reload.
    Systemctl(places, {"daemon-reload"});
    return true;
}

bool DeleteSystemdEntry(const fs::path& dropIn, std::string& reason, const TAutostartPlaces& places)
{
    if (!Exists(dropIn))
        return true;
    const TProgramRun disable = Systemctl(places, {"disable", AutostartServiceName});
    if (disable.Started && disable.ExitCode != 0) {
        reason = SystemctlFailed("disable", disable);
        return false;
    }
    if (!RemoveFile(dropIn, reason))
        return false;
    RemoveDropIn(dropIn);
    RemoveOwnUnit(places);
    if (disable.Started)
        Systemctl(places, {"daemon-reload"});
    return true;
}

}  // namespace

TAutostartPlaces DefaultAutostartPlaces()
{
    TAutostartPlaces places;
    const std::string config = GetSpecialFolderPath(28);
    if (!config.empty()) {
        places.UserFolder = config + "/autostart";
        places.SystemdUserFolder = config + "/systemd/user";
    }
    places.AllUsersFolder = "/etc/xdg/autostart";
    places.SystemdUnitFolders = {"/etc/systemd/user", "/usr/local/lib/systemd/user", "/usr/lib/systemd/user",
                                 "/lib/systemd/user", std::string(DEDEZUVIV_DATA_DIR) + "/../../lib/systemd/user"};
    std::error_code error;
    places.ProgramPath = fs::read_symlink("/proc/self/exe", error).string();
    places.ProgramDir = GetProgramDir();
    return places;
}

TAutostartPlaces& AutostartPlaces()
{
    static TAutostartPlaces places = DefaultAutostartPlaces();
    return places;
}

std::string AutostartEntryPath(const std::string& linkName, TAutostartScope scope, const TAutostartPlaces& places)
{
    switch (scope) {
    case TAutostartScope::CurrentUser:
        return places.UserFolder.empty() ? std::string() : places.UserFolder + "/" + linkName + ".desktop";
    case TAutostartScope::AllUsers:
        return places.AllUsersFolder.empty() ? std::string() : places.AllUsersFolder + "/" + linkName + ".desktop";
    case TAutostartScope::SystemdUser:
        return places.SystemdUserFolder.empty()
                   ? std::string()
                   : places.SystemdUserFolder + "/" + DropInFolderName + "/" + DropInFileName;
    }
    return std::string();
}

bool UpdateStartupLink(const std::string& linkName, const std::string& targetPath, const std::string& targetDir,
                       const std::vector<std::string>& arguments, bool create, TAutostartScope scope,
                       std::string& reason, const TAutostartPlaces& places)
{
    reason.clear();
    const std::string path = AutostartEntryPath(linkName, scope, places);
    if (path.empty()) {
        reason = "Es ist kein Ordner für Autostart-Einträge bekannt (weder XDG_CONFIG_HOME noch HOME ist gesetzt).";
        // Where there is no place there is no entry to delete either.
        return !create;
    }
    if (scope == TAutostartScope::SystemdUser)
        return create ? CreateSystemdEntry(path, targetPath, targetDir, arguments, reason, places)
                      : DeleteSystemdEntry(path, reason, places);
    if (!create)
        return RemoveFile(path, reason);
    return WriteEntryFile(path, AutostartDesktopEntry(targetPath, targetDir, arguments), reason);
}

bool SetStartupLink(const std::vector<std::string>& arguments, TAutostartScope scope, bool create, std::string& reason)
{
    const TAutostartPlaces& places = AutostartPlaces();
    return UpdateStartupLink(AutostartLinkName, places.ProgramPath, places.ProgramDir, arguments, create, scope,
                             reason, places);
}

bool AddAutostartEntry(int choice, TAutostartScope scope, const TProject* project)
{
    std::string projectFile;
    if (ChoiceNeedsProject(choice)) {
        if (project == nullptr || project->GetFileName().empty()) {
            ShowError(NoProjectForChoiceMessage);
            return false;
        }
        std::error_code error;
        projectFile = fs::absolute(project->GetFileName(), error).string();
    }
    const std::vector<std::string> arguments = AutostartArguments(choice, projectFile);

    // Only one entry may remain: the new one replaces those of every place.
    std::string ignored;
    for (TAutostartScope place : {TAutostartScope::SystemdUser, TAutostartScope::AllUsers, TAutostartScope::CurrentUser})
        SetStartupLink(arguments, place, false, ignored);

    std::string reason;
    if (!SetStartupLink(arguments, scope, true, reason)) {
        InformUser(std::string("Dieser Autostart-Eintrag kann nicht angelegt werden!") + LineBreak + reason);
        return false;
    }
    std::string message = std::string("Der Autostart-Eintrag ist angelegt.") + LineBreak + "(" + AutostartLinkName +
                          " " + ArgumentsText(arguments) + ")";
    if (scope == TAutostartScope::SystemdUser)
        message += std::string(LineBreak) + "Als systemd-Benutzerdienst " + AutostartServiceName +
                   " ohne Fenster (-headless). Damit er auch ohne Anmeldung startet: loginctl enable-linger";
    InformUser(message);
    return true;
}

void DeleteAutostartEntries()
{
    if (AskUser("Soll der Autostart-Eintrag wirklich gelöscht werden?") != TDialogAnswer::Yes)
        return;
    std::string reasons;
    bool allGone = true;
    for (TAutostartScope scope : {TAutostartScope::AllUsers, TAutostartScope::CurrentUser, TAutostartScope::SystemdUser}) {
        std::string reason;
        if (!SetStartupLink({}, scope, false, reason)) {
            allGone = false;
            reasons += LineBreak + reason;
        }
    }
    // An entry that is still there is reported, even when another place was cleaned.
    if (allGone)
        InformUser("Autostart-Eintrag ist erfolgreich gelöscht oder es war keiner vorhanden.");
    else
        ShowError("Der Autostart-Eintrag kann nicht gelöscht werden!" + reasons);
}

}  // namespace dedezuviv::app
