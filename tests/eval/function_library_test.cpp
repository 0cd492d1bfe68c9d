// Function libraries, the catalogue, the dispatcher's order and the run-time functions.
#include <gtest/gtest.h>

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QUuid>

#include "report/eval/data_dictionary.h"
#include "report/eval/db_dataset.h"
#include "report/eval/db_functions.h"
#include "report/eval/function_library.h"
#include "report/eval/parser.h"
#include "report/eval/std_functions.h"
#include "report/eval/value_resolution.h"
#include "report/eval/variables.h"

namespace {

QString u(const char *s) { return QString::fromUtf8(s); }

class CountingLibrary : public TfrFunctionLibrary {
public:
    explicit CountingLibrary(const QString &className) : m_className(className)
    {
        SetList({u("ONE"), u("Two"), u("THREE")});
    }
    QString ClassName() const override { return m_className; }
    void DoFunction(int FNo, const TfrVariant &p1, const TfrVariant &, const TfrVariant &, TfrVariant &val) override
    {
        val = TfrVariant(QStringLiteral("%1:%2").arg(FNo).arg(p1.toString()));
    }

private:
    QString m_className;
};

TEST(FunctionLibrary, AnswersItsNamesByNumberWithoutRegardToCase)
{
    CountingLibrary lib(u("TCounting"));
    TfrVariant val;
    EXPECT_TRUE(lib.OnFunction(u("TWO"), TfrVariant(u("x")), TfrVariant(), TfrVariant(), val));
    EXPECT_EQ(val.toString(), u("1:x"));
    EXPECT_TRUE(lib.OnFunction(u("three"), TfrVariant(u("y")), TfrVariant(), TfrVariant(), val));
    EXPECT_EQ(val.toString(), u("2:y"));
    val = TfrVariant(u("untouched"));
    EXPECT_FALSE(lib.OnFunction(u("FOUR"), TfrVariant(), TfrVariant(), TfrVariant(), val));
    EXPECT_EQ(val.toString(), u("untouched"));
}

TEST(InstalledFunctions, CatalogueRules)
{
    TfrInstalledFunctions cat;
    CountingLibrary a(u("TLibA")), b(u("TLibB"));
    cat.Add(&a, u("ZETA"), u("Строковые"), u("ZETA()/z"));
    cat.Add(&a, u("alpha"), u("Строковые"), u("alpha()/a"));
    cat.Add(&b, u("BETA"), u("Прочие"), u("BETA()/b"));
    cat.Add(&b, u("HIDDEN"), QString(), u("no category: not listed"));
    cat.Add(&b, u("ZETA"), u("Прочие"), u("exact duplicate: ignored"));
    cat.Add(&b, u("zeta"), u("Прочие"), u("zeta()/another case is another name"));

    EXPECT_EQ(cat.Count(), 4);
    EXPECT_EQ(cat.GetFunctionDesc(u("Zeta")), u("ZETA()/z"));
    EXPECT_EQ(cat.GetFunctionDesc(u("HIDDEN")), QString());

    QStringList list;
    cat.GetCategoryList(list);
    EXPECT_EQ(list, (QStringList{u("Прочие"), u("Строковые")}));
    cat.GetFunctionList(u("Строковые"), list);
    EXPECT_EQ(list, (QStringList{u("alpha"), u("ZETA")}));
    cat.GetFunctionList(TfrInstalledFunctions::AllFunctionsText(), list);
    EXPECT_EQ(list.size(), 4);
    cat.GetFunctionList(QString(), list);
    EXPECT_EQ(list.size(), 4);

    // Entries go by the class name of their library, not by the instance.
    CountingLibrary otherA(u("TLibA"));
    cat.UnRegisterFunctionLibrary(&otherA);
    cat.GetFunctionList(QString(), list);
    EXPECT_EQ(list, (QStringList{u("BETA"), u("zeta")}));
}

TEST(InstalledFunctions, StandardLibraryFillsItsCategories)
{
    TfrStdFunctionLibrary standard;
    TDatabaseFunctionLibrary database;
    const TfrInstalledFunctions &cat = frInstalledFunctions();
    QStringList list;
    cat.GetFunctionList(u("Агрегатные"), list);
    EXPECT_EQ(list, (QStringList{u("AVG"), u("COUNT"), u("MAX"), u("MIN"), u("SUM")}));
    cat.GetFunctionList(u("Интерпретатор"), list);
    EXPECT_EQ(list.size(), 15);
    cat.GetFunctionList(u("Базы данных"), list);
    EXPECT_EQ(list, QStringList{u("FIELDISNULL")});
    EXPECT_EQ(cat.GetFunctionDesc(u("sum")),
              u("SUM(<Выражение> [,ИмяБэнда [,1]])/Вычисляет сумму выражения <Выражение> для строк данных "
                "[ИмяБэнда]. Если задан параметр [1], в расчет включаются также невидимые бэнды. "));
    // Only the name list decides what a library evaluates.
    EXPECT_EQ(standard.List().size(), 21);
    EXPECT_EQ(standard.IndexOf(u("YEAROF")), 20);
    EXPECT_EQ(standard.IndexOf(u("IF")), -1);
}

// What the dispatcher and the run-time functions ask of the report.
class FakeReport : public TfrRunContext {
public:
    QStringList calls;
    bool hasCurrentObject = false;
    bool setUserValue = false;
    QHash<QString, TfrVariant> indexed; // "NAME/PROP/index" -> value

    void OnUserFunction(const QString &name, const TfrVariant &, const TfrVariant &, const TfrVariant &,
                        TfrVariant &val) override
    {
        calls << QStringLiteral("user ") + name + u'=' + val.toString();
        if (setUserValue)
            val = TfrVariant(u("from host"));
    }
    void NewPage() override { calls << u("newpage"); }
    void NewColumn() override { calls << u("newcolumn"); }
    void ShowBand(const QString &name) override { calls << u("showband ") + name; }
    bool CallObjectMethod(const QString &name, const TfrVariant &p1, const TfrVariant &, const TfrVariant &,
                          TfrVariant &result) override
    {
        calls << QStringLiteral("method %1(%2)").arg(name, p1.toString());
        if (!hasCurrentObject && !name.contains(u'.'))
            return false;
        result = TfrVariant::null(); // DoMethod of an unknown method
        return true;
    }
    bool CallIndexProperty(const QString &name, const QString &method, const TfrVariant &index,
                           const TfrVariant &value, TfrVariant &result) override
    {
        const qsizetype point = name.indexOf(u'.');
        const QString key = name.left(point) + u'/' + name.mid(point + 1).toUpper() + u'/' + index.toString();
        calls << method + u' ' + key;
        if (method == u"SETINDEXPROPERTY")
            indexed[key] = value;
        else
            result = indexed.value(key, TfrVariant::null());
        return true;
    }
};

class Dispatcher : public ::testing::Test {
protected:
    void SetUp() override
    {
        frVariables().Clear();
        frInstallNameHandler();
        frInstallFunctionHandler();
        frSetRunContext(&report);
    }
    void TearDown() override
    {
        frSetRunContext(nullptr);
        frVariables().Clear();
    }
    TfrVariant calc(const char *expression) { return frParser->Calc(u(expression)); }

    FakeReport report;
};

TEST_F(Dispatcher, UnknownFunctionWithAndWithoutACurrentObject)
{
    const TfrVariant withoutObject = calc("FOO(1)");
    EXPECT_TRUE(withoutObject.isString());
    EXPECT_EQ(withoutObject.toString(), u("0"));

    report.hasCurrentObject = true;
    EXPECT_TRUE(calc("FOO(1)").isNull());

    // The host's OnUserFunction always comes last and may set the value.
    report.setUserValue = true;
    EXPECT_EQ(calc("FOO(1)").toString(), u("from host"));
    EXPECT_EQ(report.calls, (QStringList{u("method FOO(1)"), u("user FOO=0"), u("method FOO(1)"), u("user FOO="),
                                         u("method FOO(1)"), u("user FOO=")}));
}

TEST_F(Dispatcher, LibrariesAnswerBeforeTheReport)
{
    EXPECT_EQ(calc("UPPERCASE('a')").toString(), u("A"));
    // A library function never reaches the run-time functions or the host.
    EXPECT_TRUE(report.calls.isEmpty()) << report.calls.join(u", ").toStdString();
}

TEST_F(Dispatcher, PageAndBandControl)
{
    calc("NEWPAGE(0)");
    calc("NEWCOLUMN(0)");
    calc("SHOWBAND('Child1')");
    calc("SHOWBAND(Child2)"); // a bare band name is no value: the name itself
    EXPECT_FALSE(report.Terminated());
    calc("STOPREPORT(0)");
    EXPECT_TRUE(report.Terminated());
    report.calls.removeIf([](const QString &c) { return c.startsWith(u"user"); });
    EXPECT_EQ(report.calls, (QStringList{u("newpage"), u("newcolumn"), u("showband Child1"), u("showband Child2")}));
}

TEST_F(Dispatcher, IncAndDecAssignThroughTheScriptRules)
{
    frVariables().SetVariable(u("Counter"), TfrVariant(3));
    calc("INC(Counter)");
    EXPECT_EQ(frVariables().GetVariable(u("Counter")).toInteger(), 4);
    calc("DEC( Counter )");
    calc("DEC(Counter)");
    EXPECT_EQ(frVariables().GetVariable(u("Counter")).toInteger(), 2);
    // An unknown name is an undefined variable, as in any expression.
    EXPECT_THROW(calc("INC(Nobody)"), EfrError);
}

TEST_F(Dispatcher, PlainArrays)
{
    calc("SETARRAY(A, 1, 5)");
    EXPECT_EQ(calc("GETARRAY(A, 1)").toInteger(), 5);
    EXPECT_EQ(calc("A[1]").toInteger(), 5);
    EXPECT_EQ(calc("A[0.6 + 0.4]").toInteger(), 5); // a number index is rounded
    EXPECT_TRUE(calc("GETARRAY(A, 2)").isNull());

    calc("SETARRAY(Names, 'first', 'Ann')");
    EXPECT_EQ(calc("Names['first']").toString(), u("Ann"));
    EXPECT_EQ(frVariables().GetVariable(u("Arr_Names_first")).toString(), u("Ann"));
    EXPECT_EQ(frVariables().GetVariable(u("Arr_A_1")).toInteger(), 5);
}

TEST_F(Dispatcher, ArraysWithAPointAreObjectProperties)
{
    calc("SETARRAY(Memo1.Memo, 1, 'text')");
    EXPECT_EQ(calc("GETARRAY(Memo1.Memo, 1)").toString(), u("text"));
    EXPECT_EQ(report.calls, (QStringList{u("SETINDEXPROPERTY Memo1/MEMO/1"), u("user SETARRAY=0"),
                                         u("GETINDEXPROPERTY Memo1/MEMO/1"), u("user GETARRAY=text")}));
}

TEST_F(Dispatcher, ObjectMethodsGetTheArgumentTexts)
{
    calc("MEMO1.MEMO.ADD('a' + 'b')");
    ASSERT_FALSE(report.calls.isEmpty());
    EXPECT_EQ(report.calls[0], u("method MEMO1.MEMO.ADD('a' + 'b')"));
}

TEST_F(Dispatcher, WithoutAReportTheStandardLibrariesStillAnswer)
{
    frSetRunContext(nullptr);
    EXPECT_EQ(calc("MAXNUM(1, 2)").toInteger(), 2);
    EXPECT_EQ(calc("FOO(1)").toString(), u("0"));
    EXPECT_TRUE(calc("FIELDISNULL('Nowhere.\"Field\"')").toBoolean());
}

// FIELDISNULL over an SQLite table: a quoted reference is the reference, an unquoted
// one is evaluated and its value taken as the reference.
class FieldIsNull : public ::testing::Test {
protected:
    class Report : public TfrValueContext {
    public:
        QObject *owner = nullptr;
        TfrDataDictionary *dictionary = nullptr;
        TfrDataset *dataset = nullptr;
        QObject *ReportOwner() const override { return owner; }
        TfrDataDictionary *Dictionary() const override { return dictionary; }
        TfrDataset *ReportDataset() const override { return dataset; }
    };
    class Flags : public TfrRunContext {
    public:
        bool useDefault = true;
        bool UseDefaultDataSetName() const override { return useDefault; }
    };

    void SetUp() override
    {
        name = QUuid::createUuid().toString();
        db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(QStringLiteral(":memory:"));
        ASSERT_TRUE(db.open());
        QSqlQuery q(db);
        ASSERT_TRUE(q.exec(u("CREATE TABLE t (id INTEGER PRIMARY KEY, Comment VARCHAR(20), Ref VARCHAR(20))")));
        ASSERT_TRUE(q.exec(u("INSERT INTO t (Comment, Ref) VALUES (NULL, 'T.\"Comment\"'), ('x', 'T.\"Comment\"')")));
        cursor = new TfrTableCursor(&owner);
        cursor->setObjectName(u("T"));
        cursor->setDatabase(db);
        cursor->setTableName(u("t"));
        cursor->Open();
        dataset = new TfrDBDataSet(&owner);
        dataset->setObjectName(u("frDBDataSet1"));
        dataset->SetDataSet(cursor);
        report.owner = &owner;
        report.dictionary = &dictionary;
        report.dataset = dataset;
        frSetValueContext(&report);
        frSetRunContext(&flags);
        frInstallNameHandler();
        frInstallFunctionHandler();
    }
    void TearDown() override
    {
        frSetValueContext(nullptr);
        frSetRunContext(nullptr);
        delete dataset;
        delete cursor;
        db.close();
        db = QSqlDatabase();
        QSqlDatabase::removeDatabase(name);
    }
    bool isNull(const char *expression) { return frParser->Calc(u(expression)).toBoolean(); }

    QString name;
    QSqlDatabase db;
    QObject owner;
    TfrTableCursor *cursor = nullptr;
    TfrDBDataSet *dataset = nullptr;
    TfrDataDictionary dictionary;
    Report report;
    Flags flags;
};

TEST_F(FieldIsNull, ReferencesAndTheirDataSets)
{
    EXPECT_TRUE(isNull("FIELDISNULL('T.\"Comment\"')"));
    EXPECT_TRUE(isNull("FIELDISNULL(T.\"Ref\")"));
    EXPECT_TRUE(isNull("FIELDISNULL('\"Comment\"')"));
    EXPECT_FALSE(isNull("FIELDISNULL('T.\"Ref\"')"));
    EXPECT_TRUE(isNull("FIELDISNULL('Nowhere.\"Comment\"')"));
    EXPECT_THROW(isNull("FIELDISNULL('T.\"Missing\"')"), EfrError);

    cursor->Next();
    EXPECT_FALSE(isNull("FIELDISNULL('T.\"Comment\"')"));
    EXPECT_FALSE(isNull("FIELDISNULL(T.\"Ref\")"));
    EXPECT_FALSE(isNull("FIELDISNULL('Comment')"));
    // Without the default data set a bare field name names no data set.
    flags.useDefault = false;
    EXPECT_TRUE(isNull("FIELDISNULL('Comment')"));
}

} // namespace
