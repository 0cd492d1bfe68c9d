// Reads arbitrary bytes as a prepared-report file, then does with the pages what the
// preview and printing do: unpack, draw, hit-test, repack, release, save. A file that
// loads must save, load and save again to the same bytes. Errors are the expected
// outcome of most inputs; crashes, hangs, sanitizer reports and a broken round trip are
// the findings.
#include <QBrush>
#include <QByteArray>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <cstddef>
#include <cstdlib>
#include <cstdint>
#include <memory>

#include "report/engine/prepared_pages.h"
#include "report/eval/errors.h"
#include "report/eval/globals.h"
#include "report/eval/stream.h"
#include "report/model/fr_globals.h"
#include "report/model/memo_view.h"

namespace {

QByteArray saved(const TfrEMFPages &pages)
{
    TfrStream s;
    pages.SaveToStream(s);
    return s.data();
}

} // namespace

// fontconfig keeps its caches for the life of the process.
extern "C" const char *__lsan_default_suppressions() { return "leak:libfontconfig\n"; }

std::unique_ptr<QGuiApplication> gApp;

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    gApp = std::make_unique<QGuiApplication>(*argc, *argv);
    frGlobals();
    // Measure once, so that the text layout's caches exist before the handler below is
    // registered: the engine's services then end (with the application) while they live.
    {
        TfrMemoView memo;
        memo.SetBounds(0, 0, 50, 20);
        memo.Memo = QStringList{QStringLiteral("x")};
        QImage image(8, 8, QImage::Format_ARGB32_Premultiplied);
        QPainter p(&image);
        memo.Draw(&p);
        // Qt's pattern brushes keep their images in a cache made on first use; made after
        // the handler below, it would go before the application and take it down at exit.
        for (int style = Qt::Dense1Pattern; style <= Qt::DiagCrossPattern; ++style)
            p.fillRect(image.rect(), QBrush(Qt::black, Qt::BrushStyle(style)));
    }
    std::atexit([] { gApp.reset(); });
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    ErrorFlag = false;
    ErrorStr.clear();
    TfrEMFPages pages(nullptr);
    TfrStream in(QByteArray(reinterpret_cast<const char *>(data), qsizetype(size)));
    try {
        pages.LoadFromStream(in);
    } catch (const EfrError &) {
        if (pages.Count() != 0)
            __builtin_trap(); // a failed load leaves no pages behind
        return 0;
    }

    const QByteArray first = saved(pages);
    {
        TfrEMFPages again(nullptr);
        TfrStream s(first);
        again.LoadFromStream(s);
        if (saved(again) != first)
            __builtin_trap();
    }

    QImage image(48, 64, QImage::Format_ARGB32_Premultiplied);
    const int shown = std::min(pages.Count(), 3);
    for (int i = 0; i < shown; ++i) {
        TfrPageInfo &info = pages[i];
        info.keepUnpacked = true;
        try {
            {
                QPainter p(&image);
                pages.Draw(i, &p, QRect(0, 0, 48, 64));
            }
            QString text;
            Qt::CursorShape cursor = Qt::ArrowCursor;
            pages.DoClick(i, QPoint(3, 3), text, cursor, false);
            pages.DoClick(i, QPoint(20, 30), text, cursor, true);
            pages.PageToObjects(i);
        } catch (const EfrError &) {
        }
        info.keepUnpacked = false;
        pages.Draw(i, nullptr, QRect());
        if (pages.Unpacked(i))
            __builtin_trap();
    }
    try {
        (void)saved(pages);
    } catch (const EfrError &) {
    }
    CurPage = nullptr;
    CurView = nullptr;
    DocMode = dmDesigning;
    return 0;
}
