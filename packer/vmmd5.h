// MD5 message digest (RFC 1321) with an incremental interface: the packer digests the
// application content, the tag block and the pair of digests through one state.
#pragma once

#include <cstdint>

struct md5_state_s_t {
    uint32_t count[2]; // message length in bits, low word first
    uint32_t abcd[4];  // digest buffer
    uint8_t buf[64];   // bytes of an incomplete block
};

enum { MD5_DIGEST_SIZE = 16 };

void md5_init(md5_state_s_t* state);
void md5_append(md5_state_s_t* state, const uint8_t* data, int nbytes);
void md5_finish(md5_state_s_t* state, uint8_t digest[MD5_DIGEST_SIZE]);
