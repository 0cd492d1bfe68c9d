// Evaluation of stored postfix text, as the band engine does it once per record, and
// translation, which happens once per report run.
#include <benchmark/benchmark.h>

#include "report/eval/parser.h"

namespace {

void trivialNames(void *, const QString &name, TfrVariant &value)
{
    value = TfrVariant(name.size() == 1 && name[0] == u'A' ? 3 : 4);
}

void BM_EvaluateArithmetic(benchmark::State &state)
{
    TfrParser parser;
    const QString postfix = parser.Str2OPZ(QStringLiteral("(2 + 3) * 4 - 7 / 2"));
    for (auto _ : state) {
        TfrVariant v = parser.CalcOPZ(postfix);
        benchmark::DoNotOptimize(v);
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_EvaluateArithmetic);

void BM_EvaluateNames(benchmark::State &state)
{
    TfrParser parser;
    parser.NameHandler = TGetPValueEvent(trivialNames, nullptr);
    const QString postfix = parser.Str2OPZ(QStringLiteral("[A] * 2 + [B]"));
    for (auto _ : state) {
        TfrVariant v = parser.CalcOPZ(postfix);
        benchmark::DoNotOptimize(v);
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_EvaluateNames);

void BM_Translate(benchmark::State &state)
{
    TfrParser parser;
    const QString text = QStringLiteral("IF([Table1.\"Sum\"] > 100, COPY([Name], 1, 3), 'none') + STR(PAGE# mod 2)");
    for (auto _ : state) {
        QString postfix = parser.Str2OPZ(text);
        benchmark::DoNotOptimize(postfix);
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_Translate);

} // namespace

BENCHMARK_MAIN();
