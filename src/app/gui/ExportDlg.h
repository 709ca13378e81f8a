// The export dialog "Exportieren" (`TExportDlg`): which field selection to export, into which
// file (the format follows from its extension), the time range and the minimum time increment. Its
// values are kept with the project (section [ExportDlg]): the dialog takes them before it is shown and
// gives them back after; the file name is a labelled edit and not stored.
#pragma once

#include "app/gui/ExportDialogParts.h"
#include "base/DateTime.h"
#include "app/gui/Namespace.h"

#include <QDialog>

#include <string>

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

class TExportDlg : public QDialog {
    Q_OBJECT
public:
    explicit TExportDlg(QWidget* parent);

    QComboBox* FieldListSelComboBox = nullptr;
    QLineEdit* FileLabeledEdit = nullptr;
    QPushButton* FileSelectBtn = nullptr;
    QDateEdit* StartDatePicker = nullptr;
    QTimeEdit* StartTimePicker = nullptr;
    QTimeEdit* FinalTimePicker = nullptr;
    QDateEdit* FinalDatePicker = nullptr;
    QLineEdit* TimeIncrementMaskEdit = nullptr;
    QPushButton* StartBtn = nullptr;
    QPushButton* CancelBtn = nullptr;
    QPushButton* SetActualTime = nullptr;
    QPushButton* HelpBtn = nullptr;

    // The file dialog's title, filter and default extension.
    static const char* const FileDialogTitle;
    static const char* const FileDialogFilter;

    // Refills the selection list with the project's selections, choosing the previous one again (by its
    // stored index after a project was loaded, else by name), else the first.
    void FormActivate(const TProject* project);
    // The file dialog; a confirmed choice goes into "Speichern in:".
    void FileSelectBtnClick();
    // End date and time := now.
    void SetActualTimeClick();

    int SelectedIndex() const;
    std::string FileName() const;
    void SetFileName(const std::string& fileName);
    TDateTime StartTime() const;
    TDateTime EndTime() const;
    void SetStartTime(TDateTime time);
    void SetEndTime(TDateTime time);
    // The increment as typed, "hh:mm:ss".
    QString IncrementText() const;
    void SetIncrementText(const QString& text);

    // The stored control values (controls without a stored value keep theirs) and back; Project is
    // the open project, by which the list knows a project load.
    void LoadFromStates(const TControlStates& states);
    void SaveToStates(TControlStates& states, const TProject* project);

private:
    TSelectionMemory Selection;
};

}  // namespace dedezuviv::gui
