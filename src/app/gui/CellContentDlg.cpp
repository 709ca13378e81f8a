#include "app/gui/CellContentDlg.h"

#include "app/gui/FloatEdit.h"
#include "app/gui/StandardFont.h"
#include "model/LiveState.h"
#include "model/Project.h"
#include "app/gui/Namespace.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace dedezuviv::gui {

namespace {

const QString NoFieldEntry = QStringLiteral("kein Feld");

// The platform's colour dialog; a cancelled dialog keeps the colour.
bool PickWithColorDialog(TCellColor& color, QWidget* parent)
{
    const QColor chosen = QColorDialog::getColor(ColorFromValue(color), parent);
    if (!chosen.isValid())
        return false;
    color = static_cast<TCellColor>(chosen.red() | (chosen.green() << 8) | (chosen.blue() << 16));
    return true;
}

void ShowCaptionInColor(QPushButton* button, TCellColor color)
{
    QPalette palette = button->palette();
    palette.setColor(QPalette::ButtonText, ColorFromValue(color));
    button->setPalette(palette);
}

}  // namespace

TCellContentDlg::TCellContentDlg(QWidget* parent) : QDialog(parent), PickColor(PickWithColorDialog)
{
    setWindowTitle(QStringLiteral("Auswahl des angezeigten Feldinhalts"));
    setModal(true);

    auto* fieldLabel = new QLabel(QStringLiteral("Feld:"), this);
    DataFieldBox = new QComboBox(this);
    DataFieldBox->setEditable(true);
    // A typed name that is no entry selects nothing; it is never added to the list.
    DataFieldBox->setInsertPolicy(QComboBox::NoInsert);
    DataFieldBox->setMinimumContentsLength(28);
    fieldLabel->setBuddy(DataFieldBox);

    DontUseFieldnameAsCaptionBox = new QCheckBox(QStringLiteral("Nicht Feldnamen als Beschriftung verwenden"), this);
    TextLabel = new QLabel(QStringLiteral("Beschriftung:"), this);
    TextEdit = new QLineEdit(this);
    TextLabel->setBuddy(TextEdit);
    DontUseDefaultUnitBox = new QCheckBox(QStringLiteral("Hinter Wert nicht Standard-Einheit anzeigen"), this);
    UnitLabel = new QLabel(QStringLiteral("Text nach Wert (statt Einheit):"), this);
    UnitEdit = new QLineEdit(this);
    UnitLabel->setBuddy(UnitEdit);

    BoldFontBox = new QCheckBox(QStringLiteral("Fette Schrift"), this);
    ItalicFontBox = new QCheckBox(QStringLiteral("Kursive Schrift"), this);
    FontColorBtn = new QPushButton(QStringLiteral("Farbe"), this);

    ActivateMinCB = new QCheckBox(QStringLiteral("Minimalwert-Überprüfung aktivieren:"), this);
    MinValLabel = new QLabel(QStringLiteral("Minimalwert:"), this);
    MinValEdit = new TFloatEdit(this);
    MinValLabel->setBuddy(MinValEdit);
    MinFontColorBtn = new QPushButton(QStringLiteral("Farbe bei Unterschreitung"), this);
    ActivateMaxCB = new QCheckBox(QStringLiteral("Maximalwert-Überprüfung aktivieren"), this);
    MaxValLabel = new QLabel(QStringLiteral("Maximalwert:"), this);
    MaxValEdit = new TFloatEdit(this);
    MaxValLabel->setBuddy(MaxValEdit);
    MaxFontColorBtn = new QPushButton(QStringLiteral("Farbe bei Überschreitung"), this);

    OKBtn = new QPushButton(QStringLiteral("OK"), this);
    OKBtn->setDefault(true);
    // "&&" shows as one ampersand.
    DeleteBtn = new QPushButton(QStringLiteral("Löschen && OK"), this);
    CancelBtn = new QPushButton(QStringLiteral("Abbrechen"), this);

    connect(OKBtn, &QPushButton::clicked, this, &QDialog::accept);
    connect(DeleteBtn, &QPushButton::clicked, this, [this] { done(DeleteResult); });
    connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);
    for (QCheckBox* box : {DontUseFieldnameAsCaptionBox, DontUseDefaultUnitBox, ActivateMinCB, ActivateMaxCB})
        connect(box, &QCheckBox::clicked, this, [this] { UpdateEnabledStates(); });
    connect(FontColorBtn, &QPushButton::clicked, this, [this] { ChooseColor(FontColor); });
    connect(MinFontColorBtn, &QPushButton::clicked, this, [this] { ChooseColor(MinFontColor); });
    connect(MaxFontColorBtn, &QPushButton::clicked, this, [this] { ChooseColor(MaxFontColor); });

    auto* grid = new QGridLayout;
    int row = 0;
    grid->addWidget(fieldLabel, row, 0);
    grid->addWidget(DataFieldBox, row++, 1, 1, 2);
    grid->addWidget(DontUseFieldnameAsCaptionBox, row++, 0, 1, 3);
    grid->addWidget(TextLabel, row, 0);
    grid->addWidget(TextEdit, row++, 1, 1, 2);
    grid->addWidget(DontUseDefaultUnitBox, row++, 0, 1, 3);
    grid->addWidget(UnitLabel, row, 0);
    grid->addWidget(UnitEdit, row++, 1, 1, 2);
    grid->addWidget(BoldFontBox, row, 0);
    grid->addWidget(ItalicFontBox, row, 1);
    grid->addWidget(FontColorBtn, row++, 2);
    grid->addWidget(ActivateMinCB, row++, 0, 1, 3);
    grid->addWidget(MinValLabel, row, 0);
    grid->addWidget(MinValEdit, row, 1);
    grid->addWidget(MinFontColorBtn, row++, 2);
    grid->addWidget(ActivateMaxCB, row++, 0, 1, 3);
    grid->addWidget(MaxValLabel, row, 0);
    grid->addWidget(MaxValEdit, row, 1);
    grid->addWidget(MaxFontColorBtn, row++, 2);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(OKBtn);
    buttons->addWidget(DeleteBtn);
    buttons->addWidget(CancelBtn);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

void TCellContentDlg::LoadData(const TDataField& cell)
{
    DataFieldBox->clear();
    DataFieldBox->addItem(NoFieldEntry);
    for (const std::string& name : GetAllFieldNames(CurrentProject(), true, true))
        DataFieldBox->addItem(QString::fromStdString(name));

    FontColor = cell.FontColor;
    MinFontColor = cell.MinFontColor;
    MaxFontColor = cell.MaxFontColor;
    TextEdit->setText(QString::fromStdString(cell.CaptionStr));
    UnitEdit->setText(QString::fromStdString(cell.UnitStr));
    MinValEdit->SetValue(cell.MinVal);
    MaxValEdit->SetValue(cell.MaxVal);

    DontUseFieldnameAsCaptionBox->setChecked(!cell.UseFieldnameAsCaption);
    DontUseDefaultUnitBox->setChecked(!cell.UseDefaultUnit);
    BoldFontBox->setChecked(cell.BoldFont);
    ItalicFontBox->setChecked(cell.ItalicFont);
    ActivateMinCB->setChecked(cell.ActivateMin);
    ActivateMaxCB->setChecked(cell.ActivateMax);

    const int index = DataFieldBox->findText(QString::fromStdString(cell.Fieldname),
                                             Qt::MatchExactly | Qt::MatchCaseSensitive);
    DataFieldBox->setCurrentIndex(index > 0 ? index : 0);

    UpdateEnabledStates();
    UpdateFontColorBtns();
}

void TCellContentDlg::SaveData(TDataField& cell)
{
    cell.MinFontColor = MinFontColor;
    cell.MaxFontColor = MaxFontColor;
    cell.FontColor = FontColor;
    cell.ActivateMin = ActivateMinCB->isChecked();
    cell.ActivateMax = ActivateMaxCB->isChecked();
    cell.BoldFont = BoldFontBox->isChecked();
    cell.ItalicFont = ItalicFontBox->isChecked();
    cell.MinVal = MinValEdit->GetValue();
    cell.MaxVal = MaxValEdit->GetValue();
    // The typed text decides: an entry of the list, "kein Feld" for none, anything else no change.
    const int index = DataFieldBox->findText(DataFieldBox->currentText(), Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (index == 0)
        cell.Fieldname.clear();
    else if (index > 0)
        cell.Fieldname = DataFieldBox->itemText(index).toStdString();
    cell.CaptionStr = TextEdit->text().toStdString();
    cell.UnitStr = UnitEdit->text().toStdString();
    cell.UseFieldnameAsCaption = !DontUseFieldnameAsCaptionBox->isChecked();
    cell.UseDefaultUnit = !DontUseDefaultUnitBox->isChecked();
}

void TCellContentDlg::UpdateEnabledStates()
{
    const bool caption = DontUseFieldnameAsCaptionBox->isChecked();
    TextLabel->setEnabled(caption);
    TextEdit->setEnabled(caption);
    const bool unit = DontUseDefaultUnitBox->isChecked();
    UnitLabel->setEnabled(unit);
    UnitEdit->setEnabled(unit);
    const bool min = ActivateMinCB->isChecked();
    MinValLabel->setEnabled(min);
    MinValEdit->setEnabled(min);
    MinFontColorBtn->setEnabled(min);
    const bool max = ActivateMaxCB->isChecked();
    MaxValLabel->setEnabled(max);
    MaxValEdit->setEnabled(max);
    MaxFontColorBtn->setEnabled(max);
}

void TCellContentDlg::UpdateFontColorBtns()
{
    ShowCaptionInColor(FontColorBtn, FontColor);
    ShowCaptionInColor(MinFontColorBtn, MinFontColor);
    ShowCaptionInColor(MaxFontColorBtn, MaxFontColor);
}

void TCellContentDlg::ChooseColor(TCellColor& color)
{
    TCellColor chosen = color;
    if (PickColor && PickColor(chosen, this))
        color = chosen;
    UpdateFontColorBtns();
}

}  // namespace dedezuviv::gui
