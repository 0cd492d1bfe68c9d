// Templates that ask for more than a page can hold, through frreport as a user runs it: a
// value no page can hold is refused when the template loads; one that a page can just hold
// gives a bounded report quickly, its cut text named on standard error. A file that is no
// template is an error for every output.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QTemporaryDir>
#include <functional>

#include "report/eval/globals.h"
#include "report/model/fr_globals.h"
#include "report/model/memo_view.h"
#include "report/model/page.h"
#include "report/model/report.h"
#include "tests/engine/journal_test_support.h"
#include "tool_run.h"

namespace {

class HostileTemplate : public ::testing::Test {
protected:
    void SetUp() override
    {
        program = QCoreApplication::applicationDirPath() + QStringLiteral("/frreport");
        journalTemplate = QCoreApplication::applicationDirPath() + QStringLiteral("/Reports/J001.frf");
        ASSERT_TRUE(QFileInfo::exists(program) && QFileInfo::exists(journalTemplate))
            << "frreport and the journal template are built next to the tests";
        ASSERT_TRUE(dir.isValid());
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("hostile"));
            db.setDatabaseName(path("journal.db"));
            ASSERT_TRUE(db.open());
            journal_test::fillJournal(db, 60);
            db.close();
        }
        QSqlDatabase::removeDatabase(QStringLiteral("hostile"));
        frGlobals();
    }

    // The journal template with its first data field changed by edit, saved as name.
    QString journalWith(const char *name, const std::function<void(TfrMemoView &)> &edit)
    {
        TfrReport r;
        CurReport = &r;
        EXPECT_TRUE(r.LoadFromFile(journalTemplate));
        TfrMemoView *field = nullptr;
        for (const auto &v : r.Pages[0]->Objects)
            if (auto *m = dynamic_cast<TfrMemoView *>(v.get()); m && m->Memo.join(QString()).contains(QLatin1String("frDBDataSet1"))) {
                field = m;
                break;
            }
        EXPECT_NE(field, nullptr);
        if (field)
            edit(*field);
        const QString file = path(name);
        r.SaveToFile(file);
        CurReport = nullptr;
        CurPage = nullptr;
        return file;
    }

    TToolResult prepare(const QString &templ, const char *option, const QString &out)
    {
        return frRunTool(program, {QStringLiteral("prepare"), templ, QStringLiteral("--db"), path("journal.db"),
                                   QStringLiteral("--dataset"), QStringLiteral("frDBDataSet1=Temp"),
                                   QLatin1String(option), out},
                         60000);
    }
    QString path(const char *name) const { return dir.filePath(QString::fromLatin1(name)); }

    QString program, journalTemplate;
    QTemporaryDir dir;
};

TEST_F(HostileTemplate, ValuesNoPageCanHoldAreRefusedAtOnce)
{
    const QString gap = journalWith("gap.frf", [](TfrMemoView &m) { m.GapY = 8388609; });
    const QString font = journalWith("font.frf", [](TfrMemoView &m) { m.Font.Size = 14942217; });
    for (const auto &[file, property] : {std::pair{gap, "GapY = 8388609"}, {font, "Font.Size = 14942217"}}) {
        SCOPED_TRACE(property);
        QElapsedTimer t;
        t.start();
        const TToolResult r = prepare(file, "--frp", path("out.frp"));
        EXPECT_LT(t.elapsed(), 10000);
        EXPECT_EQ(r.status, 1);
        EXPECT_TRUE(QString::fromUtf8(r.err).contains(QLatin1String(property))) << r.err.toStdString();
        EXPECT_FALSE(QFileInfo::exists(path("out.frp")));
    }
}

TEST_F(HostileTemplate, ValuesAPageCanJustHoldGiveABoundedReportQuickly)
{
    const QString gap = journalWith("gap.frf", [](TfrMemoView &m) { m.GapY = 9999; });
    const QString font = journalWith("font.frf", [](TfrMemoView &m) { m.Font.Size = 1999; });
    for (const QString &file : {gap, font}) {
        SCOPED_TRACE(file.toStdString());
        QElapsedTimer t;
        t.start();
        const TToolResult r = prepare(file, "--frp", path("out.frp"));
        EXPECT_LT(t.elapsed(), 10000);
        ASSERT_EQ(r.status, 0) << r.err.toStdString();
        // 60 rows, each at most a page or two: far from the gigabytes the runaway wrote.
        EXPECT_LT(QFileInfo(path("out.frp")).size(), 20 * 1024 * 1024);
        EXPECT_TRUE(QString::fromUtf8(r.err).contains(QStringLiteral("обрезан"))) << "the cut is said on standard error";
    }
}

TEST_F(HostileTemplate, AnEmptyFileIsNoTemplateForAnyOutput)
{
    const QString empty = path("empty.frf");
    {
        QFile f(empty);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    for (const char *option : {"--frp", "--json", "--xlsx", "--pdf"}) {
        SCOPED_TRACE(option);
        const TToolResult r = prepare(empty, option, path("out.any"));
        EXPECT_EQ(r.status, 1);
        EXPECT_TRUE(QString::fromUtf8(r.err).contains(QStringLiteral("Неверный FRF формат"))) << r.err.toStdString();
        EXPECT_FALSE(QFileInfo::exists(path("out.any")));
    }
}

TEST_F(HostileTemplate, DumpOfABadPreparedFileNamesTheFile)
{
    const QString bad = path("bad.frp");
    {
        QFile f(bad);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("not a prepared report");
    }
    const TToolResult r = frRunTool(program, {QStringLiteral("dump"), bad});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(QString::fromUtf8(r.err).contains(bad)) << r.err.toStdString();
}

// The engine's warnings reach the tool's standard error: here the README's warning when no
// swap file can be made and the pages stay in memory.
TEST_F(HostileTemplate, WarningsReachStandardError)
{
    qputenv("FR_PAGE_MEMORY", "0");
    qputenv("FR_SWAP_DIR", QFile::encodeName(path("no-such-folder")));
    const TToolResult r = prepare(journalTemplate, "--frp", path("out.frp"));
    qunsetenv("FR_PAGE_MEMORY");
    qunsetenv("FR_SWAP_DIR");
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_TRUE(r.err.contains("no-such-folder")) << r.err.toStdString();
}

} // namespace
