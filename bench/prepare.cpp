// The journal template prepared over 10,000 and 100,000 journal rows in SQLite, in one pass
// and in two passes. Target: 100,000 rows in under 10 seconds and 300 MB peak memory, the
// time growing linearly with the rows. Peak memory is the process's maximum resident size
// (the test kit's measure).
#include <QGuiApplication>
#include <QSqlDatabase>
#include <benchmark/benchmark.h>

#include "report/engine/prepare.h"
#include "report/eval/globals.h"
#include "report/model/fr_globals.h"
#include "report/model/report.h"
#include "testkit/bench_main.h"
#include "testkit/journal_data.h"
#include "testkit/journal_report.h"
#include "testkit/memory.h"
#include "testkit/paths.h"

namespace {

void prepareJournal(benchmark::State &state, bool twoPass)
{
    const int rows = int(state.range(0));
    QSqlDatabase db = testkit::journalDatabase(rows);
    int pages = 0;
    for (auto _ : state) {
        QObject owner;
        testkit::bindJournal(owner, db);
        TfrReport report(&owner);
        testkit::loadJournalTemplate(report);
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
    state.counters["peak_MB"] = testkit::peakMegabytes();
}

void BM_PrepareJournalSinglePass(benchmark::State &state) { prepareJournal(state, false); }
void BM_PrepareJournalTwoPass(benchmark::State &state) { prepareJournal(state, true); }

BENCHMARK(BM_PrepareJournalSinglePass)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_PrepareJournalTwoPass)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->Iterations(1);

} // namespace

int main(int argc, char **argv) { return testkit::benchmarkMain(argc, argv); }
