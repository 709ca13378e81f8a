// The dialog "Projekteinstellungen": name, comment, explicit data folder, sampling interval and the
// table's grid lines of one project (EditedProject). It fills itself each time it is shown and writes
// the project on OK; Cancel leaves the project as it was.
#pragma once

#include <QDialog>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class TProject;

class TProjectGeneralDlg : public QDialog {
    Q_OBJECT
public:
    explicit TProjectGeneralDlg(QWidget* parent = nullptr);

    // The project the dialog shows and changes; set before it is shown.
    TProject* EditedProject = nullptr;

    // The controls from the project (also when the dialog becomes visible).
    void LoadDlgData();
    // The controls into the project; the dialog then closes with OK.
    void OKBtnClick();
    // Path and "Wählen ..." only while the explicit folder is checked.
    void SpecificProjectPathClick();
    // The folder browser, starting at the folder in the path edit.
    void SelectPathButtonClick();

    QLineEdit* NameLabeledEdit = nullptr;
    QLineEdit* CommentLabeledEdit = nullptr;
    QLineEdit* PathLabeledEdit = nullptr;
    QPushButton* SelectPathButton = nullptr;
    QCheckBox* SpecificProjectPath = nullptr;
    QLabel* PathNoteLabel = nullptr;
    QLineEdit* IntervalMaskEdit = nullptr;
    QCheckBox* ShowTableGridCB = nullptr;
    QPushButton* OKBtn = nullptr;
    QPushButton* CancelBtn = nullptr;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void UpdatePathNote();
};
