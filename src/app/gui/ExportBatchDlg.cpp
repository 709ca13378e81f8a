#include "app/gui/ExportBatchDlg.h"

#include "app/core/FileChooser.h"
#include "base/Clock.h"
#include "export/ExportBatch.h"
#include "export/ExportFormats.h"
#include "export/ExportTypes.h"
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

const char* const TExportBatchDlg::FolderDialogTitle = "Verzeichnisauswahl";

TExportBatchDlg::TExportBatchDlg(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Exportieren"));
    auto* layout = new QVBoxLayout(this);
    auto* grid = new QGridLayout;
    int row = 0;
    auto labelled = [&](const char* caption, QWidget* control) {
        auto* label = new QLabel(QString::fromUtf8(caption), this);
        label->setBuddy(control);
        grid->addWidget(label, row, 0);
        grid->addWidget(control, row, 1, 1, 3);
        ++row;
    };

    ExportSelComboBox = new QComboBox(this);
    labelled("Feldselektion für Export:", ExportSelComboBox);
    TypeSelListBox = new QComboBox(this);
    labelled("Auswertungszeitraum:", TypeSelListBox);
    FilenameLabeledEdt = new QLineEdit(this);
    labelled("Dateinamen-Maske:", FilenameLabeledEdt);
    ExportInCustomPathCB = new QCheckBox(QStringLiteral("ausserhalb des Projekts speichern"), this);
    grid->addWidget(ExportInCustomPathCB, row++, 1, 1, 3);
    auto* folderLabel = new QLabel(QStringLiteral("Verzeichnis für erstellte Dateien:"), this);
    ExportPathLabeledEdit = new QLineEdit(this);
    ExportPathLabeledEdit->setMinimumWidth(280);
    folderLabel->setBuddy(ExportPathLabeledEdit);
    FileSelectBtn = new QPushButton(QStringLiteral("Wählen"), this);
    grid->addWidget(folderLabel, row, 0);
    grid->addWidget(ExportPathLabeledEdit, row, 1, 1, 2);
    grid->addWidget(FileSelectBtn, row, 3);
    ++row;
    FormatSelComboBox = new QComboBox(this);
    labelled("Dateiformat:", FormatSelComboBox);

    grid->addWidget(new QLabel(QStringLiteral("Startdatum- und -uhrzeit:"), this), row, 0);
    StartDatePicker = NewDatePicker(this);
    StartTimePicker = NewTimePicker(this);
    grid->addWidget(StartDatePicker, row, 1);
    grid->addWidget(StartTimePicker, row, 2);
    ++row;
    ActualTimeCB = new QCheckBox(QStringLiteral("jetzt"), this);
    grid->addWidget(ActualTimeCB, row++, 1, 1, 3);
    grid->addWidget(new QLabel(QStringLiteral("Enddatum und -uhrzeit:"), this), row, 0);
    FinalDatePicker = NewDatePicker(this);
    FinalTimePicker = NewTimePicker(this);
    grid->addWidget(FinalDatePicker, row, 1);
    grid->addWidget(FinalTimePicker, row, 2);
    ++row;
    layout->addLayout(grid);

    TimeIncrementMaskEdit = AddIncrementRow(layout, this, QStringLiteral("Zeit-Abstand zwischen Werten (minimal):"),
                                            QStringLiteral("(0: automatisch)"));

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    StartBtn = new QPushButton(QStringLiteral("Starten"), this);
    StartBtn->setDefault(true);
    CloseBtn = new QPushButton(QStringLiteral("Schliessen"), this);
    CancelBtn = new QPushButton(QStringLiteral("Abbrechen"), this);
    HelpBtn = new QPushButton(QStringLiteral("Hilfe"), this);
    HelpBtn->hide();
    buttons->addWidget(StartBtn);
    buttons->addWidget(CloseBtn);
    buttons->addWidget(CancelBtn);
    buttons->addWidget(HelpBtn);
    layout->addLayout(buttons);
    for (QPushButton* button : {FileSelectBtn, CloseBtn, CancelBtn, HelpBtn})
        button->setAutoDefault(false);

    // Both "Starten" and "Schliessen" close the dialog and start the batch export.
    connect(StartBtn, &QPushButton::clicked, this, &QDialog::accept);
    connect(CloseBtn, &QPushButton::clicked, this, &QDialog::accept);
    connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);
    connect(ActualTimeCB, &QCheckBox::clicked, this, [this] { ActualTimeCBClick(); });
    connect(ExportInCustomPathCB, &QCheckBox::clicked, this, [this] { ExportInCustomPathCBClick(); });
    connect(FileSelectBtn, &QPushButton::clicked, this, [this] { FileSelectBtnClick(); });

    // FormCreate; the format list is filled here once, not at the first activation, so that a project
    // loaded before the first opening keeps its format.
    FillTypes();
    for (const std::string& caption : BatchFormatCaptions())
        FormatSelComboBox->addItem(QString::fromStdString(caption));
    FormatSelComboBox->setCurrentIndex(BatchFormatIndex(DefaultExportFormat));
    SetStartTime(Now());
    SetEndTime(Now());
    ExportInCustomPathCBClick();
    ActualTimeCBClick();
}

void TExportBatchDlg::FillTypes()
{
    TypeSelListBox->clear();
    for (const TExportType& type : ExportTypes())
        TypeSelListBox->addItem(QString::fromStdString(type.Name));
    TypeSelListBox->setCurrentIndex(TypeSelListBox->count() > 0 ? 0 : -1);
}

void TExportBatchDlg::FormActivate()
{
    if (FilenameLabeledEdt->text().isEmpty())
        FilenameLabeledEdt->setText(QString::fromUtf8(DefaultBatchMask));
    ActualTimeCBClick();
}

void TExportBatchDlg::FillSelections(const TProject* project) { Selection.Refill(ExportSelComboBox, project); }

void TExportBatchDlg::ActualTimeCBClick()
{
    const bool manual = !ActualTimeCB->isChecked();
    FinalDatePicker->setEnabled(manual);
    FinalTimePicker->setEnabled(manual);
}

void TExportBatchDlg::ExportInCustomPathCBClick()
{
    const bool custom = ExportInCustomPathCB->isChecked();
    ExportPathLabeledEdit->setEnabled(custom);
    FileSelectBtn->setEnabled(custom);
}

void TExportBatchDlg::FileSelectBtnClick()
{
    const std::string chosen = ChooseFolder(FolderDialogTitle, Folder());
    if (!chosen.empty())
        ExportPathLabeledEdit->setText(QString::fromStdString(chosen));
}

int TExportBatchDlg::SelectedIndex() const { return ExportSelComboBox->currentIndex(); }
int TExportBatchDlg::TypeIndex() const { return TypeSelListBox->currentIndex(); }
int TExportBatchDlg::FormatIndex() const { return FormatSelComboBox->currentIndex(); }
std::string TExportBatchDlg::Mask() const { return FilenameLabeledEdt->text().toStdString(); }
bool TExportBatchDlg::CustomFolder() const { return ExportInCustomPathCB->isChecked(); }
std::string TExportBatchDlg::Folder() const { return ExportPathLabeledEdit->text().toStdString(); }
bool TExportBatchDlg::EndIsNow() const { return ActualTimeCB->isChecked(); }
TDateTime TExportBatchDlg::StartTime() const { return PickedDateTime(StartDatePicker, StartTimePicker); }
TDateTime TExportBatchDlg::EndTime() const { return PickedDateTime(FinalDatePicker, FinalTimePicker); }
void TExportBatchDlg::SetStartTime(TDateTime time) { SetPickedDateTime(StartDatePicker, StartTimePicker, time); }
void TExportBatchDlg::SetEndTime(TDateTime time) { SetPickedDateTime(FinalDatePicker, FinalTimePicker, time); }
QString TExportBatchDlg::IncrementText() const { return IncrementEditText(TimeIncrementMaskEdit); }
void TExportBatchDlg::SetIncrementText(const QString& text) { TimeIncrementMaskEdit->setText(text); }

void TExportBatchDlg::LoadFromStates(const TControlStates& states)
{
    LoadRangeStates(states, StartDatePicker, StartTimePicker, FinalDatePicker, FinalTimePicker);
    if (states.HasValue("TimeIncrementMaskEdit"))
        SetIncrementText(QString::fromStdString(states.Text("TimeIncrementMaskEdit")));
    const int type = states.Integer("TypeSelListBox", TypeSelListBox->currentIndex());
    if (type >= -1 && type < TypeSelListBox->count())
        TypeSelListBox->setCurrentIndex(type);
    const int format = states.Integer("FormatSelComboBox", FormatSelComboBox->currentIndex());
    if (format >= -1 && format < FormatSelComboBox->count())
        FormatSelComboBox->setCurrentIndex(format);
    if (states.HasValue("ExportInCustomPathCB"))
        ExportInCustomPathCB->setChecked(states.Checked("ExportInCustomPathCB"));
    Selection.StoredIndex = states.Integer("ExportSelComboBox", Selection.StoredIndex);
    if (states.HasValue("ActualTimeCB"))
        ActualTimeCB->setChecked(states.Checked("ActualTimeCB"));
    ExportInCustomPathCBClick();
    ActualTimeCBClick();
}

void TExportBatchDlg::SaveToStates(TControlStates& states, const TProject* project)
{
    Selection.Remember(ExportSelComboBox, project);
    SaveRangeStates(states, StartTime(), EndTime());
    states.SetText("TimeIncrementMaskEdit", IncrementText().toStdString());
    states.SetInteger("TypeSelListBox", TypeIndex());
    states.SetInteger("FormatSelComboBox", FormatIndex());
    states.SetChecked("ExportInCustomPathCB", CustomFolder());
    states.SetInteger("ExportSelComboBox", SelectedIndex());
    states.SetChecked("ActualTimeCB", EndIsNow());
}

}  // namespace dedezuviv::gui
