#include "app/gui/ExportDlg.h"

#include "app/core/FileChooser.h"
#include "app/gui/ExportDialogParts.h"
#include "base/Clock.h"
#include "export/ExportFormats.h"
#include "model/window/DialogStates.h"
#include "app/gui/Namespace.h"

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

const char* const TExportDlg::FileDialogTitle = "Datei wählen";
const char* const TExportDlg::FileDialogFilter = ExportFileDialogFilter();

TExportDlg::TExportDlg(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Exportieren"));
    auto* layout = new QVBoxLayout(this);

    // Controls in their tab order.
    auto* selectionLabel = new QLabel(QStringLiteral("Verwendete Felder-Selektion für Export:"), this);
    layout->addWidget(selectionLabel);
    FieldListSelComboBox = new QComboBox(this);
    FieldListSelComboBox->setEditable(false);
    selectionLabel->setBuddy(FieldListSelComboBox);
    layout->addWidget(FieldListSelComboBox);

    auto* fileLabel = new QLabel(QStringLiteral("Speichern in:"), this);
    layout->addWidget(fileLabel);
    auto* file = new QHBoxLayout;
    FileLabeledEdit = new QLineEdit(this);
    FileLabeledEdit->setMinimumWidth(320);
    fileLabel->setBuddy(FileLabeledEdit);
    FileSelectBtn = new QPushButton(QStringLiteral("Wählen..."), this);
    file->addWidget(FileLabeledEdit, 1);
    file->addWidget(FileSelectBtn);
    layout->addLayout(file);

    auto* times = new QGridLayout;
    times->addWidget(new QLabel(QStringLiteral("Startdatum- und -uhrzeit:"), this), 0, 0);
    StartDatePicker = NewDatePicker(this);
    StartTimePicker = NewTimePicker(this);
    times->addWidget(StartDatePicker, 0, 1);
    times->addWidget(StartTimePicker, 0, 2);
    times->addWidget(new QLabel(QStringLiteral("Enddatum und -uhrzeit:"), this), 1, 0);
    FinalTimePicker = NewTimePicker(this);
    FinalDatePicker = NewDatePicker(this);
    times->addWidget(FinalDatePicker, 1, 1);
    times->addWidget(FinalTimePicker, 1, 2);
    layout->addLayout(times);

    TimeIncrementMaskEdit = AddIncrementRow(layout, this, QStringLiteral("Minimales Zeit-Inkrement zwischen Datensätzen:"),
                                            QStringLiteral("(0: automatische Berechnung)"));

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    StartBtn = new QPushButton(QStringLiteral("Starten"), this);
    StartBtn->setDefault(true);
    CancelBtn = new QPushButton(QStringLiteral("Abbrechen"), this);
    SetActualTime = new QPushButton(QStringLiteral("Jetzt"), this);
    HelpBtn = new QPushButton(QStringLiteral("Hilfe"), this);
    HelpBtn->hide();
    // "Jetzt" sits beside the end pickers.
    times->addWidget(SetActualTime, 1, 3);
    buttons->addWidget(StartBtn);
    buttons->addWidget(CancelBtn);
    buttons->addWidget(HelpBtn);
    layout->addLayout(buttons);
    for (QPushButton* button : {FileSelectBtn, CancelBtn, SetActualTime, HelpBtn})
        button->setAutoDefault(false);

    setTabOrder(FieldListSelComboBox, FileLabeledEdit);
    setTabOrder(FileLabeledEdit, FileSelectBtn);
    setTabOrder(FileSelectBtn, StartDatePicker);
    setTabOrder(StartDatePicker, StartTimePicker);
    setTabOrder(StartTimePicker, FinalTimePicker);
    setTabOrder(FinalTimePicker, FinalDatePicker);
    setTabOrder(FinalDatePicker, TimeIncrementMaskEdit);
    setTabOrder(TimeIncrementMaskEdit, StartBtn);
    setTabOrder(StartBtn, CancelBtn);
    setTabOrder(CancelBtn, SetActualTime);

    connect(StartBtn, &QPushButton::clicked, this, &QDialog::accept);
    connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);
    connect(FileSelectBtn, &QPushButton::clicked, this, [this] { FileSelectBtnClick(); });
    connect(SetActualTime, &QPushButton::clicked, this, [this] { SetActualTimeClick(); });

    // Like pickers made at start: both ends at the current time.
    SetStartTime(Now());
    SetEndTime(Now());
}

void TExportDlg::FormActivate(const TProject* project)
{
    Selection.Refill(FieldListSelComboBox, project);
}

void TExportDlg::FileSelectBtnClick()
{
    const std::string chosen =
        ChooseSaveFile(FileDialogTitle, FileDialogFilter, ExportFormatExtension(DefaultExportFormat));
    if (!chosen.empty())
        SetFileName(chosen);
}

void TExportDlg::SetActualTimeClick() { SetEndTime(Now()); }

int TExportDlg::SelectedIndex() const { return FieldListSelComboBox->currentIndex(); }

std::string TExportDlg::FileName() const { return FileLabeledEdit->text().toStdString(); }

void TExportDlg::SetFileName(const std::string& fileName) { FileLabeledEdit->setText(QString::fromStdString(fileName)); }

TDateTime TExportDlg::StartTime() const { return PickedDateTime(StartDatePicker, StartTimePicker); }

TDateTime TExportDlg::EndTime() const { return PickedDateTime(FinalDatePicker, FinalTimePicker); }

void TExportDlg::SetStartTime(TDateTime time) { SetPickedDateTime(StartDatePicker, StartTimePicker, time); }

void TExportDlg::SetEndTime(TDateTime time) { SetPickedDateTime(FinalDatePicker, FinalTimePicker, time); }

QString TExportDlg::IncrementText() const { return IncrementEditText(TimeIncrementMaskEdit); }

void TExportDlg::SetIncrementText(const QString& text) { TimeIncrementMaskEdit->setText(text); }

void TExportDlg::LoadFromStates(const TControlStates& states)
{
    LoadRangeStates(states, StartDatePicker, StartTimePicker, FinalDatePicker, FinalTimePicker);
    Selection.StoredIndex = states.Integer("FieldListSelComboBox", Selection.StoredIndex);
    if (states.HasValue("TimeIncrementMaskEdit"))
        SetIncrementText(QString::fromStdString(states.Text("TimeIncrementMaskEdit")));
}

void TExportDlg::SaveToStates(TControlStates& states, const TProject* project)
{
    Selection.Remember(FieldListSelComboBox, project);
    SaveRangeStates(states, StartTime(), EndTime());
    states.SetInteger("FieldListSelComboBox", SelectedIndex());
    states.SetText("TimeIncrementMaskEdit", IncrementText().toStdString());
}

}  // namespace dedezuviv::gui
