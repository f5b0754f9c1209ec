// The listing of the serial ports (a USB adapter beside another port, made up at link time: no
// machine the tests run on has one) and the port lines of the "-b auto" refusal. The choice of
// the one USB port is seen through vxpdev's ports test and the upload tool's refusal.
#include <gtest/gtest.h>

#include "ListingFault.h"
#include "PortList.h"

namespace {

// A listing replaces what the list held, sorted by path: a USB adapter with its ids and strings
// and a port beside it. A failed listing leaves the list empty.
TEST(PortList, ListsTheAdaptersPortsSortedOrNothingWhenTheListingFails) {
    const SerialPortInfo stale{"/dev/ttyS0", "", false, -1, -1, "", "", ""};
    std::vector<SerialPortInfo> ports = {stale};
    FailNextPortListing();
    EXPECT_FALSE(ListSerialPorts(ports));
    EXPECT_TRUE(ports.empty());
    ports = {stale};
    ListUsbAdapterNext();
    ASSERT_TRUE(ListSerialPorts(ports));
    EXPECT_EQ(DescribePorts(ports),
              "  /dev/ptmx 1a86:0000 Maker Adapter A1\n  /dev/tty (not USB)\n");
}

} // namespace
