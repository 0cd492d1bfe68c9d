#include "report/print/print_report.h"

#include <QPainter>
#include <cmath>

#include "report/engine/prepare.h"
#include "report/eval/errors.h"
#include "report/eval/strings.h"
#include "report/model/report.h"
#include "report/print/page_range.h"
#include "report/print/printer.h"

namespace {

int roundDiv(double a, double b) { return b == 0 ? 0 : int(std::lround(a / b)); }

// Where a prepared page lands on the printer's canvas (origin at the printable area).
QRect printTarget(const TfrPageInfo &info)
{
    const TfrPrnInfo &p = info.prnInfo;
    if (info.applyMargins)
        return QRect(-p.offsetXPx, -p.offsetYPx, p.paperWidthPx, p.paperHeightPx);
    const int left = roundDiv(double(info.margins.Left) * p.printWidthPx, p.printWidthU);
    const int top = roundDiv(double(info.margins.Top) * p.printHeightPx, p.printHeightU);
    const int right = p.printWidthPx - roundDiv(double(info.margins.Right) * p.printWidthPx, p.printWidthU);
    const int bottom = p.printHeightPx - roundDiv(double(info.margins.Bottom) * p.printHeightPx, p.printHeightU);
    return QRect(left, top, right - left, bottom - top);
}

} // namespace

void frPrintPreparedPages(TfrReportBuilder &report, const TfrPrintSettings &settings,
                          const std::function<void(int pageNo)> &pagePrinted)
{
    TfrEMFPages &EMFPages = report.EMFPages;
    int copies = settings.copies;
    const bool collate = settings.collate;
    TfrPlatformPrinters *platform = frPlatformPrinters();
    Prn.SetPrinter(platform);
    if (!platform || Prn.IsVirtual())
        throw EfrError(QStringLiteral("Нет принтера для печати"));
    const TfrPageRange pageRange = TfrPageRange::FromText(settings.range);
    pageRange.ThrowIfInvalid();
    const std::vector<bool> wanted = pageRange.Membership(EMFPages.GetCount());
    if (copies < 1)
        copies = 1;
    if (EMFPages.GetCount() == 0)
        return;

    TfrPageInfo &first = EMFPages[0];
    Prn.SetPrinterInfo(first.paperSize, first.paperWidth, first.paperHeight, first.paperBin, first.Orientation(), true);
    Prn.FillPrnInfo(first.prnInfo);
    const QString title = report.Title.isEmpty() ? frLoadStr(55209) : report.Title;
    if (report.events.OnPrintReport)
        report.events.OnPrintReport();
    const int jobCopies = collate ? 1 : copies;
    const int passes = collate ? copies : 1;

    // A job starts with the first page that prints, so a range naming no page prints nothing.
    QPainter *canvas = nullptr;
    bool aborted = false;
    struct JobGuard {
        TfrPlatformPrinters &platform;
        QPainter *&canvas;
        ~JobGuard()
        {
            if (canvas)
                platform.Abort(); // an error left the job open: nothing of it prints
        }
    } guard{*platform, canvas};

    for (int pass = 0; pass < passes && !aborted; ++pass) {
        for (int i = 0; i < EMFPages.GetCount(); ++i) {
            const int pageNo = i + 1;
            if (!wanted[size_t(pageNo)])
                continue;
            if ((settings.printPages == frOdd && pageNo % 2 == 0) ||
                (settings.printPages == frEven && pageNo % 2 == 1))
                continue;
            TfrPageInfo &info = EMFPages[i];
            const bool samePaper = Prn.IsEqual(info.paperSize, info.paperWidth, info.paperHeight, info.paperBin,
                                               info.Orientation());
            if (canvas && samePaper) {
                platform->NewPage();
            } else {
                if (canvas) {
                    canvas = nullptr;
                    platform->EndDoc();
                }
                Prn.SetPrinterInfo(info.paperSize, info.paperWidth, info.paperHeight, info.paperBin,
                                   info.Orientation(), true);
                canvas = platform->BeginDoc(title, jobCopies);
            }
            Prn.FillPrnInfo(info.prnInfo);
            info.keepUnpacked = true;
            try {
                EMFPages.Draw(i, canvas, printTarget(info));
            } catch (...) {
                info.keepUnpacked = false;
                EMFPages.Release(i);
                throw;
            }
            info.keepUnpacked = false;
            EMFPages.Draw(i, canvas, QRect());
            pagePrinted(pageNo);
            if (frProgressUi().processMessages)
                frProgressUi().processMessages();
            if (report.Report.Terminated) {
                canvas = nullptr;
                platform->Abort();
                aborted = true;
                break;
            }
        }
    }
    if (canvas) {
        canvas = nullptr;
        platform->EndDoc();
    }
}

void frInstallPrintRun() { frPrintRun() = frPrintPreparedPages; }
