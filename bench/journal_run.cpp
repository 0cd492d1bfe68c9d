// A processing run over a folder of 10,000 files: enumerate the files, fill Temp, open the
// grid's cursor on it, append the run to the journal. Target: under 2 seconds per run.
// Also the report's walk over a journal of 100,000 rows: open the cursor, read every field.
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
#include <QSqlQuery>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <cstdio>

#include "app/journal_run.h"
#include "app/main_dm.h"
#include "report/eval/errors.h"
#include "testkit/pg_server.h"

namespace {

constexpr int kFiles = 10000;

QTemporaryDir &folder()
{
    static QTemporaryDir dir;
    static bool filled = false;
    if (!filled) {
        for (int i = 0; i < kFiles; ++i) {
            QFile f(dir.filePath(QStringLiteral("incoming_%1.pdf").arg(i, 5, 10, QChar(u'0'))));
            if (f.open(QIODevice::WriteOnly))
                f.write(QByteArray(i % 97, 'x'));
        }
        filled = true;
    }
    return dir;
}

using testkit::PgServer;

PgServer &pgServer()
{
    static PgServer server;
    return server;
}

// A fresh PostgreSQL database for one benchmark; empty when the server is not there.
QString pgDatabase(benchmark::State &state, const QString &name)
{
    PgServer &server = pgServer();
    if (server.connect.isEmpty() && !server.start()) {
        state.SkipWithError(("PostgreSQL server did not start: " + server.error.toStdString()).c_str());
        return QString();
    }
    const QString db = QStringLiteral("%1_%2").arg(name).arg(QCoreApplication::applicationPid());
    try {
        QSqlDatabase admin = frOpenConnection(server.connect);
        QSqlQuery(admin).exec(QStringLiteral("DROP DATABASE IF EXISTS \"%1\"").arg(db));
        QSqlQuery(admin).exec(QStringLiteral("CREATE DATABASE \"%1\"").arg(db));
        frCloseConnection(admin);
    } catch (const EfrError &e) {
        state.SkipWithError(e.what());
        return QString();
    }
    TfrConnectString cs = TfrConnectString::parse(server.connect);
    cs.setValue(QStringLiteral("Database"), db);
    return cs.compose();
}

void runJournal(benchmark::State &state, const QString &connect)
{
    const QString path = folder().path();
    TMainDM dm;
    dm.setConnectionString(connect);
    double collectMs = 0, fillMs = 0, openMs = 0, saveMs = 0;
    qint64 next = 1;
    try {
        dm.OpenConnection();
        for (auto _ : state) {
            QElapsedTimer t;
            t.start();
            const auto records = CollectRunFiles(path, QStringLiteral("Иванов И. И."));
            collectMs += t.nsecsElapsed() / 1e6;
            t.restart();
            dm.CreateTempTable();
            AppendRunToTemp(dm, records, next, 1);
            fillMs += t.nsecsElapsed() / 1e6;
            t.restart();
            dm.ADOTable()->setTableName(TempTableName);
            dm.ADOTable()->Open();
            if (dm.ADOTable()->RecordCount() != kFiles)
                state.SkipWithError("Temp does not hold the run");
            openMs += t.nsecsElapsed() / 1e6;
            t.restart();
            dm.AddToJournal();
            saveMs += t.nsecsElapsed() / 1e6;
            next += records.size();
            state.PauseTiming();
            dm.DeleteTempTable();
            state.ResumeTiming();
        }
    } catch (const EfrError &e) {
        state.SkipWithError(e.what());
        return;
    }
    const double n = double(state.iterations());
    state.counters["collect_ms"] = collectMs / n;
    state.counters["fill_temp_ms"] = fillMs / n;
    state.counters["open_cursor_ms"] = openMs / n;
    state.counters["add_to_journal_ms"] = saveMs / n;
    state.SetItemsProcessed(state.iterations() * kFiles);
}

void BM_JournalRun_SQLite(benchmark::State &state)
{
    QTemporaryDir db;
    runJournal(state, QStringLiteral("Provider=SQLite;Data Source=%1").arg(db.filePath(QStringLiteral("journal.db"))));
}

void BM_JournalRun_PostgreSQL(benchmark::State &state)
{
    const QString connect = pgDatabase(state, QStringLiteral("frbench_run"));
    if (!connect.isEmpty())
        runJournal(state, connect);
}

void walkJournal(benchmark::State &state, const QString &connect)
{
    constexpr int kRows = 100000;
    TMainDM dm;
    dm.setConnectionString(connect);
    try {
        QList<TJournalFileRecord> records;
        for (int i = 0; i < kRows; ++i) {
            TJournalFileRecord r;
            r.NameFile = QStringLiteral("incoming_%1.pdf").arg(i);
            r.DateCreateFile = QStringLiteral("01.02.24");
            r.TimeCreateFile = QStringLiteral("09:15");
            r.Size = i * 1000;
            r.DateProcesFile = QStringLiteral("05.02.24");
            r.TimeProcesFile = QStringLiteral("10:00");
            r.Ispolnitel = QStringLiteral("Иванов И. И.");
            records.append(r);
        }
        dm.CreateTempTable();
        AppendRunToTemp(dm, records, 1, 1);
        dm.AddToJournal();
        TfrTableCursor *t = dm.ADOTable();
        t->setTableName(JournalTableName);
        for (auto _ : state) {
            t->Close();
            t->Open();
            qint64 sum = 0;
            for (t->First(); !t->Eof(); t->Next())
                for (int f = 0; f < t->FieldCount(); ++f)
                    sum += t->FieldValue(f).isString() ? 1 : 2;
            benchmark::DoNotOptimize(sum);
            if (t->RecordCount() != kRows)
                state.SkipWithError("the journal does not hold the rows");
        }
    } catch (const EfrError &e) {
        state.SkipWithError(e.what());
        return;
    }
    state.SetItemsProcessed(state.iterations() * kRows);
}

void BM_JournalCursorWalk100k_SQLite(benchmark::State &state)
{
    QTemporaryDir db;
    walkJournal(state, QStringLiteral("Provider=SQLite;Data Source=%1").arg(db.filePath(QStringLiteral("journal.db"))));
}

void BM_JournalCursorWalk100k_PostgreSQL(benchmark::State &state)
{
    const QString connect = pgDatabase(state, QStringLiteral("frbench_walk"));
    if (!connect.isEmpty())
        walkJournal(state, connect);
}

BENCHMARK(BM_JournalRun_SQLite)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_JournalRun_PostgreSQL)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_JournalCursorWalk100k_SQLite)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_JournalCursorWalk100k_PostgreSQL)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    folder();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    pgServer().stop();
    return 0;
}
