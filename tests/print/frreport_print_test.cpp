// frreport print on the test server's queues: a template description or a prepared
// report, the range, copies and pages options, the printer chosen by name, and the
// refusals (no printer, an unknown one, a bad range).
#include "print/print_test_support.h"
#include "tool_run.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QTemporaryDir>

using namespace print_test;

namespace {

class FrreportPrint : public PrintQueue {
protected:
    void SetUp() override
    {
        PrintQueue::SetUp();
        program = QCoreApplication::applicationDirPath() + QStringLiteral("/frreport");
        ASSERT_TRUE(QFileInfo::exists(program)) << "frreport is built next to the tests";
        ASSERT_TRUE(dir.isValid());
        twenty = writeTemplate(QStringLiteral("twenty.json"), {{false, 20}});
    }

    QString writeTemplate(const QString &name, const std::vector<PagePlan> &plans)
    {
        const QString path = dir.filePath(name);
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(numberedTemplateJson(plans));
        return path;
    }

    TToolResult print(const QStringList &args) { return frRunTool(program, QStringList{QStringLiteral("print")} + args); }

    QString program;
    QTemporaryDir dir;
    QString twenty;
};

TEST_F(FrreportPrint, OptionsChooseThePagesCopiesAndTitle)
{
    const struct {
        QStringList options;
        std::vector<int> printed;
        int copies;
        QString title;
    } cases[] = {
        {{QStringLiteral("--range"), QStringLiteral("1,3,5-12")}, {1, 3, 5, 6, 7, 8, 9, 10, 11, 12}, 1,
         QStringLiteral("Untitled")},
        {{QStringLiteral("--range"), QStringLiteral("5-"), QStringLiteral("--title"), u("Журнал")},
         sequence(5, 20), 1, u("Журнал")},
        {{QStringLiteral("--range"), QStringLiteral(" 1 - 6 "), QStringLiteral("--pages"), QStringLiteral("even")},
         {2, 4, 6}, 1, QStringLiteral("Untitled")},
        {{QStringLiteral("--range"), QStringLiteral("1-2"), QStringLiteral("--copies"), QStringLiteral("3")},
         {1, 2, 1, 2, 1, 2}, 1, QStringLiteral("Untitled")},
        {{QStringLiteral("--range"), QStringLiteral("1-2"), QStringLiteral("--copies"), QStringLiteral("3"),
          QStringLiteral("--no-collate")},
         {1, 2}, 3, QStringLiteral("Untitled")},
        {{QStringLiteral("--pages"), QStringLiteral("odd"), QStringLiteral("--range"), QStringLiteral("15-")},
         {15, 17, 19}, 1, QStringLiteral("Untitled")},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.options.join(u' ').toStdString());
        const int before = lastJobId();
        const TToolResult r = print(QStringList{twenty} + c.options);
        ASSERT_EQ(r.status, 0) << r.err.toStdString();
        const std::vector<Job> jobs = waitForJobs(before, 1);
        ASSERT_EQ(jobs.size(), 1u);
        EXPECT_EQ(pageNumbers(jobs[0].pdf), c.printed);
        EXPECT_EQ(jobs[0].copies, c.copies);
        EXPECT_EQ(jobs[0].title, c.title);
        EXPECT_EQ(jobs[0].queue, QStringLiteral("Capture")) << "the default printer";
    }
}

TEST_F(FrreportPrint, APreparedReportOnANamedPrinter)
{
    const QString frp = dir.filePath(QStringLiteral("mixed.frp"));
    const QString mixed = writeTemplate(QStringLiteral("mixed.json"), {{false, 1}, {true, 1}, {false, 1}});
    const TToolResult prepared = frRunTool(program, {QStringLiteral("prepare"), mixed, QStringLiteral("--frp"), frp});
    ASSERT_EQ(prepared.status, 0) << prepared.err.toStdString();

    const TToolResult r = print({frp, QStringLiteral("--printer"), QStringLiteral("Capture2")});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    const std::vector<Job> jobs = waitForJobs(startId, 3);
    ASSERT_EQ(jobs.size(), 3u) << "portrait, landscape, portrait: three jobs";
    const std::vector<QSize> expected[] = {{QSize(595, 842)}, {QSize(842, 595)}, {QSize(595, 842)}};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(jobs[i].queue, QStringLiteral("Capture2"));
        EXPECT_EQ(pageNumbers(jobs[i].pdf), (std::vector<int>{i + 1}));
        EXPECT_EQ(pageSizes(jobs[i].pdf), expected[i]);
    }
}

TEST_F(FrreportPrint, RefusalsPrintNothing)
{
    const struct {
        QStringList args;
        int status;
        const char *message;
    } cases[] = {
        {{QStringLiteral("--range"), QStringLiteral("1;3")}, 2, "bad page range"},
        {{QStringLiteral("--range"), QStringLiteral("2--4")}, 2, "bad page range"},
        {{QStringLiteral("--printer"), QStringLiteral("Nowhere")}, 1, "no printer named \"Nowhere\""},
        {{QStringLiteral("--copies"), QStringLiteral("0")}, 2, "usage:"},
        {{QStringLiteral("--pages"), QStringLiteral("some")}, 2, "usage:"},
        {{QStringLiteral("--range"), QStringLiteral("7-3")}, 0, ""},
    };
    for (const auto &c : cases) {
        const TToolResult r = print(QStringList{twenty} + c.args);
        EXPECT_EQ(r.status, c.status) << c.args.join(u' ').toStdString() << ": " << r.err.toStdString();
        EXPECT_TRUE(r.err.contains(c.message)) << r.err.toStdString();
    }
    const TToolResult missing = print({dir.filePath(QStringLiteral("missing.frp"))});
    EXPECT_EQ(missing.status, 1);
    EXPECT_TRUE(missing.err.contains("no such file")) << missing.err.toStdString();

    // A print system without printers.
    const QByteArray server = qgetenv("CUPS_SERVER");
    qputenv("CUPS_SERVER", "127.0.0.1:1");
    const TToolResult none = print({twenty});
    qputenv("CUPS_SERVER", server);
    EXPECT_EQ(none.status, 1);
    EXPECT_TRUE(none.err.contains("no printer is installed")) << none.err.toStdString();

    printMarker();
    EXPECT_TRUE(jobsBeforeMarker(startId).empty());
}

} // namespace
