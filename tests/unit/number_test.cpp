// Numbers as texts: what reads as a number, the lenient conversion, and the
// text form of results.
#include "text/number.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace qel::number {
namespace {

TEST(NumberParse, AcceptedForms) {
    struct Case {
        TextView text;
        double value;
    } cases[] = {
        {u"5", 5},     {u" 5 ", 5},    {u"+5", 5},       {u"-5", -5},    {u".5", 0.5},
        {u"5.", 5},    {u"-.5", -0.5}, {u"1E5", 1e5},    {u"1e+2", 100}, {u"1E-2", 0.01},
        {u"1D2", 100}, {u"2.5d1", 25}, {u"&H10", 16},    {u"&hff", 255}, {u"&O17", 15},
        {u"007", 7},   {u"0.1", 0.1},  {u"1E+20", 1e20},
    };
    for (const auto& c : cases) {
        auto value = parse(c.text);
        ASSERT_TRUE(value.has_value()) << text::toUtf8(c.text);
        EXPECT_DOUBLE_EQ(*value, c.value) << text::toUtf8(c.text);
    }
}

TEST(NumberParse, RejectedForms) {
    for (TextView text :
         {u"",      u" ",   u".",   u"+",     u"-",    u"1e",  u"1E+",  u"E5",
          u"1.2.3", u"--5", u"1 2", u"1,000", u"0x10", u"５",  u"１２", u"&H",
          u"&HG",   u"&O8", u"&X1", u"inf",   u"nan",  u"5円", u"(5)",  u"（５）"}) {
        EXPECT_FALSE(parse(text).has_value()) << text::toUtf8(text);
    }
}

TEST(NumberToNumber, LenientReading) {
    struct Case {
        TextView text;
        double value;
    } cases[] = {
        {u"12abc", 12}, {u"abc", 0},      {u"", 0},   {u"１２", 12},     {u"－３．５円", -3.5},
        {u"．５", 0.5}, {u"１E３", 1000}, {u"1e", 1}, {u"1E5x", 100000}, {u" 7 ", 7},
        {u"&H10", 16},  {u"&H10x", 0},    {u"-", 0},  {u"1.5.6", 1.5},
    };
    for (const auto& c : cases) EXPECT_DOUBLE_EQ(toNumber(c.text), c.value) << text::toUtf8(c.text);
}

TEST(NumberFormat, FifteenSignificantDigits) {
    struct Case {
        double value;
        TextView text;
    } cases[] = {
        {1e20, u"1E+20"},
        {1e-5, u"1E-05"},
        {1e15, u"1E+15"},
        {123456789012345, u"123456789012345"},
        {1234567890123456, u"1.23456789012346E+15"},
        {0.1 + 0.2, u"0.3"},
        {1.0 / 3, u"0.333333333333333"},
        {0.0001, u"0.0001"},
        {2.5, u"2.5"},
        {-3, u"-3"},
        {100, u"100"},
        {-0.0, u"0"},
        {0, u"0"},
    };
    for (const auto& c : cases) EXPECT_EQ(format(c.value), c.text) << c.value;
}

TEST(NumberFormat, FaultsNeverShowAsInfinity) {
    EXPECT_EQ(format(std::numeric_limits<double>::infinity()), u"0");
    EXPECT_EQ(format(-std::numeric_limits<double>::infinity()), u"0");
    EXPECT_EQ(format(std::nan("")), u"0");
    // A literal too large for a double still reads as a number; its value is
    // written as 0 rather than as an infinity.
    ASSERT_TRUE(parse(u"1E400").has_value());
    EXPECT_EQ(format(*parse(u"1E400")), u"0");
}

}  // namespace
}  // namespace qel::number
