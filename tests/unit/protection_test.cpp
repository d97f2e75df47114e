// The stored protection key: which categories it forbids, whether its check
// digit holds, and the keys the command line writes.
#include <gtest/gtest.h>

#include "library/settings/protection.h"

namespace qel {
namespace {

std::array<bool, 5> only(std::initializer_list<int> set) {
    std::array<bool, 5> flags{};
    for (int i : set) flags[i] = true;
    return flags;
}

TEST(ProtectionKey, ChecksTheDigitAgainstTheCategoriesAndTheFreeDigit) {
    EXPECT_TRUE(ReadProtectionKey(u"").sound);
    EXPECT_EQ(ReadProtectionKey(u"").flags, only({}));
    EXPECT_TRUE(ReadProtectionKey(u"0").sound);   // sum 0
    EXPECT_FALSE(ReadProtectionKey(u"1").sound);  // sum 0, check 1

    ProtectionKey broken = ReadProtectionKey(u"114");  // 1 + 4 − 5 = 0 ≠ 1
    EXPECT_FALSE(broken.sound);
    EXPECT_EQ(broken.flags, only({1}));  // what it names stays forbidden

    ProtectionKey system = ReadProtectionKey(u"023");  // 2 + 3 − 5 = 0
    EXPECT_TRUE(system.sound);
    EXPECT_EQ(system.flags, only({2}));
}

TEST(ProtectionKey, NegativeSumsAndOddCharactersAreNotSound) {
    // 0 + 0 − 5 = −5, whose remainder −1 no check digit can match.
    EXPECT_FALSE(ReadProtectionKey(u"000").sound);
    EXPECT_FALSE(ReadProtectionKey(u"1x5").sound);
    // A digit above 4 sets nothing but counts in the sum: 7 + 5 − 5 = 7, odd.
    ProtectionKey high = ReadProtectionKey(u"175");
    EXPECT_TRUE(high.sound);
    EXPECT_EQ(high.flags, only({}));
}

TEST(ProtectionKey, MadeKeysAreSoundAndSetExactlyTheirFlags) {
    for (int bits = 0; bits < 32; ++bits) {
        std::array<bool, 5> flags{};
        for (int i = 0; i < 5; ++i) flags[i] = (bits >> i) & 1;
        ProtectionKey read = ReadProtectionKey(MakeProtectionKey(flags));
        EXPECT_TRUE(read.sound) << bits;
        EXPECT_EQ(read.flags, flags) << bits;
    }
}

}  // namespace
}  // namespace qel
