// The journal's own pages in the preview: its template over a journal in SQLite (rows of
// its own, for the search), looked at
// at 100 %, page width, whole page and two pages, and searched. With FR_PREVIEW_SHOTS set to
// a folder the window is also saved there as a picture at each step (run under xvfb-run
// with QT_QPA_PLATFORM=xcb to see it as a screen shows it).
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QScreen>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QThread>

#include "report/eval/db_dataset.h"
#include "report/eval/table_cursor.h"
#include "report/model/template_json.h"
#include "testkit/paths.h"
#include "tests/ui/preview_test_support.h"

using namespace previewtest;

namespace {

void fillJournal(QSqlDatabase &db, int rows)
{
    QSqlQuery q(db);
    q.exec(QStringLiteral("CREATE TABLE Temp (NumPP INTEGER, NumReis INTEGER, NameFile TEXT, DateCreateFile TEXT, "
                          "TimeCreateFile TEXT, Size INTEGER, DateProcesFile TEXT, TimeProcesFile TEXT, "
                          "Ispolnitel TEXT, BriefContents TEXT, ToWhom TEXT)"));
    db.transaction();
    q.prepare(QStringLiteral("INSERT INTO Temp VALUES (?,?,?,?,?,?,?,?,?,?,?)"));
    for (int i = 1; i <= rows; ++i) {
        q.addBindValue(i);
        q.addBindValue(3);
        q.addBindValue(QStringLiteral("vhod_%1_scan.pdf").arg(i, 4, 10, QLatin1Char('0')));
        q.addBindValue(QStringLiteral("01.02.24"));
        q.addBindValue(QStringLiteral("09:%1").arg(i % 60, 2, 10, QLatin1Char('0')));
        q.addBindValue(12000 + i * 137);
        q.addBindValue(QStringLiteral("01.02.24"));
        q.addBindValue(QStringLiteral("10:30"));
        q.addBindValue(u("Иванова А. П."));
        q.addBindValue(i == 47 ? u("Договор поставки оборудования на первый квартал")
                               : i % 5 == 0 ? u("Письмо о согласовании графика") : u("Входящее письмо"));
        q.addBindValue(i % 4 == 0 ? u("Бухгалтерия") : u("Канцелярия"));
        q.exec();
    }
    db.commit();
}

void shoot(TfrPreviewForm &form, const QString &name)
{
    const QByteArray out = qgetenv("FR_PREVIEW_SHOTS");
    if (out.isEmpty())
        return;
    // A real display answers resizes and exposes on its own time.
    for (int i = 0; i < 25; ++i) {
        QCoreApplication::processEvents();
        QThread::msleep(20);
    }
    const QString dir = QString::fromLocal8Bit(out);
    QDir().mkpath(dir);
    QPixmap shot;
    if (QGuiApplication::platformName() == QStringLiteral("xcb") && form.screen())
        shot = form.screen()->grabWindow(form.winId());
    if (shot.isNull())
        shot = form.grab();
    shot.save(QDir(dir).filePath(name + QStringLiteral(".png")));
}

TEST(PreviewJournal, TheJournalAtEachZoomAndAfterASearch)
{
    const QByteArray description = testkit::journalTemplateJson();
    ASSERT_FALSE(description.isEmpty());
    QTemporaryDir dir;
    const QString connection = QStringLiteral("preview_journal");
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection);
        db.setDatabaseName(dir.filePath(QStringLiteral("journal.db")));
        ASSERT_TRUE(db.open());
        fillJournal(db, 90);

        QObject owner;
        auto *cursor = new TfrTableCursor(&owner);
        cursor->setObjectName(QStringLiteral("ADOTable"));
        cursor->setDatabase(db);
        cursor->setTableName(QStringLiteral("Temp"));
        cursor->Open();
        auto *dataSet = new TfrDBDataSet(&owner);
        dataSet->setObjectName(QStringLiteral("frDBDataSet1"));
        dataSet->SetDataSet(cursor);

        frPreviewZoomMemory() = TfrPreviewZoomMemory{};
        TfrReportBuilder builder;
        builder.Report.Owner = &owner;
        builder.Report.Dataset = dataSet;
        builder.Title = u("Журнал принятых файлов");
        builder.PreviewButtons = pbZoom | pbSave | pbPrint | pbFind | pbHelp | pbExit;
        builder.GrayedButtons = true;
        builder.ShowErrorBox = false;
        builder.UseDefaultDataSetName = true;
        CurReport = &builder.Report;
        frTemplateFromJson(builder.Report, description);
        ASSERT_TRUE(builder.PrepareReport()) << builder.LastError.toStdString();
        const int pages = builder.EMFPages.Count();
        ASSERT_GE(pages, 3);

        TfrPreviewForm form;
        form.setWindowTitle(u("Предварительный просмотр - Журнал принятых файлов"));
        open(form, builder, {1200, 860});

        form.N3Click(100);
        EXPECT_DOUBLE_EQ(form.Zoom(), 1.0);
        EXPECT_EQ(form.Label1->text(), QStringLiteral("Стр. 1/%1").arg(pages));
        shoot(form, QStringLiteral("1-zoom-100"));

        form.N3Click(1);
        EXPECT_EQ(form.PagesPerRow(), 1);
        EXPECT_EQ((*form.Pages())[0].displayRect.width(), 1200 - 20);
        shoot(form, QStringLiteral("2-page-width"));

        form.N3Click(2);
        EXPECT_EQ((*form.Pages())[0].displayRect.height(), 860 - 20);
        shoot(form, QStringLiteral("3-whole-page"));

        form.N3Click(3);
        EXPECT_EQ(form.PagesPerRow(), 2);
        shoot(form, QStringLiteral("4-two-pages"));

        // The one brief about a contract, searched in lower case from the start.
        form.N3Click(100);
        form.SetSearch(u("договор"), false, true);
        ASSERT_TRUE(form.FindText());
        const int hitPage = form.FoundPage();
        EXPECT_GT(hitPage, 0) << "row 47 is past the first page";
        EXPECT_EQ(form.CurPage(), hitPage + 1);
        const QStringList briefs = pageTexts(*form.Pages(), hitPage, QStringLiteral("DataBriefContents"));
        EXPECT_TRUE(briefs.join(QLatin1Char(' ')).contains(u("Договор поставки")));
        // The highlight is where the box shows it.
        const QRect page = form.PageRectOnBox(hitPage);
        const QPoint centre = (page.topLeft() + form.FoundRect().center() * form.Zoom()).toPoint();
        EXPECT_TRUE(form.PBox->rect().contains(centre));
        shoot(form, QStringLiteral("5-search-hit"));
        EXPECT_LE(unpackedCount(*form.Pages()), 2);
        form.ConnectBack();
        CurReport = MasterReport = nullptr;
        CurPage = nullptr;
    }
    QSqlDatabase::removeDatabase(connection);
}

} // namespace
