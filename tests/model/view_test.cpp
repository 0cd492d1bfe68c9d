// The view base: the common part of the record in every version, names, geometry under
// scaling, band alignment, frames and clip regions.
#include "model_test_support.h"

#include <cmath>
#include <limits>

#include "report/model/band_view.h"
#include "report/model/line_view.h"

namespace {

// A view of the base class alone.
class PlainView : public TfrView {
public:
    void Draw(QPainter *canvas) override
    {
        BeginDraw(canvas);
        CalcGaps();
        ShowBackground();
        ShowFrame();
        RestoreCoord();
    }
};

TfrStream saved(TfrView &v)
{
    TfrStream s;
    v.SaveToStream(s);
    s.seek(0);
    return s;
}

// Layout rounding: to nearest, ties to even, saturating; the same as nearbyint wherever
// that fits the coordinate range.
TEST_F(ModelTest, RoundingTiesToEvenAndSaturates)
{
    const struct {
        double v;
        int expected;
    } rows[] = {
        {0.5, 0},         {1.5, 2},          {2.5, 2},          {-0.5, 0},        {-1.5, -2},
        {-2.5, -2},       {0.49999999999999994, 0}, {2.4999999, 2}, {2.5000001, 3}, {-7.6, -8},
        {1e-300, 0},      {268435455.5, 268435456}, {-268435455.5, -268435456},
        {268435457.0, frCoordLimit}, {1e300, frCoordLimit}, {-1e300, -frCoordLimit},
        {std::numeric_limits<double>::infinity(), frCoordLimit}, {std::nan(""), 0},
    };
    for (const auto &row : rows)
        EXPECT_EQ(frRound(row.v), row.expected) << row.v;
    for (double v = -1000.0; v <= 1000.0; v += 0.125)
        ASSERT_EQ(frRound(v), int(std::nearbyint(v))) << v;
}

TEST_F(ModelTest, FrameWidthStorage)
{
    const struct {
        double width;
        qint32 stored;
        double readBack;
    } rows[] = {
        {1.0, 1, 1.0}, {0.5, 500, 0.5}, {2.5, 2500, 2.5}, {10.0, 10, 10.0},
        // Whole widths above 10 go in thousandths: written as they are they would read back
        // as thousandths of a pixel.
        {11.0, 11000, 11.0}, {250.0, 250000, 250.0},
        {0.1, 100, 0.1},  {0.0, 0, 0.0},
    };
    for (const auto &row : rows) {
        PlainView v;
        v.FrameWidth = row.width;
        TfrStream s = saved(v);
        // Name (2 + 0 + 1), two version bytes, four integers, two words: offset 25.
        s.seek(25);
        EXPECT_EQ(frReadInteger(s), row.stored) << "width " << row.width;
        s.seek(0);
        PlainView back;
        back.LoadFromStream(s);
        EXPECT_DOUBLE_EQ(back.FrameWidth, row.readBack) << "width " << row.width;
        EXPECT_DOUBLE_EQ(v.FrameWidth, row.width) << "saving keeps the value in memory";
    }
}

TEST_F(ModelTest, CommonPartRoundTrip)
{
    TfrMemoView v;
    v.Name = QStringLiteral("Memo7");
    v.SetBounds(-5, 10, 300, 40);
    v.Flags = 0x1FF;
    v.FrameTyp = 15;
    v.FrameColor = 0x123456;
    v.FrameStyle = psDashDot;
    v.FillColor = 0xABCDEF;
    v.formatCode = 0x01020305;
    v.formatText = QStringLiteral("#,##0.00");
    v.Memo = QStringList{QStringLiteral("Итого: [Sum]"), QString()};
    v.scriptLines = QStringList{QStringLiteral("begin"), QStringLiteral("end")};
    v.Visible = false;
    v.Restrictions = 0x41;
    v.Tag = QStringLiteral("[PAGE#]");
    v.GapX = 7;
    v.GapY = 3;
    v.BandAlign = baRest;
    TfrStream s = saved(v);
    TfrMemoView back;
    back.LoadFromStream(s);
    EXPECT_TRUE(s.atEnd());
    EXPECT_EQ(back.Name, v.Name);
    EXPECT_EQ(back.commonPartVersion, 2);
    EXPECT_EQ(QRect(back.Left, back.Top, back.Width, back.Height), QRect(-5, 10, 300, 40));
    EXPECT_EQ(back.Flags, v.Flags);
    EXPECT_EQ(back.FrameStyle, v.FrameStyle);
    EXPECT_EQ(back.FillColor, v.FillColor);
    EXPECT_EQ(back.formatCode, v.formatCode);
    EXPECT_EQ(back.formatText, v.formatText);
    EXPECT_EQ(back.Memo, v.Memo);
    EXPECT_EQ(back.scriptLines, v.scriptLines);
    EXPECT_FALSE(back.Visible);
    EXPECT_EQ(back.Restrictions, v.Restrictions);
    EXPECT_EQ(back.Tag, v.Tag);
    EXPECT_EQ(back.GapX, 7);
    EXPECT_EQ(back.BandAlign, baRest);

    // A prepared record holds the expanded text instead of format, memo, script, visibility.
    v.inPreparedPage = true;
    v.expandedMemo = QStringList{QStringLiteral("Итого: 5")};
    TfrStream p = saved(v);
    TfrMemoView prepared;
    prepared.inPreparedPage = true;
    prepared.LoadFromStream(p);
    EXPECT_TRUE(p.atEnd());
    EXPECT_EQ(prepared.Memo, v.expandedMemo);
    EXPECT_TRUE(prepared.scriptLines.isEmpty());
}

RecordBuilder commonPart22(RecordBuilder b, const QStringList &memo)
{
    b.integer(10).integer(20).integer(30).integer(40); // geometry
    b.word(3).word(0).integer(1).integer(0).word(0).integer(clNone);
    b.integer(0).str22(QString()).list22(memo);
    return b;
}

TEST_F(ModelTest, OldStreamsGetGeneratedNames)
{
    add<TfrMemoView>(QStringLiteral("memo1"));
    // Version 22: no name, pre-23 strings; the memo part without line spacing.
    frVersion = 22;
    RecordBuilder b = commonPart22(RecordBuilder(), {QStringLiteral("один"), QStringLiteral("два")});
    b.str22(QStringLiteral("Arial")).integer(10).word(2).integer(0).integer(0).word(0);
    b.word(2).integer(0).integer(clWhite).str22(QString());
    TfrStream s22 = b.stream();
    TfrMemoView v22;
    v22.LoadFromStream(s22);
    EXPECT_TRUE(s22.atEnd());
    EXPECT_EQ(v22.Name, QStringLiteral("Memo2")) << "memo1 blocks Memo1 whatever the case";
    EXPECT_EQ(v22.Memo, QStringList({"один", "два"}));
    EXPECT_EQ(v22.Font.Charset, frCharset) << "the stored character set 0 is ignored";
    EXPECT_EQ(v22.Font.Style, 2);

    // Version 23 in a prepared page: no name either; outside one the name is read.
    frVersion = 23;
    RecordBuilder p;
    p.integer(1).integer(2).integer(3).integer(4).word(3).word(0).integer(1).integer(0).word(0).integer(clNone);
    p.list({QStringLiteral("x")});
    p.str(QStringLiteral("Arial")).integer(10).word(0).integer(0).integer(0).word(204);
    TfrStream s23 = p.stream();
    TfrMemoView prepared;
    prepared.inPreparedPage = true;
    prepared.LoadFromStream(s23);
    EXPECT_TRUE(s23.atEnd());
    EXPECT_EQ(prepared.Name, QStringLiteral("Memo2"));
    EXPECT_EQ(prepared.Memo, QStringList({"x"}));
    EXPECT_EQ(prepared.LineSpacing, 2) << "v23 has no spacing: defaults stay";

    RecordBuilder t;
    t.str(QStringLiteral("Stored")).integer(1).integer(2).integer(3).integer(4);
    t.word(3).word(0).integer(1).integer(0).word(0).integer(clNone);
    t.integer(0).str(QString()).list({}).list({}).word(0xFFFF);
    TfrStream st = t.stream();
    PlainView templ;
    templ.LoadFromStream(st);
    EXPECT_TRUE(st.atEnd());
    EXPECT_EQ(templ.Name, QStringLiteral("Stored"));
}

TEST_F(ModelTest, TruncatedRecordsRaiseReadErrors)
{
    TfrMemoView v;
    v.Memo = QStringList{QStringLiteral("text")};
    const QByteArray full = saved(v).data();
    for (qsizetype n = 0; n < full.size(); n += 3) {
        TfrStream s(full.left(n));
        TfrMemoView back;
        EXPECT_THROW(back.LoadFromStream(s), EReadError) << "cut at " << n;
    }
}

TEST_F(ModelTest, CreateUniqueNameIgnoresCase)
{
    add<TfrMemoView>(QStringLiteral("Memo1"));
    add<TfrMemoView>(QStringLiteral("MEMO2"));
    TfrMemoView v;
    v.CreateUniqueName();
    EXPECT_EQ(v.Name, QStringLiteral("Memo3"));
    TfrLineView line;
    line.CreateUniqueName();
    EXPECT_EQ(line.Name, QStringLiteral("Line1"));
}

TEST_F(ModelTest, PropertiesOfTheBase)
{
    PlainView v;
    v.SetPropValue(QStringLiteral("memo"), TfrVariant("a\r\nb\nc\r\n"));
    EXPECT_EQ(v.Memo, QStringList({"a", "b", "c"}));
    EXPECT_EQ(v.GetPropValue(QStringLiteral("MEMO")).toString(), QStringLiteral("a\r\nb\r\nc"));
    EXPECT_EQ(v.GetPropValue(QStringLiteral("Memo.Count")).toInteger(), 3);
    v.SetPropValue(QStringLiteral("Stretched"), TfrVariant(false));
    EXPECT_EQ(v.Flags & 1, 0);
    v.SetPropValue(QStringLiteral("FrameWidth"), TfrVariant(1.5));
    EXPECT_TRUE(v.GetPropValue(QStringLiteral("FRAMEWIDTH")).sameAs(TfrVariant(1.5)));
    EXPECT_TRUE(v.GetPropValue(QStringLiteral("nothing")).isNull());
    v.Memo.clear();
    EXPECT_TRUE(v.GetPropValue(QStringLiteral("DATAFIELD")).sameAs(TfrVariant(QString())));
    v.DoMethod(QStringLiteral("Hide"), TfrVariant(), TfrVariant(), TfrVariant());
    EXPECT_FALSE(v.Visible);
    v.DoMethod(QStringLiteral("MEMO.ADD"), TfrVariant("'x'"), TfrVariant(), TfrVariant());
    EXPECT_EQ(v.Memo, QStringList({"x"}));
}

TEST_F(ModelTest, AssignCopiesThroughTheStream)
{
    TfrMemoView from;
    from.Name = QStringLiteral("Source");
    from.Memo = QStringList{QStringLiteral("text")};
    from.Font.Size = 14;
    from.inPreparedPage = true;
    frVersion = 22;
    TfrMemoView to;
    to.inPreparedPage = true;
    to.Assign(from);
    EXPECT_EQ(frVersion, 25);
    EXPECT_FALSE(from.inPreparedPage);
    EXPECT_EQ(to.Name, QStringLiteral("Source"));
    EXPECT_EQ(to.Memo, from.Memo);
    EXPECT_EQ(to.Font.Size, 14);
}

TEST_F(ModelTest, InvisibleViewsLeaveNoRecord)
{
    auto *v = add<TfrLineView>(QStringLiteral("Line1"));
    v->Visible = false;
    TfrStream s;
    v->StreamOut(s);
    EXPECT_EQ(s.size(), 0);
    v->Visible = true;
    v->Tag = QStringLiteral("[2 + 2]");
    v->StreamOut(s);
    EXPECT_GT(s.size(), 0);
    EXPECT_EQ(v->Tag, QStringLiteral("[2 + 2]")) << "Tag is expanded for the write only";
    s.seek(0);
    EXPECT_EQ(frReadByte(s), otLine);
    TfrLineView back;
    back.LoadFromStream(s);
    EXPECT_EQ(back.Tag, QStringLiteral("4"));
}

TEST_F(ModelTest, CalcGapsScalesAndShrinksTheInnerRectangle)
{
    const struct {
        double scale;
        double frameWidth;
        int frameTyp;
        TfrRect inner;
        int gapX, gapY;
    } rows[] = {
        {1.0, 1, 0, {10, 20, 111, 71}, 2, 1},
        {1.0, 1, 15, {10, 20, 111, 71}, 2, 1},
        {1.0, 2, 15, {10, 20, 110, 70}, 3, 1},
        {2.0, 1, 15, {20, 40, 220, 140}, 5, 2},
        {1.5, 3, 5, {17, 30, 164, 106}, 5, 3},
    };
    for (const auto &row : rows) {
        PlainView v;
        v.SetBounds(10, 20, 100, 50);
        v.FrameWidth = row.frameWidth;
        v.FrameTyp = quint16(row.frameTyp);
        v.drawScaleX = v.drawScaleY = row.scale;
        v.CalcGaps();
        EXPECT_EQ(v.innerRect, row.inner) << "scale " << row.scale << " width " << row.frameWidth;
        EXPECT_EQ(v.GapX, row.gapX) << "scale " << row.scale << " width " << row.frameWidth;
        EXPECT_EQ(v.GapY, row.gapY) << "scale " << row.scale << " width " << row.frameWidth;
        v.RestoreCoord();
        EXPECT_EQ(QRect(v.Left, v.Top, v.Width, v.Height), QRect(10, 20, 100, 50));
        EXPECT_EQ(v.FrameWidth, row.frameWidth);
    }
}

TEST_F(ModelTest, ClipRegions)
{
    PlainView v;
    v.SetBounds(10, 20, 100, 50);
    v.FrameWidth = 3;
    v.FrameTyp = 15;
    EXPECT_EQ(v.GetClipRgn(rtNormal).boundingRect(), QRect(QPoint(8, 18), QPoint(111, 71)));
    v.FrameStyle = psDouble;
    EXPECT_EQ(v.GetClipRgn(rtNormal).boundingRect(), QRect(QPoint(6, 16), QPoint(114, 74)));
    v.FrameTyp = 0;
    EXPECT_EQ(v.GetClipRgn(rtExtended).boundingRect(), QRect(QPoint(0, 10), QPoint(120, 80)));
}

TEST_F(ModelTest, BandAlignPlacement)
{
    page->pgMargins = {50, 0, 60, 0};
    const int R = page->RightMargin();
    auto *a = add<PlainView>(QStringLiteral("A"), 100, 10, 40, 10);
    a->BandAlign = baLeft;
    auto *b = add<PlainView>(QStringLiteral("B"), 200, 10, 30, 10);
    b->BandAlign = baLeft;
    auto *c = add<PlainView>(QStringLiteral("C"), 300, 10, 20, 10);
    c->BandAlign = baRight;
    auto *d = add<PlainView>(QStringLiteral("D"), 250, 10, 10, 10);
    d->BandAlign = baRest;
    auto *e = add<PlainView>(QStringLiteral("E"), 0, 99, 10, 10);
    e->BandAlign = baCenter;
    auto *other = add<PlainView>(QStringLiteral("OtherRow"), 210, 11, 30, 10);
    other->BandAlign = baLeft;

    QImage img(10, 10, QImage::Format_ARGB32_Premultiplied);
    QPainter p(&img);
    a->BeginDraw(&p);
    EXPECT_EQ(a->Left, 50) << "no left neighbour: the left margin";
    b->BeginDraw(&p);
    EXPECT_EQ(b->Left, 90) << "A's right edge";
    c->BeginDraw(&p);
    EXPECT_EQ(c->Left, R - 20) << "no right neighbour: against the right margin";
    d->BeginDraw(&p);
    EXPECT_EQ(d->Left, 120) << "after B";
    EXPECT_EQ(d->Width, c->Left - 120) << "up to C";
    e->BeginDraw(&p);
    EXPECT_EQ(e->Left, 50 + (R - 50 - 10) / 2);
    EXPECT_EQ(CurView, e);
}

// Lines of one frame side, as recorded.
std::vector<QLineF> sideLines(const TfrRecordingDevice &d)
{
    std::vector<QLineF> out;
    for (const auto &l : d.lines)
        out.push_back(l.line);
    return out;
}

TEST_F(ModelTest, FrameStylesDrawWhereTheyShould)
{
    PlainView v;
    v.SetBounds(100, 100, 50, 20);
    v.FrameTyp = frftTop;
    v.FrameStyle = psDouble;
    v.FillColor = clWhite;
    {
        TfrRecordingDevice d;
        drawOn(d, v);
        const auto lines = sideLines(d);
        ASSERT_EQ(lines.size(), 3u);
        EXPECT_EQ(lines[0], QLineF(100, 99, 150, 99));
        EXPECT_EQ(lines[1], QLineF(100, 100, 150, 100));
        EXPECT_EQ(lines[2], QLineF(100, 101, 150, 101));
        EXPECT_EQ(d.lines[1].pen.color(), QColor(Qt::white)) << "the middle line takes the fill";
        EXPECT_EQ(d.lines[2].pen.color(), QColor(Qt::black));
    }
    v.FrameStyle = psDash;
    v.FrameWidth = 3;
    v.FrameTyp = frftLeft | frftRight;
    {
        TfrRecordingDevice d;
        drawOn(d, v);
        std::vector<QLineF> dashes, gaps;
        for (const auto &l : d.lines)
            (l.pen.style() == Qt::DashLine ? dashes : gaps).push_back(l.line);
        ASSERT_EQ(dashes.size(), 6u) << "three one-pixel lines per side";
        EXPECT_EQ(dashes[0], QLineF(149, 100, 149, 120)) << "right side first";
        EXPECT_EQ(dashes[2], QLineF(151, 100, 151, 120));
        EXPECT_EQ(dashes[3], QLineF(99, 100, 99, 120));
        EXPECT_EQ(gaps, dashes) << "each dash line lies on a line of the fill colour";
    }
    v.FrameStyle = psSolid;
    v.FrameWidth = 0.5;
    v.FrameTyp = 15;
    {
        TfrRecordingDevice d;
        drawOn(d, v);
        ASSERT_EQ(d.lines.size(), 4u);
        EXPECT_EQ(d.lines[0].line, QLineF(150, 100, 150, 120)) << "right";
        EXPECT_EQ(d.lines[1].line, QLineF(100, 100, 100, 120)) << "left";
        EXPECT_EQ(d.lines[2].line, QLineF(100, 120, 150, 120)) << "bottom";
        EXPECT_EQ(d.lines[3].line, QLineF(100, 100, 150, 100)) << "top";
    }
    // While printing a view without fill paints no background; with one it fills its box.
    v.FillColor = 0x0000FF;
    TfrRecordingDevice d;
    drawOn(d, v);
    ASSERT_FALSE(d.rects.empty());
    EXPECT_EQ(d.rects[0].rect, QRectF(100, 100, 50, 20));
    EXPECT_EQ(d.rects[0].color, QColor(Qt::red));
}

TEST_F(ModelTest, DrawingScaledFramesAtAZoom)
{
    PlainView v;
    v.SetBounds(10, 10, 100, 50);
    v.FrameTyp = frftBottom;
    v.FrameWidth = 1;
    v.drawScaleX = v.drawScaleY = 2.0;
    v.drawOffsetX = 5;
    TfrRecordingDevice d;
    drawOn(d, v);
    ASSERT_EQ(d.lines.size(), 1u);
    EXPECT_EQ(d.lines[0].line, QLineF(25, 120, 225, 120));
    EXPECT_EQ(d.lines[0].pen.width(), 2);
    EXPECT_EQ(QRect(v.Left, v.Top, v.Width, v.Height), QRect(10, 10, 100, 50)) << "restored";
}

} // namespace
