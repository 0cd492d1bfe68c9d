#include <gtest/gtest.h>

#include <cmath>

#include "report/eval/datetime.h"
#include "report/eval/errors.h"

namespace {

TEST(DateTimeTest, EncodeDecodeDates)
{
    struct Row {
        int y, m, d;
        double value;
    };
    const Row rows[] = {
        {1899, 12, 30, 0},       {1899, 12, 31, 1},     {1900, 1, 1, 2},      {1899, 12, 29, -1},
        {1899, 12, 1, -29},      {1900, 3, 1, 61},      {2000, 2, 29, 36585}, {2009, 1, 10, 39823},
        {1, 1, 1, -693593},      {9999, 12, 31, 2958465}, {1752, 9, 14, -53797}, {2024, 12, 31, 45657},
    };
    for (const Row &r : rows) {
        EXPECT_DOUBLE_EQ(frEncodeDate(r.y, r.m, r.d), r.value) << r.y << "-" << r.m << "-" << r.d;
        int y, m, d;
        frDecodeDate(r.value, y, m, d);
        EXPECT_EQ(y * 10000 + m * 100 + d, r.y * 10000 + r.m * 100 + r.d) << r.value;
    }
}

TEST(DateTimeTest, InvalidComponentsRaise)
{
    struct Row {
        int y, m, d;
    };
    const Row dates[] = {{2009, 2, 29}, {1900, 2, 29}, {2009, 13, 1}, {2009, 0, 1}, {2009, 4, 31}, {0, 1, 1}, {10000, 1, 1}, {2009, 1, 0}};
    for (const Row &r : dates) {
        double v;
        EXPECT_FALSE(frTryEncodeDate(r.y, r.m, r.d, v)) << r.y << "-" << r.m << "-" << r.d;
        try {
            frEncodeDate(r.y, r.m, r.d);
            ADD_FAILURE() << "no error for " << r.y << "-" << r.m << "-" << r.d;
        } catch (const EConvertError &e) {
            EXPECT_EQ(e.message(), "Invalid argument to date encode");
        }
    }
    const int times[][4] = {{24, 0, 0, 0}, {-1, 0, 0, 0}, {0, 60, 0, 0}, {0, 0, 60, 0}, {0, 0, 0, 1000}};
    for (const auto &t : times) {
        try {
            frEncodeTime(t[0], t[1], t[2], t[3]);
            ADD_FAILURE() << "no error for " << t[0] << ":" << t[1] << ":" << t[2] << "." << t[3];
        } catch (const EConvertError &e) {
            EXPECT_EQ(e.message(), "Invalid argument to time encode");
        }
    }
}

TEST(DateTimeTest, TimesRoundTripToTheMillisecond)
{
    const int times[][4] = {{0, 0, 0, 0}, {0, 0, 0, 1}, {6, 0, 0, 0}, {12, 30, 15, 500}, {23, 59, 59, 999}, {23, 59, 59, 998}, {13, 7, 3, 41}};
    const double days[] = {0, 1, 39823, 2958465, -1, -36522, -693593};
    for (double day : days) {
        for (const auto &t : times) {
            int y0, m0, d0;
            frDecodeDate(day, y0, m0, d0);
            const double v = frEncodeDateTime(y0, m0, d0, t[0], t[1], t[2], t[3]);
            const TfrDateParts p = frDecodeDateTime(v);
            EXPECT_EQ(p.year * 10000 + p.month * 100 + p.day, y0 * 10000 + m0 * 100 + d0) << day << " " << t[0] << ":" << t[1];
            EXPECT_EQ(p.hour, t[0]) << day;
            EXPECT_EQ(p.min, t[1]) << day;
            EXPECT_EQ(p.sec, t[2]) << day;
            EXPECT_EQ(p.msec, t[3]) << day << " " << t[0] << ":" << t[1] << ":" << t[2];
        }
    }
}

TEST(DateTimeTest, NegativeDatesKeepTheTimeInTheAbsoluteFraction)
{
    // -1.25 is 29 December 1899 06:00, not 28 December 18:00.
    const TfrDateParts p = frDecodeDateTime(-1.25);
    EXPECT_EQ(p.year, 1899);
    EXPECT_EQ(p.month, 12);
    EXPECT_EQ(p.day, 29);
    EXPECT_EQ(p.hour, 6);
    EXPECT_DOUBLE_EQ(frEncodeDateTime(1899, 12, 29, 6, 0, 0, 0), -1.25);
    EXPECT_DOUBLE_EQ(frDateOf(-1.25), -1.0);
    EXPECT_DOUBLE_EQ(frTimeOf(-1.25), 0.25);
    // Between -1 and 0 the date part is 0: 30 December 1899.
    const TfrDateParts q = frDecodeDateTime(-0.75);
    EXPECT_EQ(q.day, 30);
    EXPECT_EQ(q.hour, 18);
}

TEST(DateTimeTest, HalfAMillisecondBeforeMidnightIsTheNextDay)
{
    const double almost = 1.0 - 0.0004 / 86400000.0 * 1000.0; // 0.4 ms before midnight
    const TfrDateParts p = frDecodeDateTime(almost);
    EXPECT_EQ(p.day, 31);
    EXPECT_EQ(p.hour, 0);
    EXPECT_EQ(p.msec, 0);
}

TEST(DateTimeTest, OutOfRangeValuesAreRejected)
{
    const double values[] = {frMaxDateTime, frMinDateTime, -693594.5, 1e300, -1e300, std::nan(""), INFINITY};
    for (double v : values) {
        TfrDateParts p;
        EXPECT_FALSE(frTryDecodeDateTime(v, p)) << v;
        EXPECT_THROW(frDecodeDateTime(v), EConvertError) << v;
    }
}

TEST(DateTimeTest, DayOfWeek)
{
    EXPECT_EQ(frDayOfWeek(0), 7);                          // Saturday
    EXPECT_EQ(frDayOfWeek(frEncodeDate(2009, 1, 10)), 7);  // Saturday
    EXPECT_EQ(frDayOfWeek(frEncodeDate(2009, 1, 11)), 1);  // Sunday
    EXPECT_EQ(frDayOfWeek(-1.25), 6);                      // 29.12.1899, Friday
    EXPECT_EQ(frDayOfWeek(frEncodeDate(1, 1, 1)), 2);      // Monday
    EXPECT_EQ(frDayOfWeek(frEncodeDate(2024, 2, 29) + 0.99), 5);
}

TEST(DateTimeTest, ClockFunctionsAgree)
{
    const double now = frNow();
    EXPECT_GE(now, frDate());
    EXPECT_LT(now - frDate(), 1.0);
    EXPECT_GE(frTime(), 0.0);
    EXPECT_LT(frTime(), 1.0);
    EXPECT_GT(frDate(), frEncodeDate(2020, 1, 1));
}

} // namespace
