// Script compiler and runner: compiled line forms, error messages and positions, loops,
// labels, exit, assignments, and stopping a script that never ends.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>

#include "report/eval/data_dictionary.h"
#include "report/eval/function_library.h"
#include "report/eval/interpreter.h"
#include "report/eval/value_resolution.h"
#include "report/eval/variables.h"

namespace {

QString u(const char *s) { return QString::fromUtf8(s); }

// Control characters as \xNN, so a failing line reads clearly.
std::string shown(const QString &s)
{
    QString out;
    for (QChar c : s) {
        if (c.unicode() < 0x20 || c.unicode() > 0x7E)
            out += QStringLiteral("\\x%1").arg(c.unicode(), 2, 16, QLatin1Char('0'));
        else
            out += c;
    }
    return out.toStdString();
}

std::string shown(const QStringList &lines)
{
    QStringList parts;
    for (const QString &l : lines)
        parts << QLatin1Char('[') + QString::fromStdString(shown(l)) + QLatin1Char(']');
    return parts.join(u' ').toStdString();
}

QString line(std::initializer_list<int> head, const char *rest)
{
    QString s;
    for (int c : head)
        s += QChar(char16_t(c));
    return s + u(rest);
}

struct Compiled {
    QStringList lines;
    QStringList errors;
};

Compiled compile(const QString &script)
{
    Compiled c;
    frInterpretator->PrepareScript(script.split(u'\n'), c.lines, c.errors);
    return c;
}

class RecordingContext : public TfrRunContext {
public:
    QStringList log;
    QHash<QString, TfrVariant> properties; // settable object properties, upper-cased names
    int messagesUntilCancel = -1;          // ProcessMessages calls before "cancel" arrives
    int messageCalls = 0;

    bool SetObjectProperty(const QString &name, const TfrVariant &value) override
    {
        const QString key = name.toUpper();
        if (!properties.contains(key))
            return false;
        properties[key] = value;
        return true;
    }
    void SetModalResult(int value) override { log << QStringLiteral("modal %1").arg(value); }
    void SetCurY(int value) override { log << QStringLiteral("cury %1").arg(value); }
    void ShowProgress(const QString &text) override { log << QStringLiteral("progress ") + text; }
    void ProcessMessages() override
    {
        ++messageCalls;
        if (messagesUntilCancel >= 0 && messageCalls >= messagesUntilCancel)
            SetTerminated(true);
        QCoreApplication::processEvents();
    }
};

class Interpreter : public ::testing::Test {
protected:
    void SetUp() override
    {
        frVariables().Clear();
        frInstallNameHandler();
        frInstallFunctionHandler();
        frSetRunContext(&context);
        frSetValueContext(nullptr);
    }
    void TearDown() override
    {
        frSetRunContext(nullptr);
        frVariables().Clear();
    }

    TfrVariant var(const char *name) { return frVariables().GetVariable(QString::fromLatin1(name)); }

    void run(const QString &script)
    {
        const Compiled c = compile(script);
        ASSERT_TRUE(c.errors.isEmpty()) << shown(c.errors);
        frInterpretator->DoScript(c.lines);
    }

    RecordingContext context;
};

TEST_F(Interpreter, CompiledForms)
{
    struct Row {
        const char *script;
        QStringList expected;
    };
    const Row rows[] = {
        {"begin Memo1.Visible := False end", {u("Memo1.Visible False ")}},
        {"if [Amount] > 100 then Memo1.Font.Style := fsBold else Memo1.Font.Style := 0",
         {line({1, 3, 0}, "[Amount] 100 >"), u("Memo1.Font.Style fsBold "), line({2, 4, 0}, ""),
          u("Memo1.Font.Style 0 ")}},
        {"if a then b := 1", {line({1, 2, 0}, "a "), u("b 1 ")}},
        {"begin i := 0; while i < 3 do i := i + 1 end",
         {u("i 0 "), line({1, 4, 0}, "i 3 <"), u("i i 1 +"), line({2, 1, 0}, "")}},
        {"for i := 1 to 3 do n := n + 1",
         {u("i 1 "), line({1, 5, 0}, "i 3 \x02"), u("n n 1 +"), u("i i 1 +"), line({2, 1, 0}, "")}},
        {"repeat Inc(x); y := x until x > 3", {line({3}, "Inc(x)"), u("y x "), line({1, 0, 0}, "x 3 >")}},
        {"begin N := 0; 10: Inc(N); if N < 5 then goto 10 end",
         {u("N 0 "), line({3}, "Inc(N)"), line({1, 4, 0}, "N 5 <"), line({2, 1, 0}, "")}},
        {"begin exit; x := 1 end", {line({3}, "exit(0)"), u("x 1 ")}},
        {"A[2] := 7", {line({3}, "SETARRAY(A, 2, 7)")}},
        {"a := 1; b := 2", {u("a 1 ")}},
        {"begin a := 1; end", {u("a 1 ")}},
        {"begin a := 1;; b := 2; end.", {u("a 1 "), u("b 2 ")}},
        {"x := 5 // comment", {u("x 5 ")}},
        {"x := {comment} 5", {u("x 5 ")}},
        {"x := 'a//b{c}'", {u("x 'a//b{c}' ")}},
        {"x := [Table1.\"a//b\"]", {u("x [Table1.\"a//b\"] ")}},
        {"begin x := 1; Сумма := 2; y := 3 end", {u("x 1 ")}},
        {"x := [Сумма] * 2", {u("x [Сумма] 2 *")}},
        {"begin endDate := 1; forecast := 2 end", {u("endDate 1 "), u("forecast 2 ")}},
        {"\tx\t:=\t1", {u("x 1 ")}},
        {"", {}},
    };
    for (const Row &r : rows) {
        const Compiled c = compile(u(r.script));
        EXPECT_TRUE(c.errors.isEmpty()) << r.script << ": " << shown(c.errors);
        EXPECT_EQ(c.lines, r.expected) << r.script << "\n got " << shown(c.lines) << "\n want " << shown(r.expected);
    }
}

TEST_F(Interpreter, CompileErrorsNameLineAndColumn)
{
    struct Row {
        const char *script;
        const char *error;
        int lines; // compiled lines kept
    };
    const Row rows[] = {
        {"begin a := 1 b := 2 end", "Line 1/13: Need \";\" or \"end\" here", 1},
        {"if a > 1 x := 1", "Line 1/9: Need \"then\" here", 1},
        {"repeat x := 1 y := 2", "Line 1/14: Need \";\" or \"until\" here", 1},
        {"while x < 3 x := x + 1", "Line 1/12: Need \"do\" here", 1},
        {"for i := 1 do x := 1", "Line 1/11: Need \"to\" here", 1},
        {"for i := 1 to 3 x := 1", "Line 1/16: Need \"do\" here", 2},
        {"for := 1 to 3 do x := 1", "Line 1/5: Need \":=\" here", 0},
        {"goto x", "Line 1/5: \"goto\" label must be a number", 0},
        {"x 5", "Line 1/2: Need \":=\" here", 0},
        {"x", "Line 1/2: Need \":=\" here", 0},
        {"x := (1 + 2", "Line 1/12: Need \")\" here", 0},
        {"x := [a", "Line 1/6: Need \"]\" here", 0},
        {"A[1 := 2", "Line 1/4: Need \"]\" here", 0},
        {"x := f(1 2)", "Line 1/9: Need \",\" or \")\" here", 0},
        // Removed comments count in the column, and lines are counted in the source.
        {"begin\n  {long comment} a := 1\n  b := 2\nend", "Line 2/24: Need \";\" or \"end\" here", 1},
        {"begin // first\n  a := 1 { two\nlines } b := 2\nend", "Line 2/9: Need \";\" or \"end\" here", 1},
        {"begin goto 20 end", "Line 1/12: Label \"20\" is not defined", 1},
    };
    for (const Row &r : rows) {
        const Compiled c = compile(u(r.script));
        EXPECT_EQ(c.errors, QStringList{u(r.error)}) << r.script << ": " << shown(c.errors);
        EXPECT_EQ(c.lines.size(), r.lines) << r.script << ": " << shown(c.lines);
    }
}

TEST_F(Interpreter, SourceAndTargetMayBeTheSameList)
{
    QStringList script = {u("begin"), u("  x := 2"), u("end")};
    QStringList errors = {u("stale")};
    frInterpretator->PrepareScript(script, script, errors);
    EXPECT_EQ(script, QStringList{u("x 2 ")});
    EXPECT_TRUE(errors.isEmpty());
}

TEST_F(Interpreter, LoopsAndJumpsLeaveTheirValues)
{
    run(u("begin i := 0; while i < 3 do i := i + 1 end"));
    EXPECT_EQ(var("i").toInteger(), 3);

    run(u("begin n := 0; for i := 1 to 3 do n := n + 1 end"));
    EXPECT_EQ(var("n").toInteger(), 3);
    EXPECT_EQ(var("i").toInteger(), 4);

    run(u("begin N := 0; 10: Inc(N); if N < 5 then goto 10 end"));
    EXPECT_EQ(var("N").toInteger(), 5);

    run(u("begin k := 0; repeat k := k + 2 until k >= 7 end"));
    EXPECT_EQ(var("k").toInteger(), 8);

    // A for loop whose bound is below its start never runs its body.
    run(u("begin m := 0; for j := 5 to 1 do m := 1 end"));
    EXPECT_EQ(var("m").toInteger(), 0);
    EXPECT_EQ(var("j").toInteger(), 5);
}

TEST_F(Interpreter, IfTakesOneBranch)
{
    frVariables().SetVariable(QStringLiteral("v"), TfrVariant(7));
    run(u("if v > 5 then r := 'big' else r := 'small'"));
    EXPECT_EQ(var("r").toString(), u("big"));
    run(u("if v > 50 then r := 'big' else r := 'small'"));
    EXPECT_EQ(var("r").toString(), u("small"));
    run(u("begin if v > 50 then r := 1 else if v > 6 then r := 2 else r := 3 end"));
    EXPECT_EQ(var("r").toInteger(), 2);
}

TEST_F(Interpreter, ExitStopsTheScript)
{
    run(u("begin a := 1; exit; b := 2 end"));
    EXPECT_EQ(var("a").toInteger(), 1);
    EXPECT_FALSE(frVariables().Contains(QStringLiteral("b")));

    run(u("begin c := 0; while 1 do begin c := c + 1; if c = 3 then Exit end end"));
    EXPECT_EQ(var("c").toInteger(), 3);
}

TEST_F(Interpreter, ArrayElementWrittenByScriptIsReadByABracket)
{
    run(u("A[2] := 7"));
    EXPECT_EQ(InternalOnGetValue(u("A[2]")), u("7"));
    EXPECT_EQ(var("Arr_A_2").toInteger(), 7);
}

TEST_F(Interpreter, PartialOutputOfAFailedCompileStillRuns)
{
    const Compiled c = compile(u("begin a := 1 b := 2 end"));
    ASSERT_EQ(c.errors.size(), 1);
    frInterpretator->DoScript(c.lines);
    EXPECT_EQ(var("a").toInteger(), 1);
    EXPECT_FALSE(frVariables().Contains(QStringLiteral("b")));
}

TEST_F(Interpreter, JumpToAnUndefinedLabelEndsTheScript)
{
    const Compiled c = compile(u("begin a := 1; goto 99; a := 2 end"));
    ASSERT_EQ(c.errors.size(), 1);
    frInterpretator->DoScript(c.lines);
    EXPECT_EQ(var("a").toInteger(), 1);
}

TEST_F(Interpreter, AssignmentRules)
{
    TfrDataDictionary dictionary;
    dictionary.VarList.SetVariable(QStringLiteral(" Totals"), TfrVariant());
    dictionary.VarList.SetVariable(QStringLiteral("Total"), TfrVariant(QString()));
    class DictionaryContext : public TfrValueContext {
    public:
        TfrDataDictionary *dictionary = nullptr;
        TfrDataDictionary *Dictionary() const override { return dictionary; }
    } values;
    values.dictionary = &dictionary;
    frSetValueContext(&values);
    context.properties.insert(QStringLiteral("MEMO1.VISIBLE"), TfrVariant(true));
    frVariables().SetVariable(QStringLiteral("Known"), TfrVariant(1));

    frAssignValue(QStringLiteral("KNOWN"), TfrVariant(2));
    frAssignValue(QStringLiteral("total"), TfrVariant(10));
    frAssignValue(QStringLiteral("ModalResult"), TfrVariant(1));
    frAssignValue(QStringLiteral("CURY"), TfrVariant(12.6));
    frAssignValue(QStringLiteral("Progress"), TfrVariant(u("page 3")));
    frAssignValue(QStringLiteral("Memo1.Visible"), TfrVariant(false));
    frAssignValue(QStringLiteral("Memo2.Visible"), TfrVariant(false));
    frSetValueContext(nullptr);

    EXPECT_EQ(var("Known").toInteger(), 2);
    EXPECT_EQ(dictionary.VarList.GetVariable(QStringLiteral("Total")).toInteger(), 10);
    EXPECT_FALSE(frVariables().Contains(QStringLiteral("total")));
    EXPECT_EQ(context.log, (QStringList{u("modal 1"), u("cury 13"), u("progress page 3")}));
    EXPECT_FALSE(context.properties.value(QStringLiteral("MEMO1.VISIBLE")).toBoolean());
    // No object has the property: the name becomes a variable.
    EXPECT_FALSE(var("Memo2.Visible").toBoolean());
    EXPECT_TRUE(frVariables().Contains(QStringLiteral("Memo2.Visible")));
}

TEST_F(Interpreter, RuntimeErrorsPropagate)
{
    const Compiled c = compile(u("x := 1 mod 0"));
    ASSERT_TRUE(c.errors.isEmpty());
    EXPECT_THROW(frInterpretator->DoScript(c.lines), EfrError);
}

TEST_F(Interpreter, SplitExpressionsScansEveryKindOfLine)
{
    const Compiled c = compile(u("begin if SUM([a]) > 0 then x := MAX([b]) else goto 1; AVG([c]); 1: end"));
    ASSERT_TRUE(c.errors.isEmpty()) << shown(c.errors);
    QStringList found;
    frInterpretator->SplitExpressions(c.lines, {u("SUM"), u("MAX"), u("AVG")}, found);
    EXPECT_EQ(found, (QStringList{u("SUM([a])"), u("MAX([b])"), u("AVG([c])")}));
}

// A script that never ends is stopped by the report's terminated flag. The progress
// window's cancel button sets it from the event loop; the running loop lets messages
// through now and then, so the click arrives and the loop ends at its next round.
TEST_F(Interpreter, EndlessScriptStopsWhenTheReportIsTerminated)
{
    class CancellingContext : public TfrRunContext {
    public:
        void ProcessMessages() override { QCoreApplication::processEvents(); }
    } cancelling;
    frSetRunContext(&cancelling);
    QTimer::singleShot(20, [&] { cancelling.SetTerminated(true); });

    const Compiled c = compile(u("begin x := 0; while 1 do x := x + 1 end"));
    ASSERT_TRUE(c.errors.isEmpty());
    frInterpretator->DoScript(c.lines);
    EXPECT_TRUE(cancelling.Terminated());
    EXPECT_GT(var("x").toInteger(), 0);

    // Loops made with goto end the same way.
    context.messagesUntilCancel = 3;
    frSetRunContext(&context);
    run(u("begin y := 0; 1: y := y + 1; goto 1 end"));
    EXPECT_TRUE(context.Terminated());
    EXPECT_EQ(context.messageCalls, 3);
}

TEST_F(Interpreter, StopReportEndsTheLoopItRunsIn)
{
    run(u("begin n := 0; while 1 do begin n := n + 1; if n = 4 then StopReport end end"));
    EXPECT_EQ(var("n").toInteger(), 4);
    EXPECT_TRUE(context.Terminated());
}

TEST_F(Interpreter, HostileScriptsCompileWithoutCrashing)
{
    const QString deepBlocks = QStringLiteral("begin ").repeated(100000) + u("x := 1");
    Compiled c = compile(deepBlocks);
    ASSERT_EQ(c.errors.size(), 1);
    EXPECT_TRUE(c.errors[0].endsWith(u"Script is nested too deeply")) << shown(c.errors);

    const QString deepParens = u("x := ") + QString(100000, u'(') + u("1");
    c = compile(deepParens);
    ASSERT_EQ(c.errors.size(), 1);
    EXPECT_TRUE(c.errors[0].endsWith(u"Script is nested too deeply")) << shown(c.errors);

    // A long flat expression is no nesting.
    const QString longSum = u("x := 1") + QStringLiteral(" + 1").repeated(20000);
    c = compile(longSum);
    EXPECT_TRUE(c.errors.isEmpty()) << shown(c.errors);
    ASSERT_EQ(c.lines.size(), 1);

    // Neither words without blanks nor masses of comments cost more than their length.
    c = compile(u("x:=1") + QStringLiteral("+1").repeated(50000));
    EXPECT_TRUE(c.errors.isEmpty()) << shown(c.errors);
    c = compile(QStringLiteral("{}//\n").repeated(50000) + u("x := 1"));
    EXPECT_EQ(c.lines, QStringList{u("x 1 ")});

    // Whatever compiled runs; an endless loop among them ends at the first message check.
    context.messagesUntilCancel = 1;
    for (const char *junk : {"begin", "if", "while 1 do", "for i := 1 to", "'unterminated", "{ open comment",
                             "begin end end end", ")))", "x := ]", "10:", "10", "goto 1; 1:", "A[", "f(1,"}) {
        c = compile(u(junk));
        try {
            frInterpretator->DoScript(c.lines);
        } catch (const EfrError &) {
            // Evaluation errors are the caller's; only crashes and hangs matter here.
        }
    }
}

// frcalc --script compiles a file, shows the compiled lines and errors, runs it and
// lists the variables.
class FrcalcScript : public ::testing::Test {
protected:
    void SetUp() override
    {
        program = QCoreApplication::applicationDirPath() + QStringLiteral("/frcalc");
        ASSERT_TRUE(QFileInfo::exists(program)) << "frcalc is not built next to the tests";
        ASSERT_TRUE(dir.isValid());
    }
    QStringList run(const QString &script, int &status, const QStringList &extra = {})
    {
        const QString file = dir.filePath(QStringLiteral("s.txt"));
        QFile f(file);
        f.open(QIODevice::WriteOnly);
        f.write(script.toUtf8());
        f.close();
        QProcess process;
        process.start(program, extra + QStringList{QStringLiteral("--script"), file});
        process.waitForFinished(30000);
        status = process.exitCode();
        QStringList lines = QString::fromUtf8(process.readAllStandardOutput()).split(u'\n');
        if (!lines.isEmpty() && lines.last().isEmpty())
            lines.removeLast();
        return lines;
    }
    QString program;
    QTemporaryDir dir;
};

TEST_F(FrcalcScript, PrintsCompiledLinesThenVariables)
{
    int status = -1;
    const QStringList out = run(u("begin\n  n := 0;\n  for i := 1 to 3 do n := n + i;\n  s := 'Слово'\nend\n"), status);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(out, (QStringList{u("n 0 "), u("i 1 "), u("\\x01\\x06\\x00i 3 \\x02"), u("n n i +"), u("i i 1 +"),
                                u("\\x02\\x02\\x00"), u("s 'Слово' "), u("i = real 4"), u("n = real 6"),
                                u("s = string Слово")}));
}

TEST_F(FrcalcScript, ShowsCompileErrorsAndRunsWhatCompiled)
{
    int status = -1;
    const QStringList out = run(u("begin a := 1 b := 2 end"), status, {u("--var"), u("z=2+3")});
    EXPECT_EQ(status, 1);
    EXPECT_EQ(out, (QStringList{u("a 1 "), u("error: Line 1/13: Need \";\" or \"end\" here"), u("a = real 1"),
                                u("z = real 5")}));
}

} // namespace
