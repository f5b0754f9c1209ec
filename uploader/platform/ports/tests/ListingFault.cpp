// The enumeration call wrapped at link time; unarmed, it is the library's own.
#include "ListingFault.h"

#include <libserialport.h>
#include <utility>

static bool listingFails = false;

void FailNextPortListing() {
    listingFails = true;
}

extern "C" sp_return __real_sp_list_ports(sp_port*** list);
extern "C" sp_return __wrap_sp_list_ports(sp_port*** list) {
    return std::exchange(listingFails, false) ? SP_ERR_FAIL : __real_sp_list_ports(list);
}
