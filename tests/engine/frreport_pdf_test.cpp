// frreport prepare --pdf and frreport export --pdf: the journal template over an SQLite
// journal written as PDF directly and through a prepared-report file, and the refusals.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSqlDatabase>
#include <QTemporaryDir>

#include "tests/engine/journal_test_support.h"
#include "tests/engine/pdf_read.h"
#include "tool_run.h"

using namespace pdf_read;
using journal_test::u;

namespace {

class FrreportPdf : public ::testing::Test {
protected:
    void SetUp() override
    {
        program = QCoreApplication::applicationDirPath() + QStringLiteral("/frreport");
        journalTemplate = QCoreApplication::applicationDirPath() + QStringLiteral("/Reports/J001.frf");
        ASSERT_TRUE(QFileInfo::exists(program)) << "frreport is not built next to the tests";
        ASSERT_TRUE(QFileInfo::exists(journalTemplate)) << "the journal template is not built next to the tests";
        ASSERT_TRUE(dir.isValid());
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("frreport_pdf"));
            db.setDatabaseName(path("journal.db"));
            ASSERT_TRUE(db.open());
            journal_test::fillJournal(db, 60);
            db.close();
        }
        QSqlDatabase::removeDatabase(QStringLiteral("frreport_pdf"));
    }

    TToolResult run(const QStringList &arguments) { return frRunTool(program, arguments); }
    QString path(const char *name) const { return dir.filePath(QString::fromLatin1(name)); }
    QStringList prepareArgs() const
    {
        return {QStringLiteral("prepare"), journalTemplate, QStringLiteral("--db"), path("journal.db"),
                QStringLiteral("--dataset"), QStringLiteral("frDBDataSet1=Temp")};
    }

    QString program, journalTemplate;
    QTemporaryDir dir;
};

TEST_F(FrreportPdf, PreparedDirectlyOrThroughAPreparedFileGivesTheSamePages)
{
    const TToolResult json = run(prepareArgs() << QStringLiteral("--json") << path("pages.json"));
    ASSERT_EQ(json.status, 0) << json.err.toStdString();
    QFile f(path("pages.json"));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const int prepared = int(QJsonDocument::fromJson(f.readAll()).object().value(QStringLiteral("pages")).toArray().size());
    ASSERT_GE(prepared, 2);

    const TToolResult direct = run(prepareArgs() << QStringLiteral("--pdf") << path("direct.pdf"));
    ASSERT_EQ(direct.status, 0) << direct.err.toStdString();
    EXPECT_TRUE(direct.err.isEmpty()) << direct.err.toStdString();
    const TToolResult frp = run(prepareArgs() << QStringLiteral("--frp") << path("journal.frp"));
    ASSERT_EQ(frp.status, 0) << frp.err.toStdString();
    const TToolResult exported =
        run({QStringLiteral("export"), path("journal.frp"), QStringLiteral("--pdf"), path("exported.pdf")});
    ASSERT_EQ(exported.status, 0) << exported.err.toStdString();

    for (const char *name : {"direct.pdf", "exported.pdf"}) {
        SCOPED_TRACE(name);
        const auto sizes = pdfPageSizes(path(name));
        ASSERT_EQ(int(sizes.size()), prepared);
        for (const QSizeF &s : sizes)
            EXPECT_GT(s.width(), s.height()) << "landscape";
        const QString last = pdfText(path(name), prepared);
        EXPECT_TRUE(last.contains(u("Всего принято файлов: 60"))) << last.toStdString();
        EXPECT_TRUE(last.contains(u("Стр. %1 из %1").arg(prepared)));
    }
    for (int p = 1; p <= prepared; ++p)
        EXPECT_EQ(pdfText(path("direct.pdf"), p), pdfText(path("exported.pdf"), p)) << "page " << p;
}

TEST_F(FrreportPdf, BadCallsAreRefusedWithoutAFile)
{
    QFile corrupt(path("corrupt.frp"));
    ASSERT_TRUE(corrupt.open(QIODevice::WriteOnly));
    corrupt.write("this is not a prepared report");
    corrupt.close();
    const QString out = path("out.pdf");
    struct Case {
        const char *what;
        QStringList args;
        int status;
    };
    const Case cases[] = {
        {"export without --pdf", {QStringLiteral("export"), path("corrupt.frp")}, 2},
        {"export without a file", {QStringLiteral("export"), QStringLiteral("--pdf"), out}, 2},
        {"export of two files",
         {QStringLiteral("export"), path("corrupt.frp"), path("corrupt.frp"), QStringLiteral("--pdf"), out}, 2},
        {"two outputs", prepareArgs() << QStringLiteral("--pdf") << out << QStringLiteral("--json") << path("x.json"), 2},
        {"export of a missing file", {QStringLiteral("export"), path("missing.frp"), QStringLiteral("--pdf"), out}, 1},
        {"export of a corrupt file", {QStringLiteral("export"), path("corrupt.frp"), QStringLiteral("--pdf"), out}, 1},
        {"PDF into a missing folder", prepareArgs() << QStringLiteral("--pdf") << path("no/such/folder/out.pdf"), 1},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        const TToolResult r = run(c.args);
        EXPECT_EQ(r.status, c.status) << r.err.toStdString();
        EXPECT_FALSE(r.err.isEmpty());
        EXPECT_FALSE(QFileInfo::exists(out));
    }
}

} // namespace
