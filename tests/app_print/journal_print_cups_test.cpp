// The journal printed from its preview onto a real CUPS queue: the test print server of
// scripts/cups-test-server.sh (CUPS_SERVER, the queue "Capture", which keeps every job as
// the PDF the program sent). One job arrives, with the run's pages.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QThread>
#include <QTimer>

#include "app/processing_window.h"
#include "report/engine/prepare.h"
#include "report/print/platform_printers.h"
#include "report/print/printer.h"
#include "report/ui/preview_form.h"
#include "test_helpers.h"

using namespace apptest;

namespace {

QString stateDir() { return QStringLiteral(FR_CUPS_STATE_DIR); }

// The ids of the jobs the capture queues have kept whole so far.
QList<int> keptJobs()
{
    QList<int> ids;
    const QDir dir(stateDir() + QStringLiteral("/jobs"));
    for (const QString &name : dir.entryList({QStringLiteral("job-*.pdf")}, QDir::Files))
        ids << name.mid(4, name.size() - 8).toInt();
    std::sort(ids.begin(), ids.end());
    return ids;
}

QString run(const QString &program, const QStringList &args)
{
    QProcess p;
    p.start(program, args);
    p.waitForFinished(30000);
    return QString::fromUtf8(p.readAllStandardOutput());
}

TEST(JournalPrintCups, ThePreviewsPrintReachesTheCaptureQueueAsOneJobWithTheRunsPages)
{
    if (qEnvironmentVariableIsEmpty("CUPS_SERVER")) {
        // Read before anything asks the print system for printers.
        QFile server(stateDir() + QStringLiteral("/server.txt"));
        ASSERT_TRUE(server.open(QIODevice::ReadOnly)) << "the CUPS test server is not running";
        qputenv("CUPS_SERVER", server.readAll().trimmed());
    }
    TTestHome home;
    QFile::copy(QCoreApplication::applicationDirPath() + QStringLiteral("/Reports/J001.frf"),
                home.path() + QStringLiteral("/Reports/J001.frf"));
    for (int i = 1; i <= 5; ++i)
        home.addFile(QStringLiteral("scan_%1.pdf").arg(i));
    TTestDataModule data;
    THooks hooks;
    TfrQtPlatformPrinters printers;
    frSetPlatformPrinters(&printers);
    const int capture = Prn.IndexOfPrinter(QStringLiteral("Capture"));
    ASSERT_GE(capture, 0) << Prn.Printers().join(QStringLiteral(", ")).toStdString();

    const TfrReportUi savedUi = frReportUi();
    frInstallPreviewForm();
    // The print dialog, answered: the capture queue, every page, one copy.
    frReportUi().printDialog = [capture](TfrReportBuilder &, TfrPrintSettings &settings) {
        Prn.SetPrinterIndex(capture);
        settings.range.clear();
        settings.copies = 1;
        return true;
    };
    const QList<int> before = keptJobs();
    int shownPages = 0;
    {
        TFWork work({QStringLiteral("Иванов"), home.folder(), fixedClock(QDate(2024, 2, 1))});
        QTimer::singleShot(0, [&] {
            for (QWidget *w : QApplication::topLevelWidgets())
                if (auto *form = dynamic_cast<TfrPreviewForm *>(w); form && form->isVisible()) {
                    shownPages = form->PageCount();
                    form->PrintBtnClick();
                    EXPECT_EQ(form->PageCount(), shownPages) << "the pages come back after printing";
                    form->ExitBtnClick();
                }
        });
        work.findChild<QPushButton *>(QStringLiteral("BPrint"))->click();
    }
    frReportUi() = savedUi;
    ASSERT_GT(shownPages, 0);
    EXPECT_TRUE(hooks.messages.empty());

    // The queue hands the job to its backend on its own time.
    QList<int> added;
    QElapsedTimer waited;
    waited.start();
    while (waited.elapsed() < 30000) {
        added.clear();
        for (int id : keptJobs())
            if (!before.contains(id))
                added << id;
        if (!added.isEmpty())
            break;
        QCoreApplication::processEvents();
        QThread::msleep(100);
    }
    frSetPlatformPrinters(nullptr);
    ASSERT_EQ(added.size(), 1) << "one job";
    const QString base = stateDir() + QStringLiteral("/jobs/job-%1").arg(added[0]);
    QFile info(base + QStringLiteral(".txt"));
    ASSERT_TRUE(info.open(QIODevice::ReadOnly));
    const QStringList lines = QString::fromUtf8(info.readAll()).split(QLatin1Char('\n'));
    EXPECT_EQ(lines.value(1), QStringLiteral("Журнал принятых файлов")) << "the job's title";
    EXPECT_EQ(lines.value(4), QStringLiteral("Capture"));
    const QString pdfInfo = run(QStringLiteral("pdfinfo"), {base + QStringLiteral(".pdf")});
    const QRegularExpressionMatch pages = QRegularExpression(QStringLiteral("Pages:\\s+(\\d+)")).match(pdfInfo);
    ASSERT_TRUE(pages.hasMatch()) << pdfInfo.toStdString();
    EXPECT_EQ(pages.captured(1).toInt(), shownPages);
    const QString text = run(QStringLiteral("pdftotext"), {base + QStringLiteral(".pdf"), QStringLiteral("-")});
    for (int i = 1; i <= 5; ++i)
        EXPECT_TRUE(text.contains(QStringLiteral("scan_%1.pdf").arg(i))) << text.toStdString();
}

} // namespace
