// The plot dialog "Grafikausgabe": which field selection to draw, the time range and the minimum time
// increment between records, and whether to mark the points. Its values are kept with the project
// (section [PlotEditDlg]): the dialog takes them before it is shown and gives them back after.
#pragma once

#include "base/DateTime.h"
#include "evaluation/PlotSelections.h"
#include "app/gui/Namespace.h"

#include <QDialog>

#include <vector>

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

class TPlotEditDlg : public QDialog {
    Q_OBJECT
public:
    explicit TPlotEditDlg(QWidget* parent);

    QComboBox* FieldListSelComboBox = nullptr;
    QDateEdit* StartDatePicker = nullptr;
    QTimeEdit* StartTimePicker = nullptr;
    QDateEdit* FinalDatePicker = nullptr;
    QTimeEdit* FinalTimePicker = nullptr;
    QPushButton* SetActualTime = nullptr;
    QLineEdit* TimeIncrementMaskEdit = nullptr;
    QCheckBox* Look3DCB = nullptr;
    QCheckBox* MarkersCB = nullptr;
    QPushButton* OKBtn = nullptr;
    QPushButton* CancelBtn = nullptr;
    QPushButton* HelpBtn = nullptr;

    // Refills the selection list from the project, keeping the chosen entry by its name (else the
    // first).
    void FormActivate(const TProject* project);
    // End date and time := now.
    void SetActualTimeClick();

    // The choices of the list and the chosen one (-1: none).
    const std::vector<TPlotChoice>& Choices() const { return ChoiceList; }
    int SelectedIndex() const;
    TDateTime StartTime() const;
    TDateTime EndTime() const;
    void SetStartTime(TDateTime time);
    void SetEndTime(TDateTime time);
    // The increment as typed, "hh:mm:ss".
    QString IncrementText() const;
    void SetIncrementText(const QString& text);

    // The stored control values (controls without a stored value keep theirs) and back.
    void LoadFromStates(const TControlStates& states);
    void SaveToStates(TControlStates& states) const;

private:
    std::vector<TPlotChoice> ChoiceList;
    // A stored list index that arrived while the list was still empty: used at the first filling.
    int PendingIndex = -1;
};

}  // namespace dedezuviv::gui
