#include "app/core/ProjectSettings.h"

#include "model/Project.h"
#include "model/UiInterfaces.h"
#include "app/core/Namespace.h"

#include <charconv>
#include <filesystem>
#include <system_error>

namespace dedezuviv::app {

namespace fs = std::filesystem;

namespace {

bool IsAsciiLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

std::string WithoutTrailingSeparator(std::string path)
{
    if (path.size() > 1 && (path.back() == '\\' || path.back() == '/'))
        path.pop_back();
    return path;
}

}  // namespace

bool IsWindowsPath(std::string_view path)
{
    if (path.size() >= 2 && IsAsciiLetter(path[0]) && path[1] == ':')
        return true;
    return path.size() >= 2 && path[0] == '\\' && path[1] == '\\';
}

bool IsExplicitRoot(std::string_view root)
{
    return (!root.empty() && root[0] == '/') || IsWindowsPath(root);
}

std::string ExpandRoot(const std::string& root)
{
    if (root.empty() || IsWindowsPath(root))
        return root;
    std::error_code error;
    const fs::path absolute = fs::absolute(root, error);
    if (error)
        return root;
    std::string expanded = absolute.lexically_normal().string();
    while (expanded.size() > 1 && expanded.back() == '/')
        expanded.pop_back();
    return expanded;
}

int32_t IntervalFromText(std::string_view text)
{
    while (!text.empty() && text.front() == ' ')
        text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ')
        text.remove_suffix(1);
    int32_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size())
        return -1;
    return value;
}

TProjectSettingsForm ProjectSettingsForm(const TProject& project)
{
    TProjectSettingsForm form;
    form.Name = project.GetName();
    form.Comment = project.GetComment();
    form.SpecificPath = IsExplicitRoot(project.Root);
    form.Path = ExpandRoot(project.Root);
    form.Interval = std::to_string(project.SamplingInterval);
    form.ShowTableGrid = project.ShowTableGrid;
    return form;
}

bool ApplyProjectSettingsForm(const TProjectSettingsForm& form, TProject& project)
{
    project.SetComment(form.Comment);
    project.SetName(form.Name);
    project.Root = form.SpecificPath ? ExpandRoot(WithoutTrailingSeparator(form.Path)) : std::string();
    project.ShowTableGrid = form.ShowTableGrid;
    const int32_t interval = IntervalFromText(form.Interval);
    if (interval <= 0) {
        InformUser("Ungültiger Wert für das Sampling-Intervall wird nicht berücksichtigt.");
        return false;
    }
    project.SamplingInterval = interval;
    return true;
}

std::string ProjectPathNote(const TProjectSettingsForm& form)
{
    const std::string path = WithoutTrailingSeparator(form.Path);
    if (!form.SpecificPath || path.empty())
        return std::string();
    if (IsWindowsPath(path))
        return "Windows-Pfad: dieses Verzeichnis gibt es auf diesem Rechner nicht. Bitte ein Verzeichnis wählen.";
    std::error_code error;
    const fs::path folder = ExpandRoot(path);
    if (fs::is_directory(folder, error))
        return std::string();
    if (fs::exists(folder, error))
        return "Unter diesem Pfad liegt eine Datei, kein Verzeichnis.";
    return "Das Verzeichnis existiert noch nicht; es wird mit den ersten aufgezeichneten Daten angelegt.";
}

}  // namespace dedezuviv::app
