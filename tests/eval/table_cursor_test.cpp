#include "report/eval/table_cursor.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QUuid>
#include <gtest/gtest.h>

#include "report/eval/datetime.h"
#include "report/eval/errors.h"

namespace {

using K = TfrFieldKind;

class TableCursorTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        name = QUuid::createUuid().toString();
        db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(QStringLiteral(":memory:"));
        ASSERT_TRUE(db.open());
        exec("CREATE TABLE people (id INTEGER PRIMARY KEY, Name VARCHAR(10), Age SMALLINT, "
             "Salary MONEY, Born DATE, Photo BLOB, Notes TEXT)");
        exec("INSERT INTO people (Name, Age, Salary, Born, Notes) VALUES "
             "('Anna', 30, 1234.5, '1994-05-01', 'likes tea'), "
             "('Boris', 41, NULL, '1983-11-20', ''), "
             "('Vera', 25, 99.99, NULL, NULL)");
        cursor.setDatabase(db);
        cursor.setTableName(QStringLiteral("people"));
    }
    void TearDown() override
    {
        cursor.Close();
        db.close();
        db = QSqlDatabase();
        QSqlDatabase::removeDatabase(name);
    }
    void exec(const char *sql)
    {
        QSqlQuery q(db);
        ASSERT_TRUE(q.exec(QString::fromUtf8(sql))) << sql << ": " << q.lastError().text().toStdString();
    }
    QVariant scalar(const char *sql)
    {
        QSqlQuery q(db);
        if (!q.exec(QString::fromUtf8(sql)) || !q.next())
            return QVariant();
        return q.value(0);
    }
    QStringList names()
    {
        QStringList out;
        for (cursor.First(); !cursor.Eof(); cursor.Next())
            out.append(cursor.FieldValue("name").toString());
        return out;
    }

    QString name;
    QSqlDatabase db;
    TfrTableCursor cursor;
};

TEST_F(TableCursorTest, FieldKindsFollowDeclaredTypes)
{
    exec("CREATE TABLE kinds (a SMALLINT, b INT, c BIGINT, d REAL, e MONEY, f BOOLEAN, g DATE, h TIME, "
         "i DATETIME, j TEXT, k BLOB, l VARCHAR(20), m IMAGE, n NUMERIC(10,2), o CHAR(3))");
    cursor.setTableName("kinds");
    cursor.Open();
    struct Row { const char *field; K kind; int size; } rows[] = {
        {"a", K::fkSmallInt, 0}, {"b", K::fkInteger, 0}, {"c", K::fkLargeInt, 0}, {"d", K::fkFloat, 0},
        {"e", K::fkCurrency, 0}, {"f", K::fkBoolean, 0}, {"g", K::fkDate, 0}, {"h", K::fkTime, 0},
        {"i", K::fkDateTime, 0}, {"j", K::fkMemo, 0}, {"k", K::fkBlob, 0}, {"l", K::fkString, 20},
        {"m", K::fkGraphic, 0}, {"n", K::fkFloat, 0}, {"o", K::fkString, 3},
    };
    ASSERT_EQ(cursor.FieldCount(), int(std::size(rows)));
    for (const Row &r : rows) {
        const int i = cursor.FieldIndex(r.field);
        EXPECT_EQ(cursor.FieldKind(i), r.kind) << r.field << " is " << frFieldKindName(cursor.FieldKind(i));
        EXPECT_EQ(cursor.FieldDef(i).size, r.size) << r.field;
    }
    EXPECT_TRUE(cursor.IsEmpty());
    EXPECT_TRUE(cursor.Eof());
    EXPECT_TRUE(cursor.Bof());
    EXPECT_EQ(cursor.RecNo(), 0);
}

TEST_F(TableCursorTest, ValuesDisplayTextAndNulls)
{
    cursor.Open();
    ASSERT_EQ(cursor.RecordCount(), 3);
    EXPECT_EQ(cursor.FieldValue("AGE").kind(), TfrVariant::vkSmallInt);
    EXPECT_EQ(cursor.FieldValue("age").rawInt(), 30);
    EXPECT_EQ(cursor.FieldValue("Salary").kind(), TfrVariant::vkCurrency);
    EXPECT_EQ(cursor.FieldValue("Salary").rawCurrency().scaled, 12345000);
    EXPECT_EQ(cursor.FieldValue("Born").kind(), TfrVariant::vkDate);
    EXPECT_EQ(cursor.FieldValue("Born").rawDouble(), frEncodeDate(1994, 5, 1));
    EXPECT_EQ(cursor.DisplayText(cursor.FieldIndex("Born")), QStringLiteral("01.05.1994"));
    EXPECT_EQ(cursor.DisplayText(cursor.FieldIndex("Notes")), QStringLiteral("(MEMO)"));
    EXPECT_TRUE(cursor.IsBlob(cursor.FieldIndex("Notes")));
    EXPECT_FALSE(cursor.IsBlob(cursor.FieldIndex("Name")));
    EXPECT_EQ(cursor.BlobBytes(cursor.FieldIndex("Notes")), QByteArray("likes tea"));
    EXPECT_TRUE(cursor.IsNull(cursor.FieldIndex("Photo")));
    EXPECT_EQ(cursor.DisplayText(cursor.FieldIndex("Photo")), QStringLiteral("(Blob)"));

    cursor.Next();
    EXPECT_TRUE(cursor.IsNull(cursor.FieldIndex("Salary")));
    EXPECT_EQ(cursor.DisplayText(cursor.FieldIndex("Salary")), QString());
    EXPECT_EQ(cursor.DisplayText(cursor.FieldIndex("Notes")), QStringLiteral("(Memo)"));
    EXPECT_FALSE(cursor.IsNull(cursor.FieldIndex("Notes"))); // empty text is not null

    const TfrCursorField f = cursor.FieldByName("NAME");
    EXPECT_EQ(f.Name(), QStringLiteral("Name"));
    EXPECT_EQ(f.Value().toString(), QStringLiteral("Boris"));
    try {
        cursor.FieldByName("Nope");
        FAIL() << "no error";
    } catch (const EfrError &e) {
        EXPECT_EQ(e.message(), QStringLiteral("Field 'Nope' not found"));
    }
    EXPECT_EQ(cursor.FindField("nope"), -1);
}

TEST_F(TableCursorTest, NavigationFlags)
{
    cursor.Open();
    EXPECT_TRUE(cursor.Bof());
    EXPECT_FALSE(cursor.Eof());
    cursor.Prior(); // at the first row already
    EXPECT_EQ(cursor.RecNo(), 1);
    EXPECT_TRUE(cursor.Bof());
    cursor.Next();
    cursor.Next();
    EXPECT_EQ(cursor.RecNo(), 3);
    EXPECT_FALSE(cursor.Eof());
    cursor.Next();
    EXPECT_TRUE(cursor.Eof());
    EXPECT_FALSE(cursor.Bof());
    EXPECT_EQ(cursor.RecNo(), 3); // stays on the last row
    cursor.First();
    cursor.Last();
    EXPECT_TRUE(cursor.Eof());
    cursor.Prior();
    EXPECT_FALSE(cursor.Eof());
    EXPECT_EQ(cursor.RecNo(), 2);
    cursor.setRecNo(1);
    EXPECT_EQ(cursor.FieldValue("Name").toString(), QStringLiteral("Anna"));
    EXPECT_EQ(names(), QStringList({"Anna", "Boris", "Vera"}));
}

TEST_F(TableCursorTest, BookmarksCompareAndSurviveReopening)
{
    cursor.Open();
    const TfrBookmark first = cursor.GetBookmark();
    cursor.Last();
    const TfrBookmark last = cursor.GetBookmark();
    EXPECT_LT(cursor.CompareBookmarks(first, last), 0);
    EXPECT_GT(cursor.CompareBookmarks(last, first), 0);
    EXPECT_EQ(cursor.CompareBookmarks(first, first), 0);
    EXPECT_FALSE(first == last);

    cursor.GotoBookmark(first);
    EXPECT_EQ(cursor.FieldValue("Name").toString(), QStringLiteral("Anna"));
    cursor.Close();
    cursor.Open();
    cursor.GotoBookmark(last);
    EXPECT_EQ(cursor.FieldValue("Name").toString(), QStringLiteral("Vera"));

    cursor.Delete();
    EXPECT_FALSE(cursor.BookmarkValid(last));
    try {
        cursor.GotoBookmark(last);
        FAIL() << "no error";
    } catch (const EfrError &e) {
        EXPECT_EQ(e.message(), QStringLiteral("Record not found"));
    }
}

TEST_F(TableCursorTest, EditPostAndCancelReachTheDatabase)
{
    cursor.Open();
    EXPECT_THROW(cursor.SetFieldValue("Name", "X"), EfrError); // not editing
    cursor.Edit();
    EXPECT_EQ(cursor.state(), TfrTableCursor::dsEdit);
    cursor.SetFieldValue("name", "Anya");
    cursor.SetFieldValue("Age", "31"); // converted to the field's kind
    EXPECT_EQ(cursor.FieldValue("Name").toString(), QStringLiteral("Anya")); // the edit buffer
    EXPECT_EQ(scalar("SELECT Name FROM people WHERE id = 1").toString(), QStringLiteral("Anna"));
    cursor.Post();
    EXPECT_EQ(cursor.state(), TfrTableCursor::dsBrowse);
    EXPECT_EQ(scalar("SELECT Name || Age FROM people WHERE id = 1").toString(), QStringLiteral("Anya31"));

    cursor.Edit();
    cursor.SetFieldValue("Name", "Zed");
    cursor.Cancel();
    EXPECT_EQ(cursor.FieldValue("Name").toString(), QStringLiteral("Anya"));

    // Moving posts a pending edit.
    cursor.Edit();
    cursor.SetFieldNull(cursor.FieldIndex("Notes"));
    cursor.Next();
    EXPECT_TRUE(scalar("SELECT Notes FROM people WHERE id = 1").isNull());

    // Closing discards one.
    cursor.Edit();
    cursor.SetFieldValue("Name", "Lost");
    cursor.Close();
    EXPECT_EQ(scalar("SELECT Name FROM people WHERE id = 2").toString(), QStringLiteral("Boris"));
}

TEST_F(TableCursorTest, AppendInsertDeleteAndTheirNotifications)
{
    cursor.Open();
    QList<int> inserted, removed, changed;
    QObject::connect(&cursor, &TfrTableCursor::rowInserted, [&](int row) { inserted.append(row); });
    QObject::connect(&cursor, &TfrTableCursor::rowRemoved, [&](int row) { removed.append(row); });
    QObject::connect(&cursor, &TfrTableCursor::rowChanged, [&](int row) { changed.append(row); });

    cursor.Append();
    EXPECT_EQ(cursor.state(), TfrTableCursor::dsInsert);
    EXPECT_EQ(cursor.RecordCount(), 3);
    EXPECT_EQ(cursor.RowCount(), 4);
    ASSERT_EQ(inserted.count(), 1);
    EXPECT_EQ(inserted.at(0), 3);
    EXPECT_FALSE(cursor.GetBookmark().isValid());
    cursor.SetFieldValue("Name", "Gleb");
    cursor.Post();
    EXPECT_EQ(cursor.RecordCount(), 4);
    EXPECT_EQ(scalar("SELECT COUNT(*) FROM people WHERE Name = 'Gleb'").toInt(), 1);
    const TfrBookmark gleb = cursor.GetBookmark();
    EXPECT_TRUE(gleb.isValid());
    EXPECT_EQ(gleb.id, scalar("SELECT id FROM people WHERE Name = 'Gleb'").toLongLong());
    EXPECT_GE(changed.count(), 2); // the buffer change and the post

    // An appended row nobody touched is dropped when the cursor moves on.
    cursor.Append();
    cursor.First();
    EXPECT_EQ(cursor.RowCount(), 4);
    EXPECT_EQ(removed.count(), 1);

    cursor.setRecNo(2);
    cursor.Insert();
    cursor.SetFieldValue("Name", "Dina");
    cursor.Cancel();
    EXPECT_EQ(cursor.RecNo(), 2);
    EXPECT_EQ(cursor.FieldValue("Name").toString(), QStringLiteral("Boris"));

    cursor.Delete();
    EXPECT_EQ(scalar("SELECT COUNT(*) FROM people").toInt(), 3);
    EXPECT_EQ(cursor.FieldValue("Name").toString(), QStringLiteral("Vera")); // the next row
    EXPECT_EQ(names(), QStringList({"Anna", "Vera", "Gleb"}));
    cursor.GotoBookmark(gleb);
    EXPECT_EQ(cursor.RecNo(), 3);
}

TEST_F(TableCursorTest, RefusesWhatWouldCorruptData)
{
    cursor.Open();
    cursor.Edit();
    EXPECT_THROW(cursor.SetFieldValue("Name", "Longer than ten"), EfrError);
    EXPECT_THROW(cursor.SetFieldValue("Age", "old"), EfrError);
    cursor.Cancel();

    exec("CREATE VIEW young AS SELECT * FROM people WHERE Age < 35");
    cursor.Close();
    cursor.setTableName("young");
    cursor.Open();
    EXPECT_TRUE(cursor.ReadOnly());
    EXPECT_EQ(cursor.RecordCount(), 2);
    try {
        cursor.Edit();
        FAIL() << "no error";
    } catch (const EfrError &e) {
        EXPECT_EQ(e.message(), QStringLiteral("Cannot modify a read-only dataset"));
    }
    EXPECT_THROW(cursor.setTableName("people"), EfrError); // while open

    cursor.Close();
    cursor.setTableName("no_such_table");
    EXPECT_THROW(cursor.Open(), EfrError);
    EXPECT_FALSE(cursor.Active());
    EXPECT_THROW(cursor.Next(), EfrError);
}

TEST_F(TableCursorTest, DeclaredFieldsAndKeylessTables)
{
    exec("CREATE TABLE plain (NumPP BIGINT, Size BIGINT, Memo TEXT)");
    exec("INSERT INTO plain VALUES (40000, 3221225472, 'x')");
    cursor.setTableName("plain");
    cursor.setFieldDefs({{"size", K::fkLargeInt, 0}, {"NUMPP", K::fkLargeInt, 0}});
    cursor.Open();
    EXPECT_EQ(cursor.FieldNames(), QStringList({"size", "NUMPP"}));
    EXPECT_EQ(cursor.FieldValue(0).kind(), TfrVariant::vkInt64);
    EXPECT_EQ(cursor.FieldValue(0).rawInt64(), Q_INT64_C(3221225472));
    EXPECT_EQ(cursor.FieldValue(1).toInt64(), 40000);
    EXPECT_EQ(cursor.DisplayText(0), QStringLiteral("3221225472"));

    // A table without a declared key is updated through its rowid.
    EXPECT_FALSE(cursor.ReadOnly());
    cursor.Edit();
    cursor.SetFieldValue(0, TfrVariant(Q_INT64_C(5000000000)));
    cursor.Post();
    EXPECT_EQ(scalar("SELECT Size FROM plain").toLongLong(), Q_INT64_C(5000000000));

    cursor.Close();
    cursor.setFieldDefs({{"Missing", K::fkString, 5}});
    try {
        cursor.Open();
        FAIL() << "no error";
    } catch (const EfrError &e) {
        EXPECT_TRUE(e.message().contains(QStringLiteral("Field 'Missing' not found"))) << e.what();
    }
}

TEST_F(TableCursorTest, BlobBytesRoundTrip)
{
    cursor.Open();
    QByteArray bytes;
    for (int i = 0; i < 256; ++i)
        bytes.append(char(i));
    cursor.Edit();
    cursor.SetFieldValue("Photo", TfrVariant(QString::fromLatin1("placeholder")));
    cursor.Post();
    // Bytes written by another program come back unchanged.
    QSqlQuery q(db);
    ASSERT_TRUE(q.prepare("UPDATE people SET Photo = ? WHERE id = 1"));
    q.addBindValue(bytes);
    ASSERT_TRUE(q.exec());
    cursor.Close();
    cursor.Open();
    EXPECT_EQ(cursor.BlobBytes(cursor.FieldIndex("Photo")), bytes);
    EXPECT_EQ(cursor.DisplayText(cursor.FieldIndex("Photo")), QStringLiteral("(BLOB)"));
}

} // namespace
