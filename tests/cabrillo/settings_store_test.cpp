// Settings values are stored so that the reader gives them back as they were.
#include <gtest/gtest.h>

#include "cabrillo/settings_store.h"

using namespace tavik;

TEST(SettingsValue, QuotedOnlyWhereTheReaderWouldChangeIt) {
    EXPECT_EQ(QuoteForProfile(""), "");
    EXPECT_EQ(QuoteForProfile("1234"), "1234");
    EXPECT_EQ(QuoteForProfile("a \"b\" c"), "a \"b\" c");
    EXPECT_EQ(QuoteForProfile(" lead"), "\" lead\"");
    EXPECT_EQ(QuoteForProfile("trail\t"), "\"trail\t\"");
    EXPECT_EQ(QuoteForProfile("\"quoted\""), "\"\"quoted\"\"");
    EXPECT_EQ(QuoteForProfile("'single'"), "\"'single'\"");
    EXPECT_EQ(QuoteForProfile("\""), "\"");
}
