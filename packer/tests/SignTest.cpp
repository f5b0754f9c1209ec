// The signature with the fixed key: the type-1 block it encodes, verification, and rejection
// of any changed byte or another digest.
#include <cstring>

#include <gtest/gtest.h>

#include "Sign.h"

namespace {

const uint8_t kDigest[16] = {0x22, 0xf4, 0xab, 0xc5, 0xa1, 0x0c, 0x63, 0x72,
                             0x93, 0x9a, 0x58, 0x51, 0x55, 0xce, 0x57, 0x66};

TEST(Signature, SignedDigestIsRecoveredAndVerifies) {
    uint8_t sig[64];
    ASSERT_EQ(GetSignature(kDigest, sig), 1);
    uint8_t message[64] = {0};
    int length = 0;
    ASSERT_EQ(DecryptSign(sig, message, &length), 0);
    EXPECT_EQ(length, 16);
    EXPECT_TRUE(IsDigestIdentical(message, kDigest));
    EXPECT_TRUE(VerifySignature(kDigest, sig));
}

TEST(Signature, AnyChangedByteOrAnotherDigestFails) {
    uint8_t sig[64];
    ASSERT_EQ(GetSignature(kDigest, sig), 1);
    for (int i = 0; i < 64; ++i) {
        uint8_t bad[64];
        std::memcpy(bad, sig, 64);
        bad[i] ^= 0x01;
        EXPECT_FALSE(VerifySignature(kDigest, bad)) << "byte " << i;
    }
    uint8_t other[16];
    std::memcpy(other, kDigest, 16);
    other[15] ^= 0x80;
    EXPECT_FALSE(VerifySignature(other, sig));
    uint8_t all_ones[64], message[64];
    std::memset(all_ones, 0xFF, sizeof all_ones);
    EXPECT_NE(DecryptSign(all_ones, message), 0);
}

} // namespace
