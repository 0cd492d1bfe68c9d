// Printing prepared pages on a real CUPS queue: which pages of a range print, copies and
// collation, a job per paper, cancelling, the job title, and the progress window.
#include "print/print_test_support.h"

#include <QLabel>
#include <QPushButton>
#include <QTimer>

#include "report/eval/errors.h"
#include "report/eval/swap_file.h"
#include "report/ui/progress_form.h"

using namespace print_test;

namespace {

class PrintReport : public PrintQueue {};

TEST_F(PrintReport, RangesAndOddEvenPagesOfATwentyPageReport)
{
    auto report = numberedReport({{false, 20}});
    ASSERT_EQ(report->EMFPages.GetCount(), 20);
    const struct {
        const char *range;
        TfrPrintPages pages;
        std::vector<int> printed;
    } cases[] = {
        {"1,3,5-12", frAll, {1, 3, 5, 6, 7, 8, 9, 10, 11, 12}},
        {"5-", frAll, sequence(5, 20)},
        {" 1 , 3,5 - 7 ", frAll, {1, 3, 5, 6, 7}},
        {"", frAll, sequence(1, 20)},
        {"1-6", frEven, {2, 4, 6}},
        {"1-6", frOdd, {1, 3, 5}},
        {"", frEven, {2, 4, 6, 8, 10, 12, 14, 16, 18, 20}},
        {"20,19,2", frAll, {2, 19, 20}},
        {"18-25", frAll, {18, 19, 20}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(std::string("range \"") + c.range + "\" pages " + std::to_string(c.pages));
        const int before = lastJobId();
        report->PrintPreparedReport(u(c.range), 1, true, c.pages);
        const std::vector<Job> jobs = waitForJobs(before, 1);
        ASSERT_EQ(jobs.size(), 1u);
        EXPECT_EQ(pageNumbers(jobs[0].pdf), c.printed);
        EXPECT_EQ(jobs[0].copies, 1);
        EXPECT_EQ(jobs[0].queue, QStringLiteral("Capture"));
    }
}

TEST_F(PrintReport, ARangeThatNamesNoPagePrintsNothing)
{
    auto report = numberedReport({{false, 20}});
    for (const char *range : {"7-3", "21-30", "0", "2", "4"}) {
        // "2" and "4" with odd pages only: nothing qualifies either.
        report->PrintPreparedReport(u(range), 1, true, frOdd);
    }
    printMarker();
    EXPECT_TRUE(jobsBeforeMarker(startId).empty());
}

TEST_F(PrintReport, BadRangeTextIsRefusedBeforeAnythingPrints)
{
    auto report = numberedReport({{false, 3}});
    for (const char *range : {"1;3", "a-3", "1--", "-", ",2", "1,,2"})
        EXPECT_THROW(report->PrintPreparedReport(u(range), 1, true, frAll), EConvertError) << range;
    printMarker();
    EXPECT_TRUE(jobsBeforeMarker(startId).empty());
}

TEST_F(PrintReport, CollatedCopiesRepeatThePagesInOneJob)
{
    auto report = numberedReport({{false, 2}});
    report->PrintPreparedReport(QString(), 3, true, frAll);
    const std::vector<Job> jobs = waitForJobs(startId, 1);
    ASSERT_EQ(jobs.size(), 1u);
    EXPECT_EQ(pageNumbers(jobs[0].pdf), (std::vector<int>{1, 2, 1, 2, 1, 2}));
    EXPECT_EQ(jobs[0].copies, 1);
}

TEST_F(PrintReport, UncollatedCopiesAreTheDriversCopyCount)
{
    auto report = numberedReport({{false, 2}});
    report->PrintPreparedReport(QString(), 3, false, frAll);
    const std::vector<Job> jobs = waitForJobs(startId, 1);
    ASSERT_EQ(jobs.size(), 1u);
    EXPECT_EQ(pageNumbers(jobs[0].pdf), (std::vector<int>{1, 2}));
    EXPECT_EQ(jobs[0].copies, 3);
    EXPECT_TRUE(jobs[0].options.contains(QStringLiteral("noCollate"))) << jobs[0].options.toStdString();
}

TEST_F(PrintReport, CopiesBelowOnePrintOnce)
{
    auto report = numberedReport({{false, 2}});
    report->PrintPreparedReport(QString(), 0, false, frAll);
    const std::vector<Job> jobs = waitForJobs(startId, 1);
    ASSERT_EQ(jobs.size(), 1u);
    EXPECT_EQ(pageNumbers(jobs[0].pdf), (std::vector<int>{1, 2}));
    EXPECT_EQ(jobs[0].copies, 1);
}

TEST_F(PrintReport, APaperChangeEndsTheJobAndStartsTheNext)
{
    auto report = numberedReport({{false, 1}, {true, 1}, {false, 2}});
    ASSERT_EQ(report->EMFPages.GetCount(), 4);
    report->PrintPreparedReport(QString(), 1, true, frAll);
    const std::vector<Job> jobs = waitForJobs(startId, 3);
    ASSERT_EQ(jobs.size(), 3u);
    EXPECT_EQ(pageNumbers(jobs[0].pdf), (std::vector<int>{1}));
    EXPECT_EQ(pageNumbers(jobs[1].pdf), (std::vector<int>{2}));
    EXPECT_EQ(pageNumbers(jobs[2].pdf), (std::vector<int>{3, 4}));
    const QSize portrait(595, 842), landscape(842, 595);
    EXPECT_EQ(pageSizes(jobs[0].pdf), (std::vector<QSize>{portrait}));
    EXPECT_EQ(pageSizes(jobs[1].pdf), (std::vector<QSize>{landscape}));
    EXPECT_EQ(pageSizes(jobs[2].pdf), (std::vector<QSize>{portrait, portrait}));

    // Skipping the landscape page leaves one paper, so one job.
    const int before = lastJobId();
    report->PrintPreparedReport(QStringLiteral("1,3-4"), 1, true, frAll);
    const std::vector<Job> second = waitForJobs(before, 1);
    ASSERT_EQ(second.size(), 1u);
    EXPECT_EQ(pageNumbers(second[0].pdf), (std::vector<int>{1, 3, 4}));
    printMarker();
    EXPECT_EQ(jobsBeforeMarker(before).size(), 1u);
}

TEST_F(PrintReport, CancelAfterThePageBeingPrintedAbortsTheJob)
{
    auto report = numberedReport({{false, 5}});
    std::vector<int> progress;
    report->events.OnProgress = [&](int n) {
        progress.push_back(n);
        if (n == 2)
            report->Report.Terminated = true;
    };
    report->PrintPreparedReport(QString(), 1, true, frAll);
    EXPECT_EQ(progress, (std::vector<int>{1, 2}));
    EXPECT_FALSE(printers->Printing());
    printMarker();
    EXPECT_TRUE(jobsBeforeMarker(startId).empty()) << "nothing of an aborted job reaches the queue";

    // The printer is free again for the next job.
    report->events.OnProgress = nullptr;
    const int before = lastJobId();
    report->PrintPreparedReport(QStringLiteral("4-"), 1, true, frAll);
    const std::vector<Job> jobs = waitForJobs(before, 1);
    ASSERT_EQ(jobs.size(), 1u);
    EXPECT_EQ(pageNumbers(jobs[0].pdf), (std::vector<int>{4, 5}));
}

TEST_F(PrintReport, TheJobTitleIsTheReportTitle)
{
    auto report = numberedReport({{false, 1}});
    bool printReportFired = false;
    report->events.OnPrintReport = [&] { printReportFired = true; };
    report->Title = u("Журнал входящих файлов");
    report->PrintPreparedReport(QString(), 1, true, frAll);
    report->Title.clear();
    report->PrintPreparedReport(QString(), 1, true, frAll);
    const std::vector<Job> jobs = waitForJobs(startId, 2);
    ASSERT_EQ(jobs.size(), 2u);
    EXPECT_EQ(jobs[0].title, u("Журнал входящих файлов"));
    EXPECT_EQ(jobs[1].title, QStringLiteral("Untitled"));
    EXPECT_TRUE(printReportFired);
}

TEST_F(PrintReport, TheChosenPrinterPrints)
{
    auto report = numberedReport({{false, 1}});
    Prn.SetPrinterIndex(capture2);
    report->PrintPreparedReport(QString(), 1, true, frAll);
    const std::vector<Job> jobs = waitForJobs(startId, 1);
    ASSERT_EQ(jobs.size(), 1u);
    EXPECT_EQ(jobs[0].queue, QStringLiteral("Capture2"));
}

TEST_F(PrintReport, PagesPrintInsideTheProgressWindowAndItsCancelAbortsTheJob)
{
    auto report = numberedReport({{false, 6}});
    report->ShowProgress = true;
    report->Title = u("Журнал");
    frInstallProgressForm();
    TfrProgressForm &form = frProgressForm();
    QStringList lines;
    QString caption, firstLine;
    // Printing starts inside the window, before any page.
    report->events.OnPrintReport = [&] {
        caption = form.windowTitle();
        firstLine = form.Label1->text();
    };
    QTimer watcher;
    // Runs whenever printing lets messages through: notes the line, cancels at page 3.
    QObject::connect(&watcher, &QTimer::timeout, [&] {
        if (!form.isVisible())
            return;
        const QString line = form.Label1->text();
        if (lines.isEmpty() || lines.last() != line)
            lines.append(line);
        if (line.endsWith(QStringLiteral("  3")))
            form.Button1->click();
    });
    watcher.start(0);
    report->PrintPreparedReport(QString(), 1, true, frAll);
    watcher.stop();
    frProgressUi() = TfrProgressUi{};
    EXPECT_FALSE(form.isVisible());
    EXPECT_EQ(caption, u("Подготовка отчета - Журнал"));
    EXPECT_EQ(firstLine, u("Печатается страница:"));
    EXPECT_TRUE(lines.contains(u("Печатается страница:  2")));
    EXPECT_FALSE(lines.contains(u("Печатается страница:  4"))) << lines.join(u'|').toStdString();
    EXPECT_TRUE(report->Report.Terminated);
    printMarker();
    EXPECT_TRUE(jobsBeforeMarker(startId).empty());
}

} // namespace

namespace {

// Pages that wait in the swap file print as pages held in memory do.
TEST_F(PrintReport, PagesBeyondTheMemoryBudgetPrintFromTheSwapFile)
{
    TfrMemoryLimits &limits = frMemoryLimits();
    const qint64 saved = limits.pageMemory;
    limits.pageMemory = 0;
    auto report = numberedReport({{false, 20}});
    limits.pageMemory = saved;
    ASSERT_EQ(report->EMFPages.GetCount(), 20);
    ASSERT_NE(report->EMFPages.SwapFile(), nullptr) << "the budget of 0 should have sent pages to the swap file";

    const int before = lastJobId();
    report->PrintPreparedReport(u("1,3,5-12"), 1, true, frAll);
    const std::vector<Job> jobs = waitForJobs(before, 1);
    ASSERT_EQ(jobs.size(), 1u);
    EXPECT_EQ(pageNumbers(jobs[0].pdf), (std::vector<int>{1, 3, 5, 6, 7, 8, 9, 10, 11, 12}));
}

} // namespace
