#include <gtest/gtest.h>

#include <cmath>
#include <functional>

#include "report/eval/datetime.h"
#include "report/eval/format_settings.h"
#include "report/eval/number_format.h"
#include "report/eval/variant.h"

namespace {

TfrVariant str(const char *s) { return TfrVariant(QString::fromUtf8(s)); }

// Runs f and returns the message of the exception it raised ("" when none).
template <typename E = EfrError>
QString errorOf(const std::function<void()> &f)
{
    try {
        f();
    } catch (const E &e) {
        return e.message();
    }
    return QString();
}

class VariantTest : public ::testing::Test {
protected:
    TfrFormatSettingsScope scope{TfrFormatSettings::russian()};
};

TEST_F(VariantTest, TextForm)
{
    struct Row {
        const char *name;
        TfrVariant value;
        const char *text;
    };
    const Row rows[] = {
        {"empty", TfrVariant(), ""},
        {"null", TfrVariant::null(), ""},
        {"true", TfrVariant(true), "True"},
        {"false", TfrVariant(false), "False"},
        {"shortint", TfrVariant::fromShortInt(-8), "-8"},
        {"smallint", TfrVariant::fromSmallInt(300), "300"},
        {"integer", TfrVariant(-2147483647 - 1), "-2147483648"},
        {"int64", TfrVariant(qint64(9007199254740993LL)), "9007199254740993"},
        {"zero", TfrVariant(0.0), "0"},
        {"negative zero", TfrVariant(-0.0), "0"},
        {"tenth", TfrVariant(0.1), "0,1"},
        {"third", TfrVariant(1.0 / 3.0), "0,333333333333333"},
        {"two thirds rounds", TfrVariant(2.0 / 3.0), "0,666666666666667"},
        {"negative", TfrVariant(-2.5), "-2,5"},
        {"sum of tenths", TfrVariant(0.1 + 0.2), "0,3"},
        {"1E20", TfrVariant(1e20), "1E20"},
        {"1E15", TfrVariant(1e15), "1E15"},
        {"15 digits", TfrVariant(123456789012345.0), "123456789012345"},
        {"16 digits round up to exponent", TfrVariant(9999999999999999.0), "1E16"},
        {"0.0001", TfrVariant(0.0001), "0,0001"},
        {"0.00001", TfrVariant(0.00001), "1E-5"},
        {"tiny negative", TfrVariant(-1.25e-7), "-1,25E-7"},
        {"large mantissa", TfrVariant(1.5e300), "1,5E300"},
        {"integral real", TfrVariant(1234567.0), "1234567"},
        {"currency", TfrVariant(TfrCurrency::fromScaled(12345000)), "1234,5"},
        {"currency 4 decimals", TfrVariant(TfrCurrency::fromScaled(-1)), "-0,0001"},
        {"currency whole", TfrVariant(TfrCurrency::fromScaled(70000)), "7"},
        {"date midnight", TfrVariant::fromDateTime(frEncodeDate(2009, 1, 10)), "10.01.2009"},
        {"date and time", TfrVariant::fromDateTime(frEncodeDateTime(2009, 1, 10, 9, 5, 7, 0)), "10.01.2009 9:05:07"},
        {"pure time", TfrVariant::fromDateTime(0.5), "12:00:00"},
        {"date zero", TfrVariant::fromDateTime(0.0), "30.12.1899"},
        {"before 1900", TfrVariant::fromDateTime(-1.25), "29.12.1899 6:00:00"},
        {"date out of range", TfrVariant::fromDateTime(1e10), "10000000000"},
        {"string", str("абв"), "абв"},
    };
    for (const Row &r : rows)
        EXPECT_EQ(r.value.toString().toStdString(), r.text) << r.name;
}

TEST_F(VariantTest, TextFormFollowsTheSettings)
{
    TfrFormatSettingsScope c(TfrFormatSettings::classicC());
    EXPECT_EQ(TfrVariant(1.5).toString(), "1.5");
    EXPECT_EQ(TfrVariant::fromDateTime(frEncodeDateTime(2009, 1, 10, 15, 5, 0, 0)).toString(), "1/10/2009 3:05:00 PM");
}

TEST_F(VariantTest, ToReal)
{
    struct Row {
        const char *name;
        TfrVariant value;
        double expected;
    };
    const Row rows[] = {
        {"empty", TfrVariant(), 0},
        {"true is -1", TfrVariant(true), -1},
        {"false", TfrVariant(false), 0},
        {"integer", TfrVariant(42), 42},
        {"int64", TfrVariant(qint64(1) << 40), 1099511627776.0},
        {"currency", TfrVariant(TfrCurrency::fromScaled(15)), 0.0015},
        {"date", TfrVariant::fromDateTime(2.5), 2.5},
        {"string comma", str("1,5"), 1.5},
        {"string blanks", str("  -2,25  "), -2.25},
        {"string exponent", str("1,5E3"), 1500},
        {"string exponent sign", str("25e-1"), 2.5},
        {"string leading comma", str(",5"), 0.5},
        {"string plus", str("+7"), 7},
    };
    for (const Row &r : rows)
        EXPECT_DOUBLE_EQ(r.value.toReal(), r.expected) << r.name;
}

TEST_F(VariantTest, ConversionErrors)
{
    struct Row {
        const char *name;
        std::function<void()> f;
        const char *message;
    };
    const Row rows[] = {
        {"null to real", [] { TfrVariant::null().toReal(); }, "Could not convert variant of type (Null) into type (Double)"},
        {"null to integer", [] { TfrVariant::null().toInteger(); }, "Could not convert variant of type (Null) into type (Integer)"},
        {"null to int64", [] { TfrVariant::null().toInt64(); }, "Could not convert variant of type (Null) into type (Int64)"},
        {"null to boolean", [] { TfrVariant::null().toBoolean(); }, "Could not convert variant of type (Null) into type (Boolean)"},
        {"null to date", [] { TfrVariant::null().toDateTime(); }, "Could not convert variant of type (Null) into type (Date)"},
        {"null to currency", [] { TfrVariant::null().toCurrency(); }, "Could not convert variant of type (Null) into type (Currency)"},
        {"text to real", [] { str("abc").toReal(); }, "Could not convert variant of type (String) into type (Double)"},
        {"point is not the separator", [] { str("1.5").toReal(); }, "Could not convert variant of type (String) into type (Double)"},
        {"thousands not accepted", [] { str("1\u00a0000").toReal(); }, "Could not convert variant of type (String) into type (Double)"},
        {"empty string to real", [] { str("").toReal(); }, "Could not convert variant of type (String) into type (Double)"},
        {"text to integer", [] { str("5x").toInteger(); }, "Could not convert variant of type (String) into type (Integer)"},
        {"text to boolean", [] { str("yes").toBoolean(); }, "Could not convert variant of type (String) into type (Boolean)"},
        {"text to date", [] { str("32.01.2009").toDateTime(); }, "Could not convert variant of type (String) into type (Date)"},
        {"text to currency", [] { str("1$").toCurrency(); }, "Could not convert variant of type (String) into type (Currency)"},
        {"real overflow integer", [] { TfrVariant(3e9).toInteger(); }, "Overflow while converting variant of type (Double) into type (Integer)"},
        {"int64 overflow integer", [] { TfrVariant(qint64(1) << 40).toInteger(); }, "Overflow while converting variant of type (Int64) into type (Integer)"},
        {"nan to integer", [] { TfrVariant(std::nan("")).toInteger(); }, "Overflow while converting variant of type (Double) into type (Integer)"},
        {"real overflow int64", [] { TfrVariant(1e19).toInt64(); }, "Overflow while converting variant of type (Double) into type (Int64)"},
        {"real overflow currency", [] { TfrVariant(1e16).toCurrency(); }, "Overflow while converting variant of type (Double) into type (Currency)"},
        {"invalid operation", [] { frInvalidVariantOperation(); }, "Invalid variant operation"},
    };
    for (const Row &r : rows)
        EXPECT_EQ(errorOf<EVariantError>(r.f).toStdString(), r.message) << r.name;
}

TEST_F(VariantTest, ToIntegerRoundsHalfToEven)
{
    struct Row {
        TfrVariant value;
        qint32 expected;
    };
    const Row rows[] = {
        {TfrVariant(2.5), 2},   {TfrVariant(3.5), 4},      {TfrVariant(-2.5), -2},
        {TfrVariant(2.51), 3},  {TfrVariant(-2.7), -3},    {TfrVariant(true), -1},
        {TfrVariant(), 0},      {str(" 12 "), 12},         {str("2,5"), 2},
        {str("$1F"), 31},       {TfrVariant(TfrCurrency::fromScaled(35000)), 4},
        {TfrVariant::fromSmallInt(-7), -7},
    };
    for (size_t i = 0; i < std::size(rows); ++i)
        EXPECT_EQ(rows[i].value.toInteger(), rows[i].expected) << "row " << i << " " << rows[i].value.toString().toStdString();
    EXPECT_EQ(TfrVariant(TfrCurrency::fromScaled(25000)).toInt64(), 2);
    EXPECT_EQ(TfrVariant(TfrCurrency::fromScaled(-35000)).toInt64(), -4);
    EXPECT_EQ(str("9223372036854775807").toInt64(), std::numeric_limits<qint64>::max());
}

TEST_F(VariantTest, ToBoolean)
{
    struct Row {
        TfrVariant value;
        bool expected;
    };
    const Row rows[] = {
        {TfrVariant(), false},        {TfrVariant(0), false},      {TfrVariant(-3), true},
        {TfrVariant(0.0), false},     {TfrVariant(0.25), true},    {str("TRUE"), true},
        {str("false"), false},        {str(" True "), true},       {str("0"), false},
        {str("2,5"), true},           {TfrVariant(TfrCurrency::fromScaled(1)), true},
    };
    for (size_t i = 0; i < std::size(rows); ++i)
        EXPECT_EQ(rows[i].value.toBoolean(), rows[i].expected) << "row " << i;
}

TEST_F(VariantTest, ToDateTimeAndCurrency)
{
    EXPECT_DOUBLE_EQ(str("10.01.2009").toDateTime(), frEncodeDate(2009, 1, 10));
    EXPECT_DOUBLE_EQ(str("10.01.2009 12:00").toDateTime(), frEncodeDate(2009, 1, 10) + 0.5);
    EXPECT_DOUBLE_EQ(TfrVariant(3).toDateTime(), 3.0);
    EXPECT_EQ(TfrVariant(1.00015).toCurrency().scaled, 10002);  // 1.00015 is just above the half
    EXPECT_EQ(TfrVariant(-0.00005).toCurrency().scaled, -1);    // halves away from zero
    EXPECT_EQ(TfrVariant(12).toCurrency().scaled, 120000);
    EXPECT_EQ(str("-1,5").toCurrency().scaled, -15000);
    EXPECT_EQ(TfrVariant(true).toCurrency().scaled, -10000);
}

TEST_F(VariantTest, SameAs)
{
    EXPECT_TRUE(TfrVariant(1).sameAs(TfrVariant(1)));
    EXPECT_FALSE(TfrVariant(1).sameAs(TfrVariant(1.0)));
    EXPECT_FALSE(TfrVariant(1).sameAs(TfrVariant::fromSmallInt(1)));
    EXPECT_TRUE(TfrVariant::null().sameAs(TfrVariant::null()));
    EXPECT_FALSE(TfrVariant::null().sameAs(TfrVariant()));
    EXPECT_TRUE(str("a").sameAs(str("a")));
    EXPECT_FALSE(str("a").sameAs(str("A")));
    EXPECT_TRUE(TfrVariant(std::nan("")).sameAs(TfrVariant(std::nan(""))));
    EXPECT_FALSE(TfrVariant(1.0).sameAs(TfrVariant::fromDateTime(1.0)));
}

TEST_F(VariantTest, KindNames)
{
    const char *names[] = {"Empty", "Null", "Boolean", "ShortInt", "Smallint", "Integer",
                           "Int64", "Double", "Currency", "Date", "String"};
    for (int k = TfrVariant::vkEmpty; k <= TfrVariant::vkString; ++k)
        EXPECT_STREQ(TfrVariant::kindName(TfrVariant::Kind(k)), names[k]) << k;
}

TEST_F(VariantTest, CopyKeepsKindAndValue)
{
    const TfrVariant values[] = {TfrVariant(), TfrVariant::null(), TfrVariant(true), TfrVariant(7),
                                 TfrVariant(2.5), str("x"), TfrVariant::fromDateTime(3.25)};
    for (const TfrVariant &v : values) {
        TfrVariant copy = v;
        EXPECT_TRUE(copy.sameAs(v)) << TfrVariant::kindName(v.kind());
        TfrVariant moved = std::move(copy);
        EXPECT_TRUE(moved.sameAs(v)) << TfrVariant::kindName(v.kind());
    }
}

} // namespace
