// The main window's device commands: automatic detection of the connected controller (with a check of
// its clock) and the port settings dialog.
#pragma once

#include <string>

class QObject;
class TMainPrgForm;
class TSerialPortConfigDlg;

// "Angeschlossenes Gerät automatisch erkennen". Asks first only when Sender is a menu entry.
void AutodetectDevices1Click(TMainPrgForm& window, QObject* sender);
// "Schnittstelle einstellen".
void SerialPortConfiguration1Click(TMainPrgForm& window);
// The window's one port settings dialog, made at first use; it keeps its list between openings.
TSerialPortConfigDlg& SerialPortConfigDlg(TMainPrgForm& window);
// Connects the two entries of the menu "Einstellungen".
void InstallDeviceCommands(TMainPrgForm& window);
