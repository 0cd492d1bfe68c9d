// Printing against the test CUPS server: reports whose pages print their own number, the
// jobs the capture queues kept, and what poppler-utils reads from them.
#pragma once

#include <gtest/gtest.h>

#include <QByteArray>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QSizeF>
#include <QThread>
#include <memory>
#include <vector>

#include "report/engine/prepare.h"
#include "report/eval/globals.h"
#include "report/model/report.h"
#include "report/model/template_json.h"
#include "report/print/platform_printers.h"
#include "report/print/printer.h"

namespace print_test {

inline QString u(const char *s) { return QString::fromUtf8(s); }

inline QString stateDir() { return QStringLiteral(FR_CUPS_STATE_DIR); }
inline QString jobsDir() { return stateDir() + QStringLiteral("/jobs"); }

// One template page: its orientation and how many numbered pages it makes.
struct PagePlan {
    bool landscape = false;
    int pages = 1;
};

// A template whose every prepared page shows "Страница N" (N its page number): each page
// plan is a template page with a data band of that many records, one record per sheet.
inline QByteArray numberedTemplateJson(const std::vector<PagePlan> &plans)
{
    QJsonArray pages;
    for (size_t i = 0; i < plans.size(); ++i) {
        const PagePlan &plan = plans[i];
        // 600 units: one record fills a portrait A4 sheet (1071 units) and fits on a
        // landscape one (758).
        QJsonObject band{{QStringLiteral("Type"), QStringLiteral("otBand")},
                         {QStringLiteral("Name"), QStringLiteral("Data%1").arg(i + 1)},
                         {QStringLiteral("BandType"), QStringLiteral("btMasterData")},
                         {QStringLiteral("DataSource"), QString::number(plan.pages)},
                         {QStringLiteral("Left"), 0},
                         {QStringLiteral("Top"), 40},
                         {QStringLiteral("Width"), 700},
                         {QStringLiteral("Height"), 600}};
        QJsonObject memo{{QStringLiteral("Type"), QStringLiteral("otMemo")},
                         {QStringLiteral("Name"), QStringLiteral("PageNo%1").arg(i + 1)},
                         {QStringLiteral("Left"), 40},
                         {QStringLiteral("Top"), 60},
                         {QStringLiteral("Width"), 400},
                         {QStringLiteral("Height"), 40},
                         {QStringLiteral("Memo"), QJsonArray{u("Страница [PAGE#]")}},
                         {QStringLiteral("Font"), QJsonObject{{QStringLiteral("Name"), QStringLiteral("Arial")},
                                                              {QStringLiteral("Size"), 14},
                                                              {QStringLiteral("Charset"), 204}}}};
        pages.append(QJsonObject{
            {QStringLiteral("Size"), 9},
            {QStringLiteral("Orientation"), plan.landscape ? QStringLiteral("poLandscape") : QStringLiteral("poPortrait")},
            {QStringLiteral("Objects"), QJsonArray{band, memo}}});
    }
    return QJsonDocument(QJsonObject{{QStringLiteral("Pages"), pages}}).toJson();
}

// A report component with the numbered template, prepared on the current printer.
inline std::unique_ptr<TfrReportBuilder> numberedReport(const std::vector<PagePlan> &plans)
{
    auto builder = std::make_unique<TfrReportBuilder>();
    CurReport = &builder->Report;
    frTemplateFromJson(builder->Report, numberedTemplateJson(plans));
    builder->ShowErrorBox = false;
    builder->ShowProgress = false;
    EXPECT_TRUE(builder->PrepareReport()) << builder->LastError.toStdString();
    return builder;
}

// A job the capture queue kept.
struct Job {
    int id = 0;
    QString title;
    int copies = 0;
    QString options;
    QString queue;
    QString pdf;
};

inline std::vector<Job> completeJobs(int afterId)
{
    std::vector<Job> jobs;
    const QDir dir(jobsDir());
    for (const QString &name : dir.entryList({QStringLiteral("job-*.pdf")}, QDir::Files)) {
        const int id = name.mid(4, name.size() - 8).toInt();
        if (id <= afterId)
            continue;
        QFile info(dir.filePath(QStringLiteral("job-%1.txt").arg(id)));
        if (!info.open(QIODevice::ReadOnly))
            continue;
        const QStringList lines = QString::fromUtf8(info.readAll()).split(QLatin1Char('\n'));
        Job job;
        job.id = id;
        job.title = lines.value(1);
        job.copies = lines.value(2).toInt();
        job.options = lines.value(3);
        job.queue = lines.value(4);
        job.pdf = dir.filePath(name);
        jobs.push_back(job);
    }
    std::sort(jobs.begin(), jobs.end(), [](const Job &a, const Job &b) { return a.id < b.id; });
    return jobs;
}

inline int lastJobId()
{
    const std::vector<Job> jobs = completeJobs(0);
    return jobs.empty() ? 0 : jobs.back().id;
}

// CUPS runs its jobs on its own time: poll until count jobs after afterId are complete,
// or give up after the timeout (the caller's checks then fail).
inline std::vector<Job> waitForJobs(int afterId, size_t count, int timeoutMs = 30000)
{
    QElapsedTimer timer;
    timer.start();
    for (;;) {
        std::vector<Job> jobs = completeJobs(afterId);
        if (jobs.size() >= count || timer.elapsed() > timeoutMs)
            return jobs;
        QThread::msleep(50);
    }
}

inline QString markerTitle() { return QStringLiteral("marker"); }

// Prints one page titled "marker" on the current printer. Jobs of a queue print in order,
// so once the marker is kept every job sent before it is kept too.
inline void printMarker()
{
    auto marker = numberedReport({{false, 1}});
    marker->Title = markerTitle();
    marker->PrintPreparedReport(QString(), 1, true, frAll);
}

// The jobs that arrived after afterId and before the marker (which must arrive).
inline std::vector<Job> jobsBeforeMarker(int afterId)
{
    QElapsedTimer timer;
    timer.start();
    for (;;) {
        std::vector<Job> jobs = completeJobs(afterId);
        for (size_t i = 0; i < jobs.size(); ++i)
            if (jobs[i].title == markerTitle()) {
                jobs.resize(i);
                return jobs;
            }
        if (timer.elapsed() > 30000) {
            ADD_FAILURE() << "the marker job did not arrive";
            return jobs;
        }
        QThread::msleep(50);
    }
}

inline QByteArray runPoppler(const QString &program, const QStringList &args)
{
    QProcess p;
    p.start(program, args);
    if (!p.waitForFinished(60000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        ADD_FAILURE() << program.toStdString() << " failed on " << args.join(u' ').toStdString() << ": "
                      << p.readAllStandardError().toStdString();
        return {};
    }
    return p.readAllStandardOutput();
}

// The page number each page of the PDF shows, read by pdftotext; 0 for a page without one.
inline std::vector<int> pageNumbers(const QString &pdf)
{
    const QString text = QString::fromUtf8(runPoppler(QStringLiteral("pdftotext"), {pdf, QStringLiteral("-")}));
    QStringList pages = text.split(QLatin1Char('\f'));
    if (!pages.isEmpty() && pages.last().trimmed().isEmpty())
        pages.removeLast();
    static const QRegularExpression number(u("Страница (\\d+)"));
    std::vector<int> numbers;
    for (const QString &page : pages) {
        const QRegularExpressionMatch m = number.match(page);
        numbers.push_back(m.hasMatch() ? m.captured(1).toInt() : 0);
    }
    return numbers;
}

// Page sizes in points, rounded, as pdfinfo reports them.
inline std::vector<QSize> pageSizes(const QString &pdf)
{
    const QString info = QString::fromUtf8(
        runPoppler(QStringLiteral("pdfinfo"), {QStringLiteral("-f"), QStringLiteral("1"), QStringLiteral("-l"),
                                               QStringLiteral("100000"), pdf}));
    static const QRegularExpression size(QStringLiteral("Page +\\d+ size: +([\\d.]+) x ([\\d.]+) pts"));
    std::vector<QSize> sizes;
    auto it = size.globalMatch(info);
    while (it.hasNext()) {
        const QRegularExpressionMatch m = it.next();
        sizes.push_back(QSize(qRound(m.captured(1).toDouble()), qRound(m.captured(2).toDouble())));
    }
    return sizes;
}

inline std::vector<int> sequence(int from, int to)
{
    std::vector<int> r;
    for (int i = from; i <= to; ++i)
        r.push_back(i);
    return r;
}

// The installed printers of the test server, registered with the engine, "Capture"
// selected.
class PrintQueue : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_FALSE(qEnvironmentVariableIsEmpty("CUPS_SERVER"))
            << "the test CUPS server is not running: bash scripts/cups-test-server.sh start " << FR_CUPS_STATE_DIR;
        printers = std::make_unique<TfrQtPlatformPrinters>();
        frSetPlatformPrinters(printers.get());
        capture = Prn.IndexOfPrinter(QStringLiteral("Capture"));
        capture2 = Prn.IndexOfPrinter(QStringLiteral("Capture2"));
        ASSERT_GE(capture, 0) << "no printer Capture on " << qgetenv("CUPS_SERVER").toStdString();
        ASSERT_GE(capture2, 0);
        Prn.SetPrinterIndex(capture);
        startId = lastJobId();
    }
    void TearDown() override
    {
        printers.reset(); // unregisters itself
        CurPage = nullptr;
        CurReport = MasterReport = nullptr;
    }

    std::unique_ptr<TfrQtPlatformPrinters> printers;
    int capture = -1, capture2 = -1;
    int startId = 0;
};

} // namespace print_test
