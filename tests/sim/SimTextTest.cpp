// Device text layouts: code-page bytes low half first, UTF-16 one unit per register.
#include "sim/SimText.h"

#include <gtest/gtest.h>

TEST(SimText, CodePageTextPutsTheEarlierByteLow) {
    EXPECT_EQ(SimPackText8("abc", 3), (std::vector<uint16_t>{0x6261, 0x0063, 0}));
    EXPECT_EQ(SimPackText8("0123456789", 2), (std::vector<uint16_t>{0x3130, 0x3332}));
    const std::vector<uint16_t> regs = {0x6261, 0x0063, 0x6565};
    EXPECT_EQ(SimUnpackText8(regs.data(), 3), "abc");
    const std::vector<uint16_t> full = {0x6261, 0x6463};
    EXPECT_EQ(SimUnpackText8(full.data(), 2), "abcd");
}

TEST(SimText, WideTextIsCutWithoutSplittingASurrogatePair) {
    // "A", U+1F600 (two units), "B"
    const std::string text = "A\xF0\x9F\x98\x80"
                             "B";
    EXPECT_EQ(SimPackText16(text, 4), (std::vector<uint16_t>{'A', 0xD83D, 0xDE00, 'B'}));
    EXPECT_EQ(SimPackText16(text, 2), (std::vector<uint16_t>{'A', 0}));
    const std::vector<uint16_t> regs = {'A', 0xD83D, 0xDE00, 'B'};
    EXPECT_EQ(SimUnpackText16(regs.data(), 4), text);
    EXPECT_EQ(SimPackText16("\xE6\x97\xA5", 2), (std::vector<uint16_t>{0x65E5, 0}));
    // Malformed input and lone surrogates become U+FFFD.
    EXPECT_EQ(SimPackText16("\xFF", 1), (std::vector<uint16_t>{0xFFFD}));
    const std::vector<uint16_t> lone = {0xDC00, 'x'};
    EXPECT_EQ(SimUnpackText16(lone.data(), 2), "\xEF\xBF\xBDx");
}
