// Drawing the page: grey around white paper, margins, grid, every object by its own
// designer-time drawing, band captions, then the selection, rubber band and guides.
#include <QPaintEvent>
#include <QPainter>
#include <cmath>

#include "report/designer/designer_canvas_p.h"
#include "report/eval/globals.h"
#include "report/model/band_view.h"
#include "report/model/page.h"
#include "report/model/report.h"

namespace {

// The engine's current objects while views draw themselves for the designer, and back.
class DesignDrawContext {
public:
    DesignDrawContext(TfrReport &report, TfrPage *page)
        : m_report(CurReport), m_page(CurPage), m_band(CurBand), m_view(CurView), m_mode(DocMode),
          m_disabled(DisableDrawing)
    {
        CurReport = &report;
        CurPage = page;
        CurBand = nullptr;
        DocMode = dmDesigning;
        DisableDrawing = false;
    }
    ~DesignDrawContext()
    {
        CurReport = m_report;
        CurPage = m_page;
        CurBand = m_band;
        CurView = m_view;
        DocMode = m_mode;
        DisableDrawing = m_disabled;
    }
    DesignDrawContext(const DesignDrawContext &) = delete;
    DesignDrawContext &operator=(const DesignDrawContext &) = delete;

private:
    TfrReport *m_report;
    TfrPage *m_page;
    TfrBand *m_band;
    TfrView *m_view;
    TfrDocMode m_mode;
    bool m_disabled;
};

// Draws a view as it draws itself for the designer, leaving the template as it was: some
// views settle their geometry while they draw (band spans, line direction, band
// alignment), and the designer changes the template only through its steps.
void drawView(TfrView &v, QPainter &p)
{
    const int left = v.Left, top = v.Top, width = v.Width, height = v.Height;
    const quint16 frame = v.FrameTyp;
    const double frameWidth = v.FrameWidth;
    v.drawScaleX = v.drawScaleY = 1.0;
    v.drawOffsetX = v.drawOffsetY = 0;
    v.toPrinter = false;
    p.save();
    try {
        v.Draw(&p);
    } catch (const std::exception &) {
        // A view that cannot draw itself must not take the page down with it.
    }
    p.restore();
    v.Left = left;
    v.Top = top;
    v.Width = width;
    v.Height = height;
    v.FrameTyp = frame;
    v.FrameWidth = frameWidth;
}

// Widget pixels up to which the page's layer is kept between repaints (about 24 MB).
constexpr qint64 kMaxCachePixels = 6'000'000;

const QColor kDesk(0x9A, 0x9A, 0x9A);
const QColor kGridDot(0xC8, 0xC8, 0xD8);
const QColor kSelection(0x1E, 0x5A, 0xC8);
const QColor kGuide(0xE0, 0x20, 0xA0);

} // namespace

void TfrDesignerCanvas::paintEvent(QPaintEvent *event)
{
    QPainter p(this);
    const QRect exposed = event->rect();
    const double dpr = devicePixelRatioF();
    const QSize pixels = (QSizeF(size()) * dpr).toSize();
    if (qint64(pixels.width()) * pixels.height() > kMaxCachePixels) {
        d->cache = QPixmap();
        d->paintContent(p, exposed);
    } else {
        if (d->cache.size() != pixels) {
            d->cache = QPixmap(pixels);
            d->cache.setDevicePixelRatio(dpr);
            d->cacheDirty = QRegion(rect());
        }
        const QRegion todo = d->cacheDirty.intersected(exposed);
        if (!todo.isEmpty()) {
            QPainter cp(&d->cache);
            cp.setClipRegion(todo);
            d->paintContent(cp, todo.boundingRect());
            d->cacheDirty -= todo;
        }
        p.drawPixmap(QRectF(exposed), d->cache, QRectF(QPointF(exposed.topLeft()) * dpr, QSizeF(exposed.size()) * dpr));
    }
    d->paintOverlay(p);
}

void TfrDesignerCanvas::Private::dirty(const QRect &r)
{
    cacheDirty += r;
    q->update(r);
}

void TfrDesignerCanvas::Private::dirtyAll()
{
    cacheDirty = QRegion(q->rect());
    q->update();
}

void TfrDesignerCanvas::Private::dirtyCaptions()
{
    if (const TfrPage *pg = page())
        for (const auto &v : pg->Objects)
            if (v->Typ == otBand)
                dirty(widgetRect(q->CaptionRect(*v)).adjusted(-2, -2, 2, 2));
}

void TfrDesignerCanvas::Private::paintContent(QPainter &p, const QRect &exposed)
{
    p.fillRect(exposed, kDesk);
    TfrPage *pg = page();
    if (!pg)
        return;
    const QSize paperDesign = paperSize();
    const QRect paper = widgetRect(QRectF(QPointF(0, 0), QSizeF(paperDesign)));
    p.fillRect(paper.translated(3, 3).intersected(exposed), QColor(0x70, 0x70, 0x70));
    p.fillRect(paper.intersected(exposed), Qt::white);

    const double s = scale();
    // The exposed area in design pixels, widened for frames and caption strips.
    const QRectF area = QRectF((exposed.left() - kCanvasPad) / s, (exposed.top() - kCanvasPad) / s,
                               exposed.width() / s, exposed.height() / s)
                            .adjusted(-kCaptionHeight - 8, -kCaptionHeight - 8, kCaptionHeight + 8, kCaptionHeight + 8);

    if (showGrid)
        paintGrid(p, exposed, paper);

    p.save();
    p.setClipRect(exposed, Qt::IntersectClip);
    p.translate(kCanvasPad, kCanvasPad);
    p.scale(s, s);
    // Margins: a thin dashed line.
    {
        QPen pen(QColor(0x80, 0x80, 0x80), 0, Qt::DashLine);
        p.setPen(pen);
        p.setBrush(Qt::NoBrush);
        p.drawRect(QRectF(pg->LeftMargin(), pg->TopMargin(), pg->RightMargin() - pg->LeftMargin(),
                          pg->BottomMargin() - pg->TopMargin()));
    }
    {
        DesignDrawContext context(doc->Report(), pg);
        // Bands first, so their hatching lies under the objects whatever the page order;
        // then their captions, those of cross bands on top.
        for (const auto &up : pg->Objects) {
            if (up->Typ == otBand && QRectF(designRect(*up)).adjusted(-1, -1, 1, 1).intersects(area))
                drawView(*up, p);
        }
        for (bool cross : {false, true}) {
            for (const auto &up : pg->Objects) {
                if (up->Typ != otBand || frIsCrossBand(up->FrameTyp) != cross)
                    continue;
                if (QRectF(q->CaptionRect(*up)).intersects(area))
                    paintCaption(p, static_cast<const TfrBandView &>(*up), doc->IsSelected(up.get()));
            }
        }
        for (const auto &up : pg->Objects) {
            TfrView &v = *up;
            if (v.Typ == otBand)
                continue;
            const double reach = std::max(1.0, v.FrameWidth) * 2 + 4;
            if (!QRectF(v.Left, v.Top, v.Width, v.Height).adjusted(-reach, -reach, reach, reach).intersects(area))
                continue;
            drawView(v, p);
            // Where it now is in the kept layer, to be cleared from there when it changes.
            lastRects.insert(v.objectNumber, dirtyRect(v));
        }
    }
    p.restore();
}

void TfrDesignerCanvas::Private::paintOverlay(QPainter &p)
{
    paintSelection(p);

    if (!rubber.isNull() || gesture == TfrGesture::Rubber || gesture == TfrGesture::Insert) {
        const QRect r = widgetRect(rubber.normalized());
        p.setPen(QPen(kSelection, 1, Qt::DashLine));
        p.setBrush(gesture == TfrGesture::Rubber ? QColor(0x1E, 0x5A, 0xC8, 0x30) : QColor(0, 0, 0, 0));
        p.drawRect(r);
    }
    if (!guideLines.isEmpty()) {
        p.setPen(QPen(kGuide, 1, Qt::DashLine));
        for (const QLineF &l : std::as_const(guideLines))
            p.drawLine(QLineF(q->ToWidget(l.p1()), q->ToWidget(l.p2())));
    }
}

void TfrDesignerCanvas::Private::paintGrid(QPainter &p, const QRect &exposed, const QRect &paper)
{
    const double step = grid * scale();
    // A grid finer than this is a grey smear, not a help.
    if (step < 4)
        return;
    const QRect target = paper.intersected(exposed);
    if (target.isEmpty())
        return;
    if (std::abs(step - std::round(step)) < 1e-9) {
        // Whole-pixel steps: one dot on a tile, the tile as a brush.
        const int n = int(std::lround(step));
        if (gridTile.isNull() || gridTileStep != n) {
            gridTile = QPixmap(n, n);
            gridTile.fill(Qt::transparent);
            QPainter tp(&gridTile);
            tp.setPen(kGridDot);
            tp.drawPoint(0, 0);
            gridTileStep = n;
        }
        QBrush brush(gridTile);
        brush.setTransform(QTransform::fromTranslate(paper.left(), paper.top()));
        p.fillRect(target, brush);
        return;
    }
    QList<QPointF> dots;
    const int firstX = int(std::ceil((target.left() - paper.left()) / step));
    const int firstY = int(std::ceil((target.top() - paper.top()) / step));
    for (double y = paper.top() + firstY * step; y <= target.bottom(); y += step)
        for (double x = paper.left() + firstX * step; x <= target.right(); x += step)
            dots.append(QPointF(std::floor(x) + 0.5, std::floor(y) + 0.5));
    p.setPen(kGridDot);
    p.drawPoints(dots.constData(), int(dots.size()));
}

void TfrDesignerCanvas::Private::paintCaption(QPainter &p, const TfrBandView &band, bool selected)
{
    static const QFont font = [] {
        QFont f(QStringLiteral("Arial"));
        f.setPixelSize(11);
        return f;
    }();
    const QRect r = q->CaptionRect(band);
    p.save();
    p.setPen(QPen(QColor(0x70, 0x70, 0x70), 0));
    p.setBrush(selected ? QColor(0xC4, 0xD8, 0xF4) : QColor(0xE4, 0xE4, 0xE4));
    p.drawRect(r);
    p.setPen(Qt::black);
    p.setFont(font);
    const QString text = frDesignerBandCaption(band);
    if (frIsCrossBand(band.FrameTyp)) {
        p.translate(r.left(), r.bottom() + 1);
        p.rotate(-90);
        p.drawText(QRect(0, 0, r.height(), r.width()).adjusted(4, 0, -2, 0), Qt::AlignVCenter | Qt::AlignLeft, text);
    } else {
        p.drawText(r.adjusted(4, 0, -2, 0), Qt::AlignVCenter | Qt::AlignLeft, text);
    }
    p.restore();
}

void TfrDesignerCanvas::Private::paintSelection(QPainter &p)
{
    const QList<TfrView *> &selection = doc->Selection();
    if (selection.isEmpty())
        return;
    p.save();
    p.setRenderHint(QPainter::Antialiasing, false);
    if (selection.size() == 1) {
        const TfrView &v = *selection.front();
        // Restricted objects show it: grey handles that cannot be taken, a grey frame
        // around what cannot move.
        const bool fixedSize = v.Restrictions & frrfDontSize;
        const bool fixedPlace = v.Restrictions & frrfDontMove;
        if (v.Typ != otBand || fixedPlace) {
            p.setPen(QPen(fixedPlace ? Qt::gray : kSelection, 1, fixedPlace ? Qt::DotLine : Qt::SolidLine));
            p.setBrush(Qt::NoBrush);
            p.drawRect(widgetRect(designRect(v)));
        }
        for (const auto &[id, pt] : handles(v)) {
            Q_UNUSED(id)
            const QRectF h(pt.x() - kHandleSize / 2.0, pt.y() - kHandleSize / 2.0, kHandleSize, kHandleSize);
            p.setPen(fixedSize ? Qt::gray : Qt::black);
            p.setBrush(fixedSize ? QColor(Qt::white) : kSelection);
            p.drawRect(h);
        }
    } else {
        // A group: each member outlined, a frame around them all.
        QRect box;
        p.setBrush(Qt::NoBrush);
        for (const TfrView *v : selection) {
            const QRect r = widgetRect(designRect(*v));
            p.setPen(QPen((v->Restrictions & frrfDontMove) ? Qt::gray : kSelection, 1, Qt::DotLine));
            p.drawRect(r);
            box = box.isNull() ? r : box.united(r);
        }
        p.setPen(QPen(kSelection, 1, Qt::DashLine));
        p.drawRect(box.adjusted(-3, -3, 3, 3));
    }
    p.restore();
}
