// The upload tool's shared utilities: the command line and the -b device path, the log file and
// its folder, the device start file text and its private working folder, path splitting and
// small text routines. log_output may be called from any thread; everything else runs on the
// main thread.
#pragma once

#include <cstdarg>
#include <cstddef>

enum { TRELLUP_PATH_SIZE = 256 };

enum COMMAND_TYPE_ENUM {
    COMMAND_TYPE_INSTALL = 0,     // -a
    COMMAND_TYPE_DEFAULT = 1,     // no option
    COMMAND_TYPE_UNINSTALL = 100, // -t
};

enum DEVICE_TYPE_ENUM {
    DEVICE_TYPE_OTHER = 0,
    DEVICE_TYPE_IOT = 1,
    DEVICE_TYPE_WEARABLE = 2,
    DEVICE_TYPE_ARDUINO = 3,
};

// Fills the caller's 256-byte vxpPath and devicePath and the flags from the command line
// (quiet, for -q, may be null). 0 when usable, 1 otherwise (also for a -p or resolved -b text
// over 255 characters); the reason is logged, and a missing -b is also said on standard error.
int ParseArguments(int argc, char** argv, char* vxpPath, char* devicePath,
                   COMMAND_TYPE_ENUM* commandType, DEVICE_TYPE_ENUM* deviceType, bool* resetFirst,
                   bool* cleanFolder, bool* quiet = nullptr);

// The serial device a -b value names, into a 256-byte buffer: a value beginning with '/', or the
// word auto, as it stands, any other under /dev/. False (devicePath empty) for an empty value or a
// path longer than 255 characters.
bool resolveDevicePath(const char* value, char* devicePath);

// Opens the log under the user's Documents/Trellup_Logs; logging stays off when that fails.
void enableDebugLog(bool enable);
bool createLogFolder(const char* folder);
// Opens the log in the given folder (tests use it to keep the log out of the user's home).
bool openLogFileAt(const char* folder);
void getLogFileName(char* name); // name: 256 bytes
// -1 when no log is open, else the result of the formatted write. Safe from any thread.
int log_output(const char* format, ...) __attribute__((format(printf, 1, 2)));
int log_output_v(const char* format, va_list args) __attribute__((format(printf, 1, 0)));
void closeLogFile();
// Deletes the oldest Trellup_Dump_* files of the folder (by modification time) until at most
// keep of them remain. Other files are never touched.
void pruneLogFolder(const char* folder, size_t keep);

// Creates a folder only its owner may enter (mode 0700) under $TMPDIR or /tmp and writes its
// path into the 256-byte buffer. False (path empty) when none can be created.
bool makePrivateFolder(char* path);

bool directoryExist(const char* path);
bool fileExist(const char* path);

// Remove space, CR and LF in place.
void trimLeft(char* text);
void trimRight(char* text);

// Splits at the last '/' (or, without any, the last backslash); ext gets the text after the last
// '.'. Parts are copied into 256-byte buffers, cut to 255 characters. False for a null, empty or
// over-long path.
bool splitfilepath(const char* path, char* dir, char* name, char* ext);
// The App= value of a start file into a 256-byte buffer (cut to 255); untouched when absent.
// False when the file cannot be read.
bool getCurrentVXPNameFromTxt(const char* path, char* vxpName);
// Writes "[autostart]\r\nApp=<folder>\<name>\r\n"; false when the file cannot be opened or the
// text would not fit its 1024-byte limit.
bool generateNewTxt(const char* path, const char* folder, const char* name);
