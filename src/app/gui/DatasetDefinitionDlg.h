// The dialog "Definition des Datensatzes" (TVarConfigDlg): the eight field name lists of a project as
// one line of comma text each, filled from the project, from a device definition file, from the file of
// the connected controller or from another project. The edit lines are a working copy; the project
// changes only in SaveToProject, after OK.
#pragma once

#include "model/Fields.h"
#include "app/gui/Namespace.h"

#include <QDialog>

#include <array>
#include <string>

class QLabel;
class QLineEdit;
class QPushButton;

namespace dedezuviv::model {
class TProject;
}  // namespace dedezuviv::model

namespace dedezuviv::gui {

class TVarConfigDlg : public QDialog {
    Q_OBJECT
public:
    explicit TVarConfigDlg(QWidget* parent = nullptr);

    // Each of the project's eight lists as comma text into its line.
    void LoadFromProject(const TProject& project);
    // The eight lines back into the project's lists; the project is marked modified. Error is set when
    // characters that names may not contain were dropped from any line (the lists are stored anyway).
    void SaveToProject(TProject& project, bool& error);
    // Reads a device definition file into the temperature and relay lines.
    void ImportDefFile(const std::string& fileName);

    // "Aus Gerätebeschreibung einlesen"
    void LoadFileDefClick();
    // "Aus anderem Projekt einlesen": the lists of another project, read into a separate project; the
    // open project, its table, chart and stored dialog values stay as they are.
    void LoadExtClick();
    // "Für angeschlossenes Gerät automatisch laden": the definition file named after the program
    // number of the last record the current project's data source decoded.
    void LoadAutoDefClick();

    // The line of a field type.
    QLineEdit* Edit(TFieldType type) const { return Edits[type]; }

    QLabel* InfoLabel = nullptr;
    QLineEdit* TemperaturesEdt = nullptr;
    QLineEdit* NumValuesEdt = nullptr;
    QLineEdit* PostValuesEdt = nullptr;
    QLineEdit* OutputsEdt = nullptr;
    QLineEdit* BitsEdt = nullptr;
    QLineEdit* InputsEdt = nullptr;
    QLineEdit* DateEdt = nullptr;
    QLineEdit* InternalFieldEdt = nullptr;
    QPushButton* LoadDefAutoBtn = nullptr;
    QPushButton* LoadFromBtn = nullptr;
    QPushButton* LoadDefBtn = nullptr;
    QPushButton* OKBtn = nullptr;
    QPushButton* CancelBtn = nullptr;

private:
    std::array<QLineEdit*, FieldTypeCount> Edits{};
};

}  // namespace dedezuviv::gui
