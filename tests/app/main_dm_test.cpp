// The data module against each engine. This file builds twice: into test_app for SQLite and,
// with FR_POSTGRES_TESTS, into test_app_pg for the PostgreSQL server the test run starts.
#include "app/main_dm.h"

#include <QSqlQuery>
#include <QSqlRecord>
#include <gtest/gtest.h>

#include "app/journal_run.h"
#include "db_test_support.h"

namespace {

using K = TfrFieldKind;

TJournalFileRecord record(const QString &name, qint64 size, const QString &executor = QStringLiteral("Иванов"))
{
    TJournalFileRecord r;
    r.NameFile = name;
    r.DateCreateFile = QStringLiteral("01.02.24");
    r.TimeCreateFile = QStringLiteral("09:15");
    r.Size = size;
    r.DateProcesFile = QStringLiteral("05.02.24");
    r.TimeProcesFile = QStringLiteral("10:00");
    r.Ispolnitel = executor;
    return r;
}

QList<TJournalFileRecord> records(int n, const QString &prefix, const QString &executor = QStringLiteral("Иванов"))
{
    QList<TJournalFileRecord> out;
    for (int i = 0; i < n; ++i)
        out.append(record(prefix + QString::number(i).rightJustified(5, u'0') + QStringLiteral(".txt"), 100 + i, executor));
    return out;
}

class MainDMTest : public ::testing::TestWithParam<TestEngine> {
protected:
    void SetUp() override
    {
        ASSERT_FALSE(db.connectString().isEmpty()) << db.error().toStdString();
        dm.setConnectionString(db.connectString());
        dm.OpenConnection();
    }

    // What another workstation sees: a connection of its own.
    QList<QStringList> journalRows(const char *columns = "\"NumPP\", \"NameFile\"")
    {
        QList<QStringList> rows;
        QSqlDatabase other = frOpenConnection(db.connectString());
        {
            QSqlQuery q(other);
            EXPECT_TRUE(q.exec(QStringLiteral("SELECT %1 FROM \"Журнал\" ORDER BY \"NumPP\", \"id\"").arg(QString::fromUtf8(columns))))
                << q.lastError().text().toStdString();
            while (q.next()) {
                QStringList row;
                for (int i = 0; i < q.record().count(); ++i)
                    row.append(q.value(i).toString());
                rows.append(row);
            }
        }
        frCloseConnection(other);
        return rows;
    }

    void openTemp(TMainDM &module)
    {
        module.ADOTable()->Close();
        module.ADOTable()->setTableName(TempTableName);
        module.ADOTable()->Open();
    }

    TestJournalDb db{GetParam()};
    TMainDM dm;
};

TEST_P(MainDMTest, FreshDatabaseGetsTheJournalSchema)
{
    TfrTableCursor *t = dm.ADOTable();
    EXPECT_EQ(MainDM, &dm);
    t->Open();
    EXPECT_TRUE(t->IsEmpty());
    struct Row { const char *name; K kind; int size; } rows[] = {
        {"NumPP", K::fkLargeInt, 0}, {"NumReis", K::fkInteger, 0}, {"NameFile", K::fkString, 255},
        {"DateCreateFile", K::fkString, 8}, {"TimeCreateFile", K::fkString, 5}, {"Size", K::fkLargeInt, 0},
        {"DateProcesFile", K::fkString, 8}, {"TimeProcesFile", K::fkString, 5}, {"Ispolnitel", K::fkString, 50},
        {"BriefContents", K::fkMemo, 0}, {"ToWhom", K::fkMemo, 0},
    };
    ASSERT_EQ(t->FieldCount(), int(std::size(rows)));
    for (int i = 0; i < t->FieldCount(); ++i) {
        EXPECT_EQ(t->FieldDef(i).name, QString::fromLatin1(rows[i].name)) << i;
        EXPECT_EQ(t->FieldKind(i), rows[i].kind) << rows[i].name;
        EXPECT_EQ(t->FieldDef(i).size, rows[i].size) << rows[i].name;
    }
    EXPECT_FALSE(t->ReadOnly());
    // Opening again finds the schema in place.
    dm.CloseConnection();
    dm.OpenConnection();
    EXPECT_TRUE(dm.Connected());
}

TEST_P(MainDMTest, ARunReachesTheJournalWithEveryField)
{
    dm.CreateTempTable();
    QList<TJournalFileRecord> run = {record("a.txt", 10), record("big.iso", Q_INT64_C(3221225472)), record("c.txt", 0)};
    AppendRunToTemp(dm, run, 32767, 7);
    openTemp(dm);
    TfrTableCursor *t = dm.ADOTable();
    ASSERT_EQ(t->RecordCount(), 3);
    t->setRecNo(2);
    EXPECT_EQ(t->FieldValue("NumPP").toInt64(), 32768); // the 32768th file does not wrap
    EXPECT_EQ(t->FieldValue("Size").toInt64(), Q_INT64_C(3221225472));
    EXPECT_EQ(t->FieldValue("NumReis").toInteger(), 7);
    t->Edit();
    t->SetFieldValue("BriefContents", "Договор поставки");
    t->SetFieldValue("ToWhom", "Бухгалтерия\r\nКанцелярия");
    t->Post();

    dm.AddToJournal();
    EXPECT_FALSE(t->Active());
    const auto rows = journalRows("\"NumPP\", \"NumReis\", \"NameFile\", \"DateCreateFile\", \"TimeCreateFile\", "
                                  "\"Size\", \"DateProcesFile\", \"TimeProcesFile\", \"Ispolnitel\", "
                                  "\"BriefContents\", \"ToWhom\"");
    ASSERT_EQ(rows.size(), 3);
    EXPECT_EQ(rows.at(1), QStringList({"32768", "7", "big.iso", "01.02.24", "09:15", "3221225472", "05.02.24",
                                       "10:00", "Иванов", "Договор поставки", "Бухгалтерия\r\nКанцелярия"}));
    EXPECT_EQ(rows.at(0).at(0), QStringLiteral("32767"));
    EXPECT_EQ(rows.at(2).at(0), QStringLiteral("32769"));

    // The journal shows through the same cursor.
    t->setTableName(JournalTableName);
    t->Open();
    EXPECT_EQ(t->RecordCount(), 3);
    t->Last();
    EXPECT_EQ(t->FieldValue("NameFile").toString(), QStringLiteral("c.txt"));
}

TEST_P(MainDMTest, FilesOfTheRunAlreadyInTheJournalAreFoundInOneQuery)
{
    dm.CreateTempTable();
    AppendRunToTemp(dm, {record("a.txt", 10), record("b.txt", 20), record("Ёлки.odt", 30)}, 1, 1);
    EXPECT_TRUE(FindJournalDuplicates(dm).isEmpty()) << "an empty journal holds none of them";
    dm.AddToJournal();
    // Again: a.txt the same, b.txt changed (another size), Ёлки the same, a new file.
    dm.CreateTempTable();
    AppendRunToTemp(dm, {record("a.txt", 10), record("b.txt", 21), record("new.txt", 5), record("Ёлки.odt", 30)}, 4, 2);
    const QList<TJournalDuplicate> found = FindJournalDuplicates(dm);
    ASSERT_EQ(found.size(), 2);
    EXPECT_EQ(found[0].NameFile, QStringLiteral("a.txt"));
    EXPECT_EQ(found[0].runNumPP, 4);
    EXPECT_EQ(found[0].journalNumbers, QList<qint64>({1}));
    EXPECT_EQ(found[1].NameFile, QStringLiteral("Ёлки.odt"));
    EXPECT_EQ(found[1].journalNumbers, QList<qint64>({3}));
    // A permanent table called Temp in the database is never the one looked at.
    const QString schema = frEngineOf(dm.Database()) == TfrDbEngine::dePostgreSQL ? QStringLiteral("public")
                                                                                   : QStringLiteral("main");
    QSqlQuery q(dm.Database());
    ASSERT_TRUE(q.exec(QStringLiteral("CREATE TABLE %1.\"Temp\" (\"id\" INTEGER, \"NameFile\" VARCHAR(255), "
                                      "\"Size\" BIGINT, \"DateCreateFile\" VARCHAR(8), \"TimeCreateFile\" VARCHAR(5), "
                                      "\"NumPP\" BIGINT)").arg(schema)))
        << q.lastError().text().toStdString();
    ASSERT_TRUE(q.exec(QStringLiteral("INSERT INTO %1.\"Temp\" VALUES (1, 'b.txt', 20, '01.02.24', '09:15', 9)").arg(schema)));
    EXPECT_EQ(FindJournalDuplicates(dm).size(), 2);
    dm.DeleteTempTable();
}

TEST_P(MainDMTest, LeftoverTempIsRecreatedEmpty)
{
    dm.CreateTempTable();
    AppendRunToTemp(dm, records(3, "old"), 1, 1);
    // An interrupted run left Temp behind on this connection.
    dm.CreateTempTable();
    openTemp(dm);
    EXPECT_TRUE(dm.ADOTable()->IsEmpty());
}

TEST_P(MainDMTest, UnpostedEditIsNotSaved)
{
    dm.CreateTempTable();
    AppendRunToTemp(dm, records(2, "f"), 1, 1);
    openTemp(dm);
    TfrTableCursor *t = dm.ADOTable();
    t->Edit();
    t->SetFieldValue("BriefContents", "still typing");
    dm.AddToJournal();
    const auto rows = journalRows("\"BriefContents\"");
    ASSERT_EQ(rows.size(), 2);
    EXPECT_EQ(rows.at(0).at(0), QString());
}

TEST_P(MainDMTest, AddToJournalAppendsAllRowsOrNone)
{
    // A journal that refuses one of the rows: the whole run must stay out.
    dm.CloseConnection();
    {
        QSqlDatabase raw = frOpenConnection(db.connectString());
        QSqlQuery q(raw);
        const bool pg = GetParam() == TestEngine::PostgreSQL;
        ASSERT_TRUE(q.exec(QStringLiteral("DROP TABLE \"Журнал\"")));
        ASSERT_TRUE(q.exec(QStringLiteral("CREATE TABLE \"Журнал\" (\"id\" %1 PRIMARY KEY, \"NumPP\" BIGINT, \"NumReis\" INTEGER, "
                                          "\"NameFile\" VARCHAR(255) CHECK (\"NameFile\" <> 'bad'), \"DateCreateFile\" VARCHAR(8), "
                                          "\"TimeCreateFile\" VARCHAR(5), \"Size\" BIGINT, \"DateProcesFile\" VARCHAR(8), "
                                          "\"TimeProcesFile\" VARCHAR(5), \"Ispolnitel\" VARCHAR(50), \"BriefContents\" TEXT, "
                                          "\"ToWhom\" TEXT)").arg(pg ? "BIGSERIAL" : "INTEGER")))
            << q.lastError().text().toStdString();
        q = QSqlQuery();
        frCloseConnection(raw);
    }
    dm.CreateTempTable();
    AppendRunToTemp(dm, {record("ok1", 1), record("bad", 2), record("ok2", 3)}, 1, 1);
    EXPECT_THROW(dm.AddToJournal(), EfrError);
    EXPECT_TRUE(journalRows().isEmpty());
    // The run is still there to be corrected and saved again.
    openTemp(dm);
    EXPECT_EQ(dm.ADOTable()->RecordCount(), 3);
}

TEST_P(MainDMTest, DeleteTempTableDropsTheRunAndClosesTheConnection)
{
    dm.CreateTempTable();
    AppendRunToTemp(dm, records(2, "f"), 1, 1);
    openTemp(dm);
    dm.DeleteTempTable();
    EXPECT_FALSE(dm.Connected());
    EXPECT_FALSE(dm.ADOTable()->Active());
    // The next cursor opens the connection again; Temp went with the old one.
    EXPECT_THROW(dm.ADOTable()->Open(), EfrError);
    EXPECT_TRUE(dm.Connected());
    EXPECT_TRUE(journalRows().isEmpty());
    // Twice in a row is harmless.
    dm.DeleteTempTable();
}

TEST_P(MainDMTest, TempViewListsTheRunBackward)
{
    dm.CreateTempTable();
    AppendRunToTemp(dm, records(4, "f"), 10, 1);
    TfrTableCursor *t = dm.ADOTable();
    t->setTableName(TempViewName);
    t->Open();
    EXPECT_TRUE(t->ReadOnly());
    QList<qint64> order;
    for (t->First(); !t->Eof(); t->Next())
        order.append(t->FieldValue("NumPP").toInt64());
    EXPECT_EQ(order, QList<qint64>({13, 12, 11, 10}));
}

TEST_P(MainDMTest, TwoWorkstationsProcessingAtOnceKeepTheirRunsApart)
{
    TMainDM second;
    EXPECT_EQ(MainDM, &dm); // only the first module is the global one
    second.setConnectionString(db.connectString());

    dm.CreateTempTable();
    second.CreateTempTable();
    AppendRunToTemp(dm, records(300, "a", "Иванов"), 1, 1);
    AppendRunToTemp(second, records(200, "b", "Петров"), 1001, 1);
    openTemp(dm);
    openTemp(second);
    EXPECT_EQ(dm.ADOTable()->RecordCount(), 300);
    EXPECT_EQ(second.ADOTable()->RecordCount(), 200);
    second.ADOTable()->First();
    EXPECT_EQ(second.ADOTable()->FieldValue("Ispolnitel").toString(), QStringLiteral("Петров"));

    second.AddToJournal();
    dm.AddToJournal();
    second.DeleteTempTable();
    dm.DeleteTempTable();

    const auto rows = journalRows("\"NumPP\", \"Ispolnitel\"");
    ASSERT_EQ(rows.size(), 500);
    for (int i = 0; i < 300; ++i)
        ASSERT_EQ(rows.at(i), QStringList({QString::number(i + 1), "Иванов"})) << i;
    for (int i = 0; i < 200; ++i)
        ASSERT_EQ(rows.at(300 + i), QStringList({QString::number(1001 + i), "Петров"})) << i;
}

TEST_P(MainDMTest, CommandsAndConnectionErrors)
{
    try {
        dm.RunCommand("DropEverything");
        FAIL() << "no error";
    } catch (const EfrError &e) {
        EXPECT_TRUE(e.message().contains(QStringLiteral("DropEverything"))) << e.what();
    }
    dm.RunCommand("createtemptable"); // names without regard to case
    EXPECT_THROW(dm.RunCommand("CreateTempTable"), EfrError); // Temp exists

    TMainDM broken;
    broken.setConnectionString(GetParam() == TestEngine::SQLite
                                   ? QStringLiteral("Provider=SQLite;Data Source=/nonexistent/folder/j.db")
                                   : QStringLiteral("Provider=PostgreSQL;Host=127.0.0.1;Port=1;Database=x;User ID=frtest"));
    EXPECT_THROW(broken.OpenConnection(), EfrError);
    EXPECT_FALSE(broken.Connected());
    EXPECT_THROW(broken.CreateTempTable(), EfrError);
}

#ifdef FR_POSTGRES_TESTS
INSTANTIATE_TEST_SUITE_P(PostgreSQL, MainDMTest, ::testing::Values(TestEngine::PostgreSQL),
                         [](const auto &info) { return std::string(testEngineName(info.param)); });

// The cursor's kinds from PostgreSQL's own types.
TEST(PostgresCursorTest, KindsFromServerTypes)
{
    TestJournalDb db(TestEngine::PostgreSQL);
    ASSERT_FALSE(db.connectString().isEmpty()) << db.error().toStdString();
    QSqlDatabase c = frOpenConnection(db.connectString());
    {
        QSqlQuery q(c);
        ASSERT_TRUE(q.exec("CREATE TABLE kinds (id SERIAL PRIMARY KEY, a SMALLINT, b INTEGER, c BIGINT, d DOUBLE PRECISION, "
                           "e BOOLEAN, f DATE, g TIME, h TIMESTAMP, i TEXT, j BYTEA, k VARCHAR(20), l CHAR(3))"))
            << q.lastError().text().toStdString();
        ASSERT_TRUE(q.exec("INSERT INTO kinds (a, b, c, e, f, i, k) VALUES (-5, 70000, 5000000000, true, '2024-02-29', 'memo', 'текст')"));
    }
    TfrTableCursor t;
    t.setDatabase(c);
    t.setTableName("kinds");
    t.Open();
    struct Row { const char *field; K kind; int size; } rows[] = {
        {"id", K::fkInteger, 0}, {"a", K::fkSmallInt, 0}, {"b", K::fkInteger, 0}, {"c", K::fkLargeInt, 0},
        {"d", K::fkFloat, 0}, {"e", K::fkBoolean, 0}, {"f", K::fkDate, 0}, {"g", K::fkTime, 0},
        {"h", K::fkDateTime, 0}, {"i", K::fkMemo, 0}, {"j", K::fkBlob, 0}, {"k", K::fkString, 20},
        {"l", K::fkString, 3},
    };
    for (const Row &r : rows) {
        const int i = t.FieldIndex(r.field);
        EXPECT_EQ(t.FieldKind(i), r.kind) << r.field << " is " << frFieldKindName(t.FieldKind(i));
        EXPECT_EQ(t.FieldDef(i).size, r.size) << r.field;
    }
    EXPECT_EQ(t.FieldValue("a").kind(), TfrVariant::vkSmallInt);
    EXPECT_EQ(t.FieldValue("c").rawInt64(), Q_INT64_C(5000000000));
    EXPECT_TRUE(t.FieldValue("e").rawBool());
    EXPECT_EQ(t.DisplayText(t.FieldIndex("f")), QStringLiteral("29.02.2024"));
    EXPECT_EQ(t.FieldValue("k").toString(), QStringLiteral("текст"));
    t.Edit();
    t.SetFieldValue("g", "13:45:10");
    t.Post();
    t.Append();
    t.SetFieldValue("k", "new");
    t.Post();
    EXPECT_EQ(t.FieldValue("id").toInteger(), 2); // the key the server assigned
    t.Close();
    t.Open();
    EXPECT_EQ(t.DisplayText(t.FieldIndex("g")), QStringLiteral("13:45:10"));
    EXPECT_EQ(t.RecordCount(), 2);
    t.Close();
    frCloseConnection(c);
}
#else
INSTANTIATE_TEST_SUITE_P(SQLite, MainDMTest, ::testing::Values(TestEngine::SQLite),
                         [](const auto &info) { return std::string(testEngineName(info.param)); });
#endif

} // namespace
