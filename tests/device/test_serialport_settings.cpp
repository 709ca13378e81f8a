// TSerialPortNG without a line: initial values, setter rules, the character-delay table, the noise
// filter, failed opens and the cluster list.
#include "SerialTestSupport.h"

using namespace serialtest;

TEST(SerialDevicePath, MapsPortNamesToDevices)
{
    EXPECT_EQ(DevicePathForPort("/dev/ttyUSB0"), "/dev/ttyUSB0");
    EXPECT_EQ(DevicePathForPort("/dev/serial/by-id/usb-FTDI_FT232R-if00-port0"),
              "/dev/serial/by-id/usb-FTDI_FT232R-if00-port0");
    EXPECT_EQ(DevicePathForPort("ttyUSB0"), "/dev/ttyUSB0");
    EXPECT_EQ(DevicePathForPort("ttyusb0"), "/dev/ttyusb0");  // Linux names keep their case
    EXPECT_EQ(DevicePathForPort("COM1"), "/dev/ttyS0");
    EXPECT_EQ(DevicePathForPort("com12"), "/dev/ttyS11");
    EXPECT_EQ(DevicePathForPort("Com007"), "/dev/ttyS6");
    EXPECT_EQ(DevicePathForPort("COM0"), "/dev/COM0");
    EXPECT_EQ(DevicePathForPort("COM"), "/dev/COM");
    EXPECT_EQ(DevicePathForPort("COM3x"), "/dev/COM3x");
    EXPECT_EQ(DevicePathForPort("COM99999999999999999999"), "/dev/COM99999999999999999999");
    EXPECT_EQ(DevicePathForPort(""), "");
    const std::string longName = "/dev/" + std::string(100, 'x');
    EXPECT_EQ(DevicePathForPort(longName), longName.substr(0, 79));
}

class SerialSettings : public SerialTest {};

TEST_F(SerialSettings, InitialValues)
{
    TSerialPortNG& p = MakePort();
    EXPECT_EQ(p.CommPort(), "COM1");
    EXPECT_EQ(p.BaudRate(), 9600u);
    EXPECT_EQ(p.ParityType(), 0);
    EXPECT_EQ(p.ParityErrorChar(), 0);
    EXPECT_FALSE(p.ParityErrorReplacement());
    EXPECT_EQ(p.StopBits(), 0);
    EXPECT_EQ(p.DataBits(), 8);
    EXPECT_EQ(p.XONChar(), 17);
    EXPECT_EQ(p.XOFFChar(), 19);
    EXPECT_EQ(p.XONLimDiv(), 33);
    EXPECT_EQ(p.XOFFLimDiv(), 33);
    EXPECT_EQ(p.FlowControl(), 0u);
    EXPECT_FALSE(p.StripNullChars());
    EXPECT_EQ(p.EventChar(), 0);
    EXPECT_EQ(p.RTOCharDelayTime(), 1100u);
    EXPECT_EQ(p.RTOExtraDelayTime(), 250);
    EXPECT_EQ(p.WTOCharDelayTime(), 1100u);
    EXPECT_EQ(p.WTOExtraDelayTime(), 250);
    EXPECT_TRUE(p.XTOAuto());
    EXPECT_EQ(p.ClusterSize(), 3072);
    EXPECT_EQ(p.RxQueueSize(), 4096);
    EXPECT_EQ(p.TxQueueSize(), 4096);
    EXPECT_EQ(p.ErrorNoise(), 255);
    EXPECT_FALSE(p.ReadRequest());
    EXPECT_FALSE(p.Active());
    EXPECT_TRUE(p.RTSState());
    EXPECT_TRUE(p.DTRState());
    EXPECT_FALSE(p.BREAKState());
    EXPECT_FALSE(p.SendInProgress());
    EXPECT_FALSE(p.ThreadQuietMode());
    EXPECT_EQ(p.ComHandle(), -1);
    EXPECT_EQ(p.FirstClusterSize(), -1);
    EXPECT_EQ(p.TakeFirstCluster(), "");
    EXPECT_TRUE(Reports.empty());
}

TEST_F(SerialSettings, CharacterTimesFollowTheBaudRateWhileXTOAuto)
{
    TSerialPortNG& p = MakePort();
    const std::pair<uint32_t, uint32_t> cases[] = {
        {19200, 570}, {100, 1100}, {256000, 43}, {1000000, 43}, {110, 100000}, {115200, 95},
        {128000, 85}, {127999, 95}, {56000, 200}, {9600, 1100}, {0, 1100},
    };
    for (const auto& [baud, time] : cases) {
        p.SetBaudRate(baud);
        EXPECT_EQ(p.RTOCharDelayTime(), time) << baud;
        EXPECT_EQ(p.WTOCharDelayTime(), time) << baud;
    }
    p.SetXTOAuto(false);
    p.SetBaudRate(19200);
    EXPECT_EQ(p.WTOCharDelayTime(), 1100u);  // 0 baud left 1100
    p.SetXTOAuto(true);
    EXPECT_EQ(p.WTOCharDelayTime(), 570u);
    EXPECT_EQ(p.RTOCharDelayTime(), 570u);
}

TEST_F(SerialSettings, LimitsAbove100AreWarnedAndCut)
{
    TSerialPortNG& p = MakePort();
    p.SetXONLimDiv(150);
    p.SetXOFFLimDiv(101);
    ASSERT_EQ(Reports.size(), 2u);
    EXPECT_EQ(Reports[0].Place, 100u);
    EXPECT_EQ(Reports[0].Code, 150u);
    EXPECT_EQ(Reports[0].Msg, "Warning XOnLimDef set to 100");
    EXPECT_EQ(Reports[0].Noise, 1);
    EXPECT_EQ(Reports[1].Code, 101u);
    EXPECT_EQ(Reports[1].Msg, "Warning XOffLimDef set to 100");
    EXPECT_EQ(p.XONLimDiv(), 100);
    EXPECT_EQ(p.XOFFLimDiv(), 100);
    p.SetXONLimDiv(100);  // unchanged: nothing happens
    p.SetXONLimDiv(40);
    EXPECT_EQ(p.XONLimDiv(), 40);
    EXPECT_EQ(Reports.size(), 2u);
}

TEST_F(SerialSettings, OutputLinesOfAClosedPortStayAsTheyWere)
{
    TSerialPortNG& p = MakePort();
    p.SetRTSState(false);
    p.SetDTRState(false);
    p.SetBREAKState(true);
    EXPECT_TRUE(p.RTSState());
    EXPECT_TRUE(p.DTRState());
    EXPECT_FALSE(p.BREAKState());
    EXPECT_TRUE(Reports.empty());
}

TEST_F(SerialSettings, ErrorNoiseFiltersByLevel)
{
    const std::pair<uint8_t, std::vector<uint32_t>> cases[] = {
        {0, {112}}, {1, {100, 112}}, {2, {100, 110, 112}}, {255, {100, 110, 112}}};
    for (const auto& [noise, places] : cases) {
        Reports.clear();
        TSerialPortNG& p = MakePort();
        p.SetErrorNoise(noise);
        p.SetXONLimDiv(200);                        // warning
        p.SetCommPort("/dev/dedezuviv-no-such-tty");
        p.SetActive(true);                          // message 110, error 112
        std::vector<uint32_t> got;
        for (const TReport& r : Reports)
            got.push_back(r.Place);
        EXPECT_EQ(got, places) << "ErrorNoise " << int(noise);
    }
}

TEST_F(SerialSettings, OpeningAMissingDeviceFailsAndTheWorkerStaysIdle)
{
    TSerialPortNG& p = MakePort();
    p.SetCommPort("/dev/dedezuviv-no-such-tty");
    p.SetActive(true);
    EXPECT_FALSE(p.Active());
    ASSERT_EQ(Reports.size(), 2u);
    EXPECT_EQ(Reports[0].Place, 110u);
    EXPECT_EQ(Reports[0].Msg, "Msg start reactivating Port /dev/dedezuviv-no-such-tty");
    EXPECT_EQ(Reports[0].Noise, 2);
    EXPECT_EQ(Reports[1].Place, 112u);
    EXPECT_EQ(Reports[1].Code, static_cast<uint32_t>(ENOENT));
    EXPECT_EQ(Reports[1].Msg, "Error reopening Port");
    EXPECT_EQ(Reports[1].Noise, 0);
    Pump(300);
    EXPECT_FALSE(p.WorkerRunning());
    EXPECT_EQ(p.ComHandle(), -1);
    // Closing a port that never opened does nothing.
    p.SetActive(false);
    EXPECT_EQ(Reports.size(), 2u);
}

TEST_F(SerialSettings, OnlyTerminalsAreOpened)
{
    testsupport::TempDir dir;
    const auto file = dir / "not-a-tty";
    testsupport::WriteFile(file, "keep");
    TSerialPortNG& p = MakePort();
    p.SetCommPort(file.string());
    p.SetActive(true);
    EXPECT_FALSE(p.Active());
    ASSERT_NE(Find(112), nullptr);
    EXPECT_EQ(Find(112)->Code, static_cast<uint32_t>(ENOTTY));
    p.SendText("ACK");
    EXPECT_EQ(testsupport::ReadFile(file), "keep");
}

TEST_F(SerialSettings, SendingOnAClosedPortIsReported)
{
    TSerialPortNG& p = MakePort();
    int done = 0;
    p.OnWriteDone = [&](TSerialPortNG*) { ++done; };
    p.SendText("");  // nothing to send: nothing happens
    EXPECT_TRUE(Reports.empty());
    p.SendText("ACK");
    ASSERT_EQ(Reports.size(), 1u);
    EXPECT_EQ(Reports[0].Place, 903u);
    EXPECT_EQ(Reports[0].Msg, "Error writing Data");
    EXPECT_FALSE(p.SendInProgress());
    EXPECT_EQ(done, 0);
}

// Lists clusters the way the worker does, so the list rules can be checked without a line.
class TClusterPort : public TSerialPortNG {
public:
    using TSerialPortNG::MakeCluster;
};

TEST_F(SerialSettings, ClustersAreTakenOldestFirstIncludingEmptyOnes)
{
    TClusterPort p;
    int events = 0;
    p.OnRxClusterEvent = [&](TSerialPortNG* sender) {
        EXPECT_EQ(sender, &p);
        ++events;
    };
    p.MakeCluster("abc", 3, 0);
    p.MakeCluster(nullptr, 0, ceFrame);
    p.MakeCluster("x\0y", 3, 0);
    EXPECT_EQ(events, 3);
    EXPECT_EQ(p.FirstClusterSize(), 3);
    EXPECT_EQ(p.TakeFirstCluster(), "abc");
    EXPECT_EQ(p.FirstClusterSize(), 0);  // an empty cluster is listed and must be taken
    EXPECT_EQ(p.TakeFirstCluster(), "");
    EXPECT_EQ(p.FirstClusterSize(), 3);
    EXPECT_EQ(p.TakeFirstCluster(), std::string("x\0y", 3));
    EXPECT_EQ(p.FirstClusterSize(), -1);
    EXPECT_EQ(p.TakeFirstCluster(), "");
}
