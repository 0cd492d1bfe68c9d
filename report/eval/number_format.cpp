#include "report/eval/number_format.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <limits>

#include "report/eval/errors.h"

namespace {

// A decimal rendering of a double: value = 0.d1d2d3... * 10^exponent. No digits means
// zero. Trailing zeros are never kept.
struct TfrDecimal {
    bool negative = false;
    int exponent = 0;
    int count = 0;
    char digits[24] = {};
};

void stripTrailingZeros(TfrDecimal &d)
{
    while (d.count > 0 && d.digits[d.count - 1] == '0')
        --d.count;
    if (d.count == 0) {
        d.exponent = 0;
    }
}

// The value correctly rounded to `precision` significant digits (1..17 meaningful;
// up to 18 as the classic runtime's extended conversion gives).
TfrDecimal toDecimal(double value, int precision)
{
    TfrDecimal d;
    d.negative = std::signbit(value);
    if (value == 0)
        return d;
    char buf[64];
    const auto res = std::to_chars(buf, buf + sizeof buf, std::fabs(value), std::chars_format::scientific,
                                   precision - 1);
    *res.ptr = '\0';
    // d[.ddd]e[+-]xx
    const char *p = buf;
    for (; *p && *p != 'e'; ++p) {
        if (*p >= '0' && *p <= '9')
            d.digits[d.count++] = *p;
    }
    int exp10 = 0;
    if (*p == 'e')
        std::from_chars(p[1] == '+' ? p + 2 : p + 1, res.ptr, exp10);
    d.exponent = exp10 + 1;
    stripTrailingZeros(d);
    return d;
}

// Keeps the first `keep` digits, rounding half away from zero on the decimal digits.
void roundAt(TfrDecimal &d, int keep)
{
    if (keep >= d.count)
        return;
    if (keep < 0) {
        d.count = 0;
        d.exponent = 0;
        return;
    }
    const bool up = d.digits[keep] >= '5';
    d.count = keep;
    if (up) {
        int i = keep - 1;
        while (i >= 0 && d.digits[i] == '9')
            --i;
        if (i < 0) {
            d.digits[0] = '1';
            d.count = 1;
            ++d.exponent;
        } else {
            ++d.digits[i];
            d.count = i + 1;
        }
    }
    stripTrailingZeros(d);
}

// The classic runtime takes 18 significant digits first and rounds those.
TfrDecimal decimal18(double value) { return toDecimal(value, 18); }

bool isBlank(QChar c) { return c.unicode() <= ' '; }

QString decimalText(const TfrDecimal &d, const TfrFormatSettings &fs)
{
    QString out;
    out.reserve(d.count + 8);
    if (d.count == 0)
        return QStringLiteral("0");
    if (d.negative)
        out += QLatin1Char('-');
    if (d.exponent <= 0) {
        out += QLatin1Char('0');
        out += fs.decimalSeparator;
        for (int i = d.exponent; i < 0; ++i)
            out += QLatin1Char('0');
        out += QLatin1String(d.digits, d.count);
        return out;
    }
    for (int i = 0; i < d.exponent; ++i)
        out += QLatin1Char(i < d.count ? d.digits[i] : '0');
    if (d.count > d.exponent) {
        out += fs.decimalSeparator;
        out += QLatin1String(d.digits + d.exponent, d.count - d.exponent);
    }
    return out;
}

QString specialText(double value)
{
    if (std::isnan(value))
        return QStringLiteral("NAN");
    return value < 0 ? QStringLiteral("-INF") : QStringLiteral("INF");
}

QString generalText(double value, int precision, const TfrFormatSettings &fs, int minExpDigits = 0)
{
    if (!std::isfinite(value))
        return specialText(value);
    TfrDecimal d = decimal18(value);
    roundAt(d, precision);
    if (d.count == 0)
        return QStringLiteral("0");
    if (d.exponent <= precision && d.exponent >= -3)
        return decimalText(d, fs);
    QString out;
    if (d.negative)
        out += QLatin1Char('-');
    out += QLatin1Char(d.digits[0]);
    if (d.count > 1) {
        out += fs.decimalSeparator;
        out += QLatin1String(d.digits + 1, d.count - 1);
    }
    out += QLatin1Char('E');
    const int e = d.exponent - 1;
    if (e < 0)
        out += QLatin1Char('-');
    out += QStringLiteral("%1").arg(std::abs(e), minExpDigits, 10, QLatin1Char('0'));
    return out;
}

template <typename T>
bool parseInteger(const QString &text, T &value)
{
    const QChar *p = text.constData();
    const QChar *end = p + text.size();
    while (p < end && isBlank(*p))
        ++p;
    while (end > p && isBlank(end[-1]))
        --end;
    bool negative = false;
    if (p < end && (*p == QLatin1Char('-') || *p == QLatin1Char('+'))) {
        negative = *p == QLatin1Char('-');
        ++p;
    }
    int base = 10;
    if (p < end && *p == QLatin1Char('$')) {
        base = 16;
        ++p;
    } else if (end - p > 2 && p[0] == QLatin1Char('0') && (p[1] == QLatin1Char('x') || p[1] == QLatin1Char('X'))) {
        base = 16;
        p += 2;
    }
    if (p == end)
        return false;
    using U = std::make_unsigned_t<T>;
    const U limit = negative ? U(std::numeric_limits<T>::max()) + 1 : U(std::numeric_limits<T>::max());
    U acc = 0;
    for (; p < end; ++p) {
        const char16_t c = p->unicode();
        int digit;
        if (c >= '0' && c <= '9')
            digit = c - '0';
        else if (base == 16 && c >= 'a' && c <= 'f')
            digit = c - 'a' + 10;
        else if (base == 16 && c >= 'A' && c <= 'F')
            digit = c - 'A' + 10;
        else
            return false;
        if (acc > (limit - U(digit)) / U(base))
            return false;
        acc = acc * U(base) + U(digit);
    }
    value = negative ? T(U(0) - acc) : T(acc);
    return true;
}

} // namespace

bool frTryStrToFloat(const QString &text, double &value, const TfrFormatSettings &fs)
{
    const QChar *p = text.constData();
    const QChar *end = p + text.size();
    while (p < end && isBlank(*p))
        ++p;
    while (end > p && isBlank(end[-1]))
        --end;
    // Rebuilt in ASCII with a point, so the conversion does not depend on the C locale;
    // a short text needs no allocation.
    char small[64];
    std::string large;
    const qsizetype length = end - p;
    char *buf = small;
    if (length + 16 > qsizetype(sizeof small)) {
        large.resize(size_t(length) + 16);
        buf = large.data();
    }
    int n = 0;
    bool negative = false;
    if (p < end && (*p == QLatin1Char('-') || *p == QLatin1Char('+'))) {
        negative = *p == QLatin1Char('-');
        ++p;
    }
    int mantissaDigits = 0;
    int intDigits = 0;        // significant digits before the separator
    int leadingFracZeros = 0; // zeros after the separator before the first significant digit
    bool seenSignificant = false;
    bool seenPoint = false;
    for (; p < end; ++p) {
        const char16_t c = p->unicode();
        if (c >= '0' && c <= '9') {
            ++mantissaDigits;
            if (c != '0')
                seenSignificant = true;
            if (!seenPoint && seenSignificant)
                ++intDigits;
            else if (seenPoint && !seenSignificant)
                ++leadingFracZeros;
            buf[n++] = char(c);
        } else if (*p == fs.decimalSeparator && !seenPoint) {
            seenPoint = true;
            buf[n++] = '.';
        } else {
            break;
        }
    }
    if (mantissaDigits == 0)
        return false;
    int exponent = 0;
    if (p < end && (*p == QLatin1Char('e') || *p == QLatin1Char('E'))) {
        ++p;
        bool expNegative = false;
        if (p < end && (*p == QLatin1Char('-') || *p == QLatin1Char('+'))) {
            expNegative = *p == QLatin1Char('-');
            ++p;
        }
        if (p == end)
            return false;
        for (; p < end; ++p) {
            const char16_t c = p->unicode();
            if (c < '0' || c > '9')
                return false;
            if (exponent < 100000)
                exponent = exponent * 10 + (c - '0');
        }
        if (expNegative)
            exponent = -exponent;
    }
    if (p != end)
        return false;
    if (!seenSignificant) {
        value = negative ? -0.0 : 0.0;
        return true;
    }
    // Decimal magnitude of the value, to tell overflow from underflow.
    const int magnitude = (intDigits > 0 ? intDigits : -leadingFracZeros) + exponent;
    if (magnitude > 400)
        return false;
    if (magnitude < -400) {
        value = negative ? -0.0 : 0.0;
        return true;
    }
    if (exponent != 0)
        n += std::snprintf(buf + n, 16, "e%d", exponent);
    double v = 0;
    const auto res = std::from_chars(buf, buf + n, v, std::chars_format::general);
    if (res.ec == std::errc::result_out_of_range) {
        if (magnitude > 0)
            return false;
        v = 0; // underflow
    } else if (res.ec != std::errc() || res.ptr != buf + n) {
        return false;
    }
    if (std::isinf(v))
        return false;
    value = negative ? -v : v;
    return true;
}

double frStrToFloat(const QString &text, const TfrFormatSettings &fs)
{
    double v;
    if (!frTryStrToFloat(text, v, fs))
        throw EConvertError(QStringLiteral("'%1' is not a valid floating point value").arg(text));
    return v;
}

bool frTryStrToInt(const QString &text, qint32 &value) { return parseInteger(text, value); }

bool frTryStrToInt64(const QString &text, qint64 &value) { return parseInteger(text, value); }

qint32 frStrToInt(const QString &text)
{
    qint32 v;
    if (!parseInteger(text, v))
        throw EConvertError(QStringLiteral("'%1' is not a valid integer value").arg(text));
    return v;
}

qint64 frStrToInt64(const QString &text)
{
    qint64 v;
    if (!parseInteger(text, v))
        throw EConvertError(QStringLiteral("'%1' is not a valid integer value").arg(text));
    return v;
}

QString frFloatToStr(double value, const TfrFormatSettings &fs) { return generalText(value, 15, fs); }

QString frCurrToStr(qint64 scaled, const TfrFormatSettings &fs)
{
    const bool negative = scaled < 0;
    const quint64 magnitude = negative ? quint64(0) - quint64(scaled) : quint64(scaled);
    QString out;
    if (negative)
        out += QLatin1Char('-');
    out += QString::number(magnitude / 10000);
    quint64 frac = magnitude % 10000;
    if (frac != 0) {
        char buf[5];
        int n = 4;
        for (int i = 3; i >= 0; --i) {
            buf[i] = char('0' + frac % 10);
            frac /= 10;
        }
        while (n > 0 && buf[n - 1] == '0')
            --n;
        out += fs.decimalSeparator;
        out += QLatin1String(buf, n);
    }
    return out;
}

// --- Patterns ---------------------------------------------------------------------------

namespace {

bool isQuote(QChar c) { return c == QLatin1Char('\'') || c == QLatin1Char('"'); }

bool isExponentAt(QStringView s, qsizetype i)
{
    return (s[i] == QLatin1Char('E') || s[i] == QLatin1Char('e')) && i + 1 < s.size()
        && (s[i + 1] == QLatin1Char('+') || s[i + 1] == QLatin1Char('-'));
}

struct TfrNumberSection {
    int intPlaceholders = 0;
    int fracPlaceholders = 0;
    int firstZero = -1; // index of the first 0 among the integer placeholders
    int lastZero = 0;   // fraction placeholders up to and including the last 0
    int expDigits = 0;
    bool thousands = false;
    bool scientific = false;
};

TfrNumberSection scanSection(QStringView s)
{
    TfrNumberSection r;
    bool seenPoint = false;
    for (qsizetype i = 0; i < s.size(); ++i) {
        const QChar c = s[i];
        if (isQuote(c)) {
            ++i;
            while (i < s.size() && s[i] != c)
                ++i;
            continue;
        }
        if (r.scientific)
            continue; // nothing after the exponent counts
        if (c == QLatin1Char('0') || c == QLatin1Char('#')) {
            if (!seenPoint) {
                if (c == QLatin1Char('0') && r.firstZero < 0)
                    r.firstZero = r.intPlaceholders;
                ++r.intPlaceholders;
            } else {
                ++r.fracPlaceholders;
                if (c == QLatin1Char('0'))
                    r.lastZero = r.fracPlaceholders;
            }
        } else if (c == QLatin1Char('.')) {
            seenPoint = true;
        } else if (c == QLatin1Char(',')) {
            if (!seenPoint)
                r.thousands = true;
        } else if (isExponentAt(s, i)) {
            r.scientific = true;
            i += 2;
            while (i < s.size() && s[i] == QLatin1Char('0')) {
                ++r.expDigits;
                ++i;
            }
            --i;
        }
    }
    return r;
}

// Up to three sections split at ";" outside quotes.
int splitSections(QStringView pattern, QStringView sections[3])
{
    int n = 0;
    qsizetype start = 0;
    for (qsizetype i = 0; i < pattern.size() && n < 2; ++i) {
        const QChar c = pattern[i];
        if (isQuote(c)) {
            ++i;
            while (i < pattern.size() && pattern[i] != c)
                ++i;
            continue;
        }
        if (c == QLatin1Char(';')) {
            sections[n++] = pattern.mid(start, i - start);
            start = i + 1;
        }
    }
    // The last section ends at a further ";" (anything after it is ignored).
    QStringView rest = pattern.mid(start);
    for (qsizetype i = 0; i < rest.size(); ++i) {
        const QChar c = rest[i];
        if (isQuote(c)) {
            ++i;
            while (i < rest.size() && rest[i] != c)
                ++i;
            continue;
        }
        if (c == QLatin1Char(';')) {
            rest = rest.left(i);
            break;
        }
    }
    sections[n++] = rest;
    return n;
}

TfrDecimal roundForSection(double magnitude, const TfrNumberSection &sec)
{
    TfrDecimal d = decimal18(magnitude);
    if (sec.scientific)
        roundAt(d, qMax(1, sec.intPlaceholders + sec.fracPlaceholders));
    else
        roundAt(d, d.exponent + sec.fracPlaceholders);
    return d;
}

QString applySection(QStringView s, const TfrNumberSection &sec, const TfrDecimal &d, bool minus,
                     const TfrFormatSettings &fs)
{
    QString out;
    out.reserve(s.size() + 24);
    if (minus)
        out += QLatin1Char('-');
    const bool zero = d.count == 0;
    // Digits of the value by position: integer position p counts from the units up,
    // fraction position j from the first decimal down.
    int intDigits;
    int exponent10 = 0;
    if (sec.scientific) {
        intDigits = zero ? 0 : sec.intPlaceholders;
        exponent10 = zero ? 0 : d.exponent - sec.intPlaceholders;
    } else {
        intDigits = qMax(d.exponent, 0);
    }
    const int pointIndex = sec.scientific ? sec.intPlaceholders : d.exponent;
    auto digitAt = [&](int index) { return index >= 0 && index < d.count ? QLatin1Char(d.digits[index]) : QLatin1Char('0'); };
    auto intDigit = [&](int p) { return digitAt(pointIndex - 1 - p); };
    const int sigFrac = qMax(0, d.count - pointIndex);
    const int fracToPrint = qMax(sec.lastZero, qMin(sigFrac, sec.fracPlaceholders));

    auto emitInt = [&](int p, QChar ch) {
        out += ch;
        if (sec.thousands && p > 0 && p % 3 == 0)
            out += fs.thousandSeparator;
    };
    auto flushLeading = [&](int above) {
        for (int p = intDigits - 1; p > above; --p)
            emitInt(p, intDigit(p));
    };

    int k = 0, j = 0;
    bool seenPoint = false, inExponent = false, decimalWritten = false;
    for (qsizetype i = 0; i < s.size(); ++i) {
        const QChar c = s[i];
        if (isQuote(c)) {
            ++i;
            const qsizetype from = i;
            while (i < s.size() && s[i] != c)
                ++i;
            out += s.mid(from, i - from);
            continue;
        }
        if (inExponent && (c == QLatin1Char('0') || c == QLatin1Char('#')))
            continue;
        if (c == QLatin1Char('0') || c == QLatin1Char('#')) {
            if (!seenPoint) {
                const int p = sec.intPlaceholders - 1 - k;
                if (k == 0)
                    flushLeading(p);
                if (p < intDigits)
                    emitInt(p, intDigit(p));
                else if (sec.firstZero >= 0 && k >= sec.firstZero)
                    emitInt(p, QLatin1Char('0'));
                ++k;
            } else {
                if (j < fracToPrint) {
                    if (!decimalWritten) {
                        out += fs.decimalSeparator;
                        decimalWritten = true;
                    }
                    out += digitAt(pointIndex + j);
                }
                ++j;
            }
        } else if (c == QLatin1Char('.')) {
            if (!seenPoint && sec.intPlaceholders == 0)
                flushLeading(-1);
            seenPoint = true;
        } else if (c == QLatin1Char(',')) {
            // grouping is switched on by the scan; the comma itself is never written
        } else if (sec.scientific && !inExponent && isExponentAt(s, i)) {
            out += c;
            const bool negativeExp = exponent10 < 0;
            if (s[i + 1] == QLatin1Char('+') || negativeExp)
                out += negativeExp ? QLatin1Char('-') : QLatin1Char('+');
            out += QStringLiteral("%1").arg(std::abs(exponent10), sec.expDigits, 10, QLatin1Char('0'));
            ++i;
            inExponent = true;
        } else {
            out += c;
        }
    }
    return out;
}

} // namespace

QString frFormatFloat(const QString &pattern, double value, const TfrFormatSettings &fs)
{
    if (!std::isfinite(value))
        return specialText(value);
    QStringView sections[3];
    const int count = splitSections(pattern, sections);
    auto pick = [&](int index) { return index < count && !sections[index].isEmpty() ? index : 0; };

    int index = value > 0 ? 0 : value < 0 ? pick(1) : pick(2);
    QStringView section = sections[index];
    if (section.isEmpty())
        return frFloatToStr(value, fs);
    TfrNumberSection sec = scanSection(section);
    if (!sec.scientific && std::fabs(value) >= 1e18)
        return frFloatToStr(value, fs);
    const int unroundedExponent = decimal18(std::fabs(value)).exponent;
    TfrDecimal d = roundForSection(std::fabs(value), sec);
    if (d.count == 0 && value != 0) {
        // Rounded away to nothing: shown as zero, without a sign.
        index = pick(2);
        section = sections[index];
        if (section.isEmpty())
            return QStringLiteral("0");
        sec = scanSection(section);
        d = TfrDecimal{};
        // The classic runtime keeps a negative value's own magnitude when no zero section
        // takes over, so its fraction places still print as zeros: "#.##" gives ",00".
        if (value < 0 && index == 0 && !sec.scientific)
            d.exponent = qMin(unroundedExponent, 0);
    }
    const bool minus = value < 0 && index == 0 && d.count != 0;
    return applySection(section, sec, d, minus, fs);
}

namespace {

QString groupThousands(const QString &intPart, QChar sep)
{
    QString out;
    out.reserve(intPart.size() + intPart.size() / 3);
    const qsizetype n = intPart.size();
    for (qsizetype i = 0; i < n; ++i) {
        out += intPart[i];
        const qsizetype left = n - 1 - i;
        if (left > 0 && left % 3 == 0)
            out += sep;
    }
    return out;
}

QString currencyLayout(const QString &number, bool negative, const TfrFormatSettings &fs)
{
    const QString &c = fs.currencyString;
    if (!negative) {
        switch (fs.currencyFormat) {
        case 1: return number + c;
        case 2: return c + QLatin1Char(' ') + number;
        case 3: return number + QLatin1Char(' ') + c;
        default: return c + number;
        }
    }
    const QString m = QStringLiteral("-");
    switch (fs.negCurrFormat) {
    case 1: return m + c + number;
    case 2: return c + m + number;
    case 3: return c + number + m;
    case 4: return QLatin1Char('(') + number + c + QLatin1Char(')');
    case 5: return m + number + c;
    case 6: return number + m + c;
    case 7: return number + c + m;
    case 8: return m + number + QLatin1Char(' ') + c;
    case 9: return m + c + QLatin1Char(' ') + number;
    case 10: return number + QLatin1Char(' ') + c + m;
    case 11: return c + QLatin1Char(' ') + number + m;
    case 12: return c + QLatin1Char(' ') + m + number;
    case 13: return number + m + QLatin1Char(' ') + c;
    case 14: return QLatin1Char('(') + c + QLatin1Char(' ') + number + QLatin1Char(')');
    case 15: return QLatin1Char('(') + number + QLatin1Char(' ') + c + QLatin1Char(')');
    default: return QLatin1Char('(') + c + number + QLatin1Char(')');
    }
}

QString exponentText(double value, int precision, int digits, const TfrFormatSettings &fs)
{
    TfrDecimal d = decimal18(value);
    roundAt(d, precision);
    QString out;
    if (d.negative && d.count != 0)
        out += QLatin1Char('-');
    out += d.count > 0 ? QLatin1Char(d.digits[0]) : QLatin1Char('0');
    if (precision > 1) {
        out += fs.decimalSeparator;
        for (int i = 1; i < precision; ++i)
            out += i < d.count ? QLatin1Char(d.digits[i]) : QLatin1Char('0');
    }
    const int e = d.count == 0 ? 0 : d.exponent - 1;
    out += QLatin1Char('E');
    out += e < 0 ? QLatin1Char('-') : QLatin1Char('+');
    out += QStringLiteral("%1").arg(std::abs(e), digits, 10, QLatin1Char('0'));
    return out;
}

} // namespace

QString frFloatToStrF(double value, TFloatFormat format, int precision, int digits, const TfrFormatSettings &fs)
{
    if (!std::isfinite(value))
        return specialText(value);
    precision = qBound(1, precision, 18);
    switch (format) {
    case ffGeneral:
        return generalText(value, precision, fs, qBound(0, digits, 4));
    case ffExponent:
        return exponentText(value, precision, qBound(0, digits, 4), fs);
    case ffFixed:
    case ffNumber:
    case ffCurrency:
        break;
    }
    digits = qBound(0, digits, 18);
    TfrDecimal d = decimal18(std::fabs(value));
    if (d.exponent > precision)
        return generalText(value, precision, fs);
    roundAt(d, qMin(precision, d.exponent + digits));
    QString intPart;
    if (d.exponent <= 0) {
        intPart = QStringLiteral("0");
    } else {
        intPart.reserve(d.exponent);
        for (int i = 0; i < d.exponent; ++i)
            intPart += i < d.count ? QLatin1Char(d.digits[i]) : QLatin1Char('0');
    }
    if (format != ffFixed)
        intPart = groupThousands(intPart, fs.thousandSeparator);
    QString number = intPart;
    if (digits > 0) {
        number += fs.decimalSeparator;
        for (int j = 0; j < digits; ++j) {
            const int index = d.exponent + j;
            number += index >= 0 && index < d.count ? QLatin1Char(d.digits[index]) : QLatin1Char('0');
        }
    }
    const bool negative = value < 0 && d.count != 0;
    if (format == ffCurrency)
        return currencyLayout(number, negative, fs);
    return negative ? QLatin1Char('-') + number : number;
}
