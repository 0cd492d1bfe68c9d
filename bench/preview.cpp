// The preview window opened offscreen on the journal prepared over 100,000 rows in SQLite:
// the time from connecting the prepared pages to the first page painted, the time to jump
// to the last page (Ctrl+End) and paint it, and the resident memory while the preview is
// open beside the memory the prepared report takes by itself. Targets: first page under
// 0.5 s, last page under 0.2 s, memory within 20 % of the prepared report's.
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <malloc.h>
#include <unistd.h>

#include "report/engine/prepare.h"
#include "report/engine/prepared_page_model.h"
#include "report/engine/prepared_pages.h"
#include "report/eval/db_dataset.h"
#include "report/eval/globals.h"
#include "report/eval/table_cursor.h"
#include "report/model/fr_globals.h"
#include "report/model/memo_view.h"
#include "report/model/report.h"
#include "report/print/printer.h"
#include "report/ui/preview_form.h"
#include "testkit/bench_main.h"
#include "testkit/journal_data.h"
#include "testkit/memory.h"
#include "testkit/paths.h"

namespace {

constexpr int kRows = 100000;

// Freed memory goes back to the system, so resident sizes compare what is held.
double trimmedMB()
{
    malloc_trim(0);
    return testkit::residentMegabytes();
}

void BM_PreviewJournal100k(benchmark::State &state)
{
    QSqlDatabase db = testkit::journalDatabase(kRows);

    // The widgets' own start-up (styles, fonts) is not the preview's cost: warm it up.
    {
        TfrPreviewForm warm;
        warm.show();
        QCoreApplication::processEvents();
    }

    for (auto _ : state) {
        const double before = trimmedMB();
        QObject owner;
        auto *cursor = new TfrTableCursor(&owner);
        cursor->setDatabase(db);
        cursor->setTableName(QStringLiteral("Temp"));
        cursor->Open();
        auto *dataSet = new TfrDBDataSet(&owner);
        dataSet->setObjectName(QStringLiteral("frDBDataSet1"));
        dataSet->SetDataSet(cursor);

        TfrReportBuilder builder;
        builder.Report.Owner = &owner;
        builder.Report.Dataset = dataSet;
        builder.ShowErrorBox = false;
        builder.ShowProgress = false;
        testkit::loadJournalTemplate(builder.Report);
        if (!builder.PrepareReport()) {
            state.SkipWithError(builder.LastError.toStdString().c_str());
            return;
        }
        // The rows go; the prepared report stays.
        cursor->Close();
        const double prepared = trimmedMB();
        const int pages = builder.EMFPages.Count();
        const double packedMB = double(builder.EMFPages.PackedBytes()) / (1024.0 * 1024.0);

        QElapsedTimer t;
        t.start();
        TfrPreviewForm form;
        form.resize(1280, 1024);
        form.Connect(&builder);
        form.InitButtons();
        form.RedrawAll(true);
        form.show();
        QCoreApplication::processEvents();
        form.PBox->repaint();
        const double firstMs = double(t.nsecsElapsed()) / 1e6;
        double peak = testkit::residentMegabytes();
        const bool firstShown = form.Pages()->Unpacked(0) != nullptr;

        t.restart();
        form.FormKeyDown(Qt::Key_End, Qt::ControlModifier);
        form.PBox->repaint();
        const double lastMs = double(t.nsecsElapsed()) / 1e6;
        peak = std::max(peak, testkit::residentMegabytes());
        const bool lastShown = form.Pages()->Unpacked(pages - 1) != nullptr;

        // Scrolling back through a stretch of pages, as an operator paging up does.
        t.restart();
        for (int i = 0; i < 50; ++i) {
            form.FormKeyDown(Qt::Key_PageUp, Qt::ControlModifier);
            form.PBox->repaint();
            peak = std::max(peak, testkit::residentMegabytes());
        }
        const double pageUpMs = double(t.nsecsElapsed()) / 1e6 / 50;
        int unpacked = 0;
        for (int i = 0; i < pages; ++i)
            unpacked += form.Pages()->Unpacked(i) != nullptr;

        state.counters["pages"] = pages;
        state.counters["packed_MB"] = packedMB;
        state.counters["first_page_ms"] = firstMs;
        state.counters["last_page_ms"] = lastMs;
        state.counters["page_up_ms"] = pageUpMs;
        state.counters["report_MB"] = prepared - before;
        state.counters["with_preview_MB"] = peak - before;
        state.counters["preview_vs_report"] = (peak - before) / std::max(1.0, prepared - before);
        state.counters["unpacked_pages"] = unpacked;
        if (!firstShown || !lastShown)
            state.SkipWithError("a page was not painted");
        form.ConnectBack();
        CurReport = MasterReport = nullptr;
        CurPage = nullptr;
    }
    db.close();
}
BENCHMARK(BM_PreviewJournal100k)->Unit(benchmark::kMillisecond)->Iterations(1);

// Prepared pages of forty framed cells each, written straight into the list: the preview's
// own costs over 10,000 and 100,000 pages. Layout (FormResize) is timed alone to show it
// grows in step with the pages.
void BM_PreviewManyPages(benchmark::State &state)
{
    const int count = int(state.range(0));
    for (auto _ : state) {
        TfrReportBuilder builder;
        TfrPage *templatePage = builder.Report.AddPage();
        TfrPrnInfo info;
        Prn.FillPrnInfo(info);
        frSetPrnInfo(*templatePage, info);
        CurReport = &builder.Report;
        TfrMemoView cell;
        cell.inPreparedPage = true;
        cell.FrameTyp = 15;
        for (int p = 0; p < count; ++p) {
            PageNo = p;
            builder.EMFPages.Add(*templatePage);
            TfrStream &stream = builder.EMFPages[p].Stream();
            for (int row = 0; row < 40; ++row) {
                cell.SetBounds(40, 40 + row * 18, 300, 18);
                cell.expandedMemo = QStringList{QStringLiteral("Страница %1, строка %2").arg(p + 1).arg(row + 1)};
                cell.WriteTypeAndRecord(stream);
            }
        }

        QElapsedTimer t;
        t.start();
        TfrPreviewForm form;
        form.resize(1280, 1024);
        form.Connect(&builder);
        form.InitButtons();
        form.RedrawAll(true);
        form.show();
        QCoreApplication::processEvents();
        form.PBox->repaint();
        const double firstMs = double(t.nsecsElapsed()) / 1e6;

        t.restart();
        form.FormResize();
        const double layoutMs = double(t.nsecsElapsed()) / 1e6;

        t.restart();
        form.FormKeyDown(Qt::Key_End, Qt::ControlModifier);
        form.PBox->repaint();
        const double lastMs = double(t.nsecsElapsed()) / 1e6;

        int unpacked = 0;
        for (int i = 0; i < count; ++i)
            unpacked += form.Pages()->Unpacked(i) != nullptr;
        state.counters["pages"] = count;
        state.counters["first_page_ms"] = firstMs;
        state.counters["layout_ms"] = layoutMs;
        state.counters["last_page_ms"] = lastMs;
        state.counters["unpacked_pages"] = unpacked;
        form.ConnectBack();
        CurReport = MasterReport = nullptr;
        CurPage = nullptr;
    }
}
BENCHMARK(BM_PreviewManyPages)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->Iterations(1);

} // namespace

int main(int argc, char **argv) { return testkit::benchmarkMain<QApplication>(argc, argv); }
