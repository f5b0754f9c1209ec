// For tests: the next enumeration of serial ports fails, as it does where the system offers no
// port listing, or lists a USB adapter with known ids and strings beside a port that is not
// USB. Linking the listing_fault library routes the enumeration through it.
#pragma once

void FailNextPortListing();
void ListUsbAdapterNext(); // "/dev/tty", then "/dev/ptmx 1a86:0000 Maker Adapter A1"
