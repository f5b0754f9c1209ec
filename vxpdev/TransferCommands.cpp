// cat, get, put and verify: device files read to this computer, written from it, and compared.
#include <unistd.h>

#include <algorithm>
#include <cstdio>

#include "Commands.h"
#include "Console.h"
#include "DeviceLink.h"
#include "DevicePath.h"
#include "ExitStatus.h"
#include "Interruption.h"
#include "PcFile.h"
#include "ProgressLine.h"
#include "TrellupUtility.h"

namespace {

const char kCatHelp[] = "a device file to standard output";
const char kGetHelp[] = "a device file to this computer";
const char kPutHelp[] = "a file of this computer to the device";
const char kVerifyHelp[] = "compare a file of this computer with a device file";
const char kDevicePathHelp[] = "device path such as C:\\ZOV\\app.vxp or C:/ZOV/app.vxp";
const char kPcPathHelp[] = "path on this computer";
const char kForceHelp[] = "replace an existing file";

const char kActionRead[] = "read";
const char kActionWrite[] = "write";
const char kPcSeparator[] = "/";

const char kMsgIsFolder[] = "%s: a folder, not a file\n";
const char kMsgPcUnreadable[] = "%s: no such readable file on this computer\n";
const char kMsgPcExists[] = "%s: exists on this computer (-f replaces it)\n";
const char kMsgPcWriteFailed[] = "%s: cannot be written on this computer\n";
const char kMsgDeviceExists[] = "%s: exists on the device (-f replaces it)\n";
const char kMsgWriteFailed[] = "%s: writing to the device failed; nothing was left there\n";
const char kMsgReadNotAscii[] = "%s: names outside ASCII cannot be read from the device\n";
const char kMsgStdoutFailed[] = "standard output cannot be written\n";
const char kTextSame[] = "same: %s and %s, %zu bytes\n";
const char kTextSizes[] = "sizes differ: %s has %zu bytes, %s has %lu\n";
const char kTextByte[] = "differ at offset %zu: %s and %s\n";

// The read command carries its name as narrow text, so only ASCII names can be read.
bool isAscii(const CString& path) {
    std::string text = Utf8(path);
    return std::all_of(text.begin(), text.end(), [](char c) { return (c & 0x80) == 0; });
}

struct TransferArgs {
    std::string device;
    std::string pc;
    bool force = false;
};

// The entry of a device file: 0, 3 when it is missing or a folder, 2 when the device failed.
int findDeviceFile(DeviceLink& link, const CString& path, DeviceEntry& entry) {
    int status = link.Find(path, entry);
    if (status == kExitNotFound)
        return link.Failed(kActionRead, path);
    if (status == kExitDone && (entry.kind == kKindFolder || entry.kind == kKindDrive)) {
        Message(kMsgIsFolder, Utf8(path).c_str());
        return kExitNotFound;
    }
    return status;
}

// The device file of that entry whole into bytes: 0, or 2 when it cannot be read.
int readDeviceFile(DeviceLink& link, const CString& path, const DeviceEntry& entry,
                   std::string& bytes) {
    if (!isAscii(path)) {
        Message(kMsgReadNotAscii, Utf8(path).c_str());
        return kExitDevice;
    }
    if (!link.Conn().TFSReadTargetBytes(path, entry.size, bytes))
        return link.Failed(kActionRead, path);
    return kExitDone;
}

// Both steps: 0, 3 when it is missing or a folder, 2 when the device failed.
int fetchDeviceFile(DeviceLink& link, const CString& path, std::string& bytes) {
    DeviceEntry entry;
    int status = findDeviceFile(link, path, entry);
    return status == kExitDone ? readDeviceFile(link, path, entry, bytes) : status;
}

int cat(DeviceLink& link, const TransferArgs& args) {
    std::string bytes;
    int status = fetchDeviceFile(link, DevicePath(args.device), bytes);
    if (status == kExitDone && !WriteData(bytes)) {
        Message(kMsgStdoutFailed);
        return kExitDevice;
    }
    return status;
}

int get(DeviceLink& link, const TransferArgs& args) {
    CString path = DevicePath(args.device);
    CString parent;
    CString name = path;
    SplitDevicePath(path, parent, name);
    std::string target = args.pc.empty() ? Utf8(name) : args.pc;
    if (directoryExist(target.c_str()))
        target += kPcSeparator + Utf8(name);
    if (!args.force && PcPathExists(target)) {
        Message(kMsgPcExists, target.c_str());
        return kExitUsage;
    }
    std::string bytes;
    int status = fetchDeviceFile(link, path, bytes);
    if (status == kExitDone && !WritePcFileWhole(target, bytes)) {
        Message(kMsgPcWriteFailed, target.c_str());
        return kExitNotFound;
    }
    return status;
}

// Where put writes: into a folder the path names, under the PC file's name. 0 with target set,
// 1 when a file is there without -f, 3 when the folder is missing, 2 when the device failed.
int putTarget(DeviceLink& link, const TransferArgs& args, CString& target) {
    target = DevicePath(args.device);
    DeviceEntry entry;
    int status = link.Find(target, entry);
    if (status == kExitDone && (entry.kind == kKindFolder || entry.kind == kKindDrive)) {
        target += CString(kDeviceSeparator);
        target += DevicePath(PcBaseName(args.pc));
        status = link.Find(target, entry);
    }
    if (status == kExitDone && !args.force) {
        Message(kMsgDeviceExists, Utf8(target).c_str());
        return kExitUsage;
    }
    if (status != kExitNotFound)
        return status;
    CString parent;
    CString name;
    std::vector<DeviceEntry> entries;
    if (SplitDevicePath(target, parent, name) && link.ListFolder(parent, entries) == kExitNotFound)
        return link.Failed(kActionWrite, parent);
    return kExitDone;
}

int put(DeviceLink& link, const TransferArgs& args) {
    if (!fileExist(args.pc.c_str())) {
        Message(kMsgPcUnreadable, args.pc.c_str());
        return kExitNotFound;
    }
    CString target;
    int status = putTarget(link, args, target);
    if (status != kExitDone)
        return status;
    ProgressLine progress;
    if (isatty(STDERR_FILENO))
        link.Conn().SetProgressCallback(&ProgressLine::update, &progress);
    int written = link.Conn().TFSWriteTargetFile(target, CString(args.pc.c_str()));
    link.Conn().SetProgressCallback(nullptr, nullptr);
    progress.finish();
    // After a signal the partial file is the driver's to delete, and the message its to give.
    if (written == 0 || PendingSignal() != 0)
        return written == 0 ? kExitDone : kExitDevice;
    Message(kMsgWriteFailed, Utf8(target).c_str());
    return kExitDevice;
}

size_t firstDifference(const std::string& a, const std::string& b) {
    size_t at = 0;
    while (at < a.size() && at < b.size() && a[at] == b[at])
        ++at;
    return at;
}

// The sizes from the listing first: a file of another size is not read at all.
int verify(DeviceLink& link, const TransferArgs& args, bool json) {
    std::string local;
    if (!ReadPcFile(args.pc, local)) {
        Message(kMsgPcUnreadable, args.pc.c_str());
        return kExitNotFound;
    }
    CString path = DevicePath(args.device);
    DeviceEntry entry;
    std::string device;
    int status = findDeviceFile(link, path, entry);
    if (status == kExitDone && entry.size == local.size())
        status = readDeviceFile(link, path, entry, device);
    if (status != kExitDone)
        return status;
    nlohmann::json doc = {{"pcPath", args.pc},      {"devicePath", Utf8(path)},
                          {"pcSize", local.size()}, {"deviceSize", entry.size},
                          {"same", false},          {"firstDifference", nullptr}};
    std::string text;
    size_t at = firstDifference(local, device);
    if (entry.size != local.size()) {
        text = Formatted(kTextSizes, args.pc.c_str(), local.size(), Utf8(path).c_str(), entry.size);
    } else if (at < local.size() || device.size() != local.size()) {
        doc["firstDifference"] = at;
        text = Formatted(kTextByte, at, args.pc.c_str(), Utf8(path).c_str());
    } else {
        doc["same"] = true;
        text = Formatted(kTextSame, args.pc.c_str(), Utf8(path).c_str(), local.size());
    }
    if (!(json ? WriteJson(doc) : WriteData(text)))
        return kExitDevice;
    return doc["same"] ? kExitDone : kExitNotFound;
}

typedef int (*TRANSFER_FN)(DeviceLink&, const TransferArgs&);

CLI::App* addTransfer(CLI::App& app, Invocation& run, const char* name, const char* help,
                      TRANSFER_FN action, const std::shared_ptr<TransferArgs>& args) {
    CLI::App* command = app.add_subcommand(name, help);
    command->callback([&run, args, action] {
        run.device = [args, action](DeviceLink& link) { return action(link, *args); };
    });
    return command;
}

} // namespace

void AddTransferCommands(CLI::App& app, Invocation& run) {
    auto catArgs = std::make_shared<TransferArgs>();
    addTransfer(app, run, "cat", kCatHelp, cat, catArgs)
        ->add_option("PATH", catArgs->device, kDevicePathHelp)
        ->required();

    auto getArgs = std::make_shared<TransferArgs>();
    CLI::App* getCommand = addTransfer(app, run, "get", kGetHelp, get, getArgs);
    getCommand->add_option("PATH", getArgs->device, kDevicePathHelp)->required();
    getCommand->add_option("PC_PATH", getArgs->pc, kPcPathHelp);
    getCommand->add_flag("-f", getArgs->force, kForceHelp);

    auto putArgs = std::make_shared<TransferArgs>();
    CLI::App* putCommand = addTransfer(app, run, "put", kPutHelp, put, putArgs);
    putCommand->add_option("PC_PATH", putArgs->pc, kPcPathHelp)->required();
    putCommand->add_option("PATH", putArgs->device, kDevicePathHelp)->required();
    putCommand->add_flag("-f", putArgs->force, kForceHelp);

    auto verifyArgs = std::make_shared<TransferArgs>();
    CLI::App* verifyCommand = app.add_subcommand("verify", kVerifyHelp);
    verifyCommand->add_option("PC_PATH", verifyArgs->pc, kPcPathHelp)->required();
    verifyCommand->add_option("PATH", verifyArgs->device, kDevicePathHelp)->required();
    verifyCommand->callback([&run, verifyArgs] {
        run.device = [&run, verifyArgs](DeviceLink& link) {
            return verify(link, *verifyArgs, run.json);
        };
    });
}
