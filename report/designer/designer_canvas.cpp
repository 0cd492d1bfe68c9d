#include "report/designer/designer_canvas.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QSet>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>

#include "report/designer/band_layout.h"
#include "report/designer/designer_canvas_p.h"
#include "report/model/band_view.h"
#include "report/model/page.h"
#include "report/model/report.h"

namespace {

// A press that moves less than this (screen pixels) is a click.
constexpr int kDragThreshold = 2;

double clampZoom(double percent) { return std::clamp(percent, 25.0, 400.0); }

} // namespace

// ---- geometry ---------------------------------------------------------------------------

QSize TfrDesignerCanvas::Private::paperSize() const
{
    const TfrPage *p = page();
    if (!p)
        return {frTenthsMmToPixels(2100), frTenthsMmToPixels(2970)};
    int w = p->PrnInfo.Pgw, h = p->PrnInfo.Pgh;
    if (w <= 0 || h <= 0) {
        w = frTenthsMmToPixels(p->pgOr ? p->pgHeight : p->pgWidth);
        h = frTenthsMmToPixels(p->pgOr ? p->pgWidth : p->pgHeight);
    }
    return {std::max(w, 1), std::max(h, 1)};
}

bool TfrDesignerCanvas::Private::isLine(const TfrView &v) const { return v.Typ == otLine; }

QRect TfrDesignerCanvas::Private::designRect(const TfrView &v) const
{
    if (v.Typ == otBand) {
        // Bands are drawn across the paper (or down it), whatever they store.
        const QSize paper = paperSize();
        if (frIsCrossBand(v.FrameTyp))
            return {v.Left, 0, v.Width, paper.height()};
        return {0, v.Top, paper.width(), v.Height};
    }
    return {v.Left, v.Top, v.Width, v.Height};
}

QRect TfrDesignerCanvas::Private::widgetRect(const QRectF &r) const
{
    const double s = scale();
    const QPointF tl(kCanvasPad + r.left() * s, kCanvasPad + r.top() * s);
    return QRectF(tl, QSizeF(r.width() * s, r.height() * s)).toAlignedRect();
}

QRect TfrDesignerCanvas::Private::dirtyRect(const TfrView &v) const
{
    // Frames, corner marks, handles and a caption strip reach beyond the rectangle.
    const int frame = int(std::ceil(std::max(1.0, v.FrameWidth) * 2 * scale()));
    QRect r = widgetRect(designRect(v)).adjusted(-kHandleSize - frame, -kHandleSize - frame,
                                                kHandleSize + frame + 1, kHandleSize + frame + 1);
    if (v.Typ == otBand)
        r = r.united(widgetRect(q->CaptionRect(v)).adjusted(-2, -2, 2, 2));
    return r;
}

QList<std::pair<int, QPointF>> TfrDesignerCanvas::Private::handles(const TfrView &v) const
{
    const QRectF r = widgetRect(designRect(v));
    const double l = r.left(), t = r.top(), w = r.width(), h = r.height();
    if (v.Typ == otBand) {
        if (frIsCrossBand(v.FrameTyp))
            return {{3, QPointF(l + w, t + h / 2)}};
        return {{5, QPointF(l + w / 2, t + h)}};
    }
    if (isLine(v)) {
        const QPointF start(l, t);
        const QPointF end = v.Height < v.Width ? QPointF(l + w, t) : QPointF(l, t + h);
        return {{0, start}, {1, end}};
    }
    return {{0, QPointF(l, t)},         {1, QPointF(l + w / 2, t)}, {2, QPointF(l + w, t)},
            {3, QPointF(l + w, t + h / 2)}, {4, QPointF(l + w, t + h)}, {5, QPointF(l + w / 2, t + h)},
            {6, QPointF(l, t + h)},         {7, QPointF(l, t + h / 2)}};
}

int TfrDesignerCanvas::Private::handleAt(QPoint pos) const
{
    if (doc->Selection().size() != 1)
        return -1;
    const TfrView &v = *doc->Selection().front();
    for (const auto &[id, pt] : handles(v)) {
        if (std::abs(pt.x() - pos.x()) <= kHandleReach && std::abs(pt.y() - pos.y()) <= kHandleReach)
            return id;
    }
    return -1;
}

TfrView *TfrDesignerCanvas::Private::viewAt(QPointF p) const
{
    const TfrPage *pg = page();
    if (!pg)
        return nullptr;
    // Lines and thin objects are hard to hit: give them a few screen pixels.
    const double slack = 3 / scale();
    for (auto it = pg->Objects.rbegin(); it != pg->Objects.rend(); ++it) {
        const TfrView &v = **it;
        if (v.Typ == otBand)
            continue;
        QRectF r = designRect(v);
        if (r.width() < 2 * slack || r.height() < 2 * slack)
            r.adjust(-slack, -slack, slack, slack);
        if (r.contains(p))
            return it->get();
    }
    for (auto it = pg->Objects.rbegin(); it != pg->Objects.rend(); ++it) {
        if ((*it)->Typ == otBand && QRectF(q->CaptionRect(**it)).contains(p))
            return it->get();
    }
    return nullptr;
}

QList<TfrView *> TfrDesignerCanvas::Private::withBandObjects(const QList<TfrView *> &views) const
{
    QList<TfrView *> result;
    QSet<TfrView *> seen;
    auto add = [&](TfrView *v) {
        if (!seen.contains(v)) {
            seen.insert(v);
            result.append(v);
        }
    };
    for (TfrView *v : views) {
        add(v);
        if (v->Typ == otBand && page())
            for (TfrView *o : frObjectsOfBand(*page(), *static_cast<TfrBandView *>(v)))
                add(o);
    }
    return result;
}

// ---- construction and the view's settings ------------------------------------------------

TfrDesignerCanvas::TfrDesignerCanvas(TfrDesignerDocument &doc, QWidget *parent)
    : QWidget(parent), d(std::make_unique<Private>())
{
    d->q = this;
    d->doc = &doc;
    setObjectName(QStringLiteral("designerCanvas"));
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(true);
    setAcceptDrops(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
    connect(&doc, &TfrDesignerDocument::Changed, this, [this](const TfrChange &c) { d->documentChanged(c); });
    connect(&doc, &TfrDesignerDocument::SelectionChanged, this, [this] {
        d->dirtyCaptions();
        update();
    });
    connect(&doc, &TfrDesignerDocument::CurrentPageChanged, this, [this] {
        d->cancelGesture();
        d->lastRects.clear();
        d->updateSize();
        d->dirtyAll();
    });
    d->updateSize();
}

TfrDesignerCanvas::~TfrDesignerCanvas()
{
    if (d->stepOpen)
        d->doc->EndStep();
}

void TfrDesignerCanvas::Private::updateSize()
{
    const QSize paper = paperSize();
    const QSize size(int(std::ceil(paper.width() * scale())) + 2 * kCanvasPad,
                     int(std::ceil(paper.height() * scale())) + 2 * kCanvasPad);
    if (q->size() != size || q->minimumSize() != size)
        q->setFixedSize(size);
}

QSize TfrDesignerCanvas::sizeHint() const
{
    const QSize paper = d->paperSize();
    return {int(std::ceil(paper.width() * d->scale())) + 2 * kCanvasPad,
            int(std::ceil(paper.height() * d->scale())) + 2 * kCanvasPad};
}

double TfrDesignerCanvas::Zoom() const { return d->zoom; }

void TfrDesignerCanvas::SetZoom(double percent)
{
    percent = clampZoom(percent);
    if (qFuzzyCompare(percent, d->zoom))
        return;
    d->zoom = percent;
    d->gridTile = QPixmap();
    d->lastRects.clear();
    d->updateSize();
    d->dirtyAll();
    emit ZoomChanged(percent);
}

double TfrDesignerCanvas::PageWidthZoom(QSize viewport) const
{
    const QSize paper = d->paperSize();
    return clampZoom(100.0 * (viewport.width() - 2 * kCanvasPad) / paper.width());
}

double TfrDesignerCanvas::WholePageZoom(QSize viewport) const
{
    const QSize paper = d->paperSize();
    return clampZoom(std::min(100.0 * (viewport.width() - 2 * kCanvasPad) / paper.width(),
                              100.0 * (viewport.height() - 2 * kCanvasPad) / paper.height()));
}

int TfrDesignerCanvas::GridSize() const { return d->grid; }

void TfrDesignerCanvas::SetGridSize(int designPixels)
{
    designPixels = std::clamp(designPixels, 1, 100);
    if (designPixels == d->grid)
        return;
    d->grid = designPixels;
    d->gridTile = QPixmap();
    d->dirtyAll();
}

bool TfrDesignerCanvas::ShowGrid() const { return d->showGrid; }
void TfrDesignerCanvas::SetShowGrid(bool on)
{
    d->showGrid = on;
    d->dirtyAll();
}
bool TfrDesignerCanvas::AlignToGrid() const { return d->alignToGrid; }
void TfrDesignerCanvas::SetAlignToGrid(bool on) { d->alignToGrid = on; }
bool TfrDesignerCanvas::ShowGuides() const { return d->guides; }
void TfrDesignerCanvas::SetShowGuides(bool on) { d->guides = on; }

void TfrDesignerCanvas::Redraw() { d->dirtyAll(); }

void TfrDesignerCanvas::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::FontChange || event->type() == QEvent::PaletteChange ||
        event->type() == QEvent::StyleChange)
        d->dirtyAll();
    QWidget::changeEvent(event);
}

QPointF TfrDesignerCanvas::ToDesign(QPointF p) const
{
    return {(p.x() - kCanvasPad) / d->scale(), (p.y() - kCanvasPad) / d->scale()};
}

QPointF TfrDesignerCanvas::ToWidget(QPointF p) const
{
    return {kCanvasPad + p.x() * d->scale(), kCanvasPad + p.y() * d->scale()};
}

QRect TfrDesignerCanvas::DesignRect(const TfrView &view) const { return d->designRect(view); }
QRect TfrDesignerCanvas::WidgetRect(const TfrView &view) const { return d->widgetRect(d->designRect(view)); }

QRect TfrDesignerCanvas::CaptionRect(const TfrView &band) const
{
    static const QFont font = [] {
        QFont f(QStringLiteral("Arial"));
        f.setPixelSize(11);
        return f;
    }();
    const QFontMetrics metrics(font);
    const int width = std::max(static_cast<const TfrBandView &>(band).GetRectangleWidth(),
                               metrics.horizontalAdvance(frDesignerBandCaption(band)) + 8);
    const QRect r = d->designRect(band);
    if (frIsCrossBand(band.FrameTyp))
        return {r.left() - kCaptionHeight, r.top(), kCaptionHeight, width};
    return {r.left(), r.top() - kCaptionHeight, width, kCaptionHeight};
}

TfrView *TfrDesignerCanvas::ViewAt(QPointF designPos) const { return d->viewAt(designPos); }
QList<QLineF> TfrDesignerCanvas::Guides() const { return d->guideLines; }

void TfrDesignerCanvas::SetTool(const TfrDesignTool &tool)
{
    d->cancelGesture();
    d->tool = tool;
    setCursor(tool.objectType >= 0 ? Qt::CrossCursor : Qt::ArrowCursor);
}

TfrDesignTool TfrDesignerCanvas::Tool() const { return d->tool; }

void TfrDesignerCanvas::SetCommonActions(const QList<QAction *> &actions)
{
    d->commonActions.clear();
    for (QAction *a : actions)
        d->commonActions.append(QPointer<QAction>(a));
    d->hasCommonActions = !actions.isEmpty();
}

// ---- changes of the document -------------------------------------------------------------

void TfrDesignerCanvas::Private::documentChanged(const TfrChange &change)
{
    switch (change.kind) {
    case frcObjectMoved:
    case frcProperty:
        // A drag repaints what it moves itself, once per mouse move.
        if (stepOpen && gesture != TfrGesture::None)
            return;
        // A band, or an object its band alignment places, may show anywhere: all again.
        if (auto *v = dynamic_cast<TfrView *>(change.object); v && v->Typ != otBand && v->BandAlign == baNone) {
            const QRect now = dirtyRect(*v);
            dirty(lastRects.value(v->objectNumber, now).united(now));
            lastRects.insert(v->objectNumber, now);
            return;
        }
        if (change.object && change.object == page())
            updateSize();
        dirtyAll();
        return;
    case frcReplaced:
        // Every view pointer is stale now.
        cancelGesture();
        lastRects.clear();
        updateSize();
        dirtyAll();
        return;
    default:
        if (change.kind == frcObjectDeleted || change.kind == frcPageRemoved)
            lastRects.remove(change.objectNumber);
        updateSize();
        dirtyAll();
    }
}

void TfrDesignerCanvas::Private::refuse(const QString &text)
{
    // The rest of a refused drag does nothing; the cursor says so until the pointer moves on.
    if (gesture != TfrGesture::None)
        gesture = TfrGesture::Refused;
    q->setCursor(Qt::ForbiddenCursor);
    emit q->StatusMessage(text);
}

QString TfrDesignerCanvas::Private::restrictionRefusal(quint16 bit) const
{
    // What a band carries along is moved with it, so it may refuse too.
    const QList<TfrView *> views = bit == frrfDontMove ? withBandObjects(doc->Selection()) : doc->Selection();
    for (const TfrView *v : views) {
        if (!(v->Restrictions & bit))
            continue;
        if (bit == frrfDontMove)
            return tr("Объект «%1» нельзя перемещать.").arg(v->Name);
        if (bit == frrfDontSize)
            return tr("У объекта «%1» нельзя менять размер.").arg(v->Name);
        if (bit == frrfDontDelete)
            return tr("Объект «%1» нельзя удалять.").arg(v->Name);
        return tr("Объект «%1» нельзя изменять.").arg(v->Name);
    }
    return {};
}

// ---- gestures -----------------------------------------------------------------------------

void TfrDesignerCanvas::Private::setBounds(TfrView &v, const QRect &r)
{
    if (v.Left == r.left() && v.Top == r.top() && v.Width == r.width() && v.Height == r.height())
        return;
    doc->Report().SetObjectBounds(v, r.left(), r.top(), r.width(), r.height());
}

void TfrDesignerCanvas::Private::beginGesture(TfrGesture g)
{
    gesture = g;
    origins.clear();
    const QList<TfrView *> selection = doc->Selection();
    const QList<TfrView *> moving = g == TfrGesture::Move ? withBandObjects(selection) : selection;
    for (TfrView *v : moving)
        origins.push_back({v, QRect(v->Left, v->Top, v->Width, v->Height)});
    originBox = QRect();
    bandGesture = false;
    for (TfrView *v : selection) {
        originBox = originBox.isNull() ? designRect(*v) : originBox.united(designRect(*v));
        if (v->Typ == otBand) {
            bandGesture = true;
            crossBand = frIsCrossBand(v->FrameTyp);
        }
    }
    collectEdges();
    doc->BeginStep(g == TfrGesture::Move ? tr("Перемещение") : tr("Изменение размера"));
    stepOpen = true;
}

void TfrDesignerCanvas::Private::collectEdges()
{
    edgesX.clear();
    edgesY.clear();
    if (!guides || !page())
        return;
    QSet<const TfrView *> moving;
    for (const Origin &o : origins)
        moving.insert(o.view);
    const TfrPage &pg = *page();
    edgesX.reserve(pg.Objects.size() * 3 + 2);
    edgesY.reserve(pg.Objects.size() * 3 + 2);
    for (const auto &up : pg.Objects) {
        const TfrView &v = *up;
        if (moving.contains(&v))
            continue;
        if (v.Typ == otBand) {
            if (!frIsCrossBand(v.FrameTyp)) {
                edgesY.push_back(v.Top);
                edgesY.push_back(double(v.Top) + v.Height);
            }
            continue;
        }
        edgesX.insert(edgesX.end(), {double(v.Left), v.Left + v.Width / 2.0, double(v.Left) + v.Width});
        edgesY.insert(edgesY.end(), {double(v.Top), v.Top + v.Height / 2.0, double(v.Top) + v.Height});
    }
    edgesX.insert(edgesX.end(), {double(pg.LeftMargin()), double(pg.RightMargin())});
    edgesY.insert(edgesY.end(), {double(pg.TopMargin()), double(pg.BottomMargin())});
    std::sort(edgesX.begin(), edgesX.end());
    std::sort(edgesY.begin(), edgesY.end());
}

double TfrDesignerCanvas::Private::snapValue(double v, bool free) const
{
    if (free || !alignToGrid || grid <= 1)
        return v;
    return std::round(v / grid) * grid;
}

// The offset that brings the nearest of mine onto an edge within reach (NaN: none); found
// is that edge.
double TfrDesignerCanvas::Private::guideFor(const std::vector<double> &edges, std::initializer_list<double> mine,
                                           double &found) const
{
    double best = std::nan("");
    const double reach = kGuideReach / scale();
    for (double m : mine) {
        auto it = std::lower_bound(edges.begin(), edges.end(), m);
        for (auto c : {it, it == edges.begin() ? edges.end() : it - 1}) {
            if (c == edges.end())
                continue;
            const double off = *c - m;
            if (std::abs(off) <= reach && (std::isnan(best) || std::abs(off) < std::abs(best))) {
                best = off;
                found = *c;
            }
        }
    }
    return best;
}

QPointF TfrDesignerCanvas::Private::snapMove(const QRectF &box, QPointF delta, bool free)
{
    guideLines.clear();
    if (free)
        return delta;
    const QRectF moved = box.translated(delta);
    double dx = delta.x() + snapValue(moved.left(), false) - moved.left();
    double dy = delta.y() + snapValue(moved.top(), false) - moved.top();
    if (guides) {
        const QSize paper = paperSize();
        double found = 0;
        const double ox = guideFor(edgesX, {moved.left(), moved.center().x(), moved.right()}, found);
        if (!std::isnan(ox)) {
            dx = delta.x() + ox;
            guideLines.append(QLineF(found, 0, found, paper.height()));
        }
        const double oy = guideFor(edgesY, {moved.top(), moved.center().y(), moved.bottom()}, found);
        if (!std::isnan(oy)) {
            dy = delta.y() + oy;
            guideLines.append(QLineF(0, found, paper.width(), found));
        }
    }
    return {dx, dy};
}

void TfrDesignerCanvas::Private::dragMove(QPointF p, Qt::KeyboardModifiers mods)
{
    QPointF delta = p - pressDesign;
    if (bandGesture)
        delta = crossBand ? QPointF(delta.x(), 0) : QPointF(0, delta.y());
    const QList<QLineF> oldGuides = guideLines;
    QPointF snapped = snapMove(originBox, delta, mods & Qt::AltModifier);
    if (bandGesture)
        snapped = crossBand ? QPointF(snapped.x(), 0) : QPointF(0, snapped.y());
    const int dx = int(std::lround(snapped.x())), dy = int(std::lround(snapped.y()));
    QRect dirtyArea;
    for (const Origin &o : origins) {
        dirtyArea = dirtyArea.united(dirtyRect(*o.view));
        setBounds(*o.view, o.rect.translated(dx, dy));
        const QRect now = dirtyRect(*o.view);
        lastRects.insert(o.view->objectNumber, now);
        dirtyArea = dirtyArea.united(now);
    }
    this->dirty(dirtyArea);
    for (const QList<QLineF> *lines : {&oldGuides, static_cast<const QList<QLineF> *>(&guideLines)})
        for (const QLineF &l : *lines)
            q->update(widgetRect(QRectF(l.p1(), l.p2()).normalized()).adjusted(-2, -2, 2, 2));
}

void TfrDesignerCanvas::Private::dragResize(QPointF p, Qt::KeyboardModifiers mods)
{
    if (origins.empty())
        return;
    const Origin &o = origins.front();
    const bool free = mods & Qt::AltModifier;
    const QPointF delta = p - pressDesign;
    // From the rectangle as it was at the press (a band's as it is drawn).
    QRect from = o.rect;
    if (o.view->Typ == otBand) {
        const QSize paper = paperSize();
        from = crossBand ? QRect(o.rect.left(), 0, o.rect.width(), paper.height())
                         : QRect(0, o.rect.top(), paper.width(), o.rect.height());
    }
    double l = from.left(), t = from.top(), r = double(from.left()) + from.width(), b = double(from.top()) + from.height();
    const QList<QLineF> oldGuides = guideLines;
    guideLines.clear();
    const QSize paper = paperSize();
    auto moveEdge = [&](double &edge, double d, const std::vector<double> &edges, bool vertical) {
        edge = snapValue(edge + d, free);
        if (free || !guides)
            return;
        double found = 0;
        const double off = guideFor(edges, {edge}, found);
        if (std::isnan(off))
            return;
        edge = found;
        guideLines.append(vertical ? QLineF(found, 0, found, paper.height()) : QLineF(0, found, paper.width(), found));
    };
    if (handle == 0 || handle == 6 || handle == 7)
        moveEdge(l, delta.x(), edgesX, true);
    if (handle == 2 || handle == 3 || handle == 4)
        moveEdge(r, delta.x(), edgesX, true);
    if (handle == 0 || handle == 1 || handle == 2)
        moveEdge(t, delta.y(), edgesY, false);
    if (handle == 4 || handle == 5 || handle == 6)
        moveEdge(b, delta.y(), edgesY, false);
    // An edge dragged over the opposite one stops a pixel short of it.
    l = std::min(l, r - 1);
    t = std::min(t, b - 1);
    r = std::max(r, l + 1);
    b = std::max(b, t + 1);
    QRect next(int(std::lround(l)), int(std::lround(t)), int(std::lround(r - l)), int(std::lround(b - t)));
    if (o.view->Typ == otBand) {
        // A band keeps its stored span across the page.
        next = crossBand ? QRect(next.left(), o.rect.top(), next.width(), o.rect.height())
                         : QRect(o.rect.left(), next.top(), o.rect.width(), next.height());
    }
    QRect dirtyArea = dirtyRect(*o.view);
    setBounds(*o.view, next);
    dirtyArea = dirtyArea.united(dirtyRect(*o.view));
    lastRects.insert(o.view->objectNumber, dirtyRect(*o.view));
    this->dirty(dirtyArea);
    for (const QList<QLineF> *lines : {&oldGuides, static_cast<const QList<QLineF> *>(&guideLines)})
        for (const QLineF &ln : *lines)
            q->update(widgetRect(QRectF(ln.p1(), ln.p2()).normalized()).adjusted(-2, -2, 2, 2));
}

void TfrDesignerCanvas::Private::dragLineEnd(QPointF p, Qt::KeyboardModifiers mods)
{
    if (origins.empty())
        return;
    const Origin &o = origins.front();
    const bool free = mods & Qt::AltModifier;
    const bool wasHorizontal = o.rect.height() < o.rect.width();
    const QPointF start(o.rect.left(), o.rect.top());
    const QPointF end = wasHorizontal ? QPointF(o.rect.left() + o.rect.width(), o.rect.top())
                                      : QPointF(o.rect.left(), o.rect.top() + o.rect.height());
    const QPointF fixed = handle == 0 ? end : start;
    const QPointF moving((handle == 0 ? start : end) + (p - pressDesign));
    const QPointF to(snapValue(moving.x(), free), snapValue(moving.y(), free));
    const double dx = to.x() - fixed.x(), dy = to.y() - fixed.y();
    QRect next;
    int frame;
    if (std::abs(dx) >= std::abs(dy)) {
        next = QRect(int(std::lround(std::min(fixed.x(), to.x()))), int(std::lround(fixed.y())), int(std::lround(std::abs(dx))), 0);
        frame = frftTop;
    } else {
        next = QRect(int(std::lround(fixed.x())), int(std::lround(std::min(fixed.y(), to.y()))), 0, int(std::lround(std::abs(dy))));
        frame = frftLeft;
    }
    // A line of no length is still a line one pixel long.
    if (next.width() == 0 && next.height() == 0)
        next.setWidth(1);
    QRect dirtyArea = dirtyRect(*o.view);
    setBounds(*o.view, next);
    if (o.view->FrameTyp != frame)
        doc->Report().SetProperty(*o.view, QStringLiteral("FrameTyp"), TfrVariant(frame));
    dirtyArea = dirtyArea.united(dirtyRect(*o.view));
    lastRects.insert(o.view->objectNumber, dirtyRect(*o.view));
    this->dirty(dirtyArea);
}

void TfrDesignerCanvas::Private::finishGesture(QPointF p, Qt::KeyboardModifiers mods)
{
    const TfrGesture g = gesture;
    gesture = TfrGesture::None;
    TfrView *clicked = pressedView;
    pressedView = nullptr;
    if (stepOpen) {
        stepOpen = false;
        doc->EndStep();
    }
    origins.clear();
    if (!guideLines.isEmpty()) {
        guideLines.clear();
        q->update();
    }
    if (g == TfrGesture::Pending && clicked && !(mods & Qt::ShiftModifier)) {
        // A click (no drag) on a member of a group takes that one alone.
        if (doc->Selection().size() > 1 && doc->IsSelected(clicked))
            doc->Select(clicked);
    } else if (g == TfrGesture::Rubber) {
        const QRectF area = QRectF(pressDesign, p).normalized();
        QList<TfrView *> picked = (mods & Qt::ShiftModifier) ? doc->Selection() : QList<TfrView *>();
        if (page()) {
            for (const auto &up : page()->Objects) {
                if (up->Typ == otBand)
                    continue;
                QRectF r = designRect(*up);
                r.adjust(-0.5, -0.5, 0.5, 0.5); // lines have no area but are touched
                if (r.intersects(area) && !picked.contains(up.get()))
                    picked.append(up.get());
            }
        }
        rubber = QRectF();
        doc->SetSelection(picked);
        q->update();
    } else if (g == TfrGesture::Insert) {
        const TfrDesignTool t = tool;
        rubber = QRectF();
        const QPoint moved = q->ToWidget(p).toPoint() - pressWidget;
        QRect r;
        if (std::abs(moved.x()) >= 4 || std::abs(moved.y()) >= 4) {
            const QRectF area = QRectF(pressDesign, p).normalized();
            const QPointF tl(snapValue(area.left(), false), snapValue(area.top(), false));
            const QPointF br(snapValue(area.right(), false), snapValue(area.bottom(), false));
            r = QRect(QPoint(int(std::lround(tl.x())), int(std::lround(tl.y()))),
                      QSize(int(std::lround(br.x() - tl.x())), int(std::lround(br.y() - tl.y()))));
            // A line keeps the direction it was drawn in; its other extent is dropped.
            if (t.objectType == otLine)
                r = std::abs(moved.x()) >= std::abs(moved.y()) ? QRect(r.left(), int(std::lround(snapValue(pressDesign.y(), false))), r.width(), 0)
                                                                 : QRect(int(std::lround(snapValue(pressDesign.x(), false))), r.top(), 0, r.height());
        } else {
            r = QRect(int(std::lround(snapValue(pressDesign.x(), false))), int(std::lround(snapValue(pressDesign.y(), false))), 0, 0);
        }
        tool = TfrDesignTool();
        q->setCursor(Qt::ArrowCursor);
        if (t.objectType == otBand)
            q->InsertBand(t.bandType);
        else
            q->InsertObject(t, r);
        q->update();
        emit q->ToolFinished();
    }
}

void TfrDesignerCanvas::Private::cancelGesture()
{
    gesture = TfrGesture::None;
    pressedView = nullptr;
    origins.clear();
    rubber = QRectF();
    guideLines.clear();
    if (stepOpen) {
        stepOpen = false;
        doc->EndStep();
    }
}

// ---- mouse --------------------------------------------------------------------------------

void TfrDesignerCanvas::mousePressEvent(QMouseEvent *event)
{
    setFocus(Qt::MouseFocusReason);
    if (event->button() != Qt::LeftButton) {
        // A right click selects what it is over, for the context menu.
        if (event->button() == Qt::RightButton) {
            TfrView *v = d->viewAt(ToDesign(event->position()));
            if (v && !d->doc->IsSelected(v))
                d->doc->Select(v);
        }
        return;
    }
    d->cancelGesture();
    d->pressWidget = event->position().toPoint();
    d->pressDesign = ToDesign(event->position());
    if (d->tool.objectType >= 0) {
        d->gesture = TfrGesture::Insert;
        d->rubber = QRectF(d->pressDesign, QSizeF());
        return;
    }
    const int h = d->handleAt(d->pressWidget);
    if (h >= 0) {
        TfrView *v = d->doc->Selection().front();
        if (v->Restrictions & frrfDontSize) {
            d->gesture = TfrGesture::Pending;
            d->refuse(d->restrictionRefusal(frrfDontSize));
            return;
        }
        d->handle = h;
        d->beginGesture(d->isLine(*v) ? TfrGesture::LineEnd : TfrGesture::Resize);
        return;
    }
    TfrView *v = d->viewAt(d->pressDesign);
    if (v) {
        if (event->modifiers() & Qt::ShiftModifier) {
            d->doc->ToggleSelected(v);
            return;
        }
        if (!d->doc->IsSelected(v))
            d->doc->Select(v);
        d->gesture = TfrGesture::Pending;
        d->pressedView = v;
        return;
    }
    if (!(event->modifiers() & Qt::ShiftModifier))
        d->doc->ClearSelection();
    d->gesture = TfrGesture::Rubber;
    d->rubber = QRectF(d->pressDesign, QSizeF());
}

void TfrDesignerCanvas::mouseMoveEvent(QMouseEvent *event)
{
    const QPointF p = ToDesign(event->position());
    emit PointerMoved(p);
    switch (d->gesture) {
    case TfrGesture::None:
        break;
    case TfrGesture::Refused:
        return;
    case TfrGesture::Pending: {
        const QPoint moved = event->position().toPoint() - d->pressWidget;
        if (std::max(std::abs(moved.x()), std::abs(moved.y())) < kDragThreshold)
            return;
        const QString refusal = d->restrictionRefusal(frrfDontMove);
        if (!refusal.isEmpty()) {
            d->refuse(refusal);
            return;
        }
        d->beginGesture(TfrGesture::Move);
        d->dragMove(p, event->modifiers());
        return;
    }
    case TfrGesture::Move:
        d->dragMove(p, event->modifiers());
        return;
    case TfrGesture::Resize:
        d->dragResize(p, event->modifiers());
        return;
    case TfrGesture::LineEnd:
        d->dragLineEnd(p, event->modifiers());
        return;
    case TfrGesture::Rubber:
    case TfrGesture::Insert: {
        const QRect before = d->widgetRect(d->rubber.normalized()).adjusted(-2, -2, 2, 2);
        d->rubber = QRectF(d->pressDesign, p);
        update(before.united(d->widgetRect(d->rubber.normalized()).adjusted(-2, -2, 2, 2)));
        return;
    }
    }
    // Hovering: tell what a press would do here.
    if (d->tool.objectType >= 0) {
        setCursor(Qt::CrossCursor);
        return;
    }
    const int h = d->handleAt(event->position().toPoint());
    if (h >= 0) {
        const TfrView *v = d->doc->Selection().front();
        if (v->Restrictions & frrfDontSize)
            setCursor(Qt::ForbiddenCursor);
        else if (d->isLine(*v))
            setCursor(Qt::CrossCursor);
        else
            setCursor(h == 1 || h == 5 ? Qt::SizeVerCursor
                      : h == 3 || h == 7 ? Qt::SizeHorCursor
                      : h == 0 || h == 4 ? Qt::SizeFDiagCursor
                                         : Qt::SizeBDiagCursor);
        return;
    }
    if (const TfrView *v = d->viewAt(p))
        setCursor((v->Restrictions & frrfDontMove) ? Qt::ForbiddenCursor : Qt::SizeAllCursor);
    else
        setCursor(Qt::ArrowCursor);
}

void TfrDesignerCanvas::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return;
    if (d->gesture == TfrGesture::Refused) {
        d->gesture = TfrGesture::None;
        return;
    }
    d->finishGesture(ToDesign(event->position()), event->modifiers());
}

void TfrDesignerCanvas::mouseDoubleClickEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return;
    d->cancelGesture();
    TfrView *v = d->viewAt(ToDesign(event->position()));
    if (!v)
        return;
    if (v->Restrictions & frrfDontModify) {
        d->refuse(tr("Объект «%1» нельзя изменять.").arg(v->Name));
        return;
    }
    d->doc->Select(v);
    emit EditRequested(v);
}

void TfrDesignerCanvas::wheelEvent(QWheelEvent *event)
{
    // Ctrl+wheel zooms; the plain wheel scrolls the window's scroll area.
    if (!(event->modifiers() & Qt::ControlModifier) || event->angleDelta().y() == 0) {
        event->ignore();
        return;
    }
    SetZoom(std::round(d->zoom * (event->angleDelta().y() > 0 ? 1.25 : 0.8)));
    event->accept();
}

// ---- keys ---------------------------------------------------------------------------------

bool TfrDesignerCanvas::focusNextPrevChild(bool)
{
    // Tab steps through the page's objects instead of leaving the canvas.
    return false;
}

void TfrDesignerCanvas::keyPressEvent(QKeyEvent *event)
{
    const Qt::KeyboardModifiers mods = event->modifiers();
    const int step = (mods & Qt::ControlModifier) ? d->grid : 1;
    int dx = 0, dy = 0;
    switch (event->key()) {
    case Qt::Key_Left: dx = -step; break;
    case Qt::Key_Right: dx = step; break;
    case Qt::Key_Up: dy = -step; break;
    case Qt::Key_Down: dy = step; break;
    case Qt::Key_A:
        if (mods & Qt::ControlModifier) {
            SelectAll();
            return;
        }
        QWidget::keyPressEvent(event);
        return;
    case Qt::Key_Escape:
        if (d->gesture != TfrGesture::None) {
            d->cancelGesture();
            update();
        } else if (d->tool.objectType >= 0) {
            SetTool(TfrDesignTool());
            emit ToolFinished();
        } else {
            d->doc->ClearSelection();
        }
        return;
    case Qt::Key_Delete:
        DeleteSelection();
        return;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (d->doc->Selection().size() == 1) {
            TfrView *v = d->doc->Selection().front();
            if (v->Restrictions & frrfDontModify)
                d->refuse(d->restrictionRefusal(frrfDontModify));
            else
                emit EditRequested(v);
        }
        return;
    case Qt::Key_Tab:
    case Qt::Key_Backtab: {
        const TfrPage *pg = d->page();
        if (!pg || pg->Objects.empty())
            return;
        const bool back = event->key() == Qt::Key_Backtab || (mods & Qt::ShiftModifier);
        const int n = int(pg->Objects.size());
        int at = d->doc->Selection().isEmpty() ? -1 : pg->FindObjectByID(d->doc->Selection().back()->objectNumber);
        at = at < 0 ? (back ? n - 1 : 0) : (at + (back ? n - 1 : 1)) % n;
        d->doc->Select(pg->Objects[size_t(at)].get());
        return;
    }
    default:
        QWidget::keyPressEvent(event);
        return;
    }
    if (mods & Qt::ShiftModifier)
        ResizeSelection(dx, dy);
    else
        MoveSelection(dx, dy);
}

bool TfrDesignerCanvas::MoveSelection(int dx, int dy)
{
    const QList<TfrView *> selection = d->doc->Selection();
    if (selection.isEmpty() || (dx == 0 && dy == 0))
        return false;
    const QString refusal = d->restrictionRefusal(frrfDontMove);
    if (!refusal.isEmpty()) {
        d->refuse(refusal);
        return false;
    }
    // Bands move across their own axis only.
    bool band = false, cross = false;
    for (const TfrView *v : selection)
        if (v->Typ == otBand) {
            band = true;
            cross = frIsCrossBand(v->FrameTyp);
        }
    if (band)
        (cross ? dy : dx) = 0;
    if (dx == 0 && dy == 0)
        return false;
    const QList<TfrView *> moving = d->withBandObjects(selection);
    d->doc->Edit(tr("Перемещение"), [&] {
        for (TfrView *v : moving)
            d->setBounds(*v, QRect(v->Left + dx, v->Top + dy, v->Width, v->Height));
    });
    return true;
}

bool TfrDesignerCanvas::ResizeSelection(int dw, int dh)
{
    const QList<TfrView *> selection = d->doc->Selection();
    if (selection.isEmpty() || (dw == 0 && dh == 0))
        return false;
    const QString refusal = d->restrictionRefusal(frrfDontSize);
    if (!refusal.isEmpty()) {
        d->refuse(refusal);
        return false;
    }
    d->doc->Edit(tr("Изменение размера"), [&] {
        for (TfrView *v : selection) {
            int w = v->Width + dw, h = v->Height + dh;
            if (v->Typ == otBand)
                (frIsCrossBand(v->FrameTyp) ? h : w) = frIsCrossBand(v->FrameTyp) ? v->Height : v->Width;
            // A line keeps its direction; other objects stay at least a pixel in size.
            const int least = d->isLine(*v) ? 0 : 1;
            if (d->isLine(*v))
                (v->Height < v->Width ? h : w) = v->Height < v->Width ? v->Height : v->Width;
            d->setBounds(*v, QRect(v->Left, v->Top, std::max(w, least), std::max(h, least)));
        }
    });
    return true;
}

void TfrDesignerCanvas::contextMenuEvent(QContextMenuEvent *event)
{
    if (d->gesture != TfrGesture::None)
        return;
    TfrView *v = d->viewAt(ToDesign(event->pos()));
    if (v && !d->doc->IsSelected(v))
        d->doc->Select(v);
    std::unique_ptr<QMenu> menu(CreateContextMenu(this));
    menu->exec(event->globalPos());
}
