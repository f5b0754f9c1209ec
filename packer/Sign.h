// The packed file's signature: a 512-bit RSA signature (PKCS#1 v1.5 type-1 block over the bare
// 16-byte signed digest) made with the packer's fixed key, and its verification.
#pragma once

#include <cstdint>

enum { SIGN_KEY_BYTES = 64, SIGN_DIGEST_BYTES = 16 };

// 1 when a signature was made and verified within 11 attempts, 0 otherwise.
int GetSignature(const uint8_t digest[SIGN_DIGEST_BYTES], uint8_t signature[SIGN_KEY_BYTES]);
// 0, or the big-number library's error code.
int EncryptSign(const uint8_t digest[SIGN_DIGEST_BYTES], uint8_t signature[SIGN_KEY_BYTES]);
// 0 with the recovered message (the bytes after the block's 00) in message, or an error code:
// the signature is not below the modulus, or the block is not type 1 with at least 8 FF bytes.
// message must hold SIGN_KEY_BYTES bytes; message_length receives the recovered length.
int DecryptSign(const uint8_t signature[SIGN_KEY_BYTES], uint8_t* message,
                int* message_length = nullptr);
bool IsDigestIdentical(const uint8_t a[SIGN_DIGEST_BYTES], const uint8_t b[SIGN_DIGEST_BYTES]);
// True when signature is a valid signature of digest under the packer's public key.
bool VerifySignature(const uint8_t digest[SIGN_DIGEST_BYTES],
                     const uint8_t signature[SIGN_KEY_BYTES]);
