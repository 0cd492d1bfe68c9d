// The report component: its life, and what it does with its prepared pages (the preview,
// printing, the prepared-report file, export). Preparation is in prepare.cpp; the page walk
// of a print job is the print library's (report/print/print_report.cpp).
#include "report/engine/report_builder.h"

#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <exception>

#include "report/engine/export_filter.h"
#include "report/engine/page_engine.h"
#include "report/engine/prepare.h"
#include "report/engine/prepared_file.h"
#include "report/eval/errors.h"
#include "report/eval/globals.h"
#include "report/eval/output_file.h"
#include "report/eval/strings.h"
#include "report/eval/swap_file.h"
#include "report/model/page.h"
#include "report/model/paper.h"
#include "report/model/report.h"

namespace {

// Page memory of a report while it is exported.
constexpr qint64 kExportPageMemory = 4LL << 20;

QString progressCaption(const QString &title)
{
    QString caption = frLoadStr(55203);
    if (!title.isEmpty())
        caption += QStringLiteral(" - ") + title;
    return caption;
}

} // namespace

TfrReportUi &frReportUi()
{
    static TfrReportUi ui;
    return ui;
}

TfrPrintRun &frPrintRun()
{
    static TfrPrintRun run;
    return run;
}

namespace {

// OnBeginPage of the report components whose template is being prepared.
void installBeginPageEvent()
{
    static bool installed = false;
    if (installed)
        return;
    installed = true;
    frPreparedPagesEvents().beginPage = [](TfrReport &report, int pageNo) {
        const TfrEngineState &e = frEngine();
        for (TfrReportBuilder *b : {e.current, e.master})
            if (b && &b->Report == &report && b->events.OnBeginPage) {
                b->events.OnBeginPage(pageNo);
                return;
            }
    };
}

} // namespace

TfrReportBuilder::TfrReportBuilder()
    : m_ownedTemplate(std::make_unique<TfrReport>()), Report(*m_ownedTemplate), EMFPages(&Report)
{
    installBeginPageEvent();
}

TfrReportBuilder::TfrReportBuilder(TfrReport &report) : Report(report), EMFPages(&report)
{
    installBeginPageEvent();
}

TfrReportBuilder::~TfrReportBuilder()
{
    if (frReportUi().reportDestroyed)
        frReportUi().reportDestroyed(*this);
    TfrEngineState &e = frEngine();
    if (e.current == this)
        e.current = nullptr;
    if (e.master == this)
        e.master = nullptr;
}


// ---- page setup ------------------------------------------------------------------------

void TfrReportBuilder::ApplyPageSetup(const TfrRect &margins)
{
    TfrPaperService &paper = frPaper();
    paper.Update();
    for (int i = 0; i < Report.PageCount(); ++i) {
        TfrPage *page = Report.Page(i);
        if (!page || page->PageType != ptReport)
            continue;
        page->pgMargins = {margins.Left * 18 / 500, margins.Top * 18 / 500, margins.Right * 18 / 500,
                           margins.Bottom * 18 / 500};
        page->ChangePaper(paper.curPaper, 0, 0, paper.curBin, paper.curOrientation);
    }
    PrepareReport();
}

// ---- preview ----------------------------------------------------------------------------

void TfrReportBuilder::ShowReport()
{
    PrepareReport();
    ShowPreparedReport();
}

void TfrReportBuilder::ShowPreparedReport()
{
    DocMode = dmPrinting;
    CurBand = nullptr;
    CurReport = MasterReport = &Report;
    if (EMFPages.GetCount() == 0)
        return;
    QString caption = frLoadStr(55207);
    if (!Title.isEmpty())
        caption += QStringLiteral(" - ") + Title;
    if (Preview) {
        Preview->Connect(this);
        return;
    }
    if (frReportUi().showPreview)
        frReportUi().showPreview(*this, caption);
    if (frProgressUi().processMessages)
        frProgressUi().processMessages();
}

void TfrReportBuilder::LoadPreparedReport(const QString &fileName)
{
    CurReport = MasterReport = &Report;
    frLoadPreparedReport(EMFPages, fileName);
    m_rebuildable = false;
}

void TfrReportBuilder::SavePreparedReport(const QString &fileName)
{
    frSavePreparedReport(EMFPages, fileName);
}

bool TfrReportBuilder::borrowPagesFromPreview()
{
    if (!Preview || EMFPages.GetCount() > 0)
        return false;
    Preview->Disconnect();
    return true;
}

// Runs work inside the progress window when it is wanted, else directly. An error raised
// by the work leaves the window's modal loop first and is raised again here.
void TfrReportBuilder::runWithProgress(const QString &firstPart, const QString &line,
                                       const std::function<void()> &work)
{
    m_progressFirstPart = firstPart;
    TfrProgressUi &ui = frProgressUi();
    if (!ShowProgress || !ui.installed()) {
        work();
        return;
    }
    std::exception_ptr failure;
    ui.showModal(Report, progressCaption(Title), line, [&] {
        try {
            work();
        } catch (...) {
            failure = std::current_exception();
            if (ui.setModalResult)
                ui.setModalResult(2);
        }
    });
    if (failure)
        std::rethrow_exception(failure);
}

// ---- printing ---------------------------------------------------------------------------

void TfrReportBuilder::PrintPreparedReportDlg()
{
    if (!frPaper().HasPlatformPrinters())
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
    if (!frPrintRun())
        throw EfrError(QStringLiteral("Нет принтера для печати"));
    frPrintRun()(*this, m_printSettings, [this](int pageNo) { InternalOnProgress(pageNo); });
    if (frProgressUi().setModalResult)
        frProgressUi().setModalResult(1);
}

// ---- export -----------------------------------------------------------------------------

void TfrReportBuilder::ExportTo(TfrExportFilter &filter, const QString &fileName)
{
    DocMode = dmPrinting;
    m_currentFilter = &filter;
    filter.FileName = fileName;
    filter.Title = Title.isEmpty() ? Report.DocInfo.name : Title;
    const bool borrowed = borrowPagesFromPreview();
    filter.EMFPages = &EMFPages;
    // An export reads each page once, and a filter may build its own copy of the report (the
    // workbook does): the pages wait in the swap file meanwhile and leave it their memory.
    EMFPages.SetMemoryBudget(std::min<qint64>(frMemoryLimits().pageMemory, kExportPageMemory));
    // The pages go back to the preview and the filter is forgotten also after an error.
    struct Restore {
        TfrReportBuilder &self;
        bool borrowed;
        ~Restore()
        {
            self.Report.exportDataHook = nullptr;
            self.Report.exportTextHook = nullptr;
            if (self.m_currentFilter)
                self.m_currentFilter->EMFPages = nullptr;
            self.EMFPages.SetMemoryBudget(-1);
            if (borrowed && self.Preview)
                self.Preview->Connect(&self);
            self.m_currentFilter = nullptr;
        }
    } restore{*this, borrowed};

    bool bContinue = true;
    if (filter.OnBeforeExport)
        filter.OnBeforeExport(filter.FileName, bContinue);
    if (!bContinue || filter.ShowModal() != 1)
        return;

    // The export goes into a new file that takes the target's place only when complete: a
    // failure or a kill half way leaves a file that was there as it was.
    TfrOutputFile file(filter.FileName);
    if (!file.open())
        throw EfrError(QStringLiteral("Не удается создать файл \"%1\": %2").arg(filter.FileName, file.errorString()));
    filter.Stream = &file;
    struct ForgetFile {
        TfrExportFilter &filter;
        ~ForgetFile() { filter.Stream = nullptr; }
    };
    {
        ForgetFile forget{filter};
        CurReport = MasterReport = &Report;
        frEngine().totalPages = EMFPages.GetCount();
        Report.exportDataHook = [&filter](TfrView *view) { filter.OnData(view->Left, view->Top, view); };
        Report.exportTextHook = [&filter](const TfrRect &innerRect, int x, int y, const QString &text,
                                          int frameTyp, TfrView *view) {
            filter.OnText(innerRect, x, y, text, frameTyp, view);
        };
        filter.OnBeginDoc();
        const QString firstPart = frLoadStr(55205);
        runWithProgress(firstPart, firstPart + QStringLiteral("  1"), [this] { ExportBeforeModal(); });
        // A filter that writes its file itself (the workbook) leaves the stream empty: an
        // existing file then waits for that filter instead of being emptied here.
        if (file.writtenSize() == 0 && QFileInfo(filter.FileName).isFile())
            file.close();
        else
            file.commit();
    }
    if (filter.OnAfterExport)
        filter.OnAfterExport(filter.FileName);
}

void TfrReportBuilder::ExportBeforeModal()
{
    TfrProgressUi &ui = frProgressUi();
    if (ui.processMessages)
        ui.processMessages();
    TfrExportFilter &filter = *m_currentFilter;
    for (int i = 0; i < EMFPages.GetCount(); ++i) {
        filter.OnBeginPage();
        if (!filter.OnWholePage(EMFPages, i))
            EMFPages.ExportData(i);
        InternalOnProgress(i + 1);
        if (ui.processMessages)
            ui.processMessages();
        filter.OnEndPage();
    }
    filter.OnEndDoc();
    if (ui.setModalResult)
        ui.setModalResult(1);
}
