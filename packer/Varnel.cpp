// The pack run: check the parameters and the target, digest the content while reading it,
// compose and sign the tag block, then append block, end marker and trailer in place or to a
// temporary copy that is renamed into place. Nothing is written before the signature exists;
// a write that fails part-way is cut back (in place) or removed (copy).
#include "Varnel.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

#include "PackedReader.h"
#include "Utility.h"

namespace {

constexpr char kBanner[] = "Varnel Command Shell v3.1329.00\n";
constexpr char kOpenFailed[] = "Create file  %s failed %s\n";
constexpr char kSizeFailed[] = "Get file size failed %s\n";
constexpr char kReadFailed[] = "Read file %s failed %s\n";
constexpr char kWriteFailed[] = "Write file %s failed %s\n";
constexpr char kRestoreFailed[] = "Restore file %s failed %s\n";
constexpr char kRenameFailed[] = "Rename %s to %s failed %s\n";
constexpr char kTooLarge[] = "File %s is too large: %llu bytes, at most %llu can be packed.\n";
constexpr char kPathTooLong[] = "Path %s is longer than %zu bytes.\n";
constexpr char kNotRegular[] = "%s is not a regular file; nothing was packed.\n";
constexpr char kAlreadyPacked[] =
    "%s is already packed (its signature verifies); it is left as it was.\n";
constexpr char kWarning[] = "Warning: %s\n";
constexpr char kError[] = "Error: %s\n";
constexpr char kStrictRefused[] = "Nothing was packed: --strict makes every warning an error.\n";
constexpr char kPacked[] = "Packed %s -> %s: content %llu bytes, tag block %zu bytes, signed.\n";

const size_t kMaxPathLength = 259;
const size_t kReadBlockSize = 1 << 16;
const uint64_t kMaxContentLength = 0xFFFFFFFFull;

struct FileCloser {
    void operator()(FILE* f) const {
        if (f)
            std::fclose(f);
    }
};
using File = std::unique_ptr<FILE, FileCloser>;

// Digests the L content bytes in fixed blocks, so memory does not grow with the file, and
// writes them to copy too when there is one.
bool DigestContent(FILE* file, uint64_t length, FILE* copy, const std::string& copy_path,
                   const std::string& path, md5_state_s_t& state, uint8_t digest[16]) {
    std::vector<uint8_t> block(kReadBlockSize);
    md5_init(&state);
    for (uint64_t left = length; left > 0;) {
        const size_t want = left < kReadBlockSize ? size_t(left) : kReadBlockSize;
        if (std::fread(block.data(), 1, want, file) != want) {
            log_output(kReadFailed, path.c_str(),
                       std::ferror(file) ? std::strerror(errno) : "unexpected end of file");
            return false;
        }
        if (copy && std::fwrite(block.data(), 1, want, copy) != want) {
            log_output(kWriteFailed, copy_path.c_str(), std::strerror(errno));
            return false;
        }
        md5_append(&state, block.data(), int(want));
        left -= want;
    }
    md5_finish(&state, digest);
    return true;
}

void AppendEndMarkerAndTrailer(std::vector<uint8_t>& tail, const uint8_t signature[64],
                               uint32_t length) {
    uint8_t trailer[TRAILER_SIZE] = {};
    PutUint32(trailer + TRAILER_WORD1_OFFSET, TRAILER_WORD1);
    std::memcpy(trailer + TRAILER_SIGNATURE_OFFSET, signature, 64);
    PutUint32(trailer + TRAILER_LENGTH_OFFSET, length);
    tail.insert(tail.end(), END_MARKER, END_MARKER + END_MARKER_SIZE);
    tail.insert(tail.end(), trailer, trailer + TRAILER_SIZE);
}

bool AppendAll(FILE* file, const std::vector<uint8_t>& tail) {
    return std::fseek(file, 0, SEEK_END) == 0 &&
           std::fwrite(tail.data(), 1, tail.size(), file) == tail.size() && std::fflush(file) == 0;
}

bool ContentLength(FILE* file, const std::string& path, uint64_t& length, mode_t& mode) {
    struct stat info;
    if (fstat(fileno(file), &info) != 0) {
        log_output(kSizeFailed, std::strerror(errno));
        return false;
    }
    length = uint64_t(info.st_size);
    mode = info.st_mode & 0777;
    if (length > kMaxContentLength) {
        log_output(kTooLarge, path.c_str(), (unsigned long long)length,
                   (unsigned long long)kMaxContentLength);
        return false;
    }
    return true;
}

void AppendDateRecord(const std::string& date_path, const uint32_t date[6]) {
    File dates(std::fopen(date_path.c_str(), "ab+"));
    if (!dates)
        return;
    uint8_t record[DATE_RECORD_SIZE] = {}; // the last word stays 0
    for (int i = 0; i < 5; ++i)
        PutUint32(record + 4 * i, date[i]);
    std::fwrite(record, 1, sizeof record, dates.get());
}

} // namespace

Varnel::Varnel(const std::string& target_path, const std::string& param_path)
    : m_paramPath(param_path), m_targetPath(target_path),
      m_param(std::make_unique<ParamOption>(param_path)) {}

void Varnel::print_version() {
    log_output("%s", kBanner);
}

bool Varnel::CheckParameters() {
    const std::vector<std::string> problems = m_param->Problems();
    for (const std::string& problem : problems)
        log_output(m_strict ? kError : kWarning, problem.c_str());
    if (m_strict && !problems.empty()) {
        log_output("%s", kStrictRefused);
        return false;
    }
    return true;
}

// A missing target is left to the open, which names the system's reason.
bool Varnel::CheckTarget() {
    struct stat info;
    if (stat(m_targetPath.c_str(), &info) == 0 && !S_ISREG(info.st_mode)) {
        log_output(kNotRegular, m_targetPath.c_str());
        return false;
    }
    PackedReport report;
    std::string error;
    if (ReadPackedFile(m_targetPath, report, error) && report.status == PackedStatus::Valid) {
        log_output(kAlreadyPacked, m_targetPath.c_str());
        return false;
    }
    return true;
}

bool Varnel::ComposeTail(FILE* source, uint64_t length, FILE* copy, _composeTagPara& para,
                         std::vector<uint8_t>& tail) {
    md5_state_s_t state;
    uint8_t file_digest[16];
    if (!DigestContent(source, length, copy, m_outputPath, m_targetPath, state, file_digest))
        return false;
    tail.assign(TAG_BUFFER_SIZE, 0);
    uint8_t signature[64] = {};
    int tag_length = 0;
    if (FormatTag(&para, state, file_digest, signature, tail.data(), tag_length) != FORMAT_TAG_OK)
        return false;
    tail.resize(size_t(tag_length));
    AppendEndMarkerAndTrailer(tail, signature, uint32_t(length));
    return true;
}

bool Varnel::PackInPlace(const std::string& output, _composeTagPara& para,
                         std::vector<uint8_t>& tail, uint64_t& length) {
    File file(std::fopen(m_targetPath.c_str(), "rb+"));
    mode_t mode = 0;
    if (!file) {
        log_output(kOpenFailed, m_targetPath.c_str(), std::strerror(errno));
        return false;
    }
    if (!ContentLength(file.get(), m_targetPath, length, mode) ||
        !ComposeTail(file.get(), length, nullptr, para, tail))
        return false;
    if (!AppendAll(file.get(), tail)) {
        const int error = errno;
        std::fflush(file.get());
        if (ftruncate(fileno(file.get()), off_t(length)) != 0)
            log_output(kRestoreFailed, m_targetPath.c_str(), std::strerror(errno));
        log_output(kWriteFailed, m_targetPath.c_str(), std::strerror(error));
        return false;
    }
    file.reset();
    if (output == m_targetPath)
        return true;
    if (std::rename(m_targetPath.c_str(), output.c_str()) == 0)
        return true;
    log_output(kRenameFailed, m_targetPath.c_str(), output.c_str(), std::strerror(errno));
    if (truncate(m_targetPath.c_str(), off_t(length)) != 0)
        log_output(kRestoreFailed, m_targetPath.c_str(), std::strerror(errno));
    return false;
}

// The copy is written beside the output under a temporary name and renamed over it only
// when complete, so the output is either the whole packed file or not there.
bool Varnel::PackToCopy(_composeTagPara& para, std::vector<uint8_t>& tail, uint64_t& length) {
    File source(std::fopen(m_targetPath.c_str(), "rb"));
    mode_t mode = 0;
    if (!source) {
        log_output(kOpenFailed, m_targetPath.c_str(), std::strerror(errno));
        return false;
    }
    if (!ContentLength(source.get(), m_targetPath, length, mode))
        return false;
    std::string temporary = m_outputPath + ".XXXXXX";
    const int fd = mkstemp(&temporary[0]);
    if (fd < 0) {
        log_output(kOpenFailed, m_outputPath.c_str(), std::strerror(errno));
        return false;
    }
    File copy(fdopen(fd, "wb"));
    if (!copy) {
        log_output(kOpenFailed, m_outputPath.c_str(), std::strerror(errno));
        close(fd);
        unlink(temporary.c_str());
        return false;
    }
    bool packed = ComposeTail(source.get(), length, copy.get(), para, tail);
    if (packed && !(AppendAll(copy.get(), tail) && fchmod(fd, mode) == 0 &&
                    std::fclose(copy.release()) == 0)) {
        log_output(kWriteFailed, m_outputPath.c_str(), std::strerror(errno));
        packed = false;
    }
    if (packed && std::rename(temporary.c_str(), m_outputPath.c_str()) != 0) {
        log_output(kRenameFailed, temporary.c_str(), m_outputPath.c_str(), std::strerror(errno));
        packed = false;
    }
    if (!packed)
        unlink(temporary.c_str());
    return packed;
}

bool Varnel::doPack() {
    print_version();
    if (!CheckParameters())
        return false;
    const bool in_place = m_outputPath.empty();
    const std::string output =
        in_place ? ReplaceExtension(m_targetPath, ExtensionForAppType(m_param->GetAppType()))
                 : m_outputPath;
    const std::string date_path = DateFilePath(output);
    for (const std::string* path : {&output, &date_path})
        if (path->size() > kMaxPathLength) {
            log_output(kPathTooLong, path->c_str(), kMaxPathLength);
            return false;
        }
    if (!CheckTarget())
        return false;
    _composeTagPara para;
    std::vector<uint8_t> tail;
    uint64_t length = 0;
    if (!(in_place ? PackInPlace(output, para, tail, length) : PackToCopy(para, tail, length)))
        return false;
    AppendDateRecord(date_path, para.startDate);
    log_output(kPacked, m_targetPath.c_str(), output.c_str(), (unsigned long long)length,
               tail.size() - PACK_OVERHEAD);
    return true;
}
