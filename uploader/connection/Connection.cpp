// Connection: opens and closes the line to the device and turns every device operation (control,
// folders, listings, drives, deletion, reading and the chunked upload) into AT command exchanges.
// Runs on the main thread; each command blocks it until the device's final answer or the timeout.
#include "Connection.h"

#include <algorithm>
#include <cassert>
#include <cerrno>
#include <cstdarg>
#include <cstring>
#include <iterator>
#include <type_traits>

#include "SerialPort.h"
#include "TrellupUtility.h"
#include "UCS2Text.h"
#include "comm.h"
#include "comm_func.h"

namespace {

// Folder command modes.
const int kFolderEnter = 2;
const int kFolderRoot = 3;

// File command modes.
const int kFileOpen = 0;
const int kFileClose = 1;

// DT status values: 3 is the DT mode, 4 to 7 lie outside it.
const int kDtEnter = 3;
const int kDtLeave = 4;
const int kDtOutsideOther = 5;
const int kDtLast = 7;

// Path limits in characters.
const int kMaxCommandPath = 62;
const int kMaxFolderPath = 247;
const int kMaxFilePath = 259;

const int kDefaultPacketSize = 64;
const int kMaxPacketSize = 4096;
const int kChunkSlack = 8;

const int kReadTimeoutMs = 3000;
const unsigned kLongReadSize = 2100700;
const unsigned kLongReadBytesPerMs = 700;
// A byte read travels as two hexadecimal digits plus its share of the line framing, about 25
// bits: a millisecond per byte leaves room for a line slower than 115200 baud.
const unsigned long kReadMsPerByte = 1;
const unsigned long kMaxReadTimeoutMs = 0x7FFFFFFF;
const int kFreeSpaceSeconds = 30;

const char kKeyDtStatus[] = "+ESUO";
const char kKeyListing[] = "+EFSL";
const char kKeyFreeSpace[] = "+EFS";
const char kKeyPacketSize[] = "+EFSW";
const char kKeyRead[] = "+EFSR";

const wchar_t kDeviceSeparator = L'\\';
const wchar_t kFirstDriveLetter = L'C';
const wchar_t kLastDriveLetter = L'I';

const char kMsgOpenPort[] = "open port %s\n";
const char kMsgOpenPortFailed[] = "Open port %s failed.\n";
const char kMsgRootFailed[] = "Go to root directory error: [%d]\n";
const char kMsgNameTooLong[] = "A name in the device path %s is longer than %d characters.\n";
const char kMsgNotAscii[] = "The device path %s holds characters outside ASCII.\n";
const char kMsgDriveSize[] = "Get driver %s available size.\n";
const char kMsgRemoveFile[] = "Enter dir %s \n";
const char kMsgReadFile[] = "[ReadTargetFile] enter directory %s first.\n";
const char kMsgCreatePcFile[] = "file %s does not exist, create it.\n";
const char kMsgCreatePcFileFailed[] = "Create file %s failed, error [%d]: %s\n";
const char kMsgWriteTarget[] = "Write target file:\nEnter dir %s\n";
const char kMsgPacketSize[] = "Target packet size = %d\n";
const char kMsgOpenFile[] = "Open file %s.\n";
const char kMsgOpenFileFailed[] = "Open file %s failed, error = %s\n";
const char kMsgOpenFileDone[] = "Open file %s done.\n";
const char kMsgChunkFailed[] = "Write file %d failed.\n";
const char kMsgReadFileFailed[] = "Read file %s failed, error = %s\n";
const char kMsgAbandonFile[] = "Closing and deleting the partial file %s.\n";

bool isAscii(const CString& text) {
    const wchar_t* chars = text.GetData();
    return std::all_of(chars, chars + text.GetDataLength(), [](wchar_t c) {
        return static_cast<std::make_unsigned_t<wchar_t>>(c) < 0x80; // a negative one is not
    });
}

// Narrow text of a name for a command that takes narrow text; false (with a message) for a
// name the device or the user gave with characters the command cannot carry.
bool commandName(const CString& name, std::string& out) {
    if (!isAscii(name)) {
        DebugOutA(kMsgNotAscii, UCS2toSafeASCII(name).c_str());
        return false;
    }
    out = UCS2toASCII(name);
    return true;
}

// A PC path as the C library wants it: every character below 256 stands for one byte, so a
// path the tool widened byte by byte comes back unchanged.
std::string pcPathText(const CString& path) {
    const wchar_t* chars = path.GetData();
    std::string out;
    std::transform(chars, chars + path.GetDataLength(), std::back_inserter(out),
                   [](wchar_t c) { return static_cast<char>(c & 0xFF); });
    return out;
}

bool sameText(const CString& a, const CString& b) {
    return a.GetDataLength() == b.GetDataLength() &&
           wmemcmp(a.GetData(), b.GetData(), static_cast<size_t>(a.GetDataLength())) == 0;
}

// Position of the last separator among the positions 1 to limit, 0 when there is none.
int lastSeparatorWithin(const CString& path, int limit) {
    for (int p = std::min(limit, path.GetDataLength() - 1); p >= 1; --p)
        if (path[p] == kDeviceSeparator)
            return p;
    return 0;
}

unsigned long long fileSize(FILE* file) {
    if (std::fseek(file, 0, SEEK_END) != 0)
        return 0;
    long size = std::ftell(file);
    std::rewind(file);
    return size > 0 ? static_cast<unsigned long long>(size) : 0;
}

} // namespace

void log_and_print(const char* format, ...) {
    va_list args;
    va_start(args, format);
    va_list copy;
    va_copy(copy, args);
    log_output_v(format, args);
    std::vprintf(format, copy);
    va_end(copy);
    va_end(args);
}

Connection::Connection() : m_hMutex(CreateMutexHandle()) {}

Connection::~Connection() {
    Conn_DeInit();
    CloseHandle(m_hMutex);
}

bool Connection::Conn_Init(const char* port) {
    if (m_pComm != nullptr)
        Conn_DeInit();
    m_bPortBusy = false;
    try {
        m_pComm = new CommModule();
    } catch (...) {
        m_pComm = nullptr;
        return false;
    }
    log_output(kMsgOpenPort, port);
    if (m_pComm->Init_Port(port) < 0) {
        m_bPortBusy = m_pComm->IsBusy();
        Conn_DeInit();
        log_output(kMsgOpenPortFailed, port);
        return false;
    }
    m_pME = ME_Init(m_pComm); // never null: its allocation throws
    m_pComm->SetCallBack(DataCallBack, m_pME);
    return true;
}

bool Connection::Conn_DeInit() {
    WaitForSingleObject(m_hMutex, INFINITE);
    if (m_pComm != nullptr) {
        // The reader thread feeds the context, so it stops before the context goes.
        m_pComm->Deinit_Port();
        delete m_pComm;
        m_pComm = nullptr;
    }
    if (m_pME != nullptr) {
        ME_DeInit(m_pME);
        m_pME = nullptr;
    }
    if (m_hMutex != nullptr && m_hMutex->m_nKind == HANDLE_KIND_MUTEX)
        ReleaseMutexHandle(m_hMutex);
    return true;
}

bool Connection::CheckAT_OK() {
    ATResult result;
    return ME_Check_AT(m_pME, nullptr, &result) != ME_RESULT_OK;
}

bool Connection::stopAllApp() {
    ATResult result;
    return ME_Stop_AllApp(m_pME, nullptr, &result) != ME_RESULT_OK;
}

int Connection::InternalQueryDt() {
    ATResult result;
    int code = ME_Query_DT_Status(m_pME, nullptr, &result);
    if (code != ME_RESULT_OK)
        return code;
    if (!result.check_key(kKeyDtStatus))
        return ME_RESULT_ERROR;
    m_nDTStatus = result.get_integer(0, 1);
    m_nDTParam = result.get_integer(0, 2);
    return ME_RESULT_OK;
}

bool Connection::SwitchDT(bool enter) {
    if (m_nDTStatus < kDtEnter || m_nDTStatus > kDtLast)
        return false;
    int wanted = enter ? kDtEnter : kDtLeave;
    if (m_nDTStatus == wanted)
        return true;
    if (!enter && m_nDTStatus >= kDtOutsideOther)
        return true;
    ATResult result;
    if (ME_SwitchDT(m_pME, wanted, nullptr, &result) != ME_RESULT_OK)
        return false;
    m_nDTStatus = wanted;
    return true;
}

bool Connection::TargetReset() {
    SwitchDT(false);
    ATResult result;
    return ME_Reset_Target(m_pME, nullptr, &result) == ME_RESULT_OK;
}

int Connection::FolderOperation(int op, const char* name) {
    ATResult result;
    return ME_FolderOpertiaon(m_pME, op, name, nullptr, &result);
}

bool Connection::TFSChangeDir(CString& folder_name) {
    SwitchDT(true);
    assert(!folder_name.IsEmpty());
    if (folder_name.IsEmpty())
        return false;
    int code = FolderOperation(kFolderRoot, nullptr);
    if (code != ME_RESULT_OK) {
        DebugOutA(kMsgRootFailed, code);
        return false;
    }
    while (folder_name.GetDataLength() > kMaxCommandPath) {
        // Dropping characters to make a long name fit would name another file: refuse.
        int p = lastSeparatorWithin(folder_name, kMaxCommandPath);
        if (p == 0) {
            DebugOutA(kMsgNameTooLong, UCS2toSafeASCII(folder_name).c_str(), kMaxCommandPath);
            return false;
        }
        std::string head;
        if (!commandName(folder_name.Mid(0, p), head))
            return false;
        folder_name = folder_name.Mid(p + 1, folder_name.GetDataLength() - p - 1);
        if (FolderOperation(kFolderEnter, head.c_str()) != ME_RESULT_OK)
            return false;
    }
    return !folder_name.IsEmpty(); // a long path ending in its separator names no entry
}

bool Connection::TFSGetDirFileListInfo(const CString& path) {
    return TFSListFolder(path) && !m_fileNames.empty();
}

bool Connection::TFSListFolder(const CString& path) {
    m_fileNames.clear();
    m_fileValues.clear();
    m_fileKinds.clear();
    m_strCurDir = path;
    CString rest = path;
    std::string name;
    if (!TFSChangeDir(rest) || !commandName(rest, name))
        return false;
    ATResult result;
    if (ME_GetDirFileListInfo(m_pME, name.c_str(), nullptr, &result) != ME_RESULT_OK)
        return false;
    return decodeListing(result);
}

bool Connection::decodeListing(const ATResult& result) {
    for (size_t i = 0; i < result.vParamLst.size(); ++i) {
        int line = static_cast<int>(i);
        std::string encoded;
        if (!result.get_string(encoded, line, 1))
            return false;
        m_fileNames.push_back(DecodeUCS2txt(encoded));
        m_fileValues.push_back(static_cast<unsigned long>(result.get_integer(line, 2)));
        m_fileKinds.push_back(result.get_integer(line, 3));
    }
    return true;
}

bool Connection::IsExistInTheDir(const CString& name) const {
    for (const CString& entry : m_fileNames)
        if (sameText(entry, name))
            return true;
    return false;
}

bool Connection::TFSGetDriveInfo(std::vector<CString>& driveNames,
                                 std::vector<unsigned long>& driveFreeSizes) {
    driveNames.clear();
    driveFreeSizes.clear();
    SwitchDT(true);
    ATResult drives;
    if (ME_GetDriverInfo(m_pME, nullptr, &drives) != ME_RESULT_OK)
        return false;
    if (!drives.check_key(kKeyListing))
        return false;
    for (size_t i = 0; i < drives.vParamLst.size(); ++i) {
        std::string encoded;
        if (!drives.get_string(encoded, static_cast<int>(i), 1))
            return false;
        CString name = DecodeUCS2txt(encoded);
        if (name.IsEmpty() || name[0] < kFirstDriveLetter || name[0] > kLastDriveLetter)
            return false;
        driveNames.push_back(name);
        DebugOutA(kMsgDriveSize, UCS2toSafeASCII(name).c_str());
        // A reply object of its own keeps the drive list intact for the next lines.
        ATResult space;
        int code = ME_GetAvailableSize(m_pME, static_cast<int>(name[0]), kFreeSpaceSeconds, nullptr,
                                       &space);
        if (code != ME_RESULT_OK || !space.check_key(kKeyFreeSpace))
            return false;
        driveFreeSizes.push_back(static_cast<unsigned long>(space.get_integer(0, 1)));
    }
    return true;
}

bool Connection::TFSCreateDir(const CString& path) {
    return folderCommand(path, ME_CreateDir);
}

bool Connection::TFSRemoveDir(const CString& path) {
    return folderCommand(path, ME_RemoveDir);
}

bool Connection::folderCommand(const CString& path, FOLDER_COMMAND_FN command) {
    if (path.GetDataLength() > kMaxFolderPath)
        return false;
    CString rest = path;
    std::string name;
    if (!TFSChangeDir(rest) || !commandName(rest, name))
        return false;
    ATResult result;
    return command(m_pME, name.c_str(), nullptr, &result) == ME_RESULT_OK;
}

bool Connection::TFSRemoveTargetFile(const CString& path, unsigned long size) {
    if (path.GetDataLength() > kMaxFilePath)
        return false;
    DebugOutA(kMsgRemoveFile, UCS2toSafeASCII(path).c_str());
    CString rest = path;
    if (!TFSChangeDir(rest))
        return false;
    // The delete command takes the encoded name, so a device name outside ASCII is sent whole.
    ATResult result;
    return ME_RemoveTargetFile(m_pME, EncodeUCS2txt(rest).c_str(), size, nullptr, &result) ==
           ME_RESULT_OK;
}

bool Connection::TFSRemoveOtherTargetVxpFile(const CString& keepName) {
    if (m_fileNames.empty())
        return false;
    // Deleting does not touch the cache, so the loop runs over a stable list.
    for (const CString& name : m_fileNames) {
        if (sameText(name, keepName))
            continue;
        CString path = m_strCurDir;
        path += kDeviceSeparator;
        path += name;
        TFSRemoveTargetFile(path);
    }
    return true;
}

bool Connection::TFSReadTargetFile(const CString& targetPath, const CString& pcPath,
                                   unsigned long size) {
    ATResult result;
    if (!ReadTargetFile(targetPath, result, static_cast<unsigned int>(size)))
        return false;
    return WritePcFile(pcPath, result.vParamLst);
}

bool Connection::ReadTargetFile(const CString& path, ATResult& result, unsigned int size) {
    int timeout = kReadTimeoutMs;
    if (size >= kLongReadSize)
        timeout = static_cast<int>(size / kLongReadBytesPerMs);
    return readTargetFile(path, result, timeout);
}

bool Connection::TFSReadTargetBytes(const CString& path, unsigned long size, std::string& bytes) {
    bytes.clear();
    unsigned long timeout = kReadTimeoutMs + std::min(size, kMaxReadTimeoutMs) * kReadMsPerByte;
    ATResult result;
    if (!readTargetFile(path, result, static_cast<int>(std::min(timeout, kMaxReadTimeoutMs))))
        return false;
    for (const ATParamLst& line : result.vParamLst)
        if (!GetInputFileLine(line, bytes))
            return false;
    return true;
}

bool Connection::readTargetFile(const CString& path, ATResult& result, int timeoutMs) {
    if (path.GetDataLength() > kMaxFilePath)
        return false;
    DebugOutA(kMsgReadFile, UCS2toSafeASCII(path).c_str());
    CString rest = path;
    std::string name;
    if (!TFSChangeDir(rest) || !commandName(rest, name))
        return false;
    if (ME_ReadTargetFile(m_pME, name.c_str(), timeoutMs, nullptr, &result) != ME_RESULT_OK)
        return false;
    return result.check_key(kKeyRead);
}

bool Connection::WritePcFile(const CString& pcPath, std::vector<ATParamLst>& lines) const {
    std::string path = pcPathText(pcPath);
    if (!fileExist(path.c_str()))
        log_output(kMsgCreatePcFile, path.c_str());
    FILE* file = std::fopen(path.c_str(), "wb+");
    if (file == nullptr) {
        int error = errno;
        log_output(kMsgCreatePcFileFailed, path.c_str(), error, std::strerror(error));
        return false;
    }
    bool written = true;
    for (const ATParamLst& line : lines) {
        std::string bytes;
        if (!GetInputFileLine(line, bytes) ||
            std::fwrite(bytes.data(), 1, bytes.size(), file) != bytes.size()) {
            written = false;
            break;
        }
    }
    // A failed close loses buffered bytes as surely as a failed write.
    if (std::fclose(file) != 0)
        written = false;
    if (!written)
        std::remove(path.c_str());
    return written;
}

bool Connection::GetInputFileLine(const std::vector<ATParamElem>& fields, std::string& out) const {
    if (fields.size() < 4)
        return false; // no byte count: nothing says what the line carries
    int count = fields[3].m_nValue;
    if (fields.size() < 5)
        return count == 0;
    if (count == 0)
        return true;
    const std::string& hex = fields[4].m_strValue;
    if (count < 0 || hex.size() != 2 * static_cast<size_t>(count))
        return false;
    for (size_t i = 0; i < hex.size(); i += 2) {
        int high = HexDigitValue(hex[i]);
        int low = HexDigitValue(hex[i + 1]);
        if (high < 0 || low < 0)
            return false;
        out += static_cast<char>(high * 16 + low);
    }
    return true;
}

int Connection::TFSWriteTargetFile(const CString& targetFilePath, const CString& pcFilePath) {
    if (targetFilePath.GetDataLength() > kMaxFilePath)
        return 2;
    assert(!targetFilePath.IsEmpty());
    assert(!pcFilePath.IsEmpty());
    if (targetFilePath.IsEmpty() || pcFilePath.IsEmpty())
        return 2;
    log_and_print(kMsgWriteTarget, UCS2toSafeASCII(targetFilePath).c_str());
    CString rest = targetFilePath;
    if (!TFSChangeDir(rest) || !HandleTargetFile(rest, kFileOpen))
        return 2;
    m_strOpenFile = targetFilePath;
    int written = WriteTargetFile(pcFilePath);
    if (HandleTargetFile(rest, kFileClose) && written == 0)
        m_strOpenFile.Empty();
    if (written != 0 && TFSRemoveTargetFile(targetFilePath))
        m_strOpenFile.Empty(); // nothing half-written stays on the device
    return written;
}

bool Connection::AbandonOpenFile() {
    if (m_strOpenFile.IsEmpty())
        return true;
    log_and_print(kMsgAbandonFile, UCS2toSafeASCII(m_strOpenFile).c_str());
    CString rest = m_strOpenFile;
    // The close goes first: the device deletes no file it holds open.
    bool closed = TFSChangeDir(rest) && HandleTargetFile(rest, kFileClose);
    bool removed = TFSRemoveTargetFile(m_strOpenFile);
    m_strOpenFile.Empty();
    return closed && removed;
}

int Connection::WriteTargetFile(const CString& pcFilePath) {
    int packetSize = GetUploadPacketSize();
    if (packetSize < 0)
        return 2;
    log_and_print(kMsgPacketSize, packetSize);
    std::string path = pcPathText(pcFilePath);
    log_and_print(kMsgOpenFile, path.c_str());
    FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) {
        log_and_print(kMsgOpenFileFailed, path.c_str(), std::strerror(errno));
        return 2;
    }
    log_and_print(kMsgOpenFileDone, path.c_str());
    bool sent = sendChunks(file, path, packetSize, fileSize(file));
    std::fclose(file);
    return sent ? 0 : 2;
}

bool Connection::sendChunks(FILE* file, const std::string& pcPath, int packetSize,
                            unsigned long long total) {
    std::vector<unsigned char> buffer(static_cast<size_t>(packetSize) + kChunkSlack);
    unsigned long long sent = 0;
    for (;;) {
        size_t count = std::fread(buffer.data(), 1, static_cast<size_t>(packetSize), file);
        // A read error must not pass for the end of the file: the device would keep a cut copy.
        if (std::ferror(file)) {
            log_and_print(kMsgReadFileFailed, pcPath.c_str(), std::strerror(errno));
            return false;
        }
        if (count == 0)
            return true;
        int length = static_cast<int>(count);
        ATResult result;
        if (ME_WriteTargetFile(m_pME, length, packetSize, buffer.data(), nullptr, &result) !=
            ME_RESULT_OK) {
            log_and_print(kMsgChunkFailed, length);
            return false;
        }
        sent += count;
        if (m_pProgress != nullptr)
            m_pProgress(sent, std::max(total, sent), m_pProgressUser);
    }
}

bool Connection::HandleTargetFile(const CString& name, int mode) {
    if (name.GetDataLength() > kMaxCommandPath)
        return false;
    ATResult result;
    return ME_HandleTargetFile(m_pME, mode, EncodeUCS2txt(name).c_str(), nullptr, &result) ==
           ME_RESULT_OK;
}

int Connection::InternalGetPacketSize() {
    SwitchDT(true);
    ATResult result;
    int code = ME_GetPacketSize(m_pME, nullptr, &result);
    if (code != ME_RESULT_OK || !result.check_key(kKeyPacketSize) ||
        result.vParamLst[0].size() != 2)
        return kDefaultPacketSize;
    int size = result.get_integer(0, 1);
    if (size == 0)
        return kDefaultPacketSize; // a chunk of no bytes would never move the file
    return size >= kDefaultPacketSize ? std::min(size, kMaxPacketSize) : size;
}

int Connection::GetUploadPacketSize() {
    if (m_nPacketSize <= 0)
        m_nPacketSize = InternalGetPacketSize();
    return m_nPacketSize;
}

void Connection::SetProgressCallback(TRANSFER_PROGRESS_FN callback, void* user) {
    m_pProgress = callback;
    m_pProgressUser = user;
}
