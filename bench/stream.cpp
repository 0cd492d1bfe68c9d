// Writing and reading a million strings and a million string lists: the bulk of what
// template and prepared-report streams consist of.
#include <benchmark/benchmark.h>

#include "report/eval/stream.h"

namespace {

constexpr int kCount = 1'000'000;

const QStringList &sampleStrings()
{
    static const QStringList s{
        QStringLiteral("Memo12"),
        QStringLiteral("[Temp.\"Краткое содержание\"]"),
        QStringLiteral("Журнал регистрации поступивших файлов"),
        QStringLiteral("dd.mm.yyyy"),
        QString(),
        QStringLiteral("Arial"),
        QStringLiteral("[PAGE#] из [TOTALPAGES]"),
        QStringLiteral("Исполнитель: [Temp.\"Исполнитель\"]"),
    };
    return s;
}

const QStringList &sampleList()
{
    static const QStringList s{
        QStringLiteral("№ [Temp.\"Номер\"]"),
        QStringLiteral("[Temp.\"Имя файла\"]"),
        QString(),
        QStringLiteral("[FormatDateTime('dd.mm.yyyy', Temp.\"Дата\")]"),
    };
    return s;
}

QByteArray writeStrings()
{
    const QStringList &src = sampleStrings();
    TfrStream s;
    for (int i = 0; i < kCount; ++i)
        frWriteString(s, src[i % src.size()]);
    return s.data();
}

QByteArray writeLists()
{
    TfrStream s;
    for (int i = 0; i < kCount; ++i)
        frWriteMemo(s, sampleList());
    return s.data();
}

void BM_WriteStrings(benchmark::State &state)
{
    const QStringList &src = sampleStrings();
    for (auto _ : state) {
        TfrStream s;
        for (int i = 0; i < kCount; ++i)
            frWriteString(s, src[i % src.size()]);
        benchmark::DoNotOptimize(s.size());
    }
    state.SetItemsProcessed(state.iterations() * kCount);
}
BENCHMARK(BM_WriteStrings)->Unit(benchmark::kMillisecond);

void BM_ReadStrings(benchmark::State &state)
{
    const QByteArray data = writeStrings();
    for (auto _ : state) {
        TfrStream s(data);
        for (int i = 0; i < kCount; ++i) {
            QString v = frReadString(s);
            benchmark::DoNotOptimize(v);
        }
    }
    state.SetItemsProcessed(state.iterations() * kCount);
    state.SetBytesProcessed(state.iterations() * data.size());
}
BENCHMARK(BM_ReadStrings)->Unit(benchmark::kMillisecond);

void BM_WriteStringLists(benchmark::State &state)
{
    const QStringList &list = sampleList();
    for (auto _ : state) {
        TfrStream s;
        for (int i = 0; i < kCount; ++i)
            frWriteMemo(s, list);
        benchmark::DoNotOptimize(s.size());
    }
    state.SetItemsProcessed(state.iterations() * kCount);
}
BENCHMARK(BM_WriteStringLists)->Unit(benchmark::kMillisecond);

void BM_ReadStringLists(benchmark::State &state)
{
    const QByteArray data = writeLists();
    QStringList lines;
    for (auto _ : state) {
        TfrStream s(data);
        for (int i = 0; i < kCount; ++i) {
            frReadMemo(s, lines);
            benchmark::DoNotOptimize(lines);
        }
    }
    state.SetItemsProcessed(state.iterations() * kCount);
    state.SetBytesProcessed(state.iterations() * data.size());
}
BENCHMARK(BM_ReadStringLists)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
