// The listing of the serial ports (a USB adapter beside another port, made up at link time: no
// machine the tests run on has one), the choice of the one USB port for "-b auto" and the port
// lines of its refusal message.
#include <gtest/gtest.h>

#include "ListingFault.h"
#include "PortList.h"

namespace {

SerialPortInfo usbPort(const std::string& path) {
    return SerialPortInfo{path, "", true, 0x1a86, 0x7523, "", "", ""};
}

SerialPortInfo builtInPort(const std::string& path) {
    return SerialPortInfo{path, "", false, -1, -1, "", "", ""};
}

TEST(UsbChoice, TakesOnlyASingleUsbPort) {
    SerialPortInfo usb = usbPort("/dev/ttyUSB0"), builtIn = builtInPort("/dev/ttyS0");
    std::string path = "untouched";
    EXPECT_FALSE(ChooseUsbPort({builtIn}, path));
    EXPECT_FALSE(ChooseUsbPort({usbPort("/dev/ttyACM0"), usb}, path));
    EXPECT_EQ(path, "untouched");
    EXPECT_TRUE(ChooseUsbPort({builtIn, usb}, path));
    EXPECT_EQ(path, "/dev/ttyUSB0");
}

// A listing replaces what the list held, sorted by path: a USB adapter with its ids and strings
// and a port beside it. A failed listing leaves the list empty.
TEST(PortList, ListsTheAdaptersPortsSortedOrNothingWhenTheListingFails) {
    std::vector<SerialPortInfo> ports = {builtInPort("/dev/ttyS0")};
    FailNextPortListing();
    EXPECT_FALSE(ListSerialPorts(ports));
    EXPECT_TRUE(ports.empty());
    ports = {builtInPort("/dev/ttyS0")};
    ListUsbAdapterNext();
    ASSERT_TRUE(ListSerialPorts(ports));
    EXPECT_EQ(DescribePorts(ports),
              "  /dev/ptmx 1a86:0000 Maker Adapter A1\n  /dev/tty (not USB)\n");
}

} // namespace
