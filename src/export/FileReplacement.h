// A file that takes the place of its target only when it is complete. The bytes go into a new hidden
// file in the target's folder; Commit renames it onto the target, so until then an earlier file of
// that name stays as it was, and a failed or cancelled export leaves nothing behind (Discard, or the
// destructor without Commit, removes the new file).
//
// Written directly instead, without that protection: a target that is no regular file (a device such
// as /dev/full, a pipe: nothing may take its place), and an existing file in a folder where no new
// file may be made (it could be overwritten before, so it still can). Discard then removes the
// target unless it is a device.
#pragma once

#include "export/OutputFile.h"
#include "export/Namespace.h"

#include <string>

namespace dedezuviv::exports {

class TFileReplacement {
public:
    explicit TFileReplacement(std::string target);
    // Discards the written file unless it was committed.
    ~TFileReplacement();
    TFileReplacement(const TFileReplacement&) = delete;
    TFileReplacement& operator=(const TFileReplacement&) = delete;

    // Opens File for writing (the new hidden file, or the target itself). 0 or the errno value; a
    // target that is a folder (EISDIR) or that may not be written (EACCES) gives no file.
    int Open(TBufferedFile& file);
    // Puts the written file (File closed before) in place of the target: syncs it to the disk and
    // renames it. 0 or the errno value (the new file is removed then).
    int Commit();
    // Removes what was written.
    void Discard();

private:
    int OpenNew(TBufferedFile& file);

    std::string Target;     // the name given, for a link the file it points to
    std::string WritePath;  // the file being written; empty before Open and after Commit or Discard
    bool Direct = false;
    int Mode = -1;          // the old file's permission bits, given to its replacement
};

}  // namespace dedezuviv::exports
