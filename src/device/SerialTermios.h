// Line settings and error counters of a Linux serial device through the kernel's termios2 interface,
// which takes any baud rate (BOTHER), not only those with a Bnnn constant. The implementation includes
// only the kernel's <asm/...> headers, whose struct termios clashes with the C library's <termios.h>;
// this header therefore uses plain types only.
#pragma once

#include "device/Namespace.h"

#include <cstdint>

namespace dedezuviv::device {

struct TSerialLineSettings {
    uint32_t BaudRate = 9600;   // bits per second; 0 is refused (it would hang the line up)
    uint8_t DataBits = 8;       // 5 to 8
    uint8_t StopBits = 0;       // 0 one, 1 one and a half (only with 5 data bits), 2 two (not with 5)
    uint8_t ParityType = 0;     // 0 none, 1 odd, 2 even, 3 mark, 4 space
    bool ParityCheck = false;   // bytes received with a parity or framing error are read as NUL
    bool RtsCtsFlow = false;    // hardware flow control (RTS/CTS)
    bool XonXoffOutput = false; // the device stops sending on XOFF
    bool XonXoffInput = false;  // the device sends XOFF/XON when its receive queue fills/empties
    uint8_t XONChar = 17;
    uint8_t XOFFChar = 19;
};

// Applies the settings to the open device: raw 8-bit binary mode, reads that return at once with what
// is queued, modem control lines ignored (CLOCAL), lines dropped at the last close (HUPCL).
// Returns 0 or the errno of the failed step; readFailed tells whether reading the current settings
// failed (else writing them, or the settings are impossible: EINVAL).
int SerialApplyLineSettings(int fd, const TSerialLineSettings& settings, bool& readFailed);

// The device's current output baud rate; returns 0 or errno.
int SerialReadBaudRate(int fd, uint32_t& rate);

// The driver's running counters of line errors (TIOCGICOUNT). Returns 0 or errno; drivers without
// counters (a pseudo-terminal) answer ENOTTY or EINVAL.
struct TSerialErrorCounters {
    uint32_t Overrun = 0;    // hardware overrun
    uint32_t BufOverrun = 0; // receive buffer overflow
    uint32_t Parity = 0;
    uint32_t Frame = 0;
    uint32_t Break = 0;
    uint32_t Ring = 0;
};
int SerialReadErrorCounters(int fd, TSerialErrorCounters& counters);

}  // namespace dedezuviv::device
