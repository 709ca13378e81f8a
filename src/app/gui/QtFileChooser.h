// The file chooser of the window: Qt's file and folder dialogs.
#pragma once

#include "app/core/FileChooser.h"
#include "app/gui/Namespace.h"

#include <QString>

class QWidget;

namespace dedezuviv::gui {

class TQtFileChooser : public IFileChooser {
public:
    explicit TQtFileChooser(QWidget* parent) : Parent(parent) {}
    std::string ChooseOpenFile(const std::string& title, const std::string& filter) override;
    std::string ChooseSaveFile(const std::string& title, const std::string& filter,
                               const std::string& defaultExtension) override;
    std::string ChooseFolder(const std::string& title, const std::string& root) override;

private:
    QWidget* Parent;
};

// "Projekte (*.p-p)|*.p-p" as Qt writes a filter: "Projekte (*.p-p)". A text without "|" is taken as
// it stands; several filters ("A|*.a|B|*.b") give one per line.
QString QtFileFilter(const std::string& filter);

}  // namespace dedezuviv::gui
