#include <QHash>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QUuid>
#include <gtest/gtest.h>

#include "report/eval/data_dictionary.h"
#include "report/eval/datetime.h"
#include "report/eval/db_dataset.h"
#include "report/eval/format_settings.h"
#include "report/eval/globals.h"
#include "report/eval/parser.h"
#include "report/eval/value_resolution.h"
#include "report/eval/variables.h"

namespace {

QString u(const char *s) { return QString::fromUtf8(s); }

quint32 fmt(quint32 category, quint32 variant, quint32 decimals = 0, char separator = 0)
{
    return (category << 24) | (variant << 16) | (decimals << 8) | quint32(uchar(separator));
}

const QString nbsp(QChar(0x00A0));

// A report, page, band and view as value resolution sees them.
class TestContext : public TfrValueContext {
public:
    QObject *owner = nullptr;
    TfrDataDictionary *dictionary = nullptr;
    TfrDataset *dataset = nullptr;
    QHash<QString, TfrVariant> hostValues; // OnGetValue
    QHash<QString, TfrVariant> properties; // object properties by qualified name
    TfrDocInfo doc;
    bool finalPass = false, aggregate = false, hasView = false, hideZeros = false;
    int totalPages = 0, posY = 0, limitY = 0, rightMargin = 0, column = 0, record = 0;
    int lineNo = 0, lineThrough = 0, calcWidth = 0;
    quint32 viewFormat = 0;
    QString viewFormatStr;

    QObject *ReportOwner() const override { return owner; }
    TfrDataDictionary *Dictionary() const override { return dictionary; }
    TfrDataset *ReportDataset() const override { return dataset; }
    void OnGetValue(const QString &name, TfrVariant &value) override
    {
        if (auto it = hostValues.constFind(name); it != hostValues.constEnd())
            value = *it;
    }
    TfrDocInfo DocInfo() const override { return doc; }
    bool FinalPass() const override { return finalPass; }
    int TotalPages() const override { return totalPages; }
    bool AggregatePrepMode() const override { return aggregate; }
    int PosY() const override { return posY; }
    int LimitY() const override { return limitY; }
    int RightMargin() const override { return rightMargin; }
    int CrossColumnNo() const override { return column; }
    int RecordNo() const override { return record; }
    int LineNo() const override { return lineNo; }
    int LineThroughNo() const override { return lineThrough; }
    bool ViewFormat(quint32 &format, QString &formatStr) const override
    {
        if (!hasView)
            return false;
        format = viewFormat;
        formatStr = viewFormatStr;
        return true;
    }
    bool ViewHidesZeros() const override { return hasView && hideZeros; }
    int CalcWidth() override { return calcWidth; }
    bool GetObjectProperty(const QString &name, TfrVariant &value) override
    {
        auto it = properties.constFind(name.toUpper());
        if (it == properties.constEnd())
            return false;
        value = *it;
        return true;
    }
};

class ValueResolutionTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        savedHandler = frParser->NameHandler;
        frInstallNameHandler();
        frSetValueContext(&ctx);
        ctx.dictionary = &dict;
        PageNo = 0;
        auto &vars = frVariables();
        vars.SetVariable(u("Sum"), TfrVariant(1234.5));
        vars.SetVariable(u("Flag"), TfrVariant(true));
        vars.SetVariable(u("NoFlag"), TfrVariant(false));
        vars.SetVariable(u("D"), TfrVariant::fromDateTime(frEncodeDate(2024, 3, 5)));
        vars.SetVariable(u("Zero"), TfrVariant(0));
        vars.SetVariable(u("ZeroReal"), TfrVariant(0.0));
        vars.SetVariable(u("ZeroStr"), TfrVariant(u("0")));
        vars.SetVariable(u("Nothing"), TfrVariant::null());
    }
    void TearDown() override
    {
        frVariables().Clear();
        frSetValueContext(nullptr);
        frParser->NameHandler = savedHandler;
        PageNo = 0;
        frValueState() = TfrValueState{};
    }
    TfrVariant get(const QString &name)
    {
        TfrVariant v = TfrVariant::null();
        GetVariableValue(name, v);
        return v;
    }

    TfrFormatSettingsScope scope{TfrFormatSettings::russian()};
    TGetPValueEvent savedHandler;
    TestContext ctx;
    TfrDataDictionary dict;
};

TEST_F(ValueResolutionTest, BracketContentsWithInlineFormats)
{
    struct Row {
        const char *content;
        bool hasView;
        quint32 viewFormat;
        const char *viewFormatStr;
        QString expected;
    };
    const Row rows[] = {
        {"Sum #N0.2", false, 0, "", u("1234.50")},
        {"Sum #N0,2", false, 0, "", u("1234,50")},
        {"Sum #N0-1", false, 0, "", u("1234-5")},
        {"Sum #n0.3", false, 0, "", u("1234.500")},
        {"Sum #0.2", false, 0, "", u("1234.50")}, // a digit first means a number
        {"Sum #N#,##0.00", false, 0, "", u("1") + nbsp + u("234.50")},
        {"Sum #N#,##0,00", false, 0, "", u("1") + nbsp + u("234,50")},
        // Only the format string changes; the object's word stays.
        {"Sum ##,##0.00", true, fmt(1, 4, 0, ','), "0", u("1") + nbsp + u("234,50")},
        {"Sum ##,##0.00", true, fmt(0, 0), "", u("1234,5")},
        {"D #Ddd.mm.yyyy", false, 0, "", u("05.03.2024")},
        {"D #dyyyy", false, 0, "", u("2024")},
        {"D #Tdd/mm", false, 0, "", u("05.03")},
        {"Flag #BNo;Yes", false, 0, "", u("Yes")},
        {"NoFlag #BNo;Yes", false, 0, "", u("No")},
        {"Flag #bYes", false, 0, "", u("Yes")},
        {"NoFlag #BYes", false, 0, "", u("")},
        {"Sum", true, fmt(1, 1, 2, ','), "", u("1234,50")},
        {"Sum", false, 0, "", u("1234,5")},
        {"Nothing #N0.2", false, 0, "", u("")},
        {"2 + 2", false, 0, "", u("4")},
        {"[Sum] * 2", false, 0, "", u("2469")},
        {"IF(Sum > 0, 'x', 'y')", false, 0, "", u("x")},
        {"clRed", false, 0, "", u("255")},
        {"Null", false, 0, "", u("")},
        {"CRLF", false, 0, "", u("")}, // blank after trimming
    };
    for (const Row &r : rows) {
        ctx.hasView = r.hasView;
        ctx.viewFormat = r.viewFormat;
        ctx.viewFormatStr = u(r.viewFormatStr);
        EXPECT_EQ(InternalOnGetValue(u(r.content)), r.expected) << r.content;
    }
}

TEST_F(ValueResolutionTest, HiddenZeros)
{
    ctx.hasView = true;
    ctx.hideZeros = true;
    EXPECT_EQ(InternalOnGetValue(u("Zero")), QString());
    EXPECT_EQ(InternalOnGetValue(u("ZeroReal")), QString());
    EXPECT_EQ(InternalOnGetValue(u("ZeroStr")), u("0"));
    EXPECT_EQ(InternalOnGetValue(u("Sum")), u("1234,5"));
    EXPECT_EQ(InternalOnGetValue(u("Nothing")), QString());
    ctx.hideZeros = false;
    EXPECT_EQ(InternalOnGetValue(u("Zero")), u("0"));
}

TEST_F(ValueResolutionTest, PageNumberInEitherCase)
{
    PageNo = 2;
    EXPECT_EQ(InternalOnGetValue(u("PAGE#")), u("3"));
    EXPECT_EQ(InternalOnGetValue(u("Page#")), u("3"));
    EXPECT_EQ(InternalOnGetValue(u("PAGE# + 1")), u("4"));
}

TEST_F(ValueResolutionTest, UndefinedNameNamesTheUpperCasedName)
{
    try {
        InternalOnGetValue(u("Undefined"));
        FAIL() << "no error";
    } catch (const EfrError &e) {
        EXPECT_EQ(e.message(), u("Переменная не определена: \"UNDEFINED\""));
    }
    // The failed name does not stay under evaluation.
    EXPECT_EQ(get(u("2 + 3")).toInteger(), 5);
    EXPECT_THROW(get(u("Missing * 2")), EfrError);
    EXPECT_EQ(InternalOnGetValue(u("Sum #N0.1")), u("1234.5"));
}

TEST_F(ValueResolutionTest, AggregatePrescanNeitherFormatsNorFails)
{
    ctx.aggregate = true;
    EXPECT_EQ(InternalOnGetValue(u("Undefined")), QString());
    EXPECT_EQ(get(u("UNDEFINED")).toInteger(), 0);
    EXPECT_EQ(InternalOnGetValue(u("Sum")), QString());
    EXPECT_DOUBLE_EQ(frValueState().lastValue.toReal(), 1234.5);
}

TEST_F(ValueResolutionTest, ValueIsTheLastResolvedValue)
{
    InternalOnGetValue(u("Sum"));
    EXPECT_DOUBLE_EQ(get(u("VALUE")).toReal(), 1234.5);
    EXPECT_EQ(frValueState().lastExpression, u("Sum"));
    EXPECT_DOUBLE_EQ(frParser->Calc(u("VALUE + 1")).toReal(), 1235.5);
    InternalOnGetValue(u("Sum #N0.2"));
    EXPECT_EQ(frValueState().lastExpression, u("Sum"));
}

TEST_F(ValueResolutionTest, LookupOrder)
{
    // The host's event wins over everything.
    ctx.hostValues.insert(u("Sum"), TfrVariant(u("host")));
    EXPECT_EQ(get(u("Sum")).toString(), u("host"));
    ctx.hostValues.clear();
    // The dictionary comes before the system variables and the host's list.
    dict.VarList.SetVariable(u(" Cat"), TfrVariant(QString()));
    dict.VarList.SetVariable(u("Sum"), TfrVariant(u("2 * 3")));
    dict.VarList.SetVariable(u("PAGE#"), TfrVariant(u("'mine'")));
    EXPECT_EQ(get(u("PAGE#")).toString(), u("mine"));
    // A variable also in frVariables takes that value.
    EXPECT_DOUBLE_EQ(get(u("Sum")).toReal(), 1234.5);
    dict.VarList.Clear();
    // Host values come before object properties and constants.
    frVariables().SetVariable(u("clRed"), TfrVariant(7));
    ctx.properties.insert(u("CLRED"), TfrVariant(8));
    EXPECT_EQ(get(u("clRed")).toInteger(), 7);
    frVariables().Delete(frVariables().IndexOf(u("clRed")));
    EXPECT_EQ(get(u("clRed")).toInteger(), 8);
    ctx.properties.clear();
    EXPECT_EQ(get(u("clRed")).toInteger(), 255);
}

TEST_F(ValueResolutionTest, SystemVariables)
{
    ctx.totalPages = 12;
    ctx.lineNo = 4;
    ctx.lineThrough = 40;
    ctx.column = 2;
    ctx.record = 7;
    ctx.calcWidth = 55;
    ctx.doc.name = u("Journal");
    ctx.doc.comment = u("c");
    ctx.doc.author = u("a");
    ctx.doc.versionMajor = u("1");
    ctx.doc.versionBuild = u("9");
    ctx.doc.created = 45000.5;
    ctx.doc.lastChange = 45001;
    frValueState().reportDate = 45100;
    frValueState().reportTime = 0.25;
    PageNo = 4;
    struct Row {
        const char *name;
        TfrVariant expected;
    };
    const Row rows[] = {
        {"PAGE#", TfrVariant(5)},
        {"DATE", TfrVariant::fromDateTime(45100)},
        {"TIME", TfrVariant::fromDateTime(0.25)},
        {"LINE#", TfrVariant(4)},
        {"LINETHROUGH#", TfrVariant(40)},
        {"COLUMN#", TfrVariant(2)},
        {"CURRENT#", TfrVariant(7)},
        {"TOTALPAGES", TfrVariant(12)},
        {"REPORTNAME", TfrVariant(u("Journal"))},
        {"REPORTCOMMENT", TfrVariant(u("c"))},
        {"REPORTAUTOR", TfrVariant(u("a"))},
        {"VMAJOR", TfrVariant(u("1"))},
        {"VMINOR", TfrVariant(QString())},
        {"VBUILD", TfrVariant(u("9"))},
        {"REPORTDATE", TfrVariant::fromDateTime(45000.5)},
        {"REPORTLASTCHANGE", TfrVariant::fromDateTime(45001)},
        {"CALCWIDTH", TfrVariant(55)},
        // Compared with case; other spellings are evaluated and reach the same name.
        {"Line#", TfrVariant(4)},
        {"totalpages", TfrVariant(12)},
    };
    for (const Row &r : rows)
        EXPECT_TRUE(get(u(r.name)).sameAs(r.expected)) << r.name << " gave " << get(u(r.name)).toString().toStdString();
}

TEST_F(ValueResolutionTest, PageMetricsPropertiesAndConstants)
{
    ctx.posY = 100;
    ctx.limitY = 900;
    ctx.rightMargin = 700;
    ctx.finalPass = true;
    ctx.properties.insert(u("MEMO1.VISIBLE"), TfrVariant(false));
    ctx.properties.insert(u("LEFT"), TfrVariant(12));
    ctx.properties.insert(u("EMPTYPROP"), TfrVariant());
    struct Row {
        const char *name;
        TfrVariant expected;
    };
    const Row rows[] = {
        {"CURY", TfrVariant(100)},
        {"FREESPACE", TfrVariant(800)},
        {"PAGEHEIGHT", TfrVariant(900)},
        {"PAGEWIDTH", TfrVariant(700)},
        {"FINALPASS", TfrVariant(true)},
        {"Memo1.Visible", TfrVariant(false)},
        {"LEFT", TfrVariant(12)},
        {"EMPTYPROP", TfrVariant::null()}, // a property that exists counts even when empty
        {"clBtnFace", TfrVariant(qint32(0x8000000F))},
        {"mrCancel", TfrVariant(2)},
        {"Null", TfrVariant::null()},
        {"NoSuchThing", TfrVariant()},
        {"cury", TfrVariant()}, // exact names only
    };
    for (const Row &r : rows) {
        TfrVariant v = TfrVariant(u("preset"));
        GetIntrpValue(u(r.name), v);
        EXPECT_TRUE(v.sameAs(r.expected)) << r.name << " gave kind " << int(v.kind());
    }
}

TEST_F(ValueResolutionTest, CircularDictionaryVariableFailsCleanly)
{
    dict.VarList.SetVariable(u(" Cat"), TfrVariant(QString()));
    dict.VarList.SetVariable(u("A"), TfrVariant(u("[B] + 1")));
    dict.VarList.SetVariable(u("B"), TfrVariant(u("[A] + 1")));
    dict.VarList.SetVariable(u("C"), TfrVariant(u("[Sum] + 1")));
    EXPECT_THROW(InternalOnGetValue(u("A")), EfrError);
    EXPECT_EQ(InternalOnGetValue(u("C")), u("1235,5"));
}

TEST_F(ValueResolutionTest, ErrorReportText)
{
    const QString text = frEvaluationErrorText(u("frReport1"), true, u("Memo3"), {u("[A]"), u("x")}, u("boom"));
    EXPECT_EQ(text, u("Возникла ошибка при обработке выражения\r[A]\rx\r\rДокумент: frReport1\r"
                      "Объект: Memo3\r\rboom"));
    EXPECT_EQ(frEvaluationErrorText(u("R"), false, QString(), {u("ignored")}, u("m")),
              u("Возникла ошибка при обработке выражения\r\rДокумент: R\r\rm"));
    ErrorFlag = false;
    frRecordEvaluationError(u("R"), false, QString(), {}, u("m"));
    EXPECT_TRUE(ErrorFlag);
    EXPECT_EQ(ErrorStr, u("Возникла ошибка при обработке выражения\r\rДокумент: R\r\rm"));
    ErrorFlag = false;
    ErrorStr.clear();
}

// Fields of an SQLite table through the dictionary, as a text object reads them.
class FieldValueTest : public ValueResolutionTest {
protected:
    void SetUp() override
    {
        ValueResolutionTest::SetUp();
        name = QUuid::createUuid().toString();
        db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(QStringLiteral(":memory:"));
        ASSERT_TRUE(db.open());
        QSqlQuery q(db);
        ASSERT_TRUE(q.exec(u("CREATE TABLE t (id INTEGER PRIMARY KEY, Amount REAL, Title VARCHAR(20))")));
        ASSERT_TRUE(q.exec(u("INSERT INTO t (Amount, Title) VALUES (1234.5, 'first'), (NULL, NULL)")));
        cursor = new TfrTableCursor(&owner);
        cursor->setObjectName(u("T"));
        cursor->setDatabase(db);
        cursor->setTableName(u("t"));
        cursor->Open();
        report = new TfrDBDataSet(&owner);
        report->setObjectName(u("frDBDataSet1"));
        report->SetDataSet(cursor);
        ctx.owner = &owner;
        ctx.dataset = report;
    }
    void TearDown() override
    {
        delete report;
        delete cursor;
        db.close();
        db = QSqlDatabase();
        QSqlDatabase::removeDatabase(name);
        ValueResolutionTest::TearDown();
    }

    QString name;
    QSqlDatabase db;
    QObject owner;
    TfrTableCursor *cursor = nullptr;
    TfrDBDataSet *report = nullptr;
};

TEST_F(FieldValueTest, QualifiedAndBareFieldNames)
{
    EXPECT_EQ(InternalOnGetValue(u("T.\"Amount\" #N0.2")), u("1234.50"));
    EXPECT_EQ(InternalOnGetValue(u("Amount")), u("1234,5"));
    EXPECT_EQ(InternalOnGetValue(u("frDBDataSet1.\"Title\"")), u("first"));
    EXPECT_EQ(InternalOnGetValue(u("[T.\"Amount\"] * 2")), u("2469"));
    EXPECT_EQ(InternalOnGetValue(u("T.\"Amount\" + 1")), u("1235,5"));
    cursor->Next();
    // A database null never reaches the text as null.
    EXPECT_EQ(InternalOnGetValue(u("T.\"Amount\" #N0.2")), u("0.00"));
    EXPECT_EQ(InternalOnGetValue(u("Title")), QString());
    ctx.hasView = true;
    ctx.hideZeros = true;
    EXPECT_EQ(InternalOnGetValue(u("T.\"Amount\"")), QString());
}

} // namespace
