// The field selection editor "Felderauswahl editieren", opened by "Feldauswahl
// erstellen/bearbeiten" in the menus "Grafik" and "Export". It edits a working copy of the project's
// named field selections; OK puts the copy into the project, Cancel drops it. Its control values are
// kept with the project (section [ExportSelectionDlg]); every opening refills the controls, so they
// have no lasting effect.
#pragma once

#include "model/Fields.h"
#include "app/gui/Namespace.h"

#include <QDialog>

#include <string>
#include <vector>

class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace dedezuviv::model {
class TControlStates;
class TProject;
}  // namespace dedezuviv::model

namespace dedezuviv::gui {

class TFieldListEditorDlg : public QDialog {
    Q_OBJECT
public:
    explicit TFieldListEditorDlg(QWidget* parent);

    // One selection of the working copy. HasList false: a selection the project holds without a
    // list, kept so until its fields are edited.
    struct TSelection {
        std::string Name;
        TNameList Fields;
        bool HasList = true;
    };

    QComboBox* FieldListSelComboBox = nullptr;
    QPushButton* CreateBtn = nullptr;
    QPushButton* DeleteBtn = nullptr;
    QLabel* NameLabel = nullptr;
    QLineEdit* NameLabeledEdit = nullptr;
    QLabel* SrcLabel = nullptr;
    QListWidget* SrcList = nullptr;
    QLabel* DstLabel = nullptr;
    QListWidget* DstList = nullptr;
    QPushButton* IncludeBtn = nullptr;
    QPushButton* IncAllBtn = nullptr;
    QPushButton* ExcludeBtn = nullptr;
    QPushButton* ExAllBtn = nullptr;
    QPushButton* MoveUpButton = nullptr;
    QPushButton* MoveDnButton = nullptr;
    QPushButton* OKBtn = nullptr;
    QPushButton* CancelBtn = nullptr;

    // The fields that can be chosen and a working copy of the project's selections; without any
    // selection one "Neu" is created. The first entry is chosen when none is.
    void LoadFromProject(const TProject& project);
    // The project's selections := the working copy; the project is marked modified.
    void SaveToProject(TProject& project) const;

    const std::vector<TSelection>& Selections() const { return Working; }
    const TNameList& AvailableFields() const { return Available; }

    // The handlers of the editor.
    void FormActivate();
    void FieldListSelComboBoxSelect();
    void NameLabeledEditChange();
    void CreateBtnClick();
    void DeleteBtnClick();
    void IncludeBtnClick();
    void ExcludeBtnClick();
    void IncAllBtnClick();
    void ExcAllBtnClick();
    void MoveUpDest();
    void MoveDnDest();
    void ExportSelComboBoxSaveDstList();
    void UpdateControls();

    // The stored control values and back (section [ExportSelectionDlg]).
    void LoadFromStates(const TControlStates& states);
    void SaveToStates(TControlStates& states) const;

private:
    static int FirstSelectedIndex(const QListWidget* list);
    // Moves the selected entries of From, last index first, to the end of To (into its sorted place
    // when ToSorted).
    static void MoveSelectedItems(QListWidget* from, QListWidget* to, bool toSorted);
    void SelectNearIndex(QListWidget* list, int index);
    static void InsertSorted(QListWidget* list, const QString& name);
    static QStringList Entries(const QListWidget* list);

    TNameList Available;
    std::vector<TSelection> Working;
};

}  // namespace dedezuviv::gui
