#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "report/eval/errors.h"
#include "report/eval/format_settings.h"
#include "report/eval/number_format.h"

namespace {

QString u(const char *s) { return QString::fromUtf8(s); }

class NumberParseTest : public ::testing::Test {
protected:
    TfrFormatSettingsScope scope{TfrFormatSettings::russian()};
};

TEST_F(NumberParseTest, StrToFloatAccepts)
{
    struct Row {
        const char *text;
        double value;
    };
    const Row rows[] = {
        {"0", 0},           {"12", 12},             {"-12", -12},         {"+12", 12},
        {"1,5", 1.5},       {",5", 0.5},            {"5,", 5},            {"  7,25 ", 7.25},
        {"\t3", 3},         {"1E3", 1000},          {"1e3", 1000},        {"1,5E+2", 150},
        {"15E-1", 1.5},     {"-2,5e-3", -0.0025},   {"0001", 1},          {"1E-400", 0},
        {"1,7976931348623157E308", std::numeric_limits<double>::max()},
        {"123456789012345678901234567890", 1.2345678901234568e29},
        {"0,000000000000000000000000000001", 1e-30},
    };
    for (const Row &r : rows) {
        double v = -99;
        EXPECT_TRUE(frTryStrToFloat(u(r.text), v)) << r.text;
        EXPECT_DOUBLE_EQ(v, r.value) << r.text;
        EXPECT_DOUBLE_EQ(frStrToFloat(u(r.text)), r.value) << r.text;
    }
}

TEST_F(NumberParseTest, StrToFloatRejectsWithTheClassicText)
{
    const char *bad[] = {"", " ", "abc", "1.5", "1,2,3", "12abc", "1 000", "1\u00a0000", "1E", "1E+",
                         "-", "+", ",", "E5", "1e5x", "1,5 2", "--1", "1E400", "0x10", "$10", "NAN", "INF"};
    for (const char *text : bad) {
        double v;
        EXPECT_FALSE(frTryStrToFloat(u(text), v)) << text;
        try {
            frStrToFloat(u(text));
            ADD_FAILURE() << "accepted " << text;
        } catch (const EConvertError &e) {
            EXPECT_EQ(e.message(), u("'%1' is not a valid floating point value").arg(u(text))) << text;
        }
    }
}

TEST_F(NumberParseTest, StrToFloatUsesTheGivenSeparator)
{
    const TfrFormatSettings c = TfrFormatSettings::classicC();
    EXPECT_DOUBLE_EQ(frStrToFloat("1.5", c), 1.5);
    double v;
    EXPECT_FALSE(frTryStrToFloat("1,5", v, c));
}

TEST_F(NumberParseTest, StrToInt)
{
    struct Row {
        const char *text;
        qint64 value;
        bool fits32;
    };
    const Row rows[] = {
        {"0", 0, true},
        {"42", 42, true},
        {" -42 ", -42, true},
        {"+7", 7, true},
        {"$FF", 255, true},
        {"0x1f", 31, true},
        {"-$10", -16, true},
        {"2147483647", 2147483647, true},
        {"-2147483648", -2147483647LL - 1, true},
        {"2147483648", 2147483648LL, false},
        {"9223372036854775807", std::numeric_limits<qint64>::max(), false},
        {"-9223372036854775808", std::numeric_limits<qint64>::min(), false},
    };
    for (const Row &r : rows) {
        EXPECT_EQ(frStrToInt64(u(r.text)), r.value) << r.text;
        qint32 i;
        EXPECT_EQ(frTryStrToInt(u(r.text), i), r.fits32) << r.text;
        if (r.fits32) {
            EXPECT_EQ(i, r.value) << r.text;
        }
    }
    const char *bad[] = {"", "5x", "1,5", "1E3", "- 5", "$", "0x", "9223372036854775808", "$G", "１２"};
    for (const char *text : bad) {
        try {
            frStrToInt64(u(text));
            ADD_FAILURE() << "accepted " << text;
        } catch (const EConvertError &e) {
            EXPECT_EQ(e.message(), u("'%1' is not a valid integer value").arg(u(text))) << text;
        }
        EXPECT_THROW(frStrToInt(u(text)), EConvertError) << text;
    }
    EXPECT_THROW(frStrToInt("2147483648"), EConvertError);
}

TEST_F(NumberParseTest, FloatTextRoundTrips)
{
    // Fifteen significant digits read back within the same fifteen digits.
    const double values[] = {0.1, 1.0 / 3.0, -2.5e-7, 123456.789, 9.87654321e200, 4.9e-300, 1e15, 0.0001, 0.00001};
    for (double v : values) {
        const QString text = frFloatToStr(v);
        const double back = frStrToFloat(text);
        EXPECT_NEAR(back, v, std::fabs(v) * 1e-14) << text.toStdString();
    }
    EXPECT_EQ(frFloatToStr(std::nan("")), "NAN");
    EXPECT_EQ(frFloatToStr(INFINITY), "INF");
    EXPECT_EQ(frFloatToStr(-INFINITY), "-INF");
}

TEST_F(NumberParseTest, CurrToStr)
{
    struct Row {
        qint64 scaled;
        const char *text;
    };
    const Row rows[] = {
        {0, "0"},
        {10000, "1"},
        {15000, "1,5"},
        {12345, "1,2345"},
        {-5, "-0,0005"},
        {std::numeric_limits<qint64>::max(), "922337203685477,5807"},
        {std::numeric_limits<qint64>::min(), "-922337203685477,5808"},
    };
    for (const Row &r : rows)
        EXPECT_EQ(frCurrToStr(r.scaled), u(r.text)) << r.scaled;
}

} // namespace
