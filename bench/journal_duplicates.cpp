// The check before a run is saved: which of its files the journal holds already (same
// name, size, date and time), over a journal of 1,000,000 rows, on SQLite and PostgreSQL.
// A run of 30 files of which 10 were registered before; the check is one query and must not
// read the whole journal.
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

#include "app/journal_run.h"
#include "app/main_dm.h"
#include "report/eval/errors.h"

namespace {

constexpr int kRows = 1000000;
constexpr int kRunFiles = 30;
constexpr int kRegisteredBefore = 10;

void exec(QSqlDatabase db, const QString &sql)
{
    QSqlQuery q(db);
    if (!q.exec(sql))
        throw EfrError(q.lastError().text());
}

struct PgServer {
    QString connect, state, error;

    static QString script()
    {
        return QFileInfo(QStringLiteral(__FILE__)).absoluteDir().filePath(QStringLiteral("../scripts/pg-test-server.sh"));
    }
    bool start()
    {
        connect = qEnvironmentVariable("FR_PG_CONNECT");
        if (!connect.isEmpty())
            return true;
        state = QDir::temp().filePath(QStringLiteral("fr-bench-dup-pg-%1").arg(QCoreApplication::applicationPid()));
        QProcess p;
        p.setProcessChannelMode(QProcess::MergedChannels);
        p.start(QStringLiteral("bash"), {script(), QStringLiteral("start"), state});
        if (!p.waitForFinished(120000) || p.exitCode() != 0) {
            error = QString::fromLocal8Bit(p.readAll());
            return false;
        }
        QFile f(state + QStringLiteral("/connect.txt"));
        if (!f.open(QIODevice::ReadOnly)) {
            error = QStringLiteral("no connect.txt");
            return false;
        }
        connect = QString::fromUtf8(f.readAll()).trimmed();
        return true;
    }
    void stop()
    {
        if (!state.isEmpty())
            QProcess::execute(QStringLiteral("bash"), {script(), QStringLiteral("stop"), state});
        state.clear();
    }
};

PgServer &server()
{
    static PgServer s;
    return s;
}

struct Journal {
    std::unique_ptr<TMainDM> dm;
    QString error;
};

Journal *engines()
{
    static Journal e[2];
    return e;
}

// The journal of a million files, then a run in Temp: the first files registered before,
// the rest new.
void fill(TMainDM &dm, bool postgres)
{
    QSqlDatabase db = dm.Database();
    const QString rows = postgres
        ? QStringLiteral("SELECT i FROM generate_series(1, %1) AS s(i)").arg(kRows)
        : QStringLiteral("WITH RECURSIVE s(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM s WHERE i < %1) SELECT i FROM s").arg(kRows);
    const QString text = postgres ? QStringLiteral("i::text") : QStringLiteral("CAST(i AS TEXT)");
    exec(db, QStringLiteral("INSERT INTO \"Журнал\" (\"NumPP\", \"NumReis\", \"NameFile\", \"DateCreateFile\", "
                            "\"TimeCreateFile\", \"Size\", \"DateProcesFile\", \"TimeProcesFile\", \"Ispolnitel\") "
                            "SELECT i, i / 40 + 1, 'incoming_' || %1 || '.pdf', '05.02.24', '09:15', i * 37 % 5000000, "
                            "'05.02.24', '10:00', 'Иванов И. И.' FROM (%2) AS n")
                 .arg(text, rows));
    exec(db, postgres ? QStringLiteral("ANALYZE \"Журнал\"") : QStringLiteral("ANALYZE"));
    dm.CreateTempTable();
    for (int i = 0; i < kRunFiles; ++i) {
        // Journal row k holds incoming_k.pdf of k * 37 % 5000000 bytes.
        const qint64 k = i < kRegisteredBefore ? qint64(kRows) - 1000 * i : qint64(kRows) + 1 + i;
        QSqlQuery q(db);
        q.prepare(QStringLiteral("INSERT INTO \"Temp\" (\"NumPP\", \"NumReis\", \"NameFile\", \"DateCreateFile\", "
                                 "\"TimeCreateFile\", \"Size\") VALUES (?, 1, ?, '05.02.24', '09:15', ?)"));
        q.addBindValue(qlonglong(kRows + 1 + i));
        q.addBindValue(QStringLiteral("incoming_%1.pdf").arg(k));
        q.addBindValue(qlonglong(k * 37 % 5000000));
        if (!q.exec())
            throw EfrError(q.lastError().text());
    }
}

Journal &journal(bool postgres)
{
    static QTemporaryDir folder;
    Journal &j = engines()[postgres ? 1 : 0];
    if (j.dm || !j.error.isEmpty())
        return j;
    QString connect = QStringLiteral("Provider=SQLite;Data Source=%1").arg(folder.filePath(QStringLiteral("journal.db")));
    try {
        if (postgres) {
            if (server().connect.isEmpty() && !server().start())
                throw EfrError(QStringLiteral("PostgreSQL server did not start: ") + server().error);
            const QString name = QStringLiteral("frbench_dup_%1").arg(QCoreApplication::applicationPid());
            QSqlDatabase admin = frOpenConnection(server().connect);
            exec(admin, QStringLiteral("DROP DATABASE IF EXISTS \"%1\"").arg(name));
            exec(admin, QStringLiteral("CREATE DATABASE \"%1\"").arg(name));
            frCloseConnection(admin);
            TfrConnectString cs = TfrConnectString::parse(server().connect);
            cs.setValue(QStringLiteral("Database"), name);
            connect = cs.compose();
        }
        j.dm = std::make_unique<TMainDM>();
        j.dm->setConnectionString(connect);
        j.dm->OpenConnection();
        QElapsedTimer t;
        t.start();
        fill(*j.dm, postgres);
        std::printf("%s: %d journal rows and a run of %d made in %.1f s\n", postgres ? "PostgreSQL" : "SQLite", kRows,
                    kRunFiles, t.elapsed() / 1000.0);
    } catch (const EfrError &e) {
        j.error = e.message();
        j.dm.reset();
    }
    return j;
}

void check(benchmark::State &state, bool postgres)
{
    Journal &j = journal(postgres);
    if (!j.dm) {
        state.SkipWithError(j.error.toStdString().c_str());
        return;
    }
    qsizetype found = 0;
    try {
        for (auto _ : state)
            found = FindJournalDuplicates(*j.dm).size();
    } catch (const EfrError &e) {
        state.SkipWithError(e.message().toStdString().c_str());
        return;
    }
    if (found != kRegisteredBefore)
        state.SkipWithError("wrong number of files registered before");
    state.counters["found"] = double(found);
}

void BM_Duplicates_SQLite(benchmark::State &s) { check(s, false); }
void BM_Duplicates_PostgreSQL(benchmark::State &s) { check(s, true); }

BENCHMARK(BM_Duplicates_SQLite)->Unit(benchmark::kMillisecond)->Iterations(20);
BENCHMARK(BM_Duplicates_PostgreSQL)->Unit(benchmark::kMillisecond)->Iterations(20);

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    for (int i = 0; i < 2; ++i)
        engines()[i].dm.reset();
    server().stop();
    return 0;
}
