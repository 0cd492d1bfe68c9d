// Printing of prepared pages: the page-range text, copies and collation, odd and even
// pages, and a paper change starting a new print job.
#include <QPainter>
#include <cmath>

#include "report/engine/page_engine.h"
#include "report/engine/page_range.h"
#include "report/engine/prepare.h"
#include "report/engine/printer.h"
#include "report/eval/errors.h"
#include "report/eval/globals.h"
#include "report/eval/strings.h"
#include "report/model/report.h"

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

void TfrReportBuilder::PrintPreparedReportDlg()
{
    if (!Prn.HasPlatformPrinters())
        return;
    if (Preview) {
        Preview->Print();
        return;
    }
    TfrPrintSettings settings;
    if (!AskPrintSettings(settings))
        return;
    PrintPreparedReport(settings.range, settings.copies, settings.collate, settings.printPages);
}

bool TfrReportBuilder::AskPrintSettings(TfrPrintSettings &settings)
{
    settings.copies = DefaultCopies;
    settings.collate = DefaultCollate;
    if (!ShowPrintDialog)
        return true;
    return frReportUi().printDialog && frReportUi().printDialog(*this, settings);
}

bool TfrReportBuilder::RebuildForPrinter(int oldPrinter, int newPrinter)
{
    if (!Report.ChangePrinter(oldPrinter, newPrinter))
        return false;
    PrepareReport();
    return true;
}

void TfrReportBuilder::PrintPreparedReport(const QString &range, int copies, bool collate, TfrPrintPages printPages)
{
    CurReport = MasterReport = &Report;
    Report.Terminated = false;
    m_printSettings = {range, copies, collate, printPages};
    const bool borrowed = borrowPagesFromPreview();
    struct GiveBack {
        TfrReportBuilder &self;
        bool borrowed;
        ~GiveBack()
        {
            if (borrowed && self.Preview)
                self.Preview->Connect(&self);
        }
    } giveBack{*this, borrowed};

    if (events.OnProgress || !ShowProgress || !frProgressUi().installed()) {
        // Hover feedback makes no sense while the pages print.
        auto mouseOver = std::move(events.OnMouseOverObject);
        events.OnMouseOverObject = nullptr;
        struct Restore {
            TfrReportEvents &events;
            std::function<void(TfrView &, Qt::CursorShape &)> saved;
            ~Restore() { events.OnMouseOverObject = std::move(saved); }
        } restore{events, std::move(mouseOver)};
        m_progressFirstPart = frLoadStr(55208);
        PrintBeforeModal();
        return;
    }
    const QString firstPart = frLoadStr(55208);
    runWithProgress(firstPart, firstPart, [this] { PrintBeforeModal(); });
}

void TfrReportBuilder::PrintBeforeModal()
{
    DoPrintReport(m_printSettings.range, m_printSettings.copies, m_printSettings.collate, m_printSettings.printPages);
    if (frProgressUi().setModalResult)
        frProgressUi().setModalResult(1);
}

void TfrReportBuilder::DoPrintReport(const QString &range, int copies, bool collate, TfrPrintPages printPages)
{
    TfrPlatformPrinters *platform = frPlatformPrinters();
    Prn.SetPrinter(platform);
    if (!platform || Prn.IsVirtual())
        throw EfrError(QStringLiteral("Нет принтера для печати"));
    const TfrPageRange pageRange = TfrPageRange::FromText(range);
    pageRange.ThrowIfInvalid();
    const std::vector<bool> wanted = pageRange.Membership(EMFPages.GetCount());
    if (copies < 1)
        copies = 1;
    if (EMFPages.GetCount() == 0)
        return;

    TfrPageInfo &first = EMFPages[0];
    Prn.SetPrinterInfo(first.paperSize, first.paperWidth, first.paperHeight, first.paperBin, first.Orientation(), true);
    Prn.FillPrnInfo(first.prnInfo);
    const QString title = Title.isEmpty() ? frLoadStr(55209) : Title;
    if (events.OnPrintReport)
        events.OnPrintReport();
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
            if ((printPages == frOdd && pageNo % 2 == 0) || (printPages == frEven && pageNo % 2 == 1))
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
            InternalOnProgress(pageNo);
            if (frProgressUi().processMessages)
                frProgressUi().processMessages();
            if (Report.Terminated) {
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
