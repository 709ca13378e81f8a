// The main window's device commands: automatic detection of the connected controller (with a check of
// its clock) and the port settings dialog.
#pragma once

#include "app/gui/Namespace.h"

#include <string>

namespace dedezuviv::gui {

class ICommandHost;
class TSerialPortConfigDlg;

// "Angeschlossenes Gerät automatisch erkennen". Asks first only when started from the menu entry;
// the logging start, which has asked already, searches at once.
void AutodetectDevices1Click(ICommandHost& host, bool fromMenu);
// "Schnittstelle einstellen".
void SerialPortConfiguration1Click(ICommandHost& host);
// The window's one port settings dialog, made at first use; it keeps its list between openings.
TSerialPortConfigDlg& SerialPortConfigDlg(ICommandHost& host);
// Declares the two entries of the menu "Einstellungen" and gives the window the search for the
// logging start.
void InstallDeviceCommands(ICommandHost& host);

}  // namespace dedezuviv::gui
