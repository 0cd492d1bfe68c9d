// The print protocol of a band: script and breaks, height and the fit test, placing and
// writing its objects into the prepared page, splitting across pages, band columns,
// cross-tab cells, sub-reports, children and the aggregate calls.
#include "report/engine/page_engine.h"

#include <QSet>
#include <algorithm>

#include "report/engine/prepare.h"
#include "report/engine/prepared_pages.h"
#include "report/eval/db_dataset.h"
#include "report/eval/errors.h"
#include "report/eval/globals.h"
#include "report/eval/interpreter.h"
#include "report/model/fr_globals.h"
#include "report/model/memo_view.h"
#include "report/model/page.h"
#include "report/model/report.h"
#include "report/model/subreport_view.h"

namespace {

bool terminated() { return MasterReport && MasterReport->Terminated; }

TfrReportBuilder *builder() { return frEngine().current; }

bool isFixed(const TfrBand &b) { return b.Typ == btPageFooter || b.Typ == btOverlay || b.Typ == btNone; }

TfrStream &pageStream()
{
    TfrStream &s = frEngine().EMFPages->GetPages(PageNo).Stream();
    s.seek(s.size());
    return s;
}

} // namespace

void TfrPageEngine::runBandScript(TfrBand &b)
{
    if (b.scriptLines.isEmpty())
        return;
    try {
        frInterpretator->DoScript(b.scriptLines);
    } catch (const EfrError &ex) {
        frEngineError(ex.message());
    }
}

bool TfrPageEngine::HasCross(const TfrBand &b) const
{
    for (const TfrView *v : b.Objects)
        if (v->ownerBand != &b)
            return true;
    return false;
}

bool TfrPageEngine::Draw(TfrBand &b)
{
    TfrReportBuilder *rb = builder();
    const bool savedBreaked = b.Breaked;
    bool result = false;
    CurView = b.View;
    CurBand = &b;
    CurPage = &Page;
    b.neededHeight = -1;
    b.pendingNewPages = 0;
    b.pendingNewColumns = 0;
    if (rb && rb->events.OnBeginBand)
        rb->events.OnBeginBand(&b);

    // A row of band columns left open by another band is closed first.
    if (TfrBand *last = lastPrintedBand; last && last != &b && last->bandColumn > 1 && BandExists(last)) {
        columnX = last->rowStartX;
        Page.posY += last->Height;
        last->bandColumn = 1;
    }

    b.restoreY = false;
    if (!b.skipScriptOnce)
        runBandScript(b);
    b.skipScriptOnce = false;
    const int scriptY = Page.posY;
    if (terminated()) {
        b.Breaked = savedBreaked;
        return false;
    }

    for (int i = 0; i < b.pendingNewPages; ++i) {
        columnIndex = Columns() - 1;
        NewColumn(&b);
    }
    for (int i = 0; i < b.pendingNewColumns; ++i)
        NewColumn(&b);
    if (b.restoreY)
        Page.posY = scriptY;

    if (b.Visible) {
        if (b.Typ == btColumnHeader)
            columnTopY = Page.posY;
        if (b.Typ == btPageFooter)
            b.Top = Page.limitY;
        if (BandExists(&b)) {
            b.neededHeight = std::max(b.neededHeight, b.Height);
            if (b.Typ != btPageFooter && b.Typ != btOverlay && b.Typ != btColumnFooter && b.Typ != btNone) {
                const int h = DoCalcHeight(b);
                if (Page.posY + h > Page.limitY && !b.Breaked) {
                    if (atFreshTop()) {
                        // It will never fit on any page: split it instead of breaking forever.
                        b.Breaked = true;
                    } else {
                        result = true;
                        if (isSubReportPage) {
                            b.Breaked = savedBreaked;
                            return true;
                        }
                        CheckPageBreak(b, 0, 10000, false);
                        // Moved to a fresh page and still too tall: split from here rather
                        // than break again (a blank page) or run past the bottom limit.
                        if (Page.posY + h > Page.limitY)
                            b.Breaked = true;
                    }
                }
            }
            b.subReportsDone = true;
            if (b.IsDataBand() && b.DataSet() && b.chainNext && !b.chainNext->DataSet()) {
                for (TfrBand *c = &b; c; c = c->chainNext)
                    if (c->Visible)
                        DoDraw(*c);
            } else {
                DoDraw(b);
                if (b.childLink && b.childLink != &b)
                    Draw(*b.childLink);
                if (!b.IsDataBand() && b.Typ != btGroupHeader && b.FormNewPage && b.Visible)
                    NewPage();
            }
            if (!b.subReportsDone)
                result = true;
        }
    } else {
        if (b.childLink && b.childLink != &b && b.PrintChildIfInvisible)
            Draw(*b.childLink);
        if (b.IsDataBand())
            DoAggregate(b);
    }

    if (!b.keepValues) {
        if (b.Typ != btPageFooter || frEngine().EMFPages->GetCount() - 1 == PageNo)
            InitValues(b);
    }
    if (rb && rb->events.OnEndBand)
        rb->events.OnEndBand(&b);
    b.Breaked = savedBreaked;
    return result;
}

int TfrPageEngine::DoCalcHeight(TfrBand &b)
{
    int h;
    if (b.IsDataBand() && b.chainNext && !b.chainNext->DataSet()) {
        h = 0;
        for (TfrBand *c = &b; c; c = c->chainNext)
            h += CalcHeight(*c);
    } else {
        h = b.Stretched ? CalcHeight(b) : b.Height;
    }
    b.neededHeight = std::max(b.neededHeight, h);
    return h;
}

int TfrPageEngine::CalcHeight(TfrBand &b)
{
    CurBand = &b;
    auto measure = [&b](bool all) {
        int h = b.Height;
        for (TfrView *v : b.Objects) {
            v->savedHeight = v->Height;
            auto *s = v->AsStretcheable();
            if (!s || (!all && v->ownerBand != &b))
                continue;
            if (all)
                s->drawStage = drAll;
            CurView = v;
            h = std::max(h, v->Top + s->CalcHeight());
        }
        return h;
    };
    if (!HasCross(b) || b.Typ == btPageFooter) {
        int h = 0;
        try {
            h = measure(false);
        } catch (const EfrError &ex) {
            frEngineError(ex.message());
            h = b.Height;
        }
        b.neededHeight = std::max(b.neededHeight, h);
        return h;
    }
    Page.crossColumnNo = 1;
    if (builder())
        builder()->InternalOnBeginColumn(&b);
    TfrDataset *ds = Head(btCrossData)->DataSet() ? Head(btCrossData)->DataSet() : b.CrossDataSet();
    int h = b.Height;
    if (!ds)
        return h;
    try {
        ds->First();
        while (!ds->Eof() && !terminated()) {
            int width = Head(btCrossData)->Width;
            if (builder())
                builder()->InternalOnPrintColumn(Page.crossColumnNo, width);
            const int m = measure(true);
            b.neededHeight = m;
            h = std::max(h, m);
            ++Page.crossColumnNo;
            ds->Next();
        }
    } catch (const EfrError &ex) {
        frEngineError(ex.message());
    }
    return h;
}

void TfrPageEngine::StretchObjects(TfrBand &b, int height)
{
    for (TfrView *v : b.Objects)
        if (v->AsStretcheable() && (v->Flags & flStretched) && v->Height > 0)
            v->Height = height - v->Top;
}

void TfrPageEngine::UnStretchObjects(TfrBand &b)
{
    for (TfrView *v : b.Objects)
        v->Height = v->savedHeight;
}

bool TfrPageEngine::atFreshTop() const { return Page.posY == Page.TopMargin() || Page.posY == freshPageY; }

bool TfrPageEngine::MakeRoom(TfrBand &b, int height)
{
    if (b.Breaked || !CheckPageBreak(b, Page.posY, height, true))
        return b.Breaked;
    // A sub-report's band is replayed on the next page instead (Draw).
    if (isSubReportPage || !atFreshTop())
        CheckPageBreak(b, Page.posY, height, false);
    return !isSubReportPage && CheckPageBreak(b, Page.posY, height, true);
}

void TfrPageEngine::DoDraw(TfrBand &b)
{
    if (!BandExists(&b))
        return;
    const int savedTop = b.Top;
    const bool fixed = isFixed(b);
    // Switched on for this print only, when the band cannot fit even on a fresh page. A
    // fixed band keeps its place and is never split: a break for it would print it again.
    const bool savedBreaked = b.Breaked;
    if (fixed)
        b.Breaked = false;
    else
        b.Top = Page.posY;
    for (TfrView *v : b.Objects)
        v->savedHeight = v->Height;
    if (b.Stretched) {
        const int h = std::max(b.neededHeight, b.Height);
        StretchObjects(b, h);
        b.drawnHeight = h;
        if (!fixed) {
            b.Breaked = MakeRoom(b, h);
            b.Top = Page.posY;
        }
        bool sub = false;
        if (b.Breaked) {
            DrawPageBreak(b);
        } else {
            sub = DrawObjects(b);
            if (HasCross(b))
                DrawCross(b);
        }
        UnStretchObjects(b);
        if (!fixed && !b.Breaked && !sub)
            Page.posY += h;
    } else {
        if (!fixed) {
            b.Breaked = MakeRoom(b, b.Height);
            b.Top = Page.posY;
        }
        if (b.Breaked) {
            b.drawnHeight = std::max(b.neededHeight, b.Height);
            DrawPageBreak(b);
        } else {
            const bool sub = DrawObjects(b);
            if (HasCross(b))
                DrawCross(b);
            if (!fixed && !sub)
                Page.posY += b.Height;
        }
    }

    // Band columns: consecutive prints of one band lie side by side.
    if (b.View && b.View->Columns > 1 && b.View->recordsPerColumn == 1) {
        if (lastPrintedBand != &b)
            b.bandColumn = 1;
        lastPrintedBand = &b;
        if (b.bandColumn == 1)
            b.rowStartX = columnX;
        ++b.bandColumn;
        if (b.bandColumn > b.View->Columns) {
            columnX = b.rowStartX;
            b.bandColumn = 1;
        } else {
            columnX = b.rowStartX + (b.View->ColumnWidth + b.View->ColumnGap) * (b.bandColumn - 1);
            Page.posY -= std::max(b.neededHeight, b.Height);
        }
    } else {
        lastPrintedBand = &b;
    }

    b.Top = savedTop;
    b.Breaked = savedBreaked;
    if (b.IsDataBand())
        DoAggregate(b);
}

bool TfrPageEngine::DrawObjects(TfrBand &b)
{
    for (size_t i = 0; i < b.Objects.size(); ++i) {
        TfrView *v = b.Objects[i];
        if (v->Typ == otSubReport && v->Visible) {
            b.subReportStart = int(i);
            const int y = std::max(0, Page.posY + b.Height);
            const int pageBefore = frEngine().EMFPages->GetCount();
            PrepareSubReports(b);
            DoSubReports(b);
            if (frEngine().EMFPages->GetCount() == pageBefore && Page.posY < y)
                Page.posY = y;
            CurPage = &Page;
            return true;
        }
        DrawObject(b, *v);
        if (terminated())
            break;
    }
    return false;
}

void TfrPageEngine::writeView(TfrView &view, int dx, int dy)
{
    auto *stretch = view.AsStretcheable();
    const bool hooks = view.Typ == otMemo && stretch &&
                       (stretch->drawStage == drAll || stretch->drawStage == drAfterCalcHeight);
    view.Left += dx;
    view.Top += dy;
    try {
        view.StreamOut(pageStream());
    } catch (...) {
        view.Left -= dx;
        view.Top -= dy;
        throw;
    }
    view.Left -= dx;
    view.Top -= dy;
    if (hooks)
        AfterPrint();
}

void TfrPageEngine::DrawObject(TfrBand &b, TfrView &view)
{
    CurPage = &Page;
    CurBand = &b;
    if (view.ownerBand != &b)
        return;
    CurView = &view;
    try {
        if (b.Breaked || !DisableDrawing) {
            writeView(view, columnX - Page.LeftMargin() + Page.LeftOffset(), b.Top);
        } else {
            auto *stretch = view.AsStretcheable();
            if (!(view.Typ == otMemo && stretch && stretch->drawStage != drAll))
                frRunScript(view.scriptLines);
        }
    } catch (const EfrError &ex) {
        frEngineError(ex.message());
    }
}

bool TfrPageEngine::CheckPageBreak(TfrBand &b, int top, int height, bool noBreak)
{
    if (b.Typ == btColumnFooter)
        return false;
    const qint64 footer = Head(btColumnFooter) ? Head(btColumnFooter)->Height : 0;
    if (qint64(top) + height + footer <= Page.limitY)
        return false;
    if (!noBreak)
        NewColumn(&b);
    return true;
}

namespace {

// Once per object, not once per record.
void warnCut(const TfrView &v)
{
    static QSet<QString> warned;
    if (warned.contains(v.Name))
        return;
    warned.insert(v.Name);
    qWarning("%s", qUtf8Printable(QStringLiteral("Объект %1 не помещается на странице: он обрезан").arg(v.Name)));
}

} // namespace

void TfrPageEngine::DrawPageBreak(TfrBand &b)
{
    for (TfrView *v : b.Objects) {
        v->unplaced() = true;
        v->drawAtEnd = false;
        v->savedLeft = v->Left;
        v->savedTop = v->Top;
        v->savedWidth = v->Width;
        v->savedRectHeight = v->Height;
        if (v->BandAlign == baBottom)
            v->Top = b.neededHeight - v->Height;
    }
    const int dx = columnX - Page.LeftMargin() + Page.LeftOffset();
    auto write = [&](TfrView &v) {
        if (v.ownerBand != &b)
            return;
        CurView = &v;
        try {
            writeView(v, dx, b.Top);
        } catch (const EfrError &ex) {
            frEngineError(ex.message());
        }
    };
    auto moveBelow = [&b](TfrView &o, int lost) {
        for (TfrView *x : b.Objects)
            if (x != &o && x->Top >= o.Top + o.Height && x->Left >= o.Left && x->Left <= o.Left + o.Width)
                x->Top += lost;
    };

    if (!CheckPageBreak(b, b.Top, b.drawnHeight, true)) {
        DrawObjects(b);
        for (TfrView *v : b.Objects)
            v->unplaced() = false;
    } else {
        // A text is cut by its wrapped lines: one the band did not measure is prepared now,
        // or its parts would be written empty.
        for (TfrView *v : b.Objects) {
            auto *s = dynamic_cast<TfrStretcheable *>(v);
            if (!s || v->ownerBand != &b || s->drawStage != drAll)
                continue;
            CurView = v;
            try {
                s->CalcHeight();
            } catch (const EfrError &ex) {
                frEngineError(ex.message());
            }
        }
        int m = 0;
        // A text part that takes no line (its gaps or one line are taller than the part) would
        // move the rest to the next part unchanged, page after page: the text is cut there.
        auto continues = [&m](TfrView &o, int lost, int room, int partEnd) {
            if (lost < room)
                return true;
            o.unplaced() = false;
            m = std::max(m, partEnd);
            warnCut(o);
            return false;
        };
        for (;;) {
            const qint64 columnFooter = Head(btColumnFooter)->Height;
            const int a = std::max<qint64>(1, Page.limitY - columnFooter - b.Top - 2);
            m = 0;
            const bool freshPart = atFreshTop();
            for (TfrView *v : b.Objects) {
                if (!v->unplaced())
                    continue;
                auto *s = dynamic_cast<TfrStretcheable *>(v);
                if (v->Top >= 0 && v->Top < a) {
                    if (qint64(v->Top) + v->Height < a) {
                        write(*v);
                        m = std::max(m, v->Top + v->Height);
                        v->unplaced() = false;
                    } else if (s) {
                        const int height = v->Height;
                        v->Height = a - v->Top + 1;
                        int lost = 0;
                        try {
                            CurView = v;
                            lost = s->LostSpace();
                            if (s->MinHeight() < v->Height) {
                                s->drawStage = drPart;
                                write(*v);
                            }
                        } catch (const EfrError &ex) {
                            frEngineError(ex.message());
                        }
                        v->Height = height;
                        if (!continues(*v, lost, a - v->Top, a))
                            continue;
                        moveBelow(*v, lost);
                        v->Height = frClampCoord(qint64(v->Height) + lost);
                    } else if (v->Top == 0 && freshPart) {
                        // Taller than a whole page part: printed cut rather than moved forever.
                        write(*v);
                        m = std::max(m, std::min(a, v->Height));
                        v->unplaced() = false;
                    } else {
                        v->Top = a;
                    }
                } else if (v->Top < 0 && qint64(v->Top) + v->Height >= 0 && s) {
                    if (qint64(v->Top) + v->Height < a) {
                        v->Height = v->Top + v->Height;
                        v->Top = 0;
                        m = std::max(m, v->Height);
                        s->drawStage = drPart;
                        v->unplaced() = false;
                        if (v->Flags & flStretched)
                            v->drawAtEnd = true;
                        else
                            write(*v);
                    } else {
                        const int top = v->Top, height = v->Height;
                        v->Top = 0;
                        v->Height = a;
                        int lost = 0;
                        try {
                            CurView = v;
                            lost = s->LostSpace();
                        } catch (const EfrError &ex) {
                            frEngineError(ex.message());
                        }
                        s->drawStage = drPart;
                        write(*v);
                        v->Top = top;
                        v->Height = height;
                        if (!continues(*v, lost, a, a))
                            continue;
                        moveBelow(*v, lost);
                        v->Height = frClampCoord(qint64(v->Height) + lost);
                    }
                } else if (v->Top < 0 && qint64(v->Top) + v->Height < 0) {
                    v->unplaced() = false; // entirely on an earlier part
                }
            }
            bool any = false;
            for (TfrView *v : b.Objects)
                if (v->unplaced()) {
                    v->Top -= a;
                    any = true;
                }
            if (any && isSubReportPage) {
                // A sub-report cannot open pages of the report it prints in: what does not
                // fit on this page is cut at its bottom, and said so.
                for (TfrView *v : b.Objects)
                    if (v->unplaced()) {
                        v->unplaced() = false;
                        warnCut(*v);
                    }
                break;
            }
            if (any)
                CheckPageBreak(b, b.Top, 10000, false);
            b.Top = Page.posY;
            if (!any || terminated())
                break;
        }
        b.drawnHeight = m;
    }

    for (TfrView *v : b.Objects)
        if (v->drawAtEnd) {
            v->Height = b.drawnHeight;
            write(*v);
            v->drawAtEnd = false;
        }
    for (TfrView *v : b.Objects) {
        v->Top = v->savedTop;
        v->Height = v->savedRectHeight;
        v->unplaced() = false;
    }
    Page.posY += b.drawnHeight;
}

// ---- cross-tabs ----------------------------------------------------------------------

void TfrPageEngine::showCrossPageHeader(TfrBand &row, int firstRowPage)
{
    TfrEngineState &e = frEngine();
    const int savedY = Page.posY;
    CurPage = &Page;
    e.EMFPages->Add(Page);
    Page.posY = Page.TopMargin();
    TfrBand *overlay = Head(btOverlay);
    if (BandExists(overlay))
        Draw(*overlay);
    TfrBand *header = Head(btPageHeader);
    if (BandExists(header) && !(firstRowPage == 0 && !(header->Flags & flBandOnFirstPage)))
        Draw(*header);
    Page.posY = savedY;
    if (builder())
        builder()->InternalOnProgress(PageNo + 1);
    CurBand = &row;
}

void TfrPageEngine::DrawCross(TfrBand &row)
{
    if (row.Typ == btPageFooter)
        return;
    TfrEngineState &e = frEngine();
    Page.crossColumnNo = 1;
    int x = 0;
    const int rememberedPage = PageNo;
    e.drawingCross = true;
    if (builder())
        builder()->InternalOnBeginColumn(&row);

    auto rightEdge = [&](int width) {
        if (qint64(x) + width <= Page.RightMargin() - Page.LeftOffset())
            return;
        x = Page.LeftMargin();
        ++PageNo;
        if (PageNo >= e.EMFPages->GetCount())
            showCrossPageHeader(row, rememberedPage);
        TfrBand *ch = Head(btCrossHeader);
        if (ch->View && (ch->Flags & flBandRepeatHeader)) {
            DrawCrossCell(*ch, row, Page.LeftMargin());
            x = Page.LeftMargin() + ch->Width;
        }
    };

    TfrBand *header = Head(btCrossHeader);
    if (header->View) {
        runBandScript(*header);
        DrawCrossCell(*header, row, header->Left);
        x = header->Left + header->Width;
    }
    TfrBand *data = Head(btCrossData);
    if (data->View && !terminated()) {
        if (x == 0)
            x = data->Left;
        TfrDataset *ds = data->DataSet() ? data->DataSet() : row.CrossDataSet();
        std::unique_ptr<TfrUserDataset> counted;
        if (ds) {
            ds->First();
            if (row.Typ == btMasterFooter && ds->Eof()) {
                counted = std::make_unique<TfrUserDataset>();
                counted->RangeEnd = reCount;
                counted->RangeEndCount = data->crossColumnsSeen;
                ds = counted.get();
                ds->First();
            }
            while (!ds->Eof() && !terminated()) {
                CurView = data->View;
                int width = data->Width;
                if (builder())
                    builder()->InternalOnPrintColumn(Page.crossColumnNo, width);
                data->Width = width;
                runBandScript(*data);
                rightEdge(data->Width);
                DrawCrossCell(*data, row, x);
                DoAggregate(*data);
                if (row.IsDataBand())
                    DoAggregate(row);
                x += data->Width;
                ++Page.crossColumnNo;
                ds->Next();
            }
            data->crossColumnsSeen = std::max(data->crossColumnsSeen, ds->RecNo());
        }
    }
    TfrBand *footer = Head(btCrossFooter);
    if (footer->View && !terminated()) {
        if (x == 0)
            x = footer->Left;
        runBandScript(*footer);
        rightEdge(footer->Width);
        DrawCrossCell(*footer, row, x);
        InitValues(*footer);
    }
    PageNo = rememberedPage;
    e.drawingCross = false;
}

void TfrPageEngine::DrawCrossCell(TfrBand &cross, TfrBand &row, int x)
{
    cross.lineNo = row.lineNo;
    cross.lineThroughNo = row.lineThroughNo;
    if (cross.Typ == btCrossData)
        cross.aggregateOwner = &row;
    CurBand = &cross;
    try {
        for (TfrView *v : cross.Objects) {
            if (std::find(row.Objects.begin(), row.Objects.end(), v) == row.Objects.end())
                continue;
            CurView = v;
            if (DisableDrawing) {
                frRunScript(v->scriptLines);
            } else {
                const int dx = x + Page.LeftOffset();
                const int dy = row.Top;
                writeView(*v, dx, dy);
            }
            v->ownerBand = &cross;
        }
    } catch (const EfrError &ex) {
        frEngineError(ex.message());
    }
    CurBand = &row;
}

// ---- sub-reports -----------------------------------------------------------------------

void TfrPageEngine::PrepareSubReports(TfrBand &b)
{
    TfrEngineState &e = frEngine();
    for (size_t i = size_t(b.subReportStart); i < b.Objects.size() && int(i - b.subReportStart) < frMaxSubReports; ++i) {
        auto *sr = dynamic_cast<TfrSubReportView *>(b.Objects[i]);
        if (!sr || !sr->Visible)
            continue;
        TfrPageEngine *sub = e.EngineOf(Page.Report ? Page.Report->Page(sr->subPageIndex) : nullptr);
        if (!sub || sub == this)
            continue;
        sub->mode = pmBuildList;
        sub->ClearRecList();
        sub->FormPage();
        sub->Page.posY = sr->Top + b.Top;
        sub->Page.limitY = Page.limitY;
        sub->columnX = columnX + sr->Left;
        sub->Page.pgMargins = Page.pgMargins;
        sub->Page.applyMargins = Page.applyMargins;
        sub->Page.Columns = 1;
        sub->playIndex = 0;
        b.subReportFinished[i - size_t(b.subReportStart)] = false;
    }
    pendingSubReportBand = nullptr;
    CurPage = &Page;
}

void TfrPageEngine::DoSubReports(TfrBand &b)
{
    TfrEngineState &e = frEngine();
    auto each = [&](const std::function<void(TfrPageEngine &, size_t)> &fn) {
        for (size_t i = size_t(b.subReportStart); i < b.Objects.size() && int(i - b.subReportStart) < frMaxSubReports; ++i) {
            auto *sr = dynamic_cast<TfrSubReportView *>(b.Objects[i]);
            if (!sr || !sr->Visible)
                continue;
            TfrPageEngine *sub = e.EngineOf(Page.Report ? Page.Report->Page(sr->subPageIndex) : nullptr);
            if (sub && sub != this)
                fn(*sub, i - size_t(b.subReportStart));
        }
    };
    for (;;) {
        if (!b.subReportsDone)
            each([this](TfrPageEngine &sub, size_t) {
                sub.Page.posY = Page.posY;
                sub.Page.limitY = Page.limitY;
                // The report's new page is the sub-report's fresh top too: a band that
                // does not fit here fits nowhere, and moving it on would never end.
                sub.freshPageY = Page.posY;
            });
        b.subReportsDone = true;
        b.subReportMaxY = Page.posY;
        each([&](TfrPageEngine &sub, size_t k) {
            if (b.subReportFinished[k])
                return;
            CurPage = &sub.Page;
            if (sub.PlayRecList()) {
                b.subReportsDone = false;
            } else {
                b.subReportFinished[k] = true;
                b.subReportMaxY = std::max(b.subReportMaxY, sub.Page.posY);
            }
        });
        CurPage = &Page;
        if (b.subReportsDone || terminated())
            break;
        if (isSubReportPage) {
            pendingSubReportBand = &b;
            return;
        }
        if (CurBand)
            CurBand->skipScriptOnce = true;
        NewPage();
        if (terminated())
            break;
    }
    each([](TfrPageEngine &sub, size_t) { sub.ClearRecList(); });
    Page.posY = std::max(Page.posY + b.neededHeight, b.subReportMaxY);
    pendingSubReportBand = nullptr;
}

// ---- aggregates --------------------------------------------------------------------------

void TfrPageEngine::InitValues(TfrBand &b) { frResetAggregates(b); }

void TfrPageEngine::DoAggregate(TfrBand &b) { ::DoAggregate(b, Page.crossColumnNo); }
