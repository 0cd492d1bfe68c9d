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
