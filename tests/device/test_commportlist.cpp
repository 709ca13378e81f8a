#include "device/CommPortList.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

using namespace dedezuviv::device;

namespace fs = std::filesystem;

namespace {

// A small copy of /sys/class/tty and /dev as the kernel and udev lay them out.
class FakePortTree {
public:
    FakePortTree()
    {
        Roots.SysClassTty = Dir / "sys/class/tty";
        Roots.Dev = Dir / "dev";
        fs::create_directories(Roots.SysClassTty);
        fs::create_directories(Roots.Dev);
        fs::create_directories(Dir / "sys/devices");
    }

    // A terminal entry; with hardware it gets a "device" link, a ttyS entry also a "type" file.
    void AddTerminal(const std::string& name, bool hardware, const std::string& uartType = "",
                     bool deviceFile = true)
    {
        const fs::path entry = Roots.SysClassTty / name;
        fs::create_directories(entry);
        if (hardware) {
            const fs::path target = Dir / "sys/devices" / (name + "-parent");
            fs::create_directories(target);
            fs::create_directory_symlink(target, entry / "device");
        }
        if (!uartType.empty())
            testsupport::WriteFile(entry / "type", uartType + "\n");
        if (deviceFile)
            testsupport::WriteFile(Roots.Dev / name, "");
    }

    void AddById(const std::string& link, const std::string& deviceName)
    {
        fs::create_directories(Roots.Dev / "serial/by-id");
        fs::create_symlink("../../" + deviceName, Roots.Dev / "serial/by-id" / link);
    }

    std::string DevicePath(const std::string& name) const { return (Roots.Dev / name).string(); }
    std::string ByIdPath(const std::string& link) const { return (Roots.Dev / "serial/by-id" / link).string(); }
    void Remove(const std::string& name)
    {
        fs::remove_all(Roots.SysClassTty / name);
        fs::remove(Roots.Dev / name);
    }

    testsupport::TempDir Dir;
    TSerialPortRoots Roots;
};

TEST(CommPortList, ListsEachHardwarePortOnceByItsStableNameWithoutDeadUarts)
{
    FakePortTree tree;
    tree.AddTerminal("ttyUSB0", true);
    tree.AddTerminal("ttyACM0", true);
    tree.AddTerminal("ttyS0", true, "4");
    tree.AddTerminal("ttyS1", true, "0");  // the kernel's placeholder for a port without UART
    tree.AddTerminal("tty1", false);       // virtual console: no device link
    tree.AddTerminal("ptmx", false);
    tree.AddById("usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0", "ttyUSB0");
    tree.AddById("usb-Arduino_Uno_0001-if00", "ttyACM0");

    std::vector<std::string> list;
    GetSerialPortNames(list, tree.Roots);
    const std::vector<std::string> expected = {tree.ByIdPath("usb-Arduino_Uno_0001-if00"), tree.DevicePath("ttyS0"),
                                               tree.ByIdPath("usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0")};
    EXPECT_EQ(list, expected);
    EXPECT_EQ(KernelPortName(tree.ByIdPath("usb-Arduino_Uno_0001-if00")),
              fs::weakly_canonical(tree.DevicePath("ttyACM0")).string());
    EXPECT_EQ(KernelPortName(tree.DevicePath("ttyS0")), "");

    // Two links to one device (by-id and a second name): still one entry, the first name.
    tree.AddById("usb-FTDI_zzz-if00-port0", "ttyUSB0");
    std::vector<std::string> again;
    GetSerialPortNames(again, tree.Roots);
    EXPECT_EQ(again, expected);
}

TEST(CommPortList, SkipsEntriesWithoutDeviceFileAndDanglingByIdLinks)
{
    FakePortTree tree;
    tree.AddTerminal("ttyUSB0", true, "", /*deviceFile=*/false);
    tree.AddTerminal("ttyUSB1", true);
    tree.AddById("usb-gone-if00-port0", "ttyUSB0");
    std::vector<std::string> list;
    GetSerialPortNames(list, tree.Roots);
    EXPECT_EQ(list, std::vector<std::string>{tree.DevicePath("ttyUSB1")});
}

TEST(CommPortList, LegacyPortWithoutTypeFileIsKeptWhenItCannotBeAsked)
{
    // The fake device file is no terminal, so TIOCGSERIAL fails; the port must not vanish for that.
    FakePortTree tree;
    tree.AddTerminal("ttyS3", true);
    std::vector<std::string> list;
    GetSerialPortNames(list, tree.Roots);
    EXPECT_EQ(list, std::vector<std::string>{tree.DevicePath("ttyS3")});
}

TEST(CommPortList, NumbersSortByValue)
{
    FakePortTree tree;
    for (const char* name : {"ttyS10", "ttyS2", "ttyUSB11", "ttyUSB1", "ttyS0"})
        tree.AddTerminal(name, true, "4");
    std::vector<std::string> list;
    GetSerialPortNames(list, tree.Roots);
    const std::vector<std::string> expected = {tree.DevicePath("ttyS0"), tree.DevicePath("ttyS2"),
                                               tree.DevicePath("ttyS10"), tree.DevicePath("ttyUSB1"),
                                               tree.DevicePath("ttyUSB11")};
    EXPECT_EQ(list, expected);
    EXPECT_TRUE(SerialPortNameLess("ttyS9", "ttyS10"));
    EXPECT_FALSE(SerialPortNameLess("ttyS10", "ttyS9"));
    EXPECT_FALSE(SerialPortNameLess("ttyS1", "ttyS1"));
    EXPECT_TRUE(SerialPortNameLess("ttyS01", "ttyS1") != SerialPortNameLess("ttyS1", "ttyS01"));
}

TEST(CommPortList, MachineWithoutPortsLeavesListUnchanged)
{
    FakePortTree tree;
    tree.AddTerminal("tty1", false);
    tree.AddTerminal("ttyS0", true, "0");
    std::vector<std::string> list = {"/dev/ttyUSB7", "mine"};
    GetSerialPortNames(list, tree.Roots);
    EXPECT_EQ(list, (std::vector<std::string>{"/dev/ttyUSB7", "mine"}));

    // Missing trees altogether are no error either.
    TSerialPortRoots nowhere{tree.Dir / "no-sys", tree.Dir / "no-dev"};
    GetSerialPortNames(list, nowhere);
    EXPECT_EQ(list.size(), 2u);
}

TEST(CommPortList, ReusedListGetsNoDuplicatesAndKeepsVanishedNames)
{
    FakePortTree tree;
    tree.AddTerminal("ttyUSB0", true);
    tree.AddTerminal("ttyACM0", true);
    std::vector<std::string> list;
    GetSerialPortNames(list, tree.Roots);
    GetSerialPortNames(list, tree.Roots);
    ASSERT_EQ(list, (std::vector<std::string>{tree.DevicePath("ttyACM0"), tree.DevicePath("ttyUSB0")}));

    tree.Remove("ttyACM0");
    tree.AddTerminal("ttyUSB1", true);
    GetSerialPortNames(list, tree.Roots);
    EXPECT_EQ(list, (std::vector<std::string>{tree.DevicePath("ttyACM0"), tree.DevicePath("ttyUSB0"),
                                              tree.DevicePath("ttyUSB1")}));
}

TEST(CommPortList, SourceOverrideReplacesSystemAndIsDeduplicated)
{
    SetSerialPortNamesSource([] { return std::vector<std::string>{"/tmp/ptyB", "/tmp/ptyA", "/tmp/ptyB"}; });
    std::vector<std::string> list = {"/tmp/ptyA"};
    GetSerialPortNames(list);
    EXPECT_EQ(list, (std::vector<std::string>{"/tmp/ptyA", "/tmp/ptyB"}));
    SetSerialPortNamesSource({});

    // Back on the system trees: whatever the machine has, nothing is listed twice.
    std::vector<std::string> system;
    GetSerialPortNames(system);
    GetSerialPortNames(system);
    std::vector<std::string> sorted = system;
    std::sort(sorted.begin(), sorted.end());
    EXPECT_EQ(std::adjacent_find(sorted.begin(), sorted.end()), sorted.end());
}

}  // namespace
