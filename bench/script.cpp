// A compiled script of ten statements (assignments with arithmetic, a comparison and
// branch, a counter, a string, a library call and a bracketed name) run one million
// times against frVariables, as a band script runs once per record. Reports statements
// per second.
#include <QCoreApplication>
#include <benchmark/benchmark.h>

#include "report/eval/format_settings.h"
#include "report/eval/function_library.h"
#include "report/eval/interpreter.h"
#include "report/eval/value_resolution.h"
#include "report/eval/variables.h"

namespace {

constexpr int kRuns = 1000000;
constexpr int kStatements = 10;

const QStringList kScript = {
    QStringLiteral("begin"),
    QStringLiteral("  a := a + 1;"),
    QStringLiteral("  b := a * 2;"),
    QStringLiteral("  if b > 100 then c := 1 else c := 0;"),
    QStringLiteral("  d := a - b;"),
    QStringLiteral("  s := 'x' + 'y';"),
    QStringLiteral("  Inc(n);"),
    QStringLiteral("  e := (a + b) / 2;"),
    QStringLiteral("  f := a mod 7;"),
    QStringLiteral("  g := MAXNUM(a, b);"),
    QStringLiteral("  h := [a] + 1"),
    QStringLiteral("end"),
};

void BM_CompiledScript(benchmark::State &state)
{
    TfrFormatSettingsScope locale(TfrFormatSettings::russian());
    frInstallNameHandler();
    frInstallFunctionHandler();
    frVariables().Clear();
    for (const char *name : {"a", "b", "c", "d", "e", "f", "g", "h", "n", "s"})
        frVariables().SetVariable(QLatin1String(name), TfrVariant(0));

    QStringList compiled, errors;
    frInterpretator->PrepareScript(kScript, compiled, errors);
    if (!errors.isEmpty()) {
        state.SkipWithError(errors.join(u' ').toUtf8().constData());
        return;
    }
    for (auto _ : state)
        frInterpretator->DoScript(compiled);

    if (frVariables().GetVariable(QStringLiteral("n")).toInteger() != int(state.iterations()))
        state.SkipWithError("the counter did not count every run");
    state.SetItemsProcessed(state.iterations() * kStatements);
    state.counters["statements_per_second"] =
        benchmark::Counter(double(state.iterations() * kStatements), benchmark::Counter::kIsRate);
    frVariables().Clear();
}

BENCHMARK(BM_CompiledScript)->Unit(benchmark::kNanosecond)->Iterations(kRuns);

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
