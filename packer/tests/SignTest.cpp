// The signature with the fixed key, the type-1 block it encodes and a value the key cannot have
// made. The digests are checked through the golden tag blocks; changed content or tag bytes
// failing verification is vxpinfo's test.
#include <cstring>

#include <gtest/gtest.h>

#include "Sign.h"

namespace {

const uint8_t kDigest[16] = {0x22, 0xf4, 0xab, 0xc5, 0xa1, 0x0c, 0x63, 0x72,
                             0x93, 0x9a, 0x58, 0x51, 0x55, 0xce, 0x57, 0x66};

// Verifying decodes the type-1 block and compares the 16 bytes it carries.
TEST(Signature, SignedDigestVerifiesAndAChangedOrNotBelowTheModulusValueDoesNot) {
    uint8_t sig[64];
    ASSERT_EQ(GetSignature(kDigest, sig), 1);
    EXPECT_TRUE(VerifySignature(kDigest, sig));
    sig[63] ^= 0x01;
    EXPECT_FALSE(VerifySignature(kDigest, sig));
    std::memset(sig, 0xFF, sizeof sig);
    EXPECT_FALSE(VerifySignature(kDigest, sig));
}

} // namespace
