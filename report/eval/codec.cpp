#include "report/eval/codec.h"

#include <array>
#include <cstdint>
#include <cstring>

namespace {

// Unicode of the bytes 0x80-0xFF. Our own table rather than QStringEncoder: the platform
// converter substitutes 0x1A for unmappable characters where we must write '?', and a
// table lookup is much cheaper per string than a converter call.
constexpr std::array<char16_t, 128> kHigh = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021,
    0x20AC, 0x2030, 0x0409, 0x2039, 0x040A, 0x040C, 0x040B, 0x040F,
    0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x0098, 0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F,
    0x00A0, 0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6, 0x00A7,
    0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407,
    0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6, 0x00B7,
    0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457,
    0x0410, 0x0411, 0x0412, 0x0413, 0x0414, 0x0415, 0x0416, 0x0417,
    0x0418, 0x0419, 0x041A, 0x041B, 0x041C, 0x041D, 0x041E, 0x041F,
    0x0420, 0x0421, 0x0422, 0x0423, 0x0424, 0x0425, 0x0426, 0x0427,
    0x0428, 0x0429, 0x042A, 0x042B, 0x042C, 0x042D, 0x042E, 0x042F,
    0x0430, 0x0431, 0x0432, 0x0433, 0x0434, 0x0435, 0x0436, 0x0437,
    0x0438, 0x0439, 0x043A, 0x043B, 0x043C, 0x043D, 0x043E, 0x043F,
    0x0440, 0x0441, 0x0442, 0x0443, 0x0444, 0x0445, 0x0446, 0x0447,
    0x0448, 0x0449, 0x044A, 0x044B, 0x044C, 0x044D, 0x044E, 0x044F,
};

// The high half lives in four Unicode pages (0x00, 0x04, 0x20, 0x21); one 256-entry
// table per page keeps the reverse lookup at two loads. 0 marks "no code" (every
// non-ASCII code is >= 0x80).
using ReversePages = std::array<std::array<std::uint8_t, 256>, 4>;

constexpr int pageSlot(unsigned page)
{
    switch (page) {
    case 0x00: return 0;
    case 0x04: return 1;
    case 0x20: return 2;
    case 0x21: return 3;
    default: return -1;
    }
}

constexpr ReversePages buildReverse()
{
    ReversePages r{};
    for (unsigned i = 0; i < kHigh.size(); ++i) {
        const unsigned u = kHigh[i];
        r[pageSlot(u >> 8)][u & 0xFF] = std::uint8_t(0x80 + i);
    }
    return r;
}

constexpr ReversePages kReverse = buildReverse();

static_assert(kReverse[1][0x10] == 0xC0, "А is 0xC0");
static_assert(kReverse[1][0x51] == 0xB8, "ё is 0xB8");

// 0 when u has no code.
inline std::uint8_t codeOf(char16_t u) noexcept
{
    if (u < 0x80)
        return std::uint8_t(u);
    // А ... я, the bulk of Russian text, are one run: 0xC0 ... 0xFF.
    if (char16_t(u - 0x0410) < 0x40)
        return std::uint8_t(u - 0x0410 + 0xC0);
    const int slot = pageSlot(u >> 8);
    return slot < 0 ? 0 : kReverse[slot][u & 0xFF];
}

// Reads the cp1251 code at s[i] and moves i past it (two units for a surrogate pair).
inline std::uint8_t nextCode(const char16_t *s, qsizetype n, qsizetype &i) noexcept
{
    const char16_t u = s[i++];
    if (u < 0x80)
        return std::uint8_t(u);
    if (QChar::isHighSurrogate(u) && i < n && QChar::isLowSurrogate(s[i]))
        ++i;
    const std::uint8_t c = codeOf(u);
    return c ? c : std::uint8_t('?');
}

} // namespace

uchar frCharToCp1251(QChar c) noexcept
{
    const std::uint8_t code = codeOf(c.unicode());
    return code || c.unicode() == 0 ? code : uchar('?');
}

QChar frCp1251ToChar(uchar code) noexcept
{
    return code < 0x80 ? QChar(code) : QChar(kHigh[code - 0x80]);
}

bool frIsCp1251Char(QChar c) noexcept
{
    return c.unicode() == 0 || codeOf(c.unicode()) != 0;
}

qsizetype frCp1251Length(QStringView s) noexcept
{
    const char16_t *p = s.utf16();
    const qsizetype n = s.size();
    qsizetype len = 0;
    for (qsizetype i = 0; i < n; ++len)
        nextCode(p, n, i);
    return len;
}

qsizetype frEncodeCp1251(QStringView s, char *out) noexcept
{
    const char16_t *p = s.utf16();
    const qsizetype n = s.size();
    qsizetype i = 0;
    // Most template text is ASCII: copy it without the lookup.
    while (i < n && p[i] < 0x80) {
        out[i] = char(p[i]);
        ++i;
    }
    qsizetype o = i;
    while (i < n)
        out[o++] = char(nextCode(p, n, i));
    return o;
}

QByteArray frToCp1251(QStringView s)
{
    QByteArray out(s.size(), Qt::Uninitialized);
    out.truncate(frEncodeCp1251(s, out.data()));
    return out;
}

QString frCp1251Text(const QString &s)
{
    const auto *p = reinterpret_cast<const char16_t *>(s.utf16());
    const qsizetype n = s.size();
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t u = p[i];
        if (u >= 0x80 && codeOf(u) == 0)
            return frFromCp1251(frToCp1251(s));
    }
    return s;
}

QString frFromCp1251(const char *data, qsizetype size)
{
    if (size <= 0)
        return QString();
    const auto *b = reinterpret_cast<const unsigned char *>(data);
    qsizetype i = 0;
    // Eight bytes at a time while no high bit is set.
    while (i + 8 <= size) {
        std::uint64_t w;
        std::memcpy(&w, b + i, 8);
        if (w & 0x8080808080808080ULL)
            break;
        i += 8;
    }
    while (i < size && b[i] < 0x80)
        ++i;
    if (i == size)
        return QString::fromLatin1(data, size);

    QString out(size, Qt::Uninitialized);
    char16_t *o = reinterpret_cast<char16_t *>(out.data());
    for (qsizetype k = 0; k < i; ++k)
        o[k] = b[k];
    for (qsizetype k = i; k < size; ++k)
        o[k] = b[k] < 0x80 ? char16_t(b[k]) : kHigh[b[k] - 0x80];
    return out;
}

int frCompareCp1251(QStringView a, QStringView b) noexcept
{
    const char16_t *pa = a.utf16();
    const char16_t *pb = b.utf16();
    const qsizetype na = a.size();
    const qsizetype nb = b.size();
    qsizetype i = 0, j = 0;
    while (i < na && j < nb) {
        if (pa[i] == pb[j] && pa[i] < 0x80) {
            ++i;
            ++j;
            continue;
        }
        const std::uint8_t ca = nextCode(pa, na, i);
        const std::uint8_t cb = nextCode(pb, nb, j);
        if (ca != cb)
            return ca < cb ? -1 : 1;
    }
    if (i < na)
        return 1;
    if (j < nb)
        return -1;
    return 0;
}
