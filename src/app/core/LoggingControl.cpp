#include "app/core/LoggingControl.h"

#include "app/core/PortKeeper.h"

#include "base/Log.h"
#include "model/DataSource.h"
#include "model/LiveState.h"
#include "model/Project.h"
#include "model/UiInterfaces.h"

bool StartLogging(TDataSource& source)
{
    LogMessage("Starte Logging (Schnittstelle " + source.GetPortName() + ").");
    source.RecreatePort();
    source.Start();
    if (source.IsActive()) {
        if (TProject* project = CurrentProject())
            project->RecordStart = 0;
        PortKeeper().Want(true);
        return true;
    }
    ShowError("Die serielle Schnittstelle " + source.GetPortName() +
              " kann nicht angesprochen werden! Bitte Schnittstelle einstellen.");
    LogMessage("Abbruch durch Fehler!");
    return false;
}

void StopLogging(TDataSource& source)
{
    PortKeeper().Want(false);
    source.Stop();
    LogMessage("Stoppe Logging.");
}

bool ResetLogging(TDataSource& source)
{
    LogMessage("Reset der Schnittstelle ausgelöst, da keine Daten mehr empfangen wurden.");
    // Logging is still wanted: a port that does not open again is retried by the keeper.
    const bool wanted = PortKeeper().Wanted();
    StopLogging(source);
    const bool opened = StartLogging(source);
    if (!opened && wanted)
        PortKeeper().Want(true);
    return opened;
}
