#include "report/eval/stream.h"

#include <QFile>
#include <QFont>
#include <QSaveFile>
#include <algorithm>

#include "report/eval/codec.h"

namespace {

constexpr char kLineSeparator = 13;

[[noreturn]] void throwTooLong(qsizetype bytes)
{
    throw EfrError(QStringLiteral("Text of %1 bytes is too long to be stored (at most %2 bytes)")
                       .arg(bytes)
                       .arg(frMaxStringBytes));
}

// Encoded length of v, known to be within frMaxStringBytes only when v is short enough.
void checkStorable(const QString &v)
{
    if (v.size() <= frMaxStringBytes)
        return;
    const qsizetype bytes = frCp1251Length(v);
    if (bytes > frMaxStringBytes)
        throwTooLong(bytes);
}

// Word length and the bytes, without the terminating byte; v is known to be storable.
void writeCounted(TfrStream &s, const QString &v, qsizetype extra)
{
    char *p = s.beginWrite(2 + v.size() + extra);
    const qsizetype n = frEncodeCp1251(v, p + 2);
    qToLittleEndian(quint16(n), p);
    s.endWrite(2 + n);
}

} // namespace

// ---- TfrStream ----

void TfrStream::throwReadError()
{
    throw EReadError(QStringLiteral("Stream read error"));
}

TfrStream TfrStream::fromFile(const QString &fileName)
{
    QFile f(fileName);
    if (!f.open(QIODevice::ReadOnly))
        throw EfrError(QStringLiteral("Cannot open file \"%1\". %2").arg(fileName, f.errorString()));
    QByteArray bytes = f.readAll();
    if (f.error() != QFileDevice::NoError)
        throw EReadError(QStringLiteral("Stream read error"));
    TfrStream s(std::move(bytes));
    s.m_fromFile = true;
    return s;
}

void TfrStream::saveToFile(const QString &fileName) const
{
    QSaveFile f(fileName);
    if (!f.open(QIODevice::WriteOnly))
        throw EfrError(QStringLiteral("Cannot create file \"%1\". %2").arg(fileName, f.errorString()));
    if (f.write(m_buf.constData(), m_size) != m_size || !f.commit())
        throw EfrError(QStringLiteral("Cannot write file \"%1\". %2").arg(fileName, f.errorString()));
}

void TfrStream::seek(qsizetype pos)
{
    if (pos < 0)
        throwReadError();
    m_pos = pos;
}

void TfrStream::setSize(qsizetype size)
{
    if (size < 0)
        throwReadError();
    if (size > m_size) {
        const qsizetype keep = m_pos;
        m_pos = size;
        beginWrite(0); // zero-fills up to the new end
        m_pos = keep;
    }
    m_size = size;
    m_pos = std::min(m_pos, m_size);
}

void TfrStream::clear()
{
    m_buf.clear();
    m_size = 0;
    m_pos = 0;
}

QByteArray TfrStream::data() const
{
    return m_size == m_buf.size() ? m_buf : m_buf.first(m_size);
}

void TfrStream::grow(qsizetype needed)
{
    if (needed > m_buf.size())
        m_buf.resize(std::max({needed, m_buf.size() * 2, qsizetype(256)}));
    if (m_pos > m_size)
        std::memset(m_buf.data() + m_size, 0, size_t(m_pos - m_size));
}

// ---- strings ----

QString frReadString(TfrStream &s)
{
    const qsizetype n = frReadWord(s);
    const char *p = s.take(n + 1); // the text and its terminating byte, which is not checked
    return frFromCp1251(p, n);
}

void frWriteString(TfrStream &s, const QString &v)
{
    checkStorable(v);
    writeCounted(s, v, 1);
    frWriteByte(s, 0);
}

void frReadMemo(TfrStream &s, QStringList &lines)
{
    lines.clear();
    // The count is only a hint: the separator 0 ends the list.
    const qsizetype count = frReadWord(s);
    if (count == 0) {
        s.take(1);
        return;
    }
    // A line takes at least 3 bytes, so a false count cannot reserve more than the data holds.
    lines.reserve(std::min(count, s.remaining() / 3));
    for (;;) {
        const qsizetype n = frReadWord(s);
        const char *p = s.take(n + 1);
        lines.append(frFromCp1251(p, n));
        if (p[n] == 0)
            return;
    }
}

void frWriteMemo(TfrStream &s, const QStringList &lines)
{
    for (const QString &line : lines)
        checkStorable(line);
    // The reader ignores the count, but a non-empty list must never look empty: saturate
    // instead of letting 65536 lines wrap to 0.
    frWriteWord(s, quint16(std::min(lines.size(), frMaxStringBytes)));
    if (lines.isEmpty()) {
        frWriteByte(s, 0);
        return;
    }
    const qsizetype last = lines.size() - 1;
    for (qsizetype i = 0; i <= last; ++i) {
        writeCounted(s, lines[i], 1);
        frWriteByte(s, i == last ? 0 : kLineSeparator);
    }
}

namespace {

// Bytes from the position up to the next 0 (exclusive); the 0 is consumed.
const char *takeZeroTerminated(TfrStream &s, qsizetype &length)
{
    const qsizetype avail = s.remaining();
    if (avail == 0)
        TfrStream::throwReadError();
    const char *start = s.constData() + s.position();
    const void *zero = std::memchr(start, 0, size_t(avail));
    if (!zero)
        TfrStream::throwReadError();
    length = static_cast<const char *>(zero) - start;
    return s.take(length + 1);
}

} // namespace

QString frReadString22(TfrStream &s)
{
    qsizetype n = 0;
    const char *p = takeZeroTerminated(s, n);
    return frFromCp1251(p, n);
}

void frReadMemo22(TfrStream &s, QStringList &lines)
{
    lines.clear();
    qsizetype n = 0;
    const char *p = takeZeroTerminated(s, n);
    qsizetype start = 0;
    for (qsizetype i = 0; i < n; ++i) {
        if (p[i] != kLineSeparator)
            continue;
        lines.append(frFromCp1251(p + start, i - start));
        start = i + 1;
    }
    if (start < n)
        lines.append(frFromCp1251(p + start, n - start));
}

// ---- fonts ----

TfrFontRec frReadFont(TfrStream &s)
{
    TfrFontRec f;
    f.name = frReadString(s);
    f.size = frReadInteger(s);
    f.style = frReadWord(s);
    f.color = frReadInteger(s);
    f.charset = frReadWord(s);
    return f;
}

void frWriteFont(TfrStream &s, const TfrFontRec &font)
{
    frWriteString(s, font.name);
    frWriteInteger(s, font.size);
    frWriteWord(s, font.style);
    frWriteInteger(s, font.color);
    frWriteWord(s, font.charset);
}

// The stream word has italic in bit 0 and bold in bit 1, the reverse of the platform's
// own style set, so map bit by bit.
void frSetFontStyle(QFont &font, int style)
{
    font.setItalic(style & 1);
    font.setBold(style & 2);
    font.setUnderline(style & 4);
    font.setStrikeOut(style & 8);
}

int frGetFontStyle(const QFont &font)
{
    return (font.italic() ? 1 : 0) | (font.bold() ? 2 : 0) | (font.underline() ? 4 : 0) |
           (font.strikeOut() ? 8 : 0);
}
