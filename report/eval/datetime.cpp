#include "report/eval/datetime.h"

#include <QDateTime>
#include <cmath>

#include "report/eval/errors.h"

namespace {

constexpr qint64 msecsPerDay = 86400000;
// Days from 1 January 1970 to 30 December 1899.
constexpr qint64 epochOffset = -25569;

// Proleptic Gregorian calendar day numbers (days since 1 January 1970).
qint64 daysFromCivil(qint64 y, unsigned m, unsigned d)
{
    y -= m <= 2;
    const qint64 era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = unsigned(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + qint64(doe) - 719468;
}

void civilFromDays(qint64 z, int &year, int &month, int &day)
{
    z += 719468;
    const qint64 era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = unsigned(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    day = int(doy - (153 * mp + 2) / 5 + 1);
    month = int(mp < 10 ? mp + 3 : mp - 9);
    year = int(era * 400 + yoe + (month <= 2));
}

[[noreturn]] void invalidDateTime()
{
    throw EConvertError(QStringLiteral("Invalid date-time value"));
}

} // namespace

bool frIsLeapYear(int year) { return (year % 4 == 0) && (year % 100 != 0 || year % 400 == 0); }

int frDaysInMonth(int year, int month)
{
    static const int days[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12)
        return 0;
    return month == 2 && frIsLeapYear(year) ? 29 : days[month - 1];
}

bool frTryEncodeDate(int year, int month, int day, TDateTime &value)
{
    if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 || day > frDaysInMonth(year, month))
        return false;
    value = double(daysFromCivil(year, unsigned(month), unsigned(day)) - epochOffset);
    return true;
}

bool frTryEncodeTime(int hour, int min, int sec, int msec, TDateTime &value)
{
    if (hour < 0 || hour > 23 || min < 0 || min > 59 || sec < 0 || sec > 59 || msec < 0 || msec > 999)
        return false;
    value = double(((qint64(hour) * 60 + min) * 60 + sec) * 1000 + msec) / double(msecsPerDay);
    return true;
}

TDateTime frEncodeDate(int year, int month, int day)
{
    TDateTime v;
    if (!frTryEncodeDate(year, month, day, v))
        throw EConvertError(QStringLiteral("Invalid argument to date encode"));
    return v;
}

TDateTime frEncodeTime(int hour, int min, int sec, int msec)
{
    TDateTime v;
    if (!frTryEncodeTime(hour, min, sec, msec, v))
        throw EConvertError(QStringLiteral("Invalid argument to time encode"));
    return v;
}

TDateTime frEncodeDateTime(int year, int month, int day, int hour, int min, int sec, int msec)
{
    const TDateTime date = frEncodeDate(year, month, day);
    const TDateTime time = frEncodeTime(hour, min, sec, msec);
    return date < 0 ? date - time : date + time;
}

bool frTryDecodeDateTime(TDateTime value, TfrDateParts &parts)
{
    if (!(value > frMinDateTime && value < frMaxDateTime))
        return false; // also rejects NaN
    double dayPart = std::trunc(value);
    // Subtracting the integral part is exact, so the time of day is rounded on its own
    // and a stored 23:59:59.999 never rounds into the next day.
    qint64 ms = std::llround(std::fabs(value - dayPart) * double(msecsPerDay));
    qint64 day = qint64(dayPart);
    if (ms >= msecsPerDay) {
        // Within half a millisecond of the next midnight: the next calendar day, also for
        // negative values, whose days count up towards 30 December 1899 the same way.
        ms = 0;
        ++day;
        if (double(day) >= frMaxDateTime)
            return false;
    }
    civilFromDays(day + epochOffset, parts.year, parts.month, parts.day);
    parts.msec = int(ms % 1000);
    ms /= 1000;
    parts.sec = int(ms % 60);
    ms /= 60;
    parts.min = int(ms % 60);
    parts.hour = int(ms / 60);
    return true;
}

TfrDateParts frDecodeDateTime(TDateTime value)
{
    TfrDateParts p;
    if (!frTryDecodeDateTime(value, p))
        invalidDateTime();
    return p;
}

void frDecodeDate(TDateTime value, int &year, int &month, int &day)
{
    const TfrDateParts p = frDecodeDateTime(value);
    year = p.year;
    month = p.month;
    day = p.day;
}

void frDecodeTime(TDateTime value, int &hour, int &min, int &sec, int &msec)
{
    const TfrDateParts p = frDecodeDateTime(value);
    hour = p.hour;
    min = p.min;
    sec = p.sec;
    msec = p.msec;
}

int frDayOfWeek(TDateTime value)
{
    const TfrDateParts p = frDecodeDateTime(value);
    // 30 December 1899 (day 0) was a Saturday.
    const qint64 day = daysFromCivil(p.year, unsigned(p.month), unsigned(p.day)) - epochOffset;
    const qint64 mod = ((day % 7) + 7 + 6) % 7; // 0 = Sunday
    return int(mod) + 1;
}

TDateTime frDateOf(TDateTime value) { return std::trunc(value); }

TDateTime frTimeOf(TDateTime value) { return std::fabs(value - std::trunc(value)); }

namespace {
TDateTime fromQDateTime(const QDateTime &dt)
{
    const QDate d = dt.date();
    const QTime t = dt.time();
    return double(daysFromCivil(d.year(), unsigned(d.month()), unsigned(d.day())) - epochOffset)
        + double(t.msecsSinceStartOfDay()) / double(msecsPerDay);
}
} // namespace

TDateTime frNow() { return fromQDateTime(QDateTime::currentDateTime()); }

TDateTime frDate() { return std::trunc(frNow()); }

TDateTime frTime() { return frTimeOf(frNow()); }
