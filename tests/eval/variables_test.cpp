#include <gtest/gtest.h>

#include "report/eval/parser.h"
#include "report/eval/variables.h"

namespace {

QString u(const char *s) { return QString::fromUtf8(s); }

QStringList names(const TfrVariables &v)
{
    QStringList out;
    for (int i = 0; i < v.GetCount(); ++i)
        out.append(v.GetName(i));
    return out;
}

TEST(VariablesTest, InsertionOrderAndCaseInsensitiveNames)
{
    TfrVariables v;
    v.SetVariable(u("Beta"), TfrVariant(1));
    v.SetVariable(u("alpha"), TfrVariant(2));
    v.SetVariable(u("BETA"), TfrVariant(3));
    v.SetVariable(u("Сумма"), TfrVariant(4));
    EXPECT_EQ(names(v), (QStringList{u("Beta"), u("alpha"), u("Сумма")}));
    EXPECT_EQ(v.GetVariable(u("beta")).toInteger(), 3);
    EXPECT_EQ(v.IndexOf(u("СУММА")), 2);
    EXPECT_TRUE(v.GetVariable(u("gamma")).isNull());
    EXPECT_EQ(v.IndexOf(u("gamma")), -1);
}

TEST(VariablesTest, SortedModeKeepsOrderAndFindsByBinarySearch)
{
    TfrVariables v;
    v.SetVariable(u("m"), TfrVariant(1));
    v.SetVariable(u("B"), TfrVariant(2));
    v.SetSorted(true);
    EXPECT_EQ(names(v), (QStringList{u("B"), u("m")}));
    v.SetVariable(u("a"), TfrVariant(3));
    v.SetVariable(u("Z"), TfrVariant(4));
    v.SetVariable(u("c"), TfrVariant(5));
    EXPECT_EQ(names(v), (QStringList{u("a"), u("B"), u("c"), u("m"), u("Z")}));
    for (const char *n : {"A", "b", "C", "M", "z"})
        EXPECT_GE(v.IndexOf(u(n)), 0) << n;
    // Renaming keeps the order that the search relies on.
    v.SetName(0, u("y"));
    EXPECT_EQ(names(v), (QStringList{u("B"), u("c"), u("m"), u("y"), u("Z")}));
    EXPECT_EQ(v.GetVariable(u("Y")).toInteger(), 3);
    // Insert in a sorted list only sets the value.
    v.Insert(0, u("n"));
    EXPECT_EQ(v.IndexOf(u("n")), 3);
    EXPECT_EQ(v.GetValue(3).toInteger(), 0);
}

TEST(VariablesTest, PositionsOutOfRange)
{
    TfrVariables v;
    v.SetVariable(u("a"), TfrVariant(1));
    EXPECT_TRUE(v.GetValue(5).sameAs(TfrVariant(0)));
    EXPECT_TRUE(v.GetValue(-1).sameAs(TfrVariant(0)));
    EXPECT_EQ(v.GetName(1), QString());
    v.SetValue(1, TfrVariant(9));
    v.SetName(-1, u("x"));
    v.Delete(3);
    EXPECT_EQ(v.GetCount(), 1);
    EXPECT_EQ(v.GetName(0), u("a"));
    EXPECT_EQ(v.GetValue(0).toInteger(), 1);
}

TEST(VariablesTest, InsertMovesAndDeleteRemoves)
{
    TfrVariables v;
    for (const char *n : {"a", "b", "c"})
        v.SetVariable(u(n), TfrVariant(u(n)));
    v.Insert(0, u("c"));
    EXPECT_EQ(names(v), (QStringList{u("c"), u("a"), u("b")}));
    EXPECT_TRUE(v.GetVariable(u("c")).sameAs(TfrVariant(0)));
    v.Insert(1, u("new"));
    EXPECT_EQ(names(v), (QStringList{u("c"), u("new"), u("a"), u("b")}));
    v.Insert(99, u("c"));
    EXPECT_EQ(names(v), (QStringList{u("new"), u("a"), u("b"), u("c")}));
    v.Delete(1);
    EXPECT_EQ(names(v), (QStringList{u("new"), u("b"), u("c")}));
    v.Clear();
    EXPECT_EQ(v.GetCount(), 0);
}

// A long list in insertion order finds its names through a hash: every change that moves
// positions (insert, delete, rename, assign, copy) must leave lookups right, with the
// same case rules as a scan.
TEST(VariablesTest, LongListsFindNamesAfterEveryKindOfChange)
{
    TfrVariables v;
    const int n = 200;
    for (int i = 0; i < n; ++i)
        v.SetVariable(u("Перем%1").arg(i), TfrVariant(i));
    auto expectAt = [&](const QString &name, int index, const char *step) {
        EXPECT_EQ(v.IndexOf(name), index) << step << ": " << name.toStdString();
        if (index >= 0) {
            EXPECT_EQ(v.GetName(index).compare(name, Qt::CaseInsensitive), 0) << step;
        }
    };
    expectAt(u("ПЕРЕМ0"), 0, "filled");
    expectAt(u("перем199"), 199, "filled");
    expectAt(u("перем200"), -1, "filled");
    v.SetVariable(u("ПЕРЕМ7"), TfrVariant(u("seven")));
    EXPECT_EQ(v.GetCount(), n) << "an existing name is set, not added";
    EXPECT_EQ(v.GetVariable(u("перем7")).toString(), u("seven"));

    v.Delete(0);
    expectAt(u("Перем0"), -1, "deleted first");
    expectAt(u("Перем1"), 0, "deleted first");
    expectAt(u("Перем199"), 198, "deleted first");
    v.Insert(5, u("Новая"));
    expectAt(u("НОВАЯ"), 5, "inserted");
    expectAt(u("Перем6"), 6, "inserted");
    v.Insert(0, u("перем199"));
    expectAt(u("Перем199"), 0, "moved to the front");
    expectAt(u("Перем198"), 199, "moved to the front");
    v.SetName(0, u("Renamed"));
    expectAt(u("Перем199"), -1, "renamed");
    expectAt(u("RENAMED"), 0, "renamed");
    v.SetVariable(u("Appended"), TfrVariant(1));
    expectAt(u("appended"), v.GetCount() - 1, "appended after lookups");

    TfrVariables copy(v);
    copy.Delete(1);
    expectAt(u("Перем1"), 1, "the original after its copy changed");
    EXPECT_EQ(copy.IndexOf(u("Перем2")), 1);
    TfrVariables assigned;
    assigned.Assign(v);
    EXPECT_EQ(assigned.IndexOf(u("APPENDED")), v.GetCount() - 1);
    copy = assigned;
    EXPECT_EQ(copy.IndexOf(u("перем1")), 1);
    v.Clear();
    expectAt(u("Перем1"), -1, "cleared");
    v.SetVariable(u("Again"), TfrVariant(2));
    expectAt(u("again"), 0, "cleared");
}

TEST(VariablesTest, AssignCopiesValuesAndKeepsOwnMode)
{
    TfrVariables source;
    source.SetVariable(u("z"), TfrVariant(u("text")));
    source.SetVariable(u("a"), TfrVariant(1.5));
    TfrVariables sorted;
    sorted.SetSorted(true);
    sorted.SetVariable(u("old"), TfrVariant(1));
    sorted.Assign(source);
    EXPECT_TRUE(sorted.GetSorted());
    EXPECT_EQ(names(sorted), (QStringList{u("a"), u("z")}));
    TfrVariables plain;
    plain.Assign(source);
    EXPECT_EQ(names(plain), (QStringList{u("z"), u("a")}));
    // Values are private copies.
    source.SetVariable(u("z"), TfrVariant(u("changed")));
    EXPECT_EQ(plain.GetVariable(u("z")).toString(), u("text"));
}

TEST(VariablesTest, EveryConstant)
{
    struct Row {
        const char *name;
        qint64 value;
    };
    const Row rows[] = {
        {"clWhite", 0xFFFFFF}, {"clBlack", 0}, {"clMaroon", 0x80}, {"clGreen", 0x8000},
        {"clOlive", 0x8080}, {"clNavy", 0x800000}, {"clPurple", 0x800080}, {"clTeal", 0x808000},
        {"clGray", 0x808080}, {"clSilver", 0xC0C0C0}, {"clRed", 0xFF}, {"clLime", 0xFF00},
        {"clYellow", 0xFFFF}, {"clBlue", 0xFF0000}, {"clFuchsia", 0xFF00FF}, {"clAqua", 0xFFFF00},
        {"clTransparent", 0x1FFFFFFF},
        {"clScrollBar", -0x80000000LL}, {"clBackground", -0x7FFFFFFF}, {"clActiveCaption", -0x7FFFFFFE},
        {"clInactiveCaption", -0x7FFFFFFD}, {"clMenu", -0x7FFFFFFC}, {"clWindow", -0x7FFFFFFB},
        {"clWindowFrame", -0x7FFFFFFA}, {"clMenuText", -0x7FFFFFF9}, {"clWindowText", -0x7FFFFFF8},
        {"clCaptionText", -0x7FFFFFF7}, {"clActiveBorder", -0x7FFFFFF6}, {"clInactiveBorder", -0x7FFFFFF5},
        {"clAppWorkSpace", -0x7FFFFFF4}, {"clHighlight", -0x7FFFFFF3}, {"clHighlightText", -0x7FFFFFF2},
        {"clBtnFace", -0x7FFFFFF1}, {"clBtnShadow", -0x7FFFFFF0}, {"clGrayText", -0x7FFFFFEF},
        {"clBtnText", -0x7FFFFFEE}, {"clInactiveCaptionText", -0x7FFFFFED}, {"clBtnHighlight", -0x7FFFFFEC},
        {"cl3DDkShadow", -0x7FFFFFEB}, {"cl3DLight", -0x7FFFFFEA}, {"clInfoText", -0x7FFFFFE9},
        {"clInfoBk", -0x7FFFFFE8},
        {"mrNone", 0}, {"mrOk", 1}, {"mrCancel", 2}, {"mrYes", 6}, {"mrNo", 7},
        {"fsBold", 2}, {"fsItalic", 1}, {"fsUnderline", 4}, {"fsStrikeOut", 8},
        {"frftNone", 0}, {"frftRight", 1}, {"frftBottom", 2}, {"frftLeft", 4}, {"frftTop", 8},
        {"frtaLeft", 0}, {"frtaRight", 1}, {"frtaCenter", 2}, {"frtaVertical", 4}, {"frtaMiddle", 8},
        {"frtaDown", 16},
        {"baNone", 0}, {"baLeft", 1}, {"baRight", 2}, {"baCenter", 3}, {"baWidth", 4}, {"baBottom", 5},
        {"baTop", 6}, {"baRest", 7},
        {"psSolid", 0}, {"psDash", 1}, {"psDot", 2}, {"psDashDot", 3}, {"psDashDotDot", 4}, {"psDouble", 5},
        {"mb_Ok", 0}, {"mb_OkCancel", 1}, {"mb_YesNo", 4}, {"mb_YesNoCancel", 3},
        {"mb_IconError", 16}, {"mb_IconQuestion", 32}, {"mb_IconInformation", 64}, {"mb_IconWarning", 48},
    };
    const TfrVariables &c = frConsts();
    EXPECT_TRUE(c.GetSorted());
    for (const Row &r : rows) {
        const TfrVariant *v = c.Find(u(r.name));
        ASSERT_NE(v, nullptr) << r.name;
        EXPECT_TRUE(v->isInteger()) << r.name;
        EXPECT_EQ(v->toInt64(), r.value) << r.name;
    }
    EXPECT_EQ(c.GetVariable(u("crlf")).toString(), u("\r\n"));
    ASSERT_NE(c.Find(u("NULL")), nullptr);
    EXPECT_TRUE(c.Find(u("NULL"))->isNull());
    EXPECT_EQ(c.GetCount(), int(std::size(rows)) + 2);
    EXPECT_TRUE(frVariables().GetSorted());
}

TEST(VariablesTest, SplitterFollowsVariablesThroughTheLookup)
{
    TfrVariables vars;
    vars.SetVariable(u("Total"), TfrVariant(u("SUM([Amount])")));
    vars.SetVariable(u("Peak"), TfrVariant(u("MAX(1)")));
    const QStringList search{u("SUM"), u("MAX")};
    QStringList results;
    TfrFunctionSplitter splitter(search, results, frVariablesLookup(vars));
    splitter.Split(u("[Total] + Peak"));
    EXPECT_TRUE(results.contains(u("SUM([Amount])"))) << results.join(u("|")).toStdString();
    EXPECT_TRUE(results.contains(u("MAX(1)"))) << results.join(u("|")).toStdString();
    EXPECT_FALSE(frVariablesLookup(vars)(u("Other")).has_value());
}

} // namespace
