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

QString generalText(double value, int precision, const TfrFormatSettings &fs)
{
    if (std::isnan(value))
        return QStringLiteral("NAN");
    if (std::isinf(value))
        return value < 0 ? QStringLiteral("-INF") : QStringLiteral("INF");
    const TfrDecimal d = toDecimal(value, precision);
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
    out += QString::number(d.exponent - 1);
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
