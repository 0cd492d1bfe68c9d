#include "report/model/text_layout.h"

#include <QFontMetricsF>
#include <algorithm>
#include <cmath>
#include <memory>
#include <unordered_map>

#include "report/eval/stream.h"
#include "report/model/geometry.h"

namespace {

constexpr int kMaxPixelHeight = 4096;
// Characters of a word the hyphenation needs for break points up to 255.
constexpr int kMaxHyphenatedWord = 258;

struct FontKey {
    QString name;
    int pixelHeight;
    int style;
    friend bool operator==(const FontKey &, const FontKey &) = default;
};

struct FontKeyHash {
    size_t operator()(const FontKey &k) const noexcept
    {
        return qHash(k.name) ^ (size_t(k.pixelHeight) * 2654435761u) ^ (size_t(k.style) << 20);
    }
};

// Lives until frClearFontMetrics; references handed out stay valid until then.
struct MetricsCache {
    std::unordered_map<FontKey, std::unique_ptr<TfrFontMetrics>, FontKeyHash> entries;
    // The last hit, compared first: text objects mostly share one font.
    FontKey lastKey;
    const TfrFontMetrics *last = nullptr;
};

MetricsCache &cache()
{
    static MetricsCache c;
    return c;
}

bool isLineBreak(QChar c) { return c.unicode() == 13 || c.unicode() == 10; }

bool isWordDelimiter(QChar c)
{
    const char16_t u = c.unicode();
    return u == ' ' || u == ',' || u == '-' || u == '.';
}

bool isVowel(QChar c)
{
    switch (c.unicode()) {
    case u'Ё': case u'А': case u'Е': case u'И': case u'О':
    case u'У': case u'Ы': case u'Э': case u'Ю': case u'Я':
        return true;
    default:
        return false;
    }
}

bool isSign(QChar c) { return c.unicode() == u'Ъ' || c.unicode() == u'Ь'; }

} // namespace

int frFontPixelHeight(int points) { return frRound(double(points) * 96.0 / 72.0); }

int frScaledFontPixelHeight(int points, double scale)
{
    const double h = double(points) * 96.0 / 72.0 * scale;
    return scale == 1.0 ? frRound(h) : frTrunc(h);
}

QFont frCreateQFont(const TfrFont &font, int pixelHeight)
{
    QFont f(font.Name);
    f.setPixelSize(std::clamp(pixelHeight, 1, kMaxPixelHeight));
    frSetFontStyle(f, font.Style);
    // Kerning and shaping would make a drawn text differ from the sum of its advances.
    f.setKerning(false);
    f.setStyleStrategy(QFont::PreferNoShaping);
    f.setHintingPreference(QFont::PreferNoHinting);
    return f;
}

TfrFontMetrics::TfrFontMetrics(const TfrFont &font, int pixelHeight)
    : m_font(frCreateQFont(font, pixelHeight)), m_pixelHeight(pixelHeight)
{
    m_table.fill(-1);
    const QFontMetricsF m(m_font);
    m_ascent = frRound(m.ascent());
    m_descent = frClampCoord(std::ceil(m.descent()));
}

qint32 TfrFontMetrics::measure(QChar c) const
{
    if (c.unicode() < 32)
        return 0; // control characters (line breaks, the paragraph mark) take no room
    return qint32(std::lround(QFontMetricsF(m_font).horizontalAdvance(c) * 64.0));
}

qint32 TfrFontMetrics::otherAdvance(QChar c) const
{
    const auto it = m_other.constFind(c.unicode());
    if (it != m_other.constEnd())
        return *it;
    const qint32 a = c.isSurrogate() ? 0 : measure(c);
    m_other.insert(c.unicode(), a);
    return a;
}

const TfrFontMetrics &frFontMetrics(const TfrFont &font, int pixelHeight)
{
    // Hostile sizes share the extreme entries instead of filling the cache.
    pixelHeight = std::clamp(pixelHeight, 1, kMaxPixelHeight);
    MetricsCache &c = cache();
    const int style = font.Style & 0x0F;
    if (c.last && c.lastKey.pixelHeight == pixelHeight && c.lastKey.style == style
        && c.lastKey.name == font.Name)
        return *c.last;
    FontKey key{font.Name, pixelHeight, style};
    auto it = c.entries.find(key);
    if (it == c.entries.end())
        it = c.entries.emplace(key, std::make_unique<TfrFontMetrics>(font, pixelHeight)).first;
    c.lastKey = std::move(key);
    c.last = it->second.get();
    return *c.last;
}

void frClearFontMetrics()
{
    MetricsCache &c = cache();
    c.last = nullptr;
    c.lastKey = FontKey{};
    c.entries.clear();
}

std::vector<int> frHyphenate(QStringView word)
{
    std::vector<int> breaks;
    const int n = int(word.size());
    if (n < 4)
        return breaks;
    const QString w = word.toString().toUpper();
    auto at = [&](int i) { return w.at(i - 1); }; // 1-based
    for (int i = 2; i <= n - 2 && i <= 255; ++i) {
        const QChar c = at(i), next = at(i + 1), after = at(i + 2);
        bool allowed;
        if (isVowel(c))
            allowed = isVowel(next) || isVowel(after);
        else
            allowed = (isSign(c) && !isWordDelimiter(after))
                      || (!isVowel(next) && !isSign(next) && isVowel(after));
        if (allowed)
            breaks.push_back(i);
    }
    return breaks;
}

// Positions are 1-based as in the wrapping rules; P holds the advances of every prefix, so
// each width test costs one subtraction however long the line is.
void frWrapLine(const TfrFontMetrics &metrics, const QString &L, const TfrWrapOptions &options,
                QStringList &out)
{
    const QChar mark(frParagraphMark);
    const int n = int(L.size());
    const int limit = options.limit;
    const int cs = options.charSpacing;

    thread_local std::vector<qint64> P;
    P.resize(size_t(n) + 1);
    P[0] = 0;
    bool hasLineBreak = false;
    for (int i = 0; i < n; ++i) {
        const QChar ch = L.at(i);
        hasLineBreak = hasLineBreak || isLineBreak(ch);
        P[size_t(i) + 1] = P[size_t(i)] + metrics.advance64(ch);
    }
    auto width = [&](int x, int y) -> int {
        if (y < x)
            return 0;
        return frClampCoord(qint64(TfrFontMetrics::toPixels(P[size_t(y)] - P[size_t(x) - 1])) + qint64(y - x + 1) * cs);
    };
    const qint64 hyphen = metrics.advance64(QLatin1Char('-'));
    auto widthWithHyphen = [&](int x, int y) -> int {
        return frClampCoord(qint64(TfrFontMetrics::toPixels(P[size_t(y)] - P[size_t(x) - 1] + hyphen)) + qint64(y - x + 2) * cs);
    };
    auto at = [&](int i) { return L.at(i - 1); };
    auto part = [&](int x, int y) { return y < x ? QString() : L.mid(x - 1, y - x + 1); };

    if (!hasLineBreak && (n <= 1 || width(1, n) <= limit)) {
        out.append(L + mark);
        return;
    }

    int b = 1; // start of the current output line
    int c = 1; // last break candidate
    int a = 1;
    while (a <= n) {
        if (isLineBreak(at(a))) {
            out.append(part(b, a - 1) + mark);
            while (a < n && isLineBreak(at(a)))
                ++a;
            b = c = a;
            if (isLineBreak(at(a)))
                break;
            continue;
        }
        if (at(a) != QLatin1Char(' ') && width(b, a) > limit) {
            const int overflow = a;
            bool hyphenated = false;
            bool hasBreaks = false;
            if (options.wordBreak) {
                // Break points stop at 255, so a word is looked at no further than that: a
                // huge word without delimiters would otherwise be rescanned at every break.
                const int wordLimit = c + kMaxHyphenatedWord;
                int j = a;
                while (j <= n && j <= wordLimit && !isWordDelimiter(at(j)))
                    ++j;
                const std::vector<int> breaks = frHyphenate(QStringView(L).mid(c, std::clamp(j - 1 - c, 0, kMaxHyphenatedWord)));
                hasBreaks = !breaks.empty();
                int last = c;
                for (int k : breaks) {
                    if (widthWithHyphen(b, c + k) > limit)
                        break;
                    hyphenated = true;
                    last = c + k;
                }
                if (hyphenated)
                    a = c = last;
                else if (hasBreaks && c > b)
                    a = c; // the word moves to the next line whole and is measured again there
            }
            // No space to break at inside this line: cut the word where it overflows. (Going
            // back to a candidate before the line start would emit nothing and loop.)
            if (!hyphenated && c <= b)
                c = overflow;
            if (hyphenated) {
                out.append(part(b, c) + QLatin1Char('-'));
            } else if (at(c) == QLatin1Char(' ')) {
                out.append(part(b, c - 1));
            } else {
                out.append(part(b, c - 1));
                c = c - 1;
            }
            b = c = c + 1;
        }
        if (at(a) == QLatin1Char(' '))
            c = a;
        ++a;
    }
    if (a != b)
        out.append(part(b, n) + mark);
}
