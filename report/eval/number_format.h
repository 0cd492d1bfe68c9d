// Numbers to text and back with the classic desktop runtime's rules.
#pragma once

#include <QString>

#include "report/eval/format_settings.h"

// --- Text to number -------------------------------------------------------------------
// Accepted: optional blanks, an optional sign, digits with at most one decimal separator
// (the settings' one; no thousands separators), an optional exponent "E"/"e" with
// optional sign and digits, optional blanks. Values too large for a double are
// rejected; values too small become 0.
// Raises EConvertError "'%s' is not a valid floating point value".
double frStrToFloat(const QString &text, const TfrFormatSettings &fs = frFormatSettings());
bool frTryStrToFloat(const QString &text, double &value, const TfrFormatSettings &fs = frFormatSettings());

// Decimal digits or hexadecimal after "$" or "0x", optional sign, optional blanks.
// Raises EConvertError "'%s' is not a valid integer value" (also when out of range).
qint32 frStrToInt(const QString &text);
qint64 frStrToInt64(const QString &text);
bool frTryStrToInt(const QString &text, qint32 &value);
bool frTryStrToInt64(const QString &text, qint64 &value);

// --- Number to text -------------------------------------------------------------------
// The general form with 15 significant digits: the shortest text, the settings' decimal
// separator, exponent form ("1E20", "1,5E-7") when the value needs more than 15 integer
// digits or is below 0.0001. NaN and infinities give "NAN", "INF" and "-INF".
QString frFloatToStr(double value, const TfrFormatSettings &fs = frFormatSettings());

// Currency (value * 10000 as an integer): all integer digits and up to 4 decimals,
// trailing zeros dropped.
QString frCurrToStr(qint64 scaled, const TfrFormatSettings &fs = frFormatSettings());

// --- Patterns ---------------------------------------------------------------------------
// Formats a number by a pattern of up to three sections "positive;negative;zero":
//   0        a digit, or 0 where the value has none
//   #        a digit where the value has one (leading and trailing zeros suppressed)
//   .        the first one places the decimal separator (the settings' character); it
//            is written only when fraction digits follow
//   ,        anywhere before the decimal point: group thousands with the settings'
//            separator; never written itself
//   E+ E- e+ e-  exponent form; the 0s after it give the least exponent digits; "+" always
//            writes the sign, "-" only a minus
//   '...' "..."  literal text; every other character is copied where it stands.
// A negative value uses the second section without a minus sign when that section is
// present and not empty, else the first with a minus in front. A value that rounds to
// zero at the pattern's precision is zero: it uses the zero section when present and not
// empty, else the first, and never shows a minus ("-0,00" is not printed).
// Digits come from the value's 18-significant-digit decimal text, rounded half away from
// zero at the last placeholder: 2.675 (2.67499999999999982 as a double) gives 2,67 with
// "0.00", 2.5 gives 3 with "0" and -2.5 gives -3.
// An empty pattern (or empty chosen section), a value of 1E18 or more in magnitude
// with a pattern without exponent, NaN and infinities give the general text of
// frFloatToStr instead.
QString frFormatFloat(const QString &pattern, double value, const TfrFormatSettings &fs = frFormatSettings());

enum TFloatFormat { ffGeneral, ffExponent, ffFixed, ffNumber, ffCurrency };

// The classic fixed-layout conversions; precision is the number of significant digits
// (1..18), digits the decimals (0..18; the least exponent digits, 0..4, for ffGeneral
// and ffExponent).
//   ffGeneral   shortest text; exponent form beyond `precision` integer digits or below 0.0001
//   ffExponent  "-d,ddd...E+dddd": precision digits, the exponent with at least `digits` digits
//   ffFixed     "-ddd,dd": exactly `digits` decimals
//   ffNumber    as ffFixed with thousands separators
//   ffCurrency  as ffNumber laid out with the settings' currency string and formats
// ffFixed, ffNumber and ffCurrency fall back to ffGeneral when the value has more integer
// digits than `precision`. A result that rounds to zero carries no minus sign.
QString frFloatToStrF(double value, TFloatFormat format, int precision, int digits,
                      const TfrFormatSettings &fs = frFormatSettings());
