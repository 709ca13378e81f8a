// The memory-card import: a data log a controller wrote to its card (".l00", the bytes it would have
// sent on the serial line) is fed through a decoder and the recorder into the current project's day
// files, so that the project's sampling interval, trigger field and day-file layout apply as to live
// records. The window's command and dedezuviv-tool import both run it.
//
// Beyond plain recording:
// - A due record that already stands in its day file is not appended again, so importing the same
//   card file twice adds nothing and a card overlapping recorded days adds only what is new. Records
//   compare by what the controller sent: a reception time that the import's decoder appended (the
//   record had none) is left out of the comparison, as it differs on every import. For the sampling
//   interval such a record counts as written. Each touched day file is read once for the whole import
//   (within a memory bound).
// - Lines are gathered per day file and appended in batches (whole lines, under the file lock); a batch
//   that does not fit (disk nearly full) is written line by line, so what fits is kept.
// - The first write failure ends the import; the lines written until then stay, the reason is given.
// - The card file and the day files are read only when they are regular files (a FIFO would block).
#pragma once

#include "model/UiInterfaces.h"
#include "model/Namespace.h"

#include <cstdint>
#include <string>

namespace dedezuviv::model {

namespace CardImportMessages {
inline constexpr const char* FileDialogTitle = "Daten aus externer Datei einlesen (SD-Karte)";
inline constexpr const char* FileFilter = "Datalog (*.l00)|*.l00";
// With the full path of the file.
inline constexpr const char* Reading = "Lese Datei %s...";
// With the size in decimal megabytes.
inline constexpr const char* Amount = "Es werden %4.2f MB Daten gelesen und entsprechend den Projekteinstellungen "
                                      "(z.B. Intervall) im Projektverzeichnis abgelegt.";
// With the number of decoded records and the file name without its folder.
inline constexpr const char* Done =
    "%d Datensätze aus Datei %s erfolgreich eingelesen und im Projektverzeichnis abgelegt.";
inline constexpr const char* DeleteQuestion =
    "Soll die eingelesene Datei gelöscht werden, damit die erfolgreich eingelesenen Daten später nicht "
    "nochmals eingelesen werden  (empfohlen)?";
inline constexpr const char* Failed = "Fehler beim Einlesen der Datendatei - keine oder nicht alle Daten eingelesen.";
}  // namespace CardImportMessages

struct TCardImportResult {
    // 0 success, -1 the card file does not exist, other values a failure (ErrorText says which).
    int Result = 0;
    std::string ErrorText;
    uint64_t Bytes = 0;          // size of the card file
    uint64_t BytesRead = 0;
    uint32_t RecordCount = 0;    // records decoded (recorded or not)
    uint64_t Written = 0;        // lines appended to day files
    uint64_t Duplicates = 0;     // due records whose line already stood in their day file
    bool WriteFailed = false;    // ended by a day file that could not be read or written
};

// The block size in which the card file is handed to the decoder.
constexpr size_t CardImportBlockSize = 250;

// The lines the progress window shows for a card file: "Lese Datei ..." and the amount line (the
// size in decimal megabytes with two decimals and the locale's decimal separator).
std::string CardImportReadingLine(const std::string& fileName);
std::string CardImportAmountLine(uint64_t bytes);
// "<n> Datensätze aus Datei <name> erfolgreich eingelesen ...".
std::string CardImportDoneLine(uint32_t records, const std::string& fileName);

// Imports one card file into CurrentProject() (there must be one). Progress, when given, receives the
// two opening lines, the progress while reading (which lets pending events run) and, on success, the
// closing line. RecordingToFile is forced on for the import and has its old value again afterwards.
// Ends with a failure when the project is closed or replaced while events run.
TCardImportResult ImportCardFile(const std::string& fileName, IProgress* progress);

// The message box text of a failed import: the general failure message and the reason.
std::string CardImportFailureText(const TCardImportResult& result);

}  // namespace dedezuviv::model
