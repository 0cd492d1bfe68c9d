// The text object: hyphenation, wrapping, where lines land when drawn, measuring for the
// band engine, writing into prepared pages, suppression, page splits and export lines.
#include "model_test_support.h"

#include <map>
#include <set>

#include "report/eval/parser.h"

namespace {

const QChar kMark(frParagraphMark);

TfrFont arial10()
{
    TfrFont f;
    f.Name = QStringLiteral("Arial");
    f.Size = 10;
    return f;
}

const TfrFontMetrics &metrics10() { return frFontMetrics(arial10(), frFontPixelHeight(10)); }

QStringList wrap(const QString &text, int limit, bool wordBreak)
{
    QStringList out;
    frWrapLine(metrics10(), text, {limit, 0, wordBreak}, out);
    return out;
}

QString marked(const char *s) { return QString::fromUtf8(s) + kMark; }

TEST(Hyphenation, RussianBreakPoints)
{
    const struct {
        const char *word;
        std::vector<int> breaks;
    } rows[] = {
        {"мыла", {2}},          // МЫ-ЛА
        {"мама", {2}},
        {"дом", {}},            // shorter than four letters
        {"раму", {2}},
        {"мамамама", {2, 4, 6}},
        {"подъезд", {4}},       // after the hard sign
        {"стол", {}},
        {"ААА", {}},
        {"аиста", {3}},         // consonant, consonant, vowel: аис-та
        {"поэт", {2}},          // vowel followed by a vowel
        {"word", {}},           // no vowels of the alphabet
    };
    for (const auto &row : rows)
        EXPECT_EQ(frHyphenate(QString::fromUtf8(row.word)), row.breaks) << row.word;
}

TEST(Wrapping, LinesAndWords)
{
    const TfrFontMetrics &m = metrics10();
    const QString text = QStringLiteral("Мама мыла раму");
    // Fits whole: one paragraph line.
    EXPECT_EQ(wrap(text, m.width(text), false), QStringList({marked("Мама мыла раму")}));
    // Breaks at the last space that fits; the space is dropped.
    const int upToMyla = m.width(QStringLiteral("Мама мыла"));
    EXPECT_EQ(wrap(text, upToMyla, false), QStringList({"Мама мыла", marked("раму")}));
    // Hard line breaks end paragraphs; a trailing one adds nothing.
    EXPECT_EQ(wrap(QStringLiteral("ab\r\ncd\r\n"), 1000, false), QStringList({marked("ab"), marked("cd")}));
    // One word wider than the limit is cut where it overflows.
    const QString word = QStringLiteral("абвгдежзиклмн");
    const int fiveLetters = m.width(word.left(5));
    const QStringList cut = wrap(word, fiveLetters, false);
    ASSERT_GE(cut.size(), 2);
    EXPECT_EQ(cut[0], word.left(5));
    EXPECT_EQ(cut.join(QString()).remove(kMark), word) << "no character lost";
}

TEST(Wrapping, HyphenatesMamaMylaRamu)
{
    const TfrFontMetrics &m = metrics10();
    const int fits = m.width(QStringLiteral("Мама мы-"));
    const int tooWide = m.width(QStringLiteral("Мама мыл"));
    ASSERT_LT(fits, tooWide);
    const QStringList lines = wrap(QStringLiteral("Мама мыла раму"), fits, true);
    ASSERT_FALSE(lines.isEmpty());
    EXPECT_EQ(lines[0], QStringLiteral("Мама мы-"));
    EXPECT_EQ(lines[1], QStringLiteral("ла раму") + kMark);
    // Without hyphenation the word moves to the next line.
    EXPECT_EQ(wrap(QStringLiteral("Мама мыла раму"), fits, false)[0], QStringLiteral("Мама"));
}

TEST(Wrapping, HyphenationThatCannotFitStillProgresses)
{
    // Break points exist but not even the first part fits: the word is cut, nothing lost,
    // no endless loop.
    const TfrFontMetrics &m = metrics10();
    const QString text = QStringLiteral("x мамамама");
    const QStringList lines = wrap(text, m.width(QStringLiteral("ма")), true);
    QString joined = lines.join(QString()).remove(kMark).remove(QLatin1Char('-'));
    EXPECT_EQ(joined.remove(QLatin1Char(' ')), QStringLiteral("xмамамама"));
    for (const QString &l : lines)
        EXPECT_LE(m.width(QString(l).remove(kMark)), m.width(QStringLiteral("ма-"))) << l.toStdString();
    // A limit below one character still ends.
    EXPECT_FALSE(wrap(QStringLiteral("абв где"), -5, true).isEmpty());
}

TEST(Wrapping, AHugeWordWrapsInLinearTime)
{
    // 200 000 letters without a delimiter, hyphenated: every line is cut near its limit.
    const QString word = QStringLiteral("мама").repeated(50000);
    const int limit = metrics10().width(QStringLiteral("мамамамамамамама"));
    const QStringList lines = wrap(word, limit, true);
    EXPECT_GT(lines.size(), 10000);
    qsizetype letters = 0;
    for (const QString &l : lines)
        letters += QString(l).remove(kMark).remove(QLatin1Char('-')).size();
    EXPECT_EQ(letters, word.size());
}

TEST(Wrapping, WidthIsTheDrawnWidth)
{
    // What the wrap measures is what the painter lays out: no kerning, no shaping.
    const TfrFontMetrics &m = metrics10();
    const QString s = QStringLiteral("AVAWAY Ты, Tт fi ffl 1234567890 Журнал поступивших файлов");
    TfrRecordingDevice d;
    {
        QPainter p(&d);
        p.setFont(m.font());
        p.drawText(QPoint(0, 50), s);
    }
    // The painter splits the line into runs by script; they follow each other exactly.
    ASSERT_FALSE(d.texts.empty());
    for (size_t i = 1; i < d.texts.size(); ++i)
        EXPECT_NEAR(d.texts[i].origin.x(), d.texts[i - 1].origin.x() + d.texts[i - 1].width, 0.01);
    const TfrRecordedText &last = d.texts.back();
    EXPECT_NEAR(last.origin.x() + last.width - d.texts.front().origin.x(), m.width(s), 0.5);
}

class MemoTest : public ModelTest {
protected:
    TfrMemoView *memo(const QStringList &lines, int left = 100, int top = 50, int width = 300, int height = 60)
    {
        TfrMemoView *v = add<TfrMemoView>(QStringLiteral("Memo%1").arg(page->Objects.size() + 1), left, top,
                                          width, height);
        v->Memo = lines;
        return v;
    }
};

TEST_F(MemoTest, LinesLandWhereTheAlignmentRulesPutThem)
{
    const TfrFontMetrics &m = metrics10();
    const QString s = QStringLiteral("Итого по журналу");
    const int w = m.width(s);
    const struct {
        int alignment;
        int x; // relative to the view's Left
    } rows[] = {
        {frtaLeft, 2},
        {frtaRight, 301 - 2 - w - 1},
        {frtaCenter, 2 + (301 - 4 - w) / 2},
    };
    for (const auto &row : rows) {
        TfrMemoView *v = memo({s});
        v->Alignment = row.alignment;
        TfrRecordingDevice d;
    drawOn(d, *v);
        ASSERT_EQ(d.texts.size(), 1u) << "alignment " << row.alignment;
        EXPECT_EQ(d.texts[0].origin.x(), 100 + row.x) << "alignment " << row.alignment;
        EXPECT_EQ(d.texts[0].origin.y(), 50 + 1 + m.ascent()) << "top of the line at Top + GapY";
        EXPECT_EQ(d.texts[0].text, s);
    }
    // Right-aligned: the last pixel column is one left of innerRect.Right - GapX.
    TfrMemoView *v = memo({s});
    v->Alignment = frtaRight;
    TfrRecordingDevice d;
    drawOn(d, *v);
    EXPECT_NEAR(d.texts[0].origin.x() + d.texts[0].width, 100 + 301 - 2 - 1, 0.5);
}

TEST_F(MemoTest, JustifyStretchesInnerLinesOnly)
{
    const TfrFontMetrics &m = metrics10();
    TfrMemoView *v = memo({QStringLiteral("Журнал регистрации поступивших электронных файлов и документов")},
                          100, 50, 200, 100);
    v->Alignment = frtaJustify;
    TfrRecordingDevice d;
    drawOn(d, *v);
    std::map<qreal, std::vector<const TfrRecordedText *>> byLine;
    for (const auto &t : d.texts)
        byLine[t.origin.y()].push_back(&t);
    ASSERT_GE(byLine.size(), 2u);
    const int rightEdge = 100 + 201 - 2; // Left + inner width - GapX
    const auto &first = byLine.begin()->second;
    ASSERT_GE(first.size(), 2u) << "an inner line with spaces is drawn word by word";
    EXPECT_EQ(first.front()->origin.x(), 102);
    EXPECT_NEAR(first.back()->origin.x() + first.back()->width, rightEdge, 1.0);
    const auto &last = byLine.rbegin()->second;
    ASSERT_EQ(last.size(), 1u) << "the paragraph's last line is not stretched";
    EXPECT_EQ(last.front()->origin.x(), 102);
    EXPECT_LT(last.front()->origin.x() + m.width(last.front()->text), rightEdge);

    // An inner line without spaces is not stretched either.
    TfrMemoView *word = memo({QStringLiteral("ааааааааааааааааааааааааааааааааааааааааааааааааа")}, 100, 300, 100, 100);
    word->Alignment = frtaJustify;
    TfrRecordingDevice w;
    drawOn(w, *word);
    for (const auto &t : w.texts)
        EXPECT_EQ(t.origin.x(), 102);
}

TEST_F(MemoTest, MiddleAlignmentCentresWhenPreviewed)
{
    TfrMemoView *v = memo({QStringLiteral("одна строка")}, 100, 50, 300, 100);
    v->Alignment = frtaMiddle;
    const int pitch = 2 + frFontPixelHeight(10);
    const int block = 2 * 1 + pitch;
    TfrRecordingDevice d;
    drawOn(d, *v);
    ASSERT_EQ(d.texts.size(), 1u);
    EXPECT_EQ(d.texts[0].origin.y(), 50 + (101 - block) / 2 + 1 + metrics10().ascent());
    EXPECT_EQ(v->Top, 50);
}

TEST_F(MemoTest, RotatedTextRunsUpward)
{
    TfrMemoView *v = memo({QStringLiteral("вверх")}, 100, 50, 40, 200);
    v->Alignment = frtaVertical;
    TfrRecordingDevice d;
    drawOn(d, *v);
    ASSERT_EQ(d.texts.size(), 1u);
    EXPECT_NEAR(d.texts[0].rotation, 90.0, 0.01);
    // Reading upward from innerRect.Bottom - GapY, the line's top at Left + GapX.
    EXPECT_NEAR(d.texts[0].origin.y(), 50 + 201 - 1, 0.01);
    EXPECT_NEAR(d.texts[0].origin.x(), 100 + 2 + metrics10().ascent(), 0.01);
}

TEST_F(MemoTest, TextFrameAndUnderlinesInPaintOrder)
{
    TfrMemoView *v = memo({QStringLiteral("текст")}, 100, 50, 300, 40);
    v->FrameTyp = 15;
    v->Flags |= flUnderlines;
    TfrRecordingDevice d;
    drawOn(d, *v);
    ASSERT_EQ(d.texts.size(), 1u);
    // Four frame sides, then two underlines (40 div 15).
    ASSERT_EQ(d.lines.size(), 6u);
    const int y = 50 + 1 + 0 + 2 + frFontPixelHeight(10);
    EXPECT_EQ(d.lines[4].line, QLineF(100, y, 399, y));
}

TEST_F(MemoTest, WithoutWordWrapEachLineStaysWhole)
{
    TfrMemoView *v = memo({QStringLiteral("очень длинная строка, которая не помещается"), QStringLiteral("вторая")},
                          100, 50, 40, 200);
    v->Flags &= ~flWordWrap;
    const int h = v->CalcHeight();
    EXPECT_EQ(v->expandedMemo.size(), 2);
    EXPECT_EQ(h, 2 * 1 + 2 * (2 + frFontPixelHeight(10)));
}

TEST_F(MemoTest, CalcHeightMinHeightLostSpace)
{
    TfrMemoView *v = memo({QStringLiteral("[1 + 1] строки")}, 100, 50, 300, 60);
    const int pitch = 2 + frFontPixelHeight(10);
    EXPECT_EQ(v->CalcHeight(), 2 + pitch);
    EXPECT_EQ(v->drawStage, drAfterCalcHeight);
    EXPECT_EQ(v->expandedMemo, QStringList({marked("2 строки")}));
    EXPECT_EQ(v->MinHeight(), 2 + 2 + 2 + frFontPixelHeight(10));
    EXPECT_EQ(v->LostSpace(), 2 + 2 + ((60 - 2 - 2) % pitch));
    v->Visible = false;
    EXPECT_EQ(v->CalcHeight(), 0);
    // The script-visible method.
    v->Visible = true;
    EXPECT_EQ(v->DoMethod(QStringLiteral("CalcHeight"), {}, {}, {}).toInteger(), 2 + pitch);
}

TEST_F(MemoTest, HighlightAppliesWhileItsConditionHolds)
{
    TfrMemoView *v = memo({QStringLiteral("x")});
    v->highlightCondition = frParser->Str2OPZ(QStringLiteral("1 = 1"));
    v->Highlight = {2, 0x0000FF, 0x00FF00};
    TfrStream s;
    v->inPreparedPage = true;
    v->StreamOut(s);
    s.seek(0);
    ASSERT_EQ(frReadByte(s), otMemo);
    TfrMemoView back;
    back.inPreparedPage = true;
    back.LoadFromStream(s);
    EXPECT_EQ(back.Font.Style, 2);
    EXPECT_EQ(back.Font.Color, 0x0000FF);
    EXPECT_EQ(back.FillColor, 0x00FF00);
    EXPECT_EQ(v->Font.Style, 0) << "the template's font is put back";
    EXPECT_EQ(v->FillColor, clNone);
    // A failing condition highlights nothing.
    v->highlightCondition = frParser->Str2OPZ(QStringLiteral("'a' * 2"));
    TfrStream s2;
    v->StreamOut(s2);
    s2.seek(1);
    TfrMemoView plain;
    plain.inPreparedPage = true;
    plain.LoadFromStream(s2);
    EXPECT_EQ(plain.Font.Style, 0);
}

TEST_F(MemoTest, SuppressionAcrossBands)
{
    TfrMemoView *v = memo({QStringLiteral("[Val]")});
    v->Flags |= flSuppressRepeated;
    v->inPreparedPage = true;
    QString value;
    report->OnGetValue = [&](const QString &name, TfrVariant &val) {
        if (name == QLatin1String("Val"))
            val = TfrVariant(value);
    };
    // The band engine measures, then writes what the measurement prepared.
    TfrStream s;
    std::vector<qsizetype> sizes;
    std::vector<int> heights;
    for (const char *text : {"А", "А", "Б", "Б", "А"}) {
        value = QString::fromUtf8(text);
        heights.push_back(v->CalcHeight());
        v->StreamOut(s);
        sizes.push_back(s.size());
    }
    EXPECT_GT(sizes[0], 0);
    EXPECT_EQ(sizes[1], sizes[0]) << "a repeat is not written";
    EXPECT_GT(sizes[2], sizes[1]);
    EXPECT_EQ(sizes[3], sizes[2]);
    EXPECT_GT(sizes[4], sizes[3]);
    EXPECT_EQ(heights, std::vector<int>({heights[0], 0, heights[0], 0, heights[0]}));
    EXPECT_GT(heights[0], 0);
}

TEST_F(MemoTest, SplitAcrossPagesContinuesWithTheFirstLineThatDidNotFit)
{
    const QStringList text{QStringLiteral("первая"), QStringLiteral("вторая"), QStringLiteral("третья"),
                           QStringLiteral("четвёртая"), QStringLiteral("пятая")};
    TfrMemoView *v = memo(text, 100, 50, 300, 40);
    v->inPreparedPage = true;
    v->CalcHeight();
    ASSERT_EQ(v->expandedMemo.size(), 5);

    std::vector<QStringList> pages;
    for (int i = 0; i < 3 && !v->expandedMemo.isEmpty(); ++i) {
        v->drawStage = drPart;
        TfrStream s;
        v->StreamOut(s);
        EXPECT_EQ(v->drawStage, drAll);
        s.seek(0);
        ASSERT_EQ(frReadByte(s), otMemo);
        TfrMemoView part;
        part.inPreparedPage = true;
        part.LoadFromStream(s);
        pages.push_back(part.Memo);
    }
    // 40 pixels hold two lines of 15 below the gap of 1.
    ASSERT_EQ(pages.size(), 3u);
    EXPECT_EQ(pages[0], QStringList({marked("первая"), marked("вторая")}));
    EXPECT_EQ(pages[1], QStringList({marked("третья"), marked("четвёртая")}));
    EXPECT_EQ(pages[2], QStringList({marked("пятая")}));
}

TEST_F(MemoTest, APartOfAParagraphIsNotWrappedAgainWhenPreviewed)
{
    TfrMemoView *v = memo({QStringLiteral("слово слово слово слово слово слово слово слово слово слово")}, 100, 50,
                          90, 40);
    v->inPreparedPage = true;
    v->CalcHeight();
    ASSERT_GT(v->expandedMemo.size(), 3);
    const QStringList wrapped = v->expandedMemo;
    v->drawStage = drPart;
    TfrStream s;
    v->StreamOut(s);
    s.seek(1);
    auto part = std::make_unique<TfrMemoView>();
    part->inPreparedPage = true;
    part->LoadFromStream(s);
    ASSERT_EQ(part->Memo.size(), 3);
    EXPECT_EQ(part->Memo[2], QString(kMark)) << "marks the part as wrapped";
    EXPECT_EQ(v->expandedMemo.first(), wrapped[2]) << "the next page starts with the first line left";
    // Previewed 3 times wider, the two lines stay two lines.
    part->Width = 270;
    TfrRecordingDevice d;
    drawOn(d, *part);
    ASSERT_EQ(d.texts.size(), 2u);
    EXPECT_EQ(d.texts[0].text, wrapped[0]);
    EXPECT_EQ(d.texts[1].text, wrapped[1]);
}

TEST_F(MemoTest, ExportHandsOverEveryLineWithItsFrameMask)
{
    std::vector<int> masks;
    std::vector<QPoint> points;
    int dataCalls = 0;
    report->exportDataHook = [&](TfrView *) { ++dataCalls; };
    report->exportTextHook = [&](const TfrRect &, int x, int y, const QString &, int frameTyp, TfrView *) {
        masks.push_back(frameTyp);
        points.emplace_back(x, y);
    };
    TfrMemoView *v = memo({QStringLiteral("один"), QStringLiteral("два"), QStringLiteral("три")}, 100, 50, 300, 20);
    v->FrameTyp = 15;
    v->ExportData();
    EXPECT_EQ(dataCalls, 1);
    EXPECT_EQ(masks, std::vector<int>({13, 5, 7})) << "lines below the rectangle are handed over too";
    EXPECT_EQ(points[1], QPoint(102, 50 + 1 + 15));

    masks.clear();
    v->Memo = QStringList{QStringLiteral("одна")};
    v->ExportData();
    EXPECT_EQ(masks, std::vector<int>({15}));

    masks.clear();
    v->Memo = QStringList{QStringLiteral("a"), QStringLiteral("b")};
    v->Alignment = frtaVertical;
    v->ExportData();
    EXPECT_EQ(masks, std::vector<int>({0, 0}));
    EXPECT_FALSE(v->exportingLines);
}

TEST_F(MemoTest, AutoWidthWhilePrinting)
{
    TfrMemoView *v = memo({QStringLiteral("ширина")}, 100, 50, 300, 20);
    v->Flags |= flAutoSize;
    v->Alignment = frtaRight;
    const int w = metrics10().width(QStringLiteral("ширина")) + 1 + 4 + 1;
    EXPECT_EQ(v->CalcWidth(v->Memo), w);
    TfrRecordingDevice d;
    drawOn(d, *v);
    EXPECT_EQ(v->Width, w);
    EXPECT_EQ(v->Left, 100 + 300 - w) << "right-aligned text keeps its right edge";
}

TEST_F(MemoTest, MemoPartRoundTripAndVersion21)
{
    TfrMemoView v;
    v.Font = {QStringLiteral("Times New Roman"), 14, 5, 0x112233, 0};
    v.Alignment = frtaCenter | frtaDown;
    v.Highlight = {1, 0x445566, 0x778899};
    v.highlightCondition = QStringLiteral("[Sum] > 0");
    v.LineSpacing = 7;
    v.CharSpacing = -1;
    TfrStream s;
    v.SaveToStream(s);
    s.seek(0);
    TfrMemoView back;
    back.LoadFromStream(s);
    EXPECT_TRUE(s.atEnd());
    EXPECT_EQ(back.Font, v.Font);
    EXPECT_EQ(back.Alignment, v.Alignment);
    EXPECT_EQ(back.Highlight.FillColor, 0x778899);
    EXPECT_EQ(back.highlightCondition, v.highlightCondition);
    EXPECT_EQ(back.LineSpacing, 7);
    EXPECT_EQ(back.CharSpacing, -1);

    // Version 21 turns word wrap on.
    frVersion = 21;
    RecordBuilder b;
    b.integer(0).integer(0).integer(10).integer(10).word(1).word(0).integer(1).integer(0).word(0).integer(clNone);
    b.integer(0).str22(QString()).list22({QStringLiteral("x")});
    b.str22(QStringLiteral("Arial")).integer(10).word(0).integer(0).integer(0).word(0);
    b.word(2).integer(0).integer(clWhite).str22(QString());
    TfrStream s21 = b.stream();
    TfrMemoView old;
    old.Flags = 0;
    old.LoadFromStream(s21);
    EXPECT_TRUE(s21.atEnd());
    EXPECT_EQ(old.Flags, 1 | flWordWrap);
}

TEST_F(MemoTest, MemoProperties)
{
    TfrMemoView *v = memo({});
    const struct {
        const char *name;
        TfrVariant set;
    } rows[] = {
        {"Alignment", TfrVariant(10)}, {"LineSpacing", TfrVariant(5)}, {"CharSpacing", TfrVariant(1)},
        {"Font.Size", TfrVariant(16)}, {"Font.Name", TfrVariant("Courier New")},
        {"WordBreak", TfrVariant(true)}, {"TextOnly", TfrVariant(true)}, {"HideZeros", TfrVariant(true)},
        {"RTLReading", TfrVariant(true)}, {"WordWrap", TfrVariant(false)},
    };
    for (const auto &row : rows) {
        v->SetPropValue(QString::fromUtf8(row.name), row.set);
        EXPECT_TRUE(v->GetPropValue(QString::fromUtf8(row.name).toUpper()).sameAs(row.set)) << row.name;
    }
    EXPECT_EQ(v->Flags & (flWordWrap | flWordBreak | flTextOnly), flWordBreak | flTextOnly);
    v->DoMethod(QStringLiteral("Lines.Add"), TfrVariant("'a'"), {}, {});
    EXPECT_EQ(v->GetPropValue(QStringLiteral("Lines.Count")).toInteger(), 1);
    v->EnsurePropertiesDefined();
    EXPECT_NE(v->GetPropRec(QStringLiteral("font.name")), nullptr);
    EXPECT_NE(v->GetPropRec(QStringLiteral("FrameStyle")), nullptr);
}

} // namespace
