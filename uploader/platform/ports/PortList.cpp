// Serial port enumeration through libserialport: only its listing and USB description calls are
// used; opening and configuring a line is CommModule's work.
#include "PortList.h"

#include <libserialport.h>

#include <algorithm>
#include <cstdio>

const char kMsgPortsUnlisted[] = "the serial ports cannot be listed\n";

namespace {

const char kMsgNoSingleUsb[] = "-b auto needs exactly one USB serial port; found %zu port(s)%s\n";

std::string textOf(const char* text) {
    return text != nullptr ? text : "";
}

SerialPortInfo describe(sp_port* port) {
    SerialPortInfo info;
    info.path = textOf(sp_get_port_name(port));
    info.description = textOf(sp_get_port_description(port));
    info.usb = sp_get_port_transport(port) == SP_TRANSPORT_USB;
    if (!info.usb)
        return info;
    int vendor; // read only when the library wrote them
    int product;
    if (sp_get_port_usb_vid_pid(port, &vendor, &product) == SP_OK) {
        info.vendorId = vendor;
        info.productId = product;
    }
    info.manufacturer = textOf(sp_get_port_usb_manufacturer(port));
    info.product = textOf(sp_get_port_usb_product(port));
    info.serial = textOf(sp_get_port_usb_serial(port));
    return info;
}

} // namespace

bool ListSerialPorts(std::vector<SerialPortInfo>& ports) {
    ports.clear();
    sp_port** list = nullptr;
    if (sp_list_ports(&list) != SP_OK)
        return false;
    for (sp_port** port = list; *port != nullptr; ++port)
        ports.push_back(describe(*port));
    sp_free_port_list(list);
    std::sort(ports.begin(), ports.end(),
              [](const SerialPortInfo& a, const SerialPortInfo& b) { return a.path < b.path; });
    return true;
}

bool ChooseUsbPort(const std::vector<SerialPortInfo>& ports, std::string& path) {
    auto usb = [](const SerialPortInfo& port) { return port.usb; };
    if (std::count_if(ports.begin(), ports.end(), usb) != 1)
        return false;
    path = std::find_if(ports.begin(), ports.end(), usb)->path;
    return true;
}

bool ChooseAutoPort(std::string& path, std::string& refusal) {
    std::vector<SerialPortInfo> ports;
    if (!ListSerialPorts(ports)) {
        refusal = kMsgPortsUnlisted;
        return false;
    }
    if (ChooseUsbPort(ports, path))
        return true;
    char found[sizeof kMsgNoSingleUsb + 24];
    std::snprintf(found, sizeof found, kMsgNoSingleUsb, ports.size(), ports.empty() ? "" : ":");
    refusal = found + DescribePorts(ports);
    return false;
}

std::string DescribePorts(const std::vector<SerialPortInfo>& ports) {
    std::string text;
    for (const SerialPortInfo& port : ports) {
        text += "  " + port.path;
        if (port.vendorId >= 0) {
            char ids[24]; // room for any two ints; USB ids take four digits each
            std::snprintf(ids, sizeof ids, " %04x:%04x", port.vendorId, port.productId);
            text += ids;
        }
        for (const std::string* part : {&port.manufacturer, &port.product, &port.serial})
            if (!part->empty())
                text += " " + *part;
        if (!port.usb)
            text += " (not USB)";
        text += "\n";
    }
    return text;
}
