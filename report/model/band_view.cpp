#include "report/model/band_view.h"

#include <QPainter>
#include <algorithm>

#include "report/eval/dataset.h"
#include "report/eval/globals.h"
#include "report/eval/parser.h"
#include "report/eval/stream.h"
#include "report/model/band.h"
#include "report/model/page.h"
#include "report/model/text_layout.h"

bool ShowBandTitles = true;

namespace {

bool inTypes(int t, std::initializer_list<int> types)
{
    return std::find(types.begin(), types.end(), t) != types.end();
}

bool inRange(int t, int from, int to) { return t >= from && t <= to; }

TfrFont titleFont()
{
    TfrFont f;
    f.Name = QStringLiteral("Arial");
    f.Size = 8;
    f.Charset = frCharset;
    return f;
}

struct BandFlag {
    const char *name;
    quint16 bit;
};
constexpr BandFlag kBandFlags[] = {
    {"FORMNEWPAGE", flBandFormNewPage},       {"PRINTIFSUBSETEMPTY", flBandPrintIfSubsetEmpty},
    {"BREAKED", flBandBreaked},               {"ONFIRSTPAGE", flBandOnFirstPage},
    {"ONLASTPAGE", flBandOnLastPage},         {"REPEATHEADER", flBandRepeatHeader},
    {"PRINTCHILDIFINVISIBLE", flBandPrintChildIfInvisible},
};

} // namespace

TfrBandView::TfrBandView()
{
    Typ = otBand;
    nameStem = QStringLiteral("Band");
    Flags = flBandOnFirstPage | flBandOnLastPage;
    formatCode = 0;
}

void TfrBandView::DefineProperties()
{
    TfrView::DefineProperties();
    const int t = GetBandType();
    const bool printing = DocMode == dmPrinting;
    auto bandNames = [&](bool dataBandsOnly) {
        QStringList names;
        if (!CurPage || printing)
            return names;
        for (const auto &v : CurPage->Objects) {
            if (v.get() == this || v->Typ != otBand)
                continue;
            if (dataBandsOnly && !inTypes(v->FrameTyp, {btMasterData, btDetailData, btSubDetailData}))
                continue;
            names.append(v->Name);
        }
        return names;
    };
    if (t != btPageFooter) {
        AddEnumProperty(QStringLiteral("ChildBand"), bandNames(false).join(QLatin1Char(';')), {});
        AddProperty(QStringLiteral("PrintChildIfInvisible"), {frdtBoolean});
    }
    if (inRange(t, 0, 2) || inRange(t, 4, 12) || inRange(t, 16, 18) || t == btChild)
        AddProperty(QStringLiteral("Stretched"), {frdtBoolean});
    if (inTypes(t, {0, 1, 5, 6, 8, 9, 11, 12, 16}))
        AddProperty(QStringLiteral("FormNewPage"), {frdtBoolean});
    if (inTypes(t, {5, 8}))
        AddProperty(QStringLiteral("PrintIfSubsetEmpty"), {frdtBoolean});
    if (inTypes(t, {0, 1, 16, 17, 21}) || inRange(t, 4, 12))
        AddProperty(QStringLiteral("Breaked"), {frdtBoolean});
    if (inTypes(t, {2, 3}))
        AddProperty(QStringLiteral("OnFirstPage"), {frdtBoolean});
    if (t == btPageFooter)
        AddProperty(QStringLiteral("OnLastPage"), {frdtBoolean});
    if (inTypes(t, {4, 7, 10, 16, 18}))
        AddProperty(QStringLiteral("RepeatHeader"), {frdtBoolean});
    if (t == btCrossData)
        AddProperty(QStringLiteral("DataSource"), {frdtHasEditor});
    if (inTypes(t, {5, 8, 11})) {
        AddProperty(QStringLiteral("Columns"), {frdtInteger});
        AddProperty(QStringLiteral("ColumnWidth"), {frdtSize});
        AddProperty(QStringLiteral("ColumnGap"), {frdtSize});
        AddProperty(QStringLiteral("DataSource"), {frdtHasEditor});
    }
    if (t == btGroupHeader) {
        AddProperty(QStringLiteral("Condition"), {frdtString});
        AddEnumProperty(QStringLiteral("Master"), bandNames(true).join(QLatin1Char(';')), {});
    }
    AddProperty(QStringLiteral("EOF"), {});
    if (TfrPropRec *memo = GetPropRec(QStringLiteral("Memo")))
        memo->propertyName = QStringLiteral("OnBeforePrint");
}

void TfrBandView::SetPropValue(const QString &AName, const TfrVariant &Value)
{
    const QString n = AName.toUpper();
    const bool printing = DocMode == dmPrinting;
    TfrBand *band = ownerBand;
    if (printing && band) {
        if (n == QLatin1String("LEFT")) { band->Left = Value.toInteger(); return; }
        if (n == QLatin1String("TOP")) { band->Top = Value.toInteger(); return; }
        if (n == QLatin1String("WIDTH")) { band->Width = Value.toInteger(); return; }
        if (n == QLatin1String("HEIGHT")) { band->Height = Value.toInteger(); return; }
        if (n == QLatin1String("VISIBLE")) { band->Visible = Value.toBoolean(); return; }
    }
    TfrView::SetPropValue(AName, Value);
    if (n == QLatin1String("CHILDBAND")) {
        ChildBand = Value.toString();
        if (printing && band) {
            TfrView *child = CurPage ? CurPage->FindObject(ChildBand) : nullptr;
            band->childLink = child ? child->ownerBand : nullptr;
        }
    } else if (n == QLatin1String("MASTER")) {
        Master = Value.toString();
    } else if (n == QLatin1String("CONDITION")) {
        formatText = Value.toString();
        if (printing && band)
            band->conditionCode = frParser->Str2OPZ(formatText);
    } else if (n == QLatin1String("DATASOURCE")) {
        formatText = Value.toString();
        if (printing && band)
            band->InitDataSet(formatText);
    } else if (n == QLatin1String("COLUMNS")) {
        Columns = Value.toInteger();
    } else if (n == QLatin1String("COLUMNGAP")) {
        ColumnGap = Value.toInteger();
    } else if (n == QLatin1String("COLUMNWIDTH")) {
        ColumnWidth = Value.toInteger();
    } else if (n == QLatin1String("NEWCOLUMNAFTER")) {
        recordsPerColumn = Value.toInteger();
    } else {
        for (const BandFlag &f : kBandFlags) {
            if (n != QLatin1String(f.name))
                continue;
            const bool on = Value.toBoolean();
            Flags = on ? (Flags | f.bit) : (Flags & ~f.bit);
            if (f.bit == flBandBreaked && printing && band)
                band->Breaked = on;
            return;
        }
    }
}

TfrVariant TfrBandView::GetPropValue(const QString &AName)
{
    const QString n = AName.toUpper();
    const bool printing = DocMode == dmPrinting;
    TfrBand *band = ownerBand;
    if (printing && band) {
        if (n == QLatin1String("LEFT")) return TfrVariant(band->Left);
        if (n == QLatin1String("TOP")) return TfrVariant(band->Top);
        if (n == QLatin1String("WIDTH")) return TfrVariant(band->Width);
        if (n == QLatin1String("HEIGHT")) return TfrVariant(band->Height);
        if (n == QLatin1String("VISIBLE")) return TfrVariant(band->Visible);
    }
    TfrVariant v = TfrView::GetPropValue(AName);
    if (!v.isNull())
        return v;
    if (n == QLatin1String("CHILDBAND"))
        return TfrVariant(ChildBand);
    if (n == QLatin1String("MASTER"))
        return TfrVariant(Master);
    if (n == QLatin1String("CONDITION") || n == QLatin1String("DATASOURCE"))
        return TfrVariant(formatText);
    if (n == QLatin1String("COLUMNS"))
        return TfrVariant(int(Columns));
    if (n == QLatin1String("COLUMNGAP"))
        return TfrVariant(int(ColumnGap));
    if (n == QLatin1String("NEWCOLUMNAFTER"))
        return TfrVariant(int(recordsPerColumn));
    if (n == QLatin1String("COLUMNWIDTH"))
        return TfrVariant(int(ColumnWidth));
    if (n == QLatin1String("EOF")) {
        if (band && band->DataSet())
            return TfrVariant(band->DataSet()->Eof());
        return TfrVariant::null();
    }
    for (const BandFlag &f : kBandFlags) {
        if (n != QLatin1String(f.name))
            continue;
        if (f.bit == flBandBreaked && printing && band)
            return TfrVariant(band->Breaked);
        return TfrVariant((Flags & f.bit) != 0);
    }
    return TfrVariant::null();
}

TfrVariant TfrBandView::DoMethod(const QString &MethodName, const TfrVariant &p1,
                                 const TfrVariant &p2, const TfrVariant &p3)
{
    TfrVariant result = TfrView::DoMethod(MethodName, p1, p2, p3);
    TfrDataset *ds = ownerBand ? ownerBand->DataSet() : nullptr;
    if (!ds)
        return result;
    const QString m = MethodName.toUpper();
    if (m == QLatin1String("NEXT"))
        ds->Next();
    else if (m == QLatin1String("PRIOR"))
        ds->Prior();
    else if (m == QLatin1String("FIRST"))
        ds->First();
    return result;
}

void TfrBandView::DefinePopupMenu(std::vector<TfrPopupEntry> &Menu)
{
    struct Entry {
        const char16_t *caption;
        const char *property;
        quint16 bit;
    };
    static constexpr Entry kEntries[] = {
        {u"Растягиваемый", "Stretched", flStretched},
        {u"С новой страницы", "FormNewPage", flBandFormNewPage},
        {u"Печатать, если набор пуст", "PrintIfSubsetEmpty", flBandPrintIfSubsetEmpty},
        {u"Разрывать", "Breaked", flBandBreaked},
        {u"На первой странице", "OnFirstPage", flBandOnFirstPage},
        {u"На последней странице", "OnLastPage", flBandOnLastPage},
        {u"Повторять заголовок", "RepeatHeader", flBandRepeatHeader},
        {u"Печатать дочернюю, если невидима", "PrintChildIfInvisible", flBandPrintChildIfInvisible},
    };
    // The type decides which flags apply; the list is built fresh for the current type.
    DefineProperties();
    Menu.push_back({});
    for (const Entry &e : kEntries) {
        const QString property = QString::fromLatin1(e.property);
        if (GetPropRec(property))
            Menu.push_back({QString::fromUtf16(e.caption), property, (Flags & e.bit) != 0, true});
    }
}

int TfrBandView::GetRectangleWidth() const
{
    const int t = std::clamp(GetBandType(), 0, frBandTypeCount - 1);
    const TfrFontMetrics &m = frFontMetrics(titleFont(), frFontPixelHeight(8));
    return std::max(m.width(frBandNames[size_t(t)]) + 8, 100);
}

TfrRect TfrBandView::titleRect() const
{
    if (frIsCrossBand(GetBandType()))
        return {Left - 18, Top, Left, Top + GetRectangleWidth()};
    return {Left, Top - 18, Left + GetRectangleWidth(), Top};
}

void TfrBandView::Draw(QPainter *canvas)
{
    const int t = GetBandType();
    const bool cross = frIsCrossBand(t);
    if (CurPage) {
        if (cross) {
            Top = 0;
            Height = CurPage->PrnInfo.Pgh;
        } else {
            Left = 0;
            Width = CurPage->PrnInfo.Pgw;
        }
    }
    FrameWidth = 1;
    BeginDraw(canvas);
    CalcGaps();
    if (!Canvas || DisableDrawing) {
        RestoreCoord();
        return;
    }
    Canvas->save();
    Canvas->fillRect(innerRect.toQRect(), QBrush(QColor(0xC0, 0xC0, 0xC0), Qt::BDiagPattern));
    Canvas->setPen(QPen(frQColor(clBtnFace), 0));
    Canvas->setBrush(Qt::NoBrush);
    Canvas->drawRect(QRect(Left, Top, Width, Height));
    if (Columns > 1 && CurPage) {
        Canvas->setPen(QPen(Qt::black, 0, Qt::DotLine));
        const qint64 pitch = qint64(ColumnWidth) + ColumnGap;
        for (int c = 0; c < Columns && c < 1000; ++c) {
            const qint64 x = CurPage->LeftMargin() + c * pitch;
            if (x > frCoordLimit || x < -frCoordLimit)
                break;
            Canvas->drawRect(QRect(int(x), Top, frClampCoord(qint64(ColumnWidth)), Height));
        }
    }
    const TfrFontMetrics &m = frFontMetrics(titleFont(), frFontPixelHeight(8));
    const QString title = frBandNames[size_t(std::clamp(t, 0, frBandTypeCount - 1))];
    const int titleWidth = m.width(title);
    Canvas->setFont(m.font());
    Canvas->setPen(Qt::black);
    auto drawTitle = [&](int x, int y, bool rotated) {
        Canvas->save();
        Canvas->translate(x, y);
        if (rotated)
            Canvas->rotate(-90);
        Canvas->drawText(QPoint(0, m.ascent()), title);
        Canvas->restore();
    };
    if (ShowBandTitles) {
        const TfrRect tab = titleRect();
        const QRect r = tab.toQRect();
        Canvas->fillRect(r, frQColor(clBtnFace));
        Canvas->setPen(frQColor(clBtnShadow));
        Canvas->drawLine(r.topRight(), r.bottomRight());
        Canvas->setPen(Qt::black);
        Canvas->drawLine(r.bottomLeft(), r.bottomRight());
        Canvas->setPen(frQColor(clBtnHighlight));
        Canvas->drawLine(r.topLeft(), r.topRight());
        Canvas->drawLine(r.topLeft(), r.bottomLeft());
        Canvas->setPen(Qt::black);
        if (cross)
            drawTitle(Left - 15, Top + titleWidth + 4, true);
        else
            drawTitle(Left + 4, Top - 17, false);
    } else if (cross) {
        drawTitle(Left + 2, Top + 94, true);
    } else {
        drawTitle(Left + 4, Top + 2, false);
    }
    Canvas->restore();
    RestoreCoord();
}

QRegion TfrBandView::GetClipRgn(TfrRgnType RegionType)
{
    if (!ShowBandTitles)
        return TfrView::GetClipRgn(RegionType);
    TfrRect r{Left, Top, Left + Width + 1, Top + Height + 1};
    if (RegionType == rtExtended)
        r = {r.Left - 10, r.Top - 10, r.Right + 10, r.Bottom + 10};
    return QRegion(r.toQRect()).united(titleRect().toQRect());
}

// ---- the band part of the object record --------------------------------------------------
//
// | Field                                          | Bytes  | Present                      |
// |------------------------------------------------|--------|------------------------------|
// | ChildBand                                      | string | read from v >= 24            |
// | Columns, ColumnWidth, ColumnGap, recordsPerColumn | 4 × 4 | read from v >= 24          |
// | Master                                         | string | read when v >= 24 and        |
// |                                                |        | commonPartVersion × 10 +     |
// |                                                |        | classPartVersion > 20        |
// Written always, with classPartVersion 1; the strings always in the current encoding.

void TfrBandView::SaveToStream(TfrStream &Stream)
{
    classPartVersion = 1;
    TfrView::SaveToStream(Stream);
    frWriteString(Stream, ChildBand);
    frWriteInteger(Stream, Columns);
    frWriteInteger(Stream, ColumnWidth);
    frWriteInteger(Stream, ColumnGap);
    frWriteInteger(Stream, recordsPerColumn);
    frWriteString(Stream, Master);
}

void TfrBandView::LoadFromStream(TfrStream &Stream)
{
    TfrView::LoadFromStream(Stream);
    if (frVersion < 24)
        return;
    ChildBand = frReadString(Stream);
    Columns = frReadInteger(Stream);
    ColumnWidth = frReadInteger(Stream);
    ColumnGap = frReadInteger(Stream);
    recordsPerColumn = frReadInteger(Stream);
    if (commonPartVersion * 10 + classPartVersion > 20)
        Master = frReadString(Stream);
}
