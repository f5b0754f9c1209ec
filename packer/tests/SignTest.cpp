// The digest and its signature: MD5 against the RFC 1321 test suite, whole and fed in pieces
// across block boundaries; the signature with the fixed key, the type-1 block it encodes and a
// value the key cannot have made. Changed content or tag bytes failing verification is
// vxpinfo's test.
#include <cstring>
#include <string>

#include <gtest/gtest.h>

#include "Sign.h"
#include "TestFiles.h"
#include "TableRow.h"

namespace {

struct Vector : test_table::Row {
    const char* text;
    const char* digest;
};
const Vector kRfc1321[] = {
    {"Length0", "", "d41d8cd98f00b204e9800998ecf8427e"},
    {"Length80",
     "1234567890123456789012345678901234567890"
     "1234567890123456789012345678901234567890",
     "57edf4a22be3c955ac49da2e2107b67a"},
};

class Md5Rfc1321 : public ::testing::TestWithParam<Vector> {};

TEST_P(Md5Rfc1321, DigestIsTheSameWholeAndInPieces) {
    const std::string text = GetParam().text;
    for (size_t piece : {size_t(1000), size_t(1), size_t(63), size_t(64), size_t(65)})
        EXPECT_EQ(Md5Hex(reinterpret_cast<const uint8_t*>(text.data()), text.size(), piece),
                  GetParam().digest)
            << "piece " << piece;
}

INSTANTIATE_TEST_SUITE_P(KnownAnswers, Md5Rfc1321, ::testing::ValuesIn(kRfc1321),
                         test_table::ByName());

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
