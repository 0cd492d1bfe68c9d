#include "report/engine/page_engine.h"

#include <algorithm>

#include "report/engine/prepare.h"
#include "report/eval/components.h"
#include "report/eval/data_dictionary.h"
#include "report/eval/db_dataset.h"
#include "report/eval/errors.h"
#include "report/eval/globals.h"
#include "report/eval/interpreter.h"
#include "report/eval/parser.h"
#include "report/eval/variant_ops.h"
#include "report/model/fr_globals.h"
#include "report/model/memo_view.h"
#include "report/model/page.h"
#include "report/model/report.h"
#include "report/model/subreport_view.h"

namespace {

constexpr int kMaxBandsOfOneType = 64;
constexpr int kMaxDeferred = 100;

struct LevelTypes {
    TfrBandType header, data, footer;
};
constexpr LevelTypes kLevels[3] = {
    {btMasterHeader, btMasterData, btMasterFooter},
    {btDetailHeader, btDetailData, btDetailFooter},
    {btSubDetailHeader, btSubDetailData, btSubDetailFooter},
};

bool finalPassOfTwo()
{
    return MasterReport && MasterReport->DoublePassReport && MasterReport->FinalPass;
}
bool firstPassOfTwo()
{
    return MasterReport && MasterReport->DoublePassReport && !MasterReport->FinalPass;
}
bool terminated() { return MasterReport && MasterReport->Terminated; }

TfrReportBuilder *builder() { return frEngine().current; }

void fireEndPage(int pageNo)
{
    TfrEngineState &e = frEngine();
    if (e.current && e.current->events.OnEndPage)
        e.current->events.OnEndPage(pageNo);
    if (e.master && e.master != e.current && e.master->events.OnEndPage)
        e.master->events.OnEndPage(pageNo);
}

void compileInPlace(QStringList &script)
{
    if (script.isEmpty())
        return;
    QStringList errors;
    const QStringList source = script;
    frInterpretator->PrepareScript(source, script, errors);
}

} // namespace

// ---- engine-wide state -----------------------------------------------------------------

TfrEngineState &frEngine()
{
    static TfrEngineState state;
    return state;
}

TfrPageEngine *TfrEngineState::EngineOf(const TfrPage *page) const
{
    for (TfrPageEngine *e : engines)
        if (&e->Page == page)
            return e;
    return nullptr;
}

void frEngineError(const QString &message)
{
    const QString reportName = frEngine().current ? frEngine().current->Name : QString();
    QStringList lines = CurView ? CurView->Memo : QStringList();
    frRecordEvaluationError(reportName, CurView != nullptr, CurView ? CurView->Name : QString(), lines, message);
    if (MasterReport)
        MasterReport->Terminated = true;
}

// ---- the page ------------------------------------------------------------------------

TfrPageEngine::TfrPageEngine(TfrPage &page, int index) : Page(page), pageIndex(index) {}

TfrPageEngine::~TfrPageEngine()
{
    for (auto &b : Page.Bands)
        b.reset();
}

TfrBand *TfrPageEngine::Head(int type) const { return Page.Band(type); }

int TfrPageEngine::Columns() const { return Page.Columns > 0 ? Page.Columns : 1; }

bool TfrPageEngine::BandExists(const TfrBand *band) const
{
    if (!band)
        return false;
    if (band->Typ == btNone)
        return !band->Objects.empty();
    return band->View != nullptr;
}

void TfrPageEngine::InitPage()
{
    if (finalPassOfTwo() && (initialized || Page.PageType != ptReport)) {
        if (Page.PageType != ptReport)
            return;
        // The bands survive the first pass: rewind their data and the repeat memory.
        for (const auto &v : Page.Objects)
            if (auto *m = dynamic_cast<TfrMemoView *>(v.get()))
                m->lastWrittenText.clear();
        for (int t = 0; t < frBandTypeCount; ++t)
            if (TfrBand *b = Head(t); b && b->DataSet())
                b->DataSet()->First();
        return;
    }
    if (Page.PageType == ptReport) {
        for (int t = 0; t < frBandTypeCount; ++t)
            Page.Bands[size_t(t)] = std::make_unique<TfrBand>(TfrBandType(t), &Page);
        TossObjects();
        Page.recordNo = 1;
        Page.crossColumnNo = 1;
    } else {
        CurPage = &Page;
        for (const auto &v : Page.Objects)
            v->ownerPage = &Page;
        bool visual = false;
        for (const auto &v : Page.Objects)
            if (v->Typ != otBand)
                visual = true;
        TfrDialogPageUi &ui = frDialogPageUi();
        if (visual && Page.Visible && ui) {
            TfrProgressUi &progress = frProgressUi();
            const bool wasVisible = progress.isVisible && progress.isVisible();
            if (progress.setVisible)
                progress.setVisible(false);
            if (ui(Page) == 2)
                frEngine().dialogCancelled = true;
            if (progress.setVisible && wasVisible)
                progress.setVisible(true);
        } else {
            DoScript(Page.scriptLines);
        }
    }
    initialized = true;
}

void TfrPageEngine::TossObjects()
{
    TfrEngineState &e = frEngine();
    auto &objects = Page.Objects;

    // 1. marks, compiled scripts and conditions, hooks.
    for (const auto &up : objects) {
        TfrView *v = up.get();
        v->inPreparedPage = true;
        if (auto *m = dynamic_cast<TfrMemoView *>(v); m && !m->highlightCondition.isEmpty())
            m->highlightCondition = frParser->Str2OPZ(m->highlightCondition);
        if (v->Flags & 0x8000)
            e.hookList.push_back(v);
        v->unplaced() = v->Typ != otBand;
        v->ownerBand = nullptr;
        compileInPlace(v->scriptLines);
        if (v->Typ == otSubReport) {
            auto *sr = static_cast<TfrSubReportView *>(v);
            if (TfrPageEngine *target = e.EngineOf(Page.Report ? Page.Report->Page(sr->subPageIndex) : nullptr))
                target->isSubReportPage = true;
        }
    }

    auto takeFromView = [this](TfrBand &b, TfrBandView &bv) {
        b.Memo = bv.Memo;
        b.scriptLines = bv.scriptLines;
        b.View = &bv;
        b.Flags = bv.Flags;
        b.Visible = bv.Visible;
        b.Name = bv.Name;
        bv.ownerBand = &b;
        b.InitDataSet(bv.formatText);
        Q_UNUSED(this)
    };

    // 2. cross bands.
    bool anyCross = false;
    for (const auto &up : objects) {
        if (up->Typ != otBand)
            continue;
        auto *bv = static_cast<TfrBandView *>(up.get());
        const int t = bv->GetBandType();
        if (!frIsCrossBand(t))
            continue;
        TfrBand &b = *Head(t);
        takeFromView(b, *bv);
        b.Left = bv->Left;
        b.Width = bv->Width;
        anyCross = true;
    }
    // 3. objects inside cross bands.
    if (anyCross) {
        for (int t = btCrossHeader; t <= btCrossFooter; ++t) {
            TfrBand &b = *Head(t);
            if (!b.View)
                continue;
            for (const auto &up : objects) {
                TfrView *v = up.get();
                if (!v->unplaced() || v->ownerBand)
                    continue;
                if (v->Left >= b.Left && qint64(v->Left) + v->Width <= qint64(b.Left) + b.Width) {
                    v->Left -= b.Left;
                    v->ownerBand = &b;
                    b.Objects.push_back(v);
                }
            }
        }
    }

    // 4. horizontal bands of every other type.
    for (int t = 0; t < btNone; ++t) {
        if (frIsCrossBand(t))
            continue;
        std::vector<TfrBand *> bands;
        std::vector<std::unique_ptr<TfrBand>> extra;
        for (const auto &up : objects) {
            if (up->Typ != otBand)
                continue;
            auto *bv = static_cast<TfrBandView *>(up.get());
            if (bv->GetBandType() != t)
                continue;
            if (int(bands.size()) >= kMaxBandsOfOneType)
                throw EfrError(QStringLiteral("More than %1 bands of one type on a page").arg(kMaxBandsOfOneType));
            TfrBand *b;
            if (bands.empty()) {
                b = Head(t);
            } else {
                extra.push_back(std::make_unique<TfrBand>(TfrBandType(t), &Page));
                b = extra.back().get();
            }
            bands.push_back(b);
            takeFromView(*b, *bv);
            b->Top = bv->Top;
            b->Height = bv->Height;
            b->bandColumn = 1;
            b->Stretched = b->Flags & 0x01;
            b->PrintIfSubsetEmpty = b->Flags & flBandPrintIfSubsetEmpty;
            b->PrintChildIfInvisible = b->Flags & flBandPrintChildIfInvisible;
            b->FormNewPage = (b->Flags & flBandFormNewPage) && !isSubReportPage;
            b->Breaked = (b->Flags & flBandBreaked) && !isSubReportPage;
            for (int pass = 0; pass < 3; ++pass) {
                for (const auto &op : objects) {
                    TfrView *v = op.get();
                    if (!v->unplaced() || v->Top < b->Top || qint64(v->Top) > qint64(b->Top) + b->Height)
                        continue;
                    const bool sub = v->Typ == otSubReport;
                    const bool crossOwned = v->ownerBand && frIsCrossBand(v->ownerBand->Typ);
                    if ((pass == 0 && (v->ownerBand || sub)) || (pass == 1 && !crossOwned) ||
                        (pass == 2 && (!sub || v->ownerBand)))
                        continue;
                    v->Top -= b->Top;
                    v->unplaced() = false;
                    if (pass != 1)
                        v->ownerBand = b;
                    b->Objects.push_back(v);
                }
            }
        }
        if (bands.empty())
            continue;
        // Selection sort by Top (the first strictly smaller one later is swapped in).
        for (size_t i = 0; i < bands.size(); ++i)
            for (size_t j = i + 1; j < bands.size(); ++j)
                if (bands[j]->Top < bands[i]->Top) {
                    std::swap(bands[i], bands[j]);
                    break;
                }
        // The sorted bands get the head slot's identity by swapping contents is not
        // possible (views point at them), so the head keeps its place only when it sorts
        // first; otherwise the first sorted band becomes the head.
        std::unique_ptr<TfrBand> headOwner = std::move(Page.Bands[size_t(t)]);
        std::vector<std::unique_ptr<TfrBand>> owners;
        owners.push_back(std::move(headOwner));
        for (auto &x : extra)
            owners.push_back(std::move(x));
        auto ownerOf = [&owners](TfrBand *b) -> std::unique_ptr<TfrBand> {
            for (auto &o : owners)
                if (o.get() == b)
                    return std::move(o);
            return nullptr;
        };
        Page.Bands[size_t(t)] = ownerOf(bands[0]);
        TfrBand *prev = bands[0];
        for (size_t i = 1; i < bands.size(); ++i) {
            prev->chainNextOwned = ownerOf(bands[i]);
            prev->chainNext = bands[i];
            bands[i]->chainPrev = prev;
            prev = bands[i];
        }
        bands[0]->chainLast = bands.back();
    }

    // 5. objects outside every band.
    TfrBand &none = *Head(btNone);
    none.Top = 0;
    for (const auto &up : objects) {
        TfrView *v = up.get();
        if (v->unplaced()) {
            v->unplaced() = false;
            v->ownerBand = &none;
            none.Objects.push_back(v);
        }
    }

    // 6. headers and footers of the data levels.
    bindHeadersAndFooters();

    // 7. group footers pair with group headers, innermost header first.
    {
        TfrBand *h = Head(btGroupHeader)->View ? Head(btGroupHeader)->chainLast : nullptr;
        if (!h && Head(btGroupHeader)->View)
            h = Head(btGroupHeader);
        TfrBand *f = Head(btGroupFooter)->View ? Head(btGroupFooter) : nullptr;
        for (; h && f; h = h->chainPrev, f = f->chainNext)
            h->footerLink = f;
    }

    // 8. cross data sets per row band ("Band=DataSet;...").
    TfrBand &crossData = *Head(btCrossData);
    if (crossData.View && crossData.View->formatText.contains(QLatin1Char(';'))) {
        const QStringList entries = crossData.View->formatText.split(QLatin1Char(';'), Qt::SkipEmptyParts);
        for (const QString &entry : entries) {
            const qsizetype eq = entry.indexOf(QLatin1Char('='));
            if (eq < 0)
                continue;
            const QString bandName = entry.left(eq).trimmed();
            const QString dataName = entry.mid(eq + 1).trimmed();
            for (int t = btMasterHeader; t <= btChild; ++t)
                for (TfrBand *b = Head(t); b; b = b->chainNext)
                    if (b->View && b->View->Name.compare(bandName, Qt::CaseInsensitive) == 0) {
                        TfrBandDataSource src = frResolveBandDataSource(dataName, CurReport ? CurReport->Owner : nullptr);
                        TfrDataset *ds = src.dataSet;
                        b->SetCrossDataSet(ds, std::move(src.owned));
                    }
        }
    }

    // 9. children.
    for (int t = 0; t < frBandTypeCount; ++t)
        for (TfrBand *b = Head(t); b; b = b->chainNext)
            if (b->View && !b->View->ChildBand.isEmpty())
                if (TfrView *child = Page.FindObject(b->View->ChildBand))
                    b->childLink = child->ownerBand;

    // 10. groups bind to their data band.
    if (Head(btMasterData)->View) {
        for (TfrBand *g = Head(btGroupHeader); g; g = g->chainNext) {
            if (!g->View)
                continue;
            TfrView *target = g->View->Master.isEmpty() ? Head(btMasterData)->View : Page.FindObject(g->View->Master);
            if (!target || target->Typ != otBand || !target->ownerBand)
                continue;
            TfrBand *d = target->ownerBand;
            if (!d->groupFirst) {
                d->groupFirst = g;
            } else {
                d->groupLast->groupNext = g;
                g->groupPrev = d->groupLast;
            }
            d->groupLast = g;
        }
    }

    // 11. page columns.
    const int cols = Columns();
    columnWidth = (Page.RightMargin() - Page.LeftMargin() - (cols - 1) * Page.ColGap) / cols;
}

void TfrPageEngine::bindHeadersAndFooters()
{
    for (const LevelTypes &lv : kLevels) {
        TfrBand *data = Head(lv.data);
        if (!data->View)
            continue;
        if (Head(lv.header)->View)
            for (TfrBand *h = Head(lv.header); h; h = h->chainNext)
                for (TfrBand *d = data; d; d = d->chainNext)
                    if (d->Top > h->Top + h->Height) {
                        if (!d->headerLink) {
                            d->headerLink = h;
                            h->dataLink = d;
                        }
                        break;
                    }
        if (Head(lv.footer)->View)
            for (TfrBand *f = Head(lv.footer); f; f = f->chainNext) {
                TfrBand *last = nullptr;
                for (TfrBand *d = data; d && d->Top + d->Height <= f->Top; d = d->chainNext)
                    last = d;
                if (last && !last->footerLink) {
                    last->footerLink = f;
                    f->dataLink = last;
                }
            }
    }
}

void TfrPageEngine::PrepareObjects()
{
    if (Page.PageType != ptReport || objectsPrepared)
        return;
    objectsPrepared = true;
    CurPage = &Page;
    TfrEngineState &e = frEngine();
    const bool useDefault = builder() && builder()->UseDefaultDataSetName;

    // 1. objects showing one field are bound to it.
    for (const auto &up : Page.Objects) {
        TfrView *v = up.get();
        v->dataFieldSet = nullptr;
        v->dataFieldName.clear();
        const QString text = v->Memo.join(QLatin1Char('\n'));
        if (text.size() <= 2 || !text.startsWith(QLatin1Char('[')))
            continue;
        if (v->Typ == otMemo && (v->Flags & flTextOnly))
            continue;
        const qsizetype close = text.lastIndexOf(QLatin1Char(']'));
        const QString inner = close > 0 ? text.mid(1, close - 1) : QString();
        CurBand = v->ownerBand;
        try {
            TfrDataDictionary *dict = CurReport ? &CurReport->Dictionary() : nullptr;
            if (dict && dict->IsVariable(inner)) {
                if (const TfrCacheItem *item = dict->FindCacheItem(inner); item && item->DataSet) {
                    v->dataFieldSet = item->DataSet.data();
                    v->dataFieldName = item->DataField;
                }
                continue;
            }
            TfrTableCursor *ds = useDefault ? GetDefaultDataSet() : nullptr;
            QString field;
            frGetDataSetAndField(inner, ds, field);
            if (!field.isEmpty()) {
                v->dataFieldSet = ds;
                v->dataFieldName = field;
            }
        } catch (const EfrError &) {
            // An expression rather than a field: nothing to bind.
        }
    }

    // 2. aggregates register with the data bands that feed them.
    static const std::vector<int> lists[3] = {
        {btPageFooter, btColumnFooter, btMasterFooter, btGroupFooter, btReportSummary},
        {btPageFooter, btColumnFooter, btMasterFooter, btDetailFooter, btGroupFooter, btReportSummary},
        {btPageFooter, btColumnFooter, btMasterFooter, btDetailFooter, btSubDetailFooter, btGroupFooter,
         btReportSummary},
    };
    e.aggregatePrepMode = true;
    auto scan = [this](TfrBand *b) {
        CurBand = b;
        CurView = b->View;
        QStringList calls;
        TAggregateFunctionsSplitter splitter(calls);
        splitter.SplitScript(b->scriptLines);
        for (TfrView *v : b->Objects) {
            if (v->Typ == otMemo)
                splitter.SplitMemo(v->Memo);
            splitter.SplitScript(v->scriptLines);
        }
        for (const QString &call : calls)
            frParser->CalcOPZ(frParser->Str2OPZ(call));
        Q_UNUSED(this)
    };
    auto scanType = [this, &scan](int type) {
        TfrBand *head = Head(type);
        for (TfrBand *c = head; c; c = c->childLink) {
            scan(c);
            if (c->childLink == head)
                break;
        }
        for (TfrBand *b = head->chainNext; b; b = b->chainNext)
            scan(b);
    };
    try {
        for (int level = 0; level < 3; ++level) {
            for (TfrBand *d = Head(kLevels[level].data); d; d = d->chainNext) {
                if (d != Head(kLevels[level].data) && !d->DataSet())
                    break;
                e.aggregatePrepBand = d;
                for (int type : lists[level])
                    scanType(type);
            }
        }
        if (Head(btCrossData)->View) {
            e.aggregatePrepBand = Head(btCrossData);
            scanType(btCrossFooter);
        }
    } catch (const EfrError &ex) {
        frEngineError(ex.message());
    }
    e.aggregatePrepMode = false;
    e.aggregatePrepBand = nullptr;
}

void TfrPageEngine::ShowBand(TfrBand *band)
{
    if (!band)
        return;
    if (mode == pmBuildList)
        AddRecord(band, rtShowBand);
    else
        Draw(*band);
}

void TfrPageEngine::ShowBandByName(const QString &name)
{
    for (int t = 0; t < frBandTypeCount; ++t)
        for (TfrBand *b = Head(t); b; b = b->chainNext)
            if (b->View && b->View->Name.compare(name, Qt::CaseInsensitive) == 0) {
                Draw(*b);
                return;
            }
}

void TfrPageEngine::ShowBandByType(int type)
{
    if (TfrBand *b = Head(type))
        Draw(*b);
}

void TfrPageEngine::ResetPosition(TfrBand *band, int value)
{
    if (!band)
        return;
    band->lineNo = value;
    for (TfrView *v : band->Objects)
        if (auto *m = dynamic_cast<TfrMemoView *>(v))
            m->lastWrittenText.clear();
}

void TfrPageEngine::AfterPrint()
{
    for (TfrView *v : frEngine().hookList)
        v->OnHook(CurView);
}

void TfrPageEngine::DoScript(const QStringList &lines)
{
    if (lines.isEmpty())
        return;
    CurView = nullptr;
    QStringList compiled, errors;
    frInterpretator->PrepareScript(lines, compiled, errors);
    try {
        frInterpretator->DoScript(compiled);
    } catch (const EfrError &ex) {
        frEngineError(ex.message());
    }
}

void TfrPageEngine::NewPage()
{
    TfrEngineState &e = frEngine();
    if (builder())
        builder()->InternalOnProgress(PageNo + 1);
    if (!suppressRepeats)
        ShowBand(Head(btColumnFooter));
    DrawPageFooters();
    Page.limitY = Page.BottomMargin();
    CurPage = &Page;
    e.EMFPages->Add(Page);
    e.appendToPrevious = false;
    ShowBand(Head(btOverlay));
    Page.posY = Page.TopMargin();
    ShowBand(Head(btPageHeader));
    ShowBand(Head(btColumnHeader));
    freshPageY = Page.posY;
}

void TfrPageEngine::NewColumn(TfrBand *band)
{
    if (columnIndex < Columns() - 1) {
        ShowBand(Head(btColumnFooter));
        ++columnIndex;
        columnX += columnWidth + Page.ColGap;
        Page.posY = columnTopY;
        ShowBand(Head(btColumnHeader));
    } else {
        NewPage();
    }
    for (TfrBand *g = Head(btGroupHeader); g && g != band; g = g->chainNext) {
        if (!(g->Flags & flBandRepeatHeader) || suppressRepeats || !g->View)
            continue;
        g->keepValues = true;
        ShowBand(g);
        g->keepValues = false;
    }
    if (band && band->IsDataBand() && band->headerLink && (band->headerLink->Flags & flBandRepeatHeader))
        ShowBand(band->headerLink);
    // Repeated headers belong to the fresh column: a band that does not fit below them
    // will not fit on another page either.
    freshPageY = Page.posY;
}

void TfrPageEngine::DrawPageFooters()
{
    TfrEngineState &e = frEngine();
    columnIndex = 0;
    columnX = Page.LeftMargin();
    TfrBand *footer = Head(btPageFooter);
    const bool onFirst = footer && (footer->Flags & flBandOnFirstPage);
    const int count = e.EMFPages->GetCount();
    while (PageNo < count) {
        const bool skipFirst = PageNo == 0 && !onFirst;
        if (!skipFirst && !(e.appendToPrevious && e.footerOnPrevious)) {
            fireEndPage(PageNo);
            ShowBand(footer);
        }
        ++PageNo;
    }
    PageNo = e.EMFPages->GetCount();
}

bool TfrPageEngine::PlayRecList()
{
    while (playIndex < int(actionList.size())) {
        if (terminated())
            return false;
        const TfrBandRec &rec = actionList[size_t(playIndex)];
        TfrBand *b = rec.band;
        switch (rec.action) {
        case rtShowBand:
            if (pendingSubReportBand) {
                TfrBand *pending = pendingSubReportBand;
                DoSubReports(*pending);
                if (pendingSubReportBand)
                    return true;
            } else if (Draw(*b)) {
                return true;
            }
            break;
        case rtFirst:
            if (b->DataSet())
                b->DataSet()->First();
            ResetPosition(b, 1);
            break;
        case rtNext:
            if (b->DataSet())
                b->DataSet()->Next();
            ++Page.recordNo;
            ++b->lineThroughNo;
            ++b->lineNo;
            break;
        }
        ++playIndex;
    }
    return false;
}

void TfrPageEngine::DonePage()
{
    if (firstPassOfTwo())
        return;
    if (initialized) {
        if (Page.PageType == ptReport) {
            for (const auto &v : Page.Objects)
                v->ownerBand = nullptr;
            for (auto &b : Page.Bands)
                b.reset();
        }
    }
    initialized = false;
    objectsPrepared = false;
}

// ---- FormPage and the data loops ---------------------------------------------------------

void TfrPageEngine::flush(std::vector<TfrBand *> &deferred)
{
    std::vector<TfrBand *> list;
    list.swap(deferred);
    for (TfrBand *b : list)
        if (BandExists(b))
            ShowBand(b);
}

void TfrPageEngine::dataLoop(int level, std::vector<TfrBand *> &deferred, int deepest)
{
    auto defer = [&deferred](TfrBand *b) {
        if (!b)
            return;
        if (int(deferred.size()) >= kMaxDeferred)
            throw EfrError(QStringLiteral("More than %1 bands waiting to be printed").arg(kMaxDeferred));
        deferred.push_back(b);
    };
    auto startGroups = [&defer](TfrBand *from) {
        for (TfrBand *g = from; g; g = g->groupNext) {
            ++g->lineNo;
            ++g->lineThroughNo;
            defer(g);
        }
    };

    for (TfrBand *band = Head(kLevels[level].data); band; band = band->chainNext) {
        TfrDataset *ds = band->DataSet();
        if (!ds)
            continue;
        ds->First();
        if (mode == pmBuildList) {
            AddRecord(band, rtFirst);
        } else {
            ResetPosition(band, 1);
            band->lineThroughNo = 1;
        }
        for (TfrBand *g = band->groupFirst; g; g = g->groupNext) {
            ResetPosition(g, 0);
            g->lineThroughNo = 0;
            g->groupValue = TfrVariant();
        }
        if (ds->Eof())
            continue;
        startGroups(band->groupFirst);
        // Remember each group's value for the first record.
        for (TfrBand *g = band->groupFirst; g; g = g->groupNext)
            g->groupValue = frParser->CalcOPZ(g->conditionCode);
        defer(band->headerLink);
        if (band->footerLink)
            InitValues(*band->footerLink);

        while (!ds->Eof() && !terminated()) {
            defer(band);
            if (band->PrintIfSubsetEmpty)
                flush(deferred);
            bool printed = true;
            if (level + 1 < deepest) {
                dataLoop(level + 1, deferred, deepest);
                if (!deferred.empty()) {
                    if (band->PrintIfSubsetEmpty) {
                        flush(deferred);
                    } else {
                        deferred.pop_back();
                        printed = false;
                    }
                }
            } else {
                flush(deferred);
            }
            if (terminated())
                break;
            ds->Next();

            TfrBand *changed = nullptr;
            for (TfrBand *g = band->groupFirst; g; g = g->groupNext) {
                if (ds->Eof() || g->groupValue.isEmpty()) {
                    changed = g;
                    break;
                }
                const TfrVariant value = frParser->CalcOPZ(g->conditionCode);
                if (!frVarEquals(value, g->groupValue)) {
                    changed = g;
                    break;
                }
            }
            if (changed) {
                bool steppedBack = false;
                if (!ds->Eof()) {
                    try {
                        ds->Prior();
                        steppedBack = true;
                    } catch (const EfrError &) {
                        steppedBack = false;
                    }
                }
                for (TfrBand *h = band->groupLast; h && h != changed; h = h->groupPrev) {
                    defer(h->footerLink);
                    ResetPosition(h, 0);
                    if (h->footerLink)
                        ResetPosition(h->footerLink, 0);
                }
                defer(changed->footerLink);
                flush(deferred);
                if (!ds->Eof()) {
                    if (steppedBack)
                        ds->Next();
                    if (changed->FormNewPage && changed->Visible)
                        NewPage();
                    startGroups(changed);
                    for (TfrBand *g = changed; g; g = g->groupNext)
                        g->groupValue = frParser->CalcOPZ(g->conditionCode);
                    ResetPosition(band, 0);
                }
            }
            if (mode == pmBuildList) {
                AddRecord(band, rtNext);
            } else if (printed) {
                ++Page.recordNo;
                ++band->lineThroughNo;
                ++band->lineNo;
                if (!ds->Eof() && band->FormNewPage && band->Visible)
                    NewPage();
            }
        }
        if (deferred.empty())
            ShowBand(band->footerLink);
        else
            deferred.pop_back();
    }
}

void TfrPageEngine::FormPage()
{
    TfrEngineState &e = frEngine();
    TfrReportBuilder *rb = builder();
    CurPage = &Page;
    const bool manual = rb && rb->events.OnManualBuild;

    // 1. a page without master data prints nothing unless the report prints empty pages.
    if (rb && !rb->PrintIfEmpty) {
        bool empty = true;
        if (TfrDataset *ds = Head(btMasterData)->DataSet()) {
            try {
                ds->First();
                empty = ds->Eof();
            } catch (const EfrError &) {
                empty = true;
            }
        }
        if (empty) {
            if (e.appendToPrevious)
                ++PageNo;
            return;
        }
    }
    suppressRepeats = false;

    if (mode == pmNormal) {
        DoScript(Page.scriptLines);
        if (e.appendToPrevious && e.prevPageEndY == e.prevPageLimitY) {
            e.appendToPrevious = false;
            e.footerOnPrevious = false;
            PageNo = e.EMFPages->GetCount();
        }
        Page.limitY = (e.appendToPrevious && e.footerOnPrevious) ? e.prevPageLimitY : Page.BottomMargin();
        columnIndex = 0;
        columnX = Page.LeftMargin();
        if (e.appendToPrevious && e.EMFPages->GetCount() > 0) {
            Page.posY = e.prevPageEndY;
        } else {
            e.appendToPrevious = false;
            e.EMFPages->Add(Page);
            Page.posY = Page.TopMargin();
            ShowBand(Head(btOverlay));
            ShowBand(Head(btNone));
            freshPageY = Page.posY;
        }
        const int before = PageNo;
        if (!manual)
            ShowBand(Head(btReportTitle));
        if (PageNo == before) {
            if (BandExists(Head(btPageHeader)) && (Head(btPageHeader)->Flags & flBandOnFirstPage))
                ShowBand(Head(btPageHeader));
            ShowBand(Head(btColumnHeader));
        }
    }

    if (!manual && !terminated()) {
        std::vector<TfrBand *> deferred;
        int deepest = 0;
        for (int level = 0; level < 3; ++level)
            if (Head(kLevels[level].data)->View)
                deepest = level + 1;
        if (deepest > 0)
            dataLoop(0, deferred, deepest);
    }

    if (mode == pmNormal) {
        if (manual) {
            rb->events.OnManualBuild(&Page);
        } else if (!terminated()) {
            suppressRepeats = true;
            ShowBand(Head(btColumnFooter));
            TfrBand *columnFooter = Head(btColumnFooter);
            const int savedHeight = columnFooter->Height;
            columnFooter->Height = 0;
            ShowBand(Head(btReportSummary));
            columnFooter->Height = savedHeight;
            suppressRepeats = false;
        }
        e.prevPageEndY = Page.posY;
        e.prevPageLimitY = Page.limitY;
        if (columnIndex > 0)
            e.prevPageEndY = Page.BottomMargin();
        columnIndex = 0;
        columnX = Page.LeftMargin();
        const int n = PageNo;
        e.footerOnPrevious = false;
        TfrBand *footer = Head(btPageFooter);
        if (!manual && !terminated() &&
            ((footer->Flags & flBandOnLastPage) || (PageNo == 0 && (footer->Flags & flBandOnFirstPage)))) {
            const quint16 saved = footer->Flags;
            footer->Flags |= flBandOnFirstPage;
            e.footerOnPrevious = BandExists(footer);
            if (e.footerOnPrevious)
                DrawPageFooters();
            footer->Flags = saved;
        }
        fireEndPage(PageNo);
        PageNo = n + 1;
    }
    lastPrintedBand = nullptr;
}
