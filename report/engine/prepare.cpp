#include "report/engine/prepare.h"

#include <QDateTime>

#include "report/engine/function_dispatch.h"
#include "report/engine/page_engine.h"
#include "report/eval/data_dictionary.h"
#include "report/eval/dataset.h"
#include "report/eval/datetime.h"
#include "report/eval/errors.h"
#include "report/eval/globals.h"
#include "report/eval/stream.h"
#include "report/eval/strings.h"
#include "report/eval/ui_hooks.h"
#include "report/model/model_context.h"
#include "report/model/page.h"
#include "report/model/report.h"

namespace {

constexpr int kMbIconError = 0x10;

// Value resolution with what only the running engine knows.
class TfrBuildValueContext : public TfrModelValueContext {
public:
    int TotalPages() const override { return frEngine().totalPages; }
    bool AggregatePrepMode() const override { return frEngine().aggregatePrepMode; }
};

// Scripts and functions reaching the bands being printed.
class TfrBuildRunContext : public TfrEngineRunContext {
public:
    void NewPage() override
    {
        if (CurBand)
            ++CurBand->pendingNewPages;
    }
    void NewColumn() override
    {
        if (CurBand)
            ++CurBand->pendingNewColumns;
    }
    void ShowBand(const QString &name) override
    {
        if (TfrPageEngine *e = frEngine().EngineOf(CurPage))
            e->ShowBandByName(name);
    }
    TfrAggregateBand *CurAggregateBand() const override { return CurBand; }
    TfrAggregateBand *AggregatePrepBand() const override { return frEngine().aggregatePrepBand; }
    void SetCurY(int value) override
    {
        TfrEngineRunContext::SetCurY(value);
        if (CurBand)
            CurBand->restoreY = true;
    }
    void ShowProgress(const QString &text) override
    {
        if (frProgressUi().setMessage)
            frProgressUi().setMessage(text);
    }
    void ProcessMessages() override
    {
        if (frProgressUi().processMessages)
            frProgressUi().processMessages();
    }
};

TfrBuildValueContext &valueContext()
{
    static TfrBuildValueContext c;
    return c;
}
TfrBuildRunContext &runContext()
{
    static TfrBuildRunContext c;
    return c;
}

void installContexts(TfrReportBuilder &rb)
{
    frInstallFunctionDispatch();
    TfrBuildRunContext &rc = runContext();
    rc.useDefaultDataSetName = rb.UseDefaultDataSetName;
    frSetRunContext(&rc);
    frSetValueContext(&valueContext());
}

bool finalPassOfTwo() { return MasterReport && MasterReport->DoublePassReport && MasterReport->FinalPass; }

TDateTime nowAsDateTime(bool dateOnly)
{
    const QDateTime now = QDateTime::currentDateTime();
    const double days = double(QDate(1899, 12, 30).daysTo(now.date()));
    if (dateOnly)
        return days;
    return now.time().msecsSinceStartOfDay() / 86400000.0;
}

} // namespace

TfrProgressUi &frProgressUi()
{
    static TfrProgressUi ui;
    return ui;
}

TfrDialogPageUi &frDialogPageUi()
{
    static TfrDialogPageUi ui;
    return ui;
}

TfrPageEngine *TfrReportBuilder::Engine(int pageIndex) const
{
    return pageIndex >= 0 && pageIndex < int(m_engines.size()) ? m_engines[size_t(pageIndex)].get() : nullptr;
}

bool TfrReportBuilder::PrepareReport()
{
    TfrEngineState &e = frEngine();
    if (!Report.PrinterName.isEmpty())
        Report.SetPrinterTo(Report.PrinterName);
    DocMode = dmPrinting;
    frValueState().reportDate = nowAsDateTime(true);
    frValueState().reportTime = nowAsDateTime(false);
    Report.Pages.RefreshObjects();
    CurPage = nullptr;
    CurBand = nullptr;
    CurView = nullptr;
    CurReport = MasterReport = &Report;
    e = TfrEngineState{};
    e.current = e.master = this;
    e.EMFPages = &EMFPages;
    m_plainDoublePass = Report.DoublePassReport;
    installContexts(*this);
    LastError.clear();

    // Scripts, dialog pages and the engine change the template; the snapshot undoes it.
    // An editor's listener hears none of it: the template ends as it began.
    TfrQuietChanges quiet(Report);
    std::vector<std::unique_ptr<TfrQuietChanges>> memberQuiet;
    TfrStream snapshot;
    Report.SaveToStream(snapshot);
    std::vector<std::unique_ptr<TfrStream>> memberSnapshots;
    if (auto *composite = dynamic_cast<TfrCompositeReportBuilder *>(this))
        for (TfrReportBuilder *r : composite->Reports) {
            if (&r->Report != &Report)
                memberQuiet.push_back(std::make_unique<TfrQuietChanges>(r->Report));
            memberSnapshots.push_back(std::make_unique<TfrStream>());
            r->Report.SaveToStream(*memberSnapshots.back());
            if (r->events.OnBeginDoc)
                r->events.OnBeginDoc();
        }
    if (events.OnBeginDoc)
        events.OnBeginDoc();

    bool result = false;
    try {
        result = DoPrepareReport();
    } catch (const EfrError &ex) {
        // Anything the bands did not catch still ends the preparation with a message.
        if (!ErrorFlag)
            frEngineError(ex.message());
        result = false;
    }
    if (events.OnEndDoc)
        events.OnEndDoc();
    const bool failed = ErrorFlag;
    const QString errorText = ErrorStr;

    m_engines.clear();
    e.engines.clear();
    CurView = nullptr;
    CurBand = nullptr;
    CurPage = nullptr;
    snapshot.seek(0);
    Report.LoadFromStream(snapshot);
    if (auto *composite = dynamic_cast<TfrCompositeReportBuilder *>(this))
        for (size_t i = 0; i < composite->Reports.size(); ++i) {
            TfrReportBuilder *r = composite->Reports[i];
            if (r->events.OnEndDoc)
                r->events.OnEndDoc();
            memberSnapshots[i]->seek(0);
            r->Report.LoadFromStream(*memberSnapshots[i]);
        }
    CurReport = MasterReport = &Report;

    Report.FinalPass = false;
    if (e.dialogCancelled)
        result = false;
    if (failed) {
        // An error is never a successful preparation.
        result = false;
        LastError = errorText;
        ErrorFlag = true;
        ErrorStr = errorText;
        if (ShowErrorBox)
            frMessageBox(errorText, frLoadStr(55206), kMbIconError);
        EMFPages.Clear();
    } else if (e.dialogCancelled) {
        EMFPages.Clear();
    }
    if (Report.Terminated)
        result = false;
    DisableDrawing = false;
    CurBand = nullptr;
    return result;
}

bool TfrReportBuilder::DoPrepareReport()
{
    TfrEngineState &e = frEngine();
    TfrProgressUi &ui = frProgressUi();
    Report.Terminated = false;
    e.appendToPrevious = false;
    DisableDrawing = false;
    Report.FinalPass = true;
    PageNo = 0;
    EMFPages.Clear();
    QString caption = frLoadStr(55203);
    if (!Title.isEmpty())
        caption += QStringLiteral(" - ") + Title;
    const bool window = !events.OnProgress && ShowProgress && ui.installed();
    bool result = true;

    if (Report.DoublePassReport) {
        DisableDrawing = true;
        Report.FinalPass = false;
        m_progressFirstPart = frLoadStr(55204);
        if (!window) {
            BuildBeforeModal();
        } else {
            const int r = ui.showModal(Report, caption, m_progressFirstPart + QStringLiteral("  1"),
                                       [this] { BuildBeforeModal(); });
            result = r != 2;
        }
        return result;
    }
    m_progressFirstPart = frLoadStr(55205);
    if (!window) {
        Report.DoublePassReport = m_plainDoublePass;
        if (!m_plainDoublePass)
            e.totalPages = 0;
        BuildBeforeModal();
        return true;
    }
    if (ui.setLine)
        ui.setLine(m_progressFirstPart + QStringLiteral("  1"));
    if (m_plainDoublePass) {
        Report.DoublePassReport = true;
        BuildBeforeModal();
        return true;
    }
    e.totalPages = 0;
    const int r = ui.showModal(Report, caption, m_progressFirstPart + QStringLiteral("  1"),
                               [this] { BuildBeforeModal(); });
    return r != 2;
}

void TfrReportBuilder::BuildBeforeModal()
{
    TfrEngineState &e = frEngine();
    TfrProgressUi &ui = frProgressUi();
    try {
        DoBuildReport();
    } catch (const EfrError &ex) {
        if (!ErrorFlag)
            frEngineError(ex.message());
    }
    if (Report.FinalPass) {
        if (ui.setModalResult)
            ui.setModalResult(Report.Terminated ? 2 : 1);
        return;
    }
    e.totalPages = EMFPages.GetCount();
    Report.DoublePassReport = false;
    if (Report.Terminated) {
        EMFPages.Clear();
        if (ui.setModalResult)
            ui.setModalResult(2);
    } else {
        DoPrepareReport();
    }
    Report.DoublePassReport = true;
}

void TfrReportBuilder::beginBuild()
{
    if (frProgressUi().processMessages)
        frProgressUi().processMessages();
    DocMode = dmPrinting;
    CurReport = &Report;
    frEngine().current = this;
    Report.Dictionary().ClearCache();
    installContexts(*this);
    ErrorFlag = false;
    ErrorStr.clear();
}

void TfrReportBuilder::DoBuildReport()
{
    TfrEngineState &e = frEngine();
    m_rebuildable = true;
    beginBuild();
    const bool multiple = Report.Dataset && ReportType == rtMultiple;
    if (multiple) {
        Report.Dataset->Init();
        Report.Dataset->First();
    }
    if (m_engines.empty() || int(m_engines.size()) != Report.PageCount()) {
        m_engines.clear();
        for (int i = 0; i < Report.PageCount(); ++i)
            m_engines.push_back(std::make_unique<TfrPageEngine>(*Report.Page(i), i));
    }
    e.engines.clear();
    for (auto &eng : m_engines)
        e.engines.push_back(eng.get());
    if (!finalPassOfTwo()) {
        e.hookList.clear();
        for (auto &eng : m_engines)
            eng->isSubReportPage = false;
        e.dialogCancelled = false;
    }

    for (auto &eng : m_engines) {
        if (eng->Page.PageType != ptDialog)
            continue;
        eng->InitPage();
        if (e.dialogCancelled)
            break;
    }
    if (!e.dialogCancelled) {
        for (auto &eng : m_engines)
            if (eng->Page.PageType == ptReport)
                eng->InitPage();
        for (auto &eng : m_engines)
            if (eng->Page.PageType == ptReport)
                eng->PrepareObjects();
        buildPages();
    }
    donePages();
    if (multiple)
        Report.Dataset->Exit();
}

void TfrReportBuilder::buildPages()
{
    TfrEngineState &e = frEngine();
    const bool multiple = Report.Dataset && ReportType == rtMultiple;
    const int count = int(m_engines.size());
    for (;;) {
        if (MasterReport->Terminated)
            break;
        InternalOnProgress(PageNo + 1);
        for (int j = 0; j < count; ++j) {
            TfrPageEngine &eng = *m_engines[size_t(j)];
            TfrPage &page = eng.Page;
            CurPage = &page;
            if (!page.Visible)
                eng.DoScript(page.scriptLines);
            if (!eng.isSubReportPage && page.PageType == ptReport && page.Visible) {
                eng.mode = pmNormal;
                eng.FormPage();
                e.appendToPrevious = false;
                const bool last = j == count - 1;
                const bool appendNext =
                    (last && e.compositeAppendNext && (!multiple || Report.Dataset->Eof())) ||
                    (!last && Report.Page(j + 1)->PrintToPrevPage);
                if (appendNext) {
                    --PageNo;
                    e.appendToPrevious = true;
                } else {
                    PageNo = e.EMFPages->GetCount();
                    InternalOnProgress(PageNo);
                }
            }
            if (MasterReport->Terminated)
                break;
        }
        InternalOnProgress(PageNo);
        if (multiple)
            Report.Dataset->Next();
        if (MasterReport->Terminated || !multiple || Report.Dataset->Eof())
            break;
    }
}

void TfrReportBuilder::donePages()
{
    for (auto &eng : m_engines)
        if (eng->Page.PageType == ptReport)
            eng->DonePage();
    for (auto &eng : m_engines)
        if (eng->Page.PageType == ptDialog)
            eng->DonePage();
}

void TfrReportBuilder::InternalOnProgress(int n)
{
    if (events.OnProgress) {
        events.OnProgress(n);
        return;
    }
    TfrProgressUi &ui = frProgressUi();
    if (!ShowProgress || !ui.installed())
        return;
    QString line = m_progressFirstPart + QStringLiteral("  ") + QString::number(n);
    if (finalPassOfTwo() || m_currentFilter)
        line += QLatin1Char(' ') + frLoadStr(55199) + QLatin1Char(' ') + QString::number(frEngine().totalPages);
    if (ui.setLine)
        ui.setLine(line);
    if (ui.processMessages)
        ui.processMessages();
}

void TfrReportBuilder::InternalOnBeginColumn(TfrBand *band)
{
    if (events.OnBeginColumn)
        events.OnBeginColumn(band);
}

void TfrReportBuilder::InternalOnPrintColumn(int colNo, int &width)
{
    if (events.OnPrintColumn)
        events.OnPrintColumn(colNo, width);
}

// ---- composite reports -------------------------------------------------------------------

TfrCompositeReportBuilder::TfrCompositeReportBuilder(TfrReport &report) : TfrReportBuilder(report) {}

void TfrCompositeReportBuilder::DoBuildReport()
{
    TfrEngineState &e = frEngine();
    m_rebuildable = true;
    PageNo = 0;
    TfrDataset *ds = Report.Dataset;
    if (ds) {
        ds->Init();
        ds->First();
    }
    for (;;) {
        for (size_t i = 0; i < Reports.size(); ++i) {
            TfrReportBuilder &r = *Reports[i];
            TfrStream snapshot;
            if (ds)
                r.Report.SaveToStream(snapshot);
            e.compositeAppendNext = false;
            if (i + 1 < Reports.size()) {
                TfrReport &next = Reports[i + 1]->Report;
                TfrPage *first = next.Page(0);
                if (first && first->PrintToPrevPage) {
                    e.compositeAppendNext = true;
                    int size = 0, orientation = 0;
                    if (EMFPages.GetCount() == 0) {
                        if (TfrPage *last = r.Report.Page(r.Report.PageCount() - 1)) {
                            size = last->pgSize;
                            orientation = last->pgOr;
                        }
                    } else {
                        const TfrPageInfo &p = EMFPages[EMFPages.GetCount() - 1];
                        size = p.paperSize;
                        orientation = p.orientation;
                    }
                    if (first->pgSize != size || first->pgOr != orientation)
                        e.compositeAppendNext = false;
                }
            }
            // The member writes into the composite's pages: the composite stays the master.
            r.Report.DoublePassReport = Report.DoublePassReport;
            r.Report.FinalPass = Report.FinalPass;
            r.Report.Terminated = false;
            r.DoBuildReport();
            e.current = this;
            CurReport = &Report;
            if (r.Report.Terminated)
                Report.Terminated = true;
            if (ds) {
                r.m_engines.clear();
                snapshot.seek(0);
                r.Report.LoadFromStream(snapshot);
            }
            e.appendToPrevious = e.compositeAppendNext;
            e.compositeAppendNext = false;
            if (Report.Terminated)
                break;
        }
        if (!ds || Report.Terminated)
            break;
        ds->Next();
        if (ds->Eof())
            break;
    }
    if (ds)
        ds->Exit();
}
