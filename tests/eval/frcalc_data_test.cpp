// frcalc's formatting, locale and data set options, run as a user would run them.
#include "tool_run.h"
#include <QCoreApplication>
#include <QFileInfo>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

QString u(const char *s) { return QString::fromUtf8(s); }

struct ToolRun {
    int status = -1;
    QStringList lines;
};

class FrcalcData : public ::testing::Test {
protected:
    void SetUp() override
    {
        program = QCoreApplication::applicationDirPath() + u("/frcalc");
        ASSERT_TRUE(QFileInfo::exists(program)) << "frcalc is not built next to the tests";
        dbFile = dir.filePath(u("data.db"));
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(u("QSQLITE"), u("frcalc_data_test"));
            db.setDatabaseName(dbFile);
            ASSERT_TRUE(db.open());
            QSqlQuery q(db);
            ASSERT_TRUE(q.exec(u("CREATE TABLE pay (id INTEGER PRIMARY KEY, Amount REAL, \"Sum total\" REAL, "
                                 "Who VARCHAR(20), Paid DATE)")));
            ASSERT_TRUE(q.exec(u("INSERT INTO pay (Amount, \"Sum total\", Who, Paid) VALUES "
                                 "(1234.5, 7, 'Анна', '2024-03-05'), (2, 3, 'b', NULL)")));
            ASSERT_TRUE(q.exec(u("CREATE TABLE other (id INTEGER PRIMARY KEY, Amount REAL)")));
            ASSERT_TRUE(q.exec(u("INSERT INTO other (Amount) VALUES (99)")));
        }
        QSqlDatabase::removeDatabase(u("frcalc_data_test"));
    }

    ToolRun run(const QStringList &arguments)
    {
        const TToolResult r = frRunTool(program, arguments, 30000);
        return {r.status, r.lines()};
    }

    QString program;
    QTemporaryDir dir;
    QString dbFile;
};

TEST_F(FrcalcData, FormatsByWordAndString)
{
    const ToolRun r = run({u("--format"), u("01010200"), QString(), u("1234.5"),
                           u("--format"), u("0x0104002E"), u("#,##0.00"), u("1234.5"),
                           u("--format"), u("04040000"), u("No;Yes"), u("1 = 1"),
                           u("--format"), u("02010000"), QString(), u("STRTODATE('05.03.2024')"),
                           u("2 + 2")});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.lines, (QStringList{u("1234,50"), u("1") + QChar(0xA0) + u("234.50"), u("Yes"), u("05.03.2024"),
                                    u("real 4")}));
}

TEST_F(FrcalcData, LocaleSwitchesTheSettings)
{
    const ToolRun r = run({u("--locale"), u("C"), u("7 / 2"), u("--format"), u("01030200"), QString(), u("1234567.891")});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.lines, (QStringList{u("real 3.5"), u("1,234,567.89")}));
    EXPECT_EQ(run({u("--locale"), u("ru"), u("7 / 2")}).lines, QStringList{u("real 3,5")});
    EXPECT_EQ(run({u("--locale"), u("de"), u("1")}).status, 2);
}

TEST_F(FrcalcData, DataSetFieldsByQualifiedAndBareNames)
{
    const ToolRun r = run({u("--db"), dbFile, u("--dataset"), u("T=pay"), u("--dataset"), u("O=other"),
                           u("[T.\"Amount\"] * 2"), u("T.\"Sum total\" + 1"), u("Amount"), u("[O.\"Amount\"]"),
                           u("[Who]"), u("--format"), u("01010200"), QString(), u("[T.\"Amount\"]"),
                           u("[T.\"Missing\"]"), u("[Nobody.\"Amount\"]")});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.lines, (QStringList{u("real 2469"), u("real 8"), u("real 1234,5"), u("real 99"), u("string Анна"),
                                    u("1234,50"), u("null "), u("null ")}));
}

TEST_F(FrcalcData, BadDataOptions)
{
    EXPECT_EQ(run({u("--dataset"), u("T=pay"), u("1")}).status, 2);                       // no --db
    EXPECT_EQ(run({u("--db"), dir.filePath(u("none.db")), u("1")}).status, 2);             // no such file
    EXPECT_EQ(run({u("--db"), dbFile, u("--dataset"), u("T=nosuch"), u("1")}).status, 2); // no such table
    EXPECT_EQ(run({u("--db"), dbFile, u("--dataset"), u("=pay"), u("1")}).status, 2);
    EXPECT_EQ(run({u("--format"), u("zz"), QString(), u("1")}).status, 2);
    EXPECT_EQ(run({u("--format"), u("0101")}).status, 2);
    EXPECT_FALSE(QFileInfo::exists(dir.filePath(u("none.db"))));
}

} // namespace
