// The dialog "Projekteinstellungen": on its page "Allgemein" name, comment, explicit data folder,
// sampling interval and the table's grid lines of one project (EditedProject); on its page "MQTT" the
// program's MQTT publisher. It fills itself each time it is shown and writes both on OK; Cancel leaves
// them as they were.
#pragma once

#include "app/gui/Namespace.h"

#include <QDialog>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTabWidget;

namespace dedezuviv::model {
class TProject;
}  // namespace dedezuviv::model

namespace dedezuviv::gui {

class TMqttSettingsPage;

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

    QTabWidget* Pages = nullptr;
    TMqttSettingsPage* MqttPage = nullptr;
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

}  // namespace dedezuviv::gui
