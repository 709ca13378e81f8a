// The recorded data files: one text file per calendar day of the record time in the project's data
// folder, one normalised record per line, each line ended by CR LF.
#pragma once

#include "base/DateTime.h"
#include "model/Namespace.h"

#include <string>

namespace dedezuviv::model {

class TProject;

// Decimal text of N with a leading "0" when N is 0 to 9.
std::string TwoDigits(int n);

// Project.GetDataDir("data") + "/" + "YY-MM-DD.txt" for the calendar day of Time (YY = year % 100).
std::string DataFileName(const TProject& project, TDateTime time);

// The folder part of a file name: everything before its last "/"; empty when it has none. "/x" gives "/".
std::string FileFolder(const std::string& fileName);

// Makes sure the folder exists, creating it with all missing parents. Created tells whether this call
// made the folder itself. An empty folder (the current one) always exists. False when it cannot be
// created or the path names something that is not a folder.
bool EnsureDataFolder(const std::string& folder, bool& created);

// Appends Line and CR LF to the file: creates the file's folder (with parents) if the folder part is not
// empty, opens the file for appending (creating it), writes the line in one write and closes the file.
// The line lands whole or not at all: should the file take only part of it (disk full, size limit), it
// is cut back to its size before the line. An unfinished last line that a killed process left behind
// is cut off before the new line is written (a whole record that lacks only its line end gets it). Any failure gives false and leaves no file open.
// Concurrent appenders (threads or processes) never mix their lines on a local file system: they take
// turns through an exclusive lock on the file.
bool AppendLineToFile(const std::string& fileName, const std::string& line);
// The same; FolderCreated tells whether the file's folder had to be created.
bool AppendLineToFile(const std::string& fileName, const std::string& line, bool& folderCreated);
// The same; ErrorCode receives the system's error code of a failure (ENOSPC for a full disk, EFBIG
// beyond a file size limit, EACCES ...; NotARegularFile for a FIFO, device or folder; SystemErrorText
// gives its German text), 0 on success.
bool AppendLineToFile(const std::string& fileName, const std::string& line, bool& folderCreated, int& errorCode);

}  // namespace dedezuviv::model
