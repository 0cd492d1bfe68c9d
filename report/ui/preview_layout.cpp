#include "report/ui/preview_layout.h"

#include <algorithm>

#include "report/model/geometry.h"

void TfrPreviewLayout::Arrange(TfrScaleMode mode, double zoom, QSize box, int count, int current,
                               const std::function<QSize(int)> &paper)
{
    m_rects.assign(size_t(std::max(count, 0)), QRect());
    m_zoom = zoom;
    m_pagesPerRow = 1;
    m_hRange = m_vRange = 0;
    if (count <= 0)
        return;
    const QSize cur = paper(std::clamp(current, 0, count - 1));
    const double W = std::max(1, cur.width()), H = std::max(1, cur.height());
    const int boxW = box.width(), boxH = box.height();

    switch (mode) {
    case mdPageWidth: m_zoom = (boxW - 2 * Gap) / W; break;
    case mdOnePage: m_zoom = (boxH - 2 * Gap) / H; break;
    case mdTwoPages: m_zoom = (boxW - 3 * Gap) / (2 * W); break;
    case mdNone: break;
    }
    // A box too small for any page still gets pages of a pixel or so.
    if (!(m_zoom > 0))
        m_zoom = 0.01;

    // Pages per row: the most that fit in any row when they are laid out one after the
    // other (at least one); the modes of one and two pages say it themselves.
    int x = Gap, n = 0, k = 0;
    for (int i = 0; i < count; ++i) {
        const int e = x + frRound(paper(i).width() * m_zoom) + Gap;
        if (e > boxW) {
            k = std::max(k, n);
            x = Gap;
            n = 0;
        } else {
            x = e;
            ++n;
            if (i == count - 1)
                k = std::max(k, n);
        }
    }
    if (k == 0)
        k = 1;
    if (mode == mdOnePage)
        k = 1;
    else if (mode == mdTwoPages)
        k = 2;
    m_pagesPerRow = k;

    // Rows, each as high as its highest page; a lone page narrower than the box is centred.
    int y = Gap, maxRight = 0, maxBottom = 0;
    for (int i = 0; i < count;) {
        int rowHeight = 0;
        x = Gap;
        for (int j = 0; j < k && i < count; ++j, ++i) {
            const QSize p = paper(i);
            const int w = frRound(p.width() * m_zoom);
            const int h = frRound(p.height() * m_zoom);
            const int left = k == 1 && w < boxW ? (boxW - w) / 2 : x;
            m_rects[size_t(i)] = QRect(left, y, w, h);
            maxRight = std::max(maxRight, left + w);
            maxBottom = std::max(maxBottom, y + h);
            x += w + Gap;
            rowHeight = std::max(rowHeight, h);
        }
        y += rowHeight + Gap;
    }

    const int hRange = maxRight - boxW;
    m_hRange = hRange < 0 ? 0 : hRange + Gap;
    const int vRange = maxBottom - boxH;
    m_vRange = vRange < 0 ? 0 : vRange + Gap;
}
