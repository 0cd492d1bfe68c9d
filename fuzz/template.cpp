// Loads arbitrary bytes as a report template from memory. A refused template is the
// expected outcome of most inputs; crashes, hangs and sanitizer reports are the findings.
// Whatever loads must save and load again to the same bytes.
#include <QByteArray>
#include <QGuiApplication>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "report/eval/stream.h"
#include "report/eval/ui_hooks.h"
#include "report/model/fr_globals.h"
#include "report/model/paper.h"
#include "report/model/report.h"

namespace {

QByteArray saved(TfrReport &report)
{
    report.StampLastChange = false;
    TfrStream s;
    report.SaveToStream(s);
    return s.data();
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // Never destroyed: at exit the engine's statics would go after it in no set order.
    new QGuiApplication(*argc, *argv);
    frGlobals();
    frUiHooks().MessageBox = [](const QString &, const QString &, int) { return 1; };
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    // Pages take their paper from the printer; every input starts from the same printer.
    frPaper().curPaper = -1;
    TfrReport report;
    TfrStream stream(QByteArray(reinterpret_cast<const char *>(data), qsizetype(size)));
    if (!report.LoadFromStream(stream))
        return 0;

    QByteArray first;
    try {
        first = saved(report);
    } catch (const EfrError &) {
        return 0; // a text too long for its record is refused on saving, by design
    }
    frPaper().curPaper = -1;
    TfrReport again;
    TfrStream copy(first);
    if (!again.LoadFromStream(copy) || saved(again) != first)
        abort();
    return 0;
}
