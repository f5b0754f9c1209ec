// For tests: the next enumeration of serial ports fails, as it does where the system offers no
// port listing, or lists a single USB adapter with known ids and strings. Linking the
// listing_fault library routes the enumeration through it.
#pragma once

void FailNextPortListing();
void ListUsbAdapterNext(); // as "/dev/ptmx 1a86:7523 Maker Adapter A1"
