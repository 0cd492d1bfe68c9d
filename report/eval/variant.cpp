#include "report/eval/variant.h"

#include <cmath>
#include <limits>

#include "report/eval/date_format.h"
#include "report/eval/number_format.h"

namespace {

// Round half to even, as the floating-point unit converts reals to integers.
double roundHalfEven(double v)
{
    const double r = std::round(v); // half away from zero
    if (std::fabs(v - std::trunc(v)) == 0.5)
        return 2.0 * std::round(v / 2.0);
    return r;
}

template <typename T>
T realToOrdinal(double v, TfrVariant::Kind from, TfrVariant::Kind to)
{
    const double r = roundHalfEven(v);
    // The upper bound of qint64 is not exact as a double: compare against 2^63.
    constexpr double lo = double(std::numeric_limits<T>::min());
    constexpr double hi = -double(std::numeric_limits<T>::min());
    if (!(r >= lo && r < hi))
        frVariantOverflowError(from, to);
    return T(r);
}

bool stringToReal(const QString &s, double &v) { return frTryStrToFloat(s, v); }

} // namespace

void frVariantCastError(TfrVariant::Kind from, TfrVariant::Kind to)
{
    throw EVariantError(QStringLiteral("Could not convert variant of type (%1) into type (%2)")
                            .arg(QLatin1String(TfrVariant::kindName(from)), QLatin1String(TfrVariant::kindName(to))));
}

void frVariantOverflowError(TfrVariant::Kind from, TfrVariant::Kind to)
{
    throw EVariantError(QStringLiteral("Overflow while converting variant of type (%1) into type (%2)")
                            .arg(QLatin1String(TfrVariant::kindName(from)), QLatin1String(TfrVariant::kindName(to))));
}

void frInvalidVariantOperation() { throw EVariantError(QStringLiteral("Invalid variant operation")); }

TfrCurrency TfrCurrency::fromDouble(double v)
{
    // The product in extended precision keeps values like 0.00015 on the right side of the half.
    const long double scaled = static_cast<long double>(v) * 10000.0L;
    constexpr long double limit = 9223372036854775807.0L;
    if (!(scaled > -limit && scaled < limit))
        frVariantOverflowError(TfrVariant::vkDouble, TfrVariant::vkCurrency);
    return TfrCurrency{static_cast<qint64>(std::llroundl(scaled))};
}

const char *TfrVariant::kindName(Kind k)
{
    switch (k) {
    case vkEmpty: return "Empty";
    case vkNull: return "Null";
    case vkBoolean: return "Boolean";
    case vkShortInt: return "ShortInt";
    case vkSmallInt: return "Smallint";
    case vkInteger: return "Integer";
    case vkInt64: return "Int64";
    case vkDouble: return "Double";
    case vkCurrency: return "Currency";
    case vkDate: return "Date";
    case vkString: return "String";
    }
    return "Unknown";
}

double TfrVariant::toReal() const
{
    switch (m_kind) {
    case vkEmpty: return 0.0;
    case vkNull: frVariantCastError(vkNull, vkDouble);
    case vkBoolean: return m_u.b ? -1.0 : 0.0;
    case vkShortInt:
    case vkSmallInt:
    case vkInteger: return double(m_u.i);
    case vkInt64: return double(m_u.i64);
    case vkDouble:
    case vkDate: return m_u.d;
    case vkCurrency: return rawCurrency().toDouble();
    case vkString: {
        double v;
        if (!stringToReal(m_s, v))
            frVariantCastError(vkString, vkDouble);
        return v;
    }
    }
    frInvalidVariantOperation();
}

qint32 TfrVariant::toInteger() const
{
    switch (m_kind) {
    case vkEmpty: return 0;
    case vkNull: frVariantCastError(vkNull, vkInteger);
    case vkBoolean: return m_u.b ? -1 : 0;
    case vkShortInt:
    case vkSmallInt:
    case vkInteger: return m_u.i;
    case vkInt64:
        if (m_u.i64 < std::numeric_limits<qint32>::min() || m_u.i64 > std::numeric_limits<qint32>::max())
            frVariantOverflowError(vkInt64, vkInteger);
        return qint32(m_u.i64);
    case vkDouble:
    case vkDate: return realToOrdinal<qint32>(m_u.d, m_kind, vkInteger);
    case vkCurrency: return realToOrdinal<qint32>(double(m_u.i64) / 10000.0, vkCurrency, vkInteger);
    case vkString: {
        qint32 i;
        if (frTryStrToInt(m_s, i))
            return i;
        double v;
        if (!stringToReal(m_s, v))
            frVariantCastError(vkString, vkInteger);
        return realToOrdinal<qint32>(v, vkString, vkInteger);
    }
    }
    frInvalidVariantOperation();
}

qint64 TfrVariant::toInt64() const
{
    switch (m_kind) {
    case vkEmpty: return 0;
    case vkNull: frVariantCastError(vkNull, vkInt64);
    case vkBoolean: return m_u.b ? -1 : 0;
    case vkShortInt:
    case vkSmallInt:
    case vkInteger: return m_u.i;
    case vkInt64: return m_u.i64;
    case vkDouble:
    case vkDate: return realToOrdinal<qint64>(m_u.d, m_kind, vkInt64);
    case vkCurrency: {
        // Exact on the scaled integer: half to even on the 4 decimals.
        const qint64 q = m_u.i64 / 10000;
        const qint64 r = m_u.i64 % 10000;
        if (r > 5000 || (r == 5000 && (q & 1)))
            return q + 1;
        if (r < -5000 || (r == -5000 && (q & 1)))
            return q - 1;
        return q;
    }
    case vkString: {
        qint64 i;
        if (frTryStrToInt64(m_s, i))
            return i;
        double v;
        if (!stringToReal(m_s, v))
            frVariantCastError(vkString, vkInt64);
        return realToOrdinal<qint64>(v, vkString, vkInt64);
    }
    }
    frInvalidVariantOperation();
}

bool TfrVariant::toBoolean() const
{
    switch (m_kind) {
    case vkEmpty: return false;
    case vkNull: frVariantCastError(vkNull, vkBoolean);
    case vkBoolean: return m_u.b;
    case vkShortInt:
    case vkSmallInt:
    case vkInteger: return m_u.i != 0;
    case vkInt64:
    case vkCurrency: return m_u.i64 != 0;
    case vkDouble:
    case vkDate: return m_u.d != 0;
    case vkString: {
        const QString t = m_s.trimmed();
        if (t.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0)
            return true;
        if (t.compare(QLatin1String("False"), Qt::CaseInsensitive) == 0)
            return false;
        double v;
        if (!stringToReal(m_s, v))
            frVariantCastError(vkString, vkBoolean);
        return v != 0;
    }
    }
    frInvalidVariantOperation();
}

double TfrVariant::toDateTime() const
{
    switch (m_kind) {
    case vkNull: frVariantCastError(vkNull, vkDate);
    case vkString: {
        double v;
        if (!frTryStrToDateTime(m_s, v))
            frVariantCastError(vkString, vkDate);
        return v;
    }
    default:
        return toReal();
    }
}

TfrCurrency TfrVariant::toCurrency() const
{
    // Largest whole amount a currency holds.
    constexpr qint64 maxUnits = std::numeric_limits<qint64>::max() / 10000;
    switch (m_kind) {
    case vkEmpty: return TfrCurrency{};
    case vkNull: frVariantCastError(vkNull, vkCurrency);
    case vkBoolean: return TfrCurrency{m_u.b ? -10000 : 0};
    case vkShortInt:
    case vkSmallInt:
    case vkInteger: return TfrCurrency{qint64(m_u.i) * 10000};
    case vkInt64:
        if (m_u.i64 > maxUnits || m_u.i64 < -maxUnits)
            frVariantOverflowError(vkInt64, vkCurrency);
        return TfrCurrency{m_u.i64 * 10000};
    case vkCurrency: return rawCurrency();
    case vkDouble:
    case vkDate:
        try {
            return TfrCurrency::fromDouble(m_u.d);
        } catch (const EVariantError &) {
            frVariantOverflowError(m_kind, vkCurrency);
        }
    case vkString: {
        double v;
        if (!stringToReal(m_s, v))
            frVariantCastError(vkString, vkCurrency);
        try {
            return TfrCurrency::fromDouble(v);
        } catch (const EVariantError &) {
            frVariantOverflowError(vkString, vkCurrency);
        }
    }
    }
    frInvalidVariantOperation();
}

QString TfrVariant::toString() const
{
    switch (m_kind) {
    case vkEmpty:
    case vkNull: return QString();
    case vkBoolean: return m_u.b ? QStringLiteral("True") : QStringLiteral("False");
    case vkShortInt:
    case vkSmallInt:
    case vkInteger: return QString::number(m_u.i);
    case vkInt64: return QString::number(m_u.i64);
    case vkDouble: return frFloatToStr(m_u.d);
    case vkCurrency: return frCurrToStr(m_u.i64);
    case vkDate: return frDateTimeToStr(m_u.d);
    case vkString: return m_s;
    }
    return QString();
}

bool TfrVariant::sameAs(const TfrVariant &o) const
{
    if (m_kind != o.m_kind)
        return false;
    switch (m_kind) {
    case vkEmpty:
    case vkNull: return true;
    case vkBoolean: return m_u.b == o.m_u.b;
    case vkShortInt:
    case vkSmallInt:
    case vkInteger: return m_u.i == o.m_u.i;
    case vkInt64:
    case vkCurrency: return m_u.i64 == o.m_u.i64;
    case vkDouble:
    case vkDate: return m_u.d == o.m_u.d || (std::isnan(m_u.d) && std::isnan(o.m_u.d));
    case vkString: return m_s == o.m_s;
    }
    return false;
}
