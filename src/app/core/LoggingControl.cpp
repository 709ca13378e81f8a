#include "app/core/LoggingControl.h"

#include "app/core/PortKeeper.h"

#include "base/Log.h"
#include "model/LiveLogging.h"
#include "model/LiveState.h"
#include "model/Project.h"
#include "model/UiInterfaces.h"
#include "app/core/Namespace.h"

namespace dedezuviv::app {

bool StartLogging()
{
    const TProject* project = CurrentProject();
    if (project == nullptr)
        return false;
    const TPortSettings port = project->Port;
    LogMessage("Starte Logging (Schnittstelle " + port.Name + ").");
    if (StartRunningDataSource(port) != nullptr) {
        if (TProject* current = CurrentProject())
            current->RecordStart = 0;
        PortKeeper().Want(true);
        return true;
    }
    ShowError("Die serielle Schnittstelle " + port.Name +
              " kann nicht angesprochen werden! Bitte Schnittstelle einstellen.");
    LogMessage("Abbruch durch Fehler!");
    return false;
}

void StopLogging()
{
    PortKeeper().Want(false);
    FreeRunningDataSource();
    LogMessage("Stoppe Logging.");
}

bool ResetLogging()
{
    LogMessage("Reset der Schnittstelle ausgelöst, da keine Daten mehr empfangen wurden.");
    // Logging is still wanted: a port that does not open again is retried by the keeper.
    const bool wanted = PortKeeper().Wanted();
    StopLogging();
    const bool opened = StartLogging();
    if (!opened && wanted)
        PortKeeper().Want(true);
    return opened;
}

}  // namespace dedezuviv::app
