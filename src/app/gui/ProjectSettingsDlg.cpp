#include "app/gui/ProjectSettingsDlg.h"

#include "app/core/FileChooser.h"
#include "app/core/ProjectSettings.h"
#include "app/gui/MqttSettingsPage.h"
#include "app/gui/QtText.h"
#include "model/Project.h"
#include "app/gui/Namespace.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QTabWidget>
#include <QVBoxLayout>

namespace dedezuviv::gui {

namespace {

// An edit with its caption above it, as one block of the dialog.
QLineEdit* AddLabeledEdit(QVBoxLayout* layout, QWidget* parent, const QString& caption)
{
    auto* label = new QLabel(caption, parent);
    auto* edit = new QLineEdit(parent);
    label->setBuddy(edit);
    layout->addWidget(label);
    layout->addWidget(edit);
    return edit;
}

}  // namespace

TProjectGeneralDlg::TProjectGeneralDlg(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Projekteinstellungen"));
    setModal(true);
    auto* outer = new QVBoxLayout(this);
    Pages = new QTabWidget(this);
    outer->addWidget(Pages);
    auto* general = new QWidget(Pages);
    auto* layout = new QVBoxLayout(general);
    Pages->addTab(general, QStringLiteral("Allgemein"));
    MqttPage = new TMqttSettingsPage(Pages);
    Pages->addTab(MqttPage, QStringLiteral("MQTT"));

    NameLabeledEdit = AddLabeledEdit(layout, this, QStringLiteral("Projektname (nicht Dateiname):"));
    CommentLabeledEdit = AddLabeledEdit(layout, this, QStringLiteral("Beschreibung/Kommentar:"));

    auto* pathLabel = new QLabel(QStringLiteral("Projektverzeichnis:"), this);
    PathLabeledEdit = new QLineEdit(this);
    pathLabel->setBuddy(PathLabeledEdit);
    SelectPathButton = new QPushButton(QStringLiteral("Wählen ..."), this);
    auto* pathRow = new QHBoxLayout;
    pathRow->addWidget(PathLabeledEdit, 1);
    pathRow->addWidget(SelectPathButton);
    layout->addWidget(pathLabel);
    layout->addLayout(pathRow);
    SpecificProjectPath = new QCheckBox(QStringLiteral("Projektverzeichnis explizit angeben"), this);
    layout->addWidget(SpecificProjectPath);
    PathNoteLabel = new QLabel(this);
    PathNoteLabel->setWordWrap(true);
    PathNoteLabel->setStyleSheet(QStringLiteral("color: #a00000;"));
    layout->addWidget(PathNoteLabel);

    IntervalMaskEdit =
        AddLabeledEdit(layout, this, QStringLiteral("Zeitintervall zwischen gespeicherten Werten (Sekunden):"));
    // Digits only: a minus sign, a point or a letter is not taken (typed or pasted).
    IntervalMaskEdit->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), IntervalMaskEdit));
    ShowTableGridCB = new QCheckBox(QStringLiteral("Zeige Gitter in Tabellendarstellung"), this);
    layout->addWidget(ShowTableGridCB);

    OKBtn = new QPushButton(QStringLiteral("OK"), this);
    OKBtn->setDefault(true);
    CancelBtn = new QPushButton(QStringLiteral("Abbrechen"), this);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(OKBtn);
    buttons->addWidget(CancelBtn);
    layout->addStretch(1);
    outer->addLayout(buttons);

    setTabOrder(NameLabeledEdit, CommentLabeledEdit);
    setTabOrder(CommentLabeledEdit, PathLabeledEdit);
    setTabOrder(PathLabeledEdit, SelectPathButton);
    setTabOrder(SelectPathButton, SpecificProjectPath);
    setTabOrder(SpecificProjectPath, IntervalMaskEdit);
    setTabOrder(IntervalMaskEdit, ShowTableGridCB);
    setTabOrder(ShowTableGridCB, OKBtn);
    setTabOrder(OKBtn, CancelBtn);

    connect(OKBtn, &QPushButton::clicked, this, [this] { OKBtnClick(); });
    connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);
    connect(SpecificProjectPath, &QCheckBox::clicked, this, [this] { SpecificProjectPathClick(); });
    connect(SelectPathButton, &QPushButton::clicked, this, [this] { SelectPathButtonClick(); });
    connect(PathLabeledEdit, &QLineEdit::textChanged, this, [this] { UpdatePathNote(); });
    resize(460, sizeHint().height());
}

void TProjectGeneralDlg::showEvent(QShowEvent* event)
{
    LoadDlgData();
    QDialog::showEvent(event);
}

void TProjectGeneralDlg::LoadDlgData()
{
    MqttPage->LoadSettings();
    if (EditedProject == nullptr)
        return;
    const TProjectSettingsForm form = ProjectSettingsForm(*EditedProject);
    CommentLabeledEdit->setText(Q(form.Comment));
    NameLabeledEdit->setText(Q(form.Name));
    SpecificProjectPath->setChecked(form.SpecificPath);
    PathLabeledEdit->setText(Q(form.Path));
    IntervalMaskEdit->setText(Q(form.Interval));
    ShowTableGridCB->setChecked(form.ShowTableGrid);
    // Long texts open at their beginning, not scrolled to their end.
    for (QLineEdit* edit : {CommentLabeledEdit, NameLabeledEdit, PathLabeledEdit})
        edit->setCursorPosition(0);
    SpecificProjectPathClick();
}

void TProjectGeneralDlg::SpecificProjectPathClick()
{
    const bool specific = SpecificProjectPath->isChecked();
    PathLabeledEdit->setEnabled(specific);
    SelectPathButton->setEnabled(specific);
    UpdatePathNote();
}

void TProjectGeneralDlg::UpdatePathNote()
{
    TProjectSettingsForm form;
    form.SpecificPath = SpecificProjectPath->isChecked();
    form.Path = PathLabeledEdit->text().toStdString();
    const std::string note = ProjectPathNote(form);
    PathNoteLabel->setText(Q(note));
    PathNoteLabel->setVisible(!note.empty());
}

void TProjectGeneralDlg::SelectPathButtonClick()
{
    const std::string chosen = ChooseFolder("Verzeichnisauswahl", PathLabeledEdit->text().toStdString());
    if (!chosen.empty())
        PathLabeledEdit->setText(Q(chosen));
}

void TProjectGeneralDlg::OKBtnClick()
{
    if (!MqttPage->ApplyEditedSettings()) {
        Pages->setCurrentWidget(MqttPage);
        return;
    }
    if (EditedProject != nullptr) {
        TProjectSettingsForm form;
        form.Name = NameLabeledEdit->text().toStdString();
        form.Comment = CommentLabeledEdit->text().toStdString();
        form.Path = PathLabeledEdit->text().toStdString();
        form.SpecificPath = SpecificProjectPath->isChecked();
        form.Interval = IntervalMaskEdit->text().toStdString();
        form.ShowTableGrid = ShowTableGridCB->isChecked();
        ApplyProjectSettingsForm(form, *EditedProject);
    }
    accept();
}

}  // namespace dedezuviv::gui
