// The text object: lines of literal text and bracketed expressions in one font, with
// alignment, rotation, line and character spacing, word wrapping with Russian
// hyphenation, highlighting, underlines, automatic width and suppression of repeats. It
// measures itself for the band engine (CalcHeight, MinHeight, LostSpace), writes itself
// into prepared pages (StreamOut), draws itself (Draw) and hands its lines to export
// filters (ExportData).
#pragma once

#include <algorithm>

#include "report/model/font.h"
#include "report/model/view.h"

class TfrFontMetrics;

// Memo Flags (bit 0 is the view's "Stretched").
inline constexpr quint16 flWordWrap = 2;
inline constexpr quint16 flWordBreak = 4;
inline constexpr quint16 flAutoSize = 8;
inline constexpr quint16 flTextOnly = 16;
inline constexpr quint16 flSuppressRepeated = 32;
inline constexpr quint16 flHideZeros = 64;
inline constexpr quint16 flUnderlines = 128;
inline constexpr quint16 flRTLReading = 256;

// Alignment bits.
inline constexpr int frtaLeft = 0;
inline constexpr int frtaRight = 1;
inline constexpr int frtaCenter = 2;
inline constexpr int frtaJustify = 3;
inline constexpr int frtaVertical = 4;
inline constexpr int frtaMiddle = 8;
inline constexpr int frtaDown = 16;

struct TfrHighlightAttr {
    quint16 FontStyle = 2;      // stream style word
    qint32 FontColor = clBlack;
    qint32 FillColor = clWhite;
};

class TfrMemoView : public TfrStretcheable {
public:
    TfrMemoView();
    QString ClassName() const override { return QStringLiteral("TfrMemoView"); }

    TfrFont Font;
    QString lastWrittenText;     // for the suppression of repeats
    bool alreadyWrapped = false; // the text holds paragraph marks: not wrapped again
    int textBlockHeight = 0;
    bool streamingOut = false;   // lines that do not fit stop the output
    int linePitch = 0;
    int linesWritten = 0;
    bool exportingLines = false; // lines go to the export hook instead of the canvas
    qint32 Alignment = 0;
    TfrHighlightAttr Highlight;
    QString highlightCondition;  // compiled to postfix by the page engine
    qint32 LineSpacing = 2;
    qint32 CharSpacing = 0;

    void SetPropValue(const QString &Name, const TfrVariant &Value) override;
    TfrVariant GetPropValue(const QString &Name) override;
    TfrVariant DoMethod(const QString &MethodName, const TfrVariant &p1, const TfrVariant &p2,
                        const TfrVariant &p3) override;
    void DefineProperties() override;
    // The view's entries, then the text flags (hyphenation only with word wrap).
    void DefinePopupMenu(std::vector<TfrPopupEntry> &Menu) override;

    void SetFont(const TfrFont &font) { Font = font; }
    void ExpandMemoVariables();
    void AssignFont(QPainter *canvas);
    void WrapMemo();
    void ShowMemo();
    void ShowUnderLines();
    int CalcWidth(const QStringList &Lines);

    void Draw(QPainter *canvas) override;
    void StreamOut(TfrStream &Stream) override;
    void ExportData() override;
    int CalcHeight() override;
    int MinHeight() override;
    int LostSpace() override;
    void GetBlob(const TfrCursorField &Field) override;

    void LoadFromStream(TfrStream &Stream) override;
    void SaveToStream(TfrStream &Stream) override;

private:
    // The spacings as layout uses them: absurd stored values stay stored but are bounded here.
    static constexpr int kMaxSpacing = 10000;
    int charSpacing() const { return std::clamp(int(CharSpacing), -kMaxSpacing, kMaxSpacing); }
    int lineSpacing() const { return std::clamp(int(LineSpacing), -kMaxSpacing, kMaxSpacing); }
    // Applies the highlight when its condition holds; errors mean no highlight.
    void applyHighlight();
    void outputHorizontal(const QString &line, int index, int count, int &y, int step,
                          const TfrRect &clip, bool forceRight);
    void outputRotated(const QString &line, int x);
    void drawLine(int x, int y, const QString &s, int justifyExtra, bool rotated);
    int exportMask(int index, int count) const;
    bool drawsOnCanvas() const;

    const TfrFontMetrics *m_metrics = nullptr; // set by AssignFont
    int m_charSpacing = 0;                     // scaled, set by ShowMemo
};
