// ls, rm, mkdir and rmdir: the device's folders and the entries in them.
#include <vector>

#include "Commands.h"
#include "Console.h"
#include "DeviceLink.h"
#include "DevicePath.h"
#include "ExitStatus.h"

namespace {

const char kLsHelp[] = "the drives (with their free space under -l), or the entries of a "
                       "device folder (with sizes and kinds under -l)";
const char kRmHelp[] = "delete a device file";
const char kMkdirHelp[] = "create a device folder";
const char kRmdirHelp[] = "remove an empty device folder";
const char kPathHelp[] = "device path such as C:\\ZOV or C:/ZOV";

const char kTextLong[] = "%-6s %10lu  %s\n";
const char* const kKindNames[] = {"?", "file", "folder", "drive"}; // EntryKind + 1

const char kActionLs[] = "ls";

const char* kindName(EntryKind kind) {
    return kKindNames[kind + 1];
}

int printEntries(const std::vector<DeviceEntry>& entries, bool longForm, bool json) {
    if (json) {
        nlohmann::json doc = {{"entries", nlohmann::json::array()}};
        for (const DeviceEntry& entry : entries)
            doc["entries"].push_back(
                {{"name", entry.name}, {"size", entry.size}, {"kind", kindName(entry.kind)}});
        return WriteJson(doc) ? kExitDone : kExitDevice;
    }
    std::string text;
    for (const DeviceEntry& entry : entries)
        text += longForm
                    ? Formatted(kTextLong, kindName(entry.kind), entry.size, entry.name.c_str())
                    : entry.name + "\n";
    return WriteData(text) ? kExitDone : kExitDevice;
}

int ls(DeviceLink& link, const std::string& typed, bool longForm, bool json) {
    std::vector<DeviceEntry> entries;
    if (typed.empty()) {
        int status = link.ListDrives(entries);
        return status == kExitDone ? printEntries(entries, longForm, json) : status;
    }
    CString path = DevicePath(typed);
    if (link.ListFolder(path, entries) == kExitDone)
        return printEntries(entries, longForm, json);
    // A file is listed as itself, as ls does on a computer.
    DeviceEntry entry;
    if (link.Find(path, entry) == kExitDone && entry.kind == kKindFile)
        return printEntries({entry}, longForm, json);
    return link.Failed(kActionLs, path);
}

bool removeFile(Connection& conn, const CString& path) {
    return conn.TFSRemoveTargetFile(path);
}
bool createFolder(Connection& conn, const CString& path) {
    return conn.TFSCreateDir(path);
}
bool removeFolder(Connection& conn, const CString& path) {
    return conn.TFSRemoveDir(path);
}

// The commands that change one path, and print nothing on standard output when they worked.
struct ChangeCommand {
    const char* name;
    const char* help;
    bool (*apply)(Connection&, const CString&);
};
const ChangeCommand kChangeCommands[] = {{"rm", kRmHelp, removeFile},
                                         {"mkdir", kMkdirHelp, createFolder},
                                         {"rmdir", kRmdirHelp, removeFolder}};

int change(DeviceLink& link, const ChangeCommand& command, const std::string& typed) {
    CString path = DevicePath(typed);
    return command.apply(link.Conn(), path) ? kExitDone : link.Failed(command.name, path);
}

void addChange(CLI::App& app, Invocation& run, const ChangeCommand& command) {
    auto path = std::make_shared<std::string>();
    CLI::App* sub = app.add_subcommand(command.name, command.help);
    sub->add_option("PATH", *path, kPathHelp)->required();
    sub->callback([&run, path, &command] {
        run.device = [path, &command](DeviceLink& link) { return change(link, command, *path); };
    });
}

} // namespace

void AddFileCommands(CLI::App& app, Invocation& run) {
    auto path = std::make_shared<std::string>();
    auto longForm = std::make_shared<bool>(false);
    CLI::App* command = app.add_subcommand(kActionLs, kLsHelp);
    command->add_option("PATH", *path, kPathHelp);
    command->add_flag("-l", *longForm, "show sizes and kinds");
    command->callback([&run, path, longForm] {
        run.device = [&run, path, longForm](DeviceLink& link) {
            return ls(link, *path, *longForm, run.json);
        };
    });
    for (const ChangeCommand& change : kChangeCommands)
        addChange(app, run, change);
}
