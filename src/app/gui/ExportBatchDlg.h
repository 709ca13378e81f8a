// The batch-export dialog "Exportieren" (`TExportBatchDlg`): field selection, period type,
// file-name mask, folder, format, range and increment of a batch export that writes one file per
// period. Its values are kept with the project (section [ExportBatchDlg]); the mask and the folder are
// labelled edits and not stored.
#pragma once

#include "app/gui/ExportDialogParts.h"
#include "base/DateTime.h"
#include "app/gui/Namespace.h"

#include <QDialog>

#include <string>

class QCheckBox;
class QComboBox;
class QDateEdit;
class QLineEdit;
class QPushButton;
class QTimeEdit;

namespace dedezuviv::model {
class TControlStates;
class TProject;
}  // namespace dedezuviv::model

namespace dedezuviv::gui {

class TExportBatchDlg : public QDialog {
    Q_OBJECT
public:
    explicit TExportBatchDlg(QWidget* parent);

    QComboBox* ExportSelComboBox = nullptr;
    QComboBox* TypeSelListBox = nullptr;
    QLineEdit* FilenameLabeledEdt = nullptr;
    QCheckBox* ExportInCustomPathCB = nullptr;
    QLineEdit* ExportPathLabeledEdit = nullptr;
    QPushButton* FileSelectBtn = nullptr;
    QComboBox* FormatSelComboBox = nullptr;
    QDateEdit* StartDatePicker = nullptr;
    QTimeEdit* StartTimePicker = nullptr;
    QCheckBox* ActualTimeCB = nullptr;
    QDateEdit* FinalDatePicker = nullptr;
    QTimeEdit* FinalTimePicker = nullptr;
    QLineEdit* TimeIncrementMaskEdit = nullptr;
    QPushButton* StartBtn = nullptr;
    QPushButton* CloseBtn = nullptr;
    QPushButton* CancelBtn = nullptr;
    QPushButton* HelpBtn = nullptr;

    static const char* const FolderDialogTitle;

    // FormCreate's filling of "Auswertungszeitraum:" with the names of ExportTypes (the first chosen).
    void FillTypes();
    // The mask when empty := the default mask; then ActualTimeCBClick.
    void FormActivate();
    // The selection list refilled from the project (the previous entry again, else the first).
    void FillSelections(const TProject* project);
    // The end pickers are enabled exactly when "jetzt" is not checked.
    void ActualTimeCBClick();
    // The folder field and its button are enabled exactly when "ausserhalb des Projekts speichern" is.
    void ExportInCustomPathCBClick();
    // The folder dialog "Verzeichnisauswahl", opened at the folder in the field.
    void FileSelectBtnClick();

    int SelectedIndex() const;
    int TypeIndex() const;
    int FormatIndex() const;
    std::string Mask() const;
    bool CustomFolder() const;
    std::string Folder() const;
    bool EndIsNow() const;
    TDateTime StartTime() const;
    TDateTime EndTime() const;
    void SetStartTime(TDateTime time);
    void SetEndTime(TDateTime time);
    QString IncrementText() const;
    void SetIncrementText(const QString& text);

    void LoadFromStates(const TControlStates& states);
    void SaveToStates(TControlStates& states, const TProject* project);

private:
    TSelectionMemory Selection;
};

}  // namespace dedezuviv::gui
