#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QUuid>
#include <gtest/gtest.h>

#include "report/eval/codec.h"
#include "report/eval/components.h"
#include "report/eval/data_dictionary.h"
#include "report/eval/db_dataset.h"
#include "report/eval/globals.h"
#include "report/eval/parser.h"
#include "report/eval/stream.h"
#include "report/eval/value_resolution.h"

namespace {

QString u(const char *s) { return QString::fromUtf8(s); }

class Context : public TfrValueContext {
public:
    QObject *owner = nullptr;
    TfrDataDictionary *dictionary = nullptr;
    TfrDataset *dataset = nullptr;
    int bandType = -1;
    QHash<int, TfrDataset *> bandDatasets;

    QObject *ReportOwner() const override { return owner; }
    TfrDataDictionary *Dictionary() const override { return dictionary; }
    TfrDataset *ReportDataset() const override { return dataset; }
    int CurrentBandType() const override { return bandType; }
    TfrDataset *PageBandDataset(int type) const override { return bandDatasets.value(type); }
};

class DictionaryTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        name = QUuid::createUuid().toString();
        db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(QStringLiteral(":memory:"));
        ASSERT_TRUE(db.open());
        exec("CREATE TABLE t (id INTEGER PRIMARY KEY, Name VARCHAR(20), Amount REAL, Sum REAL, Flag BOOLEAN, "
             "Born DATE, Notes TEXT, Big BIGINT, Qty INT, \"a.b\" INT)");
        exec("INSERT INTO t (Name, Amount, Sum, Flag, Born, Notes, Big, Qty, \"a.b\") VALUES "
             "('Anna', 1234.5, 10, 1, '2024-03-05', 'tea', 9000000000, 3, 77), "
             "(NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL)");
        exec("CREATE TABLE d (id INTEGER PRIMARY KEY, Amount REAL)");
        exec("INSERT INTO d (Amount) VALUES (5)");
        owner.setObjectName(u("DataModule1"));
        table = addCursor(u("Table1"), u("t"));
        detail = addCursor(u("Detail"), u("d"));
        reportSet = new TfrDBDataSet(&owner);
        reportSet->setObjectName(u("frDBDataSet1"));
        reportSet->SetDataSet(table);
        detailSet = new TfrDBDataSet(&owner);
        detailSet->setObjectName(u("frDBDataSet2"));
        detailSet->SetDataSet(detail);
        ctx.owner = &owner;
        ctx.dictionary = &dict;
        ctx.dataset = reportSet;
        frSetValueContext(&ctx);
        savedHandler = frParser->NameHandler;
        frInstallNameHandler();
    }
    void TearDown() override
    {
        frParser->NameHandler = savedHandler;
        frSetValueContext(nullptr);
        frVariables().Clear();
        qDeleteAll(owner.children());
        db.close();
        db = QSqlDatabase();
        QSqlDatabase::removeDatabase(name);
    }
    void exec(const char *sql)
    {
        QSqlQuery q(db);
        ASSERT_TRUE(q.exec(u(sql))) << sql;
    }
    TfrTableCursor *addCursor(const QString &objectName, const QString &tableName, QObject *parent = nullptr)
    {
        auto *c = new TfrTableCursor(parent ? parent : &owner);
        c->setObjectName(objectName);
        c->setDatabase(db);
        c->setTableName(tableName);
        c->Open();
        return c;
    }
    void addVariable(const char *n, const char *value)
    {
        if (dict.VarList.GetCount() == 0)
            dict.VarList.SetVariable(u(" Main"), TfrVariant(QString()));
        dict.VarList.SetVariable(u(n), TfrVariant(u(value)));
    }

    QString name;
    QSqlDatabase db;
    QObject owner;
    TfrTableCursor *table = nullptr;
    TfrTableCursor *detail = nullptr;
    TfrDBDataSet *reportSet = nullptr;
    TfrDBDataSet *detailSet = nullptr;
    Context ctx;
    TfrDataDictionary dict;
    TGetPValueEvent savedHandler;
};

TEST_F(DictionaryTest, CacheLivesUntilCleared)
{
    EXPECT_TRUE(dict.IsVariable(u("TABLE1.\"AMOUNT\"")));
    ASSERT_EQ(dict.CacheCount(), 1);
    const TfrCacheItem *item = dict.FindCacheItem(u("Table1.\"Amount\""));
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(item->DataSet, table);
    EXPECT_EQ(item->DataField, u("AMOUNT"));
    // The second answer comes from the cache, even after the component is renamed.
    table->setObjectName(u("Renamed"));
    EXPECT_TRUE(dict.IsVariable(u("TABLE1.\"AMOUNT\"")));
    EXPECT_EQ(dict.CacheCount(), 1);
    EXPECT_DOUBLE_EQ(dict.GetValue(u("table1.\"amount\"")).toReal(), 1234.5);
    dict.ClearCache();
    EXPECT_EQ(dict.CacheCount(), 0);
    EXPECT_FALSE(dict.IsVariable(u("TABLE1.\"AMOUNT\"")));
    // Clear leaves the cache alone.
    table->setObjectName(u("Table1"));
    EXPECT_TRUE(dict.IsVariable(u("Table1.Amount")));
    dict.Clear();
    EXPECT_EQ(dict.CacheCount(), 1);
    // A cached cursor that is destroyed reads as null rather than dangling.
    delete table;
    EXPECT_TRUE(dict.GetValue(u("Table1.Amount")).isNull());
}

// A name asked in another letter case finds the same item; the field's remembered
// position follows the table when it is opened again with other columns.
TEST_F(DictionaryTest, CachedFieldsFollowSpellingAndReopenedTables)
{
    ASSERT_TRUE(dict.IsVariable(u("Table1.\"Amount\"")));
    for (const char *spelling : {"Table1.\"Amount\"", "TABLE1.\"AMOUNT\"", "table1.\"amount\""}) {
        EXPECT_TRUE(dict.IsVariable(u(spelling))) << spelling;
        EXPECT_DOUBLE_EQ(dict.GetValue(u(spelling)).toReal(), 1234.5) << spelling;
    }
    EXPECT_EQ(dict.CacheCount(), 1);

    table->Close();
    exec("ALTER TABLE t RENAME TO t_old");
    exec("CREATE TABLE t (Extra TEXT, amount REAL)");
    exec("INSERT INTO t VALUES ('x', 42)");
    table->Open();
    EXPECT_DOUBLE_EQ(dict.GetValue(u("Table1.\"Amount\"")).toReal(), 42) << "the field moved";
    EXPECT_DOUBLE_EQ(dict.GetValue(u("TABLE1.\"AMOUNT\"")).toReal(), 42);

    // Replacing an item replaces it under every spelling asked before.
    dict.AddCacheItem(u("Table1.\"Amount\""), table, u("Extra"));
    EXPECT_EQ(dict.GetValue(u("TABLE1.\"AMOUNT\"")).toString(), u("x"));
}

// Text fields read as lines: line breaks of every kind, a final break, nulls.
TEST_F(DictionaryTest, TextFieldsBecomeLines)
{
    exec("CREATE TABLE memo (id INTEGER PRIMARY KEY, Notes TEXT)");
    struct Row {
        const char *what;
        QVariant value;
        QStringList lines;
    } rows[] = {
        {"one line", u("Письмо"), {u("Письмо")}},
        {"CR LF", u("a\r\nb"), {u("a"), u("b")}},
        {"bare CR and LF", u("a\rb\nc"), {u("a"), u("b"), u("c")}},
        {"final break", u("a\n"), {u("a")}},
        {"empty line inside", u("a\n\nb"), {u("a"), QString(), u("b")}},
        {"empty", u(""), {}},
        {"null", QVariant(), {}},
        {"outside cp1251", u("a中b"), {u("a?b")}},
    };
    for (const Row &r : rows) {
        QSqlQuery q(db);
        q.prepare(QStringLiteral("INSERT INTO memo (Notes) VALUES (?)"));
        q.addBindValue(r.value);
        ASSERT_TRUE(q.exec());
    }
    TfrTableCursor *memo = addCursor(u("Memo"), u("memo"));
    memo->Open();
    memo->First();
    for (const Row &r : rows) {
        const TfrCursorField field = memo->FieldByName(u("Notes"));
        QStringList lines{u("left over")};
        frAssignBlobTo(field, lines);
        EXPECT_EQ(lines, r.lines) << r.what;
        EXPECT_EQ(field.BlobText(), frFromCp1251(field.BlobBytes())) << r.what;
        memo->Next();
    }
}

TEST_F(DictionaryTest, FieldVariablesAreCachedExpressionsEvaluatedEachTime)
{
    addVariable("Total", "Table1.\"Amount\"");
    addVariable("Twice", "[Table1.\"Amount\"] * 2");
    addVariable("Blank", "");
    EXPECT_TRUE(dict.IsVariable(u("Total")));
    EXPECT_NE(dict.FindCacheItem(u("TOTAL")), nullptr);
    EXPECT_TRUE(dict.IsVariable(u("Twice")));
    EXPECT_EQ(dict.FindCacheItem(u("Twice")), nullptr);
    EXPECT_DOUBLE_EQ(dict.GetValue(u("Twice")).toReal(), 2469);
    table->Next();
    EXPECT_EQ(dict.GetValue(u("Twice")).toInteger(), 0);
    EXPECT_TRUE(dict.GetValue(u("Total")).sameAs(TfrVariant(0)));
    EXPECT_TRUE(dict.GetValue(u("Blank")).sameAs(TfrVariant(QString())));
    EXPECT_TRUE(dict.GetValue(u("NotThere")).isNull());
    EXPECT_FALSE(dict.IsVariable(u("NotThere")));
    // The host's value of the same name wins.
    frVariables().SetVariable(u("Twice"), TfrVariant(u("host")));
    EXPECT_EQ(dict.GetValue(u("Twice")).toString(), u("host"));
}

TEST_F(DictionaryTest, AliasesLeadToTheActualField)
{
    dict.AliasList.SetVariable(u("Table1"), TfrVariant(u("Journal")));
    dict.AliasList.SetVariable(u("Table1.Sum"), TfrVariant(u("Amount")));
    EXPECT_TRUE(dict.IsVariable(u("Journal.Amount")));
    const TfrCacheItem *item = dict.FindCacheItem(u("Journal.Amount"));
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(item->DataSet, table);
    EXPECT_EQ(item->DataField, u("Sum"));
    EXPECT_DOUBLE_EQ(dict.GetValue(u("JOURNAL.AMOUNT")).toReal(), 10);

    EXPECT_EQ(dict.GetRealDataSetName(u("journal")), u("Table1"));
    EXPECT_EQ(dict.GetRealDataSetName(u("Other")), u("Other"));
    EXPECT_EQ(dict.GetRealFieldName(u("Amount")), u("Sum"));
    EXPECT_EQ(dict.GetAliasName(u("Table1.Sum")), u("Amount"));
    dict.SourceAliasList.SetVariable(u("frDBDataSet1"), TfrVariant(u("Rows")));
    EXPECT_EQ(dict.GetAliasName(u("frDBDataSet1")), u("Rows"));
    EXPECT_EQ(dict.GetRealDataSourceName(u("ROWS")), u("frDBDataSet1"));
    EXPECT_EQ(dict.GetAliasName(u("Plain")), u("Plain"));
}

TEST_F(DictionaryTest, ExtractFieldName)
{
    struct Row {
        const char *text, *dataSet, *field;
    };
    const Row rows[] = {
        {"Table1.\"a.b\"", "Table1", "a.b"},
        {"Table1.Amount", "Table1", "Amount"},
        {"Form1.Table1.\"Sum total\"", "Form1.Table1", "Sum total"},
        {"\"Amount\"", "?", "?"}, // no point: both stay
        {"T.\"\"", "T", "\"\""},  // quotes go only from longer parts
    };
    for (const Row &r : rows) {
        QString ds = u("?"), field = u("?");
        dict.ExtractFieldName(u(r.text), ds, field);
        EXPECT_EQ(ds, u(r.dataSet)) << r.text;
        EXPECT_EQ(field, u(r.field)) << r.text;
    }
    QString ds, field;
    dict.ExtractFieldName(u("T.") + QString(300, QLatin1Char('x')), ds, field);
    EXPECT_EQ(field.size(), 255);
}

TEST_F(DictionaryTest, FieldReferencesAndNullsOfEachKind)
{
    table->Next(); // the row of nulls
    struct Row {
        const char *reference;
        TfrVariant expected;
    };
    const Row rows[] = {
        {"Table1.\"Name\"", TfrVariant(QString())},
        {"Table1.Amount", TfrVariant(0)},
        {"Table1.\"Flag\"", TfrVariant(false)},
        {"Table1.\"Born\"", TfrVariant(0)},
        {"Table1.\"Notes\"", TfrVariant(QString())},
        {"Table1.\"Big\"", TfrVariant(QString())}, // 64-bit fields read as their display text
        {"Table1.\"Qty\"", TfrVariant(0)},
        {"Table1.\"a.b\"", TfrVariant(0)},
        {"DataModule1.Table1.\"Qty\"", TfrVariant(0)},
    };
    for (const Row &r : rows) {
        ASSERT_TRUE(dict.IsVariable(u(r.reference))) << r.reference;
        const TfrVariant v = dict.GetValue(u(r.reference));
        EXPECT_TRUE(v.sameAs(r.expected)) << r.reference << " kind " << int(v.kind());
    }
    table->First();
    EXPECT_EQ(dict.GetValue(u("Table1.\"Big\"")).toString(), u("9000000000"));
    EXPECT_EQ(dict.GetValue(u("Table1.\"a.b\"")).toInteger(), 77);
    EXPECT_TRUE(dict.GetValue(u("Table1.\"Flag\"")).toBoolean());

    // References that lead nowhere give no field and no error.
    for (const char *bad : {"Table1.\"Nope\"", "Nobody.Amount", "A.B.C.D.Amount", "Table1.", ".Amount",
                            "DataModule1..Amount", "\"\""}) {
        TfrTableCursor *ds = table;
        QString field = u("?");
        frGetDataSetAndField(u(bad), ds, field);
        EXPECT_TRUE(field.isEmpty()) << bad;
        EXPECT_FALSE(dict.IsVariable(u(bad))) << bad;
    }
    // Without a data set part the incoming data set is used.
    TfrTableCursor *ds = detail;
    QString field;
    frGetDataSetAndField(u("\"amount\""), ds, field);
    EXPECT_EQ(ds, detail);
    EXPECT_EQ(field, u("amount"));
}

TEST_F(DictionaryTest, DefaultDataSetFollowsTheBandBeingPrinted)
{
    auto *masterSet = new TfrDBDataSet(&owner);
    masterSet->SetDataSet(table);
    ctx.bandDatasets.insert(5, masterSet);
    ctx.bandDatasets.insert(8, detailSet);
    struct Row {
        int bandType;
        TfrTableCursor *expected;
    };
    const Row rows[] = {
        {-1, table},      // no band: the report's data set
        {0, table},       {5, table},   {16, table}, {17, table},
        {7, table},       // a detail header keeps the report's data set
        {8, detail},      {9, detail},
        {11, nullptr},    {12, nullptr}, // no subdetail band on the page
        {19, nullptr},    {21, table},
    };
    ctx.dataset = new TfrDBDataSet(&owner);
    static_cast<TfrDBDataSet *>(ctx.dataset)->SetDataSet(table);
    for (const Row &r : rows) {
        ctx.bandType = r.bandType;
        EXPECT_EQ(GetDefaultDataSet(), r.expected) << "band type " << r.bandType;
    }
    // A bare name resolves against it.
    ctx.bandType = 7;
    ASSERT_TRUE(dict.IsVariable(u("Amount")));
    EXPECT_DOUBLE_EQ(dict.GetValue(u("Amount")).toReal(), 1234.5);
    dict.ClearCache();
    ctx.bandType = 8;
    ASSERT_TRUE(dict.IsVariable(u("Amount")));
    EXPECT_DOUBLE_EQ(dict.GetValue(u("Amount")).toReal(), 5);
    // Only a database data set gives one.
    TfrUserDataset user;
    ctx.dataset = &user;
    ctx.bandType = -1;
    EXPECT_EQ(GetDefaultDataSet(), nullptr);
}

TEST_F(DictionaryTest, HiddenDataSets)
{
    struct Row {
        const char *hidden, *name;
        bool enabled;
    };
    const Row rows[] = {
        {"Temp*", "TempQuery", false}, {"Temp", "TempQuery", true}, {"Temp", "TEMP", false},
        {"Temp*", "tempQuery", true}, // the prefix compares with case
        {"*", "Anything", false},
    };
    for (const Row &r : rows) {
        dict.HiddenList = QStringList{u(r.hidden)};
        EXPECT_EQ(dict.DatasetEnabled(u(r.name)), r.enabled) << r.hidden << " / " << r.name;
    }
}

TEST_F(DictionaryTest, ComponentListsWithAliasesAndHiddenSets)
{
    QObject form;
    form.setObjectName(u("Form1"));
    auto *frame = new QObject(&form);
    frame->setObjectName(u("Frame1"));
    frSetFrame(frame);
    addCursor(u("Inner"), u("d"), frame);
    addCursor(u("OnForm"), u("d"), &form);
    frRegisterForm(&form);

    QStringList list;
    dict.GetDatasetList(list);
    EXPECT_EQ(list, (QStringList{u("Detail"), u("Form1.Frame1.Inner"), u("Form1.OnForm"), u("Table1")}));
    EXPECT_EQ(frFindComponent(&owner, u("form1.frame1.inner"))->objectName(), u("Inner"));
    EXPECT_EQ(frFindComponent(&owner, u("Form1.OnForm"))->objectName(), u("OnForm"));
    EXPECT_EQ(frFindComponent(&owner, u("Inner")), nullptr); // belongs to the frame
    EXPECT_EQ(frFindComponent(&owner, u("Form1.Inner")), nullptr);
    EXPECT_EQ(frFindComponent(&owner, u("DataModule1.Detail")), detail);

    dict.HiddenList = QStringList{u("Form1*")};
    dict.GetDatasetList(list);
    EXPECT_EQ(list, (QStringList{u("Detail"), u("Table1")}));
    dict.AliasList.SetVariable(u("Table1"), TfrVariant(u("Journal")));
    dict.AliasList.SetVariable(u("Detail"), TfrVariant(QString()));
    dict.GetDatasetList(list);
    EXPECT_EQ(list, QStringList{u("Journal")});

    dict.AliasList.SetVariable(u("Table1.Sum"), TfrVariant(u("Amount2")));
    dict.AliasList.SetVariable(u("Table1.Notes"), TfrVariant(QString()));
    dict.GetFieldList(u("Journal"), list);
    EXPECT_EQ(list, (QStringList{u("id"), u("Name"), u("Amount"), u("Amount2"), u("Flag"), u("Born"), u("Big"),
                                 u("Qty"), u("a.b")}));
    dict.GetFieldList(u("Nothing"), list);
    EXPECT_TRUE(list.isEmpty());

    dict.GetBandDatasourceList(list);
    EXPECT_EQ(list, (QStringList{u("frDBDataSet1"), u("frDBDataSet2")}));
    dict.SourceAliasList.SetVariable(u("frDBDataSet2"), TfrVariant(u("Details")));
    dict.GetBandDatasourceList(list);
    EXPECT_EQ(list, QStringList{u("Details")});

    QStringList all;
    frGetComponents(&owner, TfrTableCursor::staticMetaObject, all, detail);
    EXPECT_EQ(all, (QStringList{u("Table1"), u("Form1.Frame1.Inner"), u("Form1.OnForm")}));
    frUnregisterForm(&form);
    EXPECT_EQ(frFindComponent(&owner, u("Form1.OnForm")), nullptr);
}

TEST_F(DictionaryTest, CategoriesAndVariables)
{
    dict.VarList.SetVariable(u(" Money"), TfrVariant(QString()));
    dict.VarList.SetVariable(u("Total"), TfrVariant(u("1")));
    dict.VarList.SetVariable(u("Tax"), TfrVariant(u("2")));
    dict.VarList.SetVariable(u(" Dates"), TfrVariant(QString()));
    dict.VarList.SetVariable(u("Today"), TfrVariant(u("DATE")));
    QStringList list;
    dict.GetCategoryList(list);
    EXPECT_EQ(list, (QStringList{u("Money"), u("Dates")}));
    dict.GetVariablesList(u("MONEY"), list);
    EXPECT_EQ(list, (QStringList{u("Total"), u("Tax")}));
    dict.GetVariablesList(u("Dates"), list);
    EXPECT_EQ(list, QStringList{u("Today")});
    dict.GetVariablesList(u("Unknown"), list);
    EXPECT_TRUE(list.isEmpty());
}

TEST_F(DictionaryTest, StreamRoundTripAndFile)
{
    addVariable("Total", "Table1.\"Amount\"");
    dict.AliasList.SetVariable(u("Table1"), TfrVariant(u("Журнал")));
    dict.SourceAliasList.SetVariable(u("frDBDataSet1"), TfrVariant(u("Rows")));
    TfrStream s;
    dict.SaveToStream(s);
    const QByteArray bytes = s.data();
    EXPECT_EQ(bytes.left(6), QByteArray("\xFE\xFF\x02\x00\x00\x00", 6));

    TfrDataDictionary copy;
    copy.VarList.SetVariable(u("stale"), TfrVariant(1));
    TfrStream in(bytes);
    copy.LoadFromStream(in);
    EXPECT_TRUE(in.atEnd());
    EXPECT_EQ(copy.VarList.GetName(0), u(" Main"));
    EXPECT_EQ(copy.VarList.GetVariable(u("Total")).toString(), u("Table1.\"Amount\""));
    EXPECT_EQ(copy.AliasList.GetVariable(u("Table1")).toString(), u("Журнал"));
    EXPECT_EQ(copy.SourceAliasList.GetVariable(u("frDBDataSet1")).toString(), u("Rows"));
    EXPECT_FALSE(copy.VarList.Contains(u("stale")));

    QTemporaryDir dir;
    const QString file = dir.filePath(u("dict.frd"));
    dict.SaveToFile(file);
    TfrDataDictionary fromFile;
    fromFile.LoadFromFile(file);
    EXPECT_EQ(fromFile.VarList.GetCount(), 2);

    // Every truncation fails with a read error rather than reading past the end.
    for (qsizetype n = 0; n < bytes.size(); ++n) {
        TfrStream cut(bytes.left(n));
        TfrDataDictionary d;
        EXPECT_THROW(d.LoadFromStream(cut), EReadError) << n;
    }
}

TEST_F(DictionaryTest, MarkerMinusOneDropsEmptyAliasesThatResolveNowhere)
{
    TfrStream s;
    frWriteWord(s, 0xFFFF);
    frWriteInteger(s, 2); // bare names: the spaces are added
    frWriteString(s, u("Cat"));
    frWriteString(s, QString());
    frWriteString(s, u(" Var"));
    frWriteString(s, u("1"));
    frWriteInteger(s, 3);
    frWriteString(s, u("Table1.\"Amount\""));
    frWriteString(s, QString());
    frWriteString(s, u("Table1.\"Gone\""));
    frWriteString(s, QString());
    frWriteString(s, u("Table1"));
    frWriteString(s, u("J"));
    frWriteInteger(s, 2);
    frWriteString(s, u("frDBDataSet1"));
    frWriteString(s, QString());
    frWriteString(s, u("frDBDataSet2"));
    frWriteString(s, u("D"));
    TfrStream in(s.data());
    dict.LoadFromStream(in);
    EXPECT_EQ(dict.VarList.GetName(0), u(" Cat"));
    EXPECT_EQ(dict.VarList.GetName(1), u("Var"));
    EXPECT_TRUE(dict.AliasList.Contains(u("Table1.\"Amount\"")));
    EXPECT_FALSE(dict.AliasList.Contains(u("Table1.\"Gone\"")));
    EXPECT_TRUE(dict.AliasList.Contains(u("Table1")));
    EXPECT_FALSE(dict.SourceAliasList.Contains(u("frDBDataSet1")));
    EXPECT_TRUE(dict.SourceAliasList.Contains(u("frDBDataSet2")));
}

TEST_F(DictionaryTest, OldLayout)
{
    auto shortString = [](TfrStream &s, const char *text) {
        const QByteArray b(text);
        frWriteByte(s, quint8(b.size()));
        s.write(b.constData(), b.size());
    };
    TfrStream s;
    frWriteInteger(s, 3);
    frWriteByte(s, 1); // field
    frWriteInteger(s, 0);
    shortString(s, "Table1");
    shortString(s, "Amount");
    shortString(s, "Total");
    frWriteByte(s, 2); // special variable by index
    frWriteInteger(s, 0);
    shortString(s, "");
    shortString(s, "");
    shortString(s, "Page");
    frWriteByte(s, 2); // an expression
    frWriteInteger(s, 1);
    shortString(s, "");
    shortString(s, "2 * 2");
    shortString(s, "Four");
    frWriteMemo(s, QStringList{u("Sums"), u(" Total"), u(" Page"), u(" Four")});
    const quint8 savedVersion = frVersion;
    frVersion = 25;
    TfrStream in(s.data());
    dict.LoadFromStream(in);
    frVersion = savedVersion;
    EXPECT_TRUE(in.atEnd());
    ASSERT_EQ(dict.VarList.GetCount(), 4);
    EXPECT_EQ(dict.VarList.GetName(0), u(" Sums"));
    EXPECT_EQ(dict.VarList.GetVariable(u("Total")).toString(), u("Table1.\"Amount\""));
    EXPECT_EQ(dict.VarList.GetVariable(u("Page")).toString(), u("PAGE#"));
    EXPECT_EQ(dict.VarList.GetVariable(u("Four")).toString(), u("2 * 2"));
    EXPECT_EQ(dict.AliasList.GetCount(), 0);
}

} // namespace
