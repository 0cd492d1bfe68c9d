// The engine's variant value: every value in expressions, variables, data fields and
// formatting is one of these kinds. Not QVariant: the kinds, conversions and their error
// texts are those of the classic desktop runtime that stored templates and scripts expect.
#pragma once

#include <QString>
#include <cstdint>

#include "report/eval/errors.h"

// Currency: fixed point with 4 decimals, stored as value * 10000.
struct TfrCurrency {
    qint64 scaled = 0;
    static TfrCurrency fromScaled(qint64 v) { return TfrCurrency{v}; }
    static TfrCurrency fromDouble(double v); // rounds half away from zero to 4 decimals
    double toDouble() const { return double(scaled) / 10000.0; }
    friend bool operator==(TfrCurrency a, TfrCurrency b) { return a.scaled == b.scaled; }
};

class TfrVariant {
public:
    enum Kind : std::uint8_t {
        vkEmpty,
        vkNull,
        vkBoolean,
        vkShortInt, // 8 bits
        vkSmallInt, // 16 bits
        vkInteger,  // 32 bits
        vkInt64,
        vkDouble,
        vkCurrency,
        vkDate,     // days since 30 December 1899, time of day in the fraction
        vkString,
    };

    TfrVariant() = default;
    TfrVariant(bool v) : m_kind(vkBoolean) { m_u.b = v; }
    TfrVariant(int v) : m_kind(vkInteger) { m_u.i = v; }
    TfrVariant(qint64 v) : m_kind(vkInt64) { m_u.i64 = v; }
    TfrVariant(double v) : m_kind(vkDouble) { m_u.d = v; }
    TfrVariant(TfrCurrency v) : m_kind(vkCurrency) { m_u.i64 = v.scaled; }
    TfrVariant(const QString &v) : m_kind(vkString), m_s(v) {}
    TfrVariant(QString &&v) : m_kind(vkString), m_s(std::move(v)) {}
    TfrVariant(const char *utf8) : m_kind(vkString), m_s(QString::fromUtf8(utf8)) {}
    TfrVariant(long v) = delete; // ambiguous width: say int or qint64

    static TfrVariant null() { TfrVariant v; v.m_kind = vkNull; return v; }
    static TfrVariant fromShortInt(qint8 v) { TfrVariant r; r.m_kind = vkShortInt; r.m_u.i = v; return r; }
    static TfrVariant fromSmallInt(qint16 v) { TfrVariant r; r.m_kind = vkSmallInt; r.m_u.i = v; return r; }
    static TfrVariant fromDateTime(double v) { TfrVariant r; r.m_kind = vkDate; r.m_u.d = v; return r; }

    Kind kind() const { return m_kind; }
    bool isEmpty() const { return m_kind == vkEmpty; }
    bool isNull() const { return m_kind == vkNull; }
    bool isEmptyOrNull() const { return m_kind <= vkNull; }
    bool isBoolean() const { return m_kind == vkBoolean; }
    // Integer of any width up to 32 bits.
    bool isInteger() const { return m_kind >= vkShortInt && m_kind <= vkInteger; }
    bool isInt64() const { return m_kind == vkInt64; }
    bool isOrdinal() const { return m_kind >= vkShortInt && m_kind <= vkInt64; }
    bool isReal() const { return m_kind == vkDouble; }
    bool isCurrency() const { return m_kind == vkCurrency; }
    bool isDateTime() const { return m_kind == vkDate; }
    bool isString() const { return m_kind == vkString; }
    // Integer, 64-bit integer, real or currency (not date-time, not boolean).
    bool isNumeric() const { return m_kind >= vkShortInt && m_kind <= vkCurrency; }

    // Raw payloads; valid only for the matching kind.
    bool rawBool() const { return m_u.b; }
    qint32 rawInt() const { return m_u.i; }
    qint64 rawInt64() const { return m_u.i64; }
    double rawDouble() const { return m_u.d; }
    TfrCurrency rawCurrency() const { return TfrCurrency{m_u.i64}; }
    const QString &rawString() const { return m_s; }

    // Conversions with the classic rules and errors (EConvertError, EVariantError):
    // empty converts to 0 / "" / false, null raises "Could not convert variant of type (Null) ...",
    // strings are parsed by the current format settings.
    double toReal() const;
    qint32 toInteger() const;   // reals round half to even; out of range raises
    qint64 toInt64() const;
    bool toBoolean() const;     // numbers: non-zero; strings: "True"/"False" (any case) or a number
    double toDateTime() const;  // strings by the locale's date and time formats
    TfrCurrency toCurrency() const;
    // Text form: real with up to 15 significant digits in the locale's decimal separator,
    // "True"/"False", a date-time as short date plus the long time unless midnight,
    // empty and null as "". Never raises.
    QString toString() const;

    // Classic type names used in conversion errors: "Empty", "Null", "Boolean", "ShortInt",
    // "Smallint", "Integer", "Int64", "Double", "Currency", "Date", "String".
    static const char *kindName(Kind k);

    // Identity of kind and value (strings exactly); not the expression language's "=".
    bool sameAs(const TfrVariant &o) const;

private:
    Kind m_kind = vkEmpty;
    union {
        bool b;
        qint32 i;
        qint64 i64;
        double d;
    } m_u{};
    QString m_s;
};
