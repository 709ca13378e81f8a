#include "app/gui/SerialPortConfigDlg.h"

#include "device/CommPortList.h"
#include "app/gui/Namespace.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>

namespace dedezuviv::gui {

TSerialPortConfigDlg::TSerialPortConfigDlg(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Serielle Schnittstelle"));
    // A small tool window with a title and a close button only.
    setWindowFlags(Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setModal(true);

    InfoLabel = new QLabel(QStringLiteral("Auswahl der angeschlossenen PC-Schnittstelle"), this);
    PortLabel = new QLabel(QStringLiteral(" COM-Port"), this);
    CBPort = new QComboBox(this);
    CBPort->setEditable(true);
    // The list holds the names found on the machine; a typed name is taken as it stands.
    CBPort->setInsertPolicy(QComboBox::NoInsert);
    CBPort->setMinimumContentsLength(24);
    CBPort->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    PortLabel->setBuddy(CBPort);
    // A stable name (/dev/serial/by-id/...) says little about which ttyUSB it is now: shown beside it.
    KernelNameLabel = new QLabel(this);
    connect(CBPort, &QComboBox::currentTextChanged, this, [this](const QString& text) {
        const std::string kernel = KernelPortName(text.trimmed().toStdString());
        KernelNameLabel->setText(kernel.empty() ? QString() : QStringLiteral("(%1)").arg(QString::fromStdString(kernel)));
    });

    OKButton = new QPushButton(QStringLiteral("OK"), this);
    OKButton->setDefault(true);
    CancelButton = new QPushButton(QStringLiteral("Abbruch"), this);
    connect(OKButton, &QPushButton::clicked, this, &QDialog::accept);
    connect(CancelButton, &QPushButton::clicked, this, &QDialog::reject);

    auto* portRow = new QHBoxLayout;
    portRow->addWidget(PortLabel);
    portRow->addWidget(CBPort, 1);
    portRow->addWidget(KernelNameLabel);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(OKButton);
    buttons->addWidget(CancelButton);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(InfoLabel);
    layout->addLayout(portRow);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

std::vector<std::string> TSerialPortConfigDlg::PortNames() const
{
    std::vector<std::string> names;
    for (int i = 0; i < CBPort->count(); ++i)
        names.push_back(CBPort->itemText(i).toStdString());
    return names;
}

void TSerialPortConfigDlg::AddPortNames(const std::vector<std::string>& found)
{
    std::vector<std::string> names = PortNames();
    for (const std::string& name : found)
        if (!name.empty() && std::find(names.begin(), names.end(), name) == names.end())
            names.push_back(name);
    std::sort(names.begin(), names.end(), SerialPortNameLess);
    const QString edited = CBPort->currentText();
    CBPort->clear();
    for (const std::string& name : names) {
        CBPort->addItem(QString::fromStdString(name));
        const std::string kernel = KernelPortName(name);
        if (!kernel.empty())
            CBPort->setItemData(CBPort->count() - 1, QString::fromStdString(kernel), Qt::ToolTipRole);
    }
    CBPort->setEditText(edited);
}

void TSerialPortConfigDlg::SelectPort(const std::string& name)
{
    int index = CBPort->findText(QString::fromStdString(name), Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (index < 0 && CBPort->count() > 0)
        index = 0;
    CBPort->setCurrentIndex(index);
    if (index < 0)
        CBPort->setEditText(QString());
}

std::string TSerialPortConfigDlg::SelectedPort() const { return CBPort->currentText().trimmed().toStdString(); }

}  // namespace dedezuviv::gui
