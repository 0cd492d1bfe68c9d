// The text hot path of report preparation: a band measures a word-wrapped two-line text
// object (CalcHeight) and writes it into a prepared page (StreamOut). Reports objects
// per second.
#include <benchmark/benchmark.h>

#include <QGuiApplication>

#include "report/eval/globals.h"
#include "report/eval/stream.h"
#include "report/model/fr_globals.h"
#include "report/model/memo_view.h"
#include "report/model/page.h"
#include "report/model/report.h"

namespace {

struct Scene {
    TfrReport report;
    TfrPage *page = nullptr;
    TfrMemoView *memo = nullptr;

    explicit Scene(const QStringList &text)
    {
        frGlobals();
        page = report.AddPage();
        auto v = std::make_unique<TfrMemoView>();
        v->Name = QStringLiteral("Memo1");
        v->SetBounds(40, 0, 260, 30);
        v->FrameTyp = 15;
        v->Memo = text;
        v->inPreparedPage = true;
        memo = static_cast<TfrMemoView *>(page->Add(std::move(v)));
        CurReport = &report;
        CurPage = page;
        DocMode = dmPrinting;
    }
    ~Scene()
    {
        CurView = nullptr;
        CurPage = nullptr;
        CurReport = nullptr;
    }
};

void run(benchmark::State &state, const QStringList &text)
{
    Scene scene(text);
    TfrStream stream;
    int lines = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(scene.memo->CalcHeight());
        lines = int(scene.memo->expandedMemo.size());
        scene.memo->StreamOut(stream);
        if (stream.size() > (1 << 20))
            stream.seek(0);
    }
    if (lines != 2)
        state.SkipWithError("the text did not wrap into two lines");
    state.SetItemsProcessed(state.iterations());
    state.counters["objects/s"] = benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
}

void BM_MemoLiteral(benchmark::State &state)
{
    run(state, {QStringLiteral("Журнал регистрации поступивших электронных файлов за текущий период")});
}
BENCHMARK(BM_MemoLiteral);

// The same with one bracketed expression evaluated on every write.
void BM_MemoExpression(benchmark::State &state)
{
    run(state, {QStringLiteral("Журнал регистрации поступивших электронных файлов, страница [2 + 3]")});
}
BENCHMARK(BM_MemoExpression);

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
