// The value rules of the expression language over every pair of kinds.
#include <gtest/gtest.h>

#include <limits>
#include <vector>

#include "report/eval/format_settings.h"
#include "report/eval/variant_ops.h"

namespace {

TfrVariant I(int v) { return TfrVariant(v); }
TfrVariant L(qint64 v) { return TfrVariant(v); }
TfrVariant R(double v) { return TfrVariant(v); }
TfrVariant S(const char *v) { return TfrVariant(v); }
TfrVariant B(bool v) { return TfrVariant(v); }
TfrVariant D(double v) { return TfrVariant::fromDateTime(v); }
TfrVariant C(double v) { return TfrVariant(TfrCurrency::fromScaled(qint64(v * 10000))); }
const TfrVariant E;
const TfrVariant N = TfrVariant::null();

QString describe(const TfrVariant &v)
{
    return QStringLiteral("%1(%2)").arg(QLatin1String(TfrVariant::kindName(v.kind())), v.toString());
}

const char *kNullOp = "Invalid variant operation";
const char *kStrToReal = "Could not convert variant of type (String) into type (Double)";

struct ArithRow {
    char op; // + - * / % (MOD) & (AND) | (OR)
    TfrVariant a, b;
    TfrVariant expected;
    const char *error = nullptr;
};

TfrVariant apply(char op, const TfrVariant &a, const TfrVariant &b)
{
    switch (op) {
    case '+': return frVarAdd(a, b);
    case '-': return frVarSub(a, b);
    case '*': return frVarMul(a, b);
    case '/': return frVarDiv(a, b);
    case '%': return frVarMod(a, b);
    case '&': return frVarAnd(a, b);
    default: return frVarOr(a, b);
    }
}

class ValueRules : public ::testing::Test {
protected:
    TfrFormatSettingsScope locale{TfrFormatSettings::russian()};
};

TEST_F(ValueRules, ArithmeticOverEveryPairOfKinds)
{
    constexpr int kMax = std::numeric_limits<int>::max(), kMin = std::numeric_limits<int>::min();
    const std::vector<ArithRow> rows = {
        // null is never an operand
        {'+', N, I(1), {}, kNullOp}, {'-', I(1), N, {}, kNullOp}, {'*', N, N, {}, kNullOp},
        {'/', N, I(2), {}, kNullOp}, {'%', N, I(2), {}, kNullOp}, {'&', S("1"), N, {}, kNullOp},
        {'|', N, B(true), {}, kNullOp}, {'+', N, E, {}, kNullOp},
        // ...but a zero divisor is looked at first
        {'/', N, I(0), I(0)},
        // empty
        {'+', E, E, E}, {'-', E, E, E}, {'*', E, E, E}, {'/', E, E, E}, {'%', E, E, E},
        {'&', E, E, E}, {'|', E, E, E},
        {'+', E, I(5), I(5)}, {'-', E, I(5), I(-5)}, {'-', I(5), E, I(5)}, {'*', E, R(2), R(0)},
        {'+', E, S("ab"), S("ab")}, {'+', E, D(10), D(10)}, {'+', E, L(3), L(3)},
        {'+', E, B(true), R(-1)}, {'/', I(7), E, I(0)}, {'|', E, I(6), I(6)},
        // string and string
        {'+', S("a"), S("b"), S("ab")}, {'-', S("7"), S("2"), R(5)}, {'*', S("6"), S("2"), R(12)},
        {'/', S("7"), S("2"), R(3.5)}, {'%', S("7"), S("3"), I(1)}, {'&', S("6"), S("3"), I(2)},
        {'|', S("6"), S("3"), I(7)}, {'-', S("abc"), S("x"), {}, kStrToReal},
        {'+', S("1"), S("2"), S("12")},
        // string and a number
        {'+', S("2"), I(3), R(5)}, {'+', I(3), S("2,5"), R(5.5)}, {'-', S("2"), R(0.5), R(1.5)},
        {'%', I(7), S("4"), I(3)}, {'&', S("6"), I(3), I(2)}, {'+', S("abc"), I(1), {}, kStrToReal},
        // string and boolean
        {'+', S("1"), B(true), R(0)}, {'&', S("True"), B(true), B(true)},
        {'|', S("False"), B(false), B(false)}, {'|', B(false), S("1"), B(true)},
        {'%', S("7"), B(true), I(0)},
        // integer and integer
        {'+', I(2), I(3), I(5)}, {'+', I(kMax), I(1), R(2147483648.0)}, {'-', I(5), I(7), I(-2)},
        {'-', I(kMin), I(1), R(-2147483649.0)}, {'*', I(65536), I(65536), R(4294967296.0)},
        {'*', I(-3), I(4), I(-12)}, {'/', I(7), I(2), R(3.5)}, {'/', I(6), I(3), R(2)},
        {'%', I(-7), I(3), I(-1)}, {'%', I(7), I(-3), I(1)}, {'&', I(6), I(3), I(2)},
        {'|', I(6), I(3), I(7)}, {'%', I(kMin), I(-1), I(0)},
        {'+', TfrVariant::fromSmallInt(300), TfrVariant::fromShortInt(5), I(305)},
        // 64-bit integers
        {'+', L(5), I(3), L(8)}, {'+', L(std::numeric_limits<qint64>::max()), L(1), R(9223372036854775808.0)},
        {'%', L(7), L(3), L(1)}, {'/', L(10), I(4), R(2.5)}, {'*', L(qint64(1) << 40), I(2), L(qint64(1) << 41)},
        // real and any number
        {'+', R(1.5), I(1), R(2.5)}, {'*', L(3), R(0.5), R(1.5)}, {'+', C(1.5), R(1), R(2.5)},
        {'%', R(7.5), I(3), I(2)}, {'%', R(2.5), I(2), I(0)}, {'&', R(3.5), I(7), I(4)},
        // currency
        {'+', C(1.5), I(2), C(3.5)}, {'-', C(1.5), C(0.25), C(1.25)}, {'*', C(1.5), C(2), C(3)},
        {'/', C(1), I(4), R(0.25)}, {'%', C(2.5), I(2), I(0)},
        // date-time and anything
        {'+', D(100), I(1), D(101)}, {'+', I(1), D(100), D(101)}, {'+', D(100), R(0.5), D(100.5)},
        {'-', D(100), I(1), D(99)}, {'-', D(100), D(40), R(60)}, {'*', D(10), I(2), R(20)},
        {'/', D(10), I(4), R(2.5)}, {'%', D(10.5), I(3), I(1)}, {'+', D(100), S("01.01.1900"), D(102)},
        // boolean and boolean, boolean and a number
        {'+', B(true), B(true), R(-2)}, {'&', B(true), B(false), B(false)},
        {'|', B(true), B(false), B(true)}, {'%', B(true), B(true), I(0)},
        {'+', B(true), I(1), R(0)}, {'&', B(true), I(1), I(1)},
        // "/" by zero yields the integer 0, MOD by zero is an error
        {'/', R(7), R(0), I(0)}, {'/', I(7), I(0), I(0)}, {'/', S("7"), S("0"), I(0)},
        {'/', R(7), B(false), I(0)}, {'%', I(7), I(0), {}, "Division by zero"},
        {'%', R(7), R(0.4), {}, "Division by zero"},
    };
    for (const ArithRow &row : rows) {
        const QString name = describe(row.a) + u' ' + QLatin1Char(row.op) + u' ' + describe(row.b);
        try {
            const TfrVariant result = apply(row.op, row.a, row.b);
            EXPECT_EQ(row.error, nullptr) << qPrintable(name) << " gave " << qPrintable(describe(result));
            EXPECT_TRUE(result.sameAs(row.expected))
                << qPrintable(name) << " gave " << qPrintable(describe(result)) << ", expected "
                << qPrintable(describe(row.expected));
        } catch (const EfrError &e) {
            EXPECT_STREQ(e.what(), row.error ? row.error : "(no error)") << qPrintable(name);
        }
    }
}

// Expected order of a against b: -1, 0, 1; for null rows the result of = and <>, the
// ordering comparisons raising.
struct CompareRow {
    TfrVariant a, b;
    int order;
};

TEST_F(ValueRules, ComparisonsOverEveryPairOfKinds)
{
    const std::vector<CompareRow> rows = {
        {E, E, 0}, {E, I(0), -1}, {I(0), E, 1}, {E, S(""), -1}, {E, B(false), -1}, {E, D(0), -1},
        // byte-wise on Windows-1251 codes: case matters, Cyrillic follows its code page
        {S("abc"), S("ABC"), 1}, {S("a"), S("B"), 1}, {S("a"), S("b"), -1}, {S("ab"), S("a"), 1},
        {S(""), S(""), 0}, {S("ё"), S("ж"), -1}, {S("Я"), S("а"), -1}, {S("Z"), S("А"), -1},
        {S("Ё"), S("Б"), -1},
        // a string and a number compare as reals, not as text
        {S("10"), I(9), 1}, {I(9), S("10"), -1}, {S("2,5"), R(2.5), 0},
        // a string and a boolean compare as booleans
        {S("True"), B(true), 0}, {S("0"), B(true), -1}, {B(true), S("false"), 1},
        {I(2), I(3), -1}, {I(3), I(3), 0}, {L(5), I(5), 0}, {L(qint64(1) << 40), L(1), 1},
        {R(2.5), I(2), 1}, {R(1), C(1), 0}, {C(1.5), C(1.5), 0}, {C(1.5), I(1), 1},
        {D(10), I(10), 0}, {D(10), S("09.01.1900"), 0}, {D(10.5), R(10), 1},
        {B(false), B(true), -1}, {B(true), B(true), 0}, {B(true), I(-1), 0},
    };
    for (const CompareRow &row : rows) {
        const QString name = describe(row.a) + QStringLiteral(" vs ") + describe(row.b);
        try {
            EXPECT_EQ(frVarCompare(row.a, row.b, TfrCompareOp::Less), row.order < 0) << qPrintable(name);
            EXPECT_EQ(frVarCompare(row.a, row.b, TfrCompareOp::LessEqual), row.order <= 0) << qPrintable(name);
            EXPECT_EQ(frVarCompare(row.a, row.b, TfrCompareOp::Equal), row.order == 0) << qPrintable(name);
            EXPECT_EQ(frVarCompare(row.a, row.b, TfrCompareOp::NotEqual), row.order != 0) << qPrintable(name);
            EXPECT_EQ(frVarCompare(row.a, row.b, TfrCompareOp::GreaterEqual), row.order >= 0) << qPrintable(name);
            EXPECT_EQ(frVarCompare(row.a, row.b, TfrCompareOp::Greater), row.order > 0) << qPrintable(name);
        } catch (const EfrError &e) {
            ADD_FAILURE() << qPrintable(name) << " raised " << e.what();
        }
    }
}

TEST_F(ValueRules, NullIsEqualOnlyToNullAndCannotBeOrdered)
{
    for (const TfrVariant &other : {N, E, I(0), S(""), B(false)}) {
        const bool both = other.isNull();
        const QString name = describe(other);
        EXPECT_EQ(frVarCompare(N, other, TfrCompareOp::Equal), both) << qPrintable(name);
        EXPECT_EQ(frVarCompare(other, N, TfrCompareOp::NotEqual), !both) << qPrintable(name);
        for (TfrCompareOp op : {TfrCompareOp::Less, TfrCompareOp::LessEqual, TfrCompareOp::GreaterEqual,
                                TfrCompareOp::Greater}) {
            try {
                frVarCompare(N, other, op);
                ADD_FAILURE() << "ordering null against " << qPrintable(name) << " did not raise";
            } catch (const EVariantError &e) {
                EXPECT_STREQ(e.what(), kNullOp);
            }
        }
    }
}

TEST_F(ValueRules, TextThatIsNoNumberCannotBeComparedWithANumber)
{
    EXPECT_THROW(frVarCompare(S("abc"), I(1), TfrCompareOp::Equal), EVariantError);
    EXPECT_THROW(frVarCompare(S("maybe"), B(true), TfrCompareOp::Equal), EVariantError);
}

TEST_F(ValueRules, Negation)
{
    const std::vector<std::pair<TfrVariant, TfrVariant>> rows = {
        {I(5), I(-5)}, {I(std::numeric_limits<int>::min()), R(2147483648.0)}, {R(1.5), R(-1.5)},
        {L(7), L(-7)}, {C(1.25), C(-1.25)}, {D(5), D(-5)}, {E, E}, {S("2"), R(-2)}, {B(true), R(1)},
    };
    for (const auto &[value, expected] : rows) {
        const TfrVariant result = frVarNeg(value);
        EXPECT_TRUE(result.sameAs(expected)) << "-" << qPrintable(describe(value)) << " gave "
                                             << qPrintable(describe(result));
    }
    EXPECT_THROW(frVarNeg(N), EVariantError);
}

} // namespace
