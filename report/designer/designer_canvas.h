// The page being designed: paper, margins, grid, band captions and every object drawn by
// its own designer-time drawing, with selection, handles, moving, resizing, snapping and
// guides, and insertion of objects and bands. Every change goes through the document's
// steps (one step per gesture). The window puts it in a scroll area.
#pragma once

#include <QLineF>
#include <QList>
#include <QPointF>
#include <QRect>
#include <QWidget>
#include <memory>

#include "report/designer/designer_document.h"

class QAction;
class QMenu;
class TfrReport;
class TfrView;

// What a click on the paper does next: select, or insert an object of a type
// (otMemo, otPicture, otBand, otSubReport, otLine, or otAddIn with a class name).
struct TfrDesignTool {
    int objectType = -1;    // -1: select
    QString addInClass;     // for otAddIn
    int bandType = -1;      // for otBand: the type chosen in the menu
};

// The name a band type goes by in the designer ("Данные 1 уровня").
QString frDesignerBandName(int bandType);
// The text of a band's caption strip: its type, and its data source or condition when it
// has one ("Данные 1 уровня: frDBDataSet1").
QString frDesignerBandCaption(const TfrView &band);
// Whether a page may hold only one band of that type (the engine prints just the first).
bool frIsOncePerPageBand(int bandType);
// stem + the smallest number from 1 that no object of the report is named with (names
// compared ignoring case); empty when 1..10000 are all taken.
QString frDesignerUniqueName(const TfrReport &report, const QString &stem);

class TfrDesignerCanvas : public QWidget {
    Q_OBJECT
public:
    explicit TfrDesignerCanvas(TfrDesignerDocument &doc, QWidget *parent = nullptr);
    ~TfrDesignerCanvas() override;

    // ---- view ----
    // Percent, 25..400; at 100 one design pixel is one screen pixel.
    double Zoom() const;
    void SetZoom(double percent);
    // The zoom at which the page's width (or the whole page) fits a viewport of that size.
    double PageWidthZoom(QSize viewport) const;
    double WholePageZoom(QSize viewport) const;
    int GridSize() const;
    void SetGridSize(int designPixels);
    bool ShowGrid() const;
    void SetShowGrid(bool on);
    bool AlignToGrid() const;
    void SetAlignToGrid(bool on);
    bool ShowGuides() const;
    void SetShowGuides(bool on);

    // Draws the whole page again on the next repaint. What changes through the document is
    // redrawn by itself; this is for what the canvas cannot see (settings the views read
    // while they draw). A plain update() repaints from the page's kept layer.
    void Redraw();

    // Design pixels of the page under a widget position, and back.
    QPointF ToDesign(QPointF widgetPos) const;
    QPointF ToWidget(QPointF designPos) const;
    // A view's rectangle as drawn (bands span the page), in design pixels and on the widget.
    QRect DesignRect(const TfrView &view) const;
    QRect WidgetRect(const TfrView &view) const;
    // Where a band's caption strip is, in design pixels.
    QRect CaptionRect(const TfrView &band) const;
    // The object under a design point: objects before bands, the topmost first; a band
    // only by its caption strip. nullptr over empty paper.
    TfrView *ViewAt(QPointF designPos) const;
    // The alignment guides showing while something is dragged (design pixels).
    QList<QLineF> Guides() const;

    // ---- tools and commands ----
    void SetTool(const TfrDesignTool &tool);
    TfrDesignTool Tool() const;
    // Inserts a band of that type where bands of its type belong, moving the bands below
    // down; a second band of a once-per-page type is refused with a message.
    bool InsertBand(int bandType);
    // Inserts an object of the tool's type at rect (design pixels; an empty size takes
    // the type's default size) with a unique name; the new object, selected, or nullptr.
    TfrView *InsertObject(const TfrDesignTool &tool, QRect rect);
    void SelectAll();
    void DeleteSelection();
    void BringToFront();
    void SendToBack();
    // Moves the selection by (dx, dy) design pixels, or resizes it (one step); refused
    // for objects that may not move or change size.
    bool MoveSelection(int dx, int dy);
    bool ResizeSelection(int dw, int dh);

    // The context menu for the selection: the first selected object's own entries, then
    // the window's common actions (SetCommonActions) or the canvas's own delete, front and
    // back. The caller owns the menu.
    QMenu *CreateContextMenu(QWidget *parent);
    // Cut, copy, paste, delete, to front, to back as the window's actions (not owned),
    // shown in the context menu; a null entry is a separator.
    void SetCommonActions(const QList<QAction *> &actions);

    // A data field or variable dropped on the page (what dragging one from the data tree
    // does): a text object "[expression]" in the band under designPos (or whose caption
    // strip is under it), at that point
    // snapped to the grid and kept inside the band, as wide as the field's values need and
    // one line of the default font high. With withHeader the band's header band (master
    // header for master data, ...) also gets a text with the field's name at the same x and
    // width. One step; the new text object is selected and returned. Outside every band
    // nothing changes: nullptr, and StatusMessage says why.
    TfrView *DropField(const QString &expression, QPointF designPos, bool withHeader);

    QSize sizeHint() const override;

signals:
    // The pointer's position on the page in design pixels (status bar).
    void PointerMoved(QPointF designPos);
    // An insertion finished; the window puts its tool buttons back to select.
    void ToolFinished();
    // Double-click or Enter on an object: the window opens its editor.
    void EditRequested(TfrView *view);
    void ZoomChanged(double percent);
    // Why a gesture was refused, for the status bar.
    void StatusMessage(const QString &text);

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;
    bool focusNextPrevChild(bool next) override;
    void changeEvent(QEvent *event) override;
    // Fields and variables from the data tree (kFrFieldMimeType).
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    struct Private;
    std::unique_ptr<Private> d;
    friend struct Private;
};
