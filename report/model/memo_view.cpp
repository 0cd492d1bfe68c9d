#include "report/model/memo_view.h"

#include <QPaintDevice>
#include <QPainter>

#include "report/eval/db_dataset.h"
#include "report/eval/globals.h"
#include "report/eval/parser.h"
#include "report/eval/stream.h"
#include "report/model/band.h"
#include "report/model/fr_globals.h"
#include "report/model/report.h"
#include "report/model/text_layout.h"

namespace {

const QChar kMark(frParagraphMark);

QString textOf(const QStringList &lines) { return lines.join(QStringLiteral("\r\n")); }

bool hasMark(const QStringList &lines)
{
    for (const QString &l : lines)
        if (l.contains(kMark))
            return true;
    return false;
}

// Appending to a list's text: line breaks inside s start new lines, a final one adds none.
void appendText(QStringList &lines, const QString &s)
{
    qsizetype start = 0;
    const qsizetype n = s.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = s.at(i);
        if (c != QLatin1Char('\r') && c != QLatin1Char('\n'))
            continue;
        lines.append(s.mid(start, i - start));
        if (c == QLatin1Char('\r') && i + 1 < n && s.at(i + 1) == QLatin1Char('\n'))
            ++i;
        start = i + 1;
    }
    if (start < n)
        lines.append(s.mid(start));
}

bool isJustifySpace(QChar c) { return c.unicode() == 32 || c.unicode() == 160; }

// Keeps what a measurement or a write changes for its own duration.
class FontAndFillKeeper {
public:
    explicit FontAndFillKeeper(TfrMemoView &v) : m_v(v), m_font(v.Font), m_fill(v.FillColor) {}
    ~FontAndFillKeeper()
    {
        m_v.Font = m_font;
        m_v.FillColor = m_fill;
    }
    FontAndFillKeeper(const FontAndFillKeeper &) = delete;
    FontAndFillKeeper &operator=(const FontAndFillKeeper &) = delete;

private:
    TfrMemoView &m_v;
    TfrFont m_font;
    qint32 m_fill;
};

struct FlagBit {
    const char *name;
    quint16 bit;
};
constexpr FlagBit kMemoFlags[] = {
    {"WORDWRAP", flWordWrap},     {"WORDBREAK", flWordBreak},   {"AUTOWIDTH", flAutoSize},
    {"TEXTONLY", flTextOnly},     {"SUPPRESS", flSuppressRepeated}, {"HIDEZEROS", flHideZeros},
    {"UNDERLINES", flUnderlines}, {"RTLREADING", flRTLReading},
};

} // namespace

TfrMemoView::TfrMemoView()
{
    Typ = otMemo;
    nameStem = QStringLiteral("Memo");
    Flags = flStretched | flWordWrap;
}

// ---- properties ----------------------------------------------------------------------

void TfrMemoView::SetPropValue(const QString &AName, const TfrVariant &Value)
{
    TfrView::SetPropValue(AName, Value);
    const QString n = AName.toUpper();
    if (SetFontProp(Font, n, Value))
        return;
    if (n == QLatin1String("ALIGNMENT")) {
        Alignment = Value.toInteger();
    } else if (n == QLatin1String("LINESPACING")) {
        LineSpacing = Value.toInteger();
    } else if (n == QLatin1String("CHARSPACING")) {
        CharSpacing = Value.toInteger();
    } else {
        for (const FlagBit &f : kMemoFlags) {
            if (n == QLatin1String(f.name)) {
                Flags = Value.toBoolean() ? (Flags | f.bit) : (Flags & ~f.bit);
                return;
            }
        }
    }
}

TfrVariant TfrMemoView::GetPropValue(const QString &AName)
{
    TfrVariant v = TfrView::GetPropValue(AName);
    if (!v.isNull())
        return v;
    const QString n = AName.toUpper();
    v = GetFontProp(Font, n);
    if (!v.isNull())
        return v;
    if (n == QLatin1String("ALIGNMENT"))
        return TfrVariant(int(Alignment));
    if (n == QLatin1String("LINESPACING"))
        return TfrVariant(int(LineSpacing));
    if (n == QLatin1String("CHARSPACING"))
        return TfrVariant(int(CharSpacing));
    if (n == QLatin1String("LINES.COUNT"))
        return TfrVariant(int(Memo.size()));
    for (const FlagBit &f : kMemoFlags)
        if (n == QLatin1String(f.name))
            return TfrVariant((Flags & f.bit) != 0);
    return TfrVariant::null();
}

TfrVariant TfrMemoView::DoMethod(const QString &MethodName, const TfrVariant &p1,
                                 const TfrVariant &p2, const TfrVariant &p3)
{
    TfrVariant result = TfrStretcheable::DoMethod(MethodName, p1, p2, p3);
    if (result.isNull())
        result = LinesMethod(Memo, MethodName.toUpper(), QStringLiteral("LINES"), p1, p2, p3);
    return result;
}

void TfrMemoView::DefinePopupMenu(std::vector<TfrPopupEntry> &Menu)
{
    TfrStretcheable::DefinePopupMenu(Menu);
    auto entry = [&](const char16_t *caption, const char *property, quint16 bit, bool enabled = true) {
        Menu.push_back({QString::fromUtf16(caption), QString::fromLatin1(property), (Flags & bit) != 0, enabled});
    };
    entry(u"Перенос слов", "WordWrap", flWordWrap);
    entry(u"Перенос по слогам", "WordBreak", flWordBreak, (Flags & flWordWrap) != 0);
    entry(u"Автоматический размер", "AutoWidth", flAutoSize);
    entry(u"Только текст", "TextOnly", flTextOnly);
    entry(u"Скрывать повторяющиеся", "Suppress", flSuppressRepeated);
    entry(u"Скрывать нули", "HideZeros", flHideZeros);
    entry(u"Подчёркивания", "Underlines", flUnderlines);
}

void TfrMemoView::DefineProperties()
{
    TfrView::DefineProperties();
    AddProperty(QStringLiteral("Font.Name"), {});
    AddProperty(QStringLiteral("Font.Size"), {});
    AddProperty(QStringLiteral("Font.Style"), {});
    AddProperty(QStringLiteral("Font.Color"), {});
    AddProperty(QStringLiteral("Font"), {frdtHasEditor});
    AddProperty(QStringLiteral("Alignment"), {});
    AddProperty(QStringLiteral("DisplayFormat"), {frdtHasEditor});
    AddProperty(QStringLiteral("Highlight"), {frdtHasEditor});
    for (const char *name : {"LineSpacing", "CharSpacing", "GapX", "GapY"})
        AddProperty(QLatin1String(name), {frdtInteger});
    for (const char *name : {"Stretched", "WordWrap", "WordBreak", "AutoWidth", "TextOnly",
                             "Suppress", "HideZeros"})
        AddProperty(QLatin1String(name), {frdtBoolean});
    AddProperty(QStringLiteral("Lines.Count"), {});
    AddProperty(QStringLiteral("Underlines"), {frdtBoolean});
    AddProperty(QStringLiteral("RTLReading"), {frdtBoolean});
}

// ---- text preparation ----------------------------------------------------------------

void TfrMemoView::ExpandMemoVariables()
{
    expandedMemo.clear();
    for (const QString &line : Memo) {
        const QString s = (Flags & flTextOnly) || line.isEmpty() ? line : ExpandVariables(line);
        if (s.isEmpty())
            expandedMemo.append(QString());
        else
            appendText(expandedMemo, s);
    }
}

void TfrMemoView::applyHighlight()
{
    if (highlightCondition.isEmpty())
        return;
    bool holds = false;
    try {
        holds = frParser->CalcOPZ(highlightCondition).toReal() != 0;
    } catch (...) {
        holds = false; // a condition that fails does not highlight
    }
    if (!holds)
        return;
    Font.Style = Highlight.FontStyle;
    Font.Color = Highlight.FontColor;
    FillColor = Highlight.FillColor;
}

void TfrMemoView::AssignFont(QPainter *canvas)
{
    int pixelHeight;
    if (toPrinter && canvas && canvas->device())
        pixelHeight = frRound(double(Font.Size) * canvas->device()->logicalDpiY() / 72.0);
    else
        pixelHeight = frScaledFontPixelHeight(Font.Size, drawScaleY);
    m_metrics = &frFontMetrics(Font, pixelHeight);
    if (canvas && drawsOnCanvas()) {
        canvas->setBackgroundMode(Qt::TransparentMode);
        canvas->setFont(m_metrics->font());
        canvas->setPen(frSolidPen(frQColor(Font.Color)));
    }
}

void TfrMemoView::WrapMemo()
{
    QStringList &out = SMemo();
    out.clear();
    const TfrFontMetrics &m = frFontMetrics(Font, frFontPixelHeight(Font.Size));
    linePitch = lineSpacing() + m.pixelHeight();
    const bool rotated = Alignment & frtaVertical;
    const int limit = rotated ? Height - 2 * GapY : Width - 2 * GapX;
    qint64 position = rotated ? Left + GapX : Top + GapY;

    const TfrWrapOptions options{limit, charSpacing(), bool(Flags & flWordBreak)};
    if (!rotated && DocMode == dmDesigning && expandedMemo.size() == 1
        && expandedMemo.first().startsWith(QLatin1Char('['))
        && m.width(expandedMemo.first(), charSpacing()) > limit) {
        out.append(expandedMemo.first());
    } else {
        for (const QString &line : expandedMemo) {
            if (alreadyWrapped)
                out.append(line);
            else if (Flags & flWordWrap)
                frWrapLine(m, line, options, out);
            else
                out.append(line + kMark);
        }
    }
    position += qint64(out.size()) * linePitch;
    textBlockHeight = rotated ? frClampCoord(position + GapX - Left) : frClampCoord(position + GapY - Top);
}

// ---- drawing -------------------------------------------------------------------------

// The scratch canvas only measures: nothing is painted on it.
bool TfrMemoView::drawsOnCanvas() const
{
    return Canvas && !exportingLines && !DisableDrawing && Canvas != frScratchCanvas();
}

int TfrMemoView::exportMask(int index, int count) const
{
    if (count == 1)
        return FrameTyp;
    if (index == 0)
        return FrameTyp & ~frftBottom;
    if (index == count - 1)
        return FrameTyp & ~frftTop;
    return FrameTyp & ~(frftTop | frftBottom);
}

// Draws s with its top-left corner at (x, y) (rotated: the text runs upward from y).
// Justification widens the spaces; every character lands where the width function puts it.
void TfrMemoView::drawLine(int x, int y, const QString &s, int justifyExtra, bool rotated)
{
    const TfrFontMetrics &m = *m_metrics;
    // A plain line is drawn at its place; only a rotated or right-to-left one needs the
    // painter's state changed (which vector devices write out for every line).
    const bool plain = !rotated && !(Flags & flRTLReading);
    if (!plain) {
        Canvas->save();
        if (Flags & flRTLReading)
            Canvas->setLayoutDirection(Qt::RightToLeft);
        Canvas->translate(x, y);
        if (rotated)
            Canvas->rotate(-90);
    }
    const int originX = plain ? x : 0;
    const int baseline = plain ? y + m.ascent() : m.ascent();
    int spaces = 0;
    if (justifyExtra > 0)
        for (QChar c : s)
            spaces += isJustifySpace(c) ? 1 : 0;
    if (spaces == 0) {
        Canvas->drawText(QPoint(originX, baseline), s);
    } else {
        // Segments between spaces are drawn where the width function puts them, each space
        // widened by its share of the extra room (the first ones take the remainder).
        const int share = justifyExtra / spaces;
        int remainder = justifyExtra % spaces;
        qint64 advance = 0, segmentAdvance = 0;
        int extra = 0, segmentExtra = 0;
        qsizetype start = 0;
        auto drawSegment = [&](qsizetype end) {
            if (end <= start)
                return;
            const int pos = frClampCoord(qint64(originX) + TfrFontMetrics::toPixels(segmentAdvance) +
                                         qint64(start) * m_charSpacing + segmentExtra);
            Canvas->drawText(QPoint(pos, baseline), s.mid(start, end - start));
        };
        for (qsizetype i = 0; i < s.size(); ++i) {
            const QChar c = s.at(i);
            advance += m.advance64(c);
            if (!isJustifySpace(c))
                continue;
            drawSegment(i);
            extra += share + (remainder > 0 ? 1 : 0);
            if (remainder > 0)
                --remainder;
            start = i + 1;
            segmentAdvance = advance;
            segmentExtra = extra;
        }
        drawSegment(s.size());
    }
    if (!plain)
        Canvas->restore();
}

void TfrMemoView::outputHorizontal(const QString &line, int index, int count, int &y, int step,
                                   const TfrRect &clip, bool forceRight)
{
    QString s = line;
    const bool lastOfParagraph = s.endsWith(kMark);
    if (lastOfParagraph)
        s.chop(1);
    const int w = m_metrics->width(s, m_charSpacing);
    const int innerWidth = innerRect.Right - innerRect.Left;
    const int align = forceRight ? frtaRight : (Alignment & 3);
    int x = Left + GapX;
    int justifyExtra = 0;
    if (align == frtaRight) {
        x = Left + innerWidth - GapX - w - 1;
    } else if (align == frtaCenter) {
        x = Left + GapX + frDiv(innerWidth - 2 * GapX - w, 2);
    } else if (align == frtaJustify && !lastOfParagraph) {
        justifyExtra = innerWidth - 2 * GapX - w;
    }
    if (exportingLines) {
        if (CurReport)
            CurReport->InternalOnExportText(innerRect, x, y, s, exportMask(index, count), this);
    } else if (drawsOnCanvas()) {
        // A line that lies inside the clip (a pixel of room for the glyphs' side bearings)
        // draws the same without it; a clip per line costs vector devices a clip path each.
        const bool inside = qint64(x) - 1 >= clip.Left && qint64(x) + w + justifyExtra + 1 <= clip.Right &&
                            y >= clip.Top && qint64(y) + m_metrics->ascent() + m_metrics->descent() <= clip.Bottom;
        if (inside) {
            drawLine(x, y, s, justifyExtra, false);
        } else {
            Canvas->save();
            Canvas->setClipRect(clip.toQRect(), Qt::IntersectClip);
            drawLine(x, y, s, justifyExtra, false);
            Canvas->restore();
        }
    }
    ++linesWritten;
    y += step;
}

void TfrMemoView::outputRotated(const QString &line, int x)
{
    QString s = line;
    const bool lastOfParagraph = s.endsWith(kMark);
    if (lastOfParagraph)
        s.chop(1);
    const int w = m_metrics->width(s, m_charSpacing);
    const int innerHeight = innerRect.Bottom - innerRect.Top;
    int y;
    int justifyExtra = 0;
    switch (Alignment & 3) {
    case frtaRight:
        y = Top + GapY + w;
        break;
    case frtaCenter:
        y = innerRect.Bottom - GapY - frDiv(innerHeight - 2 * GapY - w, 2) - 1;
        break;
    case frtaJustify:
        y = Top + innerHeight - GapY;
        if (!lastOfParagraph)
            justifyExtra = innerHeight - 2 * GapY - w;
        break;
    default:
        y = innerRect.Bottom - GapY;
        break;
    }
    if (exportingLines) {
        if (CurReport)
            CurReport->InternalOnExportText(innerRect, x, y, s, 0, this);
    } else if (drawsOnCanvas()) {
        drawLine(x, y, s, justifyExtra, true);
    }
    ++linesWritten;
}

void TfrMemoView::ShowMemo()
{
    AssignFont(Canvas);
    m_charSpacing = frRound(charSpacing() * drawScaleX);
    if (drawsOnCanvas() && m_charSpacing != 0) {
        QFont f = m_metrics->font();
        f.setLetterSpacing(QFont::AbsoluteSpacing, m_charSpacing);
        Canvas->setFont(f);
    }
    const TfrRect clip{innerRect.Left + 1, innerRect.Top, innerRect.Right - 2, innerRect.Bottom - 1};
    textBlockHeight = frRound(textBlockHeight * drawScaleY);

    const qint32 savedAlignment = Alignment;
    const int savedLeft = Left, savedTop = Top;
    const int across = Alignment & (frtaMiddle | frtaDown);
    Alignment &= ~(frtaMiddle | frtaDown);
    const bool rotated = Alignment & frtaVertical;
    if (rotated) {
        if (across == frtaMiddle)
            Left += frDiv(innerRect.width() - textBlockHeight, 2);
        else if (across == frtaDown)
            Left = innerRect.Right - textBlockHeight;
    } else if (!streamingOut) {
        if (across == frtaMiddle)
            Top += frDiv(innerRect.height() - textBlockHeight, 2);
        else if (across == frtaDown)
            Top = innerRect.Bottom - textBlockHeight - 1;
    }

    const int fontHeight = m_metrics->pixelHeight();
    linesWritten = 0;
    const int count = int(expandedMemo.size());
    if (!rotated) {
        int y = Top + GapY;
        const int step = frRound(lineSpacing() * drawScaleY) + fontHeight;
        const bool forceRight = DocMode == dmDesigning && count == 1
                                && expandedMemo.first().startsWith(QLatin1Char('['))
                                && m_metrics->width(expandedMemo.first(), m_charSpacing) > clip.width();
        for (int i = 0; i < count; ++i) {
            if (streamingOut && qint64(y) + step > clip.Bottom)
                break;
            outputHorizontal(expandedMemo.at(i), i, count, y, step, clip, forceRight);
        }
    } else {
        int x = Left + GapX;
        const int step = frRound(lineSpacing() * drawScaleX) + fontHeight;
        for (int i = 0; i < count; ++i) {
            outputRotated(expandedMemo.at(i), x);
            x = frClampCoord(qint64(x) + step);
        }
    }
    Alignment = savedAlignment;
    Left = savedLeft;
    Top = savedTop;
}

void TfrMemoView::ShowUnderLines()
{
    if (!(Flags & flUnderlines) || !drawsOnCanvas())
        return;
    const int fontHeight = toPrinter && Canvas->device()
                               ? frRound(double(Font.Size) * Canvas->device()->logicalDpiY() / 72.0)
                               : frScaledFontPixelHeight(Font.Size, drawScaleY);
    const int h = frRound(lineSpacing() * drawScaleY) + fontHeight;
    if (h <= 0)
        return;
    Canvas->setPen(frSolidPen(frQColor(FrameColor), std::clamp(frRound(FrameWidth), 0, 1000)));
    // A hostile height would otherwise draw millions of lines.
    const int count = std::min(Height / h, 100000);
    for (int i = 0; i < count; ++i) {
        const int y = Top + GapY + h * i + frRound(2 * drawScaleY) + fontHeight;
        Canvas->drawLine(Left, y, Left + Width - 1, y);
    }
}

int TfrMemoView::CalcWidth(const QStringList &Lines)
{
    AssignFont(Canvas);
    const int cs = frRound(charSpacing() * drawScaleX);
    QString text = Lines.join(QStringLiteral("\r\n"));
    text.remove(kMark);
    int widest = 0;
    QStringList pieces;
    appendText(pieces, text);
    for (const QString &piece : pieces)
        widest = std::max(widest, m_metrics->width(piece, cs));
    const double scale = drawScaleX == 0 ? 1.0 : drawScaleX;
    return frRound(widest / scale + FrameWidth + 2 * GapX + 1);
}

void TfrMemoView::Draw(QPainter *canvas)
{
    Canvas = canvas;
    const bool autoWidth = (Flags & flAutoSize) && DocMode == dmPrinting && !Memo.isEmpty();
    if (autoWidth) {
        const int w = CalcWidth(Memo);
        if (Alignment & frtaVertical) {
            Height = w;
        } else {
            if ((Alignment & 3) == frtaRight)
                Left += Width - w;
            Width = w;
        }
    }
    BeginDraw(canvas);
    streamingOut = false;
    expandedMemo = Memo;
    if (!expandedMemo.isEmpty()) {
        alreadyWrapped = hasMark(expandedMemo);
        if (expandedMemo.last() == QString(kMark))
            expandedMemo.removeLast();
        const double sx = drawScaleX, sy = drawScaleY;
        drawScaleX = drawScaleY = 1.0;
        CalcGaps();
        if (autoWidth)
            Width += 100;
        WrapMemo();
        drawScaleX = sx;
        drawScaleY = sy;
        RestoreCoord();
        expandedMemo = SMemo();
    }
    CalcGaps();
    if (!exportingLines) {
        ShowBackground();
        ShowFrame();
        ShowUnderLines();
    }
    if (!expandedMemo.isEmpty())
        ShowMemo();
    RestoreCoord();
}

// ---- measuring and writing -------------------------------------------------------------

int TfrMemoView::CalcHeight()
{
    drawStage = drAfterCalcHeight;
    BeginDraw(frScratchCanvas());
    frRunScript(scriptLines);
    if (!Visible)
        return 0;
    expandedMemo = Memo;
    if (CurReport)
        CurReport->InternalOnEnterRect(expandedMemo, this);
    if (expandedMemo == Memo)
        ExpandMemoVariables();
    FontAndFillKeeper keeper(*this);
    applyHighlight();
    CalcGaps();
    int result = 0;
    if (!expandedMemo.isEmpty()) {
        WrapMemo();
        expandedMemo = SMemo();
        result = textBlockHeight;
        if (Flags & flSuppressRepeated) {
            const QString text = textOf(expandedMemo);
            if (text == lastWrittenText)
                result = 0;
            if (CurReport && CurReport->DoublePassReport && !CurReport->FinalPass)
                lastWrittenText = text;
        }
    }
    RestoreCoord();
    return result;
}

void TfrMemoView::StreamOut(TfrStream &Stream)
{
    BeginDraw(frScratchCanvas());
    streamingOut = true;
    const TfrDrawMode stage = drawStage;
    // Whatever happens below, the next write starts over.
    struct StageReset {
        TfrMemoView &v;
        ~StageReset() { v.drawStage = drAll; }
    } stageReset{*this};

    if (stage == drAll)
        frRunScript(scriptLines);
    if (stage == drAll) {
        if (CurReport && CurReport->OnBeforePrint) {
            expandedMemo = Memo;
            CurReport->InternalOnEnterRect(expandedMemo, this);
            if (expandedMemo == Memo)
                ExpandMemoVariables();
        } else {
            ExpandMemoVariables();
        }
    }
    if (!Visible)
        return;

    FontAndFillKeeper keeper(*this);
    applyHighlight();

    QStringList allLines;
    if (stage == drPart) {
        CalcGaps();
        ShowMemo();
        allLines = expandedMemo;
        SMemo() = allLines;
        expandedMemo = allLines.mid(0, linesWritten);
        if (!hasMark(expandedMemo))
            expandedMemo.append(QString(kMark));
        RestoreCoord();
    }

    const QString savedTag = Tag;
    const quint8 savedBandAlign = BandAlign;
    struct Restore {
        TfrMemoView &v;
        const QString &tag;
        quint8 bandAlign;
        ~Restore()
        {
            v.Tag = tag;
            v.BandAlign = bandAlign;
        }
    } restore{*this, savedTag, savedBandAlign};

    if (Tag.contains(QLatin1Char('['))) {
        const qint32 savedFormat = formatCode;
        formatCode = 0;
        try {
            Tag = ExpandVariables(Tag);
        } catch (...) {
            formatCode = savedFormat;
            throw;
        }
        formatCode = savedFormat;
    }
    if (BandAlign == baBottom)
        BandAlign = baNone;
    applyBandAlignForStream();
    if (BandAlign == baWidth && CurBand && frIsCrossBand(CurBand->Typ))
        BandAlign = baNone;

    if (Flags & flSuppressRepeated) {
        QString text = textOf(expandedMemo);
        if (text != lastWrittenText) {
            WriteTypeAndRecord(Stream);
            lastWrittenText = std::move(text);
        }
    } else {
        WriteTypeAndRecord(Stream);
    }
    if (stage == drPart)
        expandedMemo = allLines.mid(linesWritten);
}

void TfrMemoView::ExportData()
{
    TfrView::ExportData();
    exportingLines = true;
    struct Reset {
        bool &flag;
        ~Reset() { flag = false; }
    } reset{exportingLines};
    Draw(frScratchCanvas());
}

int TfrMemoView::MinHeight()
{
    const int fontHeight = frFontPixelHeight(Font.Size);
    linePitch = lineSpacing() + fontHeight;
    return frRound(2 * FrameWidth) + lineSpacing() + 2 * GapY + fontHeight;
}

int TfrMemoView::LostSpace()
{
    linePitch = lineSpacing() + frFontPixelHeight(Font.Size);
    const int frame = frRound(2 * FrameWidth);
    if (linePitch <= 0)
        return 2 * GapY + frame;
    return 2 * GapY + frame + ((Height - frame - 2 * GapY) % linePitch);
}

void TfrMemoView::GetBlob(const TfrCursorField &Field) { frAssignBlobTo(Field, expandedMemo); }

// ---- the memo part of the object record --------------------------------------------------
//
// | Field                          | Bytes  | Present                                   |
// |--------------------------------|--------|-------------------------------------------|
// | font name                      | string |                                           |
// | font size (points)             | 4      |                                           |
// | font style (stream style word) | 2      |                                           |
// | font colour                    | 4      |                                           |
// | Alignment                      | 4      |                                           |
// | font character set             | 2      | read only from v >= 23 (else frCharset)   |
// | Highlight: style, font colour, | 2, 4, 4| not in prepared pages                     |
// |   fill colour                  |        |                                           |
// | highlightCondition             | string | not in prepared pages                     |
// | LineSpacing, CharSpacing       | 4, 4   | always written; read from v >= 24         |
// A version 21 stream also turns "WordWrap" on.

void TfrMemoView::SaveToStream(TfrStream &Stream)
{
    TfrView::SaveToStream(Stream);
    frWriteString(Stream, Font.Name);
    frWriteInteger(Stream, Font.Size);
    frWriteWord(Stream, Font.Style);
    frWriteInteger(Stream, Font.Color);
    frWriteInteger(Stream, Alignment);
    frWriteWord(Stream, Font.Charset);
    if (!inPreparedPage) {
        frWriteWord(Stream, Highlight.FontStyle);
        frWriteInteger(Stream, Highlight.FontColor);
        frWriteInteger(Stream, Highlight.FillColor);
        frWriteString(Stream, highlightCondition);
    }
    frWriteInteger(Stream, LineSpacing);
    frWriteInteger(Stream, CharSpacing);
}

void TfrMemoView::LoadFromStream(TfrStream &Stream)
{
    TfrView::LoadFromStream(Stream);
    const int v = frVersion;
    const bool old = v < 23;
    Font.Name = old ? frReadString22(Stream) : frReadString(Stream);
    Font.Size = frReadInteger(Stream);
    Font.Style = quint16(frReadWord(Stream) & 0x0F);
    Font.Color = frReadInteger(Stream);
    Alignment = frReadInteger(Stream);
    const quint16 charset = frReadWord(Stream);
    Font.Charset = old ? frCharset : quint8(charset);
    if (!inPreparedPage) {
        Highlight.FontStyle = quint16(frReadWord(Stream) & 0x0F);
        Highlight.FontColor = frReadInteger(Stream);
        Highlight.FillColor = frReadInteger(Stream);
        highlightCondition = old ? frReadString22(Stream) : frReadString(Stream);
    }
    if (v >= 24) {
        LineSpacing = frReadInteger(Stream);
        CharSpacing = frReadInteger(Stream);
    }
    if (v == 21)
        Flags |= flWordWrap;
}
