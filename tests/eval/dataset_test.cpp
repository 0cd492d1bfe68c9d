#include <QSqlDatabase>
#include <QSqlQuery>
#include <QUuid>
#include <gtest/gtest.h>

#include "report/eval/db_dataset.h"
#include "report/eval/stream.h"

namespace {

QString u(const char *s) { return QString::fromUtf8(s); }

// Walks a data set by the engine's protocol; returns the record counter seen per record.
QList<int> walk(TfrDataset &ds, int limit = 100)
{
    QList<int> seen;
    ds.Init();
    ds.First();
    while (!ds.Eof() && seen.size() < limit) {
        seen.append(ds.RecNo());
        ds.Next();
    }
    ds.Exit();
    return seen;
}

TEST(UserDatasetTest, CountedRangeEndsAfterItsCount)
{
    TfrUserDataset ds;
    ds.RangeEnd = reCount;
    ds.RangeEndCount = 3;
    int nexts = 0, firsts = 0;
    ds.OnNext = [&](QObject *sender) {
        EXPECT_EQ(sender, &ds);
        ++nexts;
    };
    ds.OnFirst = [&](QObject *) { ++firsts; };
    ds.First();
    QList<bool> eofs;
    for (int i = 0; i < 3; ++i) {
        eofs.append(ds.Eof());
        ds.Next();
    }
    eofs.append(ds.Eof());
    EXPECT_EQ(eofs, (QList<bool>{false, false, false, true}));
    EXPECT_EQ(firsts, 1);
    EXPECT_EQ(nexts, 2); // not on the step that ends the range
    ds.Prior();
    EXPECT_EQ(ds.RecNo(), 2);
    EXPECT_FALSE(ds.Eof());
}

TEST(UserDatasetTest, CountZeroIsEmptyAndCheckEofEndsAnOpenRange)
{
    TfrUserDataset counted;
    counted.RangeEnd = reCount;
    EXPECT_TRUE(walk(counted).isEmpty());

    TfrUserDataset open;
    EXPECT_EQ(walk(open, 5).size(), 5); // reLast has no end of its own
    open.OnCheckEOF = [&](QObject *, bool &eof) {
        EXPECT_FALSE(eof);
        eof = open.RecNo() >= 2;
    };
    EXPECT_EQ(walk(open), (QList<int>{0, 1}));
    // The handler may also keep a counted range going.
    counted.RangeEndCount = 1;
    counted.OnCheckEOF = [&](QObject *, bool &eof) { eof = counted.RecNo() >= 3; };
    EXPECT_EQ(walk(counted), (QList<int>{0, 1, 2}));
}

class DBDataSetTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        name = QUuid::createUuid().toString();
        db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(QStringLiteral(":memory:"));
        ASSERT_TRUE(db.open());
        QSqlQuery q(db);
        ASSERT_TRUE(q.exec(u("CREATE TABLE t (id INTEGER PRIMARY KEY, Name VARCHAR(10), Pic BLOB, Notes TEXT)")));
        ASSERT_TRUE(q.exec(u("INSERT INTO t (Name, Pic, Notes) VALUES ('a', X'00FF10', 'one\r\ntwo\r\n'), "
                             "('b', NULL, NULL), ('c', NULL, NULL), ('d', NULL, NULL)")));
        ASSERT_TRUE(q.exec(u("CREATE TABLE empty (id INTEGER PRIMARY KEY, Name VARCHAR(10))")));
        cursor = new TfrTableCursor(&owner);
        cursor->setObjectName(u("Table1"));
        cursor->setDatabase(db);
        cursor->setTableName(u("t"));
        ds = new TfrDBDataSet(&owner);
        ds->setObjectName(u("frDBDataSet1"));
        ds->SetDataSet(cursor);
    }
    void TearDown() override
    {
        delete ds;
        delete cursor;
        db.close();
        db = QSqlDatabase();
        QSqlDatabase::removeDatabase(name);
    }
    QStringList walkNames()
    {
        QStringList seen;
        ds->Init();
        ds->First();
        while (!ds->Eof() && seen.size() < 100) {
            seen.append(cursor->FieldValue(u("Name")).toString());
            ds->Next();
        }
        ds->Exit();
        return seen;
    }

    QString name;
    QSqlDatabase db;
    QObject owner;
    TfrTableCursor *cursor = nullptr;
    TfrDBDataSet *ds = nullptr;
};

TEST_F(DBDataSetTest, FullRangeWalksEveryRowAndDoesNotMoveBack)
{
    EXPECT_EQ(walkNames(), (QStringList{u("a"), u("b"), u("c"), u("d")}));
    EXPECT_TRUE(cursor->Eof());
    EXPECT_TRUE(cursor->Active()); // CloseDataSource is false
    ds->CloseDataSource = true;
    walkNames();
    EXPECT_FALSE(cursor->Active());
}

TEST_F(DBDataSetTest, CurrentRangesAndBookmarkRestore)
{
    struct Row {
        TRangeBegin begin;
        TRangeEnd end;
        QStringList expected;
    };
    const Row rows[] = {
        {rbCurrent, reCurrent, {u("b")}},
        {rbCurrent, reLast, {u("b"), u("c"), u("d")}},
        {rbFirst, reCurrent, {}}, // ends only when the first record is the remembered one
    };
    for (const Row &r : rows) {
        cursor->Open();
        cursor->First();
        cursor->Next(); // on "b"
        ds->RangeBegin = r.begin;
        ds->RangeEnd = r.end;
        const QStringList seen = walkNames();
        const QString label = QStringLiteral("begin %1 end %2").arg(int(r.begin)).arg(int(r.end));
        if (r.begin == rbFirst) {
            // The cursor never moves: the first record repeats until the walk's limit.
            EXPECT_EQ(seen.size(), 100) << label.toStdString();
            EXPECT_EQ(seen.first(), u("a")) << label.toStdString();
        } else {
            EXPECT_EQ(seen, r.expected) << label.toStdString();
        }
        // Exit goes back to the record that was current at Init.
        EXPECT_EQ(cursor->FieldValue(u("Name")).toString(), u("b")) << label.toStdString();
    }
}

TEST_F(DBDataSetTest, CurrentRangeOnAnEmptyTable)
{
    cursor->setTableName(u("empty"));
    ds->RangeBegin = rbCurrent;
    ds->RangeEnd = reCurrent;
    EXPECT_TRUE(walkNames().isEmpty());
}

TEST_F(DBDataSetTest, DataSourceAndDataSetReplaceEachOther)
{
    TfrTableCursor other;
    TfrDataSource source;
    source.SetDataSet(&other);
    ds->SetDataSource(&source);
    EXPECT_EQ(ds->DataSet(), nullptr);
    EXPECT_EQ(ds->GetDataSet(), &other);
    ds->SetDataSet(cursor);
    EXPECT_EQ(ds->DataSource(), nullptr);
    EXPECT_EQ(ds->GetDataSet(), cursor);
    // A data source without a data set falls back to nothing.
    TfrDataSource bare;
    ds->SetDataSource(&bare);
    EXPECT_EQ(ds->FindDataSet(), nullptr);
}

TEST_F(DBDataSetTest, MissingDataSetFailsAtInitWithItsName)
{
    ds->SetDataSet(nullptr);
    try {
        ds->Init();
        FAIL() << "no error";
    } catch (const EfrDataSetError &e) {
        EXPECT_EQ(e.message(), u("Unable to open dataset frDBDataSet1"));
    }
    // A destroyed cursor clears the reference instead of dangling.
    auto *doomed = new TfrTableCursor;
    ds->SetDataSet(doomed);
    delete doomed;
    EXPECT_EQ(ds->DataSet(), nullptr);
    EXPECT_THROW(ds->Init(), EfrDataSetError);
}

TEST_F(DBDataSetTest, OpenAndCloseEvents)
{
    QStringList events;
    ds->OnOpen = [&](QObject *) { events.append(cursor->Active() ? u("open:active") : u("open:closed")); };
    ds->OnClose = [&](QObject *) { events.append(u("close")); };
    ds->OpenDataSource = false;
    EXPECT_THROW(walkNames(), EfrError); // moving a closed cursor is the database layer's error
    ds->OpenDataSource = true;
    events.clear();
    walkNames();
    EXPECT_EQ(events, (QStringList{u("open:active"), u("close")}));
}

TEST_F(DBDataSetTest, Adapters)
{
    cursor->Open();
    EXPECT_TRUE(frIsBlob(cursor->FieldByName(u("Pic"))));
    EXPECT_TRUE(frIsBlob(cursor->FieldByName(u("Notes"))));
    EXPECT_FALSE(frIsBlob(cursor->FieldByName(u("Name"))));
    EXPECT_FALSE(frIsBlob(TfrCursorField()));
    EXPECT_TRUE(frIsDataSet(cursor));
    EXPECT_FALSE(frIsDataSet(ds));
    EXPECT_FALSE(frIsDataSet(nullptr));

    QByteArray bytes;
    frAssignBlobTo(cursor->FieldByName(u("Pic")), bytes);
    EXPECT_EQ(bytes, QByteArray("\x00\xFF\x10", 3));
    TfrStream stream;
    frAssignBlobTo(cursor->FieldByName(u("Pic")), stream);
    EXPECT_EQ(stream.position(), 0);
    EXPECT_EQ(stream.size(), 3);
    QStringList lines;
    frAssignBlobTo(cursor->FieldByName(u("Notes")), lines);
    EXPECT_EQ(lines, (QStringList{u("one"), u("two")}));

    QStringList fields;
    frGetFieldNames(cursor, fields);
    EXPECT_EQ(fields, (QStringList{u("id"), u("Name"), u("Pic"), u("Notes")}));
    QStringList untouched{u("keep")};
    frGetFieldNames(nullptr, untouched);
    EXPECT_EQ(untouched, QStringList{u("keep")});
    TfrTableCursor closed;
    frGetFieldNames(&closed, untouched);
    EXPECT_TRUE(untouched.isEmpty());

    cursor->First();
    const TfrBookmark first = frGetBookmark(cursor);
    cursor->Next();
    EXPECT_FALSE(frIsBookmarksEqual(cursor, first, frGetBookmark(cursor)));
    frGotoBookmark(cursor, first);
    EXPECT_TRUE(frIsBookmarksEqual(cursor, first, frGetBookmark(cursor)));
    frFreeBookmark(cursor, first);
}

TEST_F(DBDataSetTest, BandDataSources)
{
    // A count prints that many times and is owned by the band.
    TfrBandDataSource five = frResolveBandDataSource(u("5"), &owner);
    ASSERT_NE(five.owned, nullptr);
    EXPECT_EQ(five.dataSet, five.owned.get());
    EXPECT_EQ(walk(*five.dataSet).size(), 5);

    try {
        frResolveBandDataSource(u("5x"), &owner);
        FAIL() << "no error";
    } catch (const EConvertError &e) {
        EXPECT_EQ(e.message(), u("'5x' is not a valid integer value"));
    }

    // "0" is a name, not a count.
    EXPECT_EQ(frResolveBandDataSource(u("0"), &owner).dataSet, nullptr);
    TfrUserDataset zero(&owner);
    zero.setObjectName(u("0"));
    TfrBandDataSource named = frResolveBandDataSource(u("0"), &owner);
    EXPECT_EQ(named.dataSet, &zero);
    EXPECT_EQ(named.owned, nullptr);

    // A report data set is initialised at once: the cursor opens.
    EXPECT_FALSE(cursor->Active());
    EXPECT_EQ(frResolveBandDataSource(u("FRDBDATASET1"), &owner).dataSet, ds);
    EXPECT_TRUE(cursor->Active());

    EXPECT_THROW(frResolveBandDataSource(u("Table1"), &owner), EfrError); // not a report data set
    EXPECT_EQ(frResolveBandDataSource(QString(), &owner).dataSet, nullptr);
    EXPECT_EQ(frResolveBandDataSource(u("Nothing"), nullptr).dataSet, nullptr);
}

} // namespace
