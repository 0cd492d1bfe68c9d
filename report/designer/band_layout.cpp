#include "report/designer/band_layout.h"

#include "report/model/band_view.h"
#include "report/model/page.h"

QList<TfrBandView *> frPageBands(const TfrPage &page)
{
    QList<TfrBandView *> bands;
    for (const auto &v : page.Objects)
        if (v->Typ == otBand)
            bands.append(static_cast<TfrBandView *>(v.get()));
    return bands;
}

namespace {

bool holdsTop(const TfrBandView &b, int top) { return top >= b.Top && qint64(top) <= qint64(b.Top) + b.Height; }

} // namespace

TfrBandView *frBandOf(const TfrPage &page, const TfrView &view)
{
    if (view.Typ == otBand)
        return nullptr;
    const QList<TfrBandView *> bands = frPageBands(page);
    // The engine claims objects band type by band type, each type's bands in page order.
    for (int t = 0; t < btNone; ++t) {
        if (frIsCrossBand(t))
            continue;
        for (TfrBandView *b : bands)
            if (b->GetBandType() == t && holdsTop(*b, view.Top))
                return b;
    }
    return nullptr;
}

TfrBandView *frCrossBandOf(const TfrPage &page, const TfrView &view)
{
    if (view.Typ == otBand)
        return nullptr;
    for (TfrBandView *b : frPageBands(page)) {
        if (frIsCrossBand(b->GetBandType()) && view.Left >= b->Left &&
            qint64(view.Left) + view.Width <= qint64(b->Left) + b->Width)
            return b;
    }
    return nullptr;
}

QList<TfrView *> frObjectsOfBand(const TfrPage &page, const TfrBandView &band)
{
    QList<TfrView *> result;
    const bool cross = frIsCrossBand(band.GetBandType());
    for (const auto &v : page.Objects) {
        if (v->Typ == otBand)
            continue;
        const TfrBandView *owner = cross ? frCrossBandOf(page, *v) : frBandOf(page, *v);
        if (owner == &band)
            result.append(v.get());
    }
    return result;
}

TfrBandView *frBandAt(const TfrPage &page, QPoint point)
{
    TfrBandView *cross = nullptr;
    for (TfrBandView *b : frPageBands(page)) {
        if (frIsCrossBand(b->GetBandType())) {
            if (!cross && point.x() >= b->Left && point.x() < b->Left + b->Width)
                cross = b;
            continue;
        }
        if (point.y() >= b->Top && point.y() < b->Top + b->Height)
            return b;
    }
    return cross;
}
