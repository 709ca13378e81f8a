// The file and folder choices of the commands, as one small interface: the window implements it with
// its file dialogs, tests with scripted answers. With none installed every choice is cancelled.
#pragma once

#include "app/core/Namespace.h"

#include <string>

namespace dedezuviv::app {

class IFileChooser {
public:
    virtual ~IFileChooser() = default;
    // Filters read "Projekte (*.p-p)|*.p-p": the text shown, "|", the pattern. An empty result means
    // that nothing was chosen.
    // An existing file.
    virtual std::string ChooseOpenFile(const std::string& title, const std::string& filter) = 0;
    // A file to write; the user is asked before an existing file is overwritten, and a name without
    // extension gets DefaultExtension (without dot).
    virtual std::string ChooseSaveFile(const std::string& title, const std::string& filter,
                                       const std::string& defaultExtension) = 0;
    // A folder, starting at Root (the whole tree when empty); new folders can be made.
    virtual std::string ChooseFolder(const std::string& title, const std::string& root) = 0;
};

void SetFileChooser(IFileChooser* chooser);
IFileChooser* FileChooser();

// Shortcuts that give an empty text without a chooser.
std::string ChooseOpenFile(const std::string& title, const std::string& filter);
std::string ChooseSaveFile(const std::string& title, const std::string& filter, const std::string& defaultExtension);
std::string ChooseFolder(const std::string& title, const std::string& root);

}  // namespace dedezuviv::app
