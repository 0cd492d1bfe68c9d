#include "report/model/view.h"

#include <QPainter>
#include <cmath>
#include <limits>

#include "report/eval/codec.h"
#include "report/eval/format_settings.h"
#include "report/eval/globals.h"
#include "report/eval/parser.h"
#include "report/eval/stream.h"
#include "report/eval/strings.h"
#include "report/eval/value_resolution.h"
#include "report/model/band.h"
#include "report/model/fr_globals.h"
#include "report/model/page.h"
#include "report/model/registry.h"
#include "report/model/report.h"

namespace {

// TStrings.Text := s: lines end at CR, LF or CR LF; a final line break adds no line.
void setLinesText(QStringList &lines, const QString &text)
{
    lines.clear();
    qsizetype start = 0;
    const qsizetype n = text.size();
    qsizetype i = 0;
    while (i < n) {
        const QChar c = text.at(i);
        if (c == QLatin1Char('\r') || c == QLatin1Char('\n')) {
            lines.append(text.mid(start, i - start));
            if (c == QLatin1Char('\r') && i + 1 < n && text.at(i + 1) == QLatin1Char('\n'))
                ++i;
            start = i + 1;
        }
        ++i;
    }
    if (start < n)
        lines.append(text.mid(start));
}

// Neighbours are ordered by Left written with at least four digits and compared as text.
QString leftKey(int left) { return QString::asprintf("%.4d", left); }

// Whole widths up to 10 are written as they are; the reader takes anything above 10 as
// thousandths, so a whole width above 10 is written in thousandths too (11 as 11000) and
// reads back as itself instead of 0.011.
qint32 storedFrameWidth(double w)
{
    if (w == std::trunc(w) && w <= 10.0)
        return frClampCoord(w);
    return frRound(w * 1000.0);
}

// Keeps a hostile record's numbers inside the range the layout arithmetic handles.
int sane(qint32 v) { return frClampCoord(qint64(v)); }

class TagRestorer {
public:
    explicit TagRestorer(QString &tag) : m_tag(tag), m_saved(tag) {}
    ~TagRestorer() { m_tag = std::move(m_saved); }
    TagRestorer(const TagRestorer &) = delete;
    TagRestorer &operator=(const TagRestorer &) = delete;

private:
    QString &m_tag;
    QString m_saved;
};

Qt::PenStyle penStyle(quint16 style)
{
    switch (style) {
    case psDash: return Qt::DashLine;
    case psDot: return Qt::DotLine;
    case psDashDot: return Qt::DashDotLine;
    case psDashDotDot: return Qt::DashDotDotLine;
    default: return Qt::SolidLine;
    }
}

// Drawing rarely needs more; a hostile width would otherwise draw millions of lines.
constexpr int kMaxPenWidth = 1000;

// Every object, however it was made (registry, stream, editor, test), has its identity
// for its whole life. Past the largest number the count starts again rather than overflow.
qint32 nextObjectNumber()
{
    const qint32 n = objectNumberCounter;
    objectNumberCounter = n == std::numeric_limits<qint32>::max() ? 0 : n + 1;
    return n;
}

} // namespace

TfrView::TfrView()
    : objectNumber(nextObjectNumber()), formatCode(qint32(frCharToCp1251(frFormatSettings().decimalSeparator)) + 0x200)
{
}

TfrView::~TfrView()
{
    if (CurView == this)
        CurView = nullptr;
}

// ---- properties ----------------------------------------------------------------------

void TfrView::SetPropValue(const QString &AName, const TfrVariant &Value)
{
    const QString n = AName.toUpper();
    if (n == QLatin1String("NAME"))
        Name = Value.toString();
    else if (n == QLatin1String("LEFT"))
        Left = Value.toInteger();
    else if (n == QLatin1String("TOP"))
        Top = Value.toInteger();
    else if (n == QLatin1String("WIDTH"))
        Width = Value.toInteger();
    else if (n == QLatin1String("HEIGHT"))
        Height = Value.toInteger();
    else if (n == QLatin1String("FLAGS"))
        Flags = quint16(Value.toInteger());
    else if (n == QLatin1String("FRAMETYP"))
        FrameTyp = quint16(Value.toInteger());
    else if (n == QLatin1String("FRAMEWIDTH"))
        FrameWidth = Value.toReal();
    else if (n == QLatin1String("FRAMECOLOR"))
        FrameColor = Value.toInteger();
    else if (n == QLatin1String("FRAMESTYLE"))
        FrameStyle = quint16(Value.toInteger());
    else if (n == QLatin1String("FILLCOLOR"))
        FillColor = Value.toInteger();
    else if (n == QLatin1String("GAPX"))
        GapX = Value.toInteger();
    else if (n == QLatin1String("GAPY"))
        GapY = Value.toInteger();
    else if (n == QLatin1String("BANDALIGN"))
        BandAlign = quint8(Value.toInteger());
    else if (n == QLatin1String("VISIBLE"))
        Visible = Value.toBoolean();
    else if (n == QLatin1String("MEMO") || n == QLatin1String("DATAFIELD"))
        setLinesText(Memo, Value.toString());
    else if (n == QLatin1String("STRETCHED"))
        Flags = Value.toBoolean() ? (Flags | flStretched) : (Flags & ~flStretched);
    else if (n == QLatin1String("TAG"))
        Tag = Value.toString();
    else if (n == QLatin1String("RESTRICTIONS"))
        Restrictions = quint16(Value.toInteger());
}

TfrVariant TfrView::GetPropValue(const QString &AName)
{
    const QString n = AName.toUpper();
    if (n == QLatin1String("NAME"))
        return TfrVariant(Name);
    if (n == QLatin1String("LEFT"))
        return TfrVariant(Left);
    if (n == QLatin1String("TOP"))
        return TfrVariant(Top);
    if (n == QLatin1String("WIDTH"))
        return TfrVariant(Width);
    if (n == QLatin1String("HEIGHT"))
        return TfrVariant(Height);
    if (n == QLatin1String("FLAGS"))
        return TfrVariant(int(Flags));
    if (n == QLatin1String("FRAMETYP"))
        return TfrVariant(int(FrameTyp));
    if (n == QLatin1String("FRAMEWIDTH"))
        return TfrVariant(FrameWidth);
    if (n == QLatin1String("FRAMECOLOR"))
        return TfrVariant(int(FrameColor));
    if (n == QLatin1String("FRAMESTYLE"))
        return TfrVariant(int(FrameStyle));
    if (n == QLatin1String("FILLCOLOR"))
        return TfrVariant(int(FillColor));
    if (n == QLatin1String("GAPX"))
        return TfrVariant(GapX);
    if (n == QLatin1String("GAPY"))
        return TfrVariant(GapY);
    if (n == QLatin1String("BANDALIGN"))
        return TfrVariant(int(BandAlign));
    if (n == QLatin1String("VISIBLE"))
        return TfrVariant(Visible);
    if (n == QLatin1String("MEMO"))
        return TfrVariant(Memo.join(QStringLiteral("\r\n")));
    if (n == QLatin1String("MEMO.COUNT"))
        return TfrVariant(int(Memo.size()));
    if (n == QLatin1String("STRETCHED"))
        return TfrVariant((Flags & flStretched) != 0);
    if (n == QLatin1String("DATAFIELD"))
        return TfrVariant(Memo.isEmpty() ? QString() : Memo.first());
    if (n == QLatin1String("TAG"))
        return TfrVariant(Tag);
    if (n == QLatin1String("RESTRICTIONS"))
        return TfrVariant(int(Restrictions));
    return TfrVariant::null();
}

TfrVariant TfrView::DoMethod(const QString &MethodName, const TfrVariant &p1, const TfrVariant &p2,
                             const TfrVariant &p3)
{
    const QString m = MethodName.toUpper();
    TfrVariant result = TfrObject::DoMethod(m, p1, p2, p3);
    if (result.isNull())
        result = LinesMethod(Memo, m, QStringLiteral("MEMO"), p1, p2, p3);
    if (m == QLatin1String("HIDE"))
        SetPropValue(QStringLiteral("Visible"), TfrVariant(false));
    else if (m == QLatin1String("SHOW"))
        SetPropValue(QStringLiteral("Visible"), TfrVariant(true));
    return result;
}

void TfrView::DefineProperties()
{
    ClearPropList();
    AddProperty(QStringLiteral("Name"), {frdtString, frdtOneObject});
    AddProperty(QStringLiteral("Left"), {frdtSize});
    AddProperty(QStringLiteral("Top"), {frdtSize});
    AddProperty(QStringLiteral("Width"), {frdtSize});
    AddProperty(QStringLiteral("Height"), {frdtSize});
    AddProperty(QStringLiteral("Flags"), {});
    if (Typ != otBand && Typ != otSubReport) {
        AddProperty(QStringLiteral("FrameTyp"), {frdtInteger});
        AddProperty(QStringLiteral("FrameWidth"), {frdtFloat, frdtSize});
        AddProperty(QStringLiteral("FrameColor"), {frdtColor});
        AddEnumProperty(QStringLiteral("FrameStyle"),
                        QStringLiteral("psSolid;psDash;psDot;psDashDot;psDashDotDot;psDouble"),
                        {0, 1, 2, 3, 4, 5});
        AddProperty(QStringLiteral("FillColor"), {frdtColor});
        AddProperty(QStringLiteral("Tag"), {frdtHasEditor, frdtOneObject});
        AddEnumProperty(QStringLiteral("BandAlign"),
                        QStringLiteral("baNone;baLeft;baRight;baCenter;baWidth;baBottom;baTop;baRest"),
                        {0, 1, 2, 3, 4, 5, 6, 7});
    }
    AddProperty(QStringLiteral("Visible"), {frdtBoolean});
    AddProperty(QStringLiteral("Memo"), {frdtHasEditor, frdtOneObject});
    AddProperty(QStringLiteral("Memo.Count"), {});
    AddProperty(QStringLiteral("Restrictions"), {frdtHasEditor});
}

// ---- plain operations ----------------------------------------------------------------

void TfrView::GetBlob(const TfrCursorField &) {}
void TfrView::OnHook(TfrView *) {}
void TfrView::Loaded() {}
void TfrView::Resized() {}
void TfrView::ShowEditor() {}

void TfrView::DefinePopupMenu(std::vector<TfrPopupEntry> &Menu)
{
    Menu.push_back({});
    Menu.push_back({frLoadStr(55190), QStringLiteral("Stretched"), (Flags & flStretched) != 0, true});
}

void TfrView::SetBounds(int ALeft, int ATop, int AWidth, int AHeight)
{
    Left = ALeft;
    Top = ATop;
    Width = AWidth;
    Height = AHeight;
}

void TfrView::Assign(TfrView &From)
{
    Name = From.Name;
    Typ = From.Typ;
    selectedMark = From.selectedMark;
    frVersion = 25;
    From.inPreparedPage = false;
    inPreparedPage = false;
    TfrStream s;
    From.SaveToStream(s);
    s.seek(0);
    LoadFromStream(s);
}

std::unique_ptr<TfrView> TfrView::Clone()
{
    std::unique_ptr<TfrView> copy = frCreateObject(Typ, ClassName());
    if (!copy)
        return nullptr;
    // The record of a template object, read as the current version; put back whatever happens.
    struct Restore {
        TfrView &view;
        bool prepared;
        quint8 version;
        ~Restore()
        {
            view.inPreparedPage = prepared;
            frVersion = version;
        }
    } restore{*this, inPreparedPage, frVersion};
    inPreparedPage = false;
    TfrStream s;
    SaveToStream(s);
    s.seek(0);
    frVersion = 25;
    copy->LoadFromStream(s);
    return copy;
}

void TfrView::CreateUniqueName()
{
    Name.clear();
    // One pass over the report's objects, not one search per candidate: old templates
    // name every object this way while they load.
    const std::vector<bool> used = CurReport ? CurReport->UsedObjectNumbers(nameStem, 10000) : std::vector<bool>();
    for (int n = 1; n <= 10000; ++n) {
        if (size_t(n) < used.size() && used[size_t(n)])
            continue;
        SetPropValue(QStringLiteral("Name"), TfrVariant(nameStem + QString::number(n)));
        return;
    }
}

TfrView *TfrView::ParentBand() const
{
    if (!CurPage)
        return nullptr;
    TfrView *found = nullptr;
    for (const auto &v : CurPage->Objects) {
        if (v->Typ != otBand)
            continue;
        if (Left >= v->Left && Left <= v->Left + v->Width && Top >= v->Top && Top <= v->Top + v->Height)
            found = v.get();
    }
    return found;
}

QString TfrView::ExpandVariables(const QString &Text)
{
    QString s = Text;
    int i = 1;
    for (;;) {
        while (i <= s.size() && s.at(i - 1) != QLatin1Char('['))
            ++i;
        if (i > s.size())
            break;
        int j = i;
        const QString expression = GetBrackedVariable(s, i, j);
        if (i == j)
            break;
        s.remove(i - 1, j - i + 1);
        const QString value = InternalOnGetValue(expression);
        s.insert(i - 1, value);
        i += int(value.size());
    }
    return s;
}

// ---- drawing ---------------------------------------------------------------------------

void TfrView::BeginDraw(QPainter *canvas)
{
    Canvas = canvas;
    CurView = this;
    if (!CurPage)
        return;
    applyBandAlign();
}

void TfrView::applyBandAlign()
{
    TfrPage *page = CurPage;
    const int L = page->LeftMargin();
    const int R = page->RightMargin();
    const bool printing = DocMode == dmPrinting;
    TfrBand *noneBand = page->Band(btNone);

    auto sameRow = [&](const TfrView *o) {
        if (printing && CurBand && o->ownerBand != noneBand) {
            if (o->Top == Top - CurBand->Top)
                return true;
            return (CurBand->Flags & flStretched) && o->Top == Top;
        }
        return o->Top == Top;
    };
    auto candidate = [&](const TfrView *o, quint8 align) {
        return o != this && o->Typ != otBand && o->BandAlign == align && sameRow(o);
    };
    auto leftNeighbour = [&]() -> const TfrView * {
        const TfrView *best = nullptr;
        QString bestKey;
        for (const auto &o : page->Objects) {
            if (!candidate(o.get(), baLeft) || o->Left >= Left)
                continue;
            const QString key = leftKey(o->Left);
            if (!best || key > bestKey) { // ties keep the earliest in page order
                best = o.get();
                bestKey = key;
            }
        }
        return best;
    };
    auto rightNeighbour = [&]() -> const TfrView * {
        const TfrView *best = nullptr;
        QString bestKey;
        for (const auto &o : page->Objects) {
            if (!candidate(o.get(), baRight) || o->Left <= Left)
                continue;
            const QString key = leftKey(o->Left);
            if (!best || key <= bestKey) { // ties take the latest in page order
                best = o.get();
                bestKey = key;
            }
        }
        return best;
    };

    switch (BandAlign) {
    case baLeft:
        if (const TfrView *n = leftNeighbour())
            Left = n->Left + n->Width;
        else
            Left = L;
        break;
    case baRight:
        if (const TfrView *n = rightNeighbour())
            Left = n->Left - Width - 1;
        else
            Left = R - Width;
        break;
    case baCenter:
        Left = L + frDiv(R - L - Width, 2);
        break;
    case baWidth:
        if (!printing) {
            const TfrView *band = ParentBand();
            if (band && frIsCrossBand(band->FrameTyp)) {
                Left = band->Left;
                Width = band->Width;
            } else {
                Left = L;
                Width = R - L;
            }
        } else if (!CurBand) {
            Left = L;
            Width = R - L - 1;
        }
        break;
    case baBottom:
    case baTop:
        if (!printing) {
            if (const TfrView *band = ParentBand())
                Top = BandAlign == baBottom ? band->Top + band->Height - Height : band->Top;
        }
        break;
    case baRest:
        if (const TfrView *n = leftNeighbour())
            Left = n->Left + n->Width;
        else
            Left = L;
        if (const TfrView *n = rightNeighbour())
            Width = n->Left - Left;
        else
            Width = R - Left;
        break;
    default:
        break;
    }
}

void TfrView::CalcGaps()
{
    m_saved = {Left, Top, Width, Height, GapX, GapY, FrameWidth};
    if (DocMode == dmDesigning) {
        drawScaleX = drawScaleY = 1.0;
        drawOffsetX = drawOffsetY = 0;
    }
    const double sx = drawScaleX, sy = drawScaleY;
    Left = frClampCoord(qint64(frRound(m_saved.Left * sx)) + drawOffsetX);
    Top = frClampCoord(qint64(frRound(m_saved.Top * sy)) + drawOffsetY);
    Width = frRound(m_saved.Width * sx);
    Height = frRound(m_saved.Height * sy);

    const double w = m_saved.FrameWidth;
    const int lx = frRound((w * sx - 1) / 2);
    const int rx = frRound(w * sx / 2);
    const int ty = frRound((w * sy - 1) / 2);
    const int by = frRound(w * sy / 2);
    FrameWidth = w * sx;

    GapX = frRound(m_saved.GapX * sx) + rx;
    GapY = frRound(m_saved.GapY * sy) + by / 2;

    int right = scaledRight();
    int bottom = scaledBottom();
    int left = Left;
    int top = Top;
    if (FrameTyp & frftRight)
        right -= rx;
    if (FrameTyp & frftBottom)
        bottom -= by;
    if (FrameTyp & frftLeft)
        left += lx;
    if (FrameTyp & frftTop)
        top += ty;
    innerRect = {left, top, right + 1, bottom + 1};
}

void TfrView::RestoreCoord()
{
    Left = m_saved.Left;
    Top = m_saved.Top;
    Width = m_saved.Width;
    Height = m_saved.Height;
    GapX = m_saved.GapX;
    GapY = m_saved.GapY;
    FrameWidth = m_saved.FrameWidth;
}

int TfrView::scaledRight() const
{
    return frRound((double(m_saved.Left) + m_saved.Width) * drawScaleX + drawOffsetX);
}

int TfrView::scaledBottom() const
{
    return frRound((double(m_saved.Top) + m_saved.Height) * drawScaleY + drawOffsetY);
}

void TfrView::ShowBackground()
{
    if (DisableDrawing || !Canvas)
        return;
    const QColor fill = frQColor(FillColor == clNone ? clWhite : FillColor);
    Canvas->setBackgroundMode(Qt::OpaqueMode);
    // The painter's brush is left alone: the fill below names its colour and frames are
    // lines, so a brush would paint nothing, yet a vector device (PDF, a printer) writes
    // every brush change out, twice a cell.
    const bool printing = DocMode == dmPrinting;
    if (printing && FillColor == clNone)
        return;
    const TfrRect r = printing ? TfrRect{Left, Top, scaledRight(), scaledBottom()} : innerRect;
    Canvas->fillRect(r.toQRect(), fill);
}

void TfrView::ShowFrame()
{
    if (DisableDrawing || !Canvas)
        return;
    const bool printing = DocMode == dmPrinting;
    if (printing && (FrameTyp & 0x0F) == 0)
        return;
    if (!printing && Width > 0 && Height > 0) {
        Canvas->setPen(QPen(Qt::black, 0));
        const int l = Left, t = Top, r = Left + Width, b = Top + Height;
        const QLine marks[] = {
            {l, t + 3, l, t}, {l, t, l + 4, t}, {l, b - 3, l, b}, {l, b, l + 4, b},
            {r - 3, t, r, t}, {r, t, r, t + 4}, {r - 3, b, r, b}, {r, b, r, b - 4},
        };
        Canvas->drawLines(marks, 8);
    }
    const int right = scaledRight();
    const int bottom = scaledBottom();
    if (!(FrameStyle >= psDash && FrameStyle <= psDashDotDot) && FrameStyle != psDouble) {
        // Solid sides, in the same order, in one call: a vector device (PDF, a printer)
        // then writes the frame as one path rather than one per side.
        QLine sides[4];
        int count = 0;
        if (FrameTyp & frftRight)
            sides[count++] = QLine(right, Top, right, bottom);
        if (FrameTyp & frftLeft)
            sides[count++] = QLine(Left, Top, Left, bottom);
        if (FrameTyp & frftBottom)
            sides[count++] = QLine(Left, bottom, right, bottom);
        if (FrameTyp & frftTop)
            sides[count++] = QLine(Left, Top, right, Top);
        if (count > 0) {
            Canvas->setPen(frSolidPen(frQColor(FrameColor), std::clamp(frRound(FrameWidth), 0, kMaxPenWidth)));
            Canvas->drawLines(sides, count);
        }
        return;
    }
    if (FrameTyp & frftRight)
        drawFrameSide(right, Top, right, bottom, true);
    if (FrameTyp & frftLeft)
        drawFrameSide(Left, Top, Left, bottom, true);
    if (FrameTyp & frftBottom)
        drawFrameSide(Left, bottom, right, bottom, false);
    if (FrameTyp & frftTop)
        drawFrameSide(Left, Top, right, Top, false);
}

QPen frSolidPen(const QColor &color, int width)
{
    return QPen(color, width, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin);
}

void TfrView::drawFrameSide(int x1, int y1, int x2, int y2, bool vertical)
{
    const int width = std::clamp(frRound(FrameWidth), 0, kMaxPenWidth);
    const QColor frame = frQColor(FrameColor);
    const QColor fill = frQColor(FillColor == clNone ? clWhite : FillColor);
    auto line = [&](int offset) {
        if (vertical)
            Canvas->drawLine(x1 + offset, y1, x2 + offset, y2);
        else
            Canvas->drawLine(x1, y1 + offset, x2, y2 + offset);
    };
    if (FrameStyle >= psDash && FrameStyle <= psDashDotDot) {
        // Dashes are drawn one pixel wide, width times side by side. The gaps take the
        // fill: a line in the fill colour goes under each dashed one (painters emulate an
        // opaque dash background inconsistently across devices).
        Canvas->setBackgroundMode(Qt::TransparentMode);
        const QPen gapPen(fill, 0, Qt::SolidLine);
        const QPen dashPen(frame, 0, penStyle(FrameStyle));
        for (int k = 0; k < width; ++k) {
            if (FillColor != clNone) {
                Canvas->setPen(gapPen);
                line(k - width / 2);
            }
            Canvas->setPen(dashPen);
            line(k - width / 2);
        }
        return;
    }
    // Double: three lines of the pen width across the side, the middle one in the fill.
    const int d = width;
    Canvas->setPen(frSolidPen(frame, width));
    line(-d);
    Canvas->setPen(frSolidPen(fill, width));
    line(0);
    Canvas->setPen(frSolidPen(frame, width));
    line(d);
}

QRegion TfrView::GetClipRgn(TfrRgnType RegionType)
{
    const double w = FrameWidth;
    int a, b;
    if (FrameStyle == psDouble) {
        b = frRound(w * 1.5);
        a = frRound(w + (w - 1) / 2);
    } else {
        b = frRound(w / 2);
        a = frRound((w - 1) / 2);
    }
    TfrRect r;
    r.Left = (FrameTyp & frftLeft) ? Left - b : Left;
    r.Top = (FrameTyp & frftTop) ? Top - b : Top;
    r.Right = (FrameTyp & frftRight) ? Left + Width + a + 1 : Left + Width + 1;
    r.Bottom = (FrameTyp & frftBottom) ? Top + Height + a + 1 : Top + Height + 1;
    if (RegionType == rtExtended)
        r = {r.Left - 10, r.Top - 10, r.Right + 10, r.Bottom + 10};
    return QRegion(r.toQRect());
}

// ---- prepared pages and export -------------------------------------------------------

void TfrView::applyBandAlignForStream()
{
    if (!CurBand)
        return;
    if (BandAlign == baBottom)
        Top = CurBand->Top + CurBand->CalculatedHeight() - Height;
    else if (BandAlign == baTop)
        Top = CurBand->Top;
    else if (BandAlign == baWidth && frIsCrossBand(CurBand->Typ))
        Width = CurBand->Width;
}

void TfrView::WriteTypeAndRecord(TfrStream &Stream)
{
    frWriteByte(Stream, Typ);
    if (Typ == otAddIn)
        frWriteString(Stream, ClassName());
    SaveToStream(Stream);
}

void TfrView::StreamOut(TfrStream &Stream)
{
    BeginDraw(Canvas);
    expandedMemo = Memo;
    if (CurReport)
        CurReport->InternalOnEnterRect(expandedMemo, this);
    frRunScript(scriptLines);
    if (!Visible)
        return;
    TagRestorer tagRestorer(Tag);
    if (Tag.contains(QLatin1Char('[')))
        Tag = ExpandVariables(Tag);
    applyBandAlignForStream();
    WriteTypeAndRecord(Stream);
}

void TfrView::ExportData()
{
    if (CurReport)
        CurReport->InternalOnExportData(this);
}

// ---- the common part of the object record ----------------------------------------------
//
// | Field                           | Bytes  | Present                                  |
// |---------------------------------|--------|------------------------------------------|
// | Name                            | string | v > 23, or v = 23 outside prepared pages |
// | commonPartVersion               | 1      | v > 23 (written as 2)                    |
// | classPartVersion                | 1      | v > 23                                   |
// | Left, Top, Width, Height        | 4 × 4  |                                          |
// | Flags, FrameTyp                 | 2, 2   |                                          |
// | frame width                     | 4      | whole w as w, else round(w × 1000);      |
// |                                 |        | read: n > 10 means n / 1000              |
// | FrameColor, FrameStyle          | 4, 2   |                                          |
// | FillColor                       | 4      |                                          |
// | formatCode, formatText          | 4, str | not in prepared pages                    |
// | Memo (prepared: expandedMemo)   | list   |                                          |
// | scriptLines, Visible            | list, 2| v >= 23, not in prepared pages           |
// | Restrictions, Tag, GapX, GapY   | 2, str, 4, 4 | v >= 24                            |
// | BandAlign                       | 1      | commonPartVersion > 1                    |
// Strings and lists use the pre-23 encodings when v < 23.

void TfrView::SaveToStream(TfrStream &Stream)
{
    commonPartVersion = 2;
    frWriteString(Stream, Name);
    frWriteByte(Stream, commonPartVersion);
    frWriteByte(Stream, classPartVersion);
    frWriteInteger(Stream, Left);
    frWriteInteger(Stream, Top);
    frWriteInteger(Stream, Width);
    frWriteInteger(Stream, Height);
    frWriteWord(Stream, Flags);
    frWriteWord(Stream, FrameTyp);
    frWriteInteger(Stream, storedFrameWidth(FrameWidth));
    frWriteInteger(Stream, FrameColor);
    frWriteWord(Stream, FrameStyle);
    frWriteInteger(Stream, FillColor);
    if (!inPreparedPage) {
        frWriteInteger(Stream, formatCode);
        frWriteString(Stream, formatText);
        frWriteMemo(Stream, Memo);
        frWriteMemo(Stream, scriptLines);
        frWriteWordBool(Stream, Visible);
    } else {
        frWriteMemo(Stream, expandedMemo);
    }
    frWriteWord(Stream, Restrictions);
    frWriteString(Stream, Tag);
    frWriteInteger(Stream, GapX);
    frWriteInteger(Stream, GapY);
    frWriteByte(Stream, BandAlign);
}

void TfrView::LoadFromStream(TfrStream &Stream)
{
    const int v = frVersion;
    const bool old = v < 23;
    auto readString = [&] { return old ? frReadString22(Stream) : frReadString(Stream); };
    auto readMemo = [&](QStringList &lines) {
        if (old)
            frReadMemo22(Stream, lines);
        else
            frReadMemo(Stream, lines);
    };

    if (v > 23 || (v == 23 && !inPreparedPage))
        Name = readString();
    else
        CreateUniqueName();
    if (v > 23) {
        commonPartVersion = frReadByte(Stream);
        classPartVersion = frReadByte(Stream);
    }
    Left = sane(frReadInteger(Stream));
    Top = sane(frReadInteger(Stream));
    Width = sane(frReadInteger(Stream));
    Height = sane(frReadInteger(Stream));
    Flags = frReadWord(Stream);
    FrameTyp = frReadWord(Stream);
    const qint32 storedWidth = frReadInteger(Stream);
    FrameColor = frReadInteger(Stream);
    FrameStyle = frReadWord(Stream);
    FillColor = frReadInteger(Stream);
    if (!inPreparedPage) {
        formatCode = frReadInteger(Stream);
        formatText = readString();
    }
    readMemo(Memo);
    if (v >= 23 && !inPreparedPage) {
        readMemo(scriptLines);
        Visible = frReadWordBool(Stream);
    }
    if (v >= 24) {
        Restrictions = frReadWord(Stream);
        Tag = readString();
        GapX = sane(frReadInteger(Stream));
        GapY = sane(frReadInteger(Stream));
    }
    FrameWidth = storedWidth > 10 ? storedWidth / 1000.0 : double(std::max(storedWidth, -kMaxPenWidth));
    if (commonPartVersion > 1)
        BandAlign = frReadByte(Stream);
}

TfrVariant TfrStretcheable::DoMethod(const QString &MethodName, const TfrVariant &p1,
                                     const TfrVariant &p2, const TfrVariant &p3)
{
    TfrVariant result = TfrView::DoMethod(MethodName, p1, p2, p3);
    if (MethodName.compare(QLatin1String("CALCHEIGHT"), Qt::CaseInsensitive) == 0)
        result = TfrVariant(CalcHeight());
    return result;
}
