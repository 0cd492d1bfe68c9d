// Property records, the registries, the object factory and qualified names.
#include "model_test_support.h"

#include <QObject>

#include "report/eval/components.h"
#include "report/eval/dataset.h"
#include "report/eval/value_resolution.h"
#include "report/model/band_view.h"
#include "report/model/picture_view.h"
#include "report/model/registry.h"

namespace {

class PlainObject : public TfrObject {};

TEST(PropertyRecords, NamesAreCutToThirtyTwoCharactersAndFoundWithoutCase)
{
    PlainObject o;
    const QString longName = QStringLiteral("A234567890123456789012345678901234567890");
    o.AddProperty(longName, {frdtString});
    o.AddProperty(QStringLiteral("Font.Name"), {});
    EXPECT_EQ(o.GetPropRec(longName), nullptr);
    ASSERT_NE(o.GetPropRec(longName.left(32)), nullptr);
    EXPECT_EQ(o.GetPropRec(QStringLiteral("font.name")), &o.Prop(1));
    o.DelProperty(QStringLiteral("FONT.NAME"));
    EXPECT_EQ(o.PropCount(), 1);
    o.DelProperty(QStringLiteral("missing"));
    EXPECT_EQ(o.PropCount(), 1);
}

TEST(PropertyRecords, EnumerationTagsSplitAtSemicolons)
{
    const struct {
        const char *tags;
        QStringList expected;
    } rows[] = {
        {"", {}},
        {"a", {"a"}},
        {"a;b", {"a", "b"}},
        {"a;;b", {"a", "", "b"}},
        {"a;b;", {"a", "b"}},
        {";a", {"", "a"}},
    };
    for (const auto &row : rows)
        EXPECT_EQ(frSetCommaText(QString::fromUtf8(row.tags)), row.expected) << "tags " << row.tags;

    PlainObject o;
    o.AddEnumProperty(QStringLiteral("Style"), QStringLiteral("x;y"), {0, 1});
    o.AddEnumProperty(QStringLiteral("Names"), QStringLiteral("x;y"), {TfrVariant::null(), 1});
    const TfrPropRec *style = o.GetPropRec(QStringLiteral("style"));
    ASSERT_TRUE(style && style->enumValueList);
    EXPECT_TRUE(style->propertyKinds.contains(frdtEnum));
    EXPECT_EQ(style->enumValueList->at(1).toInteger(), 1);
    EXPECT_FALSE(o.GetPropRec(QStringLiteral("Names"))->enumValueList.has_value());
}

TEST(PropertyRecords, FontSubProperties)
{
    TfrFont f;
    EXPECT_TRUE(TfrObject::SetFontProp(f, QStringLiteral("FONT.SIZE"), TfrVariant(14)));
    EXPECT_TRUE(TfrObject::SetFontProp(f, QStringLiteral("FONT.STYLE"), TfrVariant(3)));
    EXPECT_FALSE(TfrObject::SetFontProp(f, QStringLiteral("FONT.WEIGHT"), TfrVariant(1)));
    EXPECT_EQ(f.Size, 14);
    EXPECT_EQ(TfrObject::GetFontProp(f, QStringLiteral("FONT.STYLE")).toInteger(), 3);
    EXPECT_TRUE(TfrObject::GetFontProp(f, QStringLiteral("FONT.WEIGHT")).isNull());
}

TEST(PropertyRecords, LinesMethods)
{
    QStringList lines{QStringLiteral("a"), QStringLiteral("b")};
    const TfrVariant none = TfrVariant::null();
    TfrObject::LinesMethod(lines, QStringLiteral("SETINDEXPROPERTY"), QStringLiteral("MEMO"),
                           TfrVariant("MEMO"), TfrVariant(1), TfrVariant("text"));
    EXPECT_EQ(lines, QStringList({"a", "text"}));
    EXPECT_EQ(TfrObject::LinesMethod(lines, QStringLiteral("GETINDEXPROPERTY"), QStringLiteral("MEMO"),
                                     TfrVariant("MEMO"), TfrVariant(0), none)
                  .toString(),
              QStringLiteral("a"));
    TfrObject::LinesMethod(lines, QStringLiteral("MEMO.ADD"), QStringLiteral("MEMO"), TfrVariant("2 + 3"), none, none);
    EXPECT_EQ(lines.last(), QStringLiteral("5"));
    EXPECT_EQ(TfrObject::LinesMethod(lines, QStringLiteral("MEMO.INDEXOF"), QStringLiteral("MEMO"),
                                     TfrVariant("'text'"), none, none)
                  .toInteger(),
              1);
    TfrObject::LinesMethod(lines, QStringLiteral("MEMO.DELETE"), QStringLiteral("MEMO"), TfrVariant("0"), none, none);
    EXPECT_EQ(lines, QStringList({"text", "5"}));
    // A line that is not there is an error, not a crash.
    EXPECT_THROW(TfrObject::LinesMethod(lines, QStringLiteral("SETINDEXPROPERTY"), QStringLiteral("MEMO"),
                                        TfrVariant("MEMO"), TfrVariant(7), TfrVariant("x")),
                 EfrError);
    TfrObject::LinesMethod(lines, QStringLiteral("MEMO.CLEAR"), QStringLiteral("MEMO"), none, none, none);
    EXPECT_TRUE(lines.isEmpty());
}

// ---- registries --------------------------------------------------------------------------

class FakeAddIn : public TfrMemoView {
public:
    QString ClassName() const override { return QStringLiteral("TfrFakeAddIn"); }
};

const TfrViewClass kFakeClass{QStringLiteral("TfrFakeAddIn"), [] { return std::make_unique<FakeAddIn>(); }};

class FilterA : public QObject {
    Q_OBJECT
};

TEST_F(ModelTest, RegisteringTwiceKeepsOneEntryAndTablesRefuseA65th)
{
    frRegisterObject(&kFakeClass, QImage(), QStringLiteral("hint"));
    frRegisterObject(&kFakeClass, QImage(), QStringLiteral("again"));
    EXPECT_EQ(frAddInsCount(), 1);
    frUnRegisterObject(&kFakeClass);
    EXPECT_EQ(frAddInsCount(), 0);

    FilterA first, second;
    frRegisterExportFilter(&first, QStringLiteral("one"), QStringLiteral("*.xls"));
    frRegisterExportFilter(&second, QStringLiteral("two"), QStringLiteral("*.xls"));
    ASSERT_EQ(frFiltersCount(), 1);
    EXPECT_EQ(frFilters()[0].filterInstance, &first);
    frUnRegisterExportFilter(&second); // same class name
    EXPECT_EQ(frFiltersCount(), 0);

    for (int i = 0; i < frMaxRegistryEntries; ++i)
        frRegisterTool(QStringLiteral("tool %1").arg(i), QImage(), {});
    frRegisterTool(QStringLiteral("tool 3"), QImage(), {}); // replaces
    EXPECT_EQ(frToolsCount(), 64);
    EXPECT_THROW(frRegisterTool(QStringLiteral("one too many"), QImage(), {}), EfrError);
    frTools().Clear();
}

TEST_F(ModelTest, CreatedObjectsTakeConsecutiveIds)
{
    const auto a = frCreateObject(otMemo, QString());
    TfrReport other;
    const auto b = frCreateObject(otLine, QString());
    EXPECT_EQ(b->objectNumber, a->objectNumber + 1);
    EXPECT_EQ(a->Typ, otMemo);
    EXPECT_EQ(frCreateObject(5, QString()), nullptr);
    EXPECT_EQ(frCreateObject(11, QString()), nullptr);
}

TEST_F(ModelTest, UnknownAddInClassesAccumulateInTheError)
{
    const qint32 before = objectNumberCounter;
    try {
        frCreateObject(otAddIn, QStringLiteral("TfrMemoView"));
        FAIL() << "no error";
    } catch (const EClassNotFound &e) {
        EXPECT_EQ(e.message(), QStringLiteral("TfrMemoView\r"));
    }
    try {
        frCreateObject(otAddIn, QStringLiteral("TfrChartView"));
        FAIL() << "no error";
    } catch (const EClassNotFound &e) {
        EXPECT_EQ(e.message(), QStringLiteral("TfrMemoView\rTfrChartView\r"));
    }
    EXPECT_TRUE(ErrorFlag);
    EXPECT_EQ(objectNumberCounter, before);

    frRegisterObject(&kFakeClass, QImage(), QString());
    const auto v = frCreateObject(otAddIn, QStringLiteral("TfrFakeAddIn"));
    EXPECT_EQ(v->Typ, otAddIn);
    EXPECT_THROW(frCreateObject(otAddIn, QStringLiteral("tfrfakeaddin")), EClassNotFound);
    frUnRegisterObject(&kFakeClass);
}

// ---- qualified names -----------------------------------------------------------------------

TEST_F(ModelTest, QualifiedNamesFindObjectsPagesAndTheCurrentView)
{
    auto *memo = add<TfrMemoView>(QStringLiteral("Memo1"));
    auto *other = add<TfrMemoView>(QStringLiteral("PageX"));
    report->AddPage();
    CurView = other;

    const struct {
        const char *name;
        TfrObject *target;
        const char *property;
    } rows[] = {
        {"Memo1.Font.Size", memo, "Font.Size"},
        {"memo1.Visible", memo, "Visible"},
        {"Page2.Visible", report->Page(1), "Visible"},
        {"Page1.Visible", report->Page(0), "Visible"},
        {"Page9.Visible", nullptr, "Visible"},
        {"PageX.Visible", other, "Visible"},
        {"Font.Name", other, "Font.Name"},
        {"Left", other, "Left"},
        {"Nobody.Left", nullptr, "Left"},
    };
    for (const auto &row : rows) {
        TfrObject *target = nullptr;
        QString property;
        frResolveQualifiedName(QString::fromUtf8(row.name), target, property);
        EXPECT_EQ(target, row.target) << row.name;
        EXPECT_EQ(property, QString::fromUtf8(row.property)) << row.name;
    }
}

TEST_F(ModelTest, ValueResolutionReadsObjectProperties)
{
    auto *memo = add<TfrMemoView>(QStringLiteral("Memo1"), 10, 20, 30, 40);
    memo->Font.Size = 12;
    report->Page(0)->Visible = false;
    CurView = memo;
    const struct {
        const char *name;
        TfrVariant expected;
    } rows[] = {
        {"Memo1.Font.Size", TfrVariant(12)},
        {"Page1.Visible", TfrVariant(false)},
        {"Font.Size", TfrVariant(12)},
        {"Left", TfrVariant(10)},
        {"Memo.Count", TfrVariant(0)},
        {"clRed", TfrVariant(0xFF)}, // no such property: the constant
    };
    for (const auto &row : rows) {
        TfrVariant v;
        GetIntrpValue(QString::fromUtf8(row.name), v);
        EXPECT_TRUE(v.sameAs(row.expected)) << row.name << " gave " << v.toString().toStdString();
    }
    TfrVariant none;
    GetIntrpValue(QStringLiteral("Memo1.NoSuchThing"), none);
    EXPECT_TRUE(none.isEmpty());
    // The whole chain: a bracket group that names a property.
    memo->Memo = QStringList{QStringLiteral("[Memo1.Top] px")};
    memo->formatCode = 0;
    memo->ExpandMemoVariables();
    EXPECT_EQ(memo->expandedMemo, QStringList({"20 px"}));
}

TEST_F(ModelTest, ScriptsReachObjectsByName)
{
    auto *memo = add<TfrMemoView>(QStringLiteral("Memo1"));
    memo->Memo = QStringList{QStringLiteral("a"), QStringLiteral("b")};
    auto *other = add<TfrMemoView>(QStringLiteral("Memo2"));
    CurView = other;
    TfrVariant result;
    EXPECT_TRUE(frCallObjectMethod(QStringLiteral("Memo1.Memo.Add"), TfrVariant("'c'"), {}, {}, result));
    EXPECT_EQ(memo->Memo.last(), QStringLiteral("c"));
    EXPECT_TRUE(frCallObjectMethod(QStringLiteral("Hide"), {}, {}, {}, result));
    EXPECT_FALSE(other->Visible) << "no point: the current view";
    EXPECT_TRUE(frSetObjectProperty(QStringLiteral("Memo1.Font.Size"), TfrVariant(20)));
    EXPECT_EQ(memo->Font.Size, 20);
    EXPECT_FALSE(frSetObjectProperty(QStringLiteral("Memo1.Colour"), TfrVariant(1)));
    EXPECT_TRUE(frCallIndexProperty(QStringLiteral("Memo1.Memo"), QStringLiteral("GETINDEXPROPERTY"),
                                    TfrVariant(1), TfrVariant::null(), result));
    EXPECT_EQ(result.toString(), QStringLiteral("b"));
    EXPECT_FALSE(frCallObjectMethod(QStringLiteral("Nobody.Hide"), {}, {}, {}, result));
}

TEST_F(ModelTest, ObjectScriptsRunThroughTheInstalledInterpreter)
{
    auto *memo = add<TfrMemoView>(QStringLiteral("Memo1"));
    memo->Memo = QStringList{QStringLiteral("text")};
    memo->scriptLines = QStringList{QStringLiteral("hide")};
    frGlobals().scriptRunner = [](QStringList &script) {
        if (script.value(0) == QLatin1String("hide"))
            frSetObjectProperty(QStringLiteral("Visible"), TfrVariant(false));
    };
    TfrStream s;
    memo->StreamOut(s);
    frGlobals().scriptRunner = nullptr;
    EXPECT_EQ(s.size(), 0) << "a view its script hid leaves no record";
    EXPECT_EQ(memo->drawStage, drAll);
}

TEST_F(ModelTest, DefaultDataSetFollowsTheCurrentBandsType)
{
    page->Bands[btMasterData] = std::make_unique<TfrBand>(btMasterData, page);
    page->Bands[btDetailHeader] = std::make_unique<TfrBand>(btDetailHeader, page);
    page->Bands[btMasterData]->InitDataSet(QStringLiteral("3"));
    TfrDataset *master = page->Bands[btMasterData]->DataSet();
    ASSERT_NE(master, nullptr);
    TfrValueContext &ctx = frValueContext();
    CurBand = page->Band(btDetailHeader);
    EXPECT_EQ(ctx.CurrentBandType(), btDetailHeader);
    EXPECT_EQ(ctx.PageBandDataset(btMasterData), master);
    page->PageType = ptDialog;
    EXPECT_EQ(ctx.CurrentBandType(), -1);
    // No database data set anywhere: no default cursor.
    EXPECT_EQ(GetDefaultDataSet(), nullptr);
}

} // namespace

#include "object_test.moc"
