// The frcalc command-line program, run as a user would run it.
#include "tool_run.h"
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QFileInfo>
#include <QProcess>

namespace {

struct ToolRun {
    int status = -1;
    QStringList lines;
};

class Frcalc : public ::testing::Test {
protected:
    void SetUp() override
    {
        program = QCoreApplication::applicationDirPath() + QStringLiteral("/frcalc");
        if (!QFileInfo::exists(program))
            GTEST_SKIP() << "frcalc is not built next to the tests";
    }

    ToolRun run(const QStringList &arguments)
    {
        const TToolResult r = frRunTool(program, arguments, 30000);
        return {r.status, r.lines()};
    }

    QString program;
};

TEST_F(Frcalc, PrintsKindAndTextPerExpression)
{
    const ToolRun r = run({QStringLiteral("5 > 3"), QStringLiteral("TRUE"), QStringLiteral("7 / 2"), QStringLiteral("'a' + 'b'"),
                       QStringLiteral("[x]"), QStringLiteral("f(1)"), QStringLiteral("STRTODATE('01.02.2020')")});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.lines, (QStringList{QStringLiteral("integer 1"), QStringLiteral("boolean True"), QStringLiteral("real 3,5"),
                                    QStringLiteral("string ab"), QStringLiteral("null "), QStringLiteral("null "),
                                    QStringLiteral("datetime 01.02.2020")}));
}

TEST_F(Frcalc, VariablesAreExpressionsResolvedByName)
{
    const ToolRun r = run({QStringLiteral("--var"), QStringLiteral("A=2"), QStringLiteral("--var"), QStringLiteral("B=[a] * 10"),
                       QStringLiteral("[A] * 2 + [B]"), QStringLiteral("a + b"), QStringLiteral("c")});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.lines, (QStringList{QStringLiteral("real 24"), QStringLiteral("real 22"), QStringLiteral("null ")}));
}

TEST_F(Frcalc, PostfixShowsOperatorBytes)
{
    const ToolRun r = run({QStringLiteral("--postfix"), QStringLiteral("a >= 1 and b <> 2"), QStringLiteral("-x mod 2")});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.lines, (QStringList{QStringLiteral(R"(a 1 b \x05\x012 \x03)"), QStringLiteral(R"(x 2 \x0D\x09)")}));
}

TEST_F(Frcalc, DoubleDashEndsOptionsAndEmptyArgumentIsTheEmptyExpression)
{
    const ToolRun r = run({QStringLiteral("--"), QStringLiteral("-2"), QString(), QStringLiteral("--postfix")});
    EXPECT_EQ(r.status, 1); // the last one fails
    EXPECT_EQ(r.lines, (QStringList{QStringLiteral("real -2"), QStringLiteral("integer 0"),
                                    QStringLiteral("error: Missing operand in expression")}));
}

TEST_F(Frcalc, ErrorsAreReportedPerExpression)
{
    const ToolRun r = run({QStringLiteral("1.2.3"), QStringLiteral("1 + 1"), QStringLiteral("COPY('a', 1"),
                       QStringLiteral("--var"), QStringLiteral("R=[R]"), QStringLiteral("[R]")});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.lines, (QStringList{QStringLiteral("error: '1,2,3' is not a valid floating point value"),
                                    QStringLiteral("real 2"), QStringLiteral("error: "),
                                    QStringLiteral("error: Expression nested too deeply")}));
}

// Text after a complete value is no part of it: "1 2 3" is not 1, and "div" is not an
// operator of the language. Only ";" ends an expression early.
TEST_F(Frcalc, ValuesWithoutAnOperatorBetweenThemAreAnError)
{
    const ToolRun r = run({QStringLiteral("1 2 3"), QStringLiteral("1 div 0"), QStringLiteral("1 / 0"),
                           QStringLiteral("(1 + 2) 3"), QStringLiteral("7 mod 4 ; 9")});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.lines, (QStringList{QStringLiteral("error: Missing operator in expression"),
                                    QStringLiteral("error: Missing operator in expression"),
                                    QStringLiteral("integer 0"),
                                    QStringLiteral("error: Missing operator in expression"),
                                    QStringLiteral("integer 3")}));
}

TEST_F(Frcalc, BadUsage)
{
    EXPECT_EQ(run({}).status, 2);
    EXPECT_EQ(run({QStringLiteral("--bogus"), QStringLiteral("1")}).status, 2);
    EXPECT_EQ(run({QStringLiteral("--var"), QStringLiteral("novalue"), QStringLiteral("1")}).status, 2);
}

} // namespace
