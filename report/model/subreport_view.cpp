#include "report/model/subreport_view.h"

#include <QPainter>

#include "report/eval/globals.h"
#include "report/eval/stream.h"
#include "report/model/text_layout.h"

TfrSubReportView::TfrSubReportView()
{
    Typ = otSubReport;
    nameStem = QStringLiteral("SubReport");
}

void TfrSubReportView::Draw(QPainter *canvas)
{
    BeginDraw(canvas);
    FrameWidth = 1;
    CalcGaps();
    if (Canvas && !DisableDrawing) {
        Canvas->save();
        Canvas->setPen(QPen(Qt::black, 0));
        Canvas->setBrush(Qt::white);
        Canvas->drawRect(QRect(Left, Top, Width, Height));
        TfrFont f;
        f.Size = 8;
        const TfrFontMetrics &m = frFontMetrics(f, frFontPixelHeight(8));
        Canvas->setFont(m.font());
        Canvas->setClipRect(innerRect.toQRect(), Qt::IntersectClip);
        Canvas->drawText(QPoint(Left + 2, Top + 2 + m.ascent()), Name);
        Canvas->restore();
    }
    RestoreCoord();
}

// | Field        | Bytes | Notes  |
// |--------------|-------|--------|
// | subPageIndex | 4     | always |

void TfrSubReportView::SaveToStream(TfrStream &Stream)
{
    TfrView::SaveToStream(Stream);
    frWriteInteger(Stream, subPageIndex);
}

void TfrSubReportView::LoadFromStream(TfrStream &Stream)
{
    TfrView::LoadFromStream(Stream);
    subPageIndex = frReadInteger(Stream);
}
