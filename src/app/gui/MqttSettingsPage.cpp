#include "app/gui/MqttSettingsPage.h"

#include "app/core/AppSettings.h"
#include "app/core/FileChooser.h"
#include "app/core/MqttPublisher.h"
#include "app/gui/QtText.h"
#include "model/UiInterfaces.h"
#include "app/gui/Namespace.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace dedezuviv::gui {

namespace {

std::string S(const QLineEdit* edit) { return edit->text().trimmed().toStdString(); }

}  // namespace

TMqttSettingsPage::TMqttSettingsPage(QWidget* parent) : QWidget(parent)
{
    auto* layout = new QVBoxLayout(this);
    auto* grid = new QGridLayout;
    grid->setColumnStretch(1, 1);
    layout->addLayout(grid);
    int row = 0;
    const auto addRow = [&](const QString& caption, QLineEdit*& edit, QPushButton** button) {
        auto* label = new QLabel(caption, this);
        edit = new QLineEdit(this);
        // Room for a host with port, a path or the longest placeholder.
        edit->setMinimumWidth(edit->fontMetrics().horizontalAdvance(QStringLiteral("leer = dedezuviv/<Projektname>")) + 24);
        label->setBuddy(edit);
        grid->addWidget(label, row, 0);
        grid->addWidget(edit, row, 1);
        if (button) {
            *button = new QPushButton(QStringLiteral("Wählen ..."), this);
            grid->addWidget(*button, row, 2);
        }
        ++row;
    };
    addRow(QStringLiteral("MQTT-Broker (Rechner[:Port]):"), BrokerEdit, nullptr);
    BrokerEdit->setPlaceholderText(QStringLiteral("leer = kein MQTT"));
    addRow(QStringLiteral("Themenpräfix:"), TopicEdit, nullptr);
    TopicEdit->setPlaceholderText(QStringLiteral("leer = dedezuviv/<Rechner>-<Projektname>-<Kennung>"));
    addRow(QStringLiteral("Benutzer:"), UserEdit, nullptr);
    addRow(QStringLiteral("Passwortdatei:"), PasswordFileEdit, &PasswordFileButton);
    addRow(QStringLiteral("CA-Datei (TLS):"), CAFileEdit, &CAFileButton);
    CAFileEdit->setPlaceholderText(QStringLiteral("leer = ohne TLS"));
    addRow(QStringLiteral("Discovery-Präfix:"), DiscoveryPrefixEdit, nullptr);
    DiscoveryPrefixEdit->setPlaceholderText(QString::fromUtf8(MqttDefaultDiscoveryPrefix));
    addRow(QStringLiteral("Bereich in Home Assistant:"), AreaEdit, nullptr);

    DiscoveryCB = new QCheckBox(QStringLiteral("Home-Assistant-Erkennung (Discovery) senden"), this);
    FieldTopicsCB = new QCheckBox(QStringLiteral("Zusätzlich ein Thema je Feld"), this);
    layout->addWidget(DiscoveryCB);
    layout->addWidget(FieldTopicsCB);
    auto* note = new QLabel(QStringLiteral("Das Passwort steht nie in der Einstellungsdatei: es kommt aus der "
                                           "Umgebungsvariablen DEDEZUVIV_MQTT_PASSWORD oder aus der Passwortdatei."),
                            this);
    note->setWordWrap(true);
    layout->addWidget(note);
    StateLabel = new QLabel(this);
    layout->addWidget(StateLabel);
    layout->addStretch(1);

    connect(PasswordFileButton, &QPushButton::clicked, this, [this] {
        const std::string chosen = ChooseOpenFile("Passwortdatei", "Alle Dateien (*)");
        if (!chosen.empty())
            PasswordFileEdit->setText(Q(chosen));
    });
    connect(CAFileButton, &QPushButton::clicked, this, [this] {
        const std::string chosen = ChooseOpenFile("CA-Datei", "Zertifikate (*.crt *.pem);;Alle Dateien (*)");
        if (!chosen.empty())
            CAFileEdit->setText(Q(chosen));
    });
}

void TMqttSettingsPage::LoadSettings()
{
    Loaded = ReadMqttSettings(AppSettingsPath());
    BrokerEdit->setText(Q(Loaded.Broker));
    TopicEdit->setText(Q(Loaded.TopicPrefix));
    UserEdit->setText(Q(Loaded.User));
    PasswordFileEdit->setText(Q(Loaded.PasswordFile));
    CAFileEdit->setText(Q(Loaded.CAFile));
    DiscoveryCB->setChecked(Loaded.Discovery);
    DiscoveryPrefixEdit->setText(Q(Loaded.DiscoveryPrefix));
    AreaEdit->setText(Q(Loaded.Area));
    FieldTopicsCB->setChecked(Loaded.FieldTopics);
    const TMqttPublisher& publisher = MainMqttPublisher();
    StateLabel->setText(!publisher.Running()    ? QStringLiteral("Zustand: aus")
                        : publisher.Connected() ? QStringLiteral("Zustand: mit dem Broker verbunden")
                                                : QStringLiteral("Zustand: nicht verbunden, neuer Versuch läuft"));
}

TMqttSettings TMqttSettingsPage::EditedSettings() const
{
    TMqttSettings settings;
    settings.Broker = S(BrokerEdit);
    settings.TopicPrefix = S(TopicEdit);
    settings.User = S(UserEdit);
    settings.PasswordFile = S(PasswordFileEdit);
    settings.CAFile = S(CAFileEdit);
    settings.Discovery = DiscoveryCB->isChecked();
    settings.DiscoveryPrefix = S(DiscoveryPrefixEdit);
    settings.Area = S(AreaEdit);
    settings.FieldTopics = FieldTopicsCB->isChecked();
    return settings;
}

bool TMqttSettingsPage::ApplyEditedSettings()
{
    const TMqttSettings edited = EditedSettings();
    if (edited == Loaded)
        return true;
    std::string error;
    if (!ApplyMqttSettings(edited, AppSettingsPath(), error)) {
        ShowError(error);
        return false;
    }
    Loaded = edited;
    return true;
}

}  // namespace dedezuviv::gui
