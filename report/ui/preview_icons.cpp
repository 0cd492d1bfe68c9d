#include "report/ui/preview_icons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace {

// One drawing on a 20 x 20 grid, scaled to the pixmap.
void drawGlyph(QPainter &p, TfrPreviewGlyph glyph)
{
    const QColor ink(0x30, 0x30, 0x30);
    const QColor paper(Qt::white);
    const QColor accent(0x2a, 0x6f, 0xc9);
    p.setPen(QPen(ink, 1.2));
    switch (glyph) {
    case TfrPreviewGlyph::Open: {
        p.setBrush(QColor(0xe8, 0xc0, 0x50));
        p.drawRect(QRectF(2, 5, 15, 11));
        p.setBrush(QColor(0xf6, 0xd8, 0x70));
        QPainterPath lid;
        lid.moveTo(2, 16);
        lid.lineTo(5, 9);
        lid.lineTo(19, 9);
        lid.lineTo(17, 16);
        lid.closeSubpath();
        p.drawPath(lid);
        break;
    }
    case TfrPreviewGlyph::Save:
        p.setBrush(accent);
        p.drawRect(QRectF(2.5, 2.5, 15, 15));
        p.setBrush(paper);
        p.drawRect(QRectF(5.5, 2.5, 9, 6));
        p.setBrush(QColor(0xd0, 0xd0, 0xd0));
        p.drawRect(QRectF(5, 11.5, 10, 6));
        break;
    case TfrPreviewGlyph::Print:
        p.setBrush(paper);
        p.drawRect(QRectF(5.5, 2.5, 9, 6));
        p.setBrush(QColor(0x90, 0x90, 0x90));
        p.drawRoundedRect(QRectF(2.5, 8.5, 15, 7), 1.5, 1.5);
        p.setBrush(paper);
        p.drawRect(QRectF(5.5, 12.5, 9, 5));
        break;
    case TfrPreviewGlyph::Find:
        p.setPen(QPen(ink, 2));
        p.setBrush(QColor(0xcf, 0xe6, 0xff));
        p.drawEllipse(QRectF(3, 3, 10, 10));
        p.setPen(QPen(ink, 3, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(12, 12), QPointF(17, 17));
        break;
    case TfrPreviewGlyph::Help: {
        p.setBrush(accent);
        p.drawEllipse(QRectF(2, 2, 16, 16));
        QFont f = p.font();
        f.setPixelSize(13);
        f.setBold(true);
        p.setFont(f);
        p.setPen(paper);
        p.drawText(QRectF(2, 2, 16, 16), Qt::AlignCenter, QStringLiteral("?"));
        break;
    }
    case TfrPreviewGlyph::Exit:
        p.setBrush(QColor(0xb0, 0x8a, 0x5a));
        p.drawRect(QRectF(4.5, 2.5, 9, 15));
        p.setPen(QPen(QColor(0xc0, 0x20, 0x20), 2.2, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(11, 10), QPointF(18, 10));
        p.drawLine(QPointF(15, 7), QPointF(18, 10));
        p.drawLine(QPointF(15, 13), QPointF(18, 10));
        break;
    case TfrPreviewGlyph::PageSetup:
        p.setBrush(paper);
        p.drawRect(QRectF(4.5, 1.5, 11, 17));
        p.setPen(QPen(accent, 1, Qt::DashLine));
        p.setBrush(Qt::NoBrush);
        p.drawRect(QRectF(6.5, 3.5, 7, 13));
        break;
    case TfrPreviewGlyph::PageUp:
    case TfrPreviewGlyph::PageDown: {
        p.setPen(Qt::NoPen);
        p.setBrush(ink);
        QPolygonF arrow;
        if (glyph == TfrPreviewGlyph::PageUp)
            arrow << QPointF(10, 4) << QPointF(17, 13) << QPointF(3, 13);
        else
            arrow << QPointF(10, 16) << QPointF(17, 7) << QPointF(3, 7);
        p.drawPolygon(arrow);
        p.drawRect(QRectF(3, glyph == TfrPreviewGlyph::PageUp ? 15 : 3, 14, 2));
        break;
    }
    }
}

} // namespace

QIcon frPreviewFallbackIcon(TfrPreviewGlyph glyph)
{
    QIcon icon;
    for (int size : {16, 20, 24, 32, 48}) {
        QPixmap pm(size, size);
        pm.fill(Qt::transparent);
        QPainter p(&pm);
        p.setRenderHint(QPainter::Antialiasing);
        p.scale(size / 20.0, size / 20.0);
        drawGlyph(p, glyph);
        p.end();
        icon.addPixmap(pm);
    }
    return icon;
}

QIcon frPreviewIcon(const QString &themeName, TfrPreviewGlyph glyph)
{
    const QIcon themed = QIcon::fromTheme(themeName);
    if (!themed.isNull() && !themed.pixmap(24, 24).isNull())
        return themed;
    return frPreviewFallbackIcon(glyph);
}
