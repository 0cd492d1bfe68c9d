// The journal template over a journal in SQLite: pages an office can file. With
// FR_JOURNAL_PNG set to a folder the pages are also rendered there for a look.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QPainter>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>

#include "report/engine/prepare.h"
#include "report/eval/db_dataset.h"
#include "report/eval/globals.h"
#include "report/eval/table_cursor.h"
#include "report/model/memo_view.h"
#include "report/model/report.h"
#include "report/model/template_json.h"
#include "tests/engine/journal_test_support.h"
#include "tests/engine/prepare_test_support.h"

using namespace prepare_test;

namespace {

using journal_test::fillJournal;

TEST(PrepareJournal, HundredRowsGiveNumberedPagesWithWrappedBriefs)
{
    QTemporaryDir dir;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("journal_test"));
        db.setDatabaseName(dir.filePath(QStringLiteral("journal.db")));
        ASSERT_TRUE(db.open());
        fillJournal(db, 100);

        QObject owner;
        testkit::bindJournal(owner, db);

        TfrReport report(&owner);
        ASSERT_TRUE(testkit::loadJournalTemplate(report)) << "no journal template description";
        TfrReportBuilder builder(report);
        builder.ShowErrorBox = false;
        ASSERT_TRUE(builder.PrepareReport()) << builder.LastError.toStdString();
        const auto pages = readPages(builder.EMFPages);
        ASSERT_GE(pages.size(), 3u);
        const QString total = QString::number(pages.size());
        int rows = 0;
        for (size_t p = 0; p < pages.size(); ++p) {
            SCOPED_TRACE(p);
            EXPECT_EQ(textsOf(pages[p], u("PageNumber")),
                      std::vector<QString>{u("Стр. %1 из %2").arg(p + 1).arg(total)});
            rows += int(textsOf(pages[p], u("DataNumPP")).size());
            for (const Obj &o : pages[p]) {
                if (o.name != u("DataBriefContents"))
                    continue;
                const Obj *num = nullptr;
                for (const Obj &n : pages[p])
                    if (n.name == u("DataNumPP") && n.top == o.top)
                        num = &n;
                ASSERT_NE(num, nullptr);
                // Long briefs wrap and the whole row grows with them.
                if (num->text.toInt() % 7 == 0) {
                    EXPECT_GT(o.height, 20);
                    EXPECT_EQ(num->height, o.height) << "stretched cells keep the row's height";
                }
            }
        }
        EXPECT_EQ(rows, 100);
        EXPECT_EQ(textsOf(pages.back(), u("Total")), std::vector<QString>{u("Всего принято файлов: 100")});

        const QByteArray out = qgetenv("FR_JOURNAL_PNG");
        if (!out.isEmpty()) {
            QDir().mkpath(QString::fromLocal8Bit(out));
            for (int i = 0; i < builder.EMFPages.GetCount(); ++i) {
                TfrPageInfo &info = builder.EMFPages[i];
                const int w = report.Page(0)->PrnInfo.Pgw * 3 / 2, h = report.Page(0)->PrnInfo.Pgh * 3 / 2;
                QImage img(w, h, QImage::Format_RGB32);
                img.fill(Qt::white);
                QPainter painter(&img);
                info.keepUnpacked = true;
                builder.EMFPages.Draw(i, &painter, QRect(0, 0, w, h));
                painter.end();
                img.save(QStringLiteral("%1/page%2.png").arg(QString::fromLocal8Bit(out)).arg(i + 1));
            }
        }
        CurReport = MasterReport = nullptr;
        CurPage = nullptr;
    }
    QSqlDatabase::removeDatabase(QStringLiteral("journal_test"));
}

} // namespace
