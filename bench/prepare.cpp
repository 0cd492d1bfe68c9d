// The journal template prepared over 10,000 and 100,000 journal rows in SQLite, in one pass
// and in two passes. Target: 100,000 rows in under 10 seconds and 300 MB peak memory, the
// time growing linearly with the rows. Peak memory is the process's maximum resident size.
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include "report/engine/prepare.h"
#include "report/eval/db_dataset.h"
#include "report/eval/globals.h"
#include "report/eval/table_cursor.h"
#include "report/model/fr_globals.h"
#include "report/model/report.h"
#include "report/model/template_json.h"

namespace {

QString u(const char *s) { return QString::fromUtf8(s); }

QByteArray journalTemplate()
{
    QDir root = QFileInfo(QStringLiteral(__FILE__)).dir();
    root.cdUp();
    QFile f(root.filePath(QStringLiteral("data/Reports/J001.json")));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QTemporaryDir &folder()
{
    static QTemporaryDir dir;
    return dir;
}

// A database with a journal of that many rows (made once per size).
QSqlDatabase journal(int rows)
{
    const QString name = QStringLiteral("journal%1").arg(rows);
    if (QSqlDatabase::contains(name))
        return QSqlDatabase::database(name);
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
    db.setDatabaseName(folder().filePath(name + QStringLiteral(".db")));
    db.open();
    QSqlQuery q(db);
    q.exec(QStringLiteral("CREATE TABLE Temp (NumPP INTEGER, NumReis INTEGER, NameFile TEXT, DateCreateFile TEXT, "
                          "TimeCreateFile TEXT, Size INTEGER, DateProcesFile TEXT, TimeProcesFile TEXT, "
                          "Ispolnitel TEXT, BriefContents TEXT, ToWhom TEXT)"));
    db.transaction();
    q.prepare(QStringLiteral("INSERT INTO Temp VALUES (?,?,?,?,?,?,?,?,?,?,?)"));
    for (int i = 1; i <= rows; ++i) {
        q.addBindValue(i);
        q.addBindValue(1 + i / 500);
        q.addBindValue(QStringLiteral("incoming_%1.pdf").arg(i, 6, 10, QLatin1Char('0')));
        q.addBindValue(QStringLiteral("08.12.2026"));
        q.addBindValue(QStringLiteral("14:05"));
        q.addBindValue(1000 + i);
        q.addBindValue(QStringLiteral("09.12.2026"));
        q.addBindValue(QStringLiteral("09:30"));
        q.addBindValue(u("Иванова А. П."));
        q.addBindValue(i % 7 == 0 ? u("Письмо о согласовании графика поставок оборудования на первый квартал")
                                  : u("Входящее письмо"));
        q.addBindValue(u("Канцелярия"));
        q.exec();
    }
    db.commit();
    return db;
}

long peakMegabytes()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024;
}

void prepareJournal(benchmark::State &state, bool twoPass)
{
    const int rows = int(state.range(0));
    QSqlDatabase db = journal(rows);
    const QByteArray description = journalTemplate();
    int pages = 0;
    for (auto _ : state) {
        QObject owner;
        auto *cursor = new TfrTableCursor(&owner);
        cursor->setObjectName(QStringLiteral("Temp"));
        cursor->setDatabase(db);
        cursor->setTableName(QStringLiteral("Temp"));
        cursor->Open();
        auto *dataSet = new TfrDBDataSet(&owner);
        dataSet->setObjectName(QStringLiteral("frDBDataSet1"));
        dataSet->SetDataSet(cursor);
        TfrReport report(&owner);
        CurReport = &report;
        frTemplateFromJson(report, description);
        report.DoublePassReport = twoPass;
        TfrReportBuilder builder(report);
        builder.ShowErrorBox = false;
        if (!builder.PrepareReport())
            state.SkipWithError(builder.LastError.toStdString().c_str());
        pages = builder.EMFPages.GetCount();
        CurReport = MasterReport = nullptr;
        CurPage = nullptr;
    }
    state.counters["rows"] = rows;
    state.counters["pages"] = pages;
    state.counters["peak_MB"] = double(peakMegabytes());
}

void BM_PrepareJournalSinglePass(benchmark::State &state) { prepareJournal(state, false); }
void BM_PrepareJournalTwoPass(benchmark::State &state) { prepareJournal(state, true); }

BENCHMARK(BM_PrepareJournalSinglePass)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_PrepareJournalTwoPass)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->Iterations(1);

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    frGlobals();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
