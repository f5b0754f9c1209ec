// For tests: the next enumeration of serial ports fails, as it does where the system offers no
// port listing. Linking the listing_fault library routes the enumeration through it.
#pragma once

void FailNextPortListing();
