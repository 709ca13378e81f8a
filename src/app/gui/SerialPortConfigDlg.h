// The port settings dialog "Serielle Schnittstelle": an editable list of the machine's port names.
#pragma once

#include "app/gui/Namespace.h"

#include <QDialog>

#include <string>
#include <vector>

class QComboBox;
class QLabel;
class QPushButton;

namespace dedezuviv::gui {

class TSerialPortConfigDlg : public QDialog {
    Q_OBJECT
public:
    explicit TSerialPortConfigDlg(QWidget* parent = nullptr);

    // Adds the names the list does not hold yet (names of earlier openings stay) and sorts the list,
    // digit runs by value ("/dev/ttyS2" before "/dev/ttyS10").
    void AddPortNames(const std::vector<std::string>& names);
    std::vector<std::string> PortNames() const;
    // Selects the name if the list holds it, else the first entry (nothing in an empty list).
    void SelectPort(const std::string& name);
    // The entered or selected name without surrounding blanks; empty when none.
    std::string SelectedPort() const;

    QLabel* InfoLabel = nullptr;
    QLabel* PortLabel = nullptr;
    QLabel* KernelNameLabel = nullptr;  // the device a stable port name leads to
    QComboBox* CBPort = nullptr;
    QPushButton* OKButton = nullptr;
    QPushButton* CancelButton = nullptr;
};

}  // namespace dedezuviv::gui
