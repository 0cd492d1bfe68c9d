// Prepared pages of a long journal: 100,000 rows of nine framed text cells, 40 rows to an
// A4 page (2,500 pages), written as the band engine writes them. Measured: the time to
// form, save and load them (loading reads every object once, to refuse a corrupt file),
// the time to draw every page once and release it (as a preview scrolling through), and
// the resident memory each step leaves. The target is to stay well under 300 MB for the
// whole report.
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <unistd.h>

#include "report/engine/prepared_file.h"
#include "report/engine/prepared_page_model.h"
#include "report/engine/prepared_pages.h"
#include "report/eval/globals.h"
#include "report/eval/stream.h"
#include "report/model/fr_globals.h"
#include "report/model/memo_view.h"
#include "report/model/paper.h"
#include "report/model/report.h"

namespace {

constexpr int kRows = 100000;
constexpr int kRowsPerPage = 40;
constexpr int kCells = 9;

double residentMB()
{
    long pages = 0, resident = 0;
    if (FILE *f = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2)
            resident = 0;
        std::fclose(f);
    }
    return double(resident) * double(sysconf(_SC_PAGESIZE)) / (1024.0 * 1024.0);
}

const int kWidths[kCells] = {50, 40, 180, 70, 60, 70, 90, 160, 120};

// The cells of one journal row, as the band engine writes a row of the data band.
void writeRow(TfrStream &page, int row, int top, TfrMemoView &cell)
{
    const QString texts[kCells] = {
        QString::number(row + 1),
        QString::number(row / 250 + 1),
        QStringLiteral("incoming_%1.pdf").arg(row, 6, 10, QChar(u'0')),
        QStringLiteral("12.03.2024 10:%1").arg(row % 60, 2, 10, QChar(u'0')),
        QString::number(1000 + (row * 37) % 90000),
        QStringLiteral("13.03.2024 09:15"),
        QStringLiteral("Иванова А. П."),
        QStringLiteral("Письмо о поставке оборудования № %1").arg(row % 977),
        QStringLiteral("Отдел снабжения; бухгалтерия"),
    };
    int left = 20;
    for (int c = 0; c < kCells; ++c) {
        cell.Name = QStringLiteral("Memo%1").arg(c + 1);
        cell.SetBounds(left, top, kWidths[c], 18);
        cell.expandedMemo = QStringList{texts[c]};
        cell.WriteTypeAndRecord(page);
        left += kWidths[c];
    }
}

void formJournal(TfrEMFPages &pages, TfrPage &templatePage)
{
    TfrMemoView cell;
    cell.inPreparedPage = true;
    cell.FrameTyp = 15;
    cell.Font.Name = QStringLiteral("Arial");
    cell.Font.Size = 8;
    for (int row = 0; row < kRows; ++row) {
        if (row % kRowsPerPage == 0) {
            PageNo = pages.Count();
            pages.Add(templatePage);
        }
        writeRow(pages[pages.Count() - 1].Stream(), row, 40 + (row % kRowsPerPage) * 18, cell);
    }
}

struct Journal {
    TfrReport report;
    TfrPage *templatePage = report.AddPage();
    TfrEMFPages pages{&report};

    Journal()
    {
        TfrPrnInfo info;
        frPaper().FillPrnInfo(info);
        frSetPrnInfo(*templatePage, info);
    }
};

void BM_FormJournalPages(benchmark::State &state)
{
    const double before = residentMB();
    double packedMB = 0, after = 0;
    for (auto _ : state) {
        Journal j;
        formJournal(j.pages, *j.templatePage);
        packedMB = double(j.pages.PackedBytes()) / (1024.0 * 1024.0);
        after = residentMB();
    }
    state.counters["pages"] = kRows / kRowsPerPage;
    state.counters["packed_MB"] = packedMB;
    state.counters["resident_growth_MB"] = after - before;
    state.counters["resident_MB"] = after;
}
BENCHMARK(BM_FormJournalPages)->Unit(benchmark::kMillisecond)->Iterations(1);

// Every page unpacked, drawn at preview size and released, one after another.
void BM_DrawEveryPageOnce(benchmark::State &state)
{
    Journal j;
    formJournal(j.pages, *j.templatePage);
    QImage image(595, 842, QImage::Format_ARGB32_Premultiplied);
    double peak = 0;
    for (auto _ : state) {
        for (int i = 0; i < j.pages.Count(); ++i) {
            TfrPageInfo &info = j.pages[i];
            info.keepUnpacked = true;
            {
                QPainter p(&image);
                j.pages.Draw(i, &p, image.rect());
            }
            info.keepUnpacked = false;
            j.pages.Draw(i, nullptr, QRect());
            if (i % 100 == 0)
                peak = std::max(peak, residentMB());
        }
    }
    state.counters["pages"] = j.pages.Count();
    state.counters["resident_peak_MB"] = peak;
    state.SetItemsProcessed(state.iterations() * j.pages.Count());
}
BENCHMARK(BM_DrawEveryPageOnce)->Unit(benchmark::kMillisecond)->Iterations(1);

// Saved to a file, the formed pages freed, then the file loaded as the preview opens it.
void BM_SaveAndLoadPreparedReport(benchmark::State &state)
{
    const QString file = QDir::temp().filePath(QStringLiteral("bench_prepared_pages.frp"));
    double fileMB = 0, saveMs = 0, before = 0, after = 0;
    for (auto _ : state) {
        state.PauseTiming();
        {
            Journal j;
            formJournal(j.pages, *j.templatePage);
            QElapsedTimer t;
            t.start();
            frSavePreparedReport(j.pages, file);
            saveMs = double(t.nsecsElapsed()) / 1e6;
        }
        fileMB = double(QFileInfo(file).size()) / (1024.0 * 1024.0);
        before = residentMB();
        state.ResumeTiming();
        TfrReport report;
        TfrEMFPages loaded(&report);
        frLoadPreparedReport(loaded, file);
        after = residentMB();
        benchmark::DoNotOptimize(loaded.Count());
    }
    QFile::remove(file);
    state.counters["file_MB"] = fileMB;
    state.counters["save_ms"] = saveMs;
    state.counters["resident_before_load_MB"] = before;
    state.counters["resident_after_load_MB"] = after;
}
BENCHMARK(BM_SaveAndLoadPreparedReport)->Unit(benchmark::kMillisecond)->Iterations(1);

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    frGlobals();
    DocMode = dmPrinting;
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
