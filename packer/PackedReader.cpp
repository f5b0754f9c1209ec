// The packed-file reader: layout checks from the end, digests in bounded blocks, signature.
#include "PackedReader.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

#include "Sign.h"
#include "TagTable.h"
#include "Utility.h"
#include "vmmd5.h"

namespace {

const size_t kDigestBlock = 1 << 16;

bool Digest(const ReadAt& read_at, uint64_t offset, uint64_t length, uint8_t digest[16]) {
    std::vector<uint8_t> block(kDigestBlock);
    md5_state_s_t state;
    md5_init(&state);
    for (uint64_t done = 0; done < length;) {
        const size_t n = size_t(std::min<uint64_t>(kDigestBlock, length - done));
        if (!read_at(offset + done, block.data(), n))
            return false;
        md5_append(&state, block.data(), int(n));
        done += n;
    }
    md5_finish(&state, digest);
    return true;
}

PackedReport Malformed(PackedReport report, const std::string& problem) {
    report.status = PackedStatus::Malformed;
    report.problem = problem;
    return report;
}

} // namespace

bool ParseTagRecords(const uint8_t* data, size_t size, std::vector<TagRecord>& out) {
    size_t at = 0;
    while (at < size) {
        if (size - at < TAG_HEADER_SIZE)
            return false;
        TagRecord record;
        record.id = GetUint32(data + at);
        record.offset = at;
        const uint32_t length = GetUint32(data + at + 4);
        if (length > size - at - TAG_HEADER_SIZE)
            return false;
        record.value.assign(data + at + TAG_HEADER_SIZE, data + at + TAG_HEADER_SIZE + length);
        at += TAG_HEADER_SIZE + length;
        out.push_back(std::move(record));
        if (out.back().id == TAG_END)
            return out.back().value.empty() && at == size;
    }
    return false;
}

PackedReport ReadPacked(uint64_t size, const ReadAt& read_at) {
    PackedReport report;
    report.fileSize = size;
    if (size < uint64_t(PACK_OVERHEAD) + TAG_HEADER_SIZE)
        return Malformed(report, "too short for a packed file");
    uint8_t tail[PACK_OVERHEAD];
    if (!read_at(size - PACK_OVERHEAD, tail, sizeof tail))
        return Malformed(report, "cannot read the signature trailer");
    if (std::memcmp(tail, END_MARKER, END_MARKER_SIZE) != 0)
        return Malformed(report, "no end marker before the signature trailer");
    const uint8_t* trailer = tail + END_MARKER_SIZE;
    if (GetUint32(trailer + TRAILER_WORD1_OFFSET) != TRAILER_WORD1)
        return Malformed(report, "signature trailer does not start with 1");
    std::memcpy(report.signature, trailer + TRAILER_SIGNATURE_OFFSET, sizeof report.signature);
    std::memcpy(report.reserved, trailer + TRAILER_RESERVED_OFFSET, sizeof report.reserved);
    report.contentLength = GetUint32(trailer + TRAILER_LENGTH_OFFSET);
    if (report.contentLength > size - PACK_OVERHEAD - TAG_HEADER_SIZE)
        return Malformed(report, "content length points past the tag block");
    report.tagBlockLength = size - PACK_OVERHEAD - report.contentLength;
    if (report.tagBlockLength > TAG_BUFFER_SIZE)
        return Malformed(report, "tag block longer than 4096 bytes");

    std::vector<uint8_t> block(size_t(report.tagBlockLength));
    if (!read_at(report.contentLength, block.data(), block.size()))
        return Malformed(report, "cannot read the tag block");
    if (!ParseTagRecords(block.data(), block.size(), report.tags))
        return Malformed(report, "tag block does not end with exactly one end record");
    for (TagRecord& tag : report.tags)
        tag.offset += report.contentLength;

    if (!Digest(read_at, 0, report.contentLength, report.fileDigest))
        return Malformed(report, "cannot read the content");
    Digest(read_at, report.contentLength, report.tagBlockLength, report.tagDigest);
    uint8_t pair[32];
    std::memcpy(pair, report.fileDigest, 16);
    std::memcpy(pair + 16, report.tagDigest, 16);
    md5_state_s_t state;
    md5_init(&state);
    md5_append(&state, pair, sizeof pair);
    md5_finish(&state, report.signedDigest);
    if (VerifySignature(report.signedDigest, report.signature)) {
        report.status = PackedStatus::Valid;
    } else {
        report.status = PackedStatus::BadSignature;
        report.problem = "the signature does not match the digests of content and tag block";
    }
    return report;
}

PackedReport ReadPackedMemory(const uint8_t* data, size_t size) {
    return ReadPacked(size, [data, size](uint64_t offset, uint8_t* out, size_t n) {
        if (offset > size || n > size - offset) // never past the buffer, whatever the reader asks
            return false;
        std::memcpy(out, data + offset, n);
        return true;
    });
}

bool ReadPackedFile(const std::string& path, PackedReport& report, std::string& error) {
    std::unique_ptr<FILE, int (*)(FILE*)> file(std::fopen(path.c_str(), "rb"), &std::fclose);
    struct stat info;
    if (!file || fstat(fileno(file.get()), &info) != 0) {
        error = std::strerror(errno);
        return false;
    }
    if (!S_ISREG(info.st_mode)) {
        error = "not a regular file";
        return false;
    }
    FILE* f = file.get();
    report = ReadPacked(uint64_t(info.st_size), [f](uint64_t offset, uint8_t* out, size_t n) {
        return fseeko(f, off_t(offset), SEEK_SET) == 0 && std::fread(out, 1, n, f) == n;
    });
    return true;
}
