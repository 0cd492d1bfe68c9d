// The preview's page view: paints the prepared pages that are in view where the layout put
// them (each page's displayRect, moved by the scroll offset), with a frame and shadow, the
// grey between them and the search hit inverted. It unpacks only the pages on screen and
// releases every other, so thousands of pages cost no more than the few in view.
//
// The view decides nothing: presses, pointer moves, double clicks, the wheel and resizes go
// to whoever owns it, each with the page under the pointer and the point on that page.
#pragma once

#include <QPoint>
#include <QRect>
#include <QRectF>
#include <QWidget>
#include <functional>

class QMouseEvent;
class TfrEMFPages;
struct TfrPageInfo;

// What lies under a point of the view.
struct TfrPageHit {
    int page = -1; // 0-based; -1 between the pages or without pages
    QPoint point;  // on that page, in page units from its corner
};

// Where a page's content goes inside its rectangle: the whole paper, or for a page that
// keeps its margins, the margin box of the printable area.
QRect frPageContentRect(const TfrPageInfo &info, const QRect &pageRect);

class TfrPreviewPageView : public QWidget {
public:
    explicit TfrPreviewPageView(QWidget *parent = nullptr);

    // The pages shown; not owned (nullptr: none, the view is an empty surface).
    void SetPages(TfrEMFPages *pages) { m_pages = pages; }
    TfrEMFPages *Pages() const { return m_pages; }
    // Pixels per page unit, as the layout arranged the pages.
    void SetZoom(double zoom) { m_zoom = zoom; }
    double Zoom() const { return m_zoom; }
    // Where the layout's origin lies on the view (the negated scroll position).
    QPoint Offset() const { return m_offset; }
    void SetOffset(QPoint offset) { m_offset = offset; }
    // Moves the origin and shifts what is already painted instead of painting it all again.
    void ScrollTo(QPoint offset);
    // The search hit to show inverted: its page (-1 none) and rectangle in page units.
    void SetHighlight(int page, const QRectF &rect);
    // Painting waits while the owner changes the layout.
    void SetPaintAllowed(bool allowed) { m_paintAllowed = allowed; }

    // Where a page is drawn on the view now.
    QRect PageRect(int index) const;
    // The page under a point of the view and the point on it.
    TfrPageHit HitTest(QPoint viewPoint) const;

    // ---- what the owner is told ----
    std::function<void(QMouseEvent &event, const TfrPageHit &hit)> OnPress, OnPointerMove, OnDoubleClick;
    std::function<void(QMouseEvent &event)> OnRelease;
    // Whole notches of the wheel, up positive.
    std::function<void(int steps)> OnWheel;
    std::function<void()> OnResized;

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    TfrEMFPages *m_pages = nullptr;
    double m_zoom = 1.0;
    QPoint m_offset;
    int m_highlightPage = -1;
    QRectF m_highlightRect;
    bool m_paintAllowed = true;
};
