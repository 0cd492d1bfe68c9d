// The page being designed: paper, margins, grid, band captions and every object drawn by
// its own designer-time drawing, with selection, handles, moving, resizing, snapping and
// guides, and insertion of objects and bands. Every change goes through the document's
// steps (one step per gesture). The window puts it in a scroll area.
#pragma once

#include <QPointF>
#include <QWidget>

#include "report/designer/designer_document.h"

class TfrView;

// What a click on the paper does next: select, or insert an object of a type
// (otMemo, otPicture, otBand, otSubReport, otLine, or otAddIn with a class name).
struct TfrDesignTool {
    int objectType = -1;    // -1: select
    QString addInClass;     // for otAddIn
    int bandType = -1;      // for otBand: the type chosen in the menu
};

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

    // Design pixels of the page under a widget position, and back.
    QPointF ToDesign(QPointF widgetPos) const;
    QPointF ToWidget(QPointF designPos) const;

    // ---- tools and commands ----
    void SetTool(const TfrDesignTool &tool);
    TfrDesignTool Tool() const;
    // Inserts a band of that type where bands of its type belong, moving the bands below
    // down; a second band of a once-per-page type is refused with a message.
    bool InsertBand(int bandType);
    void SelectAll();
    void DeleteSelection();
    void BringToFront();
    void SendToBack();

signals:
    // The pointer's position on the page in design pixels (status bar).
    void PointerMoved(QPointF designPos);
    // An insertion finished; the window puts its tool buttons back to select.
    void ToolFinished();
    // Double-click or Enter on an object: the window opens its editor.
    void EditRequested(TfrView *view);
    void ZoomChanged(double percent);

private:
    struct Private;
    std::unique_ptr<Private> d;
};
