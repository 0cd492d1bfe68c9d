// The designer window offscreen: opening Reports/J001.frf and showing it; a page of 2,000
// text objects repainted at 100 %, 200 selected objects dragged by the mouse (time per
// move, the repaint included), one undo and one redo, saving, and the memory 100 undo steps
// take on that page. Targets: open under 0.3 s, repaint under 16 ms, under 33 ms per mouse
// move, undo or redo under 50 ms, save under 100 ms, 100 steps under 100 MB.
#include <QApplication>
#include <QElapsedTimer>
#include <QScrollArea>
#include <QTemporaryDir>
#include <QTest>
#include <QUndoStack>
#include <benchmark/benchmark.h>
#include <malloc.h>

#include "report/designer/designer_canvas.h"
#include "report/designer/designer_document.h"
#include "report/designer/designer_window.h"
#include "report/eval/globals.h"
#include "report/model/memo_view.h"
#include "report/model/page.h"
#include "report/model/report.h"
#include "testkit/bench_main.h"
#include "testkit/memory.h"
#include "testkit/paths.h"

namespace {

double trimmedMB()
{
    malloc_trim(0);
    return testkit::residentMegabytes();
}

double msSince(const QElapsedTimer &t) { return double(t.nsecsElapsed()) / 1e6; }

// Settings and recovery files of the benchmark's own, not the user's.
struct Isolated {
    QTemporaryDir dir;
    Isolated()
    {
        frDesignerSettings().settingsFile = dir.filePath(QStringLiteral("designer.ini"));
        frDesignerSettings().recoveryFolder = dir.filePath(QStringLiteral("recovery"));
    }
    ~Isolated() { frDesignerSettings() = TfrDesignerSettings{}; }
};

void BM_OpenJournal(benchmark::State &state)
{
    Isolated isolated;
    const QString journal = testkit::builtPath(QStringLiteral("Reports/J001.frf"));
    // The widgets' own start-up (styles, fonts) is not the designer's cost.
    {
        TfrDesignerWindow warm;
        warm.show();
        QCoreApplication::processEvents();
    }
    for (auto _ : state) {
        QElapsedTimer t;
        t.start();
        TfrDesignerWindow w;
        w.resize(1366, 768);
        if (!w.OpenFile(journal)) {
            state.SkipWithError("J001.frf did not open");
            return;
        }
        w.show();
        QCoreApplication::processEvents();
        w.Canvas().repaint();
        state.counters["open_and_show_ms"] = msSince(t);
        state.counters["objects"] = double(w.Document().CurrentPage()->Objects.size());
    }
}
BENCHMARK(BM_OpenJournal)->Unit(benchmark::kMillisecond)->Iterations(1);

void fillPage(TfrDesignerDocument &doc, int count)
{
    TfrPage &page = *doc.CurrentPage();
    doc.Edit(QStringLiteral("fill"), [&] {
        for (int i = 0; i < count; ++i) {
            auto memo = std::make_unique<TfrMemoView>();
            memo->Name = QStringLiteral("Memo%1").arg(i + 1);
            // 20 columns of 100 rows, small enough to lie on one A4 page.
            memo->SetBounds(20 + (i % 20) * 34, 20 + (i / 20) * 10, 32, 9);
            memo->Memo = QStringList{QStringLiteral("Т%1").arg(i + 1)};
            page.Add(std::move(memo));
        }
    });
}

void BM_Page2000(benchmark::State &state)
{
    Isolated isolated;
    for (auto _ : state) {
        TfrDesignerWindow w;
        w.resize(1366, 768);
        w.show();
        TfrDesignerDocument &doc = w.Document();
        fillPage(doc, 2000);
        w.Canvas().SetZoom(100);
        QCoreApplication::processEvents();
        TfrDesignerCanvas &canvas = w.Canvas();

        // Repaint of what the scroll area shows: as it is, and after a change of the view
        // that draws every object again.
        canvas.repaint();
        QElapsedTimer t;
        t.start();
        constexpr int kRepaints = 20;
        for (int i = 0; i < kRepaints; ++i)
            canvas.repaint();
        state.counters["repaint_ms"] = msSince(t) / kRepaints;
        double full = 0;
        for (int i = 0; i < kRepaints; ++i) {
            canvas.SetShowGrid(i % 2 == 0);
            t.restart();
            canvas.repaint();
            full += msSince(t);
        }
        canvas.SetShowGrid(true);
        state.counters["repaint_all_ms"] = full / kRepaints;

        // 200 selected objects dragged by the first of them, a mouse move at a time.
        QList<TfrView *> selected;
        for (int i = 0; i < 200; ++i)
            selected.append(doc.CurrentPage()->Objects[size_t(i)].get());
        doc.SetSelection(selected);
        TfrView *grip = selected.front();
        const QPoint start =
            canvas.ToWidget(QPointF(grip->Left + grip->Width / 2.0, grip->Top + grip->Height / 2.0)).toPoint();
        const int stepsBefore = doc.UndoStack().count();
        QTest::mousePress(&canvas, Qt::LeftButton, Qt::NoModifier, start);
        constexpr int kMoves = 40;
        t.restart();
        for (int i = 1; i <= kMoves; ++i) {
            QTest::mouseMove(&canvas, start + QPoint(i * 3, i * 2));
            canvas.repaint();
        }
        state.counters["drag_move_ms"] = msSince(t) / kMoves;
        QTest::mouseRelease(&canvas, Qt::LeftButton, Qt::NoModifier, start + QPoint(kMoves * 3, kMoves * 2));
        state.counters["drag_steps"] = doc.UndoStack().count() - stepsBefore;
        state.counters["dragged_left"] = doc.CurrentPage()->Objects.front()->Left - 20;

        // One step of a single move, then its undo and redo.
        TfrView *one = doc.CurrentPage()->Objects[1000].get();
        doc.Edit(QStringLiteral("move"), [&] {
            doc.Report().SetObjectBounds(*one, one->Left + 4, one->Top, one->Width, one->Height);
        });
        t.restart();
        doc.UndoStack().undo();
        state.counters["undo_ms"] = msSince(t);
        t.restart();
        doc.UndoStack().redo();
        state.counters["redo_ms"] = msSince(t);
        // The document's part alone (restoring the template), without the widgets following it.
        {
            TfrDesignerDocument alone;
            fillPage(alone, 2000);
            TfrView *v = alone.CurrentPage()->Objects[1000].get();
            alone.Edit(QStringLiteral("move"), [&] {
                alone.Report().SetObjectBounds(*v, v->Left + 4, v->Top, v->Width, v->Height);
            });
            t.restart();
            alone.UndoStack().undo();
            state.counters["undo_document_ms"] = msSince(t);
            const TfrView *back = alone.CurrentPage()->Objects.size() == 2000 ? alone.CurrentPage()->Objects[1000].get() : nullptr;
            if (!back || back->Left != 20 + (1000 % 20) * 34)
                state.SkipWithError("undo did not give the template back");
        }

        // The structure tree follows a moment after a change: its rebuild over the page.
        t.restart();
        w.RefreshStructure();
        state.counters["structure_ms"] = msSince(t);

        QTemporaryDir dir;
        t.restart();
        doc.Save(dir.filePath(QStringLiteral("2000.frf")));
        state.counters["save_ms"] = msSince(t);

        // 100 steps on that page: what the history holds beyond the page itself.
        doc.UndoStack().clear();
        const double before = trimmedMB();
        for (int i = 0; i < 100; ++i) {
            TfrView *v = doc.CurrentPage()->Objects[size_t(i * 20)].get();
            doc.Edit(QStringLiteral("move"), [&] {
                doc.Report().SetObjectBounds(*v, v->Left, v->Top + 1, v->Width, v->Height);
            });
        }
        state.counters["history_100_MB"] = trimmedMB() - before;
        state.counters["history_steps"] = doc.UndoStack().count();
        state.counters["template_KB"] = double(doc.Snapshot().size()) / 1024.0;
        doc.SetSavedState();
    }
}
BENCHMARK(BM_Page2000)->Unit(benchmark::kMillisecond)->Iterations(1);

} // namespace

int main(int argc, char **argv) { return testkit::benchmarkMain<QApplication>(argc, argv); }
