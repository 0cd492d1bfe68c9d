#include "report/ui/preview_page_view.h"

#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QWheelEvent>
#include <algorithm>
#include <vector>

#include "report/engine/prepared_pages.h"
#include "report/eval/errors.h"
#include "report/model/geometry.h"

namespace {

const QColor kBoxGrey(0x80, 0x80, 0x80);
const char *const kHelpContext = "helpContext";

} // namespace

QRect frPageContentRect(const TfrPageInfo &info, const QRect &pageRect)
{
    if (info.applyMargins)
        return pageRect;
    const TfrPrnInfo &p = info.prnInfo;
    const TfrRect &m = info.margins;
    const double z = pageRect.width() / std::max(1.0, double(p.paperWidthU));
    return QRect(pageRect.left() + frRound((double(p.offsetXU) + m.Left) * z),
                 pageRect.top() + frRound((double(p.offsetYU) + m.Top) * z),
                 frRound((double(p.printWidthU) - m.Left - m.Right) * z),
                 frRound((double(p.printHeightU) - m.Top - m.Bottom) * z));
}

TfrPreviewPageView::TfrPreviewPageView(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("PBox"));
    // The view paints every pixel itself: no background erasing.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    setProperty(kHelpContext, 207);
}

void TfrPreviewPageView::ScrollTo(QPoint offset)
{
    const QPoint d = offset - m_offset;
    m_offset = offset;
    if (!d.isNull())
        scroll(d.x(), d.y());
}

void TfrPreviewPageView::SetHighlight(int page, const QRectF &rect)
{
    m_highlightPage = page;
    m_highlightRect = page >= 0 ? rect : QRectF();
}

QRect TfrPreviewPageView::PageRect(int index) const
{
    return (*m_pages)[index].displayRect.toQRect().translated(m_offset);
}

TfrPageHit TfrPreviewPageView::HitTest(QPoint viewPoint) const
{
    TfrPageHit hit;
    if (!m_pages)
        return hit;
    for (int i = 0; i < m_pages->Count(); ++i) {
        const QRect r = PageRect(i);
        if (!r.contains(viewPoint))
            continue;
        hit.page = i;
        hit.point = QPoint(frRound((viewPoint.x() - r.left()) / m_zoom), frRound((viewPoint.y() - r.top()) / m_zoom));
        break;
    }
    return hit;
}

void TfrPreviewPageView::paintEvent(QPaintEvent *event)
{
    QPainter p(this);
    const QRect box = rect();
    if (!m_pages || m_pages->Count() == 0) {
        p.fillRect(box, palette().color(QPalette::Button));
        return;
    }
    if (!m_paintAllowed)
        return;
    TfrEMFPages &pages = *m_pages;
    const QRegion clip = event->region();
    QRegion grey = clip;
    std::vector<int> onScreen;
    for (int i = 0; i < pages.Count(); ++i) {
        const QRect r = PageRect(i);
        // The page with its frame and shadow.
        const QRect outer(r.left(), r.top(), r.width() + 1, r.height() + 1);
        const bool visible = r.top() <= box.bottom() && r.bottom() >= 0 && clip.intersects(outer);
        pages[i].keepUnpacked = visible;
        if (!visible)
            continue;
        onScreen.push_back(i);
        grey -= outer;
    }
    for (const QRect &g : grey)
        p.fillRect(g, kBoxGrey);
    for (int i : onScreen) {
        const QRect r = PageRect(i);
        p.fillRect(r, Qt::white);
        p.setPen(Qt::black);
        p.drawRect(r.adjusted(0, 0, -1, -1));
        p.drawLine(r.left() + 1, r.bottom() + 1, r.right() + 1, r.bottom() + 1);
        p.drawLine(r.right() + 1, r.top() + 1, r.right() + 1, r.bottom() + 1);
    }
    for (int i = 0; i < pages.Count(); ++i) {
        if (!pages[i].keepUnpacked) {
            pages.Draw(i, nullptr, QRect()); // releases the page
            continue;
        }
        const QRect r = PageRect(i);
        p.save();
        p.setClipRect(r, Qt::IntersectClip);
        try {
            pages.Draw(i, &p, frPageContentRect(pages[i], r));
        } catch (const EfrError &e) {
            // A page that cannot be read says so in its place.
            p.setPen(Qt::darkRed);
            p.drawText(r.adjusted(8, 8, -8, -8), Qt::AlignCenter | Qt::TextWordWrap, e.message());
        }
        p.restore();
    }
    if (m_highlightPage >= 0 && m_highlightPage < pages.Count() && pages[m_highlightPage].keepUnpacked) {
        const QRect r = PageRect(m_highlightPage);
        const QRectF f(r.left() + m_highlightRect.left() * m_zoom, r.top() + m_highlightRect.top() * m_zoom,
                       m_highlightRect.width() * m_zoom, m_highlightRect.height() * m_zoom);
        p.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
        p.fillRect(f.toAlignedRect(), Qt::white);
    }
}

void TfrPreviewPageView::mousePressEvent(QMouseEvent *event)
{
    if (OnPress)
        OnPress(*event, HitTest(event->position().toPoint()));
}

void TfrPreviewPageView::mouseMoveEvent(QMouseEvent *event)
{
    if (OnPointerMove)
        OnPointerMove(*event, HitTest(event->position().toPoint()));
}

void TfrPreviewPageView::mouseReleaseEvent(QMouseEvent *event)
{
    if (OnRelease)
        OnRelease(*event);
}

// The press that comes with a double click is not a second press.
void TfrPreviewPageView::mouseDoubleClickEvent(QMouseEvent *event)
{
    if (OnDoubleClick)
        OnDoubleClick(*event, HitTest(event->position().toPoint()));
}

void TfrPreviewPageView::wheelEvent(QWheelEvent *event)
{
    const int steps = event->angleDelta().y() / 120;
    if (steps != 0 && OnWheel)
        OnWheel(steps);
    event->accept();
}

void TfrPreviewPageView::resizeEvent(QResizeEvent *)
{
    if (OnResized)
        OnResized();
}
