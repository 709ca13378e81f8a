#include "app/gui/ExportDialogParts.h"

#include "model/DayFiles.h"
#include "model/Project.h"
#include "model/window/DialogStates.h"
#include "model/window/DialogTimes.h"
#include "app/gui/Namespace.h"

#include <QComboBox>
#include <QBoxLayout>
#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QTimeEdit>

namespace dedezuviv::gui {

QLineEdit* NewIncrementEdit(QWidget* parent)
{
    auto* edit = new QLineEdit(parent);
    // Hours may be one digit; minutes and seconds always have two.
    edit->setInputMask(QStringLiteral("09:99:99;_"));
    edit->setText(QString::fromStdString(TwoDigits(0) + ":" + TwoDigits(0) + ":" + TwoDigits(0)));
    return edit;
}

QLineEdit* AddIncrementRow(QBoxLayout* layout, QWidget* parent, const QString& caption, const QString& zeroNote)
{
    layout->addWidget(new QLabel(caption, parent));
    auto* row = new QHBoxLayout;
    QLineEdit* edit = NewIncrementEdit(parent);
    row->addWidget(edit);
    row->addWidget(new QLabel(QStringLiteral("Stunden:Minuten:Sekunden"), parent));
    row->addWidget(new QLabel(zeroNote, parent));
    row->addStretch();
    layout->addLayout(row);
    return edit;
}

QString IncrementEditText(const QLineEdit* edit)
{
    QString text = edit->displayText();
    text.replace(QLatin1Char('_'), QLatin1Char(' '));
    return text;
}

TDateTime PickerDateTime(const QDate& date, const QTime& time)
{
    TDateTime day = 0, clock = 0;
    if (!TryEncodeDate(date.year(), date.month(), date.day(), day))
        return 0;
    TryEncodeTime(time.hour(), time.minute(), time.second(), 0, clock);
    return day + clock;
}

void SplitDateTime(TDateTime value, QDate& date, QTime& time)
{
    const TDateTimeParts parts = DecodeDateTime(value);
    date = QDate(parts.Year, parts.Month, parts.Day);
    time = QTime(parts.Hour, parts.Minute, parts.Second);
}

QDateEdit* NewDatePicker(QWidget* parent)
{
    auto* picker = new QDateEdit(parent);
    picker->setCalendarPopup(true);
    picker->setDisplayFormat(QStringLiteral("dd.MM.yyyy"));
    return picker;
}

QTimeEdit* NewTimePicker(QWidget* parent)
{
    auto* picker = new QTimeEdit(parent);
    picker->setDisplayFormat(QStringLiteral("HH:mm:ss"));
    return picker;
}

TDateTime PickedDateTime(const QDateEdit* date, const QTimeEdit* time)
{
    return CombineDateTime(PickerDateTime(date->date(), QTime(0, 0)), PickerDateTime(QDate(1899, 12, 30), time->time()));
}

void SetPickedDateTime(QDateEdit* date, QTimeEdit* time, TDateTime value)
{
    QDate day;
    QTime clock;
    SplitDateTime(value, day, clock);
    date->setDate(day);
    time->setTime(clock);
}

void LoadRangeStates(const TControlStates& states, QDateEdit* startDate, QTimeEdit* startTime, QDateEdit* finalDate,
                     QTimeEdit* finalTime)
{
    QDate date;
    QTime clock;
    if (states.HasValue("StartDatePicker")) {
        SplitDateTime(states.DateTime("StartDatePicker", 0), date, clock);
        startDate->setDate(date);
    }
    if (states.HasValue("StartTimePicker")) {
        SplitDateTime(states.DateTime("StartTimePicker", 0), date, clock);
        startTime->setTime(clock);
    }
    if (states.HasValue("FinalDatePicker")) {
        SplitDateTime(states.DateTime("FinalDatePicker", 0), date, clock);
        finalDate->setDate(date);
    }
    if (states.HasValue("FinalTimePicker")) {
        SplitDateTime(states.DateTime("FinalTimePicker", 0), date, clock);
        finalTime->setTime(clock);
    }
}

void SaveRangeStates(TControlStates& states, TDateTime start, TDateTime end)
{
    states.SetDateTime("StartDatePicker", start);
    states.SetDateTime("FinalDatePicker", end);
    states.SetDateTime("StartTimePicker", start);
    states.SetDateTime("FinalTimePicker", end);
}

void TSelectionMemory::Refill(QComboBox* list, const TProject* project)
{
    list->clear();
    if (project == nullptr)
        return;
    for (const TFieldSelection& selection : project->FieldSelections)
        list->addItem(QString::fromStdString(selection.Name));
    int index = -1;
    const bool loaded = StoredIndex != SavedIndex || project != SavedProject;
    if (loaded && StoredIndex >= 0 && StoredIndex < list->count())
        index = StoredIndex;
    else if (!SavedName.isNull())
        index = list->findText(SavedName, Qt::MatchExactly);
    if (index < 0 && list->count() > 0)
        index = 0;
    list->setCurrentIndex(index);
}

void TSelectionMemory::Remember(const QComboBox* list, const TProject* project)
{
    SavedProject = project;
    SavedIndex = StoredIndex = list->currentIndex();
    SavedName = list->currentIndex() >= 0 ? list->currentText() : QString();
}

}  // namespace dedezuviv::gui
