// The journal for a period on a journal of 1,000,000 rows (50 months of 20,000 rows), on
// SQLite and PostgreSQL: building the period and executor indexes when an older journal
// is opened, the view's first page and count for a month (and a month of one executor),
// and a month printed through the journal template up to its first page painted in the
// preview, forward and backward, and the month's summary likewise.
//
// SQLite runs on a database file in a temporary folder. PostgreSQL runs on the server named
// by FR_PG_CONNECT (a connection string) or, without it, on a throwaway server this program
// starts with scripts/pg-test-server.sh in a temporary folder and stops at the end.
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTimer>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <functional>
#include <memory>

#include "app/journal_selection.h"
#include "app/journal_view.h"
#include "app/main_dm.h"
#include "app/settings.h"
#include "report/eval/errors.h"
#include "report/ui/preview_form.h"
#include "testkit/pg_server.h"

namespace {

constexpr int kRows = 1000000;
constexpr int kRowsPerMonth = 20000; // months from January 2022

using testkit::PgServer;

PgServer &server()
{
    static PgServer s;
    return s;
}

struct Journal {
    std::unique_ptr<TMainDM> dm;
    QString error;
    bool postgres = false;
};

Journal *engines()
{
    static Journal e[2];
    return e;
}

void exec(QSqlDatabase db, const QString &sql)
{
    QSqlQuery q(db);
    if (!q.exec(sql))
        throw EfrError(q.lastError().text());
}

// Five executors in turn, every 7th file for two addressees.
void fill(Journal &j)
{
    QSqlDatabase db = j.dm->Database();
    const QString rows = j.postgres
        ? QStringLiteral("SELECT i FROM generate_series(0, %1) AS s(i)").arg(kRows - 1)
        : QStringLiteral("WITH RECURSIVE s(i) AS (SELECT 0 UNION ALL SELECT i + 1 FROM s WHERE i < %1) SELECT i FROM s").arg(kRows - 1);
    const QString day = QStringLiteral("1 + (i % %1) * 28 / %1").arg(kRowsPerMonth);
    const QString month = QStringLiteral("(i / %1) % 12 + 1").arg(kRowsPerMonth);
    const QString year = QStringLiteral("22 + (i / %1) / 12").arg(kRowsPerMonth);
    const QString date = j.postgres
        ? QStringLiteral("lpad((%1)::text, 2, '0') || '.' || lpad((%2)::text, 2, '0') || '.' || lpad((%3)::text, 2, '0')")
              .arg(day, month, year)
        // Not through arg(): it would take "%02" for a place marker.
        : QStringLiteral("printf('%02d.%02d.%02d', ") + day + u',' + month + u',' + year + u')';
    const QString text = j.postgres ? QStringLiteral("i::text") : QStringLiteral("CAST(i AS TEXT)");
    const QString lf = j.postgres ? QStringLiteral("chr(10)") : QStringLiteral("char(10)");
    exec(db, QStringLiteral(
        "INSERT INTO \"Журнал\" (\"NumPP\", \"NumReis\", \"NameFile\", \"DateCreateFile\", \"TimeCreateFile\", "
        "\"Size\", \"DateProcesFile\", \"TimeProcesFile\", \"Ispolnitel\", \"BriefContents\", \"ToWhom\") "
        "SELECT i + 1, i / 40 + 1, 'incoming_' || %1 || '.pdf', <date>, '09:15', i * 37 % 5000000, <date>, '10:00', "
        "CASE i % 5 WHEN 0 THEN 'Иванов И. И.' WHEN 1 THEN 'Петров П. П.' WHEN 2 THEN 'Сидоров С. С.' "
        "WHEN 3 THEN 'Кузнецова А. В.' ELSE 'Смирнова Е. Н.' END, "
        "'Входящий документ № ' || %1 || ', срок исполнения не указан', "
        "CASE WHEN i % 7 = 0 THEN 'Канцелярия' || %2 || 'Бухгалтерия' ELSE 'Канцелярия' END "
        "FROM (%3) AS n").arg(text, lf, rows).replace(QStringLiteral("<date>"), date));
}

Journal &journal(bool postgres)
{
    static QTemporaryDir folder;
    Journal &j = engines()[postgres ? 1 : 0];
    if (j.dm || !j.error.isEmpty())
        return j;
    j.postgres = postgres;
    QString connect;
    if (!postgres) {
        connect = QStringLiteral("Provider=SQLite;Data Source=%1").arg(folder.filePath(QStringLiteral("journal.db")));
    } else {
        if (server().connect.isEmpty() && !server().start()) {
            j.error = QStringLiteral("PostgreSQL server did not start: ") + server().error;
            return j;
        }
        const QString name = QStringLiteral("frbench_period_%1").arg(QCoreApplication::applicationPid());
        try {
            QSqlDatabase admin = frOpenConnection(server().connect);
            exec(admin, QStringLiteral("DROP DATABASE IF EXISTS \"%1\"").arg(name));
            exec(admin, QStringLiteral("CREATE DATABASE \"%1\"").arg(name));
            frCloseConnection(admin);
        } catch (const EfrError &e) {
            j.error = e.message();
            return j;
        }
        TfrConnectString cs = TfrConnectString::parse(server().connect);
        cs.setValue(QStringLiteral("Database"), name);
        connect = cs.compose();
    }
    const char *engine = postgres ? "PostgreSQL" : "SQLite";
    try {
        j.dm = std::make_unique<TMainDM>();
        j.dm->setConnectionString(connect);
        j.dm->OpenConnection();
        // A journal of an older version: no period indexes yet.
        exec(j.dm->Database(), QStringLiteral("DROP INDEX \"Журнал_DateProces\""));
        exec(j.dm->Database(), QStringLiteral("DROP INDEX \"Журнал_Ispolnitel\""));
        QElapsedTimer t;
        t.start();
        fill(j);
        exec(j.dm->Database(), postgres ? QStringLiteral("ANALYZE \"Журнал\"") : QStringLiteral("ANALYZE"));
        std::printf("%s: %d journal rows made in %.1f s\n", engine, kRows, t.elapsed() / 1000.0);
        j.dm->CloseConnection();
        t.restart();
        j.dm->OpenConnection();
        std::printf("%s: opening it built the period and executor indexes in %.1f s\n", engine, t.elapsed() / 1000.0);
        t.restart();
        j.dm->CloseConnection();
        j.dm->OpenConnection();
        std::printf("%s: opening it again took %lld ms\n", engine, qint64(t.elapsed()));
    } catch (const EfrError &e) {
        j.error = e.message();
        j.dm.reset();
    }
    std::fflush(stdout);
    return j;
}

// A month in the middle of the journal (June 2023) and the last one (February 2026).
TJournalSelection month(int index)
{
    TJournalSelection s;
    s.from = QDate(2022, 1, 1).addMonths(index);
    s.to = s.from.addMonths(1).addDays(-1);
    return s;
}

void viewMonth(benchmark::State &state, bool postgres, TJournalSelection s)
{
    Journal &j = journal(postgres);
    if (!j.dm) {
        state.SkipWithError(j.error.toStdString().c_str());
        return;
    }
    qint64 count = 0;
    int rows = 0;
    try {
        for (auto _ : state) {
            TJournalModel model(j.dm->Database());
            model.setSelection(s);
            rows = model.rowCount();
            count = model.countRows();
        }
    } catch (const EfrError &e) {
        state.SkipWithError(e.what());
        return;
    }
    state.counters["rows_found"] = double(count);
    state.counters["rows_on_first_page"] = rows;
}

// From the press of the button to the first page painted in the preview.
void printToFirstPage(benchmark::State &state, bool postgres, const std::function<void(TMainDM &)> &print)
{
    Journal &j = journal(postgres);
    if (!j.dm) {
        state.SkipWithError(j.error.toStdString().c_str());
        return;
    }
    double pages = 0;
    for (auto _ : state) {
        QElapsedTimer t;
        double firstPageMs = -1;
        QTimer poll;
        poll.setInterval(1);
        QObject::connect(&poll, &QTimer::timeout, [&] {
            for (QWidget *w : QApplication::topLevelWidgets()) {
                auto *form = dynamic_cast<TfrPreviewForm *>(w);
                if (!form || !form->isVisible())
                    continue;
                poll.stop();
                form->grab(); // paints the page shown
                firstPageMs = double(t.nsecsElapsed()) / 1e6;
                pages = form->PageCount();
                form->ExitBtnClick();
                return;
            }
        });
        poll.start();
        t.start();
        try {
            print(*j.dm);
        } catch (const EfrError &e) {
            state.SkipWithError(e.what());
            return;
        }
        if (firstPageMs < 0) {
            state.SkipWithError("no preview");
            return;
        }
        state.SetIterationTime(firstPageMs / 1000.0);
    }
    state.counters["pages"] = pages;
}

void BM_ViewMonth_SQLite(benchmark::State &s) { viewMonth(s, false, month(17)); }
void BM_ViewMonth_PostgreSQL(benchmark::State &s) { viewMonth(s, true, month(17)); }
void BM_ViewMonthOfOneExecutor_SQLite(benchmark::State &s)
{
    TJournalSelection m = month(17);
    m.executor = QStringLiteral("Сидоров С. С.");
    viewMonth(s, false, m);
}
void BM_ViewMonthOfOneExecutor_PostgreSQL(benchmark::State &s)
{
    TJournalSelection m = month(17);
    m.executor = QStringLiteral("Сидоров С. С.");
    viewMonth(s, true, m);
}
void BM_PrintMonth_SQLite(benchmark::State &s)
{
    printToFirstPage(s, false, [](TMainDM &dm) { dm.PrintJournalSelection(month(17), false); });
}
void BM_PrintMonth_PostgreSQL(benchmark::State &s)
{
    printToFirstPage(s, true, [](TMainDM &dm) { dm.PrintJournalSelection(month(17), false); });
}
void BM_PrintLastMonthBackward_SQLite(benchmark::State &s)
{
    printToFirstPage(s, false, [](TMainDM &dm) { dm.PrintJournalSelection(month(49), true); });
}
void BM_PrintLastMonthBackward_PostgreSQL(benchmark::State &s)
{
    printToFirstPage(s, true, [](TMainDM &dm) { dm.PrintJournalSelection(month(49), true); });
}
void BM_SummaryMonth_SQLite(benchmark::State &s)
{
    printToFirstPage(s, false, [](TMainDM &dm) { dm.PrintJournalSummary(month(17)); });
}
void BM_SummaryMonth_PostgreSQL(benchmark::State &s)
{
    printToFirstPage(s, true, [](TMainDM &dm) { dm.PrintJournalSummary(month(17)); });
}

BENCHMARK(BM_ViewMonth_SQLite)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_ViewMonthOfOneExecutor_SQLite)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_PrintMonth_SQLite)->Unit(benchmark::kMillisecond)->Iterations(3)->UseManualTime();
BENCHMARK(BM_PrintLastMonthBackward_SQLite)->Unit(benchmark::kMillisecond)->Iterations(3)->UseManualTime();
BENCHMARK(BM_SummaryMonth_SQLite)->Unit(benchmark::kMillisecond)->Iterations(3)->UseManualTime();
BENCHMARK(BM_ViewMonth_PostgreSQL)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_ViewMonthOfOneExecutor_PostgreSQL)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_PrintMonth_PostgreSQL)->Unit(benchmark::kMillisecond)->Iterations(3)->UseManualTime();
BENCHMARK(BM_PrintLastMonthBackward_PostgreSQL)->Unit(benchmark::kMillisecond)->Iterations(3)->UseManualTime();
BENCHMARK(BM_SummaryMonth_PostgreSQL)->Unit(benchmark::kMillisecond)->Iterations(3)->UseManualTime();

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    frInstallPreviewForm();
    // The templates as the program folder carries them.
    QTemporaryDir home;
    QDir(home.path()).mkdir(QStringLiteral("Reports"));
    for (const char *name : {"J001.frf", "S001.frf"})
        QFile::copy(QCoreApplication::applicationDirPath() + QStringLiteral("/Reports/") + QLatin1String(name),
                    home.path() + QStringLiteral("/Reports/") + QLatin1String(name));
    frSetAppFolder(home.path());
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    // The connections go before the server and the application.
    for (int i = 0; i < 2; ++i)
        engines()[i].dm.reset();
    server().stop();
    return 0;
}
