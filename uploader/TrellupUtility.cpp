// The upload tool's utilities: command line, device path, log file and its pruning, start-file
// text and its private folder, path splitting and small text routines. log_output and
// closeLogFile share the log handle under one mutex, since the serial reader thread logs while
// the main thread may close the log.
#include "TrellupUtility.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <getopt.h>
#include <mutex>
#include <pwd.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <utility>
#include <vector>

// Formats, as macros so that the compiler checks their arguments.
#define LOG_NAME_FORMAT "/Trellup_Dump_%02d-%02d-%02d-%02d-%02d-%02d"
#define START_FILE_FORMAT "[autostart]\r\nApp=%s\\%s\r\n"
#define MSG_ARGUMENT_COUNT "Command argument incorrect.\n"
#define MSG_PARAMETER_COUNT "Command parameter number = %d\n"
#define MSG_PARAMETER "Parameter %d = %s\n"
#define MSG_INVALID_FLAG "Error: ParseArguments(): invalid argument flag (%c)\n"
#define MSG_TOO_LONG "Error: ParseArguments(): option -%c makes a path longer than %d characters.\n"
#define MSG_NO_DEVICE "no serial device given (-b)\n"
#define MSG_DEVICE_PATH "device path %s\n"
#define MSG_VXP_PATH "vxp file path %s\n"
#define MSG_DEFECT                                                                                 \
    "Error: ParseArguments() parameter is defect. please make sure you "                           \
    "have setup -i, -e, -c option.\n"

namespace {

const char* const OPTION_TEXT = "+b:d:p:r:t:a:c:vq"; // '+': stop at the first non-option
const char* const DEVICE_PREFIX = "/dev/";
const char* const AUTO_DEVICE = "auto"; // left for the port listing to resolve
const char* const LOG_SUBFOLDER = "/Documents/Trellup_Logs";
const char* const START_FILE_KEY = "app";
const char* const LOG_NAME_PREFIX = "Trellup_Dump_";
const char* const PRIVATE_FOLDER_NAME = "/trellup-XXXXXX";
const char* const DEFAULT_TEMP_FOLDER = "/tmp";

const size_t MAX_PATH_TEXT = TRELLUP_PATH_SIZE - 1;
const size_t TEXT_LIMIT = 1024;     // the text routines and the start file
const size_t MAX_SPLIT_PATH = 4096; // splitfilepath refuses longer paths
const size_t KEPT_LOG_FILES = 50;   // a 1 MiB upload logs over 2 MB
const mode_t LOG_FOLDER_MODE = 0755;
const mode_t LOG_FILE_MODE = 0644;

std::mutex logMutex;
FILE* logHandle = nullptr;

bool IsTrimmed(char ch) {
    return ch == ' ' || ch == '\r' || ch == '\n';
}

// Copies text into a 256-byte buffer, cut to 255 characters.
void CopyPart(char* dest, const char* src, size_t length) {
    if (length > MAX_PATH_TEXT)
        length = MAX_PATH_TEXT;
    memcpy(dest, src, length);
    dest[length] = 0;
}

bool AppendBounded(char* dest, const char* text) {
    size_t used = strlen(dest);
    size_t extra = strlen(text);
    if (used + extra > MAX_PATH_TEXT)
        return false;
    strcpy(dest + used, text);
    return true;
}

void LogTooLong(int option) {
    log_output(MSG_TOO_LONG, option, static_cast<int>(MAX_PATH_TEXT));
}

// The log files of a folder with their modification times.
std::vector<std::pair<time_t, std::string>> LogFilesOf(const char* folder) {
    std::vector<std::pair<time_t, std::string>> files;
    DIR* dir = opendir(folder);
    if (dir == nullptr)
        return files;
    size_t prefixLength = strlen(LOG_NAME_PREFIX);
    while (struct dirent* entry = readdir(dir)) {
        struct stat info;
        if (strncmp(entry->d_name, LOG_NAME_PREFIX, prefixLength) == 0 &&
            fstatat(dirfd(dir), entry->d_name, &info, AT_SYMLINK_NOFOLLOW) == 0 &&
            S_ISREG(info.st_mode))
            files.emplace_back(info.st_mtime, entry->d_name);
    }
    closedir(dir);
    return files;
}

DEVICE_TYPE_ENUM DeviceTypeOf(const char* word) {
    if (strcasecmp(word, "wearable") == 0)
        return DEVICE_TYPE_WEARABLE;
    if (strcasecmp(word, "iot") == 0)
        return DEVICE_TYPE_IOT;
    if (strcasecmp(word, "arduino") == 0)
        return DEVICE_TYPE_ARDUINO;
    return DEVICE_TYPE_OTHER;
}

void ResetGetopt() {
#if defined(__GLIBC__)
    optind = 0; // a full reset, also of glibc's private state
#else
    optind = 1;
    optreset = 1;
#endif
}

// Opens folder + name for appending, creating it if needed, without following a link.
bool OpenLog(const char* folder) {
    char name[TRELLUP_PATH_SIZE] = {};
    getLogFileName(name);
    char path[2 * TRELLUP_PATH_SIZE];
    if (snprintf(path, sizeof path, "%s%s", folder, name) >= static_cast<int>(sizeof path))
        return false;
    std::lock_guard<std::mutex> lock(logMutex);
    if (logHandle != nullptr)
        return true;
    int fd = open(path, O_WRONLY | O_APPEND | O_CREAT | O_NOFOLLOW | O_CLOEXEC, LOG_FILE_MODE);
    if (fd == -1)
        return false;
    logHandle = fdopen(fd, "a");
    if (logHandle == nullptr) {
        close(fd);
        return false;
    }
    return true;
}

} // namespace

int ParseArguments(int argc, char** argv, char* vxpPath, char* devicePath,
                   COMMAND_TYPE_ENUM* commandType, DEVICE_TYPE_ENUM* deviceType, bool* resetFirst,
                   bool* cleanFolder, bool* quiet) {
    if (argc < 2) {
        log_output(MSG_ARGUMENT_COUNT);
        return 1;
    }
    log_output(MSG_PARAMETER_COUNT, argc);
    for (int i = 0; i < argc; ++i)
        log_output(MSG_PARAMETER, i, argv[i]);
    memset(vxpPath, 0, TRELLUP_PATH_SIZE);
    char deviceText[TRELLUP_PATH_SIZE] = {}; // a second -b appends to the first

    ResetGetopt();
    int option;
    while ((option = getopt(argc, argv, OPTION_TEXT)) != -1) {
        switch (option) {
        case 'p':
            if (strlen(optarg) > MAX_PATH_TEXT) {
                LogTooLong(option);
                return 1;
            }
            strcpy(vxpPath, optarg);
            break;
        case 'b':
            if (!AppendBounded(deviceText, optarg)) {
                LogTooLong(option);
                return 1;
            }
            break;
        case 'd': *deviceType = DeviceTypeOf(optarg); break;
        case 'a': *commandType = COMMAND_TYPE_INSTALL; break;
        case 't': *commandType = COMMAND_TYPE_UNINSTALL; break;
        case 'r': *resetFirst = true; break;
        case 'c': *cleanFolder = true; break;
        case 'v': break;
        case 'q':
            if (quiet != nullptr)
                *quiet = true;
            break;
        default: log_output(MSG_INVALID_FLAG, option); return 1;
        }
    }
    // Empty text is no device at all, which the check below reports.
    if (!resolveDevicePath(deviceText, devicePath) && *deviceText != 0) {
        LogTooLong('b');
        return 1;
    }
    log_output(MSG_DEVICE_PATH, devicePath);
    log_output(MSG_VXP_PATH, vxpPath);
    if (*devicePath == 0) {
        log_output(MSG_NO_DEVICE);
        fputs(MSG_NO_DEVICE, stderr);
        return 1;
    }
    if (*vxpPath == 0) {
        log_output(MSG_DEFECT);
        return 1;
    }
    return 0;
}

bool resolveDevicePath(const char* value, char* devicePath) {
    const char* prefix = value[0] == '/' || strcmp(value, AUTO_DEVICE) == 0 ? "" : DEVICE_PREFIX;
    int length = snprintf(devicePath, TRELLUP_PATH_SIZE, "%s%s", prefix, value);
    if (value[0] != 0 && static_cast<size_t>(length) <= MAX_PATH_TEXT)
        return true;
    devicePath[0] = 0;
    return false;
}

// The folder is created private to its owner's writes (0755) and never widened: a
// world-writable folder in a home would let others plant links the tool writes through.
void enableDebugLog(bool enable) {
    if (!enable)
        return;
    struct passwd* user = getpwuid(getuid());
    if (user == nullptr || user->pw_dir == nullptr)
        return;
    char folder[TRELLUP_PATH_SIZE];
    if (snprintf(folder, sizeof folder, "%s%s", user->pw_dir, LOG_SUBFOLDER) >=
        static_cast<int>(sizeof folder))
        return; // a home folder too long for the path: logging stays off
    createLogFolder(folder);
    if (OpenLog(folder))
        pruneLogFolder(folder, KEPT_LOG_FILES);
}

bool openLogFileAt(const char* folder) {
    return directoryExist(folder) && OpenLog(folder);
}

bool createLogFolder(const char* folder) {
    if (directoryExist(folder))
        return true;
    return mkdir(folder, LOG_FOLDER_MODE) == 0;
}

void getLogFileName(char* name) {
    time_t now = time(nullptr);
    struct tm local;
    localtime_r(&now, &local);
    snprintf(name, TRELLUP_PATH_SIZE, LOG_NAME_FORMAT, local.tm_mon + 1, local.tm_mday,
             local.tm_year + 1900, local.tm_hour, local.tm_min, local.tm_sec);
}

int log_output_v(const char* format, va_list args) {
    std::lock_guard<std::mutex> lock(logMutex);
    if (logHandle == nullptr)
        return -1;
    return vfprintf(logHandle, format, args);
}

int log_output(const char* format, ...) {
    va_list args;
    va_start(args, format);
    int result = log_output_v(format, args);
    va_end(args);
    return result;
}

void closeLogFile() {
    std::lock_guard<std::mutex> lock(logMutex);
    if (logHandle != nullptr)
        fclose(logHandle);
    logHandle = nullptr;
}

bool directoryExist(const char* path) {
    struct stat info;
    return stat(path, &info) == 0 && S_ISDIR(info.st_mode);
}

bool fileExist(const char* path) {
    struct stat info;
    return stat(path, &info) == 0 && S_ISREG(info.st_mode);
}

void trimLeft(char* text) {
    size_t skip = 0;
    while (IsTrimmed(text[skip]))
        ++skip;
    memmove(text, text + skip, strlen(text + skip) + 1);
}

void trimRight(char* text) {
    char* end = text + strlen(text);
    while (end != text && IsTrimmed(end[-1]))
        *--end = 0;
}

bool splitfilepath(const char* path, char* dir, char* name, char* ext) {
    if (path == nullptr || *path == 0 || strlen(path) > MAX_SPLIT_PATH)
        return false;
    const char* dot = strrchr(path, '.');
    if (dot != nullptr)
        CopyPart(ext, dot + 1, strlen(dot + 1));
    const char* separator = strrchr(path, '/');
    if (separator == nullptr)
        separator = strrchr(path, '\\');
    if (separator == nullptr)
        return true;
    CopyPart(name, separator + 1, strlen(separator + 1));
    CopyPart(dir, path, static_cast<size_t>(separator - path) + 1);
    return true;
}

bool getCurrentVXPNameFromTxt(const char* path, char* vxpName) {
    if (!fileExist(path))
        return false;
    FILE* file = fopen(path, "r");
    if (file == nullptr)
        return false;
    char line[TEXT_LIMIT];
    while (fgets(line, sizeof line, file) != nullptr) {
        trimLeft(line);
        trimRight(line);
        char* equals = strchr(line, '=');
        if (equals == nullptr)
            continue;
        *equals = 0;
        if (strcasecmp(line, START_FILE_KEY) != 0)
            continue;
        char* value = equals + 1;
        trimLeft(value); // the line's end is trimmed already
        CopyPart(vxpName, value, strlen(value));
        break;
    }
    fclose(file);
    return true;
}

bool generateNewTxt(const char* path, const char* folder, const char* name) {
    char text[TEXT_LIMIT];
    int length = snprintf(text, sizeof text, START_FILE_FORMAT, folder, name);
    if (static_cast<size_t>(length) >= sizeof text) // a negative one (an error) included
        return false;
    FILE* file = fopen(path, "wb");
    if (file == nullptr)
        return false;
    bool written =
        fwrite(text, 1, static_cast<size_t>(length), file) == static_cast<size_t>(length);
    return fclose(file) == 0 && written;
}

void pruneLogFolder(const char* folder, size_t keep) {
    std::vector<std::pair<time_t, std::string>> files = LogFilesOf(folder);
    // Newest first; names break ties so that equal times still give one order.
    std::sort(files.begin(), files.end(), [](const auto& a, const auto& b) {
        return a.first != b.first ? a.first > b.first : a.second > b.second;
    });
    for (size_t i = keep; i < files.size(); ++i)
        unlinkat(AT_FDCWD, (std::string(folder) + "/" + files[i].second).c_str(), 0);
}

bool makePrivateFolder(char* path) {
    const char* base = getenv("TMPDIR");
    if (base == nullptr || *base == 0)
        base = DEFAULT_TEMP_FOLDER;
    int length = snprintf(path, TRELLUP_PATH_SIZE, "%s%s", base, PRIVATE_FOLDER_NAME);
    if (static_cast<size_t>(length) <= MAX_PATH_TEXT && mkdtemp(path) != nullptr)
        return true;
    path[0] = 0;
    return false;
}
