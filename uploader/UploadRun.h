// UploadRun: the upload tool's command flow from the command line to the exit status: connect,
// find the drive, then remove the installed application or upload a new one. Runs on the main
// thread; the reader and timer threads of its Connection only deliver the device's answers.
#pragma once

#include <cstdio>

#include <chrono>

#include "Connection.h"
#include "RunOutput.h"
#include "TrellupUtility.h"

class UploadRun {
public:
    UploadRun(int argc, char** argv) : m_argc(argc), m_argv(argv) {}
    ~UploadRun() { removeWorkFolder(); }
    int run();

private:
    int carryOut();
    int endInterrupted();
    int connect();
    bool choosePort();
    int reconnectAfterReset();
    int detectDrive();
    int useDrive(const char* driveRoot);
    int removeApplication();
    int upload();
    int uploadFresh();
    int replaceStaleStartFile();
    int replaceRunning();
    int replaceUndeletable();
    int finish();

    bool list(const char* path) { return m_conn.TFSGetDirFileListInfo(CString(path)); }
    bool holds(const char* name) const { return m_conn.IsExistInTheDir(CString(name)); }
    bool removeFile(const char* path) { return m_conn.TFSRemoveTargetFile(CString(path), 0); }
    bool removeOthers(const char* keep) {
        return m_conn.TFSRemoveOtherTargetVxpFile(CString(keep));
    }
    bool writeFile(const char* target, const char* pcPath) {
        return m_conn.TFSWriteTargetFile(CString(target), CString(pcPath)) == 0;
    }
    bool writeApplication(const char* target);
    // How a failed write of the two files is reported.
    enum WriteReport { kReportTargetFile, kReportVxpFile };
    // autostart.txt from the working copy first, then the application: 0 or 300.
    int writeStartThenApplication(WriteReport report);
    bool writeStartFile(const char* folder, const char* name);
    bool makeLocalTxtPath();
    void removeWorkFolder();
    // Joins two parts with the separator (none when it is 0) into a 256-byte buffer; false
    // (after saying so) when they do not fit, so no path is ever cut short.
    bool joinPath(char* out, const char* first, char separator, const char* second);
    // 0 when the application file can be uploaded, else the exit status.
    int checkApplication();

    int m_argc;
    char** m_argv;
    RunOutput m_out;
    Connection m_conn;
    std::chrono::steady_clock::time_point m_start;
    const char* m_uploadedTo = "";
    char m_workFolder[TRELLUP_PATH_SIZE] = {};
    char m_vxpPath[TRELLUP_PATH_SIZE] = {};
    char m_devicePath[TRELLUP_PATH_SIZE] = {};
    COMMAND_TYPE_ENUM m_commandType = COMMAND_TYPE_DEFAULT;
    DEVICE_TYPE_ENUM m_deviceType = DEVICE_TYPE_OTHER;
    bool m_resetFirst = false;
    bool m_cleanFolder = false;
    char m_driveRoot[TRELLUP_PATH_SIZE] = {};
    char m_appFolderName[TRELLUP_PATH_SIZE] = {};
    char m_appFolderPath[TRELLUP_PATH_SIZE] = {};
    char m_targetTxtPath[TRELLUP_PATH_SIZE] = {};
    char m_targetVxpPath[TRELLUP_PATH_SIZE] = {};
    char m_localTxtPath[TRELLUP_PATH_SIZE] = {};
    char m_vxpDir[TRELLUP_PATH_SIZE] = {};
    char m_vxpName[TRELLUP_PATH_SIZE] = {};
    char m_vxpExt[TRELLUP_PATH_SIZE] = {};
    char m_currentVxpPath[TRELLUP_PATH_SIZE] = {};
    char m_currentDir[TRELLUP_PATH_SIZE] = {};
    char m_currentName[TRELLUP_PATH_SIZE] = {};
    char m_currentExt[TRELLUP_PATH_SIZE] = {};
    char m_altVxpName[TRELLUP_PATH_SIZE] = {};
};

// The usage text, as -h shows it and a refused command line follows it.
void printUsage(FILE* stream);
