// The serial ports this computer offers, as the system enumerates them (name, USB ids and
// strings where known), and the choice of the one USB serial port for "-b auto". Called on the
// main thread; the line itself stays with CommModule.
#pragma once

#include <string>
#include <vector>

struct SerialPortInfo {
    std::string path;        // "/dev/ttyUSB0"
    std::string description; // the system's one-line description, may be empty
    bool usb = false;
    int vendorId = -1; // USB ids, -1 when unknown
    int productId = -1;
    std::string manufacturer; // USB strings, empty when unknown
    std::string product;
    std::string serial;
};

// Fills ports with every serial port the system lists, sorted by path. False (ports empty) when
// the enumeration itself failed.
bool ListSerialPorts(std::vector<SerialPortInfo>& ports);

// The path of the one USB port among ports in path; false when there is none or more than one.
bool ChooseUsbPort(const std::vector<SerialPortInfo>& ports, std::string& path);

// What a failed listing says.
extern const char kMsgPortsUnlisted[];

// "-b auto": the path of the one USB port the system lists. False with the reason, a message of
// one or more lines, when the ports cannot be listed or not exactly one of them is USB.
bool ChooseAutoPort(std::string& path, std::string& refusal);

// One line per port for messages: path, then the USB ids and strings that are known.
std::string DescribePorts(const std::vector<SerialPortInfo>& ports);
