// The snapshot rows of a table cursor: every kind of value comes back as it went in, in
// memory and from the swap file, through edits, inserts and removals; a cursor over a
// table larger than its budget walks, finds bookmarks and edits as one in memory does.
#include "report/eval/row_store.h"

#include <QDir>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QUuid>
#include <gtest/gtest.h>
#include <random>

#include "report/eval/table_cursor.h"

namespace {

QString u(const char *s) { return QString::fromUtf8(s); }

// Puts the process's memory limits back when a test changed them.
struct LimitsGuard {
    TfrMemoryLimits saved = frMemoryLimits();
    ~LimitsGuard() { frMemoryLimits() = saved; }
};

QList<TfrVariant> rowOf(int i)
{
    return {TfrVariant(i),
            TfrVariant(u("Строка %1 ").arg(i).repeated(1 + i % 7)),
            i % 5 == 0 ? TfrVariant::null() : TfrVariant(qint64(i) * 1000003),
            TfrVariant(i * 0.25),
            TfrVariant::fromDateTime(45000.5 + i)};
}

bool sameRow(const QList<TfrVariant> &a, const QList<TfrVariant> &b)
{
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i)
        if (a[i].kind() != b[i].kind() || !a[i].sameAs(b[i]))
            return false;
    return true;
}

TEST(RowStoreTest, EveryKindOfValueComesBack)
{
    const QList<TfrVariant> values = {
        TfrVariant(),
        TfrVariant::null(),
        TfrVariant(true),
        TfrVariant(false),
        TfrVariant::fromShortInt(-7),
        TfrVariant::fromSmallInt(-30000),
        TfrVariant(-2147483647 - 1),
        TfrVariant(qint64(-9007199254740993LL)),
        TfrVariant(TfrCurrency::fromScaled(-123456789)),
        TfrVariant(3.141592653589793),
        TfrVariant::fromDateTime(45123.75),
        TfrVariant(QString()),
        TfrVariant(u("Ёлка \U0001F332 и \"кавычки\"")),
    };
    TfrRowStore store;
    store.append(42, values);
    store.append(-1, {});
    ASSERT_EQ(store.size(), 2);
    EXPECT_EQ(store.key(0), 42);
    EXPECT_EQ(store.key(1), -1);
    const QList<TfrVariant> back = store.values(0);
    ASSERT_EQ(back.size(), values.size());
    for (qsizetype i = 0; i < values.size(); ++i) {
        EXPECT_EQ(back[i].kind(), values[i].kind()) << "value " << i;
        EXPECT_TRUE(back[i].sameAs(values[i])) << "value " << i;
    }
    EXPECT_TRUE(store.values(1).isEmpty());
}

TEST(RowStoreTest, RowsBeyondTheBudgetComeBackFromAnUnnamedSwapFile)
{
    LimitsGuard limits;
    QTemporaryDir swapDir;
    frMemoryLimits().swapFolder = swapDir.path();
    frMemoryLimits().rowMemory = 0;

    TfrRowStore store;
    const int n = 20000;
    for (int i = 0; i < n; ++i)
        store.append(i, rowOf(i));
    EXPECT_TRUE(store.swapped());
    EXPECT_LE(store.memoryBytes(), 2 * 256 * 1024) << "the block being written and one more";
    EXPECT_TRUE(QDir(swapDir.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::Hidden).isEmpty())
        << "the swap file has no name";

    // In order, backwards and at random, as a report, a grid and bookmarks read them.
    std::mt19937 rng(7);
    std::vector<int> order;
    for (int i = 0; i < n; i += 97)
        order.push_back(i);
    for (int i = n - 1; i >= 0; i -= 101)
        order.push_back(i);
    for (int k = 0; k < 300; ++k)
        order.push_back(int(rng() % n));
    for (int i : order) {
        ASSERT_TRUE(sameRow(store.values(i), rowOf(i))) << "row " << i;
        ASSERT_EQ(store.key(i), i);
    }
    EXPECT_LE(store.memoryBytes(), 3 * 256 * 1024);

    // Changes go to the end of the store; the rows around them keep their values.
    store.setValues(3, rowOf(-3));
    store.insert(0, 777, rowOf(777));
    store.removeAt(n / 2);
    store.setKey(1, 9999);
    EXPECT_EQ(store.size(), n);
    EXPECT_TRUE(sameRow(store.values(0), rowOf(777)));
    EXPECT_EQ(store.key(1), 9999);
    EXPECT_TRUE(sameRow(store.values(4), rowOf(-3)));
    EXPECT_TRUE(sameRow(store.values(5), rowOf(4)));
    EXPECT_TRUE(sameRow(store.values(n / 2), rowOf(n / 2)));
    EXPECT_TRUE(sameRow(store.values(n - 1), rowOf(n - 1)));

    store.clear();
    EXPECT_EQ(store.size(), 0);
    EXPECT_FALSE(store.swapped());
    EXPECT_EQ(store.memoryBytes(), 0);
}

TEST(RowStoreTest, ACursorLargerThanItsBudgetWalksFindsAndEdits)
{
    LimitsGuard limits;
    frMemoryLimits().rowMemory = 0;
    const QString name = QUuid::createUuid().toString();
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(QStringLiteral(":memory:"));
        ASSERT_TRUE(db.open());
        QSqlQuery q(db);
        ASSERT_TRUE(q.exec(QStringLiteral("CREATE TABLE t (id INTEGER PRIMARY KEY, Brief TEXT, Size INTEGER)")));
        db.transaction();
        q.prepare(QStringLiteral("INSERT INTO t (id, Brief, Size) VALUES (?, ?, ?)"));
        const int n = 6000;
        for (int i = 1; i <= n; ++i) {
            q.addBindValue(i);
            q.addBindValue(u("Письмо о поставке %1").arg(i).repeated(3));
            q.addBindValue(i * 10);
            ASSERT_TRUE(q.exec());
        }
        db.commit();

        TfrTableCursor cursor;
        cursor.setDatabase(db);
        cursor.setTableName(QStringLiteral("t"));
        cursor.Open();
        EXPECT_EQ(cursor.RecordCount(), n);
        qint64 sum = 0;
        int rows = 0;
        TfrBookmark mark;
        for (cursor.First(); !cursor.Eof(); cursor.Next()) {
            sum += cursor.FieldValue(QStringLiteral("Size")).toInt64();
            ++rows;
            if (rows == 4321)
                mark = cursor.GetBookmark();
        }
        EXPECT_EQ(rows, n);
        EXPECT_EQ(sum, qint64(n) * (n + 1) / 2 * 10);
        cursor.GotoBookmark(mark);
        EXPECT_EQ(cursor.RecNo(), 4321);
        EXPECT_EQ(cursor.FieldValue(QStringLiteral("Brief")).toString(), u("Письмо о поставке 4321").repeated(3));

        cursor.Edit();
        cursor.SetFieldValue(QStringLiteral("Brief"), TfrVariant(u("изменено")));
        cursor.Post();
        cursor.First();
        cursor.GotoBookmark(mark);
        EXPECT_EQ(cursor.FieldValue(QStringLiteral("Brief")).toString(), u("изменено"));
        QSqlQuery check(db);
        ASSERT_TRUE(check.exec(QStringLiteral("SELECT Brief FROM t WHERE id = 4321")) && check.next());
        EXPECT_EQ(check.value(0).toString(), u("изменено"));
        cursor.setRecNo(n);
        EXPECT_EQ(cursor.FieldValue(QStringLiteral("id")).toInteger(), n);
        cursor.Close();
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
}

} // namespace
