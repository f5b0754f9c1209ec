// Reads a packed application file from its end: signature trailer, end marker, content
// length and tag block, recomputes the three digests and checks the signature. Every input
// is treated as hostile: reads stay inside the file and memory stays bounded.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

struct TagRecord {
    uint32_t id = 0;
    uint64_t offset = 0; // of the record header in the file
    std::vector<uint8_t> value;
};

enum class PackedStatus { Valid, BadSignature, Malformed };

struct PackedReport {
    PackedStatus status = PackedStatus::Malformed;
    std::string problem; // why the file is malformed or invalid
    uint64_t fileSize = 0;
    uint64_t contentLength = 0;
    uint64_t tagBlockLength = 0;
    std::vector<TagRecord> tags; // in file order, end record included
    uint8_t fileDigest[16] = {0};
    uint8_t tagDigest[16] = {0};
    uint8_t signedDigest[16] = {0};
    uint8_t signature[64] = {0};
    uint8_t reserved[8] = {0}; // the trailer's last bytes; no digest covers them
};

// Reads n bytes at offset into out; false when they cannot be read.
using ReadAt = std::function<bool(uint64_t offset, uint8_t* out, size_t n)>;

PackedReport ReadPacked(uint64_t size, const ReadAt& read_at);
PackedReport ReadPackedMemory(const uint8_t* data, size_t size);
// False (with the system's reason in error) when the file cannot be opened or read.
bool ReadPackedFile(const std::string& path, PackedReport& report, std::string& error);

// The nested records of a name list value; false when they do not parse exactly.
bool ParseTagRecords(const uint8_t* data, size_t size, std::vector<TagRecord>& out);
