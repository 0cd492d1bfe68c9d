// A text object's bracket group [T."Amount" #N0.2] resolved and formatted for every row of
// a table of one million rows (resolve through the dictionary's cache, format, advance),
// on an SQLite file in a temporary folder. Reports rows per second.
#include <QCoreApplication>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <cstdio>

#include "report/eval/data_dictionary.h"
#include "report/eval/db_dataset.h"
#include "report/eval/format_settings.h"
#include "report/eval/value_resolution.h"

namespace {

constexpr int kRows = 1000000;

class BenchContext : public TfrValueContext {
public:
    QObject *owner = nullptr;
    TfrDataDictionary *dictionary = nullptr;
    QObject *ReportOwner() const override { return owner; }
    TfrDataDictionary *Dictionary() const override { return dictionary; }
};

struct Table {
    QTemporaryDir dir;
    QSqlDatabase db;
    bool ok = false;

    Table()
    {
        db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("bench_values"));
        db.setDatabaseName(dir.filePath(QStringLiteral("values.db")));
        if (!db.open())
            return;
        QSqlQuery q(db);
        q.exec(QStringLiteral("CREATE TABLE t (id INTEGER PRIMARY KEY, Amount REAL)"));
        db.transaction();
        q.prepare(QStringLiteral("INSERT INTO t (Amount) VALUES (?)"));
        for (int i = 0; i < kRows; ++i) {
            q.addBindValue(double(i) * 1.25 + 0.005);
            if (!q.exec())
                return;
        }
        ok = db.commit();
    }
};

void BM_BracketGroupPerRow(benchmark::State &state)
{
    static Table table;
    if (!table.ok) {
        state.SkipWithError("could not create the table");
        return;
    }
    TfrFormatSettingsScope locale(TfrFormatSettings::russian());
    QObject owner;
    auto *cursor = new TfrTableCursor(&owner);
    cursor->setObjectName(QStringLiteral("T"));
    cursor->setDatabase(table.db);
    cursor->setTableName(QStringLiteral("t"));
    cursor->Open();
    TfrDataDictionary dict;
    BenchContext ctx;
    ctx.owner = &owner;
    ctx.dictionary = &dict;
    frSetValueContext(&ctx);
    frInstallNameHandler();

    const QString content = QStringLiteral("T.\"Amount\" #N0.2");
    qsizetype chars = 0;
    cursor->First();
    for (auto _ : state) {
        const QString text = InternalOnGetValue(content);
        chars += text.size();
        cursor->Next();
        if (cursor->Eof())
            cursor->First();
    }
    benchmark::DoNotOptimize(chars);
    state.SetItemsProcessed(state.iterations());
    state.counters["rows_per_second"] = benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
    frSetValueContext(nullptr);
}

BENCHMARK(BM_BracketGroupPerRow)->Unit(benchmark::kNanosecond)->Iterations(kRows);

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
