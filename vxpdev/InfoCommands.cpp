// info and df: what the device is and holds at a glance, and the free space of its drives.
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "Commands.h"
#include "Console.h"
#include "DeviceLink.h"
#include "DevicePath.h"
#include "ExitStatus.h"
#include "TrellupUtility.h"

namespace {

const char kStartFile[] = "autostart.txt";
const char kTempPattern[] = "/vxpdev-start-XXXXXX";
const char kTempFolderVariable[] = "TMPDIR";
const char kDefaultTempFolder[] = "/tmp";

const char kInfoHelp[] = "AT check, DT status, drives with free space, packet size and the "
                         "application that autostart.txt names";
const char kDfHelp[] = "free space per drive";

const char kTextAt[] = "AT: OK\nDT status: %d\npacket size: %d\n";
const char kTextDrive[] = "drive %s free %lu bytes\n";
const char kTextApplication[] = "application: %s\n";
const char kTextNoApplication[] = "application: none (no %s)\n";
const char kTextDf[] = "%s %lu\n";
const char kMsgStartFileUnread[] = "%s: cannot be read from the device\n";
const char kMsgNoTempFile[] = "cannot make a temporary file in %s: %s\n";

// Reads a drive's start file through a temporary PC copy, so its App= line is taken exactly as
// the upload tool takes it. 0 with app set (empty when the line is absent), or 2.
int readStartFile(DeviceLink& link, const std::string& drive, std::string& app) {
    const char* folder = std::getenv(kTempFolderVariable);
    folder = folder != nullptr ? folder : kDefaultTempFolder;
    std::string temp = folder + std::string(kTempPattern);
    int fd = mkstemp(&temp[0]);
    if (fd == -1) {
        Message(kMsgNoTempFile, folder, std::strerror(errno));
        return kExitDevice;
    }
    close(fd);
    std::string devicePath = drive + kDeviceSeparator + kStartFile;
    char value[TRELLUP_PATH_SIZE] = {};
    bool read = link.Conn().TFSReadTargetFile(CString(devicePath.c_str()), CString(temp.c_str())) &&
                getCurrentVXPNameFromTxt(temp.c_str(), value);
    std::remove(temp.c_str());
    if (!read) {
        Message(kMsgStartFileUnread, devicePath.c_str());
        return kExitDevice;
    }
    app = value;
    return kExitDone;
}

// The application of the first drive whose root holds a start file, as the upload tool looks.
int findApplication(DeviceLink& link, const std::vector<DeviceEntry>& drives, bool& found,
                    std::string& app) {
    found = false;
    for (const DeviceEntry& drive : drives) {
        std::vector<DeviceEntry> entries;
        int status = link.ListFolder(CString(drive.name.c_str()), entries);
        if (status != kExitDone)
            continue;
        for (const DeviceEntry& entry : entries)
            if (entry.name == kStartFile) {
                found = true;
                return readStartFile(link, drive.name, app);
            }
    }
    return kExitDone;
}

int info(DeviceLink& link, bool json) {
    int dtStatus = link.Conn().DtStatus(); // as found, before the file commands switch it
    std::vector<DeviceEntry> drives;
    int status = link.ListDrives(drives);
    if (status != kExitDone)
        return status;
    int packetSize = link.Conn().GetUploadPacketSize();
    bool found = false;
    std::string app;
    status = findApplication(link, drives, found, app);
    if (status != kExitDone)
        return status;
    if (json) {
        nlohmann::json doc = {{"at", "OK"},
                              {"dtStatus", dtStatus},
                              {"packetSize", packetSize},
                              {"drives", nlohmann::json::array()},
                              {"application", found ? nlohmann::json(app) : nullptr}};
        for (const DeviceEntry& drive : drives)
            doc["drives"].push_back({{"name", drive.name}, {"free", drive.size}});
        return WriteJson(doc) ? kExitDone : kExitDevice;
    }
    std::string text = Formatted(kTextAt, dtStatus, packetSize);
    for (const DeviceEntry& drive : drives)
        text += Formatted(kTextDrive, drive.name.c_str(), drive.size);
    text += found ? Formatted(kTextApplication, app.c_str())
                  : Formatted(kTextNoApplication, kStartFile);
    return WriteData(text) ? kExitDone : kExitDevice;
}

int df(DeviceLink& link, bool json) {
    std::vector<DeviceEntry> drives;
    int status = link.ListDrives(drives);
    if (status != kExitDone)
        return status;
    nlohmann::json doc = {{"drives", nlohmann::json::array()}};
    std::string text;
    for (const DeviceEntry& drive : drives) {
        doc["drives"].push_back({{"name", drive.name}, {"free", drive.size}});
        text += Formatted(kTextDf, drive.name.c_str(), drive.size);
    }
    return (json ? WriteJson(doc) : WriteData(text)) ? kExitDone : kExitDevice;
}

} // namespace

void AddInfoCommands(CLI::App& app, Invocation& run) {
    app.add_subcommand("info", kInfoHelp)->callback([&run] {
        run.device = [&run](DeviceLink& link) { return info(link, run.json); };
    });
    app.add_subcommand("df", kDfHelp)->callback([&run] {
        run.device = [&run](DeviceLink& link) { return df(link, run.json); };
    });
}
