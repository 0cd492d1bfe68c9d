// Placeholder until the canvas lands.
#include "report/designer/designer_canvas.h"

struct TfrDesignerCanvas::Private {
    TfrDesignerDocument *doc = nullptr;
    double zoom = 100;
    int grid = 4;
    bool showGrid = true, alignToGrid = true, guides = true;
    TfrDesignTool tool;
};

TfrDesignerCanvas::TfrDesignerCanvas(TfrDesignerDocument &doc, QWidget *parent)
    : QWidget(parent), d(std::make_unique<Private>())
{
    d->doc = &doc;
}
TfrDesignerCanvas::~TfrDesignerCanvas() = default;
double TfrDesignerCanvas::Zoom() const { return d->zoom; }
void TfrDesignerCanvas::SetZoom(double percent) { d->zoom = percent; }
double TfrDesignerCanvas::PageWidthZoom(QSize) const { return 100; }
double TfrDesignerCanvas::WholePageZoom(QSize) const { return 100; }
int TfrDesignerCanvas::GridSize() const { return d->grid; }
void TfrDesignerCanvas::SetGridSize(int g) { d->grid = g; }
bool TfrDesignerCanvas::ShowGrid() const { return d->showGrid; }
void TfrDesignerCanvas::SetShowGrid(bool on) { d->showGrid = on; }
bool TfrDesignerCanvas::AlignToGrid() const { return d->alignToGrid; }
void TfrDesignerCanvas::SetAlignToGrid(bool on) { d->alignToGrid = on; }
bool TfrDesignerCanvas::ShowGuides() const { return d->guides; }
void TfrDesignerCanvas::SetShowGuides(bool on) { d->guides = on; }
QPointF TfrDesignerCanvas::ToDesign(QPointF p) const { return p; }
QPointF TfrDesignerCanvas::ToWidget(QPointF p) const { return p; }
void TfrDesignerCanvas::SetTool(const TfrDesignTool &tool) { d->tool = tool; }
TfrDesignTool TfrDesignerCanvas::Tool() const { return d->tool; }
bool TfrDesignerCanvas::InsertBand(int) { return false; }
void TfrDesignerCanvas::SelectAll() {}
void TfrDesignerCanvas::DeleteSelection() {}
void TfrDesignerCanvas::BringToFront() {}
void TfrDesignerCanvas::SendToBack() {}
