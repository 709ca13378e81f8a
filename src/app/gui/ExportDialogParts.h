// Parts the export, batch and plot dialogs share: the increment field, the date and time pickers of
// the range with their stored values, and the selection list that finds its entry again.
#pragma once

#include "base/DateTime.h"
#include "app/gui/Namespace.h"

#include <QString>

class QBoxLayout;
class QComboBox;
class QDate;
class QDateEdit;
class QLineEdit;
class QTime;
class QTimeEdit;
class QWidget;

namespace dedezuviv::model {
class TControlStates;
class TProject;
}  // namespace dedezuviv::model

namespace dedezuviv::gui {

// The increment field: hours (one digit may be left empty), minutes and seconds, "00:00:00" at first.
QLineEdit* NewIncrementEdit(QWidget* parent);
// The increment's caption line and its row (field, "Stunden:Minuten:Sekunden", the note on 0) added to
// the layout; returns the field.
QLineEdit* AddIncrementRow(QBoxLayout* layout, QWidget* parent, const QString& caption, const QString& zeroNote);
// Its text as shown, an empty digit as a blank ("hh:mm:ss" for ParseIncrement).
QString IncrementEditText(const QLineEdit* edit);

// Conversions between TDateTime and the pickers' values.
TDateTime PickerDateTime(const QDate& date, const QTime& time);
void SplitDateTime(TDateTime value, QDate& date, QTime& time);

QDateEdit* NewDatePicker(QWidget* parent);
QTimeEdit* NewTimePicker(QWidget* parent);
// CombineDateTime of a date picker and a time picker, and back.
TDateTime PickedDateTime(const QDateEdit* date, const QTimeEdit* time);
void SetPickedDateTime(QDateEdit* date, QTimeEdit* time, TDateTime value);

// The four pickers' stored values ("StartDatePicker", "StartTimePicker", "FinalDatePicker",
// "FinalTimePicker"); a picker without a stored value keeps its value. Each picker stores the whole
// moment of its end, as a date and time picker holds both.
void LoadRangeStates(const TControlStates& states, QDateEdit* startDate, QTimeEdit* startTime, QDateEdit* finalDate,
                     QTimeEdit* finalTime);
void SaveRangeStates(TControlStates& states, TDateTime start, TDateTime end);

// Remembers the chosen entry of a selection list across openings and project loads.
struct TSelectionMemory {
    int StoredIndex = -1;  // from the project file (or the last close)
    int SavedIndex = -1;   // the index at the last close
    QString SavedName;     // the name at the last close
    const TProject* SavedProject = nullptr;  // the project at the last close (only compared)

    // Refills the list with the names of the project's selections and chooses: the stored index when
    // it came from a loaded project (it differs from the last close, or the project does) and fits;
    // else the entry of the name chosen last; else the first (none when the list is empty).
    void Refill(QComboBox* list, const TProject* project);
    // After the dialog closed: what the list shows now.
    void Remember(const QComboBox* list, const TProject* project);
};

}  // namespace dedezuviv::gui
