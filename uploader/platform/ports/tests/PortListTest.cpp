// The choice of the one USB port for "-b auto" and the port lines of its refusal message.
#include <gtest/gtest.h>

#include "PortList.h"

namespace {

SerialPortInfo usbPort(const std::string& path) {
    SerialPortInfo port;
    port.path = path;
    port.usb = true;
    port.vendorId = 0x1a86;
    port.productId = 0x7523;
    port.manufacturer = "Maker";
    port.serial = "A1";
    return port;
}

SerialPortInfo builtInPort(const std::string& path) {
    SerialPortInfo port;
    port.path = path;
    return port;
}

struct ChoiceCase {
    const char* name;
    std::vector<SerialPortInfo> ports;
    bool chosen;
    const char* path;
};

class UsbChoice : public ::testing::TestWithParam<ChoiceCase> {};

TEST_P(UsbChoice, TakesOnlyASingleUsbPort) {
    std::string path = "untouched";
    EXPECT_EQ(ChooseUsbPort(GetParam().ports, path), GetParam().chosen);
    EXPECT_EQ(path, GetParam().path);
}

INSTANTIATE_TEST_SUITE_P(
    Ports, UsbChoice,
    ::testing::Values(
        ChoiceCase{"None", {}, false, "untouched"},
        ChoiceCase{"BuiltInOnly", {builtInPort("/dev/ttyS0")}, false, "untouched"},
        ChoiceCase{"OneUsbAmongBuiltIn",
                   {builtInPort("/dev/ttyS0"), usbPort("/dev/ttyUSB0"), builtInPort("/dev/ttyS1")},
                   true,
                   "/dev/ttyUSB0"},
        ChoiceCase{
            "TwoUsb", {usbPort("/dev/ttyACM0"), usbPort("/dev/ttyUSB0")}, false, "untouched"}),
    [](const auto& p) { return std::string(p.param.name); });

TEST(PortLines, NameIdsAndKnownStringsOnly) {
    EXPECT_EQ(DescribePorts({usbPort("/dev/ttyUSB0"), builtInPort("/dev/ttyS0")}),
              "  /dev/ttyUSB0 1a86:7523 Maker A1\n  /dev/ttyS0 (not USB)\n");
}

} // namespace
