#include "report/eval/variant_ops.h"

#include "report/eval/codec.h"

#include <QtNumeric>
#include <cmath>
#include <limits>

namespace {

enum class Op { Add, Sub, Mul, Div, Mod, And, Or };

[[noreturn]] void invalidOperation()
{
    frInvalidVariantOperation();
}

// What an empty operand becomes next to a value of another kind.
TfrVariant zeroLike(const TfrVariant &v)
{
    switch (v.kind()) {
    case TfrVariant::vkBoolean: return TfrVariant(false);
    case TfrVariant::vkInt64: return TfrVariant(qint64(0));
    case TfrVariant::vkDouble: return TfrVariant(0.0);
    case TfrVariant::vkCurrency: return TfrVariant(TfrCurrency{});
    case TfrVariant::vkDate: return TfrVariant::fromDateTime(0.0);
    case TfrVariant::vkString: return TfrVariant(QString());
    default: return TfrVariant(0);
    }
}

TfrVariant realOp(Op op, double x, double y)
{
    switch (op) {
    case Op::Add: return TfrVariant(x + y);
    case Op::Sub: return TfrVariant(x - y);
    case Op::Mul: return TfrVariant(x * y);
    case Op::Div: return y == 0 ? TfrVariant(0) : TfrVariant(x / y);
    default: break;
    }
    return TfrVariant();
}

// MOD, AND, OR on 64-bit values; the caller picks the width of the result.
qint64 ordinalOp(Op op, qint64 x, qint64 y)
{
    switch (op) {
    case Op::Mod:
        if (y == 0)
            throw EDivByZero(QStringLiteral("Division by zero"));
        if (y == -1)
            return 0; // also keeps INT64_MIN % -1 defined
        return x % y;
    case Op::And: return x & y;
    case Op::Or: return x | y;
    default: break;
    }
    return 0;
}

bool isLogic(Op op) { return op == Op::And || op == Op::Or; }
bool isOrdinalOp(Op op) { return op == Op::Mod || op == Op::And || op == Op::Or; }

TfrVariant logicOp(Op op, bool x, bool y)
{
    return TfrVariant(op == Op::And ? (x && y) : (x || y));
}

// MOD, AND, OR after converting both operands to integers.
TfrVariant integerOp(Op op, const TfrVariant &a, const TfrVariant &b)
{
    if (a.isInt64() || b.isInt64())
        return TfrVariant(ordinalOp(op, a.toInt64(), b.toInt64()));
    return TfrVariant(qint32(ordinalOp(op, a.toInteger(), b.toInteger())));
}

TfrVariant int32Op(Op op, qint32 x, qint32 y)
{
    if (isOrdinalOp(op))
        return TfrVariant(qint32(ordinalOp(op, x, y)));
    if (op == Op::Div)
        return realOp(op, x, y);
    qint64 r = 0;
    switch (op) {
    case Op::Add: r = qint64(x) + y; break;
    case Op::Sub: r = qint64(x) - y; break;
    default: r = qint64(x) * y; break;
    }
    if (r < std::numeric_limits<qint32>::min() || r > std::numeric_limits<qint32>::max())
        return TfrVariant(double(r));
    return TfrVariant(qint32(r));
}

TfrVariant int64Op(Op op, qint64 x, qint64 y)
{
    if (isOrdinalOp(op))
        return TfrVariant(ordinalOp(op, x, y));
    if (op == Op::Div)
        return realOp(op, double(x), double(y));
    qint64 r = 0;
    bool overflow = false;
    switch (op) {
    case Op::Add: overflow = qAddOverflow(x, y, &r); break;
    case Op::Sub: overflow = qSubOverflow(x, y, &r); break;
    default: overflow = qMulOverflow(x, y, &r); break;
    }
    if (overflow)
        return realOp(op, double(x), double(y));
    return TfrVariant(r);
}

// Currency keeps 4 decimals exactly; what does not fit becomes a real.
TfrVariant currencyOp(Op op, const TfrVariant &a, const TfrVariant &b)
{
    if (isOrdinalOp(op))
        return integerOp(op, a, b);
    if (op == Op::Div)
        return realOp(op, a.toReal(), b.toReal());
    auto scaledOf = [](const TfrVariant &v, qint64 &out) {
        if (v.isCurrency()) {
            out = v.rawCurrency().scaled;
            return true;
        }
        return !qMulOverflow(v.toInt64(), qint64(10000), &out);
    };
    qint64 x = 0, y = 0, r = 0;
    if (!scaledOf(a, x) || !scaledOf(b, y))
        return realOp(op, a.toReal(), b.toReal());
    bool overflow = false;
    switch (op) {
    case Op::Add: overflow = qAddOverflow(x, y, &r); break;
    case Op::Sub: overflow = qSubOverflow(x, y, &r); break;
    default:
        overflow = qMulOverflow(x, y, &r);
        if (!overflow) {
            // Back to 4 decimals, halves away from zero.
            const qint64 q = r / 10000, rest = r % 10000;
            r = q + (rest >= 5000 ? 1 : rest <= -5000 ? -1 : 0);
        }
        break;
    }
    if (overflow)
        return realOp(op, a.toReal(), b.toReal());
    return TfrVariant(TfrCurrency::fromScaled(r));
}

TfrVariant dateOp(Op op, const TfrVariant &a, const TfrVariant &b)
{
    if (isOrdinalOp(op))
        return integerOp(op, a, b);
    const double x = a.toDateTime(), y = b.toDateTime();
    switch (op) {
    case Op::Add: return TfrVariant::fromDateTime(x + y);
    case Op::Sub:
        if (a.isDateTime() && b.isDateTime())
            return TfrVariant(x - y);
        return TfrVariant::fromDateTime(x - y);
    default: return realOp(op, x, y);
    }
}

TfrVariant arith(Op op, const TfrVariant &a0, const TfrVariant &b0)
{
    // The common case of the expression language: number literals are reals.
    if (a0.isReal() && b0.isReal() && !isOrdinalOp(op))
        return realOp(op, a0.rawDouble(), b0.rawDouble());
    if (a0.isNull() || b0.isNull())
        invalidOperation();
    if (a0.isEmpty() && b0.isEmpty())
        return TfrVariant();

    TfrVariant zero;
    const TfrVariant *pa = &a0, *pb = &b0;
    if (a0.isEmpty()) {
        zero = zeroLike(b0);
        pa = &zero;
    } else if (b0.isEmpty()) {
        zero = zeroLike(a0);
        pb = &zero;
    }
    const TfrVariant &a = *pa, &b = *pb;

    if (a.isString() && b.isString()) {
        if (op == Op::Add)
            return TfrVariant(a.rawString() + b.rawString());
        if (isOrdinalOp(op))
            return integerOp(op, a, b);
        return realOp(op, a.toReal(), b.toReal());
    }
    if (a.isDateTime() || b.isDateTime())
        return dateOp(op, a, b);
    if (a.isString() || b.isString() || a.isBoolean() || b.isBoolean()) {
        const bool bothLogical = (a.isBoolean() || a.isString()) && (b.isBoolean() || b.isString());
        if (isLogic(op) && bothLogical)
            return logicOp(op, a.toBoolean(), b.toBoolean());
        if (isOrdinalOp(op))
            return integerOp(op, a, b);
        return realOp(op, a.toReal(), b.toReal());
    }
    if (a.isReal() || b.isReal()) {
        if (isOrdinalOp(op))
            return integerOp(op, a, b);
        return realOp(op, a.toReal(), b.toReal());
    }
    if (a.isCurrency() || b.isCurrency())
        return currencyOp(op, a, b);
    if (a.isInt64() || b.isInt64())
        return int64Op(op, a.toInt64(), b.toInt64());
    if (a.isInteger() && b.isInteger())
        return int32Op(op, a.rawInt(), b.rawInt());
    invalidOperation();
}

int orderOf(double x, double y)
{
    if (x < y)
        return -1;
    if (x > y)
        return 1;
    if (x == y)
        return 0;
    return 2; // not a number: unordered
}

template <class T> int orderOf(T x, T y)
{
    return x < y ? -1 : (x > y ? 1 : 0);
}

// -1, 0, 1, or 2 when unordered; neither operand is null.
int compareOrder(const TfrVariant &a, const TfrVariant &b)
{
    if (a.isReal() && b.isReal())
        return orderOf(a.rawDouble(), b.rawDouble());
    if (a.isEmpty() || b.isEmpty())
        return a.isEmpty() ? (b.isEmpty() ? 0 : -1) : 1;
    if (a.isString() && b.isString())
        return frCompareCp1251(a.rawString(), b.rawString());
    if (a.isDateTime() || b.isDateTime())
        return orderOf(a.toDateTime(), b.toDateTime());
    if ((a.isString() && b.isBoolean()) || (a.isBoolean() && b.isString()) ||
        (a.isBoolean() && b.isBoolean()))
        return orderOf(int(a.toBoolean()), int(b.toBoolean()));
    if (a.isString() || b.isString() || a.isBoolean() || b.isBoolean() || a.isReal() || b.isReal())
        return orderOf(a.toReal(), b.toReal());
    if (a.isCurrency() || b.isCurrency()) {
        if (a.isInt64() || b.isInt64())
            return orderOf(a.toReal(), b.toReal());
        auto scaled = [](const TfrVariant &v) {
            return v.isCurrency() ? v.rawCurrency().scaled : qint64(v.rawInt()) * 10000;
        };
        return orderOf(scaled(a), scaled(b));
    }
    if (a.isInt64() || b.isInt64())
        return orderOf(a.toInt64(), b.toInt64());
    return orderOf(a.rawInt(), b.rawInt());
}

} // namespace

TfrVariant frVarAdd(const TfrVariant &a, const TfrVariant &b) { return arith(Op::Add, a, b); }
TfrVariant frVarSub(const TfrVariant &a, const TfrVariant &b) { return arith(Op::Sub, a, b); }
TfrVariant frVarMul(const TfrVariant &a, const TfrVariant &b) { return arith(Op::Mul, a, b); }
TfrVariant frVarMod(const TfrVariant &a, const TfrVariant &b) { return arith(Op::Mod, a, b); }
TfrVariant frVarAnd(const TfrVariant &a, const TfrVariant &b) { return arith(Op::And, a, b); }
TfrVariant frVarOr(const TfrVariant &a, const TfrVariant &b) { return arith(Op::Or, a, b); }

TfrVariant frVarDiv(const TfrVariant &a, const TfrVariant &b)
{
    if (b.isReal() && b.rawDouble() == 0)
        return TfrVariant(0);
    if (!b.isReal() && frVarEquals(b, TfrVariant(0)))
        return TfrVariant(0);
    return arith(Op::Div, a, b);
}

TfrVariant frVarNeg(const TfrVariant &a)
{
    switch (a.kind()) {
    case TfrVariant::vkEmpty: return TfrVariant();
    case TfrVariant::vkNull: invalidOperation();
    case TfrVariant::vkShortInt:
    case TfrVariant::vkSmallInt:
    case TfrVariant::vkInteger:
        if (a.rawInt() == std::numeric_limits<qint32>::min())
            return TfrVariant(-double(a.rawInt()));
        return TfrVariant(qint32(-a.rawInt()));
    case TfrVariant::vkInt64:
        if (a.rawInt64() == std::numeric_limits<qint64>::min())
            return TfrVariant(-double(a.rawInt64()));
        return TfrVariant(qint64(-a.rawInt64()));
    case TfrVariant::vkCurrency:
        if (a.rawCurrency().scaled == std::numeric_limits<qint64>::min())
            return TfrVariant(-a.rawCurrency().toDouble());
        return TfrVariant(TfrCurrency::fromScaled(-a.rawCurrency().scaled));
    case TfrVariant::vkDate: return TfrVariant::fromDateTime(-a.rawDouble());
    case TfrVariant::vkDouble: return TfrVariant(-a.rawDouble());
    default: return TfrVariant(-a.toReal());
    }
}

bool frVarCompare(const TfrVariant &a, const TfrVariant &b, TfrCompareOp op)
{
    if (a.isNull() || b.isNull()) {
        const bool both = a.isNull() && b.isNull();
        if (op == TfrCompareOp::Equal)
            return both;
        if (op == TfrCompareOp::NotEqual)
            return !both;
        invalidOperation();
    }
    const int r = compareOrder(a, b);
    switch (op) {
    case TfrCompareOp::Less: return r == -1;
    case TfrCompareOp::LessEqual: return r == -1 || r == 0;
    case TfrCompareOp::Equal: return r == 0;
    case TfrCompareOp::NotEqual: return r != 0;
    case TfrCompareOp::GreaterEqual: return r == 1 || r == 0;
    case TfrCompareOp::Greater: return r == 1;
    }
    return false;
}
