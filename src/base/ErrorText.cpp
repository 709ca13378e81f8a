#include "base/ErrorText.h"
#include "base/Namespace.h"

#include <cerrno>

namespace dedezuviv::base {

std::string SystemErrorText(int errorCode)
{
    switch (errorCode) {
    case EACCES:
    case EPERM: return "Zugriff verweigert";
    case ENOENT: return "Datei oder Verzeichnis nicht gefunden";
    case ENOTDIR: return "Ein Teil des Pfads ist kein Verzeichnis";
    case EISDIR: return "Der Pfad ist ein Verzeichnis";
    case EEXIST: return "Der Pfad existiert bereits";
    case ENOSPC: return "Kein Speicherplatz mehr auf dem Datenträger";
    case EDQUOT: return "Speicherkontingent überschritten";
    case EFBIG: return "Die Datei überschreitet die zulässige Größe";
    case EROFS: return "Das Dateisystem ist schreibgeschützt";
    case EIO: return "Ein-/Ausgabefehler";
    case ENAMETOOLONG: return "Der Dateiname ist zu lang";
    case EMFILE:
    case ENFILE: return "Zu viele offene Dateien";
    case ENOMEM: return "Nicht genügend Speicher";
    case ELOOP: return "Zu viele symbolische Verknüpfungen";
    case EINVAL: return "Ungültiges Argument";
    case ECONNREFUSED: return "Verbindung verweigert";
    case ECONNRESET: return "Verbindung von der Gegenseite zurückgesetzt";
    case ETIMEDOUT: return "Zeitüberschreitung";
    case EHOSTUNREACH: return "Rechner nicht erreichbar";
    case ENETUNREACH: return "Netzwerk nicht erreichbar";
    case EPIPE: return "Verbindung unterbrochen";
    default: return "Systemfehler " + std::to_string(errorCode);
    }
}

}  // namespace dedezuviv::base
