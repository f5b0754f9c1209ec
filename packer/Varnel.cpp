// The pack run: digest the content while reading it, compose and sign the tag block, then
// append block, end marker and trailer in place. Nothing is written before the signature
// exists, and a write that fails part-way is cut back to the original length.
#include "Varnel.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <getopt.h>
#include <vector>

#include "Utility.h"

namespace {

const char* const kBanner = "Varnel Command Shell v3.1329.00\n";
const char* const kUsage =
    "Please input command line\n -i input packed file path \n -h show help\n";
const size_t kPathBufferSize = 260;
const size_t kReadBlockSize = 1 << 16;
const uint64_t kMaxContentLength = 0xFFFFFFFFull;

struct FileCloser {
    void operator()(FILE* f) const {
        if (f)
            std::fclose(f);
    }
};
using File = std::unique_ptr<FILE, FileCloser>;

// Digests the L content bytes in fixed blocks, so memory does not grow with the file.
bool DigestContent(FILE* file, uint64_t length, md5_state_s_t& state, uint8_t digest[16]) {
    std::vector<uint8_t> block(kReadBlockSize);
    md5_init(&state);
    for (uint64_t left = length; left > 0;) {
        const size_t want = left < kReadBlockSize ? size_t(left) : kReadBlockSize;
        if (std::fread(block.data(), 1, want, file) != want)
            return false;
        md5_append(&state, block.data(), int(want));
        left -= want;
    }
    md5_finish(&state, digest);
    return true;
}

void FillTrailer(uint8_t trailer[TRAILER_SIZE], const uint8_t signature[64], uint32_t length) {
    std::memset(trailer, 0, TRAILER_SIZE);
    PutUint32(trailer + TRAILER_WORD1_OFFSET, TRAILER_WORD1);
    std::memcpy(trailer + TRAILER_SIGNATURE_OFFSET, signature, 64);
    PutUint32(trailer + TRAILER_LENGTH_OFFSET, length);
}

bool AppendAll(FILE* file, const uint8_t* tags, int tag_length, const uint8_t* trailer) {
    return std::fseek(file, 0, SEEK_END) == 0 &&
           std::fwrite(tags, 1, size_t(tag_length), file) == size_t(tag_length) &&
           std::fwrite(END_MARKER, 1, END_MARKER_SIZE, file) == END_MARKER_SIZE &&
           std::fwrite(trailer, 1, TRAILER_SIZE, file) == TRAILER_SIZE && std::fflush(file) == 0;
}

void AppendDateRecord(const char* date_path, const uint32_t date[6]) {
    File dates(std::fopen(date_path, "ab+"));
    if (!dates)
        return;
    uint8_t record[DATE_RECORD_SIZE];
    for (int i = 0; i < 5; ++i)
        PutUint32(record + 4 * i, date[i]);
    PutUint32(record + 20, 0);
    std::fwrite(record, 1, sizeof record, dates.get());
}

} // namespace

Varnel::Varnel(const std::string& target_path, const std::string& param_path)
    : m_paramPath(param_path), m_targetPath(target_path),
      m_param(std::make_unique<ParamOption>(param_path)) {}

Varnel::~Varnel() {
    m_param.reset();
}

void Varnel::print_version() {
    log_output("%s", kBanner);
}

void Varnel::ComposeFileName(char out[260]) {
    std::memset(out, 0, kPathBufferSize);
    std::snprintf(out, kPathBufferSize, "%s", DateFilePath(m_targetPath).c_str());
}

bool Varnel::doPack() {
    print_version();
    if (DateFilePath(m_targetPath).size() >= kPathBufferSize) {
        log_output("Date file path of %s is longer than %zu bytes.\n", m_targetPath.c_str(),
                   kPathBufferSize - 1);
        return false;
    }
    char date_path[kPathBufferSize];
    ComposeFileName(date_path);

    File file(std::fopen(m_targetPath.c_str(), "rb+"));
    if (!file) {
        log_output("Create file  %s failed %s\n", m_targetPath.c_str(), std::strerror(errno));
        return false;
    }
    struct stat info;
    if (stat(m_targetPath.c_str(), &info) != 0) {
        log_output("Get file size failed %s\n", std::strerror(errno));
        return false;
    }
    const uint64_t length = uint64_t(info.st_size);
    if (length > kMaxContentLength) {
        log_output("File %s is too large: %llu bytes, at most %llu can be packed.\n",
                   m_targetPath.c_str(), (unsigned long long)length,
                   (unsigned long long)kMaxContentLength);
        return false;
    }
    md5_state_s_t state;
    uint8_t file_digest[16];
    if (!DigestContent(file.get(), length, state, file_digest)) {
        log_output("Read file %s failed %s\n", m_targetPath.c_str(),
                   std::ferror(file.get()) ? std::strerror(errno) : "unexpected end of file");
        return false;
    }

    std::vector<uint8_t> tags(TAG_BUFFER_SIZE, 0);
    uint8_t signature[64] = {0};
    int tag_length = 0;
    _composeTagPara para;
    if (FormatTag(&para, state, file_digest, signature, tags.data(), tag_length) != FORMAT_TAG_OK)
        return false;

    const std::string output =
        ReplaceExtension(m_targetPath, ExtensionForAppType(m_param->GetAppType()));
    if (output.size() >= kPathBufferSize) {
        log_output("Output path %s is longer than %zu bytes.\n", output.c_str(),
                   kPathBufferSize - 1);
        return false;
    }
    uint8_t trailer[TRAILER_SIZE];
    FillTrailer(trailer, signature, uint32_t(length));
    if (!AppendAll(file.get(), tags.data(), tag_length, trailer)) {
        const int error = errno;
        std::fflush(file.get());
        if (ftruncate(fileno(file.get()), off_t(length)) != 0)
            log_output("Restore file %s failed %s\n", m_targetPath.c_str(), std::strerror(errno));
        log_output("Write file %s failed %s\n", m_targetPath.c_str(), std::strerror(error));
        return false;
    }
    file.reset();

    if (output != m_targetPath) {
        std::remove(output.c_str());
        if (std::rename(m_targetPath.c_str(), output.c_str()) != 0) {
            log_output("Rename %s to %s failed %s\n", m_targetPath.c_str(), output.c_str(),
                       std::strerror(errno));
            if (truncate(m_targetPath.c_str(), off_t(length)) != 0)
                log_output("Restore file %s failed %s\n", m_targetPath.c_str(),
                           std::strerror(errno));
            return false;
        }
    }
    AppendDateRecord(date_path, para.startDate);
    return true;
}

bool ParseArguments(int argc, char* argv[], char target[260]) {
    if (argc <= 1) {
        log_output("Invalid command arguments.\n");
        return false;
    }
    log_output("Parameter number = %d\n", argc);
    for (int i = 0; i < argc; ++i)
        log_output("Parameter %d value = %s\n", i, argv[i]);
    std::memset(target, 0, kPathBufferSize);
    bool too_long = false;
    optind = 1;
    int option;
    while ((option = getopt(argc, argv, "+i:h")) != -1) {
        if (option == 'h') {
            log_output("%s", kUsage);
        } else if (option == 'i' && optarg) {
            too_long = std::strlen(optarg) >= kPathBufferSize;
            std::memset(target, 0, kPathBufferSize);
            if (!too_long)
                std::memcpy(target, optarg, std::strlen(optarg));
        }
    }
    if (too_long) {
        log_output("Invalid parameter, the target file path is longer than %zu bytes.\n",
                   kPathBufferSize - 1);
        return false;
    }
    if (target[0] == '\0') {
        log_output("Invalid parameter, please specify pack target file path.\n");
        return false;
    }
    return true;
}
