// termios2 access. Only kernel headers here: <termios.h> must not be included in this file.
#include "device/SerialTermios.h"
#include "device/Namespace.h"

#include <asm/ioctls.h>
#include <asm/termbits.h>
#include <linux/serial.h>

#include <cerrno>

namespace dedezuviv::device {

extern "C" int ioctl(int fd, unsigned long request, ...) noexcept;

namespace {

struct TBaudConstant {
    uint32_t Rate;
    unsigned Constant;
};

// The rates with a Bnnn constant; every other rate goes through BOTHER and c_ospeed.
constexpr TBaudConstant BaudConstants[] = {
    {50, B50},           {75, B75},           {110, B110},         {134, B134},         {150, B150},
    {200, B200},         {300, B300},         {600, B600},         {1200, B1200},       {1800, B1800},
    {2400, B2400},       {4800, B4800},       {9600, B9600},       {19200, B19200},     {38400, B38400},
    {57600, B57600},     {115200, B115200},   {230400, B230400},   {460800, B460800},   {500000, B500000},
    {576000, B576000},   {921600, B921600},   {1000000, B1000000}, {1152000, B1152000}, {1500000, B1500000},
    {2000000, B2000000}, {2500000, B2500000}, {3000000, B3000000}, {3500000, B3500000}, {4000000, B4000000},
};

unsigned BaudBits(uint32_t rate)
{
    for (const TBaudConstant& entry : BaudConstants)
        if (entry.Rate == rate)
            return entry.Constant;
    return BOTHER;
}

bool SettingsPossible(const TSerialLineSettings& s)
{
    if (s.BaudRate == 0 || s.DataBits < 5 || s.DataBits > 8 || s.ParityType > 4 || s.StopBits > 2)
        return false;
    // One and a half stop bits exist only with 5 data bits (the UART makes them from CSTOPB there),
    // and two stop bits therefore not with 5 data bits.
    if (s.StopBits == 1 && s.DataBits != 5)
        return false;
    if (s.StopBits == 2 && s.DataBits == 5)
        return false;
    return true;
}

}  // namespace

int SerialApplyLineSettings(int fd, const TSerialLineSettings& s, bool& readFailed)
{
    readFailed = false;
    struct termios2 tio {};
    if (ioctl(fd, TCGETS2, &tio) != 0) {
        readFailed = true;
        return errno;
    }
    if (!SettingsPossible(s))
        return EINVAL;

    tio.c_iflag = 0;
    if (s.ParityType != 0 && s.ParityCheck)
        tio.c_iflag |= INPCK;
    if (s.XonXoffOutput)
        tio.c_iflag |= IXON;
    if (s.XonXoffInput)
        tio.c_iflag |= IXOFF;
    tio.c_oflag = 0;
    tio.c_lflag = 0;

    static const unsigned sizeBits[] = {CS5, CS6, CS7, CS8};
    tio.c_cflag = CREAD | CLOCAL | HUPCL | sizeBits[s.DataBits - 5];
    if (s.StopBits != 0)
        tio.c_cflag |= CSTOPB;
    switch (s.ParityType) {
    case 1: tio.c_cflag |= PARENB | PARODD; break;
    case 2: tio.c_cflag |= PARENB; break;
    case 3: tio.c_cflag |= PARENB | PARODD | CMSPAR; break;
    case 4: tio.c_cflag |= PARENB | CMSPAR; break;
    default: break;
    }
    if (s.RtsCtsFlow)
        tio.c_cflag |= CRTSCTS;

    const unsigned baud = BaudBits(s.BaudRate);
    tio.c_cflag |= baud | (baud << IBSHIFT);
    tio.c_ospeed = s.BaudRate;
    tio.c_ispeed = s.BaudRate;

    for (auto& c : tio.c_cc)
        c = 0;
    tio.c_cc[VSTART] = s.XONChar;
    tio.c_cc[VSTOP] = s.XOFFChar;
    // VMIN 0 and VTIME 0: a read returns at once with the bytes already queued.
    tio.c_cc[VMIN] = 0;
    tio.c_cc[VTIME] = 0;

    if (ioctl(fd, TCSETS2, &tio) != 0)
        return errno;
    return 0;
}

int SerialReadBaudRate(int fd, uint32_t& rate)
{
    struct termios2 tio {};
    if (ioctl(fd, TCGETS2, &tio) != 0)
        return errno;
    const unsigned baud = tio.c_cflag & CBAUD;
    rate = tio.c_ospeed;
    if (baud != BOTHER)
        for (const TBaudConstant& entry : BaudConstants)
            if (entry.Constant == baud)
                rate = entry.Rate;
    return 0;
}

int SerialReadErrorCounters(int fd, TSerialErrorCounters& counters)
{
    struct serial_icounter_struct icount {};
    if (ioctl(fd, TIOCGICOUNT, &icount) != 0)
        return errno;
    counters.Overrun = static_cast<uint32_t>(icount.overrun);
    counters.BufOverrun = static_cast<uint32_t>(icount.buf_overrun);
    counters.Parity = static_cast<uint32_t>(icount.parity);
    counters.Frame = static_cast<uint32_t>(icount.frame);
    counters.Break = static_cast<uint32_t>(icount.brk);
    counters.Ring = static_cast<uint32_t>(icount.rng);
    return 0;
}

}  // namespace dedezuviv::device
