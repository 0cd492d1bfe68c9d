// The canvas's inside: gesture state, snapping and the helpers its drawing, mouse and
// editing parts share.
#pragma once

#include <QAction>
#include <QHash>
#include <QPixmap>
#include <QPointer>
#include <vector>

#include "report/designer/designer_canvas.h"

class TfrBandView;
class TfrPage;

// Screen pixels of grey around the paper (room for the band caption strips too).
inline constexpr int kCanvasPad = 24;
// Height of a band's caption strip in design pixels.
inline constexpr int kCaptionHeight = 18;
// Side of a selection handle and how far from it a press still takes it, screen pixels.
inline constexpr int kHandleSize = 6;
inline constexpr int kHandleReach = 4;
// How close an edge must come to another's for a guide to take it, screen pixels.
inline constexpr double kGuideReach = 5;

// Pending: pressed on an object, not yet dragged. Refused: a drag the object's
// restrictions forbid, ignored until the button is released.
enum class TfrGesture { None, Pending, Move, Resize, LineEnd, Rubber, Insert, Refused };

struct TfrDesignerCanvas::Private {
    TfrDesignerCanvas *q = nullptr;
    TfrDesignerDocument *doc = nullptr;
    double zoom = 100;
    int grid = 4;
    bool showGrid = true, alignToGrid = true, guides = true;
    TfrDesignTool tool;
    QList<QPointer<QAction>> commonActions;
    bool hasCommonActions = false;

    // ---- the gesture in progress ----
    TfrGesture gesture = TfrGesture::None;
    QPointF pressDesign;
    QPoint pressWidget;
    TfrView *pressedView = nullptr; // valid from press to release only
    int handle = -1;            // resize handle (0 top-left, clockwise to 7 left) or line end
    struct Origin {
        TfrView *view;
        QRect rect;
    };
    std::vector<Origin> origins; // what the gesture moves or sizes, as it was at the press
    QRect originBox;             // the selection's box at the press (bands excluded)
    bool bandGesture = false;    // a band leads: it moves across its own axis only
    bool crossBand = false;
    bool stepOpen = false;
    QRectF rubber;               // design pixels
    QList<QLineF> guideLines;    // design pixels
    std::vector<double> edgesX, edgesY; // other objects' edges and centres, sorted

    // ---- drawing ----
    QHash<qint32, QRect> lastRects; // where each view was last seen (widget pixels)
    QPixmap gridTile;
    int gridTileStep = 0;
    // What the page looks like without selection and guides, kept between repaints; only
    // the parts that changed are drawn again. None when the page is too large at the zoom.
    QPixmap cache;
    QRegion cacheDirty;

    // Something drawn in the page's layer changed there (widget pixels), or everywhere.
    void dirty(const QRect &r);
    void dirtyAll();
    void dirtyCaptions();

    TfrPage *page() const { return doc->CurrentPage(); }
    double scale() const { return zoom / 100.0; }
    QSize paperSize() const;          // design pixels
    QRect designRect(const TfrView &v) const;
    QRect widgetRect(const QRectF &design) const;
    QRect dirtyRect(const TfrView &v) const; // widget area a view and its handles cover
    TfrView *viewAt(QPointF designPos) const;
    // The handle of the single selection under a widget point, or -1.
    int handleAt(QPoint widgetPos) const;
    // The handles a view offers, by number, in widget pixels: eight around an object
    // (0 top-left, clockwise to 7 left), the two ends of a line (0 start, 1 end), the
    // edge a band grows at (5 bottom, or 3 right for a cross band).
    QList<std::pair<int, QPointF>> handles(const TfrView &v) const;
    bool isLine(const TfrView &v) const;

    void paintContent(QPainter &p, const QRect &exposed);
    void paintOverlay(QPainter &p);
    void paintGrid(QPainter &p, const QRect &exposed, const QRect &paper);
    void paintCaption(QPainter &p, const TfrBandView &band, bool selected);
    void paintSelection(QPainter &p);

    void beginGesture(TfrGesture g);
    void collectEdges();
    // Snaps a proposed box: grid first, then guides (which win); fills guideLines.
    QPointF snapMove(const QRectF &box, QPointF delta, bool free);
    double snapValue(double v, bool free) const;
    double guideFor(const std::vector<double> &edges, std::initializer_list<double> mine, double &found) const;
    void dragMove(QPointF designPos, Qt::KeyboardModifiers mods);
    void dragResize(QPointF designPos, Qt::KeyboardModifiers mods);
    void dragLineEnd(QPointF designPos, Qt::KeyboardModifiers mods);
    void finishGesture(QPointF designPos, Qt::KeyboardModifiers mods);
    void cancelGesture();
    void setBounds(TfrView &v, const QRect &r);
    void refuse(const QString &text);
    QString restrictionRefusal(quint16 bit) const;
    void updateSize();
    void documentChanged(const TfrChange &change);
    QList<TfrView *> withBandObjects(const QList<TfrView *> &views) const;
};
