// "Angeschlossenes Gerät automatisch erkennen" without the window: the search for the controller, the
// check of its clock, the messages, and the port it was found on made the project's port.
#pragma once

#include "app/core/ActionHost.h"
#include "protocol/RecordDecoder.h"
#include "app/core/Namespace.h"

namespace dedezuviv::app {

// What the device search needs of the window beyond the common checks.
class IDeviceCommandsHost : public IActionHost {
public:
    // Brings the terminal page, where the search writes what it receives, to the front.
    virtual void ShowTerminalPage() = 0;
};

inline constexpr const char* DetectDeviceQuestion =
    "Automatische Erkennung angeschlossener Geräte jetzt starten (bitte Gerät anschliessen)? ";

// Needs a project and no running reception (or the user's consent to stop it); AskFirst (the menu
// entry) asks DetectDeviceQuestion before the search. The search asks for every port it finds; the
// port taken becomes the project's port, a changed port a change of the project. Nothing found is an
// error. A command while a search runs does nothing: the window stays responsive meanwhile, and a
// second search would listen on the ports the first one holds open.
void DetectDeviceCommand(IDeviceCommandsHost& host, bool askFirst);

// The check of the controller found, by the header of the record that identified it: a clock more
// than 5 s away from the PC's asks whether to take the settings anyway; a controller that sends no
// clock (its time is the reception time) is taken with an information. True when it is taken.
bool AcceptDetectedDevice(const TRecordHeader& header);

}  // namespace dedezuviv::app
