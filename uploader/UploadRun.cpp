// UploadRun: the upload tool's command flow. It decides from what the device holds which
// upload case applies and drives the Connection through it. Runs on the main thread; the exit
// status tells how it went.
#include "UploadRun.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "Interruption.h"
#include "PortList.h"
#include "ProgressLine.h"
#include "UCS2Text.h"

namespace {

// Exit statuses (a shell sees the low eight bits: 300 as 44, 400 as 144, 500 as 244, 700 as 188).
enum {
    kExitUploaded = 0,
    kExitUsage = 1, // also the normal end of the removal command
    kExitPort = 100,
    kExitNoAnswer = 200,
    kExitWrite = 300,
    kExitDeviceFiles = 400,
    kExitDelete = 500,
    kExitFolder = 700,
};

const char kStartFile[] = "autostart.txt";
const char kDefaultDriveRoot[] = "Z:\\";
const char kDefaultFolderName[] = "@BTZov";
const char kDriveFolderName[] = "ZOV";
const char kKeepOnRemoval[] = "A.vxp";
const char kKeepOnClean[] = "xxx.vxp";
const char kKeepOnStale[] = "a.vxp";
const char kAltNamePrefix[] = "b_";
const char kDeviceSeparator = '\\';
const char kPcSeparator = '/';
const char kAutoPort[] = "auto";

const int kReconnectAttempts = 100;
const std::chrono::milliseconds kReconnectPause(100);

const char kUsage[] =
    "Usage: Trellup -p FILE -b DEVICE [-d KIND] [-t X] [-r X] [-c X] [-q]\n"
    "Uploads an application file to the device on a serial line and makes the device's\n"
    "autostart.txt name it, or removes the installed application.\n"
    "  -p FILE    application file (.vxp) on this computer\n"
    "  -b DEVICE  serial device: a name under /dev/ (ttyUSB0, pts/3), a path from '/', or\n"
    "             auto for the one USB serial port present\n"
    "  -d KIND    device kind: wearable (drive Z:, no drive query), iot, arduino\n"
    "  -a X       upload (the default)\n"
    "  -t X       remove the installed application and autostart.txt instead\n"
    "  -r X       reset the device and reconnect before anything else\n"
    "  -c X       empty an existing application folder before uploading\n"
    "  -q         quiet: no serial trace or progress messages on standard output, errors\n"
    "             on standard error; the final line and the log stay\n"
    "  -h, --help show this text;  --version  show the version\n"
    "Options -a, -t, -r and -c need an argument, which is not used.\n"
    "Exit status: 0 uploaded; 1 bad command line, or removal finished; 100 port cannot be\n"
    "opened or is busy, or -b auto found no single USB serial port; 200 no answer to AT;\n"
    "300 (shell: 44) writing to the device failed; 400 (144) device drive, path or start\n"
    "file unusable; 500 (244) deleting on the device failed; 700 (188) application folder\n"
    "cannot be created; 129, 130, 143 ended by SIGHUP, SIGINT, SIGTERM (a partial file is\n"
    "closed and deleted first).\n"
    "Messages go to standard output and to ~/Documents/Trellup_Logs (the newest 50 logs).\n";

const char kMsgArgumentsPass[] = "Parser argument pass.\n";
const char kMsgConnectFailed[] = "Connect to %s failed.\n";
const char kMsgAutoPort[] = "-b auto chose %s\n";
const char kMsgNoAnswer[] = "The device on %s does not answer AT.\n";
const char kMsgReconnectFailed[] = "Reconnecting to %s after the reset failed.\n";
const char kMsgDriveInfoFailed[] = "Get target driver information failed.\n";
const char kMsgDriveNotAscii[] = "The device reports a drive name outside ASCII: %s\n";
const char kMsgPathTooLong[] = "Joining %s and %s gives a path longer than %d characters.\n";
const char kMsgNotAFile[] = "Open file %s failed, error = %s\n";
const char kMsgNameNotAscii[] = "The file name %s holds characters outside ASCII.\n";
const char kMsgCreateFolderFailed[] = "Create folder %s failed.\n";
const char kMsgListRootFailed[] = "List target folder %s failed.\n";
const char kMsgStartFileFailed[] = "Write start file %s failed.\n";
const char kMsgWriteTargetFailed[] = "Write target file %s failed.\n";
const char kMsgWriteVxpFailed[] = "Write target vxp file %s failed.\n";
const char kMsgReadStartFailed[] = "Read target start file %s failed.\n";
const char kMsgReadStartDone[] = "Read target start file successful.\n";
const char kMsgCurrentVxp[] = "current vxp dir = %s\n";
const char kMsgCurrentTooLong[] =
    "The device's start file names a path of %d or more characters.\n";
const char kMsgCurrentNotAscii[] = "The device's start file names %s, a path outside ASCII.\n";
const char kMsgDeleteFailed[] = "Delete file %s failed.\n";
const char kMsgPushVxp[] = "push vxp file %s\n";
const char kMsgSetFolder[] = "Set current folder %s\n";
const char kMsgOldUndeletable[] = "remove old autostart file and other invalid files.\n";
const char kMsgModifyTxt[] = "Need to modify txt file %s\n";
const char kMsgNoModifyTxt[] = "Does not need to modify txt file, push vxp file %s.\n";
const char kMsgStopCurrent[] = "stop current vxp %s and delete it.\n";
const char kMsgWriteFileFailed[] = "Write file %s failed,\n";
const char kMsgUploadDone[] = "upload done.\n";
const char kMsgUploaded[] = "Uploaded %s to %s: %llu bytes in %.1f s (%.1f KiB/s)\n";
const char kMsgRemoved[] = "Removed %s\n";
const char kMsgNothingRemoved[] = "Nothing to remove on %s\n";
const char kMsgNoPrivateFolder[] = "Cannot create a private temporary folder: %s\n";
const char kListJoint[] = " and ";
const char kMsgInterrupted[] = "Interrupted by signal %d.\n";

// Same-name rule: no position differs (ASCII letters folded) before the end of either name.
bool sameName(const char* a, const char* b) {
    if (*a == '\0')
        return false;
    auto fold = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    for (; *a != '\0' && *b != '\0'; ++a, ++b)
        if (fold(*a) != fold(*b))
            return false;
    return true;
}

unsigned long long fileSize(const char* path) {
    struct stat info;
    return stat(path, &info) == 0 ? static_cast<unsigned long long>(info.st_size) : 0;
}

bool isAsciiText(const char* text) {
    for (; *text != '\0'; ++text)
        if (static_cast<unsigned char>(*text) >= 0x80)
            return false;
    return true;
}

// Splits a path into its folder, name and extension. A path without any separator is a name
// alone (the name would stay empty otherwise, and the file would go up without one). Both
// paths split here are checked before: not empty, and shorter than the buffers.
void splitPath(const char* path, char* dir, char* name, char* ext) {
    splitfilepath(path, dir, name, ext);
    if (std::strpbrk(path, "/\\") == nullptr)
        std::snprintf(name, TRELLUP_PATH_SIZE, "%s", path);
}

} // namespace

void printUsage(FILE* stream) {
    std::fputs(kUsage, stream);
}

// Joins two parts with the separator (none when it is 0) into a 256-byte buffer; false (after
// saying so) when they do not fit, so no path is ever cut short.
bool UploadRun::joinPath(char* out, const char* first, char separator, const char* second) {
    int length = separator != '\0'
                     ? std::snprintf(out, TRELLUP_PATH_SIZE, "%s%c%s", first, separator, second)
                     : std::snprintf(out, TRELLUP_PATH_SIZE, "%s%s", first, second);
    if (length >= 0 && length < TRELLUP_PATH_SIZE)
        return true;
    out[0] = '\0';
    m_out.failure(true, kMsgPathTooLong, first, second, TRELLUP_PATH_SIZE - 1);
    return false;
}

int UploadRun::run() {
    std::snprintf(m_driveRoot, sizeof m_driveRoot, "%s", kDefaultDriveRoot);
    std::snprintf(m_appFolderName, sizeof m_appFolderName, "%s", kDefaultFolderName);
    joinPath(m_appFolderPath, m_driveRoot, kDeviceSeparator, kDefaultFolderName);
    enableDebugLog(true);
    bool quiet = false;
    if (ParseArguments(m_argc, m_argv, m_vxpPath, m_devicePath, &m_commandType, &m_deviceType,
                       &m_resetFirst, &m_cleanFolder, &quiet) != 0) {
        printUsage(stderr);
        return kExitUsage;
    }
    if (quiet)
        m_out.beQuiet();
    log_output(kMsgArgumentsPass);
    m_start = std::chrono::steady_clock::now();
    InstallInterruptionHandlers();
    int status = carryOut();
    return PendingSignal() != 0 ? endInterrupted() : status;
}

// Nothing was sent after the command in flight; only the partial file goes now. The line's
// settings are restored as the Connection goes, the working copy as the run goes.
int UploadRun::endInterrupted() {
    {
        CleanupWindow cleanup;
        m_conn.AbandonOpenFile();
    }
    log_output(kMsgInterrupted, PendingSignal());
    std::fprintf(stderr, kMsgInterrupted, PendingSignal());
    closeLogFile();
    return InterruptedStatus();
}

int UploadRun::carryOut() {
    // An unusable application file is found before anything on the device is deleted.
    int status = m_commandType == COMMAND_TYPE_UNINSTALL ? kExitUploaded : checkApplication();
    if (status == kExitUploaded)
        status = connect();
    if (status == kExitUploaded && m_deviceType != DEVICE_TYPE_WEARABLE)
        status = detectDrive();
    if (status != kExitUploaded)
        return status;
    return m_commandType == COMMAND_TYPE_UNINSTALL ? removeApplication() : upload();
}

int UploadRun::checkApplication() {
    if (!fileExist(m_vxpPath)) {
        m_out.failure(true, kMsgNotAFile, m_vxpPath,
                      directoryExist(m_vxpPath) ? std::strerror(EISDIR) : std::strerror(ENOENT));
        return kExitWrite;
    }
    // The device names files in plain text only; autostart.txt would name other bytes.
    const char* slash = std::strrchr(m_vxpPath, '/');
    const char* name = slash != nullptr ? slash + 1 : m_vxpPath;
    if (!isAsciiText(name)) {
        m_out.failure(true, kMsgNameNotAscii, name);
        return kExitUsage;
    }
    return kExitUploaded;
}

// -b auto: the one USB serial port present becomes the device path; none or several are
// refused with what was found.
bool UploadRun::choosePort() {
    std::string path, refusal;
    if (!ChooseAutoPort(path, refusal)) {
        m_out.failure(true, "%s", refusal.c_str());
        return false;
    }
    log_output(kMsgAutoPort, path.c_str());
    return joinPath(m_devicePath, path.c_str(), '\0', "");
}

int UploadRun::connect() {
    if (std::strcmp(m_devicePath, kAutoPort) == 0 && !choosePort())
        return kExitPort;
    if (!m_conn.Conn_Init(m_devicePath)) {
        // A busy port has been reported in its own line already.
        if (m_conn.PortBusy())
            log_output(kMsgConnectFailed, m_devicePath);
        else
            m_out.failure(false, kMsgConnectFailed, m_devicePath);
        return kExitPort;
    }
    if (m_conn.CheckAT_OK()) {
        std::fprintf(stderr, kMsgNoAnswer, m_devicePath);
        return kExitNoAnswer;
    }
    m_conn.InternalQueryDt();
    return m_resetFirst ? reconnectAfterReset() : kExitUploaded;
}

int UploadRun::reconnectAfterReset() {
    m_conn.TargetReset();
    m_conn.Conn_DeInit();
    for (int attempt = 0; attempt < kReconnectAttempts && PendingSignal() == 0; ++attempt) {
        std::this_thread::sleep_for(kReconnectPause);
        if (m_conn.Conn_Init(m_devicePath)) {
            m_conn.stopAllApp();
            return kExitUploaded;
        }
    }
    std::fprintf(stderr, kMsgReconnectFailed, m_devicePath);
    return kExitPort;
}

int UploadRun::detectDrive() {
    std::vector<CString> driveNames;
    std::vector<unsigned long> driveFreeSizes;
    if (!m_conn.TFSGetDriveInfo(driveNames, driveFreeSizes)) {
        m_out.failure(true, kMsgDriveInfoFailed);
        return kExitDeviceFiles;
    }
    if (driveNames.empty())
        return kExitUploaded;
    std::vector<std::string> roots;
    for (const CString& name : driveNames) {
        std::string root = UCS2toSafeASCII(name); // '?' stands for a character outside ASCII
        if (root.find('?') != std::string::npos) {
            m_out.failure(true, kMsgDriveNotAscii, root.c_str());
            return kExitDeviceFiles;
        }
        roots.push_back(root);
    }
    std::snprintf(m_appFolderName, sizeof m_appFolderName, "%s", kDriveFolderName);
    int status = useDrive(roots[0].c_str());
    for (size_t i = 0; status == kExitUploaded && i < roots.size(); ++i) {
        if (list(roots[i].c_str()) && holds(kStartFile))
            return useDrive(roots[i].c_str());
    }
    return status;
}

int UploadRun::useDrive(const char* driveRoot) {
    if (std::strlen(driveRoot) >= sizeof m_driveRoot ||
        !joinPath(m_appFolderPath, driveRoot, kDeviceSeparator, kDriveFolderName))
        return kExitDeviceFiles;
    std::snprintf(m_driveRoot, sizeof m_driveRoot, "%s", driveRoot);
    return kExitUploaded;
}

int UploadRun::removeApplication() {
    if (!joinPath(m_targetTxtPath, m_driveRoot, kDeviceSeparator, kStartFile))
        return kExitDeviceFiles;
    list(m_appFolderPath);
    list(m_driveRoot);
    std::string removed;
    if (holds(kStartFile) && removeFile(m_targetTxtPath))
        removed = m_targetTxtPath;
    // Both folder names count, whichever this drive uses.
    if (holds(kDefaultFolderName) || holds(kDriveFolderName)) {
        list(m_appFolderPath);
        removeOthers(kKeepOnRemoval);
        list(m_appFolderPath);
        if (m_conn.TFSRemoveDir(CString(m_appFolderPath)))
            removed += (removed.empty() ? "" : kListJoint) + std::string(m_appFolderPath);
    }
    list(m_driveRoot);
    list(m_appFolderPath);
    m_conn.Conn_DeInit(); // its trace ends here, so the result is the last line
    if (removed.empty())
        m_out.result(kMsgNothingRemoved, m_driveRoot);
    else
        m_out.result(kMsgRemoved, removed.c_str());
    return kExitUsage;
}

int UploadRun::upload() {
    splitPath(m_vxpPath, m_vxpDir, m_vxpName, m_vxpExt);
    if (!joinPath(m_targetTxtPath, m_driveRoot, kDeviceSeparator, kStartFile))
        return kExitDeviceFiles;
    if (list(m_driveRoot) && holds(kStartFile))
        m_conn.stopAllApp();
    if (!holds(m_appFolderName)) {
        if (!m_conn.TFSCreateDir(CString(m_appFolderPath))) {
            std::fprintf(stderr, kMsgCreateFolderFailed, m_appFolderPath);
            return kExitFolder;
        }
    } else if (m_cleanFolder) {
        list(m_appFolderPath);
        removeOthers(kKeepOnClean);
        list(m_appFolderPath);
    }
    list(m_appFolderPath);
    // Without the drive's listing nothing tells which case applies: nothing was uploaded.
    if (!list(m_driveRoot)) {
        m_out.failure(true, kMsgListRootFailed, m_driveRoot);
        return kExitDeviceFiles;
    }
    if (!makeLocalTxtPath())
        return kExitDeviceFiles;
    if (!holds(kStartFile))
        return uploadFresh();
    if (!m_conn.TFSReadTargetFile(CString(m_targetTxtPath), CString(m_localTxtPath))) {
        m_out.failure(false, kMsgReadStartFailed, m_targetTxtPath);
        return kExitDeviceFiles;
    }
    log_output(kMsgReadStartDone);
    getCurrentVXPNameFromTxt(m_localTxtPath, m_currentVxpPath);
    log_output(kMsgCurrentVxp, m_currentVxpPath);
    // The reader cuts the value to the buffer, so a full buffer may hold a cut path.
    if (std::strlen(m_currentVxpPath) >= TRELLUP_PATH_SIZE - 1) {
        m_out.failure(true, kMsgCurrentTooLong, TRELLUP_PATH_SIZE - 1);
        return kExitDeviceFiles;
    }
    if (!isAsciiText(m_currentVxpPath)) {
        m_out.failure(true, kMsgCurrentNotAscii, m_currentVxpPath);
        return kExitDeviceFiles;
    }
    return m_currentVxpPath[0] == '\0' ? replaceStaleStartFile() : replaceRunning();
}

// The working copy of autostart.txt lies in a private folder of its own: the program's folder
// may be read-only or shared between users, and the current folder is the user's.
bool UploadRun::makeLocalTxtPath() {
    if (!makePrivateFolder(m_workFolder)) {
        m_out.failure(true, kMsgNoPrivateFolder, std::strerror(errno));
        return false;
    }
    return joinPath(m_localTxtPath, m_workFolder, kPcSeparator, kStartFile);
}

void UploadRun::removeWorkFolder() {
    if (m_workFolder[0] == '\0')
        return;
    if (m_localTxtPath[0] != '\0')
        unlink(m_localTxtPath);
    rmdir(m_workFolder);
    m_workFolder[0] = '\0';
}

bool UploadRun::writeStartFile(const char* folder, const char* name) {
    if (generateNewTxt(m_localTxtPath, folder, name))
        return true;
    // Uploading an older working copy would make the device start another application.
    m_out.failure(true, kMsgStartFileFailed, m_localTxtPath);
    return false;
}

bool UploadRun::writeApplication(const char* target) {
    ProgressLine progress;
    if (m_out.showsProgress())
        m_conn.SetProgressCallback(&ProgressLine::update, &progress);
    bool written = writeFile(target, m_vxpPath);
    m_conn.SetProgressCallback(nullptr, nullptr);
    progress.finish();
    m_uploadedTo = target;
    return written;
}

int UploadRun::writeStartThenApplication(WriteReport report) {
    if (!writeFile(m_targetTxtPath, m_localTxtPath)) {
        m_out.failure(true, kMsgWriteTargetFailed, m_targetTxtPath);
        return kExitWrite;
    }
    if (!writeApplication(m_targetVxpPath)) {
        m_out.failure(true, report == kReportVxpFile ? kMsgWriteVxpFailed : kMsgWriteTargetFailed,
                      m_targetVxpPath);
        return kExitWrite;
    }
    return kExitUploaded;
}

int UploadRun::uploadFresh() {
    if (!joinPath(m_targetVxpPath, m_appFolderPath, kDeviceSeparator, m_vxpName))
        return kExitDeviceFiles;
    if (!writeStartFile(m_appFolderPath, m_vxpName))
        return kExitWrite;
    if (writeStartThenApplication(kReportVxpFile) != kExitUploaded)
        return kExitWrite;
    list(m_driveRoot);
    list(m_appFolderPath);
    m_conn.TargetReset();
    return finish();
}

int UploadRun::replaceStaleStartFile() {
    list(m_driveRoot);
    if (!removeFile(m_targetTxtPath)) {
        m_out.failure(true, kMsgDeleteFailed, m_targetTxtPath);
        return kExitDelete;
    }
    list(m_appFolderPath);
    removeOthers(kKeepOnStale);
    if (!joinPath(m_targetVxpPath, m_appFolderPath, kDeviceSeparator, m_vxpName))
        return kExitDeviceFiles;
    if (!writeStartFile(m_appFolderPath, m_vxpName))
        return kExitWrite;
    log_output(kMsgPushVxp, m_targetVxpPath);
    return writeStartThenApplication(kReportTargetFile) == kExitUploaded ? finish() : kExitWrite;
}

int UploadRun::replaceRunning() {
    splitPath(m_currentVxpPath, m_currentDir, m_currentName, m_currentExt);
    list(m_appFolderPath);
    // An empty folder (emptied by -c, or by an interrupted upload) lacks the named file too.
    bool emptyFolder = !removeOthers(m_currentName);
    if (!emptyFolder) {
        list(m_appFolderPath);
        log_output(kMsgSetFolder, m_appFolderPath);
    }
    if (!emptyFolder && holds(m_currentName)) {
        if (!removeFile(m_currentVxpPath))
            return replaceUndeletable();
        // The new application takes the old one's path; autostart.txt stays as it is.
        if (writeApplication(m_currentVxpPath))
            return finish();
        m_out.failure(true, kMsgWriteTargetFailed, m_currentVxpPath);
        return kExitWrite;
    }
    log_output(kMsgStopCurrent, m_currentVxpPath);
    if (writeApplication(m_currentVxpPath))
        return finish();
    m_out.failure(true, kMsgWriteFileFailed, m_vxpPath);
    return kExitWrite;
}

int UploadRun::replaceUndeletable() {
    log_and_print(kMsgOldUndeletable);
    list(m_driveRoot);
    if (!removeFile(m_targetTxtPath)) {
        m_out.failure(true, kMsgDeleteFailed, m_targetTxtPath);
        return kExitDelete;
    }
    const char* name = m_vxpName;
    if (sameName(m_vxpName, m_currentName)) {
        // The old file keeps its name, so the new one needs another.
        log_output(kMsgModifyTxt, m_targetTxtPath);
        if (!joinPath(m_altVxpName, kAltNamePrefix, 0, m_vxpName))
            return kExitDeviceFiles;
        name = m_altVxpName;
    }
    if (!joinPath(m_targetVxpPath, m_appFolderPath, kDeviceSeparator, name))
        return kExitDeviceFiles;
    if (name == m_vxpName)
        log_and_print(kMsgNoModifyTxt, m_targetVxpPath);
    if (!writeStartFile(m_appFolderPath, name))
        return kExitWrite;
    return writeStartThenApplication(kReportTargetFile) == kExitUploaded ? finish() : kExitWrite;
}

int UploadRun::finish() {
    log_output(kMsgUploadDone);
    m_conn.Conn_DeInit(); // its trace ends here, so the result is the last line
    double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - m_start).count();
    unsigned long long size = fileSize(m_vxpPath);
    m_out.result(kMsgUploaded, m_vxpPath, m_uploadedTo, size, seconds, KiBPerSecond(size, seconds));
    closeLogFile();
    return kExitUploaded;
}
