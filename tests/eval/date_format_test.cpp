#include <gtest/gtest.h>

#include <cmath>
#include <functional>

#include "report/eval/date_format.h"
#include "report/eval/errors.h"
#include "report/eval/number_format.h"

namespace {

std::string s8(const QString &s) { return s.toStdString(); }

struct DateRow {
    const char *pattern;
    double value;
    const char *expected;
};

// 10 January 2009 (a Saturday), 15:05:07.045
const double sample = frEncodeDateTime(2009, 1, 10, 15, 5, 7, 45);
// 3 May 2024 (a Friday), 09:04:03.007
const double morning = frEncodeDateTime(2024, 5, 3, 9, 4, 3, 7);
const double midnight = frEncodeDate(2009, 1, 10);
const double lastMs = frEncodeDateTime(2009, 12, 31, 23, 59, 59, 999);

TEST(FormatDateTimeTest, RussianSpecifiers)
{
    const DateRow rows[] = {
        // day
        {"d", sample, "10"},
        {"dd", morning, "03"},
        {"d", morning, "3"},
        {"ddd", sample, "Сб"},
        {"dddd", sample, "суббота"},
        {"dddd", morning, "пятница"},
        {"ddddd", sample, "10.01.2009"},
        {"dddddd", sample, "10 января 2009 г."},
        {"ddddddd", morning, "3 мая 2024 г."},
        // month
        {"m", morning, "5"},
        {"mm", morning, "05"},
        {"mmm", sample, "янв"},
        {"mmmm", sample, "Январь"},
        {"mmmm yyyy", morning, "Май 2024"},
        {"d mmmm", morning, "3 мая"},
        {"dd mmmm yyyy", sample, "10 января 2009"},
        {"mmmm d", sample, "января 10"},
        {"dddd mmmm", sample, "суббота Январь"},  // a day name is no day of month
        {"'d' mmmm", sample, "d Январь"},          // a quoted d is no specifier
        {"mmmmm", sample, "Январь"},
        // year
        {"yy", sample, "09"},
        {"yyyy", sample, "2009"},
        {"y", sample, "09"},
        {"yyy", sample, "2009"},
        {"yyyyy", sample, "2009"},
        {"yyyy", frEncodeDate(5, 6, 7), "0005"},
        {"yy", frEncodeDate(2000, 1, 1), "00"},
        // time
        {"h", morning, "9"},
        {"hh", morning, "09"},
        {"hhh", morning, "09"},
        {"h", sample, "15"},
        {"n", morning, "4"},
        {"nn", morning, "04"},
        {"s", morning, "3"},
        {"ss", morning, "03"},
        {"z", morning, "7"},
        {"zz", morning, "07"},
        {"zzz", morning, "007"},
        {"zzz", sample, "045"},
        {"hh:nn:ss.zzz", lastMs, "23:59:59.999"},
        {"hh:mm", morning, "09:04"},       // m after h is minutes
        {"h:mm:ss", sample, "15:05:07"},
        {"hh mm", morning, "09 04"},
        {"mm hh", morning, "05 09"},       // before h it is the month
        {"hh:nn mm", morning, "09:04 05"}, // after n it is the month again
        {"t", sample, "15:05"},
        {"tt", sample, "15:05:07"},
        {"t", morning, "9:04"},
        // am/pm
        {"h am/pm", sample, "3 pm"},
        {"h AM/PM", morning, "9 AM"},
        {"h Am/Pm", sample, "3 Pm"},
        {"hh a/p", sample, "03 p"},
        {"hh A/P", morning, "09 A"},
        {"h ampm", sample, "3 "},        // Russian AM/PM strings are empty
        {"h am/pm", midnight, "12 am"},
        {"h am/pm", midnight + 0.5, "12 pm"},
        {"am/pm h", sample, "pm 15"},      // only an am/pm after the hour selects the 12-hour clock
        {"h 'am/pm'", sample, "15 am/pm"},
        {"ab", sample, "ab"},
        // composite
        {"c", sample, "10.01.2009 15:05:07"},
        {"c", midnight, "10.01.2009"},
        {"c", 0.5, "30.12.1899 12:00:00"},
        {"c", frEncodeDate(2000, 1, 1) + 0.5 / 86400.0, "01.01.2000"}, // milliseconds alone: no time
        {"c", frEncodeDateTime(2000, 1, 1, 0, 0, 1, 500), "01.01.2000 0:00:01"},
        {"", sample, "10.01.2009 15:05:07"},
        {"", midnight, "10.01.2009"},
        {"dd/mm/yyyy", sample, "10.01.2009"},
        {"hh:nn", sample, "15:05"},
        // case-insensitive specifiers
        {"DD.MM.YYYY", sample, "10.01.2009"},
        {"HH:NN:SS", sample, "15:05:07"},
        {"Dd", sample, "1010"},            // a run is one letter in one case
        {"DDDD", sample, "суббота"},
        {"C", midnight, "10.01.2009"},
        // literals
        {"'Дата:' dd.mm.yy", sample, "Дата: 10.01.09"},
        {"\"at\" h", sample, "at 15"},
        {"d 'г.'", sample, "10 г."},
        {"'unterminated", sample, "unterminated"},
        {"yyyy'", sample, "2009"},
        {"д", sample, "д"},
        {"x", sample, "x"},
        // dates before 1900, midnight, negative values
        {"dd.mm.yyyy hh:nn", -1.25, "29.12.1899 06:00"},
        {"dd.mm.yyyy hh:nn", -0.75, "30.12.1899 18:00"},
        {"dd.mm.yyyy", frEncodeDate(1812, 9, 7), "07.09.1812"},
        {"dddd", frEncodeDate(1812, 9, 7), "понедельник"},
        {"dd.mm.yyyy", frEncodeDate(1, 1, 1), "01.01.0001"},
        {"dd.mm.yyyy hh:nn:ss.zzz", frEncodeDateTime(1, 1, 1, 23, 59, 59, 999), "01.01.0001 23:59:59.999"},
        {"dd.mm.yyyy", frEncodeDate(9999, 12, 31), "31.12.9999"},
        {"dd.mm.yyyy hh:nn:ss", midnight, "10.01.2009 00:00:00"},
        {"dd.mm.yyyy hh:nn:ss.zzz", lastMs, "31.12.2009 23:59:59.999"},
        {"dd.mm.yyyy", 0, "30.12.1899"},
        {"dd.mm.yyyy", frEncodeDate(2000, 2, 29), "29.02.2000"},
    };
    TfrFormatSettingsScope scope(TfrFormatSettings::russian());
    for (const DateRow &r : rows)
        EXPECT_EQ(s8(frFormatDateTime(QString::fromUtf8(r.pattern), r.value)), r.expected)
            << "pattern \"" << r.pattern << "\" value " << r.value;
}

TEST(FormatDateTimeTest, ClassicSettings)
{
    const DateRow rows[] = {
        {"c", sample, "1/10/2009 3:05:07 PM"},
        {"c", midnight, "1/10/2009"},
        {"ddddd", morning, "5/3/2024"},
        {"dddddd", sample, "Saturday, January 10, 2009"},
        {"mm/dd/yy", sample, "01/10/09"},
        {"t", morning, "9:04 AM"},
        {"h:nn ampm", midnight, "12:00 AM"},
        {"hh:nn", sample, "15:05"},
        {"mmmm d", sample, "January 10"},
    };
    const TfrFormatSettings c = TfrFormatSettings::classicC();
    for (const DateRow &r : rows)
        EXPECT_EQ(s8(frFormatDateTime(QString::fromUtf8(r.pattern), r.value, c)), r.expected)
            << "pattern \"" << r.pattern << "\" value " << r.value;
}

TEST(FormatDateTimeTest, SelfReferringLocalePatternsStop)
{
    TfrFormatSettings s = TfrFormatSettings::russian();
    s.shortDateFormat = QStringLiteral("ddddd!");
    s.longTimeFormat = QStringLiteral("c");
    EXPECT_EQ(s8(frFormatDateTime("ddddd", sample, s)), "!"); // two levels, then nothing
    EXPECT_NO_THROW(frFormatDateTime("c", sample, s));
}

TEST(FormatDateTimeTest, OutOfRangeRaisesButTextFormsFallBack)
{
    EXPECT_THROW(frFormatDateTime("dd.mm.yyyy", 1e10), EConvertError);
    EXPECT_THROW(frFormatDateTime("dd.mm.yyyy", std::nan("")), EConvertError);
    TfrFormatSettingsScope scope(TfrFormatSettings::russian());
    EXPECT_EQ(s8(frDateTimeToStr(1e10)), "10000000000");
    EXPECT_EQ(s8(frDateToStr(-1e7)), "-10000000");
    EXPECT_EQ(s8(frTimeToStr(std::nan(""))), "NAN");
}

TEST(DateTimeToStrTest, TextForms)
{
    const DateRow rows[] = {
        {"datetime", sample, "10.01.2009 15:05:07"},
        {"midnight", midnight, "10.01.2009"},
        {"pure time", 0.75, "18:00:00"},
        {"negative pure time", -0.25, "6:00:00"},
        {"date zero", 0, "30.12.1899"},
        {"before 1900", -1.25, "29.12.1899 6:00:00"},
        {"last millisecond", lastMs, "31.12.2009 23:59:59"},
        {"milliseconds only", 1.0 / 86400000.0, "0:00:00"},
    };
    TfrFormatSettingsScope scope(TfrFormatSettings::russian());
    for (const DateRow &r : rows)
        EXPECT_EQ(s8(frDateTimeToStr(r.value)), r.expected) << r.pattern;
    EXPECT_EQ(s8(frDateToStr(sample)), "10.01.2009");
    EXPECT_EQ(s8(frTimeToStr(sample)), "15:05:07");
}

struct ParseRow {
    const char *text;
    double expected;
};

TEST(StrToDateTest, RussianOrder)
{
    const ParseRow rows[] = {
        {"10.01.2009", frEncodeDate(2009, 1, 10)},
        {"1.2.2009", frEncodeDate(2009, 2, 1)},
        {" 10.01.2009 ", frEncodeDate(2009, 1, 10)},
        {"10 . 01 . 2009", frEncodeDate(2009, 1, 10)},
        {"10.01.09", frEncodeDate(2009, 1, 10)},
        {"10.01.74", frEncodeDate(2074, 1, 10)},  // the window: 1975..2074 in 2025
        {"10.01.75", frEncodeDate(1975, 1, 10)},
        {"10.01.7", frEncodeDate(2007, 1, 10)},
        {"10.01.99", frEncodeDate(1999, 1, 10)},
        {"10.01.00", frEncodeDate(2000, 1, 10)},
        {"10.01.0009", frEncodeDate(9, 1, 10)},   // four digits are taken as written
        {"10.01.1850", frEncodeDate(1850, 1, 10)},
        {"10.01.", frEncodeDate(2025, 1, 10)},    // a trailing separator with no year: the current year
        {"10.01", frEncodeDate(2025, 1, 10)},
        {"29.02.2000", frEncodeDate(2000, 2, 29)},
        {"31.12.9999", frEncodeDate(9999, 12, 31)},
        {"01.01.0001", frEncodeDate(1, 1, 1)},
    };
    TfrFormatSettingsScope scope(TfrFormatSettings::russian());
    for (const ParseRow &r : rows) {
        double v = -1;
        EXPECT_TRUE(frTryStrToDateInYear(QString::fromUtf8(r.text), 2025, v)) << r.text;
        EXPECT_DOUBLE_EQ(v, r.expected) << r.text;
    }
    // The current year comes from the clock when none is given.
    int y, m, d;
    frDecodeDate(frDate(), y, m, d);
    EXPECT_DOUBLE_EQ(frStrToDate("10.01"), frEncodeDate(y, 1, 10));
    EXPECT_DOUBLE_EQ(frStrToDate("10.01.2009"), frEncodeDate(2009, 1, 10));
}

TEST(StrToDateTest, OtherOrders)
{
    TfrFormatSettings s = TfrFormatSettings::classicC();
    double v;
    EXPECT_TRUE(frTryStrToDateInYear("1/10/2009", 2024, v, s));
    EXPECT_DOUBLE_EQ(v, frEncodeDate(2009, 1, 10));
    EXPECT_TRUE(frTryStrToDateInYear("12/31", 2024, v, s));
    EXPECT_DOUBLE_EQ(v, frEncodeDate(2024, 12, 31));
    s.shortDateFormat = QStringLiteral("yyyy-mm-dd");
    s.dateSeparator = QLatin1Char('-');
    EXPECT_TRUE(frTryStrToDateInYear("2009-01-10", 2024, v, s));
    EXPECT_DOUBLE_EQ(v, frEncodeDate(2009, 1, 10));
    EXPECT_TRUE(frTryStrToDateInYear("09-01-10", 2024, v, s));
    EXPECT_DOUBLE_EQ(v, frEncodeDate(2009, 1, 10));
    s.shortDateFormat = QStringLiteral("'Day' dd-mm-yyyy"); // quoted letters do not count
    EXPECT_TRUE(frTryStrToDateInYear("10-01-2009", 2024, v, s));
    EXPECT_DOUBLE_EQ(v, frEncodeDate(2009, 1, 10));
}

TEST(StrToDateTest, RejectsWithTheClassicText)
{
    const char *bad[] = {"", " ", "abc", "32.01.2009", "29.02.2009", "10.13.2009", "00.01.2009", "10/01/2009",
                         "10.01.2009x", "10.01.2009 12:00", "10", "10..2009", ".01.2009", "10.01.20091", "-1.01.2009"};
    TfrFormatSettingsScope scope(TfrFormatSettings::russian());
    for (const char *text : bad) {
        try {
            frStrToDate(QString::fromUtf8(text));
            ADD_FAILURE() << "accepted " << text;
        } catch (const EConvertError &e) {
            EXPECT_EQ(s8(e.message()), std::string("'") + text + "' is not a valid date");
        }
    }
}

TEST(StrToTimeTest, Accepts)
{
    const ParseRow rows[] = {
        {"12", frEncodeTime(12, 0, 0, 0)},
        {"12:30", frEncodeTime(12, 30, 0, 0)},
        {"9:05:07", frEncodeTime(9, 5, 7, 0)},
        {" 23:59:59 ", frEncodeTime(23, 59, 59, 0)},
        {"23:59:59,999", frEncodeTime(23, 59, 59, 999)},
        {"12:30:15,5", frEncodeTime(12, 30, 15, 500)},  // a decimal fraction of the second
        {"12:30:15,05", frEncodeTime(12, 30, 15, 50)},
        {"0:00", 0},
        {"3:00 pm", frEncodeTime(15, 0, 0, 0)},
        {"3:00 PM", frEncodeTime(15, 0, 0, 0)},
        {"12:00 am", 0},
        {"12:00 pm", 0.5},
        {"am 11:15", frEncodeTime(11, 15, 0, 0)},
    };
    TfrFormatSettingsScope scope(TfrFormatSettings::russian());
    for (const ParseRow &r : rows)
        EXPECT_DOUBLE_EQ(frStrToTime(QString::fromUtf8(r.text)), r.expected) << r.text;
}

TEST(StrToTimeTest, RejectsWithTheClassicText)
{
    const char *bad[] = {"", "x", "24:00", "12:60", "12:30:60", "12:", "12:30:", "13:00 pm", "0:30 am", "12.30", "12:30 x", "12:30:15,"};
    TfrFormatSettingsScope scope(TfrFormatSettings::russian());
    for (const char *text : bad) {
        try {
            frStrToTime(QString::fromUtf8(text));
            ADD_FAILURE() << "accepted " << text;
        } catch (const EConvertError &e) {
            EXPECT_EQ(s8(e.message()), std::string("'") + text + "' is not a valid time");
        }
    }
}

TEST(StrToDateTimeTest, DateTimeAndTimeAlone)
{
    TfrFormatSettingsScope scope(TfrFormatSettings::russian());
    EXPECT_DOUBLE_EQ(frStrToDateTime("10.01.2009 15:05:07"), frEncodeDateTime(2009, 1, 10, 15, 5, 7, 0));
    EXPECT_DOUBLE_EQ(frStrToDateTime("10.01.2009"), frEncodeDate(2009, 1, 10));
    EXPECT_DOUBLE_EQ(frStrToDateTime("15:05"), frEncodeTime(15, 5, 0, 0));
    EXPECT_DOUBLE_EQ(frStrToDateTime("29.12.1899 06:00"), -1.25);
    EXPECT_DOUBLE_EQ(frStrToDateTime("31.12.2009 23:59:59,999"), lastMs);
    const char *bad[] = {"", "10.01.2009 25:00", "10.01.2009 x", "32.01.2009", "x 10.01.2009"};
    for (const char *text : bad) {
        try {
            frStrToDateTime(QString::fromUtf8(text));
            ADD_FAILURE() << "accepted " << text;
        } catch (const EConvertError &e) {
            EXPECT_EQ(s8(e.message()), std::string("'") + text + "' is not a valid date and time");
        }
    }
}

TEST(StrToDateTimeTest, TextFormsReadBack)
{
    TfrFormatSettingsScope scope(TfrFormatSettings::russian());
    const double values[] = {sample - 45.0 / 86400000.0, midnight, 0.75, frEncodeDateTime(1850, 3, 4, 5, 6, 7, 0)};
    for (double v : values) {
        const QString text = frDateTimeToStr(v);
        EXPECT_NEAR(frStrToDateTime(text), v, 1e-9) << s8(text);
    }
}

} // namespace

namespace {

// Patterns and texts made of the characters the formatters and scanners react to, from
// a fixed seed: formatting never fails on a valid value and scanning never reads past
// the text.
TEST(FormatRobustnessTest, RandomPatternsAndTexts)
{
    const QString alphabet = QString::fromUtf8("0#.,;Ee+-'\"dmyhnszatcDMYHNSZATC/: xг%");
    const QString digits = QStringLiteral("0123456789.,: apmAPM-+eE");
    quint32 state = 12345;
    auto next = [&state](quint32 bound) {
        state = state * 1664525u + 1013904223u;
        return (state >> 8) % bound;
    };
    const double values[] = {0, 1.5, -1.5, 39823.75, -1.25, 1e17, -1e-9, 2958465.9999};
    for (int i = 0; i < 4000; ++i) {
        QString pattern, text;
        const quint32 length = next(12);
        for (quint32 k = 0; k < length; ++k) {
            pattern += alphabet[qsizetype(next(quint32(alphabet.size())))];
            text += digits[qsizetype(next(quint32(digits.size())))];
        }
        const double v = values[next(std::size(values))];
        EXPECT_NO_THROW(frFormatFloat(pattern, v)) << pattern.toStdString();
        if (std::fabs(v) < 1e7) {
            EXPECT_NO_THROW(frFormatDateTime(pattern, v)) << pattern.toStdString();
        }
        double out;
        frTryStrToDateTime(text, out);
        frTryStrToFloat(text, out);
        qint64 i64;
        frTryStrToInt64(text, i64);
    }
}

} // namespace
