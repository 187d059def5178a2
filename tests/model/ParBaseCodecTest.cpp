#include "model/CParBase.h"

#include <gtest/gtest.h>

#include <cmath>

TEST(Fixed4Codec, HalfStepMovesAwayFromZero) {
    int32_t v = 0;
    ASSERT_TRUE(CParBase::ParseFixed4("12.34565", v));
    EXPECT_EQ(123457, v);
    ASSERT_TRUE(CParBase::ParseFixed4("-12.34565", v));
    EXPECT_EQ(-123457, v);
    ASSERT_TRUE(CParBase::ParseFixed4("  4", v));
    EXPECT_EQ(40000, v);
}

TEST(Fixed4Codec, RejectsTextThatIsNotOneNumber) {
    int32_t v = 77;
    for (const char* text :
         {"abc", "1.5x", "", " ", "1e999", "nan", "inf", "+-1", "1.5 ", "300000", "-214749"}) {
        EXPECT_FALSE(CParBase::ParseFixed4(text, v)) << text;
    }
    EXPECT_EQ(77, v);
    EXPECT_TRUE(CParBase::ParseFixed4("214748.3647", v));
}

TEST(Fixed4Codec, DialogDoublesRoundWithoutTheExtraStep) {
    EXPECT_EQ(40001, CParBase::RoundFixed4(4.00006));
    EXPECT_EQ(40000, CParBase::RoundFixed4(4.00004));
    EXPECT_EQ(-40001, CParBase::RoundFixed4(-4.00006));
    EXPECT_EQ(0, CParBase::RoundFixed4(std::nan("")));
    EXPECT_EQ(INT32_MAX, CParBase::RoundFixed4(1e300));
}

TEST(DateCodec, YearBefore2000IsEmpty) {
    EXPECT_EQ("", CParBase::DateText(0));
    EXPECT_EQ("", CParBase::DateText(0x7D00000 - 1));
    EXPECT_EQ("2000/01/01", CParBase::DateText(0x7D00101));
    EXPECT_EQ("2019/12/31", CParBase::DateText(132320287));
}

TEST(TemperatureUnits, ConvertBothWays) {
    EXPECT_EQ(320000, CParBase::CelsiusToDisplay(0, kUnitFahrenheit));
    EXPECT_EQ(2120000, CParBase::CelsiusToDisplay(1000000, kUnitFahrenheit));
    EXPECT_EQ(2731500, CParBase::CelsiusToDisplay(0, kUnitKelvin));
    EXPECT_EQ(-1000000, CParBase::CelsiusToDisplay(-1000000, kUnitCelsius));
    // -1.8 rounds half away from zero to -2.
    EXPECT_EQ(320000 - 2, CParBase::CelsiusToDisplay(-1, kUnitFahrenheit));
    EXPECT_EQ(0, CParBase::DisplayToCelsius(320000, kUnitFahrenheit));
    EXPECT_EQ(1000000, CParBase::DisplayToCelsius(2120000, kUnitFahrenheit));
    EXPECT_EQ(0, CParBase::DisplayToCelsius(2731500, kUnitKelvin));
}

TEST(PointOnSpan, TruncatesTowardZero) {
    EXPECT_EQ(16000, CParBase::PointOnSpan(40000, 200000, -150000));
    EXPECT_EQ(-18500, CParBase::PointOnSpan(10000, 200000, -150000));
    EXPECT_EQ(224000, CParBase::PointOnSpan(200000, 40000, 1150000));
    EXPECT_EQ(-3, CParBase::PointOnSpan(0, 30, -100000));
    // 4 to 20.0001 mA at -10 %: 4 - 1.60001 = 2.39999, truncated as a whole.
    EXPECT_EQ(23999, CParBase::PointOnSpan(40000, 200001, -100000));
}

TEST(IntAndFloatCodec, ParseWholeText) {
    long n = 0;
    EXPECT_TRUE(CParBase::ParseInt(" 12", n));
    EXPECT_EQ(12, n);
    EXPECT_FALSE(CParBase::ParseInt("12.5", n));
    EXPECT_FALSE(CParBase::ParseInt("0x10", n));
    float f = 0;
    EXPECT_TRUE(CParBase::ParseFloat("1e39", f));
    EXPECT_FLOAT_EQ(3.4028235e38f, f);
    EXPECT_EQ("0.00385", CParBase::FloatText(0.00385f));
    EXPECT_FALSE(CParBase::ParseFloat("nan", f));
}
