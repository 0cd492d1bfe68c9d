// Scripts and functions against real report objects: assignments to properties, object
// methods and list properties, the registered libraries, and the report's terminated flag.
#include <gtest/gtest.h>

#include <QTimer>

#include "report/engine/function_dispatch.h"
#include "report/eval/function_library.h"
#include "report/eval/globals.h"
#include "report/eval/interpreter.h"
#include "report/eval/parser.h"
#include "report/eval/value_resolution.h"
#include "report/eval/variables.h"
#include "report/model/fr_globals.h"
#include "report/model/memo_view.h"
#include "report/model/page.h"
#include "report/model/registry.h"
#include "report/model/report.h"

namespace {

QString u(const char *s) { return QString::fromUtf8(s); }

class EngineScripts : public ::testing::Test {
protected:
    void SetUp() override
    {
        frInstallFunctionDispatch();
        frInstallNameHandler();
        frVariables().Clear();
        page = report.AddPage();
        auto view = std::make_unique<TfrMemoView>();
        view->Name = u("Memo1");
        view->Memo = QStringList{u("line 0"), u("line 1")};
        memo = static_cast<TfrMemoView *>(page->Add(std::move(view)));
        CurReport = MasterReport = &report;
        CurPage = page;
        CurView = nullptr;
    }
    void TearDown() override
    {
        CurReport = MasterReport = nullptr;
        CurPage = nullptr;
        CurView = nullptr;
        frVariables().Clear();
    }

    void run(const char *script)
    {
        QStringList compiled, errors;
        frInterpretator->PrepareScript(QString::fromUtf8(script).split(u'\n'), compiled, errors);
        ASSERT_TRUE(errors.isEmpty()) << errors.join(u'\n').toStdString();
        frInterpretator->DoScript(compiled);
    }

    TfrReport report;
    TfrPage *page = nullptr;
    TfrMemoView *memo = nullptr;
};

TEST_F(EngineScripts, AssignmentsReachObjectProperties)
{
    run("begin Memo1.Visible := False end");
    EXPECT_FALSE(memo->Visible);

    CurView = memo;
    run("Visible := True");
    EXPECT_TRUE(memo->Visible);
    run("Page1.Visible := False");
    EXPECT_FALSE(page->Visible);

    // A name no object has becomes a variable.
    run("Memo2.Visible := False");
    EXPECT_TRUE(frVariables().Contains(u("Memo2.Visible")));

    run("CURY := 120");
    EXPECT_EQ(page->posY, 120);
}

TEST_F(EngineScripts, MethodsAndListProperties)
{
    run("begin Memo1.Memo.Add('x' + 'y'); SETARRAY(Memo1.Memo, 0, 'first') end");
    EXPECT_EQ(memo->Memo, (QStringList{u("first"), u("line 1"), u("xy")}));
    EXPECT_EQ(InternalOnGetValue(u("Memo1.Memo[2]")), u("xy"));
    run("begin Memo1.Memo.Clear end");
    EXPECT_TRUE(memo->Memo.isEmpty());
}

TEST_F(EngineScripts, UnknownFunctionDependsOnTheObjectBeingPrinted)
{
    EXPECT_EQ(frParser->Calc(u("FOO(1)")).toString(), u("0"));
    CurView = memo;
    EXPECT_TRUE(frParser->Calc(u("FOO(1)")).isNull());

    TfrEngineRunContext &ctx = frEngineRunContext();
    ctx.OnUserFunctionHandler = [](const QString &name, const TfrVariant &, const TfrVariant &, const TfrVariant &,
                                   TfrVariant &val) {
        if (name == u"FOO")
            val = TfrVariant(42);
    };
    EXPECT_EQ(frParser->Calc(u("FOO(1)")).toInteger(), 42);
    ctx.OnUserFunctionHandler = {};
}

TEST_F(EngineScripts, LibrariesComeFromTheRegistry)
{
    ASSERT_GE(frFunctionsCount(), 2);
    EXPECT_EQ(frFunctions()[0].className, u("TfrStdFunctionLibrary"));
    EXPECT_EQ(frFunctions()[1].className, u("TDatabaseFunctionLibrary"));
    EXPECT_EQ(frParser->Calc(u("MAXNUM(1, 2)")).toInteger(), 2);

    frUnRegisterFunctionLibrary(u("TfrStdFunctionLibrary"));
    EXPECT_EQ(frParser->Calc(u("MAXNUM(1, 2)")).toString(), u("0"));
    EXPECT_TRUE(frInstalledFunctions().GetFunctionDesc(u("MAXNUM")).isEmpty());

    frInstallFunctionDispatch();
    EXPECT_EQ(frParser->Calc(u("MAXNUM(1, 2)")).toInteger(), 2);
    EXPECT_FALSE(frInstalledFunctions().GetFunctionDesc(u("MAXNUM")).isEmpty());
    // Installing again registers nothing twice.
    frInstallFunctionDispatch();
    EXPECT_EQ(frFunctionsCount(), 2);
}

TEST_F(EngineScripts, StopReportSetsTheReportsFlag)
{
    run("begin i := 0; while i < 10 do begin i := i + 1; if i = 3 then StopReport end end");
    EXPECT_TRUE(report.Terminated);
    EXPECT_EQ(frVariables().GetVariable(u("i")).toInteger(), 3);
}

// The progress window's cancel button sets the report's Terminated flag from the event
// loop; a script that never ends lets messages through while it loops and stops.
TEST_F(EngineScripts, ProgressCancelStopsAnEndlessScript)
{
    QTimer::singleShot(30, [this] { report.Terminated = true; });
    run("begin x := 0; while 1 do x := x + 1 end");
    EXPECT_TRUE(report.Terminated);
    EXPECT_GT(frVariables().GetVariable(u("x")).toInteger(), 0);
}

TEST_F(EngineScripts, ObjectScriptsRunThroughTheInterpreter)
{
    QStringList compiled, errors;
    frInterpretator->PrepareScript({u("Inc(Runs)")}, compiled, errors);
    frVariables().SetVariable(u("Runs"), TfrVariant(0));
    frRunScript(compiled);
    frRunScript(compiled);
    EXPECT_EQ(frVariables().GetVariable(u("Runs")).toInteger(), 2);
}

} // namespace
