#include "app/journal_run.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "app/main_dm.h"
#include "db_test_support.h"

namespace {

class JournalRunTest : public ::testing::Test {
protected:
    QString make(const QString &name, const QByteArray &content = "x")
    {
        const QString path = dir.filePath(name);
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly)) << name.toStdString();
        f.write(content);
        return path;
    }
    QTemporaryDir dir;
};

TEST_F(JournalRunTest, WhichFilesARunJournalsAndInWhatOrder)
{
    make("b.txt");
    make("A.txt");
    make("a.txt");
    make("Ё.doc");
    make(".hidden");
    const QString ro = make("readonly.pdf");
    QFile::setPermissions(ro, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther);
    QDir(dir.path()).mkdir("sub");
    QFile::link(dir.filePath("b.txt"), dir.filePath("link.txt"));
    QFile::link(dir.filePath("gone"), dir.filePath("dangling.txt"));
    EXPECT_EQ(JournalFolderFiles(dir.path()),
              QStringList({"A.txt", "a.txt", "b.txt", "link.txt", "readonly.pdf", "Ё.doc"}));
    EXPECT_TRUE(JournalFolderFiles(dir.filePath("no-such-folder")).isEmpty());
}

TEST_F(JournalRunTest, RecordsCarryFileAndProcessingTimes)
{
    const QString a = make("a.txt", "12345");
    const QString big = make("big.iso");
    // Files of 2 GB and more keep their size (a sparse file costs no disk).
    QFile f(big);
    ASSERT_TRUE(f.resize(Q_INT64_C(3221225472)));
    const QDateTime modified(QDate(2024, 1, 31), QTime(23, 59, 58));
    for (const QString &path : {a, big}) {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::ReadWrite));
        ASSERT_TRUE(file.setFileTime(modified, QFileDevice::FileModificationTime));
    }

    // Each record reads the clock when it is made.
    QList<QDateTime> ticks = {QDateTime(QDate(2024, 2, 5), QTime(8, 7)), QDateTime(QDate(2024, 2, 6), QTime(0, 1))};
    int calls = 0;
    const auto records = CollectRunFiles(dir.path(), "Иванов И. И.", [&] { return ticks.at(calls++); });
    ASSERT_EQ(records.size(), 2);
    EXPECT_EQ(calls, 2);
    const TJournalFileRecord &r0 = records.at(0);
    EXPECT_EQ(r0.NameFile, QStringLiteral("a.txt"));
    EXPECT_EQ(r0.Size, 5);
    EXPECT_EQ(r0.DateCreateFile, QStringLiteral("31.01.24"));
    EXPECT_EQ(r0.TimeCreateFile, QStringLiteral("23:59"));
    EXPECT_EQ(r0.DateProcesFile, QStringLiteral("05.02.24"));
    EXPECT_EQ(r0.TimeProcesFile, QStringLiteral("08:07"));
    EXPECT_EQ(r0.Ispolnitel, QStringLiteral("Иванов И. И."));
    EXPECT_EQ(records.at(1).Size, Q_INT64_C(3221225472));
    EXPECT_EQ(records.at(1).DateProcesFile, QStringLiteral("06.02.24"));
    EXPECT_EQ(records.at(1).TimeProcesFile, QStringLiteral("00:01"));
}

TEST_F(JournalRunTest, AppendingNumbersTheRowsInOneGo)
{
    TestJournalDb db(TestEngine::SQLite);
    TMainDM dm;
    dm.setConnectionString(db.connectString());
    dm.CreateTempTable();
    // More rows than one statement carries, and a last statement that is shorter.
    QList<TJournalFileRecord> records;
    for (int i = 0; i < 250; ++i) {
        TJournalFileRecord r;
        r.NameFile = QStringLiteral("f%1").arg(i, 3, 10, QChar(u'0'));
        r.Size = i;
        r.Ispolnitel = QStringLiteral("Петров");
        records.append(r);
    }
    AppendRunToTemp(dm, records, 10, 4);
    AppendRunToTemp(dm, {}, 1, 1); // an empty run adds nothing

    TfrTableCursor *t = dm.ADOTable();
    t->setTableName(TempTableName);
    t->Open();
    ASSERT_EQ(t->RecordCount(), 250);
    int i = 0;
    for (t->First(); !t->Eof(); t->Next(), ++i) {
        ASSERT_EQ(t->FieldValue("NumPP").toInt64(), 10 + i) << i;
        ASSERT_EQ(t->FieldValue("NameFile").toString(), records.at(i).NameFile) << i;
        ASSERT_EQ(t->FieldValue("NumReis").toInteger(), 4) << i;
        ASSERT_TRUE(t->IsNull(t->FieldIndex("ToWhom"))) << i;
    }
    t->Close();

    // An executor longer than the journal's field is refused before anything is written.
    records.first().Ispolnitel = QString(51, u'и');
    try {
        AppendRunToTemp(dm, records, 1000, 5);
        FAIL() << "no error";
    } catch (const EfrError &e) {
        EXPECT_TRUE(e.message().contains(QStringLiteral("50"))) << e.what();
    }
    t->Open();
    EXPECT_EQ(t->RecordCount(), 250);
}

} // namespace
