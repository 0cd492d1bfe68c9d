#include "report/eval/format_text.h"

namespace {

enum class MaskChar { None, Literal, IntlLiteral, Directive, Mask, MaskOpt, FieldSeparator, Field };

constexpr char16_t kLiteralMark = u'\\';
constexpr char16_t kFieldSeparator = u';';
constexpr char16_t kNoSave = u'0';
// The flag and blank fields live in the last four characters of a mask.
constexpr qsizetype kFieldZone = 4;

bool isLiteralMark(const QString &m, qsizetype i) { return i >= 0 && i < m.size() && m[i] == kLiteralMark; }

// The role of the character at i (0-based).
MaskChar charType(const QString &m, qsizetype i)
{
    const qsizetype n = m.size();
    if (i < 0 || i >= n)
        return MaskChar::None;
    const char16_t c = m[i].unicode();
    // A character after a single "\" is literal; "\\" makes the second one literal and
    // leaves the character after it alone.
    if (isLiteralMark(m, i - 1) && !isLiteralMark(m, i - 2))
        return MaskChar::Literal;
    const bool inFieldZone = n >= kFieldZone && i >= n - kFieldZone;
    if (c == kFieldSeparator && inFieldZone)
        return MaskChar::FieldSeparator;
    if (inFieldZone && i > 0 && m[i - 1] == kFieldSeparator && !isLiteralMark(m, i - 2))
        return MaskChar::Field;
    switch (c) {
    case u':':
    case u'/':
        return MaskChar::IntlLiteral;
    case u'!':
    case u'>':
    case u'<':
    case u'\\':
        return MaskChar::Directive;
    case u'l':
    case u'a':
    case u'c':
    case u'#':
    case u'9':
        return MaskChar::MaskOpt;
    case u'L':
    case u'A':
    case u'C':
    case u'0':
        return MaskChar::Mask;
    default:
        return MaskChar::Literal;
    }
}

// Whether literals are kept in the text: the character after the second-to-last field
// separator of the field zone, unless it is "0".
bool maskSavesLiterals(const QString &m)
{
    const qsizetype n = m.size();
    if (n < kFieldZone)
        return true;
    qsizetype first = -1, second = -1;
    for (qsizetype i = n - 1; i >= 0 && i >= n - kFieldZone - 1 && second < 0; --i) {
        if (charType(m, i) != MaskChar::FieldSeparator)
            continue;
        if (first < 0)
            first = i;
        else
            second = i;
    }
    if (second < 0)
        second = first;
    if (second >= 0 && second != n - 1)
        return m[second + 1] != kNoSave;
    return true;
}

bool reversed(const QString &m) { return m.contains(u'!'); }

QChar literalChar(QChar c, MaskChar type, const TfrFormatSettings &fs)
{
    if (type != MaskChar::IntlLiteral)
        return c;
    return c == u':' ? fs.timeSeparator : fs.dateSeparator;
}

bool isMaskPosition(MaskChar t) { return t == MaskChar::Mask || t == MaskChar::MaskOpt; }
bool isLiteralPosition(MaskChar t) { return t == MaskChar::Literal || t == MaskChar::IntlLiteral; }

// Inserts the literals of the mask between the characters of the text.
QString insertLiterals(const QString &m, const QString &value, const TfrFormatSettings &fs)
{
    const QChar blank(u' ');
    QString result = value;
    if (!reversed(m)) {
        qsizetype offset = 0;
        for (qsizetype i = 0; i < m.size(); ++i) {
            const MaskChar t = charType(m, i);
            if (isLiteralPosition(t)) {
                result.insert(std::min(offset, result.size()), literalChar(m[i], t, fs));
                ++offset;
            } else if (isMaskPosition(t)) {
                if (offset >= result.size())
                    result += blank;
                ++offset;
            }
        }
        return result;
    }
    // From the end: the text is right-aligned under the mask, blanks lead.
    qsizetype offset = result.size(); // characters of result not yet placed
    for (qsizetype i = m.size() - 1; i >= 0; --i) {
        const MaskChar t = charType(m, i);
        if (isLiteralPosition(t)) {
            result.insert(offset, literalChar(m[i], t, fs));
        } else if (isMaskPosition(t)) {
            if (offset <= 0)
                result.prepend(blank);
            else
                --offset;
        }
    }
    return result;
}

// The text already holds the literals; only missing mask positions become blanks.
QString padLiterals(const QString &m, const QString &value, const TfrFormatSettings &fs)
{
    qsizetype positions = 0;
    for (qsizetype i = 0; i < m.size(); ++i) {
        const MaskChar t = charType(m, i);
        if (isMaskPosition(t) || isLiteralPosition(t))
            ++positions;
    }
    if (value.size() >= positions)
        return value;
    // Missing characters are filled from the mask: literals as themselves, the rest blank.
    QString result = value;
    qsizetype placed = 0;
    for (qsizetype i = 0; i < m.size(); ++i) {
        const MaskChar t = charType(m, i);
        if (!isMaskPosition(t) && !isLiteralPosition(t))
            continue;
        if (placed++ < value.size())
            continue;
        result += isLiteralPosition(t) ? literalChar(m[i], t, fs) : QChar(u' ');
    }
    return result;
}

} // namespace

QString frFormatMaskText(const QString &editMask, const QString &value, const TfrFormatSettings &fs)
{
    if (maskSavesLiterals(editMask))
        return padLiterals(editMask, value, fs);
    return insertLiterals(editMask, value, fs);
}
