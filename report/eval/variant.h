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
    // Rounds half away from zero to 4 decimals; out of range (or NaN) raises
    // "Overflow while converting variant of type (Double) into type (Currency)".
    static TfrCurrency fromDouble(double v);
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

    // Conversions with the classic variant rules. Errors:
    //   null to anything                  EVariantError "Could not convert variant of type (Null) into type (T)"
    //   string that is not a T            EVariantError "Could not convert variant of type (String) into type (T)"
    //   value outside the range of T      EVariantError "Overflow while converting variant of type (K) into type (T)"
    // T and K are kindName() texts (Double, Integer, Int64, Boolean, Date, Currency).
    // Empty converts to 0 / 0 / false / 30.12.1899 / 0; boolean true is -1 as a number
    // (the classic word-boolean), false 0. Strings are read with the current format
    // settings: numbers by frTryStrToFloat (locale decimal separator, no thousands
    // separators, blanks around allowed), dates by frTryStrToDateTime. The text-level
    // functions frStrToFloat / frStrToInt raise the "'%s' is not a valid ..." texts
    // instead; the parser uses those for literals and COPY arguments.
    double toReal() const;
    // Reals, date-times and currency round half to even; a string is read as an integer
    // first, then as a real and rounded.
    qint32 toInteger() const;
    qint64 toInt64() const;
    // Numbers: non-zero; strings: "True"/"False" (any case) or a number (non-zero).
    bool toBoolean() const;
    double toDateTime() const;
    TfrCurrency toCurrency() const;
    // Text form, never raises: empty and null "", "True"/"False", integers in decimal,
    // reals by frFloatToStr (15 significant digits, locale decimal separator), currency
    // by frCurrToStr (up to 4 decimals), date-times by frDateTimeToStr (short date, then a
    // space and the long time unless midnight; a pure time, date part 0, shows the time
    // alone), strings as they are.
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

// The errors of the variant conversions, for the value operations built on them.
[[noreturn]] void frVariantCastError(TfrVariant::Kind from, TfrVariant::Kind to);
[[noreturn]] void frVariantOverflowError(TfrVariant::Kind from, TfrVariant::Kind to);
// "Invalid variant operation" (EVariantError).
[[noreturn]] void frInvalidVariantOperation();
