// The signature with the fixed key: the block it encodes, verification, and rejection of any
// changed byte.
#include <cstring>

#include <gtest/gtest.h>
#include <mbedtls/bignum.h>

#include "Sign.h"

namespace {

const uint8_t kDigest[16] = {0x22, 0xf4, 0xab, 0xc5, 0xa1, 0x0c, 0x63, 0x72,
                             0x93, 0x9a, 0x58, 0x51, 0x55, 0xce, 0x57, 0x66};

TEST(Signature, SignedDigestIsRecoveredByTheTypeOneBlock) {
    uint8_t sig[64];
    ASSERT_EQ(EncryptSign(kDigest, sig), 0);
    uint8_t message[64] = {0};
    int length = 0;
    ASSERT_EQ(DecryptSign(sig, message, &length), 0);
    EXPECT_EQ(length, 16);
    EXPECT_TRUE(IsDigestIdentical(message, kDigest));
    EXPECT_EQ(GetSignature(kDigest, sig), 1);
    EXPECT_TRUE(VerifySignature(kDigest, sig));
}

TEST(Signature, IsDeterministic) {
    uint8_t a[64], b[64];
    ASSERT_EQ(GetSignature(kDigest, a), 1);
    ASSERT_EQ(GetSignature(kDigest, b), 1);
    EXPECT_EQ(std::memcmp(a, b, 64), 0);
}

TEST(Signature, AnyChangedSignatureByteFailsVerification) {
    uint8_t sig[64];
    ASSERT_EQ(GetSignature(kDigest, sig), 1);
    for (int i = 0; i < 64; ++i) {
        uint8_t bad[64];
        std::memcpy(bad, sig, 64);
        bad[i] ^= 0x01;
        EXPECT_FALSE(VerifySignature(kDigest, bad)) << "byte " << i;
    }
}

TEST(Signature, AnotherDigestFailsVerification) {
    uint8_t sig[64], other[16];
    ASSERT_EQ(GetSignature(kDigest, sig), 1);
    std::memcpy(other, kDigest, 16);
    other[15] ^= 0x80;
    EXPECT_FALSE(VerifySignature(other, sig));
}

TEST(Signature, ValueNotBelowTheModulusIsRefused) {
    uint8_t all_ones[64];
    std::memset(all_ones, 0xFF, sizeof all_ones);
    uint8_t message[64];
    EXPECT_NE(DecryptSign(all_ones, message), 0);
}

} // namespace
