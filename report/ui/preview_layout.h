// Where the preview puts its pages: the zoom of a zoom mode, how many pages fit in a row,
// each page's rectangle and how far the view scrolls. Plain arithmetic on the papers'
// sizes (design pixels) and the size of the box that shows them; the preview window
// applies it to its widgets.
#pragma once

#include <QRect>
#include <QSize>
#include <functional>
#include <vector>

enum TfrScaleMode { mdNone, mdPageWidth, mdOnePage, mdTwoPages };

class TfrPreviewLayout {
public:
    static constexpr int Gap = 10; // around and between pages, in screen pixels

    // paper(i): the paper of page i in design pixels. The current page's paper sets the
    // zoom of the modes that fit a page; mdNone keeps zoom (never 0 or less: 0.01).
    void Arrange(TfrScaleMode mode, double zoom, QSize box, int count, int current,
                 const std::function<QSize(int)> &paper);

    double Zoom() const { return m_zoom; }
    int PagesPerRow() const { return m_pagesPerRow; }
    // Page i's rectangle on the unscrolled view.
    const QRect &PageRect(int i) const { return m_rects[size_t(i)]; }
    // How far the view scrolls each way (0: it all fits).
    int HorizontalRange() const { return m_hRange; }
    int VerticalRange() const { return m_vRange; }

private:
    double m_zoom = 1;
    int m_pagesPerRow = 1;
    int m_hRange = 0, m_vRange = 0;
    std::vector<QRect> m_rects;
};
