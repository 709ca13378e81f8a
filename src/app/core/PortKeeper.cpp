#include "app/core/PortKeeper.h"

#include "base/Clock.h"
#include "base/Log.h"
#include "model/DataSource.h"
#include "model/LiveLogging.h"
#include "model/LiveState.h"
#include "model/Project.h"
#include "app/core/Namespace.h"

namespace dedezuviv::app {

void TPortKeeper::Want(bool wanted)
{
    IsWanted = wanted;
    OutageReported = false;
    LastAttempt = GetTickCount();
}

bool TPortKeeper::Tick()
{
    const TProject* project = CurrentProject();
    if (!IsWanted || project == nullptr)
        return false;
    const TDataSource* source = RunningDataSource();
    const bool lost = source != nullptr && source->LineLost();
    if (source != nullptr && source->IsActive() && !lost) {
        OutageReported = false;
        return false;
    }
    const TPortSettings settings = project->Port;
    const std::string& port = settings.Name;
    if (!OutageReported) {
        // Said once per outage, not at every attempt: an adapter may stay unplugged for hours.
        LogMessage((lost ? "Verbindung zur Schnittstelle " + port + " unterbrochen (Gerät entfernt?)."
                         : "Schnittstelle " + port + " ist nicht verfügbar.") +
                   " Neuer Versuch alle " + std::to_string((RetryIntervalMs + 999) / 1000) + " s.");
        OutageReported = true;
        LastAttempt = GetTickCount();
        if (lost)
            return false;  // give the device a moment to go away completely
    }
    const uint64_t now = GetTickCount();
    if (now - LastAttempt < static_cast<uint64_t>(RetryIntervalMs))
        return false;
    LastAttempt = now;
    // A fresh port and decoder, as at a start; the measurement itself goes on.
    if (StartRunningDataSource(settings) == nullptr)
        return false;
    LogMessage("Schnittstelle " + port + " wieder geöffnet, Logging läuft weiter.");
    OutageReported = false;
    return true;
}

TPortKeeper& PortKeeper()
{
    static TPortKeeper keeper;
    return keeper;
}

}  // namespace dedezuviv::app
