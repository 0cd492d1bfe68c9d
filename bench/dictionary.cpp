// Loading a data dictionary of 20,000, 40,000 and 80,000 variables (a hundred to a
// category, half of them field references, half expressions), from its stream and as part
// of a template. Target: 80,000 variables in under 1 second, the time growing linearly.
#include <QGuiApplication>
#include <benchmark/benchmark.h>

#include "report/eval/data_dictionary.h"
#include "report/eval/globals.h"
#include "report/eval/stream.h"
#include "report/model/fr_globals.h"
#include "report/model/report.h"
#include "testkit/bench_main.h"

namespace {

void fill(TfrDataDictionary &d, int variables)
{
    for (int i = 0; i < variables; ++i) {
        if (i % 100 == 0)
            d.VarList.SetVariable(QStringLiteral(" Категория %1").arg(i / 100), TfrVariant(QString()));
        d.VarList.SetVariable(QStringLiteral("Переменная_%1").arg(i),
                              TfrVariant(i % 2 ? QStringLiteral("Temp.\"Поле%1\"").arg(i % 11)
                                               : QStringLiteral("[Temp.\"Размер\"] * %1 + 1").arg(i)));
    }
    for (int i = 0; i < variables / 10; ++i)
        d.AliasList.SetVariable(QStringLiteral("Temp.Поле%1").arg(i), TfrVariant(QStringLiteral("Псевдоним %1").arg(i)));
}

QByteArray dictionaryBytes(int variables)
{
    TfrDataDictionary d;
    fill(d, variables);
    TfrStream s;
    d.SaveToStream(s);
    return s.data();
}

void BM_LoadDictionary(benchmark::State &state)
{
    const QByteArray bytes = dictionaryBytes(int(state.range(0)));
    for (auto _ : state) {
        TfrDataDictionary d;
        TfrStream s(bytes);
        d.LoadFromStream(s);
        benchmark::DoNotOptimize(d.VarList.GetCount());
    }
    state.counters["variables"] = double(state.range(0));
    state.counters["MB"] = double(bytes.size()) / 1048576.0;
}
BENCHMARK(BM_LoadDictionary)->Arg(20000)->Arg(40000)->Arg(80000)->Unit(benchmark::kMillisecond);

// The template holding the dictionary, loaded as the program loads a report file.
void BM_LoadTemplateWithDictionary(benchmark::State &state)
{
    QByteArray bytes;
    {
        TfrReport report;
        report.AddPage();
        fill(report.Dictionary(), int(state.range(0)));
        TfrStream s;
        report.SaveToStream(s);
        bytes = s.data();
    }
    for (auto _ : state) {
        TfrReport report;
        TfrStream s(bytes);
        report.LoadFromStream(s);
        benchmark::DoNotOptimize(report.Dictionary().VarList.GetCount());
    }
    state.counters["variables"] = double(state.range(0));
}
BENCHMARK(BM_LoadTemplateWithDictionary)->Arg(80000)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv) { return testkit::benchmarkMain(argc, argv); }
