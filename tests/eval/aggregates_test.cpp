// Aggregates through their three phases: registration in the pre-scan, accumulation per
// record, retrieval and reset; and the collector that finds aggregate calls.
#include <gtest/gtest.h>

#include "report/eval/aggregates.h"
#include "report/eval/function_library.h"
#include "report/eval/interpreter.h"
#include "report/eval/parser.h"
#include "report/eval/value_resolution.h"
#include "report/eval/variables.h"

namespace {

QString u(const char *s) { return QString::fromUtf8(s); }

namespace TB = TfrAggregateBandTypes;

class FakeBand : public TfrAggregateBand {
public:
    FakeBand(const char *name, int type, bool crossBands = false)
        : name(QString::fromLatin1(name)), type(type), crossBands(crossBands)
    {
    }
    QString AggregateBandName() const override { return name; }
    int AggregateBandType() const override { return type; }
    bool AggregateHasCrossBands() const override { return crossBands; }
    bool AggregateBandVisible() const override { return visible; }

    QString name;
    int type;
    bool crossBands;
    bool visible = true;
};

class BandContext : public TfrRunContext {
public:
    TfrAggregateBand *current = nullptr;
    TfrAggregateBand *prep = nullptr;
    int column = 0;
    TfrAggregateBand *CurAggregateBand() const override { return current; }
    TfrAggregateBand *AggregatePrepBand() const override { return prep; }
    int CurrentColumn() const override { return column; }
};

class PrepModeContext : public TfrValueContext {
public:
    bool prepMode = false;
    bool AggregatePrepMode() const override { return prepMode; }
};

class Aggregates : public ::testing::Test {
protected:
    void SetUp() override
    {
        frVariables().Clear();
        frInstallNameHandler();
        frInstallFunctionHandler();
        frSetRunContext(&bands);
        frSetValueContext(&values);
    }
    void TearDown() override
    {
        frSetRunContext(nullptr);
        frSetValueContext(nullptr);
        frVariables().Clear();
    }

    // The page engine's pre-scan of one showing band for one data band.
    void prescan(FakeBand &showing, FakeBand &data, const char *call)
    {
        values.prepMode = true;
        bands.current = &showing;
        bands.prep = &data;
        frParser->Calc(u(call));
        values.prepMode = false;
        bands.prep = nullptr;
    }
    void records(FakeBand &data, std::initializer_list<TfrVariant> xs, int column = 0)
    {
        for (const TfrVariant &x : xs) {
            frVariables().SetVariable(u("x"), x);
            DoAggregate(data, column);
        }
    }
    QString show(FakeBand &showing, const char *call)
    {
        bands.current = &showing;
        return frParser->Calc(u(call)).toString();
    }

    BandContext bands;
    PrepModeContext values;
    FakeBand masterData{"MasterData1", TB::MasterData};
    FakeBand masterFooter{"MasterFooter1", TB::MasterFooter};
    FakeBand pageHeader{"PageHeader1", 2};
};

TEST_F(Aggregates, TotalsOverTheRecordsOfTheDataBand)
{
    struct Row {
        const char *call;
        std::initializer_list<TfrVariant> xs;
        const char *shown;
    };
    const Row rows[] = {
        {"SUM([x])", {2, 4, 9}, "15"},
        {"SUM([x], MasterData1)", {2, 4, 9}, "15"},
        {"SUM([x], masterdata1)", {2, 4, 9}, "15"},
        {"AVG([x])", {2, 4, 9}, "5"},
        {"AVG([x])", {}, "0"},
        {"MAX([x])", {-3, -5}, "0"}, // the running value starts at 0
        {"MAX([x])", {3, 8, 5}, "8"},
        {"MIN([x])", {3, 5}, "3"},
        {"COUNT(MasterData1)", {7, 7, 7, 7}, "4"},
        {"SUM([x] * 2)", {1.5, 2}, "7"},
        {"SUM([x])", {TfrVariant::null(), 3}, "3"}, // a null value counts as 0
        {"SUM([x], OtherData)", {2, 4}, "0"},       // never registered
    };
    for (const Row &r : rows) {
        FakeBand data{"MasterData1", TB::MasterData};
        FakeBand footer{"MasterFooter1", TB::MasterFooter};
        prescan(footer, data, r.call);
        records(data, r.xs);
        EXPECT_EQ(show(footer, r.call), u(r.shown)) << r.call;
    }
}

TEST_F(Aggregates, DefaultBandDependsOnTheShowingBand)
{
    // A page header is no band that shows master totals by default.
    prescan(pageHeader, masterData, "SUM([x])");
    EXPECT_EQ(masterData.aggregateValues.GetCount(), 0);
    EXPECT_EQ(pageHeader.aggregateOwner, nullptr);
    records(masterData, {5});
    EXPECT_EQ(show(pageHeader, "SUM([x])"), u("0"));

    struct Pair {
        int showing, data;
        bool registers;
    };
    const Pair pairs[] = {
        {TB::ReportSummary, TB::MasterData, true}, {TB::PageFooter, TB::MasterData, true},
        {TB::GroupFooter, TB::MasterData, true},   {TB::DetailFooter, TB::DetailData, true},
        {TB::SubDetailFooter, TB::SubDetailData, true}, {TB::CrossFooter, TB::CrossData, true},
        {TB::DetailFooter, TB::MasterData, false}, {TB::MasterFooter, TB::DetailData, false},
        {15 /* column footer */, TB::MasterData, false},
    };
    for (const Pair &p : pairs) {
        FakeBand showing{"Showing", p.showing};
        FakeBand data{"Data", p.data};
        prescan(showing, data, "SUM([x])");
        EXPECT_EQ(data.aggregateValues.GetCount() == 1, p.registers) << p.showing << " over " << p.data;
        // Naming the band always registers.
        prescan(showing, data, "MAX([x], Data)");
        EXPECT_EQ(showing.aggregateOwner, &data) << p.showing << " over " << p.data;
    }
}

TEST_F(Aggregates, KeyLayout)
{
    prescan(masterFooter, masterData, "SUM( [x] ,, 1)");
    prescan(masterFooter, masterData, "MIN([x])");
    prescan(masterFooter, masterData, "COUNT(MasterData1)");
    ASSERT_EQ(masterData.aggregateValues.GetCount(), 3);
    const QString sep(QChar(1));
    EXPECT_EQ(masterData.aggregateValues.GetName(0),
              u("MasterFooter1") + sep + QChar(11) + sep + u(" [x] ") + sep + u(" 1") + sep);
    EXPECT_EQ(masterData.aggregateValues.GetName(1), u("MasterFooter1") + sep + QChar(12) + sep + u("[x]") + sep + sep);
    EXPECT_EQ(masterData.aggregateValues.GetValue(1).toReal(), 1e300);
    EXPECT_EQ(masterData.aggregateValues.GetName(2),
              u("MasterFooter1") + sep + QChar(15) + sep + u("MasterData1") + sep + sep);
}

TEST_F(Aggregates, InvisibleRecordsCountOnlyWithTheFlag)
{
    prescan(masterFooter, masterData, "SUM([x])");
    prescan(masterFooter, masterData, "SUM([x], MasterData1, 1)");
    prescan(masterFooter, masterData, "COUNT(MasterData1)");
    prescan(masterFooter, masterData, "COUNT(MasterData1, 1)");
    masterData.visible = false;
    records(masterData, {2, 3});
    EXPECT_EQ(show(masterFooter, "SUM([x])"), u("0"));
    EXPECT_EQ(show(masterFooter, "SUM([x], MasterData1, 1)"), u("5"));
    EXPECT_EQ(show(masterFooter, "COUNT(MasterData1)"), u("0"));
    EXPECT_EQ(show(masterFooter, "COUNT(MasterData1, 1)"), u("2"));
}

TEST_F(Aggregates, ResetAfterTheShowingBandPrinted)
{
    prescan(masterFooter, masterData, "SUM([x])");
    prescan(masterFooter, masterData, "MIN([x])");
    prescan(masterFooter, masterData, "AVG([x])");
    prescan(pageHeader, masterData, "SUM([x], MasterData1)");
    prescan(pageHeader, masterData, "AVG([x], MasterData1)");
    records(masterData, {4, 6});
    EXPECT_EQ(show(masterFooter, "AVG([x])"), u("5"));

    frResetAggregates(masterFooter);
    EXPECT_EQ(show(masterFooter, "SUM([x])"), u("0"));
    EXPECT_EQ(show(masterFooter, "AVG([x])"), u("0"));
    // Keys of another showing band keep their totals, and their averages their divisor.
    EXPECT_EQ(show(pageHeader, "SUM([x], MasterData1)"), u("10"));
    EXPECT_EQ(show(pageHeader, "AVG([x], MasterData1)"), u("5"));

    records(masterData, {8});
    EXPECT_EQ(show(masterFooter, "MIN([x])"), u("8"));
    EXPECT_EQ(show(masterFooter, "AVG([x])"), u("8"));
    EXPECT_EQ(show(pageHeader, "AVG([x], MasterData1)"), u("6"));
}

TEST_F(Aggregates, AverageDividesByTheValuesItAccumulated)
{
    // Invisible records enter an average only with the flag, and then count in its divisor.
    prescan(masterFooter, masterData, "AVG([x])");
    prescan(masterFooter, masterData, "AVG([x], MasterData1, 1)");
    records(masterData, {2, 4});
    masterData.visible = false;
    records(masterData, {9});
    EXPECT_EQ(show(masterFooter, "AVG([x])"), u("3"));
    EXPECT_EQ(show(masterFooter, "AVG([x], MasterData1, 1)"), u("5"));
}

TEST_F(Aggregates, EqualExpressionsAreEvaluatedOncePerRecord)
{
    frVariables().SetVariable(u("calls"), TfrVariant(0));
    prescan(masterFooter, masterData, "SUM(INC(calls))");
    prescan(masterFooter, masterData, "MAX(INC(calls))");
    prescan(masterFooter, masterData, "COUNT(MasterData1)");
    prescan(masterFooter, masterData, "MIN(INC(calls))");
    records(masterData, {1, 2, 3});
    // Two keys share the text, then a COUNT; the third evaluates again.
    EXPECT_EQ(frVariables().GetVariable(u("calls")).toInteger(), 6);
}

TEST_F(Aggregates, CrossColumnsKeepTotalsPerColumn)
{
    FakeBand rowData{"MasterData1", TB::MasterData, true};
    FakeBand rowFooter{"MasterFooter1", TB::MasterFooter, true};
    FakeBand crossData{"CrossData1", TB::CrossData};
    prescan(rowFooter, rowData, "SUM([x])");
    prescan(rowFooter, rowData, "MIN([x])");
    records(rowData, {2}, 1);
    records(rowData, {5}, 2);
    records(rowData, {3}, 1);

    // A cross cell of the footer row reads its column's total.
    crossData.aggregateOwner = &rowFooter;
    bands.column = 1;
    EXPECT_EQ(show(crossData, "SUM([x])"), u("5"));
    EXPECT_EQ(show(crossData, "MIN([x])"), u("2"));
    bands.column = 2;
    EXPECT_EQ(show(crossData, "SUM([x])"), u("5"));
    EXPECT_EQ(show(crossData, "MIN([x])"), u("5"));
    bands.column = 3;
    EXPECT_EQ(show(crossData, "SUM([x])"), u("0"));

    // Printing the footer row starts every column anew.
    frResetAggregates(rowFooter);
    bands.column = 1;
    EXPECT_EQ(show(crossData, "SUM([x])"), u("0"));
}

TEST_F(Aggregates, BandWithoutOwnerOrContextShowsTheDefault)
{
    EXPECT_EQ(show(masterFooter, "SUM([x])"), u("0"));
    bands.current = nullptr;
    EXPECT_EQ(frParser->Calc(u("SUM([x])")).toString(), u("0"));
    frSetRunContext(nullptr);
    EXPECT_EQ(frParser->Calc(u("AVG([x])")).toString(), u("0"));
}

TEST(AggregateSplitter, FindsCallsInTextAndScripts)
{
    TfrVariables dictionaryVariables;
    dictionaryVariables.SetVariable(u("Total"), TfrVariant(u("SUM([Amount])")));
    QStringList found;
    TAggregateFunctionsSplitter splitter(found, frVariablesLookup(dictionaryVariables));

    splitter.SplitMemo({u("Sum: [SUM([x])] max [MAX([y], Band1) #N0.00] plain [Name]"), u("[Total] and [COUNT(B)]")});
    EXPECT_EQ(found, (QStringList{u("SUM([x])"), u("MAX([y], Band1)"), u("SUM([Amount])"), u("COUNT(B)")}));
    // A call without its closing parenthesis is the parser's error, as when the text prints.
    EXPECT_THROW(splitter.SplitMemo({u("[COUNT(B]")}), EfrError);

    found.clear();
    QStringList compiled, errors;
    frInterpretator->PrepareScript({u("begin if AVG([a]) > 1 then y := MIN([b]) + [Total] end")}, compiled, errors);
    ASSERT_TRUE(errors.isEmpty());
    splitter.SplitScript(compiled);
    EXPECT_EQ(found, (QStringList{u("AVG([a])"), u("MIN([b])"), u("SUM([Amount])")}));
}

} // namespace
