// The page "MQTT" of the project settings dialog: the broker the live values are published to. Its
// settings belong to the program (the settings file's [MQTT] section), not to the project; OK stores
// them and restarts the publisher. The password is never shown or stored here: it comes from the
// environment variable DEDEZUVIV_MQTT_PASSWORD or from the password file named on the page.
#pragma once

#include "app/core/MqttSettings.h"
#include "app/gui/Namespace.h"

#include <QWidget>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace dedezuviv::gui {

class TMqttSettingsPage : public QWidget {
    Q_OBJECT
public:
    explicit TMqttSettingsPage(QWidget* parent = nullptr);

    // The controls from the settings file, and the connection state.
    void LoadSettings();
    // The settings as the controls hold them.
    TMqttSettings EditedSettings() const;
    // Stores and applies the edited settings when they changed; false (with a message) when they
    // cannot be used or stored, and the dialog stays open then.
    bool ApplyEditedSettings();

    QLineEdit* BrokerEdit = nullptr;
    QLineEdit* TopicEdit = nullptr;
    QLineEdit* UserEdit = nullptr;
    QLineEdit* PasswordFileEdit = nullptr;
    QPushButton* PasswordFileButton = nullptr;
    QLineEdit* CAFileEdit = nullptr;
    QPushButton* CAFileButton = nullptr;
    QCheckBox* DiscoveryCB = nullptr;
    QLineEdit* DiscoveryPrefixEdit = nullptr;
    QLineEdit* AreaEdit = nullptr;
    QCheckBox* FieldTopicsCB = nullptr;
    QLabel* StateLabel = nullptr;

private:
    TMqttSettings Loaded;
};

}  // namespace dedezuviv::gui
