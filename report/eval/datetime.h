// Date-time values: a double counting days since 30 December 1899, the time of day in
// the fraction. Days before that date are negative and their fraction is still the time
// of day by absolute value: -1.25 is 29 December 1899, 06:00. Years run from 1 to 9999.
#pragma once

#include <QtGlobal>

using TDateTime = double;

// Valid values lie strictly between these: 1 January 0001 runs from -693593 down to
// (not including) -693594, 31 December 9999 from 2958465 up to 2958466.
inline constexpr double frMinDateTime = -693594.0;
inline constexpr double frMaxDateTime = 2958466.0;

// Invalid components raise EConvertError "Invalid argument to date encode" /
// "Invalid argument to time encode". Hours run 0..23, minutes and seconds 0..59,
// milliseconds 0..999.
TDateTime frEncodeDate(int year, int month, int day);
TDateTime frEncodeTime(int hour, int min, int sec, int msec);
// Date plus time; for days before 30 December 1899 the time is subtracted, so the
// fraction still reads as the time of day.
TDateTime frEncodeDateTime(int year, int month, int day, int hour, int min, int sec, int msec);
bool frTryEncodeDate(int year, int month, int day, TDateTime &value);
bool frTryEncodeTime(int hour, int min, int sec, int msec, TDateTime &value);

struct TfrDateParts {
    int year = 1899, month = 12, day = 30;
    int hour = 0, min = 0, sec = 0, msec = 0;
};

// Splits a value into calendar date and time of day. The time is rounded to whole
// milliseconds within its own day, so 23:59:59.999 stays 999 ms. A value outside
// 1 January 0001 .. 31 December 9999 (or not a number) returns false.
bool frTryDecodeDateTime(TDateTime value, TfrDateParts &parts);
// As above, raising EConvertError "Invalid date-time value" when out of range.
TfrDateParts frDecodeDateTime(TDateTime value);
void frDecodeDate(TDateTime value, int &year, int &month, int &day);
void frDecodeTime(TDateTime value, int &hour, int &min, int &sec, int &msec);

// 1 is Sunday .. 7 is Saturday; raises like frDecodeDateTime when out of range.
int frDayOfWeek(TDateTime value);

bool frIsLeapYear(int year);
int frDaysInMonth(int year, int month);

// The date part (midnight) and the time of day of a value, following the sign rule above.
TDateTime frDateOf(TDateTime value);
TDateTime frTimeOf(TDateTime value);

// Today at midnight, now, and the time of day now, by the local clock.
TDateTime frDate();
TDateTime frNow();
TDateTime frTime();
