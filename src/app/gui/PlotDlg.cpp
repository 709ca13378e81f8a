#include "app/gui/PlotDlg.h"

#include "app/gui/ExportDialogParts.h"
#include "base/Clock.h"
#include "model/window/DialogStates.h"
#include "app/gui/Namespace.h"

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

namespace dedezuviv::gui {

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
    StartDatePicker = NewDatePicker(this);
    StartTimePicker = NewTimePicker(this);
    times->addWidget(StartDatePicker, 0, 1);
    times->addWidget(StartTimePicker, 0, 2);
    times->addWidget(new QLabel(QStringLiteral("Enddatum und -uhrzeit:"), this), 1, 0);
    FinalDatePicker = NewDatePicker(this);
    FinalTimePicker = NewTimePicker(this);
    times->addWidget(FinalDatePicker, 1, 1);
    times->addWidget(FinalTimePicker, 1, 2);
    SetActualTime = new QPushButton(QStringLiteral("Jetzt"), this);
    times->addWidget(SetActualTime, 1, 3);
    layout->addLayout(times);

    TimeIncrementMaskEdit = AddIncrementRow(layout, this, QStringLiteral("Minimales Zeit-Inkrement zwischen Datensätzen:"),
                                            QStringLiteral("(0: automatische Berechnung)"));

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

TDateTime TPlotEditDlg::StartTime() const { return PickedDateTime(StartDatePicker, StartTimePicker); }

TDateTime TPlotEditDlg::EndTime() const { return PickedDateTime(FinalDatePicker, FinalTimePicker); }

void TPlotEditDlg::SetStartTime(TDateTime time) { SetPickedDateTime(StartDatePicker, StartTimePicker, time); }

void TPlotEditDlg::SetEndTime(TDateTime time) { SetPickedDateTime(FinalDatePicker, FinalTimePicker, time); }

QString TPlotEditDlg::IncrementText() const { return IncrementEditText(TimeIncrementMaskEdit); }

void TPlotEditDlg::SetIncrementText(const QString& text) { TimeIncrementMaskEdit->setText(text); }

void TPlotEditDlg::LoadFromStates(const TControlStates& states)
{
    LoadRangeStates(states, StartDatePicker, StartTimePicker, FinalDatePicker, FinalTimePicker);
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
    SaveRangeStates(states, StartTime(), EndTime());
    states.SetInteger("FieldListSelComboBox", SelectedIndex());
    states.SetText("TimeIncrementMaskEdit", IncrementText().toStdString());
    states.SetChecked("Look3DCB", Look3DCB->isChecked());
    states.SetChecked("MarkersCB", MarkersCB->isChecked());
}

}  // namespace dedezuviv::gui
