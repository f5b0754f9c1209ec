// RSA over mbed TLS big numbers: the private-key operation with the fixed exponent D (no CRT
// components) and the public-key check with 65537. Every big number is freed on every path.
#include "Sign.h"

#include <cstring>

#include <mbedtls/bignum.h>

namespace {

// The fixed test-grade key, least significant byte first (sixteen little-endian words). The
// matching public key is shipped as keys/public.pem.
const uint8_t kSignModulus[SIGN_KEY_BYTES] = {
    0x05, 0xC1, 0x3C, 0x2C, 0x58, 0xEB, 0xAF, 0x6F, 0x77, 0x30, 0x2A, 0x7C, 0xA6, 0xCE, 0x58, 0x77,
    0x1F, 0x1F, 0xA1, 0xEC, 0x0E, 0x8D, 0xE1, 0x84, 0xA3, 0x4C, 0xB3, 0x26, 0xF9, 0xB3, 0x6D, 0xCF,
    0xFE, 0xB8, 0xDD, 0x3D, 0xE3, 0x9F, 0x19, 0xB7, 0x09, 0x9B, 0x41, 0xC4, 0x2C, 0x99, 0xFB, 0xAF,
    0xAB, 0x8C, 0x03, 0x14, 0x34, 0x97, 0x44, 0x57, 0xA2, 0xDA, 0x3E, 0x4F, 0xEF, 0x2C, 0x3D, 0xCB,
};
const uint8_t kPrivateExponent[SIGN_KEY_BYTES] = {
    0x85, 0x4B, 0x34, 0x35, 0xC8, 0x1F, 0xE4, 0xAA, 0x46, 0xA2, 0xD8, 0x25, 0x8B, 0x30, 0x20, 0x38,
    0xD1, 0x15, 0x71, 0x7E, 0x79, 0x38, 0x90, 0x12, 0xC0, 0x2F, 0x7A, 0x86, 0x6E, 0x3F, 0x22, 0x7B,
    0x83, 0x95, 0xEE, 0xE5, 0x32, 0x6F, 0x5E, 0x0A, 0x68, 0x81, 0x70, 0x67, 0xBF, 0x77, 0x89, 0xC9,
    0x15, 0x3A, 0xD4, 0xAF, 0x59, 0x45, 0x7C, 0xD7, 0x65, 0xBF, 0x35, 0x51, 0x99, 0xA8, 0x5E, 0x3C,
};
// The modulus again, for verification.
const uint8_t kVerifyModulus[SIGN_KEY_BYTES] = {
    0x05, 0xC1, 0x3C, 0x2C, 0x58, 0xEB, 0xAF, 0x6F, 0x77, 0x30, 0x2A, 0x7C, 0xA6, 0xCE, 0x58, 0x77,
    0x1F, 0x1F, 0xA1, 0xEC, 0x0E, 0x8D, 0xE1, 0x84, 0xA3, 0x4C, 0xB3, 0x26, 0xF9, 0xB3, 0x6D, 0xCF,
    0xFE, 0xB8, 0xDD, 0x3D, 0xE3, 0x9F, 0x19, 0xB7, 0x09, 0x9B, 0x41, 0xC4, 0x2C, 0x99, 0xFB, 0xAF,
    0xAB, 0x8C, 0x03, 0x14, 0x34, 0x97, 0x44, 0x57, 0xA2, 0xDA, 0x3E, 0x4F, 0xEF, 0x2C, 0x3D, 0xCB,
};
const int kPublicExponent = 65537;
const int kSignAttempts = 11;
const int kMinFillerBytes = 8;
const int kErrBadInput = -0x4080; // the signature read as a number is not below N
const int kErrBadBlock = -0x4100; // not a type-1 block with enough FF filler

// s = m^exponent mod modulus, everything as 64 big-endian bytes except the little-endian key.
int ModularPower(const uint8_t in[SIGN_KEY_BYTES], const uint8_t modulus_le[SIGN_KEY_BYTES],
                 const mbedtls_mpi& exponent, uint8_t out[SIGN_KEY_BYTES]) {
    mbedtls_mpi m, n, s;
    mbedtls_mpi_init(&m);
    mbedtls_mpi_init(&n);
    mbedtls_mpi_init(&s);
    int ret = mbedtls_mpi_read_binary(&m, in, SIGN_KEY_BYTES);
    if (ret == 0)
        ret = mbedtls_mpi_read_binary_le(&n, modulus_le, SIGN_KEY_BYTES);
    if (ret == 0 && mbedtls_mpi_cmp_mpi(&m, &n) >= 0)
        ret = kErrBadInput;
    if (ret == 0)
        ret = mbedtls_mpi_exp_mod(&s, &m, &exponent, &n, nullptr);
    if (ret == 0)
        ret = mbedtls_mpi_write_binary(&s, out, SIGN_KEY_BYTES);
    mbedtls_mpi_free(&m);
    mbedtls_mpi_free(&n);
    mbedtls_mpi_free(&s);
    return ret;
}

void BuildSignatureBlock(const uint8_t digest[SIGN_DIGEST_BYTES], uint8_t block[SIGN_KEY_BYTES]) {
    const int filler = SIGN_KEY_BYTES - 3 - SIGN_DIGEST_BYTES;
    block[0] = 0x00;
    block[1] = 0x01;
    std::memset(block + 2, 0xFF, filler);
    block[2 + filler] = 0x00;
    std::memcpy(block + 3 + filler, digest, SIGN_DIGEST_BYTES);
}

} // namespace

int EncryptSign(const uint8_t digest[SIGN_DIGEST_BYTES], uint8_t signature[SIGN_KEY_BYTES]) {
    uint8_t block[SIGN_KEY_BYTES];
    BuildSignatureBlock(digest, block);
    mbedtls_mpi d;
    mbedtls_mpi_init(&d);
    int ret = mbedtls_mpi_read_binary_le(&d, kPrivateExponent, SIGN_KEY_BYTES);
    if (ret == 0)
        ret = ModularPower(block, kSignModulus, d, signature);
    mbedtls_mpi_free(&d);
    return ret;
}

int DecryptSign(const uint8_t signature[SIGN_KEY_BYTES], uint8_t* message, int* message_length) {
    uint8_t v[SIGN_KEY_BYTES];
    mbedtls_mpi e;
    mbedtls_mpi_init(&e);
    int ret = mbedtls_mpi_lset(&e, kPublicExponent);
    if (ret == 0)
        ret = ModularPower(signature, kVerifyModulus, e, v);
    mbedtls_mpi_free(&e);
    if (ret != 0)
        return ret;
    if (v[0] != 0x00 || v[1] != 0x01) // the filler check below refuses a block without FF bytes
        return kErrBadBlock;
    int pos = 2;
    while (pos < SIGN_KEY_BYTES && v[pos] == 0xFF)
        ++pos;
    if (pos >= SIGN_KEY_BYTES || v[pos] != 0x00 || pos - 2 < kMinFillerBytes)
        return kErrBadBlock;
    ++pos;
    std::memcpy(message, v + pos, SIGN_KEY_BYTES - pos);
    if (message_length)
        *message_length = SIGN_KEY_BYTES - pos;
    return 0;
}

bool IsDigestIdentical(const uint8_t a[SIGN_DIGEST_BYTES], const uint8_t b[SIGN_DIGEST_BYTES]) {
    return std::memcmp(a, b, SIGN_DIGEST_BYTES) == 0;
}

bool VerifySignature(const uint8_t digest[SIGN_DIGEST_BYTES],
                     const uint8_t signature[SIGN_KEY_BYTES]) {
    uint8_t message[SIGN_KEY_BYTES] = {};
    int length = 0;
    return DecryptSign(signature, message, &length) == 0 && length == SIGN_DIGEST_BYTES &&
           IsDigestIdentical(message, digest);
}

int GetSignature(const uint8_t digest[SIGN_DIGEST_BYTES], uint8_t signature[SIGN_KEY_BYTES]) {
    uint8_t wanted[SIGN_DIGEST_BYTES];
    std::memcpy(wanted, digest, SIGN_DIGEST_BYTES);
    for (int attempt = 0; attempt < kSignAttempts; ++attempt) {
        EncryptSign(wanted, signature);
        uint8_t message[SIGN_KEY_BYTES] = {};
        DecryptSign(signature, message);
        if (IsDigestIdentical(message, wanted))
            return 1;
    }
    return 0;
}
