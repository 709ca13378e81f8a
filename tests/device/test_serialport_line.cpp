// TSerialPortNG on a real line: a socat pty pair, the far end read and written by the test, events
// delivered through the dispatcher on the test's main thread.
#include "SerialTestSupport.h"

#include "device/SerialTermios.h"

#include <fcntl.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <unistd.h>

using namespace dedezuviv::device;

using namespace serialtest;

namespace {

std::string Pattern(size_t size)
{
    std::string s(size, '\0');
    for (size_t i = 0; i < size; ++i)
        s[i] = static_cast<char>('A' + i % 26);
    return s;
}

}  // namespace

class SerialLine : public SerialTest {};

TEST_F(SerialLine, OpensClosesAndReopens)
{
    SKIP_WITHOUT_LINE();
    TSerialPortNG& p = *Port;
    p.SetActive(true);
    ASSERT_TRUE(p.Active());
    EXPECT_GE(p.ComHandle(), 0);
    EXPECT_TRUE(p.DTRState());
    EXPECT_TRUE(p.RTSState());
    ASSERT_NE(Find(110), nullptr);
    EXPECT_EQ(Find(110)->Msg, "Msg start reactivating Port " + Pty.EndA());
    // A pty has no modem lines: setting them is refused with ENOTTY and reported, nothing more.
    ASSERT_NE(Find(601), nullptr);
    EXPECT_EQ(Find(601)->Msg, "Error setting DTR");
    EXPECT_EQ(Find(601)->Code, static_cast<uint32_t>(ENOTTY));
    ASSERT_NE(Find(501), nullptr);
    EXPECT_TRUE(PumpUntil([&] { return p.WorkerRunning() && Find(9905); }, 10000));
    EXPECT_EQ(Find(9905)->Msg, "Error getting ModemStatus");
    Pump(300);
    EXPECT_EQ(CountPlace(9905), 1);  // said once, not on every poll

    Reports.clear();
    p.SetActive(false);
    EXPECT_FALSE(p.Active());
    EXPECT_EQ(p.ComHandle(), -1);
    ASSERT_FALSE(Reports.empty());
    EXPECT_EQ(Reports[0].Place, 100u);
    EXPECT_EQ(Reports[0].Msg, "Msg start deactivating Port");
    EXPECT_EQ(Find(104), nullptr);
    EXPECT_TRUE(PumpUntil([&] { return !p.WorkerRunning(); }, 10000));

    p.SetActive(true);
    ASSERT_TRUE(p.Active());
    Far->Write("hello");
    p.SetReadRequest(true);
    EXPECT_TRUE(PumpUntil([&] { return p.FirstClusterSize() == 5; }, 10000));
    EXPECT_EQ(p.TakeFirstCluster(), "hello");

    // A new name for the open port reopens it at once.
    Reports.clear();
    const std::string real = std::filesystem::canonical(Pty.EndA()).string();
    p.SetCommPort(real);
    EXPECT_TRUE(p.Active());
    ASSERT_GE(Reports.size(), 2u);
    EXPECT_EQ(Reports[0].Place, 100u);
    EXPECT_NE(Find(110), nullptr);
    EXPECT_EQ(Find(112), nullptr);
}

TEST_F(SerialLine, ADeviceInUseIsNotOpenedTwice)
{
    SKIP_WITHOUT_LINE();
    Port->SetActive(true);
    ASSERT_TRUE(Port->Active());
    TSerialPortNG second;
    std::vector<uint32_t> codes;
    second.OnProcessError = [&](TSerialPortNG*, uint32_t place, uint32_t code, const std::string&, uint8_t) {
        if (place == 112)
            codes.push_back(code);
    };
    second.SetCommPort(Pty.EndA());
    second.SetActive(true);
    EXPECT_FALSE(second.Active());
    ASSERT_EQ(codes.size(), 1u);
    EXPECT_EQ(codes[0], static_cast<uint32_t>(EBUSY));
    Port->SetActive(false);
    second.SetActive(true);
    EXPECT_TRUE(second.Active());
    second.SetActive(false);

    // Closing ends exclusive use: the device no longer refuses other programs (root ignores the
    // flag, so it is read back instead of trying an open as another user).
    const int fd = ::open(Pty.EndA().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    ASSERT_GE(fd, 0);
    int exclusive = -1;
    ASSERT_EQ(ioctl(fd, TIOCGEXCL, &exclusive), 0);
    EXPECT_EQ(exclusive, 0);
    ::close(fd);
}

TEST_F(SerialLine, ABurstBecomesOneClusterAndTheThresholdsReadEarly)
{
    SKIP_WITHOUT_LINE();
    TSerialPortNG& p = *Port;
    std::vector<std::string> clusters;
    p.OnRxClusterEvent = [&](TSerialPortNG* sender) {
        ASSERT_GE(sender->FirstClusterSize(), 0);
        clusters.push_back(sender->TakeFirstCluster());
    };
    p.SetActive(true);
    // 100 bytes in pieces within the quiet time make one cluster. The quiet time is stretched to 3 s
    // here, so that a busy machine's late pump cannot split the burst; the pieces are still written
    // apart, each after the worker has seen the one before.
    p.SetRTOExtraDelayTime(3000);
    const std::string burst = Pattern(100);
    for (int i = 0; i < 4; ++i) {
        Far->Write(burst.substr(i * 25, 25));
        ASSERT_TRUE(PumpUntil([&] { return p.CommStateInQueue() >= static_cast<uint32_t>((i + 1) * 25); }, 10000));
    }
    ASSERT_TRUE(PumpUntil([&] { return !clusters.empty(); }, 10000));
    Pump(400);
    ASSERT_EQ(clusters.size(), 1u);
    EXPECT_EQ(clusters[0], burst);

    // ClusterSize reached: read at once, long before the quiet time.
    clusters.clear();
    p.SetClusterSize(50);
    p.SetRTOExtraDelayTime(20000);  // stays long: only the cluster size may end the wait
    const uint64_t start = MsNow();
    Far->Write(Pattern(60));
    ASSERT_TRUE(PumpUntil([&] { return !clusters.empty(); }, 10000));
    EXPECT_LT(MsNow() - start, 5000u);
    EXPECT_GE(clusters[0].size(), 50u);

    // ReadRequest reads whatever is queued, even one byte, and clears itself.
    clusters.clear();
    p.SetClusterSize(3072);
    Far->Write("#");
    Pump(300);
    EXPECT_TRUE(clusters.empty());
    EXPECT_EQ(p.CommStateInQueue(), 1u);
    p.SetReadRequest(true);
    ASSERT_TRUE(PumpUntil([&] { return !clusters.empty(); }, 10000));
    EXPECT_EQ(clusters[0], "#");
    EXPECT_FALSE(p.ReadRequest());
}

TEST_F(SerialLine, NullStrippingAndQuietMode)
{
    SKIP_WITHOUT_LINE();
    TSerialPortNG& p = *Port;
    int clusterEvents = 0;
    p.OnRxClusterEvent = [&](TSerialPortNG*) { ++clusterEvents; };
    p.SetStripNullChars(true);
    p.SetActive(true);
    Far->Write(std::string("a\0b\0", 4));
    p.SetReadRequest(true);
    ASSERT_TRUE(PumpUntil([&] { return clusterEvents == 1; }, 10000));
    EXPECT_EQ(p.TakeFirstCluster(), "ab");

    // Quiet: clusters are listed, nothing is delivered.
    p.SetThreadQuietMode(true);
    Reports.clear();
    Far->Write("xyz");
    p.SetReadRequest(true);
    const uint64_t end = MsNow() + 10000;
    while (p.FirstClusterSize() < 0 && MsNow() < end)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));  // the worker needs no pumping now
    EXPECT_EQ(p.TakeFirstCluster(), "xyz");
    Pump(100);
    EXPECT_EQ(clusterEvents, 1);
    p.SetThreadQuietMode(false);
}

TEST_F(SerialLine, LineEventsArriveInTheirOrder)
{
    SKIP_WITHOUT_LINE();
    TSerialPortNG& p = *Port;
    std::vector<std::string> log;
    auto note = [&](const char* name) { return [&log, name](TSerialPortNG*) { log.push_back(name); }; };
    p.OnRxCharEvent = note("RxChar");
    p.OnRxEventCharEvent = note("RxEventChar");
    p.OnTxQueueEmptyEvent = note("TxEmpty");
    p.OnCommEvent = note("CommEvent");
    int stats = 0;
    p.OnCommStat = [&](TSerialPortNG*) { ++stats; };
    p.OnRxClusterEvent = [&](TSerialPortNG* sender) { sender->TakeFirstCluster(); };
    p.SetEventChar('#');
    p.SetActive(true);
    Pump(200);
    log.clear();
    Far->Write("=MD;1;2#");
    ASSERT_TRUE(PumpUntil([&] { return std::count(log.begin(), log.end(), "RxEventChar") == 1; }, 10000));
    p.SendText("ACK\n\r");
    ASSERT_TRUE(PumpUntil([&] { return std::count(log.begin(), log.end(), "TxEmpty") == 1; }, 10000));
    Pump(200);
    EXPECT_GT(stats, 0);
    EXPECT_EQ(std::count(log.begin(), log.end(), "RxChar"), 1);
    EXPECT_EQ(log.back(), "CommEvent");
    // Within each delivery (ended by CommEvent) the order is RxChar, RxEventChar, TxEmpty.
    const std::vector<std::string> order = {"RxChar", "RxEventChar", "TxEmpty", "CommEvent"};
    size_t last = 0;
    for (const std::string& name : log) {
        const size_t at = static_cast<size_t>(std::find(order.begin(), order.end(), name) - order.begin());
        EXPECT_GE(at, last) << name;
        last = name == "CommEvent" ? 0 : at;
    }
    EXPECT_EQ(Far->ReadNow(), "ACK\n\r");
}

TEST_F(SerialLine, SendTextCompletesAtOnceInTheCallersThread)
{
    SKIP_WITHOUT_LINE();
    TSerialPortNG& p = *Port;
    std::vector<std::thread::id> doneIn;
    p.OnWriteDone = [&](TSerialPortNG*) { doneIn.push_back(std::this_thread::get_id()); };
    p.SetActive(true);
    p.SendText("ACK 08122026 101507\n\r");
    ASSERT_EQ(doneIn.size(), 1u);
    EXPECT_EQ(doneIn[0], std::this_thread::get_id());
    EXPECT_EQ(p.WrittenBytes(), 21u);
    EXPECT_FALSE(p.SendInProgress());
    std::string got;
    ASSERT_TRUE(PumpUntil([&] { return (got += Far->ReadNow()).size() >= 21; }, 10000));
    EXPECT_EQ(got, "ACK 08122026 101507\n\r");
}

TEST_F(SerialLine, ALargeWritePendsAndTheWorkerFinishesIt)
{
    SKIP_WITHOUT_LINE();
    TSerialPortNG& p = *Port;
    int done = 0;
    p.OnWriteDone = [&](TSerialPortNG*) { ++done; };
    p.SetActive(true);
    const std::string data = Pattern(65536);
    p.SendData(data.data(), static_cast<uint32_t>(data.size()));
    // The far end reads nothing yet: a pty takes a few KB, the rest pends.
    ASSERT_TRUE(p.SendInProgress());
    EXPECT_EQ(done, 0);
    p.SendText("dropped");
    ASSERT_NE(Find(901), nullptr);
    EXPECT_EQ(Find(901)->Msg, "Msg, dont enter SendData while SendInProgress is set");
    EXPECT_EQ(Find(901)->Noise, 2);

    std::string got;
    ASSERT_TRUE(PumpUntil(
        [&] {
            got += Far->ReadNow();
            return done == 1 && got.size() >= data.size();
        },
        10000));
    EXPECT_FALSE(p.SendInProgress());
    EXPECT_EQ(p.WrittenBytes(), 65536u);
    Pump(100);
    got += Far->ReadNow();
    EXPECT_TRUE(got == data) << got.size();
    EXPECT_EQ(Find(9701), nullptr);
}

TEST_F(SerialLine, AWriteStillRunningAtItsTimeoutEndsShort)
{
    SKIP_WITHOUT_LINE();
    TSerialPortNG& p = *Port;
    int done = 0;
    p.OnWriteDone = [&](TSerialPortNG*) { ++done; };
    p.SetActive(true);
    p.SetWTOCharDelayTime(1);     // 65536 x 1 µs + 200 ms
    p.SetWTOExtraDelayTime(200);
    const std::string data = Pattern(65536);
    const uint64_t start = MsNow();
    p.SendData(data.data(), static_cast<uint32_t>(data.size()));
    ASSERT_TRUE(p.SendInProgress());
    ASSERT_TRUE(PumpUntil([&] { return done == 1; }, 10000));
    EXPECT_GE(MsNow() - start, 250u);
    ASSERT_NE(Find(9701), nullptr);
    EXPECT_EQ(Find(9701)->Msg, "Error write TimeOut");
    EXPECT_FALSE(p.SendInProgress());
    EXPECT_GT(p.WrittenBytes(), 0u);
    EXPECT_LT(p.WrittenBytes(), 65536u);
    // The line is free again.
    Far->ReadNow();
    Pump(100);
    Far->ReadNow();
    p.SendText("next");
    EXPECT_EQ(Find(901), nullptr);
}

TEST_F(SerialLine, AnyBaudRateAndRefusedSettings)
{
    SKIP_WITHOUT_LINE();
    TSerialPortNG& p = *Port;
    p.SetActive(true);
    Reports.clear();
    for (uint32_t baud : {128000u, 256000u, 115200u, 9600u}) {
        p.SetBaudRate(baud);
        uint32_t rate = 0;
        ASSERT_EQ(SerialReadBaudRate(p.ComHandle(), rate), 0);
        EXPECT_EQ(rate, baud);
    }
    EXPECT_TRUE(Reports.empty());
    p.SetParityType(3);  // mark parity
    p.SetDataBits(5);
    p.SetStopBits(1);    // 1.5 stop bits with 5 data bits
    p.SetFlowControl(fcOutX | fcInX | fcOutxCtsFlow);
    EXPECT_TRUE(Reports.empty());

    p.SetBaudRate(0);   // would hang the line up
    p.SetDataBits(9);
    p.SetStopBits(2);
    p.SetParityType(7);
    ASSERT_EQ(CountPlace(802), 4);
    for (const TReport& r : Reports) {
        EXPECT_EQ(r.Code, static_cast<uint32_t>(EINVAL));
        EXPECT_EQ(r.Msg, "Error setting CommState, 87 indicate that Parms are incorrect");
    }
    uint32_t rate = 0;
    ASSERT_EQ(SerialReadBaudRate(p.ComHandle(), rate), 0);
    EXPECT_EQ(rate, 9600u);
    EXPECT_TRUE(p.Active());
}

TEST_F(SerialLine, OutputLinesOnAPtyAreReportedAndStored)
{
    SKIP_WITHOUT_LINE();
    TSerialPortNG& p = *Port;
    p.SetActive(true);
    Reports.clear();
    p.SetRTSState(false);
    p.SetDTRState(false);
    p.SetRTSState(true);
    p.SetBREAKState(true);
    EXPECT_FALSE(p.DTRState());
    EXPECT_TRUE(p.RTSState());
    EXPECT_TRUE(p.BREAKState());
    p.SetBREAKState(false);
    EXPECT_FALSE(p.BREAKState());
    std::vector<uint32_t> places;
    for (const TReport& r : Reports)
        places.push_back(r.Place);
    EXPECT_EQ(places, (std::vector<uint32_t>{502, 602, 501}));  // a pty accepts BREAK
    EXPECT_EQ(Reports[0].Msg, "Error clearing RTS");
    EXPECT_EQ(Reports[1].Msg, "Error clearing DTR");
    Far->Write("ok");
    p.SetReadRequest(true);
    EXPECT_TRUE(PumpUntil([&] { return p.FirstClusterSize() == 2; }, 10000));
}

TEST_F(SerialLine, AnIdleOpenPortCostsAlmostNothing)
{
    SKIP_WITHOUT_LINE();
    TSerialPortNG& p = *Port;
    p.SetActive(true);
    Pump(300);
    const uint64_t cpu0 = p.WorkerCpuTimeNs();
    const uint64_t passes0 = p.WorkerPasses();
    Pump(2000);
    const uint64_t cpu = p.WorkerCpuTimeNs() - cpu0;
    const uint64_t passes = p.WorkerPasses() - passes0;
    RecordProperty("idle_worker_cpu_us_per_2s", std::to_string(cpu / 1000));
    std::printf("idle open port: worker %.3f ms CPU in 2 s, %llu passes\n", cpu / 1e6,
                static_cast<unsigned long long>(passes));
    EXPECT_LE(passes, 60u);         // about one pass per 75 ms
    EXPECT_LT(cpu, 200000000ull);   // far below a core even in sanitized builds
}

TEST_F(SerialLine, AVanishedFarEndIsReportedWithoutSpinning)
{
    SKIP_WITHOUT_LINE();
    TSerialPortNG& p = *Port;
    int clusters = 0;
    p.OnRxClusterEvent = [&](TSerialPortNG* sender) {
        sender->TakeFirstCluster();
        ++clusters;
    };
    p.SetActive(true);
    Far->Write("=MD;1#");
    p.SetReadRequest(true);
    ASSERT_TRUE(PumpUntil([&] { return clusters == 1; }, 10000));
    Reports.clear();

    Pty.Stop();  // the cable is pulled: the pty hangs up
    ASSERT_TRUE(PumpUntil([&] { return Find(9911) || Find(9803); }, 10000));
    const uint64_t cpu0 = p.WorkerCpuTimeNs();
    const uint64_t passes0 = p.WorkerPasses();
    const size_t reports0 = Reports.size();
    Pump(2000);
    const uint64_t passes = p.WorkerPasses() - passes0;
    const uint64_t cpu = p.WorkerCpuTimeNs() - cpu0;
    EXPECT_LE(passes, 6u);
    EXPECT_LT(cpu, 100000000ull);
    EXPECT_LE(Reports.size() - reports0, 12u);  // a few reports a second, not a flood
    for (const TReport& r : Reports)
        EXPECT_TRUE(r.Code == static_cast<uint32_t>(EIO) || r.Place == 9905) << r.Place << " " << r.Code;
    EXPECT_TRUE(p.Active());
    EXPECT_TRUE(p.WorkerRunning());
    // The dead device is released, so a replugged adapter gets its old name back.
    EXPECT_TRUE(p.LineLost());
    EXPECT_LT(p.ComHandle(), 0);

    // Settings can no longer be read from the device; sending fails; closing still works.
    Reports.clear();
    p.SetBaudRate(19200);
    ASSERT_NE(Find(801), nullptr);
    EXPECT_EQ(Find(801)->Msg, "Error getting DCB from CommState");
    p.SendText("ACK");
    EXPECT_NE(Find(903), nullptr);
    const uint64_t start = MsNow();
    p.SetActive(false);
    EXPECT_LT(MsNow() - start, 1000u);
    EXPECT_FALSE(p.Active());
    EXPECT_TRUE(PumpUntil([&] { return !p.WorkerRunning(); }, 10000));
}

TEST_F(SerialLine, FreeingThePortWhileTheWorkerWaitsForTheMainThread)
{
    SKIP_WITHOUT_LINE();
    int handled = 0;
    Port->OnRxClusterEvent = [&](TSerialPortNG*) { ++handled; };
    Port->OnProcessError = [&](TSerialPortNG*, uint32_t, uint32_t, const std::string&, uint8_t) { ++handled; };
    Port->SetActive(true);
    handled = 0;  // the modem-line reports of the open itself
    Far->Write("pending");
    Port->SetReadRequest(true);
    // No pumping: the worker reads and then blocks handing the cluster to the main thread.
    ASSERT_TRUE(WaitForQueuedTask(5000));
    const uint64_t start = MsNow();
    Port.reset();
    EXPECT_LT(MsNow() - start, 2000u);
    EXPECT_EQ(handled, 0);  // no handler runs once destruction started
    EXPECT_EQ(Dispatcher.RunPendingTasks(), 0);
}

TEST_F(SerialLine, ClosingOrFreeingFromInsideAWorkerDeliveredHandler)
{
    SKIP_WITHOUT_LINE();
    TSerialPortNG& p = *Port;
    bool closed = false;
    p.OnRxClusterEvent = [&](TSerialPortNG* sender) {
        sender->TakeFirstCluster();
        sender->SetActive(false);  // the worker waits for this very handler
        closed = true;
    };
    p.SetActive(true);
    Far->Write("x");
    p.SetReadRequest(true);
    const uint64_t start = MsNow();
    ASSERT_TRUE(PumpUntil([&] { return closed; }, 10000));
    EXPECT_GE(MsNow() - start, 1000u);  // 15 x 75 ms of waiting
    ASSERT_NE(Find(104), nullptr);
    EXPECT_EQ(Find(104)->Msg, "Warning ThreadIsRunning");
    EXPECT_EQ(Find(104)->Noise, 1);
    EXPECT_FALSE(p.Active());
    EXPECT_TRUE(PumpUntil([&] { return !p.WorkerRunning(); }, 10000));

    // Freed by its own handler: the worker leaves without touching the port again.
    bool freed = false;
    p.OnRxClusterEvent = [&](TSerialPortNG*) {
        Port.reset();
        freed = true;
    };
    p.SetActive(true);
    Far->Write("y");
    p.SetReadRequest(true);
    ASSERT_TRUE(PumpUntil([&] { return freed; }, 10000));
    EXPECT_EQ(Port, nullptr);
    Pump(200);
}

TEST_F(SerialLine, AHandlerRunWhileClosingCannotReopenTheHalfClosedPort)
{
    SKIP_WITHOUT_LINE();
    TSerialPortNG& p = *Port;
    bool reopened = false;
    p.OnCommStat = [&](TSerialPortNG* sender) {
        if (!sender->Active()) {
            sender->SetActive(true);  // runs inside the close below, which waits for the worker
            reopened = true;
        }
    };
    p.SetActive(true);
    ASSERT_TRUE(PumpUntil([&] { return Find(9905) != nullptr; }, 10000));  // the open's own reports
    Pump(100);
    Far->Write("z");
    ASSERT_TRUE(WaitForQueuedTask(5000));  // the worker now waits for the main thread
    Reports.clear();
    p.SetActive(false);
    EXPECT_TRUE(reopened);
    ASSERT_NE(Find(112), nullptr);
    EXPECT_EQ(Find(112)->Code, static_cast<uint32_t>(EBUSY));
    EXPECT_FALSE(p.Active());
    EXPECT_EQ(p.ComHandle(), -1);
    p.SetActive(true);
    EXPECT_TRUE(p.Active());
}
