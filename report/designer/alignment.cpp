#include "report/designer/alignment.h"

#include <QCoreApplication>
#include <QList>
#include <QRect>
#include <algorithm>
#include <cmath>
#include <map>

#include "report/designer/band_layout.h"
#include "report/designer/designer_document.h"
#include "report/model/band_view.h"
#include "report/model/page.h"
#include "report/model/report.h"
#include "report/model/view.h"

namespace {

// Half of d rounded toward minus infinity, so centring a wider object moves it as far
// left as centring a narrower one moves it right.
int half(int d) { return d >= 0 ? d / 2 : -((-d + 1) / 2); }

bool canMove(const TfrView &v) { return !(v.Restrictions & frrfDontMove); }
bool canSize(const TfrView &v) { return !(v.Restrictions & frrfDontSize); }

bool changesPosition(TfrAlignCommand c) { return c != TfrAlignCommand::SameWidth && c != TfrAlignCommand::SameHeight; }

// The new bounds of each object the command changes.
using Placement = std::map<TfrView *, QRect>;

QRect boundsOf(const TfrView &v) { return QRect(v.Left, v.Top, v.Width, v.Height); }

// Lines the others up with the reference (the first selected object).
Placement toReference(const QList<TfrView *> &views, TfrAlignCommand command)
{
    Placement out;
    const TfrView &ref = *views.front();
    for (TfrView *v : views.mid(1)) {
        QRect r = boundsOf(*v);
        switch (command) {
        case TfrAlignCommand::Lefts: r.moveLeft(ref.Left); break;
        case TfrAlignCommand::Centres: r.moveLeft(ref.Left + half(ref.Width - v->Width)); break;
        case TfrAlignCommand::Rights: r.moveLeft(ref.Left + ref.Width - v->Width); break;
        case TfrAlignCommand::Tops: r.moveTop(ref.Top); break;
        case TfrAlignCommand::Middles: r.moveTop(ref.Top + half(ref.Height - v->Height)); break;
        case TfrAlignCommand::Bottoms: r.moveTop(ref.Top + ref.Height - v->Height); break;
        case TfrAlignCommand::SameWidth: r.setWidth(ref.Width); break;
        case TfrAlignCommand::SameHeight: r.setHeight(ref.Height); break;
        default: break;
        }
        out[v] = r;
    }
    return out;
}

// Keeps the first and the last object (by position) and gives every gap between
// neighbours the same size; rounding goes to the nearest pixel, so the last one ends
// where it ended.
Placement spaced(QList<TfrView *> views, bool across)
{
    auto start = [across](const TfrView *v) { return across ? v->Left : v->Top; };
    auto extent = [across](const TfrView *v) { return across ? v->Width : v->Height; };
    std::stable_sort(views.begin(), views.end(), [&](const TfrView *a, const TfrView *b) { return start(a) < start(b); });
    const TfrView *first = views.front();
    const TfrView *last = views.back();
    qint64 total = 0;
    for (const TfrView *v : views)
        total += extent(v);
    const double span = double(qint64(start(last)) + extent(last) - start(first));
    const double gap = (span - double(total)) / double(views.size() - 1);
    Placement out;
    double at = start(first);
    for (TfrView *v : views) {
        QRect r = boundsOf(*v);
        const int pos = int(std::lround(at));
        if (across)
            r.moveLeft(pos);
        else
            r.moveTop(pos);
        out[v] = r;
        at += extent(v) + gap;
    }
    return out;
}

// The selected objects of one band move as one block to the middle of the band; objects
// outside every band stay.
Placement centredInBand(const TfrPage &page, const QList<TfrView *> &views, bool across)
{
    std::map<TfrBandView *, QList<TfrView *>> byBand;
    QList<TfrBandView *> order;
    for (TfrView *v : views) {
        TfrBandView *band = frBandOf(page, *v);
        if (!band)
            continue;
        if (!byBand.count(band))
            order.append(band);
        byBand[band].append(v);
    }
    Placement out;
    for (TfrBandView *band : order) {
        const QList<TfrView *> &group = byBand[band];
        // The block's extent along the axis (lines may be zero wide or high).
        qint64 from = across ? group.front()->Left : group.front()->Top;
        qint64 to = from;
        for (const TfrView *v : group) {
            const qint64 a = across ? v->Left : v->Top;
            from = std::min(from, a);
            to = std::max(to, a + (across ? v->Width : v->Height));
        }
        const int blockSize = int(to - from);
        const int shift = across ? band->Left + half(band->Width - blockSize) - int(from)
                                 : band->Top + half(band->Height - blockSize) - int(from);
        for (TfrView *v : group)
            out[v] = boundsOf(*v).translated(across ? shift : 0, across ? 0 : shift);
    }
    return out;
}

Placement onGrid(const QList<TfrView *> &views, int grid)
{
    auto snap = [grid](int x) { return int(std::lround(double(x) / grid)) * grid; };
    Placement out;
    for (TfrView *v : views)
        out[v] = QRect(snap(v->Left), snap(v->Top), v->Width, v->Height);
    return out;
}

} // namespace

int frAlignMinimumSelection(TfrAlignCommand command)
{
    switch (command) {
    case TfrAlignCommand::SpaceAcross:
    case TfrAlignCommand::SpaceDown: return 3;
    case TfrAlignCommand::CentreInBandAcross:
    case TfrAlignCommand::CentreInBandDown:
    case TfrAlignCommand::ToGrid: return 1;
    default: return 2;
    }
}

QString frAlignCommandText(TfrAlignCommand command)
{
    auto tr = [](const char *text) { return QCoreApplication::translate("TfrAlignment", text); };
    switch (command) {
    case TfrAlignCommand::Lefts: return tr("Выровнять по левому краю");
    case TfrAlignCommand::Centres: return tr("Выровнять центры по горизонтали");
    case TfrAlignCommand::Rights: return tr("Выровнять по правому краю");
    case TfrAlignCommand::Tops: return tr("Выровнять по верхнему краю");
    case TfrAlignCommand::Middles: return tr("Выровнять центры по вертикали");
    case TfrAlignCommand::Bottoms: return tr("Выровнять по нижнему краю");
    case TfrAlignCommand::SameWidth: return tr("Одинаковая ширина");
    case TfrAlignCommand::SameHeight: return tr("Одинаковая высота");
    case TfrAlignCommand::SpaceAcross: return tr("Равные промежутки по горизонтали");
    case TfrAlignCommand::SpaceDown: return tr("Равные промежутки по вертикали");
    case TfrAlignCommand::CentreInBandAcross: return tr("По центру бэнда по горизонтали");
    case TfrAlignCommand::CentreInBandDown: return tr("По центру бэнда по вертикали");
    case TfrAlignCommand::ToGrid: return tr("Выровнять по сетке");
    }
    return QString();
}

bool frAlignSelection(TfrDesignerDocument &doc, TfrAlignCommand command, int gridSize)
{
    TfrPage *page = doc.CurrentPage();
    if (!page)
        return false;
    QList<TfrView *> views;
    for (TfrView *v : doc.Selection())
        if (v->Typ != otBand)
            views.append(v);
    if (views.size() < frAlignMinimumSelection(command))
        return false;
    if (command == TfrAlignCommand::ToGrid && gridSize <= 0)
        return false;

    Placement placement;
    switch (command) {
    case TfrAlignCommand::SpaceAcross: placement = spaced(views, true); break;
    case TfrAlignCommand::SpaceDown: placement = spaced(views, false); break;
    case TfrAlignCommand::CentreInBandAcross: placement = centredInBand(*page, views, true); break;
    case TfrAlignCommand::CentreInBandDown: placement = centredInBand(*page, views, false); break;
    case TfrAlignCommand::ToGrid: placement = onGrid(views, gridSize); break;
    default: placement = toReference(views, command); break;
    }

    if (placement.empty())
        return false; // nothing the command could place (no object inside a band)
    // Objects already in place need nothing; restricted ones drop out. When everything that
    // would change is restricted, the command does not apply.
    const bool moves = changesPosition(command);
    bool refused = false;
    for (auto it = placement.begin(); it != placement.end();) {
        const bool unchanged = it->second == boundsOf(*it->first);
        const bool restricted = moves ? !canMove(*it->first) : !canSize(*it->first);
        refused = refused || (restricted && !unchanged);
        if (unchanged || restricted)
            it = placement.erase(it);
        else
            ++it;
    }
    if (placement.empty())
        return !refused;

    doc.Edit(frAlignCommandText(command), [&] {
        // In page order, so the change notices come as the page holds the objects.
        for (const auto &owned : page->Objects) {
            const auto it = placement.find(owned.get());
            if (it == placement.end())
                continue;
            const QRect &r = it->second;
            doc.Report().SetObjectBounds(*owned, r.left(), r.top(), r.width(), r.height());
        }
    });
    return true;
}
