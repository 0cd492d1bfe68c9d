// Text measuring, wrapping and hyphenation: one font set-up path and one width function
// for wrapping, alignment and drawing, so a line never measures one width and draws
// another.
//
// Fonts are set with a pixel height computed from the point size at 96 pixels per inch
// (times the drawing scale), never from a screen's resolution, so a layout comes out the
// same on every machine. Kerning and shaping are off: the drawn width of a text is then
// exactly the sum of its characters' advances, which is what the width function adds up.
// Advances are kept in 1/64 pixel, as the font engine reports them, so sums are exact.
#pragma once

#include <QFont>
#include <QHash>
#include <QString>
#include <QStringList>
#include <QStringView>
#include <array>
#include <vector>

#include "report/model/font.h"
#include "report/model/geometry.h"

// The paragraph mark that ends the last output line of a paragraph.
inline constexpr char16_t frParagraphMark = 1;

// round(points × 96 / 72): the font pixel height at scale 1.
int frFontPixelHeight(int points);
// The pixel height at a drawing scale: rounded at scale exactly 1, truncated otherwise.
int frScaledFontPixelHeight(int points, double scale);

// The one place a platform font is made from a stored font. The pixel height is clamped
// to what a font engine handles (1 to 4096).
QFont frCreateQFont(const TfrFont &font, int pixelHeight);

// One font at one pixel height. Obtained from frFontMetrics and valid until the engine
// shuts down.
class TfrFontMetrics {
public:
    TfrFontMetrics(const TfrFont &font, int pixelHeight);

    const QFont &font() const { return m_font; }
    int pixelHeight() const { return m_pixelHeight; }
    // Baseline below the top of a line, in whole pixels.
    int ascent() const { return m_ascent; }
    // Lowest point of the font below the baseline, in whole pixels (rounded up).
    int descent() const { return m_descent; }

    // Advance of one character in 1/64 pixel.
    qint32 advance64(QChar c) const
    {
        const char16_t u = c.unicode();
        if (u < kTableSize) {
            qint32 &a = m_table[u];
            if (a < 0)
                a = measure(c);
            return a;
        }
        return otherAdvance(c);
    }
    // Width in pixels of s drawn with charSpacing extra pixels after every character.
    int width(QStringView s, int charSpacing = 0) const
    {
        qint64 sum = 0;
        for (QChar c : s)
            sum += advance64(c);
        return frClampCoord(qint64(toPixels(sum)) + qint64(s.size()) * charSpacing);
    }
    static int toPixels(qint64 advance64) { return frClampCoord((advance64 + 32) >> 6); }

private:
    static constexpr char16_t kTableSize = 0x500; // Latin, Greek and Cyrillic
    qint32 measure(QChar c) const;
    qint32 otherAdvance(QChar c) const;

    QFont m_font;
    int m_pixelHeight = 0;
    int m_ascent = 0;
    int m_descent = 0;
    mutable std::array<qint32, kTableSize> m_table;
    mutable QHash<char16_t, qint32> m_other;
};

// The cached metrics of a font at a pixel height.
const TfrFontMetrics &frFontMetrics(const TfrFont &font, int pixelHeight);
// Forgets every cached font (at engine shutdown, and in tests that change fonts installed).
void frClearFontMetrics();

// Break points of a word by the Russian rules: positions i (1-based, increasing, at most
// 255) such that the word may be broken between its i-th and (i+1)-th character.
std::vector<int> frHyphenate(QStringView word);

// Wraps one text line into output lines of at most limit pixels; an entry that ends a
// paragraph carries the paragraph mark. With wordBreak, words are hyphenated.
struct TfrWrapOptions {
    int limit = 0;
    int charSpacing = 0;
    bool wordBreak = false;
};
void frWrapLine(const TfrFontMetrics &metrics, const QString &line, const TfrWrapOptions &options,
                QStringList &out);
