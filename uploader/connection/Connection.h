// The upload tool's client for one device behind one serial port: device control (AT check,
// DT mode, stop, reset), the device file system (folders, listings into a cache, drives,
// deletion, reading a file to the PC) and the chunked upload. Called on the main thread only;
// every operation blocks until its commands have ended.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "ATResult.h"
#include "Win2Mac.h"
#include "comm_osal.h"

class CommModule;

// Called after every acknowledged chunk of an upload with the bytes sent so far and the file
// size; user is the pointer given to SetProgressCallback.
typedef void (*TRANSFER_PROGRESS_FN)(unsigned long long sent, unsigned long long total, void* user);

// Writes the printf-style text to the log file, then prints the same text on standard output.
void log_and_print(const char* format, ...) __attribute__((format(printf, 1, 2)));

class Connection {
public:
    Connection();
    // Closes an open port and releases the command context, so the line's settings are
    // restored and no engine thread outlives the object.
    ~Connection();

    // Opens the serial device port and creates the command context; sends no command.
    // False when the port cannot be opened or the context cannot be created.
    bool Conn_Init(const char* port);
    // Whether the last Conn_Init failed because another program holds the port (which the port
    // has said on standard error).
    bool PortBusy() const { return m_bPortBusy; }
    // Stops the reader thread, restores and closes the port, releases the context. Always true.
    bool Conn_DeInit();

    // True when the "AT" check FAILED.
    bool CheckAT_OK();
    // True when stopping all applications FAILED.
    bool stopAllApp();
    // The DT status the last query read, -1 before the first one.
    int DtStatus() const { return m_nDTStatus; }
    // Reads the DT status: 0 success, the command's result code, or 100 without a "+ESUO" line
    // (the DT fields then stay as they were).
    int InternalQueryDt();
    // Moves the device into (enter) or out of the DT mode when needed. False when the status is
    // not established (outside 3..7) or the switch failed.
    bool SwitchDT(bool enter);
    // Leaves the DT mode and reboots the device. True when the reboot command succeeded.
    bool TargetReset();
    // Result code of the folder command with op and an optional name (null or empty: none).
    int FolderOperation(int op, const char* name);

    // Goes to the root and enters the leading folders of a path longer than 62 characters;
    // folder_name then holds the rest (1 to 62 characters). False on any failed step, when a
    // name in the path is longer than 62 characters, when a folder to enter is not plain
    // ASCII, or when nothing is left to name.
    bool TFSChangeDir(CString& folder_name);
    // Lists the folder path into the cache. False when the listing failed or has no entry.
    bool TFSGetDirFileListInfo(const CString& path);
    // As above, but an empty folder (the device answers with no entry) is true too.
    bool TFSListFolder(const CString& path);
    // Whether the last listing holds name exactly (case-sensitive).
    bool IsExistInTheDir(const CString& name) const;
    // The entries of the last listing, in the device's order: names, the number sent with each
    // (the size), and the kind (1 folder, 0 file, -1 when the device sent none), at one index.
    const std::vector<CString>& ListedNames() const { return m_fileNames; }
    const std::vector<unsigned long>& ListedValues() const { return m_fileValues; }
    const std::vector<int>& ListedKinds() const { return m_fileKinds; }
    // The device's drives (names starting with a letter C to I) with their free space, at the
    // same index. False at the first bad drive line or failed free-space query.
    bool TFSGetDriveInfo(std::vector<CString>& driveNames,
                         std::vector<unsigned long>& driveFreeSizes);
    // False for a path longer than 247 characters or a failed command.
    bool TFSCreateDir(const CString& path);
    bool TFSRemoveDir(const CString& path);
    // Deletes the device file; size only lengthens the timeout (none for a size not given).
    // False for a path longer than 259 characters or a failed command.
    bool TFSRemoveTargetFile(const CString& path, unsigned long size = 0);
    // Deletes every entry of the last listed folder except keepName. False only when the cache
    // is empty.
    bool TFSRemoveOtherTargetVxpFile(const CString& keepName);
    // Copies the device file to the PC file; size only lengthens the timeout, as for the
    // removal. False when the read or the PC write failed.
    bool TFSReadTargetFile(const CString& targetPath, const CString& pcPath,
                           unsigned long size = 0);
    // Reads the device file into result, one "+EFSR" line per result line.
    bool ReadTargetFile(const CString& path, ATResult& result, unsigned int size);
    // Reads the device file of the given size (from its listing) into bytes, with a timeout
    // that grows with the size. False when the read failed or a line is malformed.
    bool TFSReadTargetBytes(const CString& path, unsigned long size, std::string& bytes);
    // Writes the data of the "+EFSR" lines to the PC file; deletes it when a line is malformed.
    bool WritePcFile(const CString& pcPath, std::vector<ATParamLst>& lines) const;
    // Appends the bytes of one "+EFSR" line to out. False when the line is malformed.
    bool GetInputFileLine(const std::vector<ATParamElem>& fields, std::string& out) const;

    // Copies the PC file to the device path: 0 success, 2 failure (a partial device file is
    // deleted; when the device refused that, or commands are refused, it stays for
    // AbandonOpenFile).
    int TFSWriteTargetFile(const CString& targetFilePath, const CString& pcFilePath);
    // Closes and deletes the device file a write left open or partial (after an interruption:
    // inside a CleanupWindow). True when there was none or both commands succeeded.
    bool AbandonOpenFile();
    // Sends the PC file to the device file open for writing: 0 success, 2 failure (also for a
    // read error on the PC file).
    int WriteTargetFile(const CString& pcFilePath);
    // Opens (mode 0) or closes (mode 1) the device file name in the current device folder.
    // False for a name longer than 62 characters or a failed command.
    bool HandleTargetFile(const CString& name, int mode);
    // The device's packet size: 64 without a usable answer (0 included), at most 4096.
    int InternalGetPacketSize();
    // The cached packet size, asked for once it is not yet positive.
    int GetUploadPacketSize();

    // Progress of the uploads that follow; null turns it off.
    void SetProgressCallback(TRANSFER_PROGRESS_FN callback, void* user);

private:
    // A command that creates or removes the named folder in the current device folder.
    typedef int (*FOLDER_COMMAND_FN)(void*, const char*, void (*)(void*), void*);
    bool folderCommand(const CString& path, FOLDER_COMMAND_FN command);
    bool sendChunks(FILE* file, const std::string& pcPath, int packetSize,
                    unsigned long long total);
    bool decodeListing(const ATResult& result);
    bool readTargetFile(const CString& path, ATResult& result, int timeoutMs);

    void* m_pME = nullptr;
    CommModule* m_pComm = nullptr;
    HANDLE_CONTENT* m_hMutex = nullptr; // taken around the port teardown
    int m_nDTStatus = -1;               // not established before the first query
    int m_nDTParam = -1;
    std::vector<CString> m_fileNames;
    std::vector<unsigned long> m_fileValues;
    std::vector<int> m_fileKinds;
    CString m_strCurDir;
    int m_nPacketSize = 0;
    bool m_bPortBusy = false;
    CString m_strOpenFile; // the device file being written, until it is closed whole or deleted
    TRANSFER_PROGRESS_FN m_pProgress = nullptr;
    void* m_pProgressUser = nullptr;
};
