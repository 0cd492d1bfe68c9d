#include "report/model/line_view.h"

#include <cmath>

TfrLineView::TfrLineView()
{
    Typ = otLine;
    nameStem = QStringLiteral("Line");
    FrameTyp = frftLeft;
    FillColor = clWhite;
}

void TfrLineView::DefineProperties()
{
    TfrView::DefineProperties();
    AddProperty(QStringLiteral("Stretched"), {frdtBoolean});
}

void TfrLineView::Draw(QPainter *canvas)
{
    BeginDraw(canvas);
    if (Height < Width) {
        Height = 0;
        FrameTyp = frftTop;
    } else {
        Width = 0;
        FrameTyp = frftLeft;
    }
    CalcGaps();
    ShowFrame();
    RestoreCoord();
}

void TfrLineView::StreamOut(TfrStream &Stream)
{
    TfrView::StreamOut(Stream);
    drawStage = drAll;
}

QRegion TfrLineView::GetClipRgn(TfrRgnType RegionType)
{
    const double w = FrameWidth;
    int a, b;
    if (FrameStyle == psDouble) {
        b = frTrunc(w * 1.5);
        a = frTrunc(std::trunc((w - 1) / 2) + w);
    } else {
        b = frTrunc(w * 0.5);
        a = frTrunc((w - 1) / 2);
    }
    TfrRect r;
    if (FrameTyp == frftLeft)
        r = {Left - b, Top, Left + Width + 1 + a, Top + Height + 1};
    else
        r = {Left, Top - b, Left + Width + 1, Top + Height + 1 + a};
    if (RegionType == rtExtended)
        r = {r.Left - 10, r.Top - 10, r.Right + 10, r.Bottom + 10};
    return QRegion(r.toQRect());
}
