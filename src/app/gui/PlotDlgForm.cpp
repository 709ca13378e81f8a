#include "app/gui/PlotDlgForm.h"

#include "base/Clock.h"
#include "model/DayFiles.h"
#include "model/window/DialogStates.h"
#include "model/window/DialogTimes.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimeEdit>
#include <QVBoxLayout>

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

TPlotEditDlg::TPlotEditDlg(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Grafikausgabe"));
    auto* layout = new QVBoxLayout(this);

    layout->addWidget(new QLabel(QStringLiteral("Felder-Selektion für Verlaufsgrafik auswählen:"), this));
    FieldListSelComboBox = new QComboBox(this);
    FieldListSelComboBox->setEditable(false);
    layout->addWidget(FieldListSelComboBox);

    auto* times = new QGridLayout;
    times->addWidget(new QLabel(QStringLiteral("Startdatum- und -uhrzeit:"), this), 0, 0);
    StartDatePicker = new QDateEdit(this);
    StartTimePicker = new QTimeEdit(this);
    times->addWidget(StartDatePicker, 0, 1);
    times->addWidget(StartTimePicker, 0, 2);
    times->addWidget(new QLabel(QStringLiteral("Enddatum und -uhrzeit:"), this), 1, 0);
    FinalDatePicker = new QDateEdit(this);
    FinalTimePicker = new QTimeEdit(this);
    times->addWidget(FinalDatePicker, 1, 1);
    times->addWidget(FinalTimePicker, 1, 2);
    SetActualTime = new QPushButton(QStringLiteral("Jetzt"), this);
    times->addWidget(SetActualTime, 1, 3);
    for (QDateEdit* picker : {StartDatePicker, FinalDatePicker}) {
        picker->setCalendarPopup(true);
        picker->setDisplayFormat(QStringLiteral("dd.MM.yyyy"));
    }
    for (QTimeEdit* picker : {StartTimePicker, FinalTimePicker})
        picker->setDisplayFormat(QStringLiteral("HH:mm:ss"));
    layout->addLayout(times);

    layout->addWidget(new QLabel(QStringLiteral("Minimales Zeit-Inkrement zwischen Datensätzen:"), this));
    auto* increment = new QHBoxLayout;
    TimeIncrementMaskEdit = new QLineEdit(this);
    // Hours may be one digit; minutes and seconds always have two.
    TimeIncrementMaskEdit->setInputMask(QStringLiteral("09:99:99;_"));
    TimeIncrementMaskEdit->setText(QString::fromStdString(TwoDigits(0) + ":" + TwoDigits(0) + ":" + TwoDigits(0)));
    increment->addWidget(TimeIncrementMaskEdit);
    increment->addWidget(new QLabel(QStringLiteral("Stunden:Minuten:Sekunden"), this));
    increment->addWidget(new QLabel(QStringLiteral("(0: automatische Berechnung)"), this));
    layout->addLayout(increment);

    Look3DCB = new QCheckBox(QStringLiteral("3D-Look verwenden"), this);
    Look3DCB->hide();
    layout->addWidget(Look3DCB);
    MarkersCB = new QCheckBox(QStringLiteral("Marker anzeigen"), this);
    layout->addWidget(MarkersCB);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    OKBtn = new QPushButton(QStringLiteral("OK"), this);
    OKBtn->setDefault(true);
    CancelBtn = new QPushButton(QStringLiteral("Abbrechen"), this);
    HelpBtn = new QPushButton(QStringLiteral("Hilfe"), this);
    HelpBtn->hide();
    buttons->addWidget(OKBtn);
    buttons->addWidget(CancelBtn);
    buttons->addWidget(HelpBtn);
    layout->addLayout(buttons);

    connect(OKBtn, &QPushButton::clicked, this, &QDialog::accept);
    connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);
    connect(SetActualTime, &QPushButton::clicked, this, [this] { SetActualTimeClick(); });

    // Like pickers made at start: both ends at the current time.
    SetStartTime(Now());
    SetEndTime(Now());
}

void TPlotEditDlg::FormActivate(const TProject* project)
{
    if (project == nullptr)
        return;
    QString remembered;
    if (FieldListSelComboBox->currentIndex() >= 0)
        remembered = FieldListSelComboBox->currentText();
    ChoiceList = PlotChoices(project);
    if (FieldListSelComboBox->count() == 0 && PendingIndex >= 0 && PendingIndex < static_cast<int>(ChoiceList.size()))
        remembered = QString::fromStdString(ChoiceList[static_cast<size_t>(PendingIndex)].Name);
    PendingIndex = -1;
    FieldListSelComboBox->clear();
    for (const TPlotChoice& choice : ChoiceList)
        FieldListSelComboBox->addItem(QString::fromStdString(choice.Name));
    const int index = FindPlotChoice(ChoiceList, remembered.toStdString());
    FieldListSelComboBox->setCurrentIndex(index >= 0 ? index : (ChoiceList.empty() ? -1 : 0));
}

void TPlotEditDlg::SetActualTimeClick() { SetEndTime(Now()); }

int TPlotEditDlg::SelectedIndex() const { return FieldListSelComboBox->currentIndex(); }

TDateTime TPlotEditDlg::StartTime() const
{
    return CombineDateTime(PickerDateTime(StartDatePicker->date(), QTime(0, 0)),
                           PickerDateTime(QDate(1899, 12, 30), StartTimePicker->time()));
}

TDateTime TPlotEditDlg::EndTime() const
{
    return CombineDateTime(PickerDateTime(FinalDatePicker->date(), QTime(0, 0)),
                           PickerDateTime(QDate(1899, 12, 30), FinalTimePicker->time()));
}

void TPlotEditDlg::SetStartTime(TDateTime time)
{
    QDate date;
    QTime clock;
    SplitDateTime(time, date, clock);
    StartDatePicker->setDate(date);
    StartTimePicker->setTime(clock);
}

void TPlotEditDlg::SetEndTime(TDateTime time)
{
    QDate date;
    QTime clock;
    SplitDateTime(time, date, clock);
    FinalDatePicker->setDate(date);
    FinalTimePicker->setTime(clock);
}

QString TPlotEditDlg::IncrementText() const
{
    // The text as shown, an empty hour digit as a blank, so that every part stays at its place.
    QString text = TimeIncrementMaskEdit->displayText();
    text.replace(QLatin1Char('_'), QLatin1Char(' '));
    return text;
}

void TPlotEditDlg::SetIncrementText(const QString& text) { TimeIncrementMaskEdit->setText(text); }

void TPlotEditDlg::LoadFromStates(const TControlStates& states)
{
    QDate date;
    QTime clock;
    if (states.HasValue("StartDatePicker")) {
        SplitDateTime(states.DateTime("StartDatePicker", 0), date, clock);
        StartDatePicker->setDate(date);
    }
    if (states.HasValue("StartTimePicker")) {
        SplitDateTime(states.DateTime("StartTimePicker", 0), date, clock);
        StartTimePicker->setTime(clock);
    }
    if (states.HasValue("FinalDatePicker")) {
        SplitDateTime(states.DateTime("FinalDatePicker", 0), date, clock);
        FinalDatePicker->setDate(date);
    }
    if (states.HasValue("FinalTimePicker")) {
        SplitDateTime(states.DateTime("FinalTimePicker", 0), date, clock);
        FinalTimePicker->setTime(clock);
    }
    if (states.HasValue("FieldListSelComboBox")) {
        const int index = states.Integer("FieldListSelComboBox", -1);
        if (FieldListSelComboBox->count() > 0 && index < FieldListSelComboBox->count())
            FieldListSelComboBox->setCurrentIndex(index);
        else
            PendingIndex = index;
    }
    if (states.HasValue("TimeIncrementMaskEdit"))
        SetIncrementText(QString::fromStdString(states.Text("TimeIncrementMaskEdit")));
    if (states.HasValue("Look3DCB"))
        Look3DCB->setChecked(states.Checked("Look3DCB"));
    if (states.HasValue("MarkersCB"))
        MarkersCB->setChecked(states.Checked("MarkersCB"));
}

void TPlotEditDlg::SaveToStates(TControlStates& states) const
{
    // Each picker keeps the whole moment of its end, as a date and time picker holds both.
    states.SetDateTime("StartDatePicker", StartTime());
    states.SetDateTime("FinalDatePicker", EndTime());
    states.SetDateTime("StartTimePicker", StartTime());
    states.SetDateTime("FinalTimePicker", EndTime());
    states.SetInteger("FieldListSelComboBox", SelectedIndex());
    states.SetText("TimeIncrementMaskEdit", IncrementText().toStdString());
    states.SetChecked("Look3DCB", Look3DCB->isChecked());
    states.SetChecked("MarkersCB", MarkersCB->isChecked());
}
