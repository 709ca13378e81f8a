// The dialog "Autostart-Eintrag anlegen": with which arguments the program starts at login, and for
// whom (the current user, every user, or as the user's systemd service on a box without a desktop).
#pragma once

#include "app/core/Autostart.h"
#include "app/gui/Namespace.h"

#include <QDialog>

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;

namespace dedezuviv::gui {

class TAutoStartDlg : public QDialog {
    Q_OBJECT
public:
    explicit TAutoStartDlg(QWidget* parent = nullptr);

    // Before each showing: exactly the three choices with the first chosen, both check boxes off.
    void Prepare();
    // The index of the choice whose text the list shows, -1 when the text was typed over.
    int ChosenIndex() const;
    TAutostartScope ChosenScope() const;

    QLabel* ExplanationLabel = nullptr;
    QLabel* ParameterLabel = nullptr;
    QComboBox* ParameterComboBox = nullptr;
    QLabel* AllUsersLabel = nullptr;
    QCheckBox* AllUsersCB = nullptr;
    QLabel* SystemdLabel = nullptr;
    QCheckBox* SystemdServiceCB = nullptr;
    QPushButton* OKBtn = nullptr;
    QPushButton* CancelBtn = nullptr;

private:
    // Makes the choice list wide enough for its longest text.
    void FitChoices();
};

}  // namespace dedezuviv::gui
