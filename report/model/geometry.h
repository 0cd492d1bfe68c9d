// Small shared pieces of drawing arithmetic: the rounding every layout rule uses, the
// rectangle with an exclusive right and bottom edge that the drawing rules are written
// in, and the colour encoding of templates.
#pragma once

#include <QColor>
#include <QRect>
#include <cmath>
#include <cstdint>

// Layout values stay far inside this range, so sums of a few of them never overflow.
inline constexpr int frCoordLimit = 1 << 28;

inline int frClampCoord(double v)
{
    if (!(v == v))
        return 0;
    if (v > frCoordLimit)
        return frCoordLimit;
    if (v < -frCoordLimit)
        return -frCoordLimit;
    return int(v);
}
inline int frClampCoord(qint64 v)
{
    return v > frCoordLimit ? frCoordLimit : v < -frCoordLimit ? -frCoordLimit : int(v);
}

// Round to nearest, ties to even; saturates at the coordinate limit.
inline int frRound(double v)
{
    // Adding and taking away 1.5 * 2^52 leaves v rounded as nearbyint rounds it (to nearest,
    // ties to even, in the default rounding mode) without a library call: layout rounds
    // millions of coordinates. Values beyond the limit saturate either way.
    if (v > -frCoordLimit && v < frCoordLimit) {
        constexpr double kRoundingShift = 6755399441055744.0;
        return int((v + kRoundingShift) - kRoundingShift);
    }
    return frClampCoord(std::nearbyint(v));
}
// Truncation toward zero, saturating.
inline int frTrunc(double v) { return frClampCoord(std::trunc(v)); }

// Integer division truncating toward zero (C++ already does; named for the rules that say so).
inline int frDiv(int a, int b) { return b == 0 ? 0 : a / b; }

// A rectangle whose Right and Bottom lie just outside it, as the drawing rules count.
struct TfrRect {
    int Left = 0, Top = 0, Right = 0, Bottom = 0;
    int width() const { return Right - Left; }
    int height() const { return Bottom - Top; }
    QRect toQRect() const { return QRect(Left, Top, Right - Left, Bottom - Top); }
    friend bool operator==(const TfrRect &, const TfrRect &) = default;
};

// No colour: nothing is painted.
inline constexpr qint32 clNone = 0x1FFFFFFF;
inline constexpr qint32 clWhite = 0xFFFFFF;
inline constexpr qint32 clBlack = 0;
inline constexpr qint32 clBtnFace = qint32(0x8000000Fu);
inline constexpr qint32 clBtnShadow = qint32(0x80000010u);
inline constexpr qint32 clBtnHighlight = qint32(0x80000014u);

// 0x00BBGGRR, or a system colour (0x80000000 + index) in the classic default scheme.
// No colour and any other value give white.
QColor frQColor(qint32 color);
