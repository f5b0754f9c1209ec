// The enumeration calls wrapped at link time; unarmed, they are the library's own. The USB
// adapter lives on the pseudo-terminal multiplexer, a device every machine has and no listing
// holds, so the description calls know it by its name.
#include "ListingFault.h"

#include <libserialport.h>

#include <cstdlib>
#include <cstring>
#include <utility>

namespace {

enum class Listing { kReal, kFails, kUsbAdapter };
Listing nextListing = Listing::kReal;

const char kAdapter[] = "/dev/ptmx";
const char kOtherPort[] = "/dev/tty";

bool isAdapter(const sp_port* port) {
    return std::strcmp(sp_get_port_name(port), kAdapter) == 0;
}

} // namespace

void FailNextPortListing() {
    nextListing = Listing::kFails;
}

void ListUsbAdapterNext() {
    nextListing = Listing::kUsbAdapter;
}

extern "C" sp_return __real_sp_list_ports(sp_port*** list);
extern "C" sp_return __wrap_sp_list_ports(sp_port*** list) {
    Listing listing = std::exchange(nextListing, Listing::kReal);
    if (listing != Listing::kUsbAdapter)
        return listing == Listing::kFails ? SP_ERR_FAIL : __real_sp_list_ports(list);
    // Out of order, and freed by sp_free_port_list as the library's own list.
    *list = static_cast<sp_port**>(std::calloc(3, sizeof(sp_port*)));
    return sp_get_port_by_name(kOtherPort, &(*list)[0]) == SP_OK
               ? sp_get_port_by_name(kAdapter, &(*list)[1])
               : SP_ERR_FAIL;
}

extern "C" sp_transport __real_sp_get_port_transport(const sp_port* port);
extern "C" sp_transport __wrap_sp_get_port_transport(const sp_port* port) {
    return isAdapter(port) ? SP_TRANSPORT_USB : __real_sp_get_port_transport(port);
}

extern "C" sp_return __real_sp_get_port_usb_vid_pid(const sp_port* port, int* vid, int* pid);
extern "C" sp_return __wrap_sp_get_port_usb_vid_pid(const sp_port* port, int* vid, int* pid) {
    if (!isAdapter(port))
        return __real_sp_get_port_usb_vid_pid(port, vid, pid);
    *vid = 0x1a86;
    *pid = 0; // an id some adapters report
    return SP_OK;
}

#define ADAPTER_TEXT(call, text)                                                                   \
    extern "C" char* __real_##call(const sp_port* port);                                           \
    extern "C" char* __wrap_##call(const sp_port* port) {                                          \
        return isAdapter(port) ? const_cast<char*>(text) : __real_##call(port);                    \
    }

ADAPTER_TEXT(sp_get_port_usb_manufacturer, "Maker")
ADAPTER_TEXT(sp_get_port_usb_product, "Adapter")
ADAPTER_TEXT(sp_get_port_usb_serial, "A1")
