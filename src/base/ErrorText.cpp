#include "base/ErrorText.h"
#include "base/RegularFile.h"
#include "base/Namespace.h"

#include <cerrno>
#include <netdb.h>

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
    case EADDRNOTAVAIL: return "Die Adresse gehört zu keiner Netzwerkschnittstelle dieses Rechners";
    case EADDRINUSE: return "Die Adresse wird bereits verwendet";
    case ENETDOWN: return "Das Netzwerk ist nicht verfügbar";
    case ECONNABORTED: return "Verbindung abgebrochen";
    case EAGAIN: return "Die Ressource ist vorübergehend nicht verfügbar";
    case EBUSY: return "Das Gerät oder die Ressource ist belegt";
    case ENXIO: return "Kein solches Gerät oder keine solche Adresse";
    case ENODEV: return "Kein solches Gerät";
    case ETXTBSY: return "Die Datei wird gerade ausgeführt";
    case EXDEV: return "Verschieben zwischen Dateisystemen nicht möglich";
    case ENOTEMPTY: return "Das Verzeichnis ist nicht leer";
    case EBADF: return "Ungültiger Dateideskriptor";
    case EINTR: return "Unterbrochen";
    case ENOTCONN: return "Keine Verbindung";
    case EAFNOSUPPORT: return "Die Adressfamilie wird nicht unterstützt";
    case NotARegularFile: return "keine Datei, sondern eine Pipe, ein Socket oder ein Gerät";
    default: return "Systemfehler " + std::to_string(errorCode);
    }
}

std::string ResolverErrorText(int errorCode)
{
    switch (errorCode) {
    case EAI_NONAME: return "Name oder Dienst unbekannt";
    case EAI_AGAIN: return "Namensauflösung vorübergehend fehlgeschlagen";
    case EAI_FAIL: return "Namensauflösung fehlgeschlagen";
    case EAI_FAMILY: return "Adressfamilie nicht unterstützt";
    case EAI_SERVICE: return "Dienst für diesen Socket-Typ nicht verfügbar";
    case EAI_MEMORY: return "Nicht genügend Speicher";
    case EAI_SYSTEM: return SystemErrorText(errno);
    default: return "Fehler der Namensauflösung " + std::to_string(errorCode);
    }
}

}  // namespace dedezuviv::base
