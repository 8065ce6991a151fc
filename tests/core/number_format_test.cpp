#include "core/number_format.h"

#include <gtest/gtest.h>

namespace tv {

TEST(NumberFormat, FixedRoundsToPrecisionAndPadsDecimals) {
    EXPECT_EQ(FormatFixed(8.123456, 8, 5), "8.12346");
    EXPECT_EQ(FormatFixed(49, 8, 5), "49.00000");
    EXPECT_EQ(FormatFixed(-0.5, 8, 5), "-0.50000");
    EXPECT_EQ(FormatFixed(12345.67, 5, 1), "12346.0");
    EXPECT_EQ(FormatFixed(49.123456, 8, 5), "49.12346");
    EXPECT_EQ(FormatFixed(-179.999999, 8, 5), "-180.00000");
    EXPECT_EQ(FormatFixed(123.456789, 5, 4), "123.4600");  // the precision, not the decimals, ends it
    EXPECT_EQ(FormatFixed(0.000123456, 3, 8), "0.00012300");
    EXPECT_EQ(FormatFixed(2.5, 8, 0), "2");                 // ties to the even neighbour of the binary value
    EXPECT_EQ(FormatFixed(1.25, 8, 3, ','), "1,250");
    EXPECT_EQ(FormatFixed(-0.000001, 8, 5), "0.00000");     // no "-0.00000"
    EXPECT_EQ(FormatFixed(0, 8, 5), "0.00000");
    EXPECT_EQ(FormatFixed(1234567.0, 3, 2), "1.23E6");      // too many integer digits
}

TEST(NumberFormat, ParseFloatAcceptsOnlyNumbers) {
    EXPECT_EQ(ParseFloat("48.5"), 48.5);
    EXPECT_EQ(ParseFloat(" 48.5 "), 48.5);
    EXPECT_EQ(ParseFloat("+2"), 2.0);
    EXPECT_EQ(ParseFloat("-8.5"), -8.5);
    EXPECT_EQ(ParseFloat("1E-5"), 1e-5);
    EXPECT_EQ(ParseFloat("1e-05"), 1e-5);
    EXPECT_EQ(ParseFloat("3,5", ','), 3.5);
    EXPECT_FALSE(ParseFloat("3.5", ','));
    EXPECT_FALSE(ParseFloat("48,5"));
    EXPECT_FALSE(ParseFloat("abc"));
    EXPECT_FALSE(ParseFloat(""));
    EXPECT_FALSE(ParseFloat("12abc"));
    EXPECT_FALSE(ParseFloat("inf"));
    EXPECT_FALSE(ParseFloat("nan"));
    EXPECT_FALSE(ParseFloat("-+1"));
    EXPECT_FALSE(ParseFloat("1e999"));
    EXPECT_FALSE(ParseFloat("0x10"));
}

}  // namespace tv
