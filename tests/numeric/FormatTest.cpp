#include <gtest/gtest.h>

#include "numeric/Format.h"

using corvane::Format;
using corvane::NumberText;
using corvane::RightJustify;

TEST(Format, ScientificPicturesOfTheFilesAndReports) {
    EXPECT_EQ(Format(1.5, "0.0000000E+00"), "1.5000000E+00");
    EXPECT_EQ(Format(-1234.56789, "0.0000000E+00"), "-1.2345679E+03");
    EXPECT_EQ(Format(0.0, "0.0000000E+00"), "0.0000000E+00");
    EXPECT_EQ(Format(1e-6, "0.0000000E+00"), "1.0000000E-06");
    EXPECT_EQ(Format(9.99999999e5, "0.0000000E+00"), "1.0000000E+06");  // rounding carries into the exponent
    EXPECT_EQ(Format(2.5e-120, "0.000E+00"), "2.500E-120");
    EXPECT_EQ(Format(12345.0, "0.0000E+000"), "1.2345E+004");
    EXPECT_EQ(Format(0.000123, " 0.000E+000"), " 1.230E-004");
    EXPECT_EQ(Format(-0.5, "0.0000E+000   "), "-5.0000E-001   ");
    EXPECT_EQ(Format(3.0, "0.00000E+00"), "3.00000E+00");
    EXPECT_EQ(Format(0.05, "0.0E+00"), "5.0E-02");
    EXPECT_EQ(Format(1e-6, "0.0000E-00"), "1.0000E-06");
    EXPECT_EQ(Format(1e6, "0.0000E-00"), "1.0000E06");
}

TEST(Format, ScientificPicturesKeepTheirWidthAtTheExtremes) {
    // One character wider with a minus sign, never more: a longer exponent
    // takes the place of the last decimal.
    EXPECT_EQ(Format(1.2345678e-100, "0.0000000E+00"), "1.2345678E-100");
    EXPECT_EQ(Format(-1.2345678e-100, "0.0000000E+00"), "-1.234568E-100");
    EXPECT_EQ(Format(-9.87654321e+200, "0.0000000E+00"), "-9.876543E+200");
    EXPECT_EQ(Format(-2.5e-120, "0.000E+00"), "-2.50E-120");
    // Below the smallest normal double the digits are still the value's.
    EXPECT_EQ(Format(4.9406564584124654e-324, "0.0000000E+00"), "4.9406565E-324");
    EXPECT_EQ(Format(-1e-310, "0.0000000E+00"), "-1.000000E-310");
    EXPECT_EQ(Format(2.2250738585072014e-308, "0.0000E+000"), "2.2251E-308");
    EXPECT_EQ(Format(-1.7976931348623157e308, "0.0000000E+00"), "-1.797693E+308");
    EXPECT_EQ(Format(5e-324, "0.00000E+00"), "4.94066E-324");
}

TEST(Format, FixedPicturesShowOnlySignificantOptionalDigits) {
    EXPECT_EQ(Format(123.456789, "####0.#####"), "123.45679");
    EXPECT_EQ(Format(0.25, "####0.#####"), "0.25");
    EXPECT_EQ(Format(-17.5, "####0.#####"), "-17.5");
    EXPECT_EQ(Format(1234567.0, "###0"), "1234567");
    EXPECT_EQ(Format(27.0, "###0"), "27");
    EXPECT_EQ(Format(7.0, "#0"), "7");
    EXPECT_EQ(Format(0.0, "#0"), "0");
    EXPECT_EQ(Format(1.23456, "#0.0###"), "1.2346");
    EXPECT_EQ(Format(2.0, "#0.0###"), "2.0");
    EXPECT_EQ(Format(0.1234, "0.####"), "0.1234");
    EXPECT_EQ(Format(1.0, "0.000"), "1.000");
    EXPECT_EQ(Format(99999.4, "####0"), "99999");
    EXPECT_EQ(Format(12.34567, "####0.#####     "), "12.34567     ");
}

TEST(Format, LiteralTextAroundDigits) {
    EXPECT_EQ(Format(3, "    000) "), "    003) ");
    EXPECT_EQ(Format(12, "000)"), "012)");
    EXPECT_EQ(Format(1234, "000"), "1234");
    // A value that rounds to zero carries no sign.
    EXPECT_EQ(Format(-0.00001, "0.000"), "0.000");
}

TEST(Format, RightJustifyPadsOrCutsFromTheLeft) {
    EXPECT_EQ(RightJustify("abc", 6), "   abc");
    EXPECT_EQ(RightJustify("abcdef", 4), "abcd");
    EXPECT_EQ(RightJustify("", 2), "  ");
    EXPECT_EQ(RightJustify("~~", 4), "  ~~");
}

TEST(Format, NumberTextLikeAPlainConversion) {
    EXPECT_EQ(NumberText(0.01), "0.01");
    EXPECT_EQ(NumberText(1.5), "1.5");
    EXPECT_EQ(NumberText(3.0), "3");
    EXPECT_EQ(NumberText(1e-5), "1E-05");
    EXPECT_EQ(NumberText(1e15), "1E+15");
    EXPECT_EQ(NumberText(-2.25), "-2.25");
    EXPECT_EQ(NumberText(27), "27");
}
