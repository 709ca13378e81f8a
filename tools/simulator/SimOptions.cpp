#include "SimOptions.h"

#include "base/NumberText.h"

#include <cmath>
#include <limits>

using namespace dedezuviv::base;

namespace {

bool ReadInteger(const std::string& text, int64_t low, int64_t high, int64_t& value)
{
    if (text.empty())
        return false;
    size_t start = (text[0] == '-' || text[0] == '+') ? 1 : 0;
    if (start == text.size() || text.size() - start > 18)  // 18 digits cannot overflow
        return false;
    int64_t result = 0;
    for (size_t i = start; i < text.size(); ++i) {
        if (text[i] < '0' || text[i] > '9')
            return false;
        result = result * 10 + (text[i] - '0');
    }
    if (text[0] == '-')
        result = -result;
    if (result < low || result > high)
        return false;
    value = result;
    return true;
}

// Seconds with a decimal point or comma.
bool ReadSeconds(const std::string& text, double low, double high, double& value)
{
    double result = 0;
    if (!TryTextToFloat(text, '.', result) && !TryTextToFloat(text, ',', result))
        return false;
    if (!std::isfinite(result) || result < low || result > high)
        return false;
    value = result;
    return true;
}

}  // namespace

bool ParseSimOptions(int argc, char** argv, TSimOptions& options, std::string& error)
{
    for (int i = 1; i < argc; ++i) {
        std::string name = argv[i];
        std::string value;
        bool inlineValue = false;
        if (name.rfind("--", 0) == 0) {
            const size_t equals = name.find('=');
            if (equals != std::string::npos) {
                value = name.substr(equals + 1);
                name = name.substr(0, equals);
                inlineValue = true;
            }
        }
        auto needValue = [&](const char* what) {
            if (inlineValue)
                return true;
            if (i + 1 >= argc) {
                error = "Option " + name + " braucht einen Wert (" + what + ").";
                return false;
            }
            value = argv[++i];
            return true;
        };
        auto integer = [&](const char* what, int64_t low, int64_t high, int64_t& target) {
            if (!needValue(what))
                return false;
            if (!ReadInteger(value, low, high, target)) {
                error = "Ungültiger Wert \"" + value + "\" für " + name + ": erwartet " + what + " von " +
                        std::to_string(low) + " bis " + std::to_string(high) + ".";
                return false;
            }
            return true;
        };
        auto seconds = [&](const char* what, double low, double high, double& target) {
            if (!needValue(what))
                return false;
            if (!ReadSeconds(value, low, high, target)) {
                error = "Ungültiger Wert \"" + value + "\" für " + name + ": erwartet " + what + ".";
                return false;
            }
            return true;
        };
        auto flag = [&]() {
            if (inlineValue) {
                error = "Option " + name + " hat keinen Wert.";
                return false;
            }
            return true;
        };
        int64_t number = 0;

        if (name == "-h" || name == "--help" || name == "-?") {
            options.Help = true;
        } else if (name == "--device") {
            if (!needValue("Gerätepfad"))
                return false;
            options.Device = value;
        } else if (name == "--link") {
            if (!needValue("Pfad"))
                return false;
            options.Link = value;
        } else if (name == "--baud") {
            if (!integer("eine Baudrate", 50, 4000000, number))
                return false;
            options.BaudRate = static_cast<int>(number);
        } else if (name == "--interval") {
            if (!seconds("Sekunden (0 bis 86400, Bruchteile erlaubt)", 0, 86400, options.Interval))
                return false;
        } else if (name == "--count") {
            if (!integer("eine Anzahl", 0, std::numeric_limits<int64_t>::max() / 2, options.Count))
                return false;
        } else if (name == "--burst") {
            if (!integer("eine Anzahl", 1, 1000000, number))
                return false;
            options.Burst = static_cast<int>(number);
        } else if (name == "--chunk") {
            if (!integer("Bytes", 1, 1000000, number))
                return false;
            options.Chunk = static_cast<int>(number);
        } else if (name == "--chunk-pause") {
            if (!integer("Millisekunden", 0, 10000, number))
                return false;
            options.ChunkPauseMs = static_cast<int>(number);
        } else if (name == "--junk") {
            if (!flag())
                return false;
            options.Junk = true;
        } else if (name == "--seed") {
            if (!integer("eine Zahl", 0, 4294967295LL, number))
                return false;
            options.Seed = static_cast<uint32_t>(number);
            options.SeedGiven = true;
        } else if (name == "--id") {
            if (!integer("eine Ziffer", 0, 9, number))
                return false;
            options.ID = static_cast<int>(number);
        } else if (name == "--program") {
            if (!integer("eine Programmnummer", 0, 99999, number))
                return false;
            options.Program = static_cast<int>(number);
        } else if (name == "--version" && !inlineValue && (i + 1 >= argc || argv[i + 1][0] == '-')) {
            // Without a number: this program's version. "--version N" is the older name of
            // --controller-version and keeps working.
            options.ShowVersion = true;
        } else if (name == "--controller-version" || name == "--version") {
            if (!integer("eine Versionsnummer", 0, 99, number))
                return false;
            options.Version = static_cast<int>(number);
        } else if (name == "--subversion") {
            if (!integer("eine Unterversion", 0, 99, number))
                return false;
            options.Subversion = static_cast<int>(number);
        } else if (name == "--clock-offset") {
            if (!integer("Sekunden", -100LL * 366 * 86400, 100LL * 366 * 86400, options.ClockOffset))
                return false;
        } else if (name == "--no-clock") {
            if (!flag())
                return false;
            options.Clock = false;
        } else if (name == "--expect-acks") {
            if (!flag())
                return false;
            options.ExpectAcks = true;
        } else if (name == "--ack-timeout") {
            if (!seconds("Sekunden (0,01 bis 3600)", 0.01, 3600, options.AckTimeout))
                return false;
        } else if (name == "--ack-tolerance") {
            if (!seconds("Sekunden (0 bis 1e9)", 0, 1e9, options.AckTolerance))
                return false;
        } else if (name == "--history") {
            if (!needValue("Projektdatei"))
                return false;
            options.HistoryProject = value;
        } else if (name == "--days") {
            if (!integer("eine Anzahl Tage", 1, 3660, number))
                return false;
            options.HistoryDays = static_cast<int>(number);
        } else if (name == "-v" || name == "--verbose") {
            if (!flag())
                return false;
            options.Verbose = true;
        } else {
            error = "Unbekannte Option \"" + name + "\" (Hilfe mit --help).";
            return false;
        }
    }
    if (!options.Device.empty() && !options.Link.empty()) {
        error = "--link geht nur mit einem neuen Pseudo-Terminal, nicht zusammen mit --device.";
        return false;
    }
    return true;
}

std::string SimHelpText(const std::string& programName)
{
    return "Aufruf: " + programName + " [Optionen]\n"
        "\n"
        "Spielt eine Heizungssteuerung an einer seriellen Leitung: sendet Datensätze\n"
        "\"=MD/p.../v.../t.../n.../d.../i.../m.../o.../x.../y.../z...#\" mit CR LF und prüft die\n"
        "Quittungen \"ACK ttmmjjjj hhmmss\" LF CR des Datenloggers.\n"
        "\n"
        "Leitung:\n"
        "  (ohne --device)        öffnet ein neues Pseudo-Terminal; erste Zeile der Ausgabe:\n"
        "                         \"PTY /dev/pts/N\" (mit --device: \"DEVICE <Pfad>\")\n"
        "  --link PFAD            legt zusätzlich einen symbolischen Link PFAD auf das Terminal an\n"
        "                         (wird beim Beenden entfernt)\n"
        "  --device PFAD          öffnet stattdessen das Gerät PFAD (z. B. ein Ende eines socat-Paars)\n"
        "  --baud N               Baudrate für --device (Vorgabe 9600)\n"
        "\n"
        "Senden:\n"
        "  --interval SEKUNDEN    Abstand der Datensätze, Bruchteile erlaubt (Vorgabe 5)\n"
        "  --count N              nach N Datensätzen aufhören (Vorgabe: endlos)\n"
        "  --burst N              je Intervall N Datensätze ohne Pause hintereinander\n"
        "  --chunk N              jeden Datensatz in Schreibvorgänge von höchstens N Bytes teilen\n"
        "  --chunk-pause MS       Pause zwischen den Teilen (Vorgabe 5 ms)\n"
        "  --junk                 Störbytes zwischen den Datensätzen und ab und zu ein ungültiger\n"
        "                         Datensatz (wird nicht als quittierungspflichtig gezählt)\n"
        "  --seed N               feste Startzahl für reproduzierbare Werte\n"
        "\n"
        "Steuerung:\n"
        "  --id Z                 Gerätenummer, eine Ziffer (Vorgabe 1)\n"
        "  --program N            Programmnummer, bis zu 5 Ziffern (Vorgabe 13)\n"
        "  --controller-version N Version, bis 99 (Vorgabe 2; auch --version N)\n"
        "  --subversion N         Unterversion, bis 99 (Vorgabe 1)\n"
        "  --clock-offset S       Geräteuhr = Ortszeit des PCs + S Sekunden (auch negativ)\n"
        "  --no-clock             keine Felder y/z (der Logger nimmt seine Empfangszeit)\n"
        "\n"
        "Quittungen:\n"
        "  --expect-acks          Rückgabewert 1, wenn ein gültiger Datensatz nicht rechtzeitig\n"
        "                         quittiert wurde oder eine Quittung fehlerhaft war\n"
        "  --ack-timeout S        Wartezeit je Quittung (Vorgabe 2 s)\n"
        "  --ack-tolerance S      Quittungszeit darf höchstens S Sekunden von der PC-Uhr abweichen\n"
        "  -v, --verbose          gesendete Datensätze und Prüfergebnisse auf die Standardausgabe\n"
        "                         (sonst Prüfergebnisse auf die Fehlerausgabe)\n"
        "  -h, --help             diese Hilfe\n"
        "  --version              Version dieses Programms ausgeben\n"
        "\n"
        "Verlauf:\n"
        "  --history PROJEKT      statt zu senden die vergangenen Tage (--days, Vorgabe 7) bis jetzt in\n"
        "                         die Tagesdateien des Projekts schreiben, wie der Logger sie im\n"
        "                         Aufzeichnungsintervall des Projekts aufgezeichnet hätte; Tage mit\n"
        "                         vorhandener Datei bleiben unberührt\n"
        "\n"
        "Am Ende (nach --count, SIGINT oder SIGTERM, bis zu 2 s Wartezeit auf die letzte Quittung)\n"
        "stehen auf der Standardausgabe die Zeilen\n"
        "  details: valid=N invalid=N dropped=N missing=N unexpected=N junk=N\n"
        "  records=N acks=N bad=N\n"
        "records: vollständig gesendete Datensätze, acks: einwandfreie Quittungen, bad: fehlerhafte.\n"
        "Rückgabewert: 0 gut, 1 Prüfung fehlgeschlagen oder Leitungsfehler, 2 falscher Aufruf.\n";
}
