// The byte stream every template, prepared page and prepared-report file goes through,
// and the primitives their records are made of. Integers are little-endian.
//
// | Kind            | Bytes                                                              |
// |-----------------|--------------------------------------------------------------------|
// | byte            | 1                                                                  |
// | word            | 2, unsigned                                                        |
// | integer         | 4, signed                                                          |
// | boolean         | 1: 0 false, anything else true                                     |
// | word boolean    | 2: 0 false, anything else true; written as 0xFFFF                  |
// | double          | 8, IEEE (dates: days since 30 December 1899)                       |
// | string          | word n, n bytes cp1251, one byte 0 (read and discarded)            |
// | string list     | word count (not used by the reader); count 0: one byte 0;          |
// |                 | else per line word n + n bytes + separator: 13, or 0 after the last|
// | pre-23 string   | bytes up to and including a 0                                      |
// | pre-23 list     | bytes up to a 0; 13 ends a line; an empty last line is dropped     |
// | font            | string name, integer size, word style, integer colour, word charset|
// | font style word | 1 italic, 2 bold, 4 underline, 8 strike-out                        |
//
// A text whose encoding needs more than 65535 bytes cannot be stored; writing one raises
// EfrError and leaves the stream untouched. Every read is bounds-checked and raises
// EReadError ("Stream read error") at the end of data; no length or count in the data
// makes a reader allocate more than the bytes that remain.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QtEndian>
#include <cstdint>
#include <cstring>

#include "report/eval/errors.h"

class QFont;

// Seekable stream over an in-memory buffer. Reading from a QByteArray shares it without
// a copy; the first write detaches. Seeking past the end is allowed (reads there fail,
// writes fill the gap with zeros), as with the classic memory stream.
class TfrStream {
public:
    TfrStream() = default;
    explicit TfrStream(QByteArray data) : m_buf(std::move(data)), m_size(m_buf.size()) {}

    // Loads the whole file; EfrError when it cannot be read.
    static TfrStream fromFile(const QString &fileName);
    // Writes size() bytes to the file, replacing it only when the write succeeded.
    void saveToFile(const QString &fileName) const;
    // True for a stream loaded by fromFile (templates loaded from memory are treated apart).
    bool isFileStream() const { return m_fromFile; }

    qsizetype position() const { return m_pos; }
    qsizetype size() const { return m_size; }
    qsizetype remaining() const { return m_pos < m_size ? m_size - m_pos : 0; }
    bool atEnd() const { return m_pos >= m_size; }
    void seek(qsizetype pos);
    void skip(qsizetype count) { seek(m_pos + count); }
    void setSize(qsizetype size);
    void clear();

    // The stream's bytes (a copy only when the buffer holds slack).
    QByteArray data() const;
    const char *constData() const { return m_buf.constData(); }

    void read(void *dst, qsizetype count) { std::memcpy(dst, take(count), size_t(count)); }
    void write(const void *src, qsizetype count)
    {
        if (count <= 0)
            return;
        std::memcpy(beginWrite(count), src, size_t(count));
        endWrite(count);
    }

    // Checked zero-copy read: a pointer to the next count bytes, position moved past them.
    const char *take(qsizetype count)
    {
        if (count < 0 || count > remaining())
            throwReadError();
        const char *p = m_buf.constData() + m_pos;
        m_pos += count;
        return p;
    }
    // Room for up to maxCount bytes at the position; endWrite says how many were used.
    char *beginWrite(qsizetype maxCount)
    {
        if (m_pos + maxCount > m_buf.size() || m_pos > m_size)
            grow(m_pos + maxCount);
        return m_buf.data() + m_pos;
    }
    void endWrite(qsizetype count)
    {
        m_pos += count;
        if (m_pos > m_size)
            m_size = m_pos;
    }

    [[noreturn]] static void throwReadError();

private:
    void grow(qsizetype needed);

    QByteArray m_buf;  // m_buf.size() is the capacity; bytes from m_size on are slack
    qsizetype m_size = 0;
    qsizetype m_pos = 0;
    bool m_fromFile = false;
};

// Longest text a string record can hold, in bytes.
inline constexpr qsizetype frMaxStringBytes = 65535;

inline quint8 frReadByte(TfrStream &s) { return quint8(*s.take(1)); }
inline void frWriteByte(TfrStream &s, quint8 v)
{
    *s.beginWrite(1) = char(v);
    s.endWrite(1);
}

inline quint16 frReadWord(TfrStream &s) { return qFromLittleEndian<quint16>(s.take(2)); }
inline void frWriteWord(TfrStream &s, quint16 v)
{
    qToLittleEndian(v, s.beginWrite(2));
    s.endWrite(2);
}

inline qint32 frReadInteger(TfrStream &s) { return qFromLittleEndian<qint32>(s.take(4)); }
inline void frWriteInteger(TfrStream &s, qint32 v)
{
    qToLittleEndian(v, s.beginWrite(4));
    s.endWrite(4);
}

inline bool frReadBoolean(TfrStream &s) { return frReadByte(s) != 0; }
inline void frWriteBoolean(TfrStream &s, bool v) { frWriteByte(s, v ? 1 : 0); }

inline bool frReadWordBool(TfrStream &s) { return frReadWord(s) != 0; }
inline void frWriteWordBool(TfrStream &s, bool v) { frWriteWord(s, v ? 0xFFFF : 0); }

inline double frReadDouble(TfrStream &s)
{
    const quint64 bits = qFromLittleEndian<quint64>(s.take(8));
    double v;
    std::memcpy(&v, &bits, sizeof v);
    return v;
}
inline void frWriteDouble(TfrStream &s, double v)
{
    quint64 bits;
    std::memcpy(&bits, &v, sizeof bits);
    qToLittleEndian(bits, s.beginWrite(8));
    s.endWrite(8);
}

QString frReadString(TfrStream &s);
void frWriteString(TfrStream &s, const QString &v);

// Empties lines, then reads the list into it (keeps the list's capacity for reuse).
void frReadMemo(TfrStream &s, QStringList &lines);
inline QStringList frReadMemo(TfrStream &s)
{
    QStringList lines;
    frReadMemo(s, lines);
    return lines;
}
void frWriteMemo(TfrStream &s, const QStringList &lines);

// Readers of streams older than version 23.
QString frReadString22(TfrStream &s);
void frReadMemo22(TfrStream &s, QStringList &lines);
inline QStringList frReadMemo22(TfrStream &s)
{
    QStringList lines;
    frReadMemo22(s, lines);
    return lines;
}

// A font as streamed; style is the stream style word.
struct TfrFontRec {
    QString name;
    qint32 size = 0;     // points
    quint16 style = 0;   // 1 italic, 2 bold, 4 underline, 8 strike-out
    qint32 color = 0;    // 0x00BBGGRR, or 0x80000000 + system colour index
    quint16 charset = 0;
    friend bool operator==(const TfrFontRec &, const TfrFontRec &) = default;
};

TfrFontRec frReadFont(TfrStream &s);
void frWriteFont(TfrStream &s, const TfrFontRec &font);

// Stream style word <-> the font's bold, italic, underline and strike-out.
void frSetFontStyle(QFont &font, int style);
int frGetFontStyle(const QFont &font);
