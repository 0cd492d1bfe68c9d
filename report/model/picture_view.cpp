#include "report/model/picture_view.h"

#include <QFileInfo>
#include <QPainter>

#include "report/eval/db_dataset.h"
#include "report/eval/globals.h"
#include "report/eval/parser.h"
#include "report/eval/stream.h"
#include "report/eval/strings.h"
#include "report/eval/table_cursor.h"
#include "report/eval/variables.h"
#include "report/model/text_layout.h"

namespace {

TfrPictureKind kindOfBlob(quint8 blobType)
{
    switch (blobType) {
    case btJPG: return pkJPEG;
    case btICO: return pkIcon;
    case btWMF: return pkMetafile;
    default: return pkBitmap;
    }
}

void defineBlobConstants()
{
    TfrVariables &c = frConsts();
    c.SetVariable(QStringLiteral("btBMP"), TfrVariant(0));
    c.SetVariable(QStringLiteral("btJPG"), TfrVariant(1));
    c.SetVariable(QStringLiteral("btICO"), TfrVariant(2));
    c.SetVariable(QStringLiteral("btWMF"), TfrVariant(3));
}

} // namespace

TfrPictureView::TfrPictureView()
{
    Typ = otPicture;
    nameStem = QStringLiteral("Picture");
    Flags = flStretched | flPictRatio;
    defineBlobConstants();
}

void TfrPictureView::DefinePopupMenu(std::vector<TfrPopupEntry> &Menu)
{
    TfrView::DefinePopupMenu(Menu);
    Menu.push_back({QStringLiteral("Центрировать"), QStringLiteral("Center"), (Flags & flPictCenter) != 0, true});
    Menu.push_back({QStringLiteral("Сохранять пропорции"), QStringLiteral("KeepAspect"), (Flags & flPictRatio) != 0, true});
}

void TfrPictureView::DefineProperties()
{
    TfrView::DefineProperties();
    AddProperty(QStringLiteral("Picture"), {frdtHasEditor});
    AddProperty(QStringLiteral("Stretched"), {frdtBoolean});
    AddProperty(QStringLiteral("Center"), {frdtBoolean});
    AddProperty(QStringLiteral("KeepAspect"), {frdtBoolean});
    AddProperty(QStringLiteral("DataField"), {frdtString, frdtHasEditor, frdtOneObject});
    AddEnumProperty(QStringLiteral("BlobType"), QStringLiteral("btBMP;btJPG;btICO;btWMF"), {0, 1, 2, 3});
}

void TfrPictureView::SetPropValue(const QString &AName, const TfrVariant &Value)
{
    TfrView::SetPropValue(AName, Value);
    const QString n = AName.toUpper();
    if (n == QLatin1String("CENTER"))
        Flags = Value.toBoolean() ? (Flags | flPictCenter) : (Flags & ~flPictCenter);
    else if (n == QLatin1String("KEEPASPECT"))
        Flags = Value.toBoolean() ? (Flags | flPictRatio) : (Flags & ~flPictRatio);
    else if (n == QLatin1String("BLOBTYPE"))
        BlobType = quint8(Value.toInteger());
}

TfrVariant TfrPictureView::GetPropValue(const QString &AName)
{
    TfrVariant v = TfrView::GetPropValue(AName);
    if (!v.isNull())
        return v;
    const QString n = AName.toUpper();
    if (n == QLatin1String("CENTER"))
        return TfrVariant((Flags & flPictCenter) != 0);
    if (n == QLatin1String("KEEPASPECT"))
        return TfrVariant((Flags & flPictRatio) != 0);
    if (n == QLatin1String("BLOBTYPE"))
        return TfrVariant(int(BlobType));
    return TfrVariant::null();
}

TfrVariant TfrPictureView::DoMethod(const QString &MethodName, const TfrVariant &p1,
                                    const TfrVariant &p2, const TfrVariant &p3)
{
    TfrVariant result = TfrView::DoMethod(MethodName, p1, p2, p3);
    if (MethodName.compare(QLatin1String("LOADFROMFILE"), Qt::CaseInsensitive) == 0) {
        const QString fileName = frParser->Calc(p1.toString()).toString();
        if (!fileName.isEmpty() && QFileInfo::exists(fileName))
            Picture.loadFromFile(fileName);
        else
            Picture.clear();
    }
    return result;
}

void TfrPictureView::GetBlob(const TfrCursorField &Field)
{
    Picture.clear();
    if (!Field.isValid() || Field.IsNull())
        return;
    QByteArray bytes;
    frAssignBlobTo(Field, bytes);
    Picture.loadFromData(kindOfBlob(BlobType), bytes);
}

QRect TfrPictureView::ImageTarget() const
{
    const int iw = Picture.width(), ih = Picture.height();
    const TfrRect &r = innerRect;
    if (iw <= 0 || ih <= 0)
        return {};
    TfrRect t;
    if (Flags & flStretched) {
        t = r;
        if (Flags & flPictRatio) {
            const double kx = double(Width) / iw;
            const double ky = double(Height) / ih;
            if (kx >= ky)
                t = {r.Left, r.Top, r.Left + frRound(iw * ky), r.Bottom};
            else
                t = {r.Left, r.Top, r.Right, r.Top + frRound(ih * kx)};
            if (Flags & flPictCenter) {
                const int dx = frDiv(r.width() - t.width(), 2);
                const int dy = frDiv(r.height() - t.height(), 2);
                t = {t.Left + dx, t.Top + dy, t.Right + dx, t.Bottom + dy};
            }
        }
    } else {
        const int w = frRound(iw * drawScaleX), h = frRound(ih * drawScaleY);
        t = {r.Left, r.Top, r.Left + w, r.Top + h};
        if (Flags & flPictCenter) {
            const int dx = frDiv(r.width() - w, 2);
            const int dy = frDiv(r.height() - h, 2);
            t = {t.Left + dx, t.Top + dy, t.Right + dx, t.Bottom + dy};
        }
    }
    return t.toQRect();
}

void TfrPictureView::Draw(QPainter *canvas)
{
    BeginDraw(canvas);
    CalcGaps();
    ShowBackground();
    if (Canvas && !DisableDrawing) {
        if (Picture.isEmpty()) {
            if (DocMode == dmDesigning) {
                TfrFont f;
                f.Size = 8;
                const TfrFontMetrics &m = frFontMetrics(f, frFontPixelHeight(8));
                Canvas->save();
                Canvas->setFont(m.font());
                Canvas->setPen(Qt::black);
                Canvas->drawText(QPoint(Left + 20, Top + 3 + m.ascent()), frLoadStr(55228));
                Canvas->restore();
            }
        } else {
            Picture.draw(Canvas, ImageTarget(), toPrinter);
        }
    }
    ShowFrame();
    RestoreCoord();
}

// ---- the picture part of the object record -----------------------------------------------
//
// | Field          | Bytes   | Notes                                                      |
// |----------------|---------|------------------------------------------------------------|
// | image kind     | 1       | 0 none, 1 BMP bitmap, 2 metafile, 3 icon, 4 JPEG           |
// | BlobType       | 1       | read only when commonPartVersion × 10 + classPartVersion > 10 |
// | end position   | 4       | absolute position just after the image bytes               |
// | image bytes    | ...     | the image in its own file format                           |
// Reading always resumes at the end position, so unknown kinds are skipped.

void TfrPictureView::SaveToStream(TfrStream &Stream)
{
    TfrView::SaveToStream(Stream);
    frWriteByte(Stream, Picture.kind());
    frWriteByte(Stream, BlobType);
    const qsizetype placeholder = Stream.position();
    frWriteInteger(Stream, 0);
    Stream.write(Picture.data().constData(), Picture.data().size());
    const qsizetype end = Stream.position();
    Stream.seek(placeholder);
    frWriteInteger(Stream, qint32(end));
    Stream.seek(end);
}

void TfrPictureView::LoadFromStream(TfrStream &Stream)
{
    TfrView::LoadFromStream(Stream);
    const quint8 kind = frReadByte(Stream);
    if (commonPartVersion * 10 + classPartVersion > 10)
        BlobType = frReadByte(Stream);
    const qint32 end = frReadInteger(Stream);
    if (end < Stream.position() || end > Stream.size())
        TfrStream::throwReadError();
    const qsizetype count = end - Stream.position();
    const QByteArray bytes(Stream.take(count), count);
    Picture.loadFromData(kind, bytes);
}
