// The journal view over a journal of 1,000,000 rows, on SQLite and PostgreSQL: the first
// page without a filter, the first page for a filter that finds many rows, one that finds
// one row in a thousand, and one that finds nothing (the whole journal read: the worst
// case), and paging on to the 10,000th row. The filter ignores case for every alphabet
// (Cyrillic here); for comparison the same full scan with the engine's own Latin-only
// folding (SQLite's LIKE, PostgreSQL's ILIKE without the ICU collation), and on SQLite the
// bare matching cost over a plain table scan.
//
// SQLite runs on a database file in a temporary folder. PostgreSQL runs on the server named
// by FR_PG_CONNECT (a connection string) or, without it, on a throwaway server this program
// starts with scripts/pg-test-server.sh in a temporary folder and stops at the end.
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <memory>

#include "app/journal_view.h"
#include "app/main_dm.h"
#include "report/eval/errors.h"
#include "testkit/pg_server.h"

namespace {

constexpr int kRows = 1000000;

using testkit::PgServer;

// A journal of a million rows, made once per engine and kept for all its benchmarks.
struct Journal {
    std::unique_ptr<TMainDM> dm;
    QString error;
    bool postgres = false;
};

void exec(QSqlDatabase db, const QString &sql)
{
    QSqlQuery q(db);
    if (!q.exec(sql))
        throw EfrError(q.lastError().text());
}

// Every 1000th file a letter from the ministry, every 7th run for the accounts office,
// five executors in turn.
void fill(Journal &j)
{
    QSqlDatabase db = j.dm->Database();
    const QString rows = j.postgres
        ? QStringLiteral("SELECT i FROM generate_series(1, %1) AS s(i)").arg(kRows)
        : QStringLiteral("WITH RECURSIVE s(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM s WHERE i < %1) SELECT i FROM s").arg(kRows);
    const QString text = j.postgres ? QStringLiteral("i::text") : QStringLiteral("CAST(i AS TEXT)");
    exec(db, QStringLiteral(
        "INSERT INTO \"Журнал\" (\"NumPP\", \"NumReis\", \"NameFile\", \"DateCreateFile\", \"TimeCreateFile\", "
        "\"Size\", \"DateProcesFile\", \"TimeProcesFile\", \"Ispolnitel\", \"BriefContents\", \"ToWhom\") "
        "SELECT i, i / 40 + 1, "
        "CASE WHEN i % 1000 = 0 THEN 'ПИСЬМО из Министерства №' || %1 || '.pdf' ELSE 'incoming_' || %1 || '.pdf' END, "
        "'05.02.24', '09:15', i * 37 % 5000000, '05.02.24', '10:00', "
        "CASE i % 5 WHEN 0 THEN 'Иванов И. И.' WHEN 1 THEN 'Петров П. П.' WHEN 2 THEN 'Сидоров С. С.' "
        "WHEN 3 THEN 'Кузнецова А. В.' ELSE 'Смирнова Е. Н.' END, "
        "'Входящий документ № ' || %1 || ', срок исполнения не указан', "
        "CASE WHEN i % 7 = 0 THEN 'Канцелярия' || char(10) || 'Бухгалтерия' ELSE 'Канцелярия' END "
        "FROM (%2) AS n")
        .arg(text, rows)
        .replace(QStringLiteral("char(10)"), j.postgres ? QStringLiteral("chr(10)") : QStringLiteral("char(10)")));
    exec(db, j.postgres ? QStringLiteral("ANALYZE \"Журнал\"") : QStringLiteral("ANALYZE"));
}

PgServer &server()
{
    static PgServer s;
    return s;
}

Journal *engines()
{
    static Journal e[2];
    return e;
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
        const QString name = QStringLiteral("frbench_filter_%1").arg(QCoreApplication::applicationPid());
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
    try {
        j.dm = std::make_unique<TMainDM>();
        j.dm->setConnectionString(connect);
        j.dm->OpenConnection();
        QElapsedTimer t;
        t.start();
        fill(j);
        std::printf("%s: %d journal rows made in %.1f s\n", postgres ? "PostgreSQL" : "SQLite", kRows, t.elapsed() / 1000.0);
    } catch (const EfrError &e) {
        j.error = e.message();
        j.dm.reset();
    }
    return j;
}

// The first page for a filter text, as the view shows it after typing stops.
void firstPage(benchmark::State &state, bool postgres, const char *filter, int expectAtLeast)
{
    Journal &j = journal(postgres);
    if (!j.dm) {
        state.SkipWithError(j.error.toStdString().c_str());
        return;
    }
    int rows = 0;
    try {
        for (auto _ : state) {
            TJournalModel model(j.dm->Database());
            model.setFilter(QString::fromUtf8(filter));
            rows = model.rowCount();
        }
    } catch (const EfrError &e) {
        state.SkipWithError(e.what());
        return;
    }
    if (rows < expectAtLeast)
        state.SkipWithError("the filter found fewer rows than the journal holds");
    state.counters["rows_on_first_page"] = rows;
}

// Paging on to the 10,000th row, as scrolling down does.
void deepPages(benchmark::State &state, bool postgres)
{
    Journal &j = journal(postgres);
    if (!j.dm) {
        state.SkipWithError(j.error.toStdString().c_str());
        return;
    }
    for (auto _ : state) {
        TJournalModel model(j.dm->Database());
        model.setFilter(QString());
        while (model.rowCount() < 10000 && model.canFetchMore())
            model.fetchMore();
        if (model.rowCount() < 10000)
            state.SkipWithError("paging stopped early");
    }
}

// One full scan with the engine's own case folding (Latin letters only), for comparison.
void nativeScan(benchmark::State &state, bool postgres)
{
    Journal &j = journal(postgres);
    if (!j.dm) {
        state.SkipWithError(j.error.toStdString().c_str());
        return;
    }
    const QString like = postgres ? QStringLiteral("ILIKE") : QStringLiteral("LIKE");
    QStringList terms;
    for (const char *f : {"NameFile", "Ispolnitel", "BriefContents", "ToWhom"})
        terms << QStringLiteral("\"%1\" %2 '%zzzz%'").arg(QString::fromLatin1(f), like);
    const QString sql = QStringLiteral("SELECT \"id\" FROM \"Журнал\" WHERE \"NumPP\" IS NOT NULL AND (%1) "
                                       "ORDER BY \"NumPP\", \"id\" LIMIT 256").arg(terms.join(QStringLiteral(" OR ")));
    for (auto _ : state) {
        QSqlQuery q(j.dm->Database());
        if (!q.exec(sql)) {
            state.SkipWithError(q.lastError().text().toStdString().c_str());
            return;
        }
        while (q.next()) {
        }
    }
}

// The bare cost of the matching on SQLite: every row of the table read in storage order
// and tested, the program's folding against SQLite's own LIKE.
void scanSQLite(benchmark::State &state, const char *condition)
{
    Journal &j = journal(false);
    if (!j.dm) {
        state.SkipWithError(j.error.toStdString().c_str());
        return;
    }
    for (auto _ : state) {
        QSqlQuery q(j.dm->Database());
        if (!q.exec(QStringLiteral("SELECT count(*) FROM \"Журнал\" WHERE ") + QString::fromUtf8(condition)) || !q.next()) {
            state.SkipWithError(q.lastError().text().toStdString().c_str());
            return;
        }
    }
}

void BM_TableScan_FrContains_SQLite(benchmark::State &s)
{
    scanSQLite(s, "fr_contains('жжжж', \"NameFile\", \"Ispolnitel\", \"BriefContents\", \"ToWhom\")");
}
void BM_TableScan_LatinOnlyLike_SQLite(benchmark::State &s)
{
    scanSQLite(s, "\"NameFile\" LIKE '%жжжж%' OR \"Ispolnitel\" LIKE '%жжжж%' OR \"BriefContents\" LIKE '%жжжж%' "
                  "OR \"ToWhom\" LIKE '%жжжж%'");
}

void BM_Filter_NoFilter_SQLite(benchmark::State &s) { firstPage(s, false, "", 256); }
void BM_Filter_NoFilter_PostgreSQL(benchmark::State &s) { firstPage(s, true, "", 256); }
void BM_Filter_Many_SQLite(benchmark::State &s) { firstPage(s, false, "бухгалтерия", 256); }
void BM_Filter_Many_PostgreSQL(benchmark::State &s) { firstPage(s, true, "бухгалтерия", 256); }
void BM_Filter_OneInAThousand_SQLite(benchmark::State &s) { firstPage(s, false, "письмо", 256); }
void BM_Filter_OneInAThousand_PostgreSQL(benchmark::State &s) { firstPage(s, true, "письмо", 256); }
void BM_Filter_None_Found_SQLite(benchmark::State &s) { firstPage(s, false, "жжжж", 0); }
void BM_Filter_None_Found_PostgreSQL(benchmark::State &s) { firstPage(s, true, "жжжж", 0); }
void BM_Filter_LatinOnlyFullScan_SQLite(benchmark::State &s) { nativeScan(s, false); }
void BM_Filter_LatinOnlyFullScan_PostgreSQL(benchmark::State &s) { nativeScan(s, true); }
void BM_Pages_To10000_SQLite(benchmark::State &s) { deepPages(s, false); }
void BM_Pages_To10000_PostgreSQL(benchmark::State &s) { deepPages(s, true); }

BENCHMARK(BM_Filter_NoFilter_SQLite)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_Filter_Many_SQLite)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_Filter_OneInAThousand_SQLite)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_Filter_None_Found_SQLite)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_Filter_LatinOnlyFullScan_SQLite)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_Pages_To10000_SQLite)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_TableScan_FrContains_SQLite)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_TableScan_LatinOnlyLike_SQLite)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_Filter_NoFilter_PostgreSQL)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_Filter_Many_PostgreSQL)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_Filter_OneInAThousand_PostgreSQL)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_Filter_None_Found_PostgreSQL)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_Filter_LatinOnlyFullScan_PostgreSQL)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_Pages_To10000_PostgreSQL)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
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
