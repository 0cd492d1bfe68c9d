// Date-time values to text and back with the classic desktop runtime's patterns.
#pragma once

#include <QString>

#include "report/eval/datetime.h"
#include "report/eval/format_settings.h"

// Formats a date-time by a pattern. Specifiers (letters in any case; a run of one
// letter is one specifier):
//   d dd          day of month without / with a leading zero
//   ddd dddd      short / long day name
//   ddddd dddddd  the short / long date pattern of the settings
//   m mm          month without / with a leading zero; minutes when it follows h or hh
//   mmm mmmm      short / long month name
//   yy yyyy       two-digit / four-digit year (y is yy, yyy is yyyy)
//   h hh          hour, 12-hour clock when an am/pm specifier follows before the next h
//   n nn s ss     minutes, seconds
//   z zzz         milliseconds without / with leading zeros
//   am/pm a/p     "am"/"pm", "a"/"p" in the letter case written
//   ampm          the settings' AM and PM strings
//   t tt          the short / long time pattern
//   c             the short date, then a space and the long time when the hours, minutes
//                 or seconds are not zero (milliseconds alone do not count)
//   /  :          the settings' date and time separators
//   '...' "..."   literal text; every other character is copied.
// An empty pattern is "c". Month names: "mmmm" uses the genitive names (5 января) when
// the pattern being expanded has a day-of-month specifier (d or dd) outside quotes,
// the nominative names (Январь 2009) otherwise; a locale pattern inserted by
// ddddd/dddddd/c/t/tt is judged by its own specifiers.
// A value outside 1 January 0001 .. 31 December 9999 raises EConvertError.
QString frFormatDateTime(const QString &pattern, TDateTime value, const TfrFormatSettings &fs = frFormatSettings());

// Text forms: the short date; the long time; the short date plus the long time
// (the time omitted at midnight, the date omitted when the date part is 0 and the time
// is not midnight, as a variant shows a pure time). Out-of-range values give the
// general number text instead of raising.
QString frDateToStr(TDateTime value, const TfrFormatSettings &fs = frFormatSettings());
QString frTimeToStr(TDateTime value, const TfrFormatSettings &fs = frFormatSettings());
QString frDateTimeToStr(TDateTime value, const TfrFormatSettings &fs = frFormatSettings());

// Text to date by the order of day, month and year in the settings' short date pattern,
// numbers separated by the date separator: "d.m.y" or "d.m" (the current year). A year
// of one or two digits is read within the century window (50 years: with the current
// year 2025, "74" is 2074 and "75" is 1975). Blanks around the text are allowed.
// Raises EConvertError "'%s' is not a valid date".
TDateTime frStrToDate(const QString &text, const TfrFormatSettings &fs = frFormatSettings());
bool frTryStrToDate(const QString &text, TDateTime &value, const TfrFormatSettings &fs = frFormatSettings());
// "h", "h:n", "h:n:s" or "h:n:s<decimal separator>z", optionally followed or preceded
// by "am"/"pm" or the settings' AM/PM strings.
// Raises EConvertError "'%s' is not a valid time".
TDateTime frStrToTime(const QString &text, const TfrFormatSettings &fs = frFormatSettings());
bool frTryStrToTime(const QString &text, TDateTime &value, const TfrFormatSettings &fs = frFormatSettings());
// A date, optionally followed by a time; or a time alone.
// Raises EConvertError "'%s' is not a valid date and time".
TDateTime frStrToDateTime(const QString &text, const TfrFormatSettings &fs = frFormatSettings());
bool frTryStrToDateTime(const QString &text, TDateTime &value, const TfrFormatSettings &fs = frFormatSettings());

// The same date scan with a given current year, for the century window (tests).
bool frTryStrToDateInYear(const QString &text, int currentYear, TDateTime &value,
                          const TfrFormatSettings &fs = frFormatSettings());
