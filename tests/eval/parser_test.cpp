// The expression parser: translation to postfix, evaluation, handlers, scanning
// functions, the function splitter and the errors.
#include <gtest/gtest.h>

#include <QHash>
#include <vector>

#include "report/eval/format_settings.h"
#include "report/eval/number_format.h"
#include "report/eval/parser.h"

namespace {

// "\x05" in a C++ literal swallows the hex digits after it; tables write operator
// bytes as \xNN in raw strings instead.
QString unescape(const char *text)
{
    QString s = QString::fromUtf8(text);
    QString out;
    for (qsizetype k = 0; k < s.size(); ++k) {
        if (s[k] == u'\\' && k + 3 < s.size() && s[k + 1] == u'x') {
            out += QChar(char16_t(s.mid(k + 2, 2).toUShort(nullptr, 16)));
            k += 3;
        } else {
            out += s[k];
        }
    }
    return out;
}

QString escape(const QString &s)
{
    QString out;
    for (QChar c : s)
        out += c.unicode() < 0x20 ? QStringLiteral("\\x%1").arg(c.unicode(), 2, 16, QLatin1Char('0')) : QString(c);
    return out;
}

const char *kindText(const TfrVariant &v)
{
    switch (v.kind()) {
    case TfrVariant::vkEmpty: return "empty";
    case TfrVariant::vkNull: return "null";
    case TfrVariant::vkBoolean: return "boolean";
    case TfrVariant::vkInt64: return "int64";
    case TfrVariant::vkDouble: return "real";
    case TfrVariant::vkCurrency: return "currency";
    case TfrVariant::vkDate: return "datetime";
    case TfrVariant::vkString: return "string";
    default: return "integer";
    }
}

// Names and calls the handlers saw, and the values they answer.
struct Recorder {
    QStringList names;
    QStringList calls;
    QHash<QString, TfrVariant> values;
    QHash<QString, QString> expressions; // evaluated again, as report variables are
    TfrParser *parser = nullptr;

    void name(const QString &s, TfrVariant &v)
    {
        names.append(s);
        if (expressions.contains(s))
            v = parser->Calc(expressions.value(s));
        else if (values.contains(s))
            v = values.value(s);
    }
    void function(const QString &name, const TfrVariant &p1, const TfrVariant &p2, const TfrVariant &p3,
                  TfrVariant &v)
    {
        calls.append(name + u'|' + p1.toString() + u'|' + p2.toString() + u'|' + p3.toString());
        v = TfrVariant(QStringLiteral("fn"));
    }
};

class Parser : public ::testing::Test {
protected:
    void SetUp() override
    {
        recorder.parser = &parser;
        parser.NameHandler = TGetPValueEvent::bind<&Recorder::name>(&recorder);
        parser.FunctionHandler = TFunctionEvent::bind<&Recorder::function>(&recorder);
    }

    // "kind text" or "error: message", as frcalc prints it.
    QString result(const QString &expression)
    {
        try {
            const TfrVariant v = parser.Calc(expression);
            return QString::fromLatin1(kindText(v)) + u' ' + v.toString();
        } catch (const EfrError &e) {
            return QStringLiteral("error: ") + e.message();
        }
    }

    TfrFormatSettingsScope locale{TfrFormatSettings::russian()};
    TfrParser parser;
    Recorder recorder;
};

struct Row {
    const char *input;
    const char *expected;
};

TEST_F(Parser, TranslationWritesTheStoredPostfixBytes)
{
    const std::vector<Row> rows = {
        {"2 + 3 * 4", R"(2 3 4 *+)"},
        {"(2 + 3) * 4", R"(2 3 +4 *)"},
        {"(2 + 3) * 4 - 7 / 2", R"(2 3 +4 *7 2 /-)"},
        {"10 - 4 - 3", R"(10 4 -3 -)"},
        {"2 * 3 + 4", R"(2 3 *4 +)"},
        {"-2 * 3", R"(2 3 *\x09)"},
        {"+5", R"(5 \x0a)"},
        {"a >= 1", R"(a 1 \x01)"},
        {"a <= 1", R"(a 1 \x02)"},
        {"a <> 1", R"(a 1 \x03)"},
        {"a < 1", R"(a 1 <)"},
        {"a or b", R"(a b \x04)"},
        {"a AND b", R"(a b \x05)"},
        {"INT(x)", R"(x \x06)"},
        {"Frac(x)", R"(x \x07)"},
        {"STR(x)", R"(x \x0b)"},
        {"NOT x", R"(x \x0c)"},
        {"a mod b", R"(a b \x0d)"},
        {"ROUND(x)", R"(x \x0e)"},
        {"INT(2.5) * 2", R"(2.5 \x062 *)"},
        {"x mod 2 = 0", R"(x 2 \x0d0 =)"},
        // OR and AND bind tighter than comparisons
        {"a = 1 or b = 2", R"(a 1 b \x04=2 =)"},
        {"a >= 1 and b <> 2", R"(a 1 b \x05\x012 \x03)"},
        {"(a = 1) or (b = 2)", R"(a 1 =b 2 =\x04)"},
        // operands keep their source text
        {"'it''s' + x", R"('it''s' x +)"},
        {R"([Table1."Sum"] * 2)", R"([Table1."Sum"] 2 *)"},
        {R"(Table1."Sum total" > 0)", R"(Table1."Sum total" 0 >)"},
        {"Arr[2] + 1", R"(Arr[2] 1 +)"},
        {"PAGE# + 1", R"(PAGE# 1 +)"},
        {"1,5 + .5", R"(1,5 .5 +)"},
        {"COPY(s, 1, 3) + 'x'", R"(COPY(s, 1, 3)'x' +)"},
        {"IF(a > (1), 'x', 'y')", R"(IF(a > (1), 'x', 'y'))"},
        // carriage returns and spaces are dropped; ";" ends the expression
        {"a +\r\nb", R"(a b +)"},
        {"a + b ; c * d", R"(a b +)"},
        // other control characters start no operand, but a name takes them in
        {"\t(1) * 2", R"(1 2 *)"},
        {"a\t+ b", R"(a\x09 b +)"},
        // "%" takes the next character into the operand whatever it is
        {"%-x + 1", R"(%-x 1 +)"},
        {"", ""},
        // unbalanced parentheses: a lone ")" is ignored, a lone "(" stays
        {"1 + 2)", R"(1 2 +)"},
        {"(1 + 2", R"(1 2 +()"},
        // a prefix operator after a binary one moves it out too early
        {"a - -b", R"(a -b \x09)"},
        {"a * NOT b", R"(a *b \x0c)"},
    };
    for (const Row &row : rows) {
        const QString postfix = parser.Str2OPZ(QString::fromUtf8(row.input));
        EXPECT_EQ(postfix, unescape(row.expected))
            << row.input << " gave " << qPrintable(escape(postfix));
    }
}

TEST_F(Parser, OperatorPriorities)
{
    EXPECT_EQ(frOperatorPriority(TfrOperator::Int), 0);
    EXPECT_EQ(frOperatorPriority(TfrOperator::Not), 1);
    EXPECT_EQ(frOperatorPriority(TfrOperator::Mod), 1);
    EXPECT_EQ(frOperatorPriority(TfrOperator::Or), 1);
    EXPECT_EQ(frOperatorPriority('*'), 1);
    EXPECT_EQ(frOperatorPriority(TfrOperator::UnaryMinus), 2);
    EXPECT_EQ(frOperatorPriority('-'), 2);
    EXPECT_EQ(frOperatorPriority(TfrOperator::NotEqual), 3);
    EXPECT_EQ(frOperatorPriority('='), 3);
    EXPECT_EQ(frOperatorPriority('('), 5);
    EXPECT_EQ(frOperatorPriority(8), -1);
}

TEST_F(Parser, Evaluation)
{
    const std::vector<Row> rows = {
        {"2 + 3 * 4", "real 14"},
        {"(2 + 3) * 4", "real 20"},
        {"10 - 4 - 3", "real 3"},
        {"-2 * 3", "real -6"},
        {"-(2 + 3)", "real -5"},
        {"+5", "real 5"},
        {"2 + 12 / 4", "real 5"},
        {"7 / 0", "integer 0"},
        {"7 / 2", "real 3,5"},
        {"7 MOD 3", "integer 1"},
        {"1,5 + 1", "real 2,5"},
        {"1.5 + 1", "real 2,5"},
        {"1e3 + 1", "real 1001"},
        {"'It''s'", "string It's"},
        {"'a' + 'b'", "string ab"},
        {"'2' + 3", "real 5"},
        // comparisons give the integers 1 and 0, not booleans
        {"'abc' = 'ABC'", "integer 0"},
        {"'abc' = 'abc'", "integer 1"},
        {"5 > 3", "integer 1"},
        {"5 < 3", "integer 0"},
        {"3 >= 3", "integer 1"},
        {"3 <= 2", "integer 0"},
        {"3 <> 2", "integer 1"},
        {"1 = 1 or 1 = 2", "integer 0"},
        {"(1 = 1) or (1 = 2)", "integer 1"},
        {"1 or 2", "integer 3"},
        {"6 and 3", "integer 2"},
        {"TRUE and FALSE", "boolean False"},
        {"INT(2.9999999999999)", "real 3"},
        {"INT(2.7)", "real 2"},
        {"INT(-2.7)", "real -2"},
        {"FRAC(2.75)", "real 0,75"},
        {"FRAC(2.9999999999999)", "real 0"},
        {"ROUND(2.5)", "real 2"},
        {"ROUND(3.5)", "real 4"},
        {"ROUND(-2.5)", "real -2"},
        {"STR(5) + STR(2)", "string 52"},
        {"STR(1.5)", "string 1,5"},
        {"STR([nothing])", "string "},
        {"IF(5 > 3, 'yes', 'no')", "string yes"},
        {"IF(0.5, 'a', 'b')", "string b"},
        {"IF('2', 'a', 'b')", "string a"},
        {"COPY('abcdef', 2, 3)", "string bcd"},
        {"COPY('abcdef', 0, 2)", "string ab"},
        {"COPY('abc', 3, 10)", "string c"},
        {"COPY('abc', 5, 1)", "string "},
        {"COPY(12345, 2, 2)", "string 23"},
        {"NOT 0", "integer 1"},
        {"NOT 5", "integer 0"},
        {"NOT (1 = 2)", "integer 1"},
        {"TRUE", "boolean True"},
        {"false", "boolean False"},
        {"STRTODATE('01.02.2020')", "datetime 01.02.2020"},
        {"STRTODATE('01.02.2020') + 1", "datetime 02.02.2020"},
        {"STRTOTIME('12:30')", "datetime 12:30:00"},
        {"", "integer 0"},
        {"1 + 2)", "real 3"},
        {"x", "null "},
    };
    for (const Row &row : rows)
        EXPECT_EQ(result(QString::fromUtf8(row.input)), QString::fromUtf8(row.expected)) << row.input;
}

TEST_F(Parser, PointAndCommaAreDecimalSeparatorsWhateverTheLocale)
{
    TfrFormatSettingsScope us(TfrFormatSettings::classicC());
    EXPECT_EQ(result(QStringLiteral("1,5 + 1")), QStringLiteral("real 2.5"));
    EXPECT_EQ(result(QStringLiteral("1.5 + 1")), QStringLiteral("real 2.5"));
    EXPECT_EQ(result(QStringLiteral("1.2.3")), QStringLiteral("error: '1.2.3' is not a valid floating point value"));
}

TEST_F(Parser, StoredPostfixIsEvaluatedAsWritten)
{
    EXPECT_EQ(parser.CalcOPZ(unescape(R"(2 3 +4 *7 2 /-)")).rawDouble(), 16.5);
    EXPECT_EQ(parser.CalcOPZ(unescape(R"(1 2 \x01)")).rawInt(), 0);
    EXPECT_EQ(parser.CalcOPZ(unescape(R"(7 3 \x0d)")).rawInt(), 1);
    EXPECT_EQ(parser.CalcOPZ(unescape(R"(5 \x0a\x09)")).rawDouble(), -5);
    EXPECT_TRUE(parser.CalcOPZ(QString()).sameAs(TfrVariant(0)));
}

TEST_F(Parser, NumberLiteralsAreReadLikeTheFullConversion)
{
    // Short literals are read without the locale conversion; both paths must agree.
    for (const char *literal : {"0", "7", "12.5", "0,1", ".3", "3.", "123456789012345", "0.000000000000001",
                                "99999.99999", "1234567890123456", "3.14159265358979323846"}) {
        QString text = QString::fromLatin1(literal);
        text.replace(u'.', u',');
        const double expected = frStrToFloat(text);
        EXPECT_EQ(parser.Calc(QString::fromLatin1(literal)).rawDouble(), expected) << literal;
    }
}

TEST_F(Parser, NamesReachTheHandlerUpperCasedAndBracketsAsWritten)
{
    // "=" accepts null operands, so every name is reached.
    parser.Calc(QStringLiteral(R"([Table1."Field"] = Table1."Field name" = [мой] = мой)"));
    EXPECT_EQ(recorder.names, (QStringList{QStringLiteral(R"(Table1."Field")"), QStringLiteral(R"(TABLE1."FIELD NAME")"),
                                          QStringLiteral("мой"), QStringLiteral("МОЙ")}));
}

TEST_F(Parser, CallsReachTheFunctionHandlerWithTheirArgumentTexts)
{
    EXPECT_EQ(result(QStringLiteral("MyFunc(1, 'a', x)")), QStringLiteral("string fn"));
    EXPECT_EQ(result(QStringLiteral("Arr[1 + 1]")), QStringLiteral("string fn"));
    EXPECT_EQ(result(QStringLiteral("Now()")), QStringLiteral("string fn"));
    EXPECT_EQ(recorder.calls, (QStringList{QStringLiteral("MYFUNC|1| 'a'| x"), QStringLiteral("GETARRAY|Arr| 1 + 1|"),
                                          QStringLiteral("NOW|||")}));
    EXPECT_TRUE(recorder.names.isEmpty()); // arguments are texts, not evaluated
}

TEST_F(Parser, UnassignedHandlersGiveNull)
{
    TfrParser bare;
    EXPECT_TRUE(bare.Calc(QStringLiteral("[x]")).isNull());
    EXPECT_TRUE(bare.Calc(QStringLiteral("x")).isNull());
    EXPECT_TRUE(bare.Calc(QStringLiteral("F(1)")).isNull());
}

TEST_F(Parser, IfEvaluatesOnlyTheChosenBranch)
{
    recorder.values.insert(QStringLiteral("a"), TfrVariant(1));
    parser.Calc(QStringLiteral("IF(1, [a], [b])"));
    parser.Calc(QStringLiteral("IF(0, [c], [d])"));
    EXPECT_EQ(recorder.names, (QStringList{QStringLiteral("a"), QStringLiteral("d")}));
}

TEST_F(Parser, TextAfterSemicolonIsNotEvaluated)
{
    recorder.values.insert(QStringLiteral("A"), TfrVariant(1));
    recorder.values.insert(QStringLiteral("B"), TfrVariant(2));
    EXPECT_EQ(result(QStringLiteral("a + b ; anything")), QStringLiteral("integer 3"));
    EXPECT_EQ(recorder.names, (QStringList{QStringLiteral("A"), QStringLiteral("B")}));
}

TEST_F(Parser, HandlersMayEvaluateAgain)
{
    recorder.expressions.insert(QStringLiteral("A"), QStringLiteral("[B] * 2"));
    recorder.values.insert(QStringLiteral("B"), TfrVariant(21));
    EXPECT_EQ(result(QStringLiteral("STR([A] + 1) + COPY('xyz', [B] - 19, 1)")), QStringLiteral("string 43y"));
}

TEST_F(Parser, OperandStackHoldsThirtyTwoValues)
{
    QStringList operands;
    for (int k = 1; k <= 32; ++k)
        operands.append(QString::number(k));
    // Operands that no operator combines are no expression ("1 2 3" is not 1).
    EXPECT_EQ(result(operands.join(u' ')), QStringLiteral("error: Missing operator in expression"));
    operands.append(QStringLiteral("33"));
    EXPECT_EQ(result(operands.join(u' ')), QStringLiteral("error: Expression too complex: more than 32 operands"));
    EXPECT_EQ(result(operands.join(u'+')), QStringLiteral("real 561"));
}

TEST_F(Parser, Errors)
{
    const std::vector<Row> rows = {
        {"1.2.3", "error: '1,2,3' is not a valid floating point value"},
        {"12abc", "error: '12abc' is not a valid floating point value"},
        {"COPY('abc', 1.5, 1)", "error: '1,5' is not a valid integer value"},
        {"COPY('abc', 'x', 1)", "error: 'x' is not a valid integer value"},
        {"IF(TRUE, 1, 2)", "error: 'True' is not a valid floating point value"},
        {"STRTODATE('abc')", "error: 'abc' is not a valid date"},
        {"STRTOTIME('abc')", "error: 'abc' is not a valid time"},
        {"x + 1", "error: Invalid variant operation"},
        {"-x", "error: Invalid variant operation"},
        {"x < 1", "error: Invalid variant operation"},
        {"x = 1", "integer 0"},
        {"x <> 1", "integer 1"},
        {"'abc' - 1", "error: Could not convert variant of type (String) into type (Double)"},
        {"7 mod 0", "error: Division by zero"},
        {"COPY('abc', 1, 2", "error: "},
        {"(1 + 2", "error: "},
        {"a - -b", "error: Missing operand in expression"},
        {"a * NOT b", "error: Missing operand in expression"},
        {"2 * -3", "error: Missing operand in expression"},
        {"NOT", "error: Missing operand in expression"},
        {"*", "error: Missing operand in expression"},
    };
    for (const Row &row : rows)
        EXPECT_EQ(result(QString::fromUtf8(row.input)), QString::fromUtf8(row.expected)) << row.input;
}

TEST_F(Parser, MalformedPostfixNeverReadsOutsideTheStack)
{
    for (const char *postfix : {R"(\x01)", R"(\x09)", R"(1 +)", R"(\x0c\x0c)", R"(1 \x06\x07\x0e\x0b+)"}) {
        try {
            parser.CalcOPZ(unescape(postfix));
            ADD_FAILURE() << postfix << " did not raise";
        } catch (const EfrError &e) {
            EXPECT_STREQ(e.what(), "Missing operand in expression") << postfix;
        }
    }
    // Stray characters that start no operand are stepped over.
    EXPECT_EQ(parser.CalcOPZ(QStringLiteral(")) 2 )")).rawDouble(), 2);
}

TEST_F(Parser, EndlessRecursionEndsInAnError)
{
    recorder.expressions.insert(QStringLiteral("A"), QStringLiteral("[A] + 1"));
    EXPECT_EQ(result(QStringLiteral("[A]")), QStringLiteral("error: Expression nested too deeply"));
}

TEST_F(Parser, NothingIsLeftBehindAfterAnError)
{
    // Each failure unwinds a deep chain; if a level were not released the chain below
    // would soon hit the nesting limit.
    QString chain = QStringLiteral("x + 1");
    for (int k = 0; k < 50; ++k)
        chain = QStringLiteral("IF(1, %1, 0)").arg(chain);
    for (int round = 0; round < 2 * frParserMaxDepth; ++round)
        ASSERT_EQ(result(chain), QStringLiteral("error: Invalid variant operation")) << round;
    recorder.values.insert(QStringLiteral("X"), TfrVariant(1));
    EXPECT_EQ(result(chain), QStringLiteral("real 2"));
    EXPECT_EQ(result(QStringLiteral("2 + 3")), QStringLiteral("real 5"));
}

TEST_F(Parser, SharedParserIsAlwaysThere)
{
    ASSERT_NE(frParser, nullptr);
    EXPECT_EQ(frParser->Calc(QStringLiteral("1 + 1")).rawDouble(), 2);
}

// --- Scanning functions ------------------------------------------------------------------

TEST(ParserScanning, GetIdentify)
{
    struct IdentRow {
        const char *text;
        int start;
        const char *name;
        int end;
    };
    const std::vector<IdentRow> rows = {
        {"  abc+1", 1, "abc", 6},
        {R"(Table1."Sum total" + 1)", 1, R"(Table1."Sum total")", 19},
        {"a,b.c#%;:d)", 1, "a,b.c#%;:d", 11},
        {R"("a b)", 1, R"("a b)", 5},  // an odd quote takes the space: characters follow it
        {R"("a )", 1, R"("a)", 3},     // ...but not at the very end
        {"abc", 4, "", 4},
        {"x\ty", 1, "x\ty", 4},        // a tab is no stop character
        {"\r\nabc", 1, "abc", 6},
        {"Я[1]", 1, "Я", 2},
        {"a(b", 1, "a", 2},
    };
    for (const IdentRow &row : rows) {
        int i = row.start;
        const QString name = TfrParser::GetIdentify(QString::fromUtf8(row.text), i);
        EXPECT_EQ(name, QString::fromUtf8(row.name)) << row.text;
        EXPECT_EQ(i, row.end) << row.text;
    }
}

TEST(ParserScanning, GetString)
{
    struct StringRow {
        const char *text;
        int start;
        const char *literal;
        int end;
    };
    const std::vector<StringRow> rows = {
        {"'it''s' x", 1, "'it''s'", 8},
        {"'abc", 1, "'abc", 5},
        {"x'a'", 2, "'a'", 5},
        {"''", 1, "''", 3},
        {"''''", 1, "''''", 5},
    };
    for (const StringRow &row : rows) {
        int i = row.start;
        EXPECT_EQ(TfrParser::GetString(QString::fromUtf8(row.text), i), QString::fromUtf8(row.literal)) << row.text;
        EXPECT_EQ(i, row.end) << row.text;
    }
}

TEST(ParserScanning, Get3Parameters)
{
    struct ParamRow {
        const char *text;
        const char *p1, *p2, *p3;
        int end;
    };
    const std::vector<ParamRow> rows = {
        {"F(a, b, c) + 1", "a", " b", " c", 11},
        {"F('x,y', (1,2))", "'x,y'", " (1,2)", "", 16},
        {"F()", "", "", "", 4},
        {"F(a)x", "a", "", "", 5},
        {"F('(', ')')", "'('", " ')'", "", 12},
        // a fourth argument: later commas keep ending argument 2, the last is dropped
        {"F(a,b,c,d)", "a", "c", "", 11},
    };
    for (const ParamRow &row : rows) {
        int i = 2;
        QString p1, p2, p3;
        TfrParser::Get3Parameters(QString::fromUtf8(row.text), i, p1, p2, p3);
        EXPECT_EQ(p1, QString::fromUtf8(row.p1)) << row.text;
        EXPECT_EQ(p2, QString::fromUtf8(row.p2)) << row.text;
        EXPECT_EQ(p3, QString::fromUtf8(row.p3)) << row.text;
        EXPECT_EQ(i, row.end) << row.text;
    }
    int i = 2;
    QString p1, p2, p3;
    try {
        TfrParser::Get3Parameters(QStringLiteral("F(a, (b)"), i, p1, p2, p3);
        ADD_FAILURE() << "an unclosed call did not raise";
    } catch (const EfrError &e) {
        EXPECT_TRUE(e.message().isEmpty());
    }
}

TEST(ParserScanning, GetBrackedVariable)
{
    struct BracketRow {
        const char *text;
        int start;
        const char *content;
        int end;
    };
    const std::vector<BracketRow> rows = {
        {"x [a[1]] y", 3, "a[1]", 8},
        {"['a]'] z", 1, "'a]'", 6},
        {R"(["a]"] z)", 1, R"("a]")", 6},
        {R"(['"'] ["'"])", 1, R"('"')", 5},
        {"[a'b]c']", 1, "a'b]c'", 8},
        {"[]", 1, "", 2},
        {"abc", 1, "", 1},
        {"", 1, "", 1},
        {"[a]", 5, "", 5},
        // unterminated: the walk ends on the last character
        {"[abc", 1, "ab", 4},
    };
    for (const BracketRow &row : rows) {
        int i = row.start, j = -1;
        EXPECT_EQ(GetBrackedVariable(QString::fromUtf8(row.text), i, j), QString::fromUtf8(row.content)) << row.text;
        EXPECT_EQ(i, row.start) << row.text;
        EXPECT_EQ(j, row.end) << row.text;
    }
}

// --- Function splitter -------------------------------------------------------------------

class Splitter : public ::testing::Test {
protected:
    QStringList split(const QString &text)
    {
        QStringList results;
        TfrFunctionSplitter splitter(names, results, [this](const QString &name) -> std::optional<QString> {
            const auto it = variables.constFind(name.toUpper());
            if (it == variables.constEnd())
                return std::nullopt;
            return it.value();
        });
        splitter.Split(text);
        return results;
    }

    QStringList names{QStringLiteral("SUM"), QStringLiteral("MAX")};
    QHash<QString, QString> variables;
};

TEST_F(Splitter, ReportsNestedCallsInnermostFirst)
{
    EXPECT_EQ(split(QStringLiteral("SUM(MAX([x]), Band1)")),
              (QStringList{QStringLiteral("MAX([x])"), QStringLiteral("SUM(MAX([x]), Band1)")}));
    EXPECT_EQ(split(QStringLiteral("SUM(SUM(1))")), (QStringList{QStringLiteral("SUM(1)"), QStringLiteral("SUM(SUM(1))")}));
}

TEST_F(Splitter, NamesAreMatchedWithoutCaseAndKeepTheirLeadingBlanks)
{
    EXPECT_EQ(split(QStringLiteral("sum(1)")), QStringList{QStringLiteral("sum(1)")});
    EXPECT_EQ(split(QStringLiteral("1 + SUM(2) * COUNT(3)")), QStringList{QStringLiteral(" SUM(2)")});
}

TEST_F(Splitter, QuotedTextIsNotSearched)
{
    EXPECT_TRUE(split(QStringLiteral("  'SUM(1)'")).isEmpty());
}

TEST_F(Splitter, FollowsVariablesIntoTheirTexts)
{
    variables.insert(QStringLiteral("V"), QStringLiteral("SUM([a])"));
    EXPECT_EQ(split(QStringLiteral("[v] + 1")), QStringList{QStringLiteral("SUM([a])")});
    EXPECT_EQ(split(QStringLiteral("v * 2")), QStringList{QStringLiteral("SUM([a])")});
    EXPECT_EQ(split(QStringLiteral("MAX([v])")), (QStringList{QStringLiteral("SUM([a])"), QStringLiteral("MAX([v])")}));
}

TEST_F(Splitter, VariableReferringToItselfEnds)
{
    variables.insert(QStringLiteral("V"), QStringLiteral("[v] + SUM(1) + W"));
    variables.insert(QStringLiteral("W"), QStringLiteral("MAX(v)"));
    EXPECT_EQ(split(QStringLiteral("[v]")), (QStringList{QStringLiteral(" SUM(1)"), QStringLiteral("MAX(v)")}));
}

TEST_F(Splitter, UnclosedCallRaises)
{
    EXPECT_THROW(split(QStringLiteral("SUM(1")), EfrError);
}

} // namespace
