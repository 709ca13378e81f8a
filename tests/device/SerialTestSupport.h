// Helpers for the serial port tests: a port with a recorded error list, a dispatcher on the test's
// main thread that is pumped while waiting, and the far end of a pty pair.
#pragma once

#include "base/MainThread.h"
#include "device/SerialPort.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <memory>
#include <string>
#include <termios.h>
#include <thread>
#include <unistd.h>
#include <vector>

using namespace dedezuviv::base;
using namespace dedezuviv::device;

namespace serialtest {

struct TReport {
    uint32_t Place;
    uint32_t Code;
    std::string Msg;
    uint8_t Noise;
};

inline uint64_t MsNow()
{
    return static_cast<uint64_t>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                     std::chrono::steady_clock::now().time_since_epoch())
                                     .count());
}

// The other end of the line: a raw, non-blocking terminal.
class TFarEnd {
public:
    explicit TFarEnd(const std::string& path)
    {
        Fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        if (Fd >= 0) {
            termios tio{};
            tcgetattr(Fd, &tio);
            cfmakeraw(&tio);
            tcsetattr(Fd, TCSANOW, &tio);
        }
    }
    ~TFarEnd()
    {
        if (Fd >= 0)
            ::close(Fd);
    }
    bool Ok() const { return Fd >= 0; }
    void Write(const std::string& bytes)
    {
        size_t done = 0;
        while (done < bytes.size()) {
            const ssize_t n = ::write(Fd, bytes.data() + done, bytes.size() - done);
            if (n > 0)
                done += static_cast<size_t>(n);
            else
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    }
    // Reads what is there now.
    std::string ReadNow()
    {
        std::string out;
        char buffer[4096];
        for (;;) {
            const ssize_t n = ::read(Fd, buffer, sizeof buffer);
            if (n <= 0)
                break;
            out.append(buffer, static_cast<size_t>(n));
        }
        return out;
    }

private:
    int Fd = -1;
};

class SerialTest : public ::testing::Test {
protected:
    void SetUp() override { SetMainThreadDispatcher(&Dispatcher); }
    void TearDown() override
    {
        Port.reset();
        SetMainThreadDispatcher(nullptr);
    }

    TSerialPortNG& MakePort()
    {
        Port = std::make_unique<TSerialPortNG>();
        Port->OnProcessError = [this](TSerialPortNG*, uint32_t place, uint32_t code, const std::string& msg,
                                      uint8_t noise) { Reports.push_back({place, code, msg, noise}); };
        return *Port;
    }
    // Starts the pty pair and the far end on EndB; the port's CommPort is EndA.
    bool StartLine()
    {
        if (!Pty.Start())
            return false;
        Far = std::make_unique<TFarEnd>(Pty.EndB());
        MakePort().SetCommPort(Pty.EndA());
        return Far->Ok();
    }
    // Runs main-thread tasks until pred() holds or timeoutMs passed.
    template <class P> bool PumpUntil(P pred, int timeoutMs)
    {
        const uint64_t end = MsNow() + static_cast<uint64_t>(timeoutMs);
        while (!pred()) {
            if (MsNow() >= end)
                return false;
            Dispatcher.WaitAndRunTasks(5);
        }
        return true;
    }
    void Pump(int ms)
    {
        PumpUntil([] { return false; }, ms);
    }
    // Waits, without running it, until a worker has queued a task for the main thread (and so waits
    // for it).
    bool WaitForQueuedTask(int timeoutMs)
    {
        const uint64_t end = MsNow() + static_cast<uint64_t>(timeoutMs);
        while (Dispatcher.PendingTaskCount() == 0) {
            if (MsNow() >= end)
                return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        return true;
    }
    int CountPlace(uint32_t place) const
    {
        int n = 0;
        for (const TReport& r : Reports)
            n += r.Place == place;
        return n;
    }
    const TReport* Find(uint32_t place) const
    {
        for (const TReport& r : Reports)
            if (r.Place == place)
                return &r;
        return nullptr;
    }

    TTaskQueueDispatcher Dispatcher;
    testsupport::PtyPair Pty;
    std::unique_ptr<TFarEnd> Far;
    std::unique_ptr<TSerialPortNG> Port;
    std::vector<TReport> Reports;
};

#define SKIP_WITHOUT_LINE()                                                                                \
    if (!StartLine())                                                                                      \
    GTEST_SKIP() << "no pty pair (socat)"

}  // namespace serialtest
