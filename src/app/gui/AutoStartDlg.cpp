#include "app/gui/AutoStartDlg.h"

#include "app/core/AutostartEntry.h"
#include "app/gui/Namespace.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>

namespace dedezuviv::gui {

TAutoStartDlg::TAutoStartDlg(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Autostart-Eintrag anlegen"));
    setModal(true);

    ExplanationLabel = new QLabel(QStringLiteral("Es kann ein Autostart-Eintrag anegelt werden um die "
                                                 "Datenaufzeichnung nach jedem Rechnerneustart automatisch zu "
                                                 "beginnen."),
                                  this);
    ExplanationLabel->setWordWrap(true);
    ParameterLabel = new QLabel(QStringLiteral("Mit welchen Parametern soll das Programm gestartet werden?"), this);
    ParameterComboBox = new QComboBox(this);
    ParameterComboBox->setEditable(true);
    ParameterComboBox->setInsertPolicy(QComboBox::NoInsert);
    ParameterLabel->setBuddy(ParameterComboBox);
    AllUsersLabel = new QLabel(QStringLiteral("Soll der Eintrag für jeden Benutzer gelten?"), this);
    AllUsersCB = new QCheckBox(QStringLiteral("ja"), this);
    // For a logger without a desktop session: the user's service manager starts it without a window.
    SystemdLabel = new QLabel(QStringLiteral("Ohne Fenster als systemd-Benutzerdienst starten (für Rechner ohne "
                                             "Desktop-Sitzung)?"),
                              this);
    SystemdLabel->setWordWrap(true);
    SystemdServiceCB = new QCheckBox(QStringLiteral("ja"), this);
    connect(SystemdServiceCB, &QCheckBox::toggled, AllUsersCB, [this](bool on) { AllUsersCB->setEnabled(!on); });

    OKBtn = new QPushButton(QStringLiteral("OK"), this);
    OKBtn->setDefault(true);
    CancelBtn = new QPushButton(QStringLiteral("Abbrechen"), this);
    connect(OKBtn, &QPushButton::clicked, this, &QDialog::accept);
    connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(OKBtn);
    buttons->addWidget(CancelBtn);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(ExplanationLabel);
    layout->addSpacing(6);
    layout->addWidget(ParameterLabel);
    layout->addWidget(ParameterComboBox);
    layout->addSpacing(6);
    layout->addWidget(AllUsersLabel);
    layout->addWidget(AllUsersCB);
    layout->addSpacing(6);
    layout->addWidget(SystemdLabel);
    layout->addWidget(SystemdServiceCB);
    layout->addLayout(buttons);
    setMinimumWidth(480);
}

void TAutoStartDlg::FitChoices()
{
    // The longest choice with a margin before the drop-down arrow.
    int widest = 0;
    for (int i = 0; i < ParameterComboBox->count(); ++i)
        widest = std::max(widest, ParameterComboBox->fontMetrics().horizontalAdvance(ParameterComboBox->itemText(i)));
    ParameterComboBox->setMinimumWidth(widest + 2 * ParameterComboBox->fontMetrics().averageCharWidth() + 40);
}

void TAutoStartDlg::Prepare()
{
    AllUsersCB->setChecked(false);
    SystemdServiceCB->setChecked(false);
    ParameterComboBox->clear();
    for (const std::string& text : AutostartChoiceTexts())
        ParameterComboBox->addItem(QString::fromStdString(text));
    ParameterComboBox->setCurrentIndex(0);
    FitChoices();
}

int TAutoStartDlg::ChosenIndex() const
{
    return ParameterComboBox->findText(ParameterComboBox->currentText(), Qt::MatchExactly | Qt::MatchCaseSensitive);
}

TAutostartScope TAutoStartDlg::ChosenScope() const
{
    if (SystemdServiceCB->isChecked())
        return TAutostartScope::SystemdUser;
    return AllUsersCB->isChecked() ? TAutostartScope::AllUsers : TAutostartScope::CurrentUser;
}

}  // namespace dedezuviv::gui
