#include "app/core/FileChooser.h"
#include "app/core/Namespace.h"

namespace dedezuviv::app {

namespace {
IFileChooser* CurrentChooser = nullptr;
}  // namespace

void SetFileChooser(IFileChooser* chooser) { CurrentChooser = chooser; }
IFileChooser* FileChooser() { return CurrentChooser; }

std::string ChooseOpenFile(const std::string& title, const std::string& filter)
{
    return CurrentChooser ? CurrentChooser->ChooseOpenFile(title, filter) : std::string();
}

std::string ChooseSaveFile(const std::string& title, const std::string& filter, const std::string& defaultExtension)
{
    return CurrentChooser ? CurrentChooser->ChooseSaveFile(title, filter, defaultExtension) : std::string();
}

std::string ChooseFolder(const std::string& title, const std::string& root)
{
    return CurrentChooser ? CurrentChooser->ChooseFolder(title, root) : std::string();
}

}  // namespace dedezuviv::app
