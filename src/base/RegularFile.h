// Opening files that must be plain files. A FIFO would block the opening (and the window) until some
// writer appears, a device such as /dev/zero never ends; neither is data of this program. The path is
// looked at before it is opened (so no device is opened at all), and the opened descriptor again, as
// the path may change between the two.
#pragma once

#include "base/Namespace.h"

#include <string>

namespace dedezuviv::base {

// The error code for an existing path that is no regular file and no folder (a FIFO, socket or device);
// SystemErrorText gives its German text. Outside the range of the system's error codes.
constexpr int NotARegularFile = 100000;

// open(2) with Flags (O_CLOEXEC and O_NOCTTY are added) for a regular file only: the descriptor, or -1
// with ErrorCode set (errno of the failure, EISDIR for a folder, or NotARegularFile). With O_CREAT a missing file is
// created. The descriptor blocks as usual for reading and writing.
int OpenRegularFile(const std::string& path, int flags, int& errorCode, int mode = 0644);

// Reads the whole regular file; false with ErrorCode set as above (a read failure gives its errno).
// MaxBytes > 0 reads no more than that many bytes.
bool ReadRegularFile(const std::string& path, std::string& bytes, int& errorCode, size_t maxBytes = 0);

}  // namespace dedezuviv::base
