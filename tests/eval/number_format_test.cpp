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
        EXPECT_EQ(frCurrToStr(r.scaled).toStdString(), r.text) << r.scaled;
}

} // namespace

namespace {

// Expected texts write the no-break space of the Russian grouping as "~".
QString nbsp(const char *s) { return QString::fromUtf8(s).replace(QLatin1Char('~'), QChar(0x00A0)); }

struct PatternRow {
    const char *pattern;
    double value;
    const char *expected;
};

TEST(FormatFloatTest, RussianPatterns)
{
    const PatternRow rows[] = {
        // plain digits and rounding half away from zero
        {"0", 0, "0"},
        {"0", 2.5, "3"},
        {"0", 3.5, "4"},
        {"0", -2.5, "-3"},
        {"0", 0.49, "0"},
        {"0", 1234567, "1234567"},
        {"0.00", 3.14159, "3,14"},
        {"0.00", 2.675, "2,67"},  // 2.67499999999999982 as a double
        {"0.00", 2.665, "2,67"},  // 2.66500000000000004
        {"0.00", 1.005, "1,00"},  // 1.00499999999999989
        {"0.00", 0.125, "0,13"},
        {"0.00", -0.125, "-0,13"},
        {"0.00", 1234.5, "1234,50"},
        {"0.00", 0, "0,00"},
        {"0.00", 9.995, "9,99"},  // 9.99499999999999957
        {"0.00", 9.9951, "10,00"},
        {"0.000", 1.0005, "1,000"}, // 1.00049999999999994
        {"0.0", 0.05, "0,1"},
        {"0.0", 0.25, "0,3"},
        {"0.0", -0.25, "-0,3"},
        {"00.00", 1.5, "01,50"},
        {"000", 7, "007"},
        {"000", -7, "-007"},
        // optional digits
        {"#", 0, ""},
        {"#", 5, "5"},
        {"#.##", 0.5, ",5"},
        {"#.##", 5, "5"},
        {"#.##", 5.125, "5,13"},
        {"##0.", 5, "5"},
        {"##0.##", 5.5, "5,5"},
        {"##0.##", 5, "5"},
        {"##0.##", 0.004, "0"},
        {"0.#0", 1.5, "1,50"},
        {"#0#", 5, "05"},
        {"0.##", 1.10, "1,1"},
        {"0.0#", 1.10, "1,1"},
        {"0.0#", 1, "1,0"},
        {"0.0#", 1.123, "1,12"},
        // thousands
        {"#,##0", 1234567, "1~234~567"},
        {"#,##0", 123, "123"},
        {"#,##0", 1234, "1~234"},
        {"#,##0", -1234, "-1~234"},
        {"#,##0", 0, "0"},
        {"#,##0.00", 1234567.891, "1~234~567,89"},
        {"#,##0.00", 999.999, "1~000,00"},
        {"#,##0.00", -0.5, "-0,50"},
        {"0,000", 5, "0~005"},
        {"#,#", 1234567, "1~234~567"},
        {"0,0", 1000000, "1~000~000"},
        {"#,##0.##", 1234.5, "1~234,5"},
        {",0", 1234, "1~234"},
        // the integer digits beyond the placeholders come out at the first one
        {"0", 123456789012, "123456789012"},
        {"#.00", 123.456, "123,46"},
        {".00", 12.5, "12,50"},
        {".00", 0.5, ",50"},
        // literals
        {"0 'руб.'", 12, "12 руб."},
        {"\"$\"0.00", 3.5, "$3,50"},
        {"0%", 50, "50%"},
        {"0-00", 1234, "12-34"},
        {"(0)", 5, "(5)"},
        {"'#'0", 5, "#5"},
        {"'a;b'0", 5, "a;b5"},
        {"x", 5, "x"},
        {"0 x", -5, "-5 x"},
        {"'0.00'", 5, "0.00"},
        {"0.00'", 5, "5,00"},
        // sections
        {"0.00;(0.00)", -1.5, "(1,50)"},
        {"0.00;(0.00)", 1.5, "1,50"},
        {"0.00;(0.00);'zero'", 0, "zero"},
        {"0.00;(0.00);'zero'", -1.5, "(1,50)"},
        {"0.00;;'zero'", -1.5, "-1,50"},
        {"0.00;;'zero'", 0, "zero"},
        {"0.00;(0.00);", 0, "0,00"},
        {"0;-0;0;ignored", 0, "0"},
        {"'+'0;'-'0;'='", 3, "+3"},
        {"'+'0;'-'0;'='", -3, "-3"},
        {"'+'0;'-'0;'='", 0, "="},
        // a value that rounds to zero is zero: no minus, zero section when there is one
        {"0.00", -0.001, "0,00"},
        {"0", -0.4, "0"},
        {"0.00;(0.00)", -0.001, "0,00"},
        {"0.00;(0.00);'zero'", -0.001, "zero"},
        {"0.00;(0.00);'zero'", 0.001, "zero"},
        {"#", -0.1, ""},
        // a negative value rounded away keeps its fraction places without the sign
        {"#.##", -0.004, ",00"},
        {"#.##;(#.##);'нуль'", -0.004, "нуль"},
        // exponent form
        {"0.00E+00", 12345, "1,23E+04"},
        {"0.00E+00", 0.000123, "1,23E-04"},
        {"0.00E-00", 12345, "1,23E04"},
        {"0.00E-00", 0.000123, "1,23E-04"},
        {"0.00e+0", 12345, "1,23e+4"},
        {"0.00E+000", 1.5e100, "1,50E+100"},
        {"0.00E+00", 0, "0,00E+00"},
        {"0.00E+00", -12345, "-1,23E+04"},
        {"0.##E+00", 10000, "1E+04"},
        {"00.0E+0", 12345, "12,3E+3"},
        {"0E+0", 5, "5E+0"},
        {"0E+0", 95, "1E+2"},
        {"0.00E+00", 1e300, "1,00E+300"},
        {"0.00E+00", 9.999e20, "1,00E+21"},
        {"0.0E+00", 1.25, "1,3E+00"},
        // the general form where the pattern cannot show the value
        {"", 1234.5, "1234,5"},
        {"", -0.1, "-0,1"},
        {"", 1e20, "1E20"},
        {"0.00", 1e18, "1E18"},
        {"#,##0", -1e19, "-1E19"},
        {"0.00", 999999999999999999.0, "1E18"},
        {"0.00", 123456789012345678.0, "123456789012345680,00"},
        {";(0)", -5, "(5)"},
        {";(0)", 5, "5"},
        // large and tiny values
        {"0", 1e17, "100000000000000000"},
        {"0.00", 1e-20, "0,00"},
        {"0.000000000000000000000000", 1e-20, "0,000000000000000000010000"},
        {"0.00", 4.9e-324, "0,00"},
        {"#,##0.00", 12345678901234.5, "12~345~678~901~234,50"},
        {"0.0000000000", 1.0 / 3.0, "0,3333333333"},
        {"0.000000000000000000", 0.1, "0,100000000000000006"},
    };
    TfrFormatSettingsScope scope(TfrFormatSettings::russian());
    for (const PatternRow &r : rows)
        EXPECT_EQ(frFormatFloat(QString::fromUtf8(r.pattern), r.value).toStdString(), nbsp(r.expected).toStdString())
            << "pattern \"" << r.pattern << "\" value " << r.value;
}

TEST(FormatFloatTest, ClassicSeparators)
{
    const PatternRow rows[] = {
        {"#,##0.00", 1234567.891, "1,234,567.89"},
        {"0.00", -3.14159, "-3.14"},
        {"0.##", 0.5, "0.5"},
        {"0.00E+00", 12345, "1.23E+04"},
        {"", 0.25, "0.25"},
    };
    const TfrFormatSettings c = TfrFormatSettings::classicC();
    for (const PatternRow &r : rows)
        EXPECT_EQ(frFormatFloat(QString::fromUtf8(r.pattern), r.value, c).toStdString(), r.expected)
            << "pattern \"" << r.pattern << "\" value " << r.value;
}

TEST(FormatFloatTest, SpecialValuesAndOddPatternsDoNotFail)
{
    EXPECT_EQ(frFormatFloat("0.00", std::nan("")), "NAN");
    EXPECT_EQ(frFormatFloat("0.00", INFINITY), "INF");
    EXPECT_EQ(frFormatFloat("0.00", -INFINITY), "-INF");
    const char *odd[] = {"'", "\"", ";", ";;", ";;;", "E+", "0E", "0E+", "..", ",,,", "0.0.0", "'abc", "#,##0.00;", "0;'", "E+E+0"};
    for (const char *p : odd) {
        for (double v : {0.0, 1.5, -1.5, 1e30, -1e-30}) {
            EXPECT_NO_THROW(frFormatFloat(QString::fromUtf8(p), v)) << p << " " << v;
        }
    }
    EXPECT_EQ(frFormatFloat("0E+", 5), "5E+0");
    EXPECT_EQ(frFormatFloat("0.0.0", 1.25), "1,25");
}

struct FloatToStrFRow {
    double value;
    TFloatFormat format;
    int precision, digits;
    const char *expected;
};

TEST(FloatToStrFTest, Formats)
{
    const FloatToStrFRow rows[] = {
        // fixed
        {1234.5, ffFixed, 15, 2, "1234,50"},
        {1234.5, ffFixed, 15, 0, "1235"},
        {2.5, ffFixed, 15, 0, "3"},
        {-2.5, ffFixed, 15, 0, "-3"},
        {0.125, ffFixed, 15, 2, "0,13"},
        {2.675, ffFixed, 15, 2, "2,67"},
        {-0.001, ffFixed, 15, 2, "0,00"},
        {0, ffFixed, 15, 3, "0,000"},
        {1.0 / 3.0, ffFixed, 15, 18, "0,333333333333333000"},
        {1234567.123456789, ffFixed, 15, 10, "1234567,1234567900"},
        {123.456, ffFixed, 4, 2, "123,50"},
        {12345.6, ffFixed, 4, 2, "1,235E4"},          // more integer digits than precision
        {1e20, ffFixed, 15, 2, "1E20"},
        {999999999999999.9, ffFixed, 15, 2, "1000000000000000,00"},
        {5, ffFixed, 15, -3, "5"},
        {5, ffFixed, 15, 40, "5,000000000000000000"},
        // number
        {1234567.891, ffNumber, 15, 2, "1~234~567,89"},
        {-1234.5, ffNumber, 15, 1, "-1~234,5"},
        {999.5, ffNumber, 15, 0, "1~000"},
        {12, ffNumber, 15, 2, "12,00"},
        {0.5, ffNumber, 15, 2, "0,50"},
        {123456, ffNumber, 15, 0, "123~456"},
        // currency with the Russian layout
        {1234.5, ffCurrency, 15, 2, "1~234,50р."},
        {-1234.5, ffCurrency, 15, 2, "-1~234,50р."},
        {0, ffCurrency, 15, 2, "0,00р."},
        // exponent
        {12345, ffExponent, 4, 2, "1,235E+04"},
        {0.000123, ffExponent, 3, 0, "1,23E-4"},
        {-1, ffExponent, 15, 3, "-1,00000000000000E+000"},
        {0, ffExponent, 3, 2, "0,00E+00"},
        {9.9999, ffExponent, 3, 1, "1,00E+1"},
        {5, ffExponent, 1, 1, "5E+0"},
        // general
        {1234.5, ffGeneral, 15, 0, "1234,5"},
        {1234.5, ffGeneral, 3, 0, "1,23E3"},
        {0.00001, ffGeneral, 15, 2, "1E-05"},
        {123456, ffGeneral, 6, 0, "123456"},
        {1234567, ffGeneral, 6, 0, "1,23457E6"},
        {0.1, ffGeneral, 40, 0, "0,100000000000000006"}, // 18 digits at most
    };
    TfrFormatSettingsScope scope(TfrFormatSettings::russian());
    for (size_t i = 0; i < std::size(rows); ++i) {
        const FloatToStrFRow &r = rows[i];
        EXPECT_EQ(frFloatToStrF(r.value, r.format, r.precision, r.digits).toStdString(), nbsp(r.expected).toStdString())
            << "row " << i << ": value " << r.value << " format " << r.format << " precision " << r.precision
            << " digits " << r.digits;
    }
}

TEST(FloatToStrFTest, CurrencyLayouts)
{
    TfrFormatSettings s = TfrFormatSettings::classicC();
    const char *negatives[] = {"($1.50)", "-$1.50", "$-1.50", "$1.50-", "(1.50$)", "-1.50$", "1.50-$", "1.50$-",
                               "-1.50 $", "-$ 1.50", "1.50 $-", "$ 1.50-", "$ -1.50", "1.50- $", "($ 1.50)", "(1.50 $)"};
    for (int f = 0; f < 16; ++f) {
        s.negCurrFormat = f;
        EXPECT_EQ(frFloatToStrF(-1.5, ffCurrency, 15, 2, s).toStdString(), negatives[f]) << "negative format " << f;
    }
    const char *positives[] = {"$1.50", "1.50$", "$ 1.50", "1.50 $"};
    for (int f = 0; f < 4; ++f) {
        s.currencyFormat = f;
        EXPECT_EQ(frFloatToStrF(1.5, ffCurrency, 15, 2, s).toStdString(), positives[f]) << "positive format " << f;
    }
}

} // namespace
